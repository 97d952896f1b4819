// The configuration dialog's OK: every screen's edited values and the speed into the registry.
#pragma once

#include "platform/win32.h"

// Writes each screen's row of the working table and selected mode, then the speed from the slider;
// the first refused open or write is reported in a message box and ends the writing, with every
// key closed. Does not end the dialog.
void StoreSettings(HWND dialog);
