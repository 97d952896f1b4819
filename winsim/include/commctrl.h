// winsim: the subset of <commctrl.h> that Sarvello uses — InitCommonControls and the trackbar.
#pragma once

#include <windows.h>

#define TRACKBAR_CLASSA "msctls_trackbar32"

#define TBS_HORZ 0x0
#define TBS_BOTH 0x8
#define TBS_NOTICKS 0x10

#define TBM_GETPOS (WM_USER)
#define TBM_GETRANGEMIN (WM_USER + 1)
#define TBM_GETRANGEMAX (WM_USER + 2)
#define TBM_SETPOS (WM_USER + 5)
#define TBM_SETRANGE (WM_USER + 6)

// Trackbar notifications in WM_HSCROLL's low word.
#define TB_THUMBPOSITION 4
#define TB_THUMBTRACK 5
#define TB_ENDTRACK 8

// Registers the common control classes (the trackbar) for this process's dialogs.
void WINAPI InitCommonControls(void);
