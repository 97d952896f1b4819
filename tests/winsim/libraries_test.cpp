// winsim's library table: how tests give the program a ddraw.dll with or without the extended
// enumeration, or none, and check that it freed what it loaded; the system libraries of the
// password paths and the input method, present, absent or without their function.
#include <gtest/gtest.h>

#include "platform/win32.h"
#include "winsim/control.h"

namespace {

template <typename Function>
Function As(FARPROC proc) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}
using VerifyProc = BOOL(WINAPI*)(HWND);
using ChangeProc = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, DWORD);
using AssociateProc = HIMC(WINAPI*)(HWND, HIMC);

TEST(WinsimLibrariesTest, DDrawVariantsExportWhatTheirVersionHad) {
  struct Row {
    const char* name;
    winsim::DDrawLibrary library;
    bool loads;
    bool hasEnumerateEx;
  } rows[] = {{"missing", winsim::DDrawLibrary::kMissing, false, false},
              {"DirectX 3", winsim::DDrawLibrary::kDirectX3, true, false},
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

// The program imports nothing from ddraw.dll: DirectDraw is code of the loaded library only.
TEST(WinsimLibrariesDeathTest, DirectDrawNeedsItsLibraryLoadedWhileItIsUsed) {
  winsim::Reset();
  LPDIRECTDRAW dd = nullptr;
  EXPECT_DEATH(DirectDrawCreate(nullptr, &dd, nullptr), "DirectDrawCreate: not modelled: called while ddraw.dll");
  EXPECT_DEATH(DirectDrawEnumerateA(nullptr, nullptr), "DirectDrawEnumerateA: not modelled: called while ddraw.dll");
  HMODULE module = LoadLibraryA("ddraw.dll");
  ASSERT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
  EXPECT_DEATH(FreeLibrary(module), "FreeLibrary: not modelled: ddraw.dll freed while DirectDraw objects");
  dd->Release();
  EXPECT_NE(FreeLibrary(module), FALSE) << "nothing of it left";
}

TEST(WinsimLibrariesTest, SystemLibrariesArePresentAbsentOrWithoutTheirFunction) {
  struct Row {
    const char* library;
    const char* function;
    winsim::LibraryState state;
    bool loads;
    bool exports;
  } rows[] = {{"PASSWORD.CPL", "VerifyScreenSavePwd", winsim::LibraryState::kAbsent, false, false},
              {"PASSWORD.CPL", "VerifyScreenSavePwd", winsim::LibraryState::kWithoutExport, true, false},
              {"PASSWORD.CPL", "VerifyScreenSavePwd", winsim::LibraryState::kPresent, true, true},
              {"MPR.DLL", "PwdChangePasswordA", winsim::LibraryState::kAbsent, false, false},
              {"MPR.DLL", "PwdChangePasswordA", winsim::LibraryState::kPresent, true, true},
              {"IMM32.DLL", "ImmAssociateContext", winsim::LibraryState::kWithoutExport, true, false},
              {"IMM32.DLL", "ImmAssociateContext", winsim::LibraryState::kPresent, true, true}};
  for (const Row& row : rows) {
    winsim::Reset();
    const std::string name = std::string(row.library) + " " + std::to_string(static_cast<int>(row.state));
    HMODULE module = LoadLibraryA(row.library);
    EXPECT_EQ(module, nullptr) << name << ": absent from the start";
    if (std::string(row.library) == "PASSWORD.CPL") winsim::SetPasswordCpl(row.state);
    if (std::string(row.library) == "MPR.DLL") winsim::SetMpr(row.state);
    if (std::string(row.library) == "IMM32.DLL") winsim::SetImm32(row.state, false);
    module = LoadLibraryA(row.library);
    EXPECT_EQ(module != nullptr, row.loads) << name;
    if (module == nullptr) continue;
    EXPECT_EQ(GetProcAddress(module, row.function) != nullptr, row.exports) << name;
    FreeLibrary(module);
  }
}

TEST(WinsimLibrariesTest, PasswordCheckAnswersInOrderWhileTheTestPlaysTheDialog) {
  winsim::Reset();
  std::vector<HWND> asked;
  winsim::SetPasswordCpl(winsim::LibraryState::kPresent, {FALSE, TRUE},
                         [&asked](HWND window) { asked.push_back(window); });
  HMODULE library = LoadLibraryA("password.cpl");
  auto verify = As<VerifyProc>(GetProcAddress(library, "VerifyScreenSavePwd"));
  ASSERT_NE(verify, nullptr);
  HWND window = winsim::CreateTestWindow({0, 0});
  EXPECT_EQ(verify(window), FALSE);
  EXPECT_EQ(verify(window), TRUE);
  EXPECT_EQ(asked, (std::vector<HWND>{window, window})) << "the callback ran inside each check";
  EXPECT_EQ(winsim::VerifyScreenSavePwdCalls(), (std::vector<HWND>{window, window}));
  EXPECT_DEATH(verify(window), "VerifyScreenSavePwd: not modelled: no scripted answer left");
  FreeLibrary(library);
}

TEST(WinsimLibrariesTest, PasswordChangeIsRecorded) {
  winsim::Reset();
  winsim::SetMpr(winsim::LibraryState::kPresent, 5);
  HMODULE library = LoadLibraryA("MPR.DLL");
  auto change = As<ChangeProc>(GetProcAddress(library, "PwdChangePasswordA"));
  ASSERT_NE(change, nullptr);
  HWND owner = winsim::CreateTestWindow({0, 0});
  EXPECT_EQ(change("SCRSAVE", owner, 0, 0), 5u);
  const std::vector<winsim::PwdChangePasswordRecord> calls = winsim::PwdChangePasswordCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].provider, "SCRSAVE");
  EXPECT_EQ(calls[0].window, owner);
  EXPECT_EQ(calls[0].reserved1, 0u);
  EXPECT_EQ(calls[0].reserved2, 0u);
  FreeLibrary(library);
}

TEST(WinsimLibrariesTest, InputMethodIsFoundOnlyWhenLoadedInTheProcess) {
  struct Row {
    const char* name;
    winsim::LibraryState state;
    bool loadedInProcess;
    bool found;
  } rows[] = {{"absent", winsim::LibraryState::kAbsent, false, false},
              {"present, not loaded", winsim::LibraryState::kPresent, false, false},
              {"loaded in the process", winsim::LibraryState::kPresent, true, true}};
  for (const Row& row : rows) {
    winsim::Reset();
    winsim::SetImm32(row.state, row.loadedInProcess);
    EXPECT_EQ(GetModuleHandleA("IMM32.DLL") != nullptr, row.found) << row.name;
  }
  HMODULE imm = GetModuleHandleA("imm32");
  auto associate = As<AssociateProc>(GetProcAddress(imm, "ImmAssociateContext"));
  ASSERT_NE(associate, nullptr) << "no LoadLibraryA needed";
  HWND window = winsim::CreateTestWindow({0, 0});
  const HIMC original = associate(window, nullptr);
  EXPECT_EQ(original, winsim::DefaultInputContext());
  EXPECT_EQ(winsim::InputContextOf(window), nullptr) << "detached";
  EXPECT_EQ(associate(window, original), nullptr) << "answers the context it replaces";
  EXPECT_EQ(winsim::InputContextOf(window), original);
  EXPECT_EQ(associate(reinterpret_cast<HWND>(static_cast<uintptr_t>(0x4321)), original), nullptr) << "no window";
  const std::vector<winsim::ImmAssociateContextRecord> calls = winsim::ImmAssociateContextCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].context, nullptr);
  EXPECT_EQ(calls[0].previous, original);
  EXPECT_EQ(calls[1].context, original);
  EXPECT_EQ(winsim::LoadedLibraryCount("IMM32.DLL"), 0) << "the program loaded nothing";
  EXPECT_DEATH(winsim::SetImm32(winsim::LibraryState::kAbsent, true), "SetImm32: not modelled");
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
