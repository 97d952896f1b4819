// winsim: the start state, Reset, the Windows directory and the loud failure for unmodelled calls.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <strings.h>

#include "display_reset.h"
#include "settings_reset.h"
#include "state.h"

namespace winsim::detail {

bool Fault::Strike() {
  if (skip > 0) {
    --skip;
    return false;
  }
  if (count > 0) {
    --count;
    return true;
  }
  return false;
}

bool SameText(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

State& S() {
  static State* state = new State;  // never destroyed: the program's global destructors may log
  return *state;
}

}  // namespace winsim::detail

namespace winsim {
using detail::S;

void Reset() {
  // The program's threads first: they may still be using what the rest of Reset takes away.
  detail::ResetThreads();
  detail::ResetClock();
  detail::ResetFaults();
  auto& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.lock);
  s.windowsDirectory.clear();
  s.createFileFault = {};
  s.createFileError = 0;
  s.writeFault = {};
  s.writes.clear();
  s.resourceOverrides.clear();
  s.messageBoxes.clear();
  s.messageBoxAnswers.clear();
  s.messageBoxHook = nullptr;
  detail::ResetLibraries();
  detail::ResetDisplay();
  detail::ResetWindows();
  detail::ResetRegistry();
  detail::ResetDialogs();
  detail::ResetProcess();
}

void SetWindowsDirectory(const std::string& hostPath) {
  std::lock_guard<std::recursive_mutex> guard(S().lock);
  S().windowsDirectory = hostPath;
}

std::string WindowsDirectory() {
  auto& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.lock);
  if (s.windowsDirectory.empty()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "winsim-windows-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) Unmodelled("GetWindowsDirectoryA", "no temporary folder");
    s.windowsDirectory = pattern;
  }
  return s.windowsDirectory;
}

std::string HostPath(const std::string& windowsPath) {
  std::string path = windowsPath;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

void Unmodelled(const char* call, const std::string& what) {
  std::fprintf(stderr, "winsim: %s: not modelled: %s\n", call, what.c_str());
  std::fflush(stderr);
  std::abort();
}

}  // namespace winsim

namespace {
thread_local DWORD lastError = 0;  // per thread, as on the platform
}  // namespace

DWORD WINAPI GetLastError() { return lastError; }
void WINAPI SetLastError(DWORD error) { lastError = error; }

UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  const std::string dir = winsim::WindowsDirectory();
  if (dir.size() + 1 > size) return static_cast<UINT>(dir.size() + 1);
  dir.copy(buffer, dir.size());
  buffer[dir.size()] = '\0';
  return static_cast<UINT>(dir.size());
}
