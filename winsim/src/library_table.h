// winsim internals: what the rest of winsim asks of the table of libraries loaded at run time.
#pragma once

#include <string>

#include "windows.h"

namespace winsim::detail {

// The handle of a library that is loaded in the process (by LoadLibraryA, or from its start);
// null when it is not.
HMODULE LoadedModule(const std::string& name);
// Marks a present library as loaded in the process from its start (GetModuleHandleA finds it).
void SetLoadedFromStart(const std::string& name, bool loaded);
// Stops loudly unless ddraw.dll is loaded in the process: its entry points are reached only through
// the loaded library (the program imports none of them), so a call without it is a call into a
// library the process does not hold.
void RequireDDrawLoaded(const char* call);
// PASSWORD.CPL, MPR.DLL and IMM32.DLL absent, their records and scripts cleared.
void ResetSystemLibraries();

}  // namespace winsim::detail
