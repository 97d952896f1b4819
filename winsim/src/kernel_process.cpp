// winsim: the process — the command line, the platform's version, module handles, the scripted
// tick count, and a run of the program whose ExitProcess ends the run instead of the test.
#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

#include "display_reset.h"
#include "library_table.h"
#include "state.h"
#include "user_state.h"

namespace {

struct ProcessState {
  std::mutex lock;
  std::string commandLine = "SARVELLO.SCR";
  winsim::Platform platform = winsim::Platform::kWindows2000;
  bool running = false;
  bool exitedThroughExitProcess = false;
};

ProcessState& P() {
  static auto* state = new ProcessState;  // never destroyed, like the rest of winsim's state
  return *state;
}

// Set on the thread that plays the process's main thread during winsim::RunProgram.
thread_local bool isProgramMainThread = false;

// What ExitProcess throws to end the run; only RunProgram catches it (the program never throws
// or catches anything).
struct ProcessExit {
  UINT code;
};

struct VersionInfo {
  DWORD major, minor, build, platformId;
  const char* servicePack;
};

VersionInfo VersionOf(winsim::Platform platform) {
  // On the 95/98 family the build number's high word repeats the major and minor version.
  switch (platform) {
    case winsim::Platform::kWindows95: return {4, 0, 0x040003B6, VER_PLATFORM_WIN32_WINDOWS, ""};
    case winsim::Platform::kWindows98: return {4, 10, 0x040A07CE, VER_PLATFORM_WIN32_WINDOWS, ""};
    case winsim::Platform::kWindowsNT4: return {4, 0, 1381, VER_PLATFORM_WIN32_NT, "Service Pack 6"};
    case winsim::Platform::kWindows2000: return {5, 0, 2195, VER_PLATFORM_WIN32_NT, "Service Pack 4"};
  }
  winsim::Unmodelled("GetVersionExA", "an unknown platform");
}

}  // namespace

namespace winsim {

void SetPlatform(Platform platform) {
  std::lock_guard<std::mutex> guard(P().lock);
  P().platform = platform;
}

void SetCommandLine(const std::string& commandLine) {
  std::lock_guard<std::mutex> guard(P().lock);
  P().commandLine = commandLine;
}

HMODULE ProgramModule() { return reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x00400000)); }

int RunProgram(const std::function<void()>& entry, const std::string& commandLine) {
  {
    std::lock_guard<std::mutex> guard(P().lock);
    if (P().running) Unmodelled("RunProgram", "a second program while one runs");
    P().running = true;
    P().exitedThroughExitProcess = false;
    P().commandLine = commandLine;
  }
  int code = 0;
  bool exited = false;
  std::thread mainThread([&] {
    isProgramMainThread = true;
    try {
      entry();
    } catch (const ProcessExit& exit) {
      code = static_cast<int>(exit.code);
      exited = true;
    }
    detail::EndProgramWindows();
  });
  mainThread.join();
  std::lock_guard<std::mutex> guard(P().lock);
  P().running = false;
  P().exitedThroughExitProcess = exited;
  return code;
}

bool ExitedThroughExitProcess() {
  std::lock_guard<std::mutex> guard(P().lock);
  return P().exitedThroughExitProcess;
}

namespace detail {
bool Win9xFamily() {
  std::lock_guard<std::mutex> guard(P().lock);
  return VersionOf(P().platform).platformId == VER_PLATFORM_WIN32_WINDOWS;
}

void ResetProcess() {
  std::lock_guard<std::mutex> guard(P().lock);
  if (P().running) Unmodelled("Reset", "while a program runs");
  P().commandLine = "SARVELLO.SCR";
  P().platform = Platform::kWindows2000;
  P().exitedThroughExitProcess = false;
}
}  // namespace detail

}  // namespace winsim

LPSTR WINAPI GetCommandLineA(void) {
  std::lock_guard<std::mutex> guard(P().lock);
  return P().commandLine.data();  // stays put until the test sets another command line
}

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info) {
  if (info == nullptr) winsim::Unmodelled("GetVersionExA", "null structure");
  if (info->dwOSVersionInfoSize == 156) winsim::Unmodelled("GetVersionExA", "the extended structure");
  if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(P().lock);
  const VersionInfo version = VersionOf(P().platform);
  info->dwMajorVersion = version.major;
  info->dwMinorVersion = version.minor;
  info->dwBuildNumber = version.build;
  info->dwPlatformId = version.platformId;
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  std::strncpy(info->szCSDVersion, version.servicePack, sizeof info->szCSDVersion - 1);
  return TRUE;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR name) {
  if (name == nullptr) return winsim::ProgramModule();
  HMODULE module = winsim::detail::LoadedModule(name);
  if (module == nullptr) SetLastError(ERROR_MOD_NOT_FOUND);
  return module;
}

void WINAPI ExitProcess(UINT exitCode) {
  if (!isProgramMainThread) winsim::Unmodelled("ExitProcess", "called outside winsim::RunProgram's main thread");
  throw ProcessExit{exitCode};
}
