// winsim internals: the simulation's state shared by its source files, and fault counters.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "winsim/control.h"

namespace winsim::detail {

// A fault that lets `skip` calls pass, then fails `count` calls.
struct Fault {
  int skip = 0;
  int count = 0;
  // True when this call is to fail; counts the call either way.
  bool Strike();
};

// One open file: a CreateFileA handle (fd of the host file inside).
struct OpenFile {
  int fd = -1;
  std::string path;  // host path, as given after backslashes became slashes
  DWORD access = 0;  // GENERIC_READ | GENERIC_WRITE
  DWORD share = 0;   // FILE_SHARE_READ | FILE_SHARE_WRITE
};

struct OverriddenResource {
  std::vector<unsigned char> bytes;
  bool removed = false;
};

struct State {
  std::recursive_mutex lock;  // the program's two threads may call winsim at once
  std::string windowsDirectory;
  Fault createFileFault;
  DWORD createFileError = 0;
  Fault writeFault;
  std::vector<WriteRecord> writes;
  std::vector<OpenFile*> openFiles;  // every open CreateFileA handle
  std::map<std::pair<std::string, int>, OverriddenResource> resourceOverrides;
  std::vector<MessageBoxRecord> messageBoxes;
  std::vector<int> messageBoxAnswers;
  std::function<void(const MessageBoxRecord&)> messageBoxHook;
};

State& S();

// The platform the program runs on is of the 95/98 family (GetVersionExA's VER_PLATFORM_WIN32_WINDOWS).
bool Win9xFamily();
// Closes the handle of a thread the program started; false when `handle` is none open.
bool CloseThreadHandle(HANDLE handle);

// Names compared as the platform compares them: case-insensitively.
bool SameText(const std::string& a, const std::string& b);

}  // namespace winsim::detail
