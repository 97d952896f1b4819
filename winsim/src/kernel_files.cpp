// winsim: CreateFileA/CloseHandle and the C runtime's _open/_write/_close over host files, with the
// platform's sharing rules between open handles and injectable failures.
#include <cerrno>
#include <cstdarg>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

#include "io.h"
#include "state.h"
#include "windows.h"

namespace {
using winsim::detail::OpenFile;
using winsim::detail::S;
using Guard = std::lock_guard<std::recursive_mutex>;

// The access rights that a share mode leaves to other openers.
DWORD Shared(DWORD share) {
  return (share & FILE_SHARE_READ ? GENERIC_READ : 0u) | (share & FILE_SHARE_WRITE ? GENERIC_WRITE : 0u);
}

// The platform's sharing check: a new open conflicts with an existing one of the same file when
// either asks for access that the other does not share.
bool SharingConflict(const std::string& path, DWORD access, DWORD share) {
  for (const OpenFile* f : S().openFiles) {
    if (f->path != path) continue;
    if ((f->access & ~Shared(share)) != 0 || (access & ~Shared(f->share)) != 0) return true;
  }
  return false;
}

DWORD ErrorFromErrno(const std::string& path, int error) {
  if (error == ENOENT) {
    const auto parent = std::filesystem::path(path).parent_path();
    return (parent.empty() || std::filesystem::is_directory(parent)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
  }
  return ERROR_ACCESS_DENIED;  // EACCES, EPERM, EISDIR, EROFS: the platform says access denied
}

OpenFile* FindOpen(bool isHandle, int fd, const void* handle) {
  for (OpenFile* f : S().openFiles) {
    if (f->isHandle != isHandle) continue;
    if (isHandle ? static_cast<const void*>(f) == handle : f->fd == fd) return f;
  }
  return nullptr;
}

void Forget(OpenFile* file) {
  auto& files = S().openFiles;
  for (auto it = files.begin(); it != files.end(); ++it) {
    if (*it == file) {
      files.erase(it);
      break;
    }
  }
  close(file->fd);
  delete file;
}

}  // namespace

namespace winsim {

int OpenFileCount() {
  Guard guard(S().lock);
  return static_cast<int>(S().openFiles.size());
}

const std::vector<WriteRecord>& Writes() { return S().writes; }

void FailCreateFile(DWORD error, int count, int skip) {
  Guard guard(S().lock);
  S().createFileFault = {skip, count};
  S().createFileError = error;
}
void FailOpen(int count, int skip) {
  Guard guard(S().lock);
  S().openFault = {skip, count};
}
void FailWrite(int count, int skip) {
  Guard guard(S().lock);
  S().writeFault = {skip, count};
}

}  // namespace winsim

HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                          DWORD attributes, HANDLE templateFile) {
  if (name == nullptr) winsim::Unmodelled("CreateFileA", "null file name");
  if (access == 0 || (access & ~(GENERIC_READ | GENERIC_WRITE)) != 0)
    winsim::Unmodelled("CreateFileA", "access flags " + std::to_string(access));
  if ((share & ~(FILE_SHARE_READ | FILE_SHARE_WRITE)) != 0)
    winsim::Unmodelled("CreateFileA", "share flags " + std::to_string(share));
  if (security != nullptr || templateFile != nullptr)
    winsim::Unmodelled("CreateFileA", "security attributes or template file");
  if (attributes != 0 && attributes != FILE_ATTRIBUTE_NORMAL)
    winsim::Unmodelled("CreateFileA", "attributes " + std::to_string(attributes));
  int flags = 0;
  switch (disposition) {
    case CREATE_ALWAYS: flags = O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: flags = 0; break;
    case OPEN_ALWAYS: flags = O_CREAT; break;
    default: winsim::Unmodelled("CreateFileA", "disposition " + std::to_string(disposition));
  }
  flags |= (access == (GENERIC_READ | GENERIC_WRITE)) ? O_RDWR : (access & GENERIC_WRITE) ? O_WRONLY : O_RDONLY;

  Guard guard(S().lock);
  if (S().createFileFault.Strike()) {
    SetLastError(S().createFileError);
    return INVALID_HANDLE_VALUE;
  }
  const std::string path = winsim::HostPath(name);
  if (SharingConflict(path, access, share)) {
    SetLastError(ERROR_SHARING_VIOLATION);
    return INVALID_HANDLE_VALUE;
  }
  const bool existed = std::filesystem::exists(path);
  const int fd = open(path.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) {
    SetLastError(ErrorFromErrno(path, errno));
    return INVALID_HANDLE_VALUE;
  }
  auto* file = new OpenFile{true, fd, path, access, share};
  S().openFiles.push_back(file);
  // The platform reports ERROR_ALREADY_EXISTS (183) on success when CREATE_ALWAYS or OPEN_ALWAYS
  // found the file, and 0 otherwise.
  SetLastError((existed && disposition != OPEN_EXISTING) ? 183 : ERROR_SUCCESS);
  return static_cast<HANDLE>(file);
}

BOOL WINAPI CloseHandle(HANDLE handle) {
  Guard guard(S().lock);
  OpenFile* file = FindOpen(true, -1, handle);
  if (file == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Forget(file);
  return TRUE;
}

int _open(const char* path, int flags, ...) {
  if (path == nullptr) winsim::Unmodelled("_open", "null path");
  const int known = _O_RDONLY | _O_WRONLY | _O_RDWR | _O_APPEND | _O_CREAT | _O_TRUNC | _O_EXCL | _O_BINARY;
  if ((flags & ~known) != 0) winsim::Unmodelled("_open", "flags " + std::to_string(flags));
  // Without _O_BINARY the runtime would translate line ends; the program never asks for that.
  if ((flags & _O_BINARY) == 0) winsim::Unmodelled("_open", "text mode (no _O_BINARY)");
  int mode = 0;
  if (flags & _O_CREAT) {
    va_list args;
    va_start(args, flags);
    mode = va_arg(args, int);
    va_end(args);
    if ((mode & ~(_S_IREAD | _S_IWRITE)) != 0) winsim::Unmodelled("_open", "permission " + std::to_string(mode));
  }
  int posix = (flags & _O_RDWR) ? O_RDWR : (flags & _O_WRONLY) ? O_WRONLY : O_RDONLY;
  if (flags & _O_APPEND) posix |= O_APPEND;
  if (flags & _O_CREAT) posix |= O_CREAT;
  if (flags & _O_TRUNC) posix |= O_TRUNC;
  if (flags & _O_EXCL) posix |= O_EXCL;
  const DWORD access = (flags & _O_RDWR)     ? (GENERIC_READ | GENERIC_WRITE)
                       : (flags & _O_WRONLY) ? GENERIC_WRITE
                                             : GENERIC_READ;

  Guard guard(S().lock);
  if (S().openFault.Strike()) {
    errno = EACCES;
    return -1;
  }
  const std::string host = winsim::HostPath(path);
  // The runtime opens its descriptors sharing read and write with everyone.
  if (SharingConflict(host, access, FILE_SHARE_READ | FILE_SHARE_WRITE)) {
    errno = EACCES;
    return -1;
  }
  const int fd = open(host.c_str(), posix | O_CLOEXEC, (mode & _S_IWRITE) ? 0644 : 0444);
  if (fd < 0) return -1;
  S().openFiles.push_back(new OpenFile{false, fd, host, access, FILE_SHARE_READ | FILE_SHARE_WRITE});
  return fd;
}

int _write(int fd, const void* buffer, unsigned int count) {
  Guard guard(S().lock);
  if (FindOpen(false, fd, nullptr) == nullptr) {
    errno = EBADF;
    return -1;
  }
  if (S().writeFault.Strike()) {
    errno = ENOSPC;
    return -1;
  }
  const ssize_t written = write(fd, buffer, count);
  if (written < 0) return -1;
  S().writes.push_back({fd, std::string(static_cast<const char*>(buffer), static_cast<size_t>(written))});
  return static_cast<int>(written);
}

int _close(int fd) {
  Guard guard(S().lock);
  OpenFile* file = FindOpen(false, fd, nullptr);
  if (file == nullptr) {
    errno = EBADF;
    return -1;
  }
  Forget(file);
  return 0;
}
