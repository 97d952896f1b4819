// Test stand-in for the system's PASSWORD.CPL on the 95/98 family, built as PASSWORD.CPL and placed
// beside Sarvello.scr. Like the system's, VerifyScreenSavePwd shows a modal password dialog owned
// by the saver's window (it takes the activation from the saver and gives it back); this one
// closes itself after 400 ms with the answer from password_answers.txt beside the library: the
// N-th line ("accept" or "refuse") answers the N-th call, and "refuse" is the answer once the lines
// run out. Every call, and the library's loading and unloading, is noted with the saver-running
// state the system reports (SPI_GETSCREENSAVERRUNNING) in C:\sarvello\password_calls.txt.
#include <windows.h>

#include <string>

namespace {

const char kRecord[] = "C:\\sarvello\\password_calls.txt";

HMODULE self = nullptr;
int calls = 0;

void Note(const std::string& line) {
  HANDLE file = CreateFileA(kRecord, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

std::string SaverRunning() {
  BOOL running = FALSE;
  if (!SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0)) return "unknown";
  return running ? "1" : "0";
}

// The N-th line (1-based) of password_answers.txt beside this library, or "refuse".
std::string Answer(int call) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(self, path, MAX_PATH);
  std::string name = path;
  name = name.substr(0, name.find_last_of("\\/") + 1) + "password_answers.txt";
  HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "refuse";
  char buffer[1024] = {};
  DWORD read = 0;
  ReadFile(file, buffer, sizeof buffer - 1, &read, nullptr);
  CloseHandle(file);
  std::string text(buffer, read);
  size_t start = 0;
  for (int line = 1; start < text.size(); ++line) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string word = text.substr(start, end - start);
    while (!word.empty() && (word.back() == '\r' || word.back() == ' ')) word.pop_back();
    if (line == call) return word == "accept" ? "accept" : "refuse";
    start = end + 1;
  }
  return "refuse";
}

constexpr UINT kAnswerDelayMs = 400;

INT_PTR CALLBACK PasswordDialogProc(HWND dialog, UINT message, WPARAM, LPARAM parameter) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, parameter);
    SetTimer(dialog, 1, kAnswerDelayMs, nullptr);
    return TRUE;
  }
  if (message == WM_TIMER) {
    KillTimer(dialog, 1);
    EndDialog(dialog, GetWindowLongPtrA(dialog, DWLP_USER));
    return TRUE;
  }
  return FALSE;
}

// A captioned modal dialog without controls, built in memory: the template, no menu, the default
// class, then the caption.
INT_PTR ShowPasswordDialog(HWND owner, BOOL answer) {
  alignas(4) WORD buffer[64] = {};
  auto* dialog = reinterpret_cast<DLGTEMPLATE*>(buffer);
  dialog->style = WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_MODALFRAME | DS_CENTER | DS_SETFOREGROUND;
  dialog->cdit = 0;
  dialog->cx = 160;
  dialog->cy = 40;
  WORD* after = reinterpret_cast<WORD*>(dialog + 1);
  *after++ = 0;  // no menu
  *after++ = 0;  // the default dialog class
  const wchar_t caption[] = L"Windows Screen Saver";
  for (wchar_t c : caption) *after++ = static_cast<WORD>(c);
  return DialogBoxIndirectParamA(self, dialog, owner, PasswordDialogProc, answer);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    self = instance;
    Note("loaded: screen saver running " + SaverRunning());
  } else if (reason == DLL_PROCESS_DETACH) {
    Note("unloaded after " + std::to_string(calls) + " call(s): screen saver running " + SaverRunning());
  }
  return TRUE;
}

extern "C" __attribute__((dllexport)) BOOL WINAPI VerifyScreenSavePwd(HWND window) {
  ++calls;
  char className[256] = {};
  GetClassNameA(window, className, sizeof className);
  const std::string running = SaverRunning();
  const BOOL answer = Answer(calls) == "accept" ? TRUE : FALSE;
  const INT_PTR shown = ShowPasswordDialog(window, answer);
  Note("call " + std::to_string(calls) + ": window of class " + className + ", screen saver running " + running +
       ", password dialog " + (shown == answer ? "shown" : "NOT shown") + ", " + (answer ? "accepted" : "refused"));
  return answer;
}
