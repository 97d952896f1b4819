// winsim: the process's top-level exception filter and the platform's unhandled-exception
// filter, through which a fault that nothing handled is decided.
#pragma once

#include "winsim/win_types.h"

#define EXCEPTION_EXECUTE_HANDLER 1
#define EXCEPTION_CONTINUE_SEARCH 0
#define EXCEPTION_CONTINUE_EXECUTION (-1)
#define EXCEPTION_ACCESS_VIOLATION ((DWORD)0xC0000005L)

typedef struct _EXCEPTION_RECORD {
  DWORD ExceptionCode;
  DWORD ExceptionFlags;
  struct _EXCEPTION_RECORD* ExceptionRecord;
  LPVOID ExceptionAddress;
} EXCEPTION_RECORD, *PEXCEPTION_RECORD;

// The processor state is not modelled.
typedef struct _CONTEXT CONTEXT, *PCONTEXT;

typedef struct _EXCEPTION_POINTERS {
  PEXCEPTION_RECORD ExceptionRecord;
  PCONTEXT ContextRecord;
} EXCEPTION_POINTERS, *PEXCEPTION_POINTERS;

typedef LONG(WINAPI* PTOP_LEVEL_EXCEPTION_FILTER)(struct _EXCEPTION_POINTERS* exceptionInfo);
typedef PTOP_LEVEL_EXCEPTION_FILTER LPTOP_LEVEL_EXCEPTION_FILTER;

// Installs the filter the platform calls for a fault nothing handled; answers the previous one.
LPTOP_LEVEL_EXCEPTION_FILTER WINAPI SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter);
// The platform's decision on an unhandled fault: it asks the top-level filter first; when that
// lets the search go on, the decision is the one a test scripted (winsim/control.h).
LONG WINAPI UnhandledExceptionFilter(struct _EXCEPTION_POINTERS* exceptionInfo);
