// Resource identifiers of Sarvello, shared by the resource script and the program.
#pragma once

#define IDI_SARVELLO 100  // icon group: the program's icon
#define IDR_GLYPHS 111    // DATAFILE: the glyph animation

#define IDD_CONFIG 2003         // dialog: the configuration dialog
#define IDC_DENSITY 1006        // edit box: falling drops of the shown device
#define IDC_HIGHLIGHT 1007      // edit box: highlight percentage of the shown device
#define IDC_RESOLUTION 1016     // combo box: the display modes of the shown device
#define IDC_SPEED 1017          // trackbar: scrolling speed of all devices
#define IDC_DEVICE 1018         // combo box: the display devices
#define IDC_CONFIG_OK 1019      // button: store everything and close
#define IDC_CONFIG_CANCEL 1020  // button: close without storing
