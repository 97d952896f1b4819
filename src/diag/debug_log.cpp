// The debug log's process-wide state and operations, serialised between the window thread and
// the drawing thread by one critical section.
#include "diag/debug_log.h"

#include <cstring>
#include <new>

#include "diag/log_file.h"

uint32_t ErrorMsgLevel = 0;
FixedString ErrorMsgText;

namespace {

const char kCaption[] = "Sarvello v1.30";

LogFile* logFile = nullptr;

// The lock is made by the program's static construction, before its entry, and lives until the
// process ends, so that either thread may log at any time; it is never deleted.
struct LogLock {
  CRITICAL_SECTION section;
  LogLock() { InitializeCriticalSection(&section); }
};
LogLock Lock;

class Locked {
 public:
  Locked() { EnterCriticalSection(&Lock.section); }
  ~Locked() { LeaveCriticalSection(&Lock.section); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
};

const char* Prefix(uint32_t level) {
  switch (level) {
    case LOG_SPAM: return "LOG_SPAM: ";
    case LOG_GOSSIP: return "LOG_GOSSIP: ";
    case LOG_INFO: return "LOG_INFO: ";
    case LOG_WARNING: return "LOG_WARNING: ";
    case LOG_ERROR: return "LOG_ERROR: ";
    case LOG_PANIC: return "LOG_PANIC: ";
    default: return "LOG_PANIC (UNRECONGNIZED STATE): ";
  }
}

void ForgetKeptMessage() {
  ErrorMsgLevel = 0;
  ErrorMsgText = "No Error";
}

}  // namespace

bool InitErrorMsg(bool fullscreen) {
  {
    Locked locked;
    ForgetKeptMessage();
    char directory[1024];
    const UINT length = GetWindowsDirectoryA(directory, sizeof directory);
    if (length == 0 || length >= sizeof directory) directory[0] = '\0';
    FixedString name(directory);
    const char* suffix = fullscreen ? "\\torvanecode_fs.log" : "\\torvanecode.log";
    // A directory too long for the whole name would leave a cut name that is not the log's: then
    // logging stays off, as when the file cannot be created.
    const bool fits = name.Length() + static_cast<int32_t>(std::strlen(suffix)) <= 255;
    name.Append(suffix);

    // A log left open by an earlier start in this process is closed first, so its descriptor is
    // neither leaked nor left holding the file.
    delete logFile;
    logFile = new (std::nothrow) LogFile;
    if (logFile == nullptr) return false;
    if (fits) logFile->OpenForWriting(name.TextOrNull());
    if (logFile->Status() != LogFile::kOk) return false;
  }
  LogMessage("[InitErrorMsg] DEBUG SESSION STARTED", LOG_INFO);
  return true;
}

void LogMessage(const char* text, uint32_t level) {
  Locked locked;
  if (logFile == nullptr || logFile->Status() != LogFile::kOk) return;
  const char* prefix = Prefix(level);
  if (logFile->Write(prefix, std::strlen(prefix)) != LogFile::kOk) return;
  if (logFile->Write(text, std::strlen(text)) != LogFile::kOk) return;
  if (logFile->Write("\r\n", 2) != LogFile::kOk) return;
  if (ErrorMsgLevel > level) return;
  ErrorMsgLevel = level;
  ErrorMsgText = text;
}

void ShowErrorMsg(HWND owner) {
  bool show = false;
  FixedString text;
  {
    Locked locked;
    show = ErrorMsgLevel >= LOG_ERROR;
    text = ErrorMsgText;
  }
  // The box is modal: it is shown outside the lock so that logging never waits for the user.
  if (show) {
    const UINT style = MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL | MB_SETFOREGROUND;
    const char* shown = text.TextOrNull();
    if (MessageBoxA(owner, shown != nullptr ? shown : "", kCaption, style) != IDOK)
      LogMessage("[ShowErrorMsg] Unable to display error message", LOG_ERROR);
  }
  Locked locked;
  ForgetKeptMessage();
}

void StopErrorMsg() {
  LogMessage("[StopErrorMsg] DEBUG SESSION TERMINATED", LOG_INFO);
  Locked locked;
  delete logFile;  // closes the descriptor
  logFile = nullptr;
}
