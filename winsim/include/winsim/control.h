// winsim's control API: how host tests and tools set up the simulated platform, inject faults and
// read back what the program did. Program code never includes this header.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "winsim/clock_control.h"
#include "winsim/dialog_control.h"
#include "winsim/display_control.h"
#include "winsim/registry_control.h"
#include "winsim/win_types.h"
#include "winsim/window_control.h"

namespace winsim {

// Puts every part of the simulation back to its start state (no faults, nothing recorded, no
// scripted answers, resource overrides gone). The Windows directory goes back to a fresh
// temporary folder.
void Reset();

// --- kernel: the Windows directory ------------------------------------------------------------
// The host folder that GetWindowsDirectoryA reports. Unset, winsim makes a fresh temporary folder.
void SetWindowsDirectory(const std::string& hostPath);
std::string WindowsDirectory();
// The host path winsim opens for a path the program hands the platform: the program's paths are
// host paths joined with backslashes (drive letters are not modelled).
std::string HostPath(const std::string& windowsPath);

// --- kernel: files ----------------------------------------------------------------------------
// The next `count` CreateFileA calls fail with `error` (after `skip` calls that behave normally).
void FailCreateFile(DWORD error, int count = 1, int skip = 0);
// The next `count` WriteFile calls fail (ERROR_DISK_FULL, nothing written) after `skip` normal ones.
void FailWrite(int count = 1, int skip = 0);
// Every WriteFile call that wrote, in order, as (handle, bytes).
struct WriteRecord {
  HANDLE handle;
  std::string bytes;
};
const std::vector<WriteRecord>& Writes();
// File handles that winsim opened and that are still open.
int OpenFileCount();

// --- kernel: resources ------------------------------------------------------------------------
// Replaces (or adds) a resource of the program's own module for this test, e.g. a damaged
// DATAFILE 111. Names and types given as text are compared case-insensitively, as on Windows.
void OverrideResource(const std::string& type, int id, const std::vector<unsigned char>& bytes);
void RemoveResource(const std::string& type, int id);

// --- user: message boxes ----------------------------------------------------------------------
struct MessageBoxRecord {
  HWND owner;
  std::string text;
  std::string caption;
  UINT style;
};
const std::vector<MessageBoxRecord>& MessageBoxes();
// Answers for the next message boxes, in order; once they are used up a box answers IDOK for
// MB_OK styles and the first button of the others. An answer of 0 plays a box that could not be
// shown.
void ScriptMessageBoxAnswers(const std::vector<int>& answers);
// Runs on the thread that shows a box, while the box is up (before it is answered and recorded):
// lets a test see what the screens show while the user reads it.
void OnMessageBox(std::function<void(const MessageBoxRecord&)> hook);

// --- faults -----------------------------------------------------------------------------------
// winsim models only what the program uses. A call with a flag or argument outside the model stops
// the process with a message naming the call (tests of that use death tests).
[[noreturn]] void Unmodelled(const char* call, const std::string& what);

}  // namespace winsim
