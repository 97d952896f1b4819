// winsim: the optional system libraries the program looks up — PASSWORD.CPL's password check,
// MPR.DLL's password change and IMM32.DLL's input contexts — scripted and recorded.
#include <map>
#include <mutex>

#include "library_table.h"
#include "windows.h"
#include "winsim/control.h"

namespace {
using winsim::LibraryState;
using winsim::Unmodelled;

struct SystemLibraries {
  std::mutex lock;  // never held while a test's callback runs
  std::vector<BOOL> verifyAnswers;
  std::function<void(HWND)> whileAsking;
  std::vector<HWND> verifyCalls;
  DWORD changeResult = 0;
  std::vector<winsim::PwdChangePasswordRecord> changeCalls;
  std::map<HWND, HIMC> inputContexts;  // windows whose context was changed
  std::vector<winsim::ImmAssociateContextRecord> immCalls;
};

SystemLibraries& L() {
  static auto* libraries = new SystemLibraries;  // never destroyed, like the rest of winsim's state
  return *libraries;
}

const HIMC kDefaultInputContext = reinterpret_cast<HIMC>(static_cast<uintptr_t>(0x000A0C01));

template <typename Function>
FARPROC AsFarProc(Function function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

// Puts the library in the table with its one export, without it, or not at all.
void Install(const char* name, LibraryState state, const char* exportName, FARPROC function) {
  std::map<std::string, FARPROC> exports;
  if (state == LibraryState::kPresent) exports[exportName] = function;
  winsim::SetLibrary(name, state != LibraryState::kAbsent, exports);
}

// The password dialog: the test's callback plays what happens while it is up, then the next
// scripted answer says whether the password was right.
BOOL WINAPI VerifyScreenSavePwd(HWND window) {
  std::function<void(HWND)> whileAsking;
  {
    std::lock_guard<std::mutex> guard(L().lock);
    L().verifyCalls.push_back(window);
    whileAsking = L().whileAsking;
  }
  if (whileAsking) whileAsking(window);
  std::lock_guard<std::mutex> guard(L().lock);
  if (L().verifyAnswers.empty()) Unmodelled("VerifyScreenSavePwd", "no scripted answer left");
  const BOOL answer = L().verifyAnswers.front();
  L().verifyAnswers.erase(L().verifyAnswers.begin());
  return answer;
}

DWORD WINAPI PwdChangePasswordA(LPCSTR provider, HWND window, DWORD reserved1, DWORD reserved2) {
  std::lock_guard<std::mutex> guard(L().lock);
  L().changeCalls.push_back({provider != nullptr ? provider : "", window, reserved1, reserved2});
  return L().changeResult;
}

// Every window starts with the thread's default input context; the answer is the context the
// window had before.
HIMC WINAPI ImmAssociateContext(HWND window, HIMC context) {
  if (!IsWindow(window)) return nullptr;
  std::lock_guard<std::mutex> guard(L().lock);
  const auto found = L().inputContexts.find(window);
  const HIMC previous = found != L().inputContexts.end() ? found->second : kDefaultInputContext;
  L().inputContexts[window] = context;
  L().immCalls.push_back({window, context, previous});
  return previous;
}

}  // namespace

namespace winsim {

void SetPasswordCpl(LibraryState state, std::vector<BOOL> answers, std::function<void(HWND)> whileAsking) {
  Install("PASSWORD.CPL", state, "VerifyScreenSavePwd", AsFarProc(&VerifyScreenSavePwd));
  std::lock_guard<std::mutex> guard(L().lock);
  L().verifyAnswers = std::move(answers);
  L().whileAsking = std::move(whileAsking);
}

std::vector<HWND> VerifyScreenSavePwdCalls() {
  std::lock_guard<std::mutex> guard(L().lock);
  return L().verifyCalls;
}

void SetMpr(LibraryState state, DWORD result) {
  Install("MPR.DLL", state, "PwdChangePasswordA", AsFarProc(&PwdChangePasswordA));
  std::lock_guard<std::mutex> guard(L().lock);
  L().changeResult = result;
}

std::vector<PwdChangePasswordRecord> PwdChangePasswordCalls() {
  std::lock_guard<std::mutex> guard(L().lock);
  return L().changeCalls;
}

void SetImm32(LibraryState state, bool loadedInProcess) {
  if (state == LibraryState::kAbsent && loadedInProcess)
    Unmodelled("SetImm32", "an absent library loaded in the process");
  Install("IMM32.DLL", state, "ImmAssociateContext", AsFarProc(&ImmAssociateContext));
  if (state != LibraryState::kAbsent) detail::SetLoadedFromStart("IMM32.DLL", loadedInProcess);
}

std::vector<ImmAssociateContextRecord> ImmAssociateContextCalls() {
  std::lock_guard<std::mutex> guard(L().lock);
  return L().immCalls;
}

HIMC DefaultInputContext() { return kDefaultInputContext; }

HIMC InputContextOf(HWND window) {
  std::lock_guard<std::mutex> guard(L().lock);
  const auto found = L().inputContexts.find(window);
  return found != L().inputContexts.end() ? found->second : kDefaultInputContext;
}

namespace detail {
void ResetSystemLibraries() {
  std::lock_guard<std::mutex> guard(L().lock);
  L().verifyAnswers.clear();
  L().whileAsking = nullptr;
  L().verifyCalls.clear();
  L().changeResult = 0;
  L().changeCalls.clear();
  L().inputContexts.clear();
  L().immCalls.clear();
}
}  // namespace detail

}  // namespace winsim
