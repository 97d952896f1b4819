// The configuration dialog (template IDD_CONFIG): per display device its resolution, drop density
// and highlight percentage, and one scrolling speed for all devices, stored in the registry on OK.
#pragma once

#include <cstdint>

#include "display/screen_list.h"
#include "platform/win32.h"

// One row of the working table: a screen and its values as edited so far.
struct DialogRow {
  ScreenRecord* screen;
  uint32_t density;
  uint32_t highlight;
};

// The working table, one row per screen in screen-list order, and its length; made at
// WM_INITDIALOG (replacing an earlier one) and kept until the process ends.
extern DialogRow* WorkingTable;
extern int32_t WorkingTableRows;
// The device-list index of the device whose values the controls show; -1 before WM_INITDIALOG.
extern int32_t ShownDevice;

// The dialog procedure for DialogBoxParamA. Ends the dialog with 1 after OK (also when the
// registry refused a value, which it reports in a message box) and with 0 after Cancel.
INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
