// winsim's library table: how tests give the program a ddraw.dll with or without the extended
// enumeration, or none, and check that it freed what it loaded.
#include <gtest/gtest.h>

#include "platform/win32.h"
#include "winsim/control.h"

namespace {

TEST(WinsimLibrariesTest, DDrawVariantsExportWhatTheirVersionHad) {
  struct Row {
    const char* name;
    winsim::DDrawLibrary library;
    bool loads;
    bool hasEnumerateEx;
  } rows[] = {{"missing", winsim::DDrawLibrary::kMissing, false, false},
              {"without Ex", winsim::DDrawLibrary::kWithoutEnumerateEx, true, false},
              {"complete", winsim::DDrawLibrary::kComplete, true, true}};
  for (const Row& row : rows) {
    winsim::Reset();
    winsim::SetDDrawLibrary(row.library);
    SetLastError(0);
    HMODULE module = LoadLibraryA("DDRAW.DLL");
    EXPECT_EQ(module != nullptr, row.loads) << row.name;
    if (module == nullptr) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND)) << row.name;
      continue;
    }
    EXPECT_NE(GetProcAddress(module, "DirectDrawCreate"), nullptr) << row.name;
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(module, "DirectDrawEnumerateExA") != nullptr, row.hasEnumerateEx) << row.name;
    if (!row.hasEnumerateEx) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND)) << row.name;
    }
    EXPECT_NE(FreeLibrary(module), FALSE) << row.name;
  }
}

TEST(WinsimLibrariesTest, ExportedEnumerationIsWinsims) {
  winsim::Reset();
  winsim::SetDesktop(winsim::TwoMonitorDesktop());
  HMODULE module = LoadLibraryA("ddraw");
  ASSERT_NE(module, nullptr) << "a name without extension means .DLL";
  FARPROC proc = GetProcAddress(module, "DirectDrawEnumerateExA");
  auto enumerate = reinterpret_cast<LPDIRECTDRAWENUMERATEEXA>(reinterpret_cast<void (*)()>(proc));
  int devices = 0;
  auto count = [](GUID*, LPSTR, LPSTR, LPVOID context, HMONITOR) -> BOOL {
    ++*static_cast<int*>(context);
    return TRUE;
  };
  EXPECT_EQ(enumerate(count, &devices, DDENUM_ATTACHEDSECONDARYDEVICES), DD_OK);
  EXPECT_EQ(devices, 3) << "the primary driver and the two monitors";
  FreeLibrary(module);
}

TEST(WinsimLibrariesTest, CountsLoadsMinusFrees) {
  winsim::Reset();
  HMODULE first = LoadLibraryA("ddraw.dll");
  HMODULE second = LoadLibraryA("DDraw.Dll");
  EXPECT_EQ(first, second) << "one module, however the name is spelt";
  EXPECT_EQ(winsim::LoadedLibraryCount("ddraw.dll"), 2);
  EXPECT_NE(FreeLibrary(first), FALSE);
  EXPECT_NE(FreeLibrary(second), FALSE);
  EXPECT_EQ(winsim::LoadedLibraryCount("DDRAW.DLL"), 0);
  SetLastError(0);
  EXPECT_EQ(FreeLibrary(first), FALSE) << "freed once too often";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(GetProcAddress(first, "DirectDrawCreate"), nullptr) << "a freed module has no exports";
}

TEST(WinsimLibrariesTest, ScriptedLibrariesAnswerAsSet) {
  winsim::Reset();
  auto verify = [](HWND, LPCSTR) -> INT_PTR { return 1; };
  winsim::SetLibrary("PASSWORD.CPL", true,
                     {{"VerifyScreenSavePwd", reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(+verify))}});
  winsim::SetLibrary("MPR.DLL", false);
  struct Row {
    const char* name;
    bool loads;
  } rows[] = {{"password.cpl", true}, {"mpr.dll", false}, {"imm32.dll", false}};
  for (const Row& row : rows) {
    SetLastError(0);
    HMODULE module = LoadLibraryA(row.name);
    EXPECT_EQ(module != nullptr, row.loads) << row.name;
    if (!row.loads) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND)) << row.name;
    }
    if (module != nullptr) FreeLibrary(module);
  }
  HMODULE password = LoadLibraryA("PASSWORD.CPL");
  EXPECT_NE(GetProcAddress(password, "VerifyScreenSavePwd"), nullptr);
  EXPECT_EQ(GetProcAddress(password, "verifyscreensavepwd"), nullptr) << "export names are case-sensitive";
  FreeLibrary(password);
  winsim::RemoveLibrary("password.cpl");
  EXPECT_EQ(LoadLibraryA("PASSWORD.CPL"), nullptr);
  winsim::Reset();
  EXPECT_EQ(winsim::LoadedLibraryCount("ddraw.dll"), 0);
}

}  // namespace
