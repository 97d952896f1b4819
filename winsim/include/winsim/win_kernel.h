// winsim: kernel32 services — errors, the clock and Sleep, the Windows directory, files, threads,
// resources, critical sections, thread-local slots.
#pragma once

#include "winsim/win_types.h"

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_NORMAL 0x00000080u

typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD error);

// The system's millisecond clock and the pause of the calling thread (winsim/clock_control.h).
DWORD WINAPI GetTickCount();
void WINAPI Sleep(DWORD ms);

UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size);

HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                          DWORD attributes, HANDLE templateFile);
// Writes at the handle's position, which a new handle has at the start of the file. The count of
// bytes written must be asked for (the systems before Windows 7 require it) and there is no
// overlapped writing.
typedef struct _OVERLAPPED OVERLAPPED, *LPOVERLAPPED;
BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written, LPOVERLAPPED overlapped);
// Closes a file handle or a thread's handle (the thread runs on).
BOOL WINAPI CloseHandle(HANDLE handle);

// Threads: default security and stack, started at once. The 95/98 family refuses a null place for
// the thread's identifier (NT accepts it). A started thread ends by returning or by ExitThread.
typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID parameter);
HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                           LPVOID argument, DWORD flags, LPDWORD threadId);
[[noreturn]] void WINAPI ExitThread(DWORD exitCode);

#define RT_ICON MAKEINTRESOURCEA(3)
#define RT_DIALOG MAKEINTRESOURCEA(5)
#define RT_GROUP_ICON MAKEINTRESOURCEA(14)

HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource);
LPVOID WINAPI LockResource(HGLOBAL data);
DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource);

// The real structure is opaque to the program; winsim keeps its lock behind one pointer.
typedef struct _RTL_CRITICAL_SECTION {
  void* lock;
  LONG recursion;
} CRITICAL_SECTION, *LPCRITICAL_SECTION;

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section);
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section);
BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION section);
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section);
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section);

// Thread-local slots: process-wide indices, each thread with its own value, 0 until it sets one.
// As on the platform, at least TLS_MINIMUM_AVAILABLE exist; they live as long as the process.
#define TLS_MINIMUM_AVAILABLE 64
#define TLS_OUT_OF_INDEXES 0xFFFFFFFFu
DWORD WINAPI TlsAlloc();
LPVOID WINAPI TlsGetValue(DWORD index);
BOOL WINAPI TlsSetValue(DWORD index, LPVOID value);

// Libraries loaded at run time: winsim keeps a table of the system libraries the program looks up
// (see winsim/control.h); a library that is absent fails with ERROR_MOD_NOT_FOUND.
typedef INT_PTR(WINAPI* FARPROC)();
HMODULE WINAPI LoadLibraryA(LPCSTR name);
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name);
BOOL WINAPI FreeLibrary(HMODULE module);
