// The debug log's entry for every part of the program: one line per step or failure. Portable: no
// platform header, so the platform-free code can log too.
#pragma once

#include <cstdint>

// Log levels; the level decides the line's prefix and which message is kept for the user.
constexpr uint32_t LOG_SPAM = 0;
constexpr uint32_t LOG_GOSSIP = 1;
constexpr uint32_t LOG_INFO = 2;
constexpr uint32_t LOG_WARNING = 3;
constexpr uint32_t LOG_ERROR = 4;
constexpr uint32_t LOG_PANIC = 5;

// Writes "<prefix><text>" CR LF to the open log and remembers `text` when `level` is at least the
// remembered level. Does nothing while the log is closed or failed. Safe from both threads.
void LogMessage(const char* text, uint32_t level);
