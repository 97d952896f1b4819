// The entry, the dispatch on the command-line switch, and the run modes that need no saver window
// procedure of their own: RunSaver's class, window and message loop, the dialog, the password
// change.
#include "frame/run_modes.h"

#include "frame/frame_state.h"
#include "frame/password.h"
#include "frame/saver_window.h"
#include "platform/proc_address.h"
#include "resource.h"
#include "settings/config_dialog.h"

namespace {

constexpr const char* kClassName = "WindowsScreenSaverClass";
constexpr const char* kFullScreenTitle = "Screen Saver";
constexpr const char* kPreviewTitle = "Preview";

const char* SkipBlanks(const char* text) {
  while (*text == ' ') ++text;
  return text;
}

// The owner named by `text`, or the foreground window when it names none that exists.
HWND OwnerOrForeground(const char* text) {
  HWND owner = ParseWindowHandle(text);
  if (owner == nullptr || !IsWindow(owner)) owner = GetForegroundWindow();
  return owner;
}

// A fault that escapes a run mode reaches the platform's unhandled-exception filter first; when it
// lets the program handle the fault, the system must not believe a saver still runs (on the 95/98
// family that would leave the task switch keys disabled).
bool InFaultGuard = false;

LONG WINAPI FaultGuard(EXCEPTION_POINTERS* fault) {
  // The platform's filter calls the process's top-level filter, which is this one: let it go on
  // with its own handling then.
  if (InFaultGuard) return EXCEPTION_CONTINUE_SEARCH;
  InFaultGuard = true;
  const LONG decision = UnhandledExceptionFilter(fault);
  InFaultGuard = false;
  if (decision == EXCEPTION_EXECUTE_HANDLER) {
    SetSaverRunning(false);
    ExitProcess(static_cast<UINT>(kFaultExitCode));
  }
  return decision;
}

int32_t Dispatch(const char* text) {
  while (*text == ' ' || *text == '-' || *text == '/') ++text;
  switch (*text) {
    case '\0': return ShowConfiguration(nullptr);
    case 'S':
    case 's': return RunSaver(nullptr);
    case 'P':
    case 'p':
    case 'L':
    case 'l': {
      HWND parent = ParseWindowHandle(SkipBlanks(text + 1));
      if (parent == nullptr || !IsWindow(parent)) return -1;
      return RunSaver(parent);
    }
    case 'C':
    case 'c': {
      HWND owner = text[1] == ':' ? OwnerOrForeground(text + 2) : GetForegroundWindow();
      return ShowConfiguration(owner);
    }
    case 'A':
    case 'a':
      if (IsWin9x == 0) return -1;
      ChangePassword(OwnerOrForeground(SkipBlanks(text + 1)));
      return 0;
    default: return -1;
  }
}

}  // namespace

void SaverMain() {
  const char* text = GetCommandLineA();
  if (*text == '"') {
    text = CharNextA(text);
    while (*text != '\0' && *text != '"') text = CharNextA(text);
    if (*text == '"') text = CharNextA(text);
  } else {
    while (static_cast<unsigned char>(*text) > 32) ++text;
  }
  while (*text != '\0' && static_cast<unsigned char>(*text) <= 32) ++text;
  ExitProcess(static_cast<UINT>(DispatchRunMode(GetModuleHandleA(nullptr), text)));
}

int32_t DispatchRunMode(HINSTANCE module, const char* text) {
  Module = module;
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  IsWin9x = GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? 1 : 0;
  SetUnhandledExceptionFilter(FaultGuard);
  return Dispatch(text);
}

HWND ParseWindowHandle(const char* text) {
  uint32_t value = 0;
  while (*text >= '0' && *text <= '9') {
    value = value * 10u + static_cast<uint32_t>(*text - '0');
    ++text;
  }
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(value));
}

int32_t RunSaver(HWND parent) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
  windowClass.lpfnWndProc = SaverWindowProc;
  windowClass.hInstance = Module;
  windowClass.hIcon = LoadIconA(Module, MAKEINTRESOURCEA(IDI_SARVELLO));
  windowClass.hCursor = nullptr;
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = kClassName;

  DWORD exStyle = 0;
  DWORD style = 0;
  const char* title = nullptr;
  RECT area = {0, 0, 0, 0};
  if (parent != nullptr) {
    GetClientRect(parent, &area);
    area.left = 0;
    area.top = 0;
    style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
    title = kPreviewTitle;
    IsPreview = 1;
  } else {
    HDC desktop = GetDC(nullptr);
    GetClipBox(desktop, &area);
    ReleaseDC(nullptr, desktop);
    exStyle = WS_EX_TOPMOST;
    style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    title = kFullScreenTitle;
    HWND running = FindWindowA(kClassName, kFullScreenTitle);
    if (running != nullptr && IsWindow(running)) {
      SetForegroundWindow(running);
      return 0;
    }
    LoadPasswordVerifier();
  }
  AutoPlayMessage = IsWin9x != 0 ? RegisterWindowMessageA("QueryCancelAutoPlay") : 0;

  if (RegisterClassA(&windowClass) != 0) {
    SaverWindow = CreateWindowExA(exStyle, kClassName, title, style, area.left, area.top, area.right - area.left,
                                  area.bottom - area.top, parent, nullptr, Module, nullptr);
  }
  int32_t result = kNoWindowExitCode;
  if (SaverWindow != nullptr) {
    if (parent == nullptr) SetForegroundWindow(SaverWindow);
    MSG message = {};
    // -1 reports a broken loop rather than a message; the run ends then as after the quit message.
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    result = static_cast<int32_t>(message.wParam);
  }
  UnloadPasswordVerifier();
  return result;
}

int32_t ShowConfiguration(HWND owner) {
  InitCommonControls();
  return static_cast<int32_t>(DialogBoxParamA(Module, MAKEINTRESOURCEA(IDD_CONFIG), owner, ConfigDialogProc, 0));
}

void ChangePassword(HWND owner) {
  HMODULE library = LoadLibraryA("MPR.DLL");
  if (library == nullptr) return;
  using PwdChangePasswordProc = DWORD(WINAPI*)(LPCSTR provider, HWND window, DWORD reserved1, DWORD reserved2);
  auto change = ProcAddress<PwdChangePasswordProc>(library, "PwdChangePasswordA");
  if (change != nullptr) change("SCRSAVE", owner, 0, 0);
  FreeLibrary(library);
}
