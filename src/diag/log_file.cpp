// LogFile over a file handle of the platform: each write goes to the system before it returns,
// and bytes are written as they are, so CR LF stays as written.
#include "diag/log_file.h"

#include "platform/win32.h"

LogFile::~LogFile() { Close(); }

void LogFile::OpenForWriting(const char* path) {
  mode_ = kWriting;
  // Empty the file (or create it); the handle below then writes from offset 0. If another
  // process holds the file, emptying fails silently and the old content is overwritten in place.
  HANDLE emptied = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (emptied != INVALID_HANDLE_VALUE) CloseHandle(emptied);
  // Shared for reading and writing, so that the log can be read while the saver runs.
  HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    mode_ = kNotOpen;
    return;
  }
  handle_ = file;
}

int32_t LogFile::Status() const { return mode_ != kNotOpen ? kOk : kFailed; }

int32_t LogFile::Write(const void* bytes, size_t size) {
  if (mode_ == kNotOpen) return kFailed;
  const char* next = static_cast<const char*>(bytes);
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(handle_, next, static_cast<DWORD>(size), &written, nullptr) || written == 0) return kFailed;
    next += written;
    size -= written;
  }
  return kOk;
}

void LogFile::Close() {
  if (mode_ == kNotOpen) return;
  CloseHandle(handle_);
  mode_ = kNotOpen;
  handle_ = nullptr;
}
