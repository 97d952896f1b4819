// What the helper programs that drive the real Sarvello.scr under Wine share: starting the saver
// beside them, waiting for processes while their own windows keep answering, marker files the
// tests wait for, and notes on stdout.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace helper {

// Every line goes out at once, so that a failed test's artifacts show how far a helper got.
inline void Say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// The folder this program was started from, with a closing backslash (C:\sarvello\ under the
// tests, where the saver and the test libraries are too).
inline std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  const size_t slash = folder.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

// Writes a whole small file under a temporary name first, so that a test waiting for the name
// never finds it half written.
inline bool WriteFileText(const std::string& path, const std::string& text) {
  const std::string partial = path + ".partial";
  HANDLE file = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
  CloseHandle(file);
  return ok && MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// Appends one line (CR LF added) to a record file that the test reads after the run; the file
// is closed after every line, so that a helper ended early leaves everything it noted.
inline void AppendLine(const std::string& path, const std::string& line) {
  HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

inline bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Handles the messages of this thread's windows: another process's window that is a child or an
// owned window of ours sends us messages and waits for the answers.
inline void Pump() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// Waits `milliseconds` while this thread's windows keep answering.
inline void PumpFor(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    Pump();
    const DWORD spent = GetTickCount() - start;
    if (spent >= milliseconds) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - spent, QS_ALLINPUT);
  }
}

// Waits for a process to end within `milliseconds`, answering our windows' messages meanwhile.
// True with its exit code when it ended.
inline bool WaitForExit(HANDLE process, DWORD milliseconds, DWORD* exitCode) {
  const DWORD start = GetTickCount();
  for (;;) {
    Pump();
    const DWORD spent = GetTickCount() - start;
    if (spent >= milliseconds) break;
    const DWORD woke = MsgWaitForMultipleObjects(1, &process, FALSE, milliseconds - spent, QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0) break;
  }
  if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) return false;
  GetExitCodeProcess(process, exitCode);
  return true;
}

struct Started {
  HANDLE process = nullptr;
  DWORD id = 0;
};

// Starts Sarvello.scr from this program's folder with `arguments` behind its quoted name, the way
// the system's screen-saver machinery does.
inline Started StartSaver(const std::string& arguments) {
  const std::string folder = ProgramFolder();
  std::string commandLine = "\"" + folder + "Sarvello.scr\"";
  if (!arguments.empty()) commandLine += " " + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  Started started;
  std::string writable = commandLine;
  if (!CreateProcessA(nullptr, &writable[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &info)) {
    Say("cannot start %s: error %lu", commandLine.c_str(), static_cast<unsigned long>(GetLastError()));
    return started;
  }
  CloseHandle(info.hThread);
  started.process = info.hProcess;
  started.id = info.dwProcessId;
  Say("started %s (process %lu)", commandLine.c_str(), static_cast<unsigned long>(info.dwProcessId));
  return started;
}

// Ends a saver that did not end by itself, by its process handle.
inline void EndProcess(Started* started) {
  if (started->process == nullptr) return;
  if (WaitForSingleObject(started->process, 0) != WAIT_OBJECT_0) {
    TerminateProcess(started->process, 3);
    WaitForSingleObject(started->process, 5000);
  }
  CloseHandle(started->process);
  started->process = nullptr;
}

// A window handle as the saver's command line carries it: its decimal value.
inline std::string HandleText(HWND window) {
  return std::to_string(static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
}

inline std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

// A window's text, read with WM_GETTEXT, which Wine carries across processes.
inline std::string TextOf(HWND window) {
  char text[1024] = {};
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
  return text;
}

// A window's own title as the system keeps it; asks nothing of the window's thread, so a busy
// saver cannot hold the caller up.
inline std::string TitleOf(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

inline DWORD ProcessOf(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process;
}

}  // namespace helper
