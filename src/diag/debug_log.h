// The debug log's life: opening it in the Windows directory, the message kept for the user, the
// message box that shows it, and closing the log.
#pragma once

#include <cstdint>

#include "heart/fixed_string.h"
#include "heart/log_message.h"
#include "platform/win32.h"

// Level and text of the most severe message since the log was opened or the message was last
// shown; read them only from the window thread while the drawing thread is not running.
extern uint32_t ErrorMsgLevel;
extern FixedString ErrorMsgText;

// Opens (recreates) the log: "<Windows directory>\torvanecode_fs.log" for the full-screen saver,
// "...\torvanecode.log" otherwise. True when the file is open; false leaves logging off.
bool InitErrorMsg(bool fullscreen);

// Shows the kept message in a message box owned by `owner` when it is LOG_ERROR or worse, then
// forgets it in every case.
void ShowErrorMsg(HWND owner);

// Writes the closing line and closes the log; the kept message stays.
void StopErrorMsg();
