// Windows test program: the user of the real configuration dialog, in its own process. It starts
// "Sarvello.scr /c:<its own window>", finds the dialog by its caption, checks that it is owned by
// that window (disabled while the dialog is up) and shows what the registry holds for the one
// display device (density, highlight percentage, resolution, speed as 100 minus the slider), then
// types 450 and 150 with the keyboard, moves the slider to its left end and presses OK: the dialog
// ends with 1 and the registry holds 400, 100 and "Speed" 100. Then "Sarvello.scr /c": the dialog
// shows the stored values, gets 7, 9 and the slider's right end typed and Cancel pressed: it ends
// with 0 and the registry is unchanged. Keys go through SendInput, as a user's would (a mouse
// click through SendInput can land where an older pointer event put the cursor). Writes
// C:\sarvello\dialog<K>.shown and dialog<K>.typed, each held on screen 1.5 s for a screenshot.
// With --no-devices it plays the user of a system without DirectDraw: both dialogs open with no
// device and no resolution listed, OK ends the first with 1 and Cancel the second with 0.
// Exit code 0 when all of that held, 1 otherwise.
#include "helper_support.h"

#include <commctrl.h>

#include <string>

using helper::Say;

namespace {

// The dialog's controls (template 2003).
constexpr int kDensity = 1006;
constexpr int kHighlight = 1007;
constexpr int kResolution = 1016;
constexpr int kSpeed = 1017;
constexpr int kDevice = 1018;
constexpr int kOk = 1019;
constexpr int kCancel = 1020;

const char kProductKey[] = "Software\\Brenmoor\\Sarvello";

int failures = 0;

void Expect(bool held, const std::string& what) {
  Say("config_driver: %s: %s", what.c_str(), held ? "ok" : "WRONG");
  if (!held) ++failures;
}

struct Stored {
  std::string device;  // the device's sub-key
  DWORD density = 0, highlight = 0, width = 0, height = 0, speed = 0;
};

bool ReadValue(HKEY key, const char* name, DWORD* value) {
  DWORD type = 0;
  DWORD size = sizeof *value;
  return RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
         type == REG_DWORD && size == sizeof *value;
}

// The settings of the one device sub-key there is, and the speed.
bool ReadStored(Stored* stored) {
  HKEY product;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kProductKey, 0, KEY_READ, &product) != ERROR_SUCCESS) return false;
  char name[256] = {};
  DWORD length = sizeof name;
  DWORD subKeys = 0;
  RegQueryInfoKeyA(product, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr);
  bool ok = subKeys == 1 &&
            RegEnumKeyExA(product, 0, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
            ReadValue(product, "Speed", &stored->speed);
  HKEY device;
  if (ok && RegOpenKeyExA(product, name, 0, KEY_READ, &device) == ERROR_SUCCESS) {
    stored->device = name;
    ok = ReadValue(device, "Density", &stored->density) && ReadValue(device, "HighlightDensity", &stored->highlight) &&
         ReadValue(device, "Width", &stored->width) && ReadValue(device, "Height", &stored->height);
    RegCloseKey(device);
  } else {
    ok = false;
  }
  RegCloseKey(product);
  Say("config_driver: registry: %lu device key(s); \"%s\": Density %lu, HighlightDensity %lu, Width %lu, Height %lu; "
      "Speed %lu",
      static_cast<unsigned long>(subKeys), stored->device.c_str(), static_cast<unsigned long>(stored->density),
      static_cast<unsigned long>(stored->highlight), static_cast<unsigned long>(stored->width),
      static_cast<unsigned long>(stored->height), static_cast<unsigned long>(stored->speed));
  return ok;
}

HWND FindDialog(DWORD process, HANDLE saver) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 30000) {
    HWND dialog = FindWindowA("#32770", "Sarvello v1.30");
    if (dialog != nullptr && helper::ProcessOf(dialog) == process && IsWindowVisible(dialog)) return dialog;
    DWORD code = 0;
    if (helper::WaitForExit(saver, 50, &code)) return nullptr;
  }
  return nullptr;
}

void Key(WORD vk) {
  INPUT input[2] = {};
  input[0].type = INPUT_KEYBOARD;
  input[0].ki.wVk = vk;
  input[1] = input[0];
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof(INPUT));
  helper::PumpFor(60);
}

// Gives the dialog the foreground and `control` the keyboard focus, as a click into it would.
void Focus(HWND dialog, int control) {
  SetForegroundWindow(dialog);
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, control)), TRUE);
  helper::PumpFor(100);
}

// Types a number over the whole text of an edit box and waits until the box shows it.
bool Type(HWND dialog, int control, const std::string& digits) {
  Focus(dialog, control);
  HWND edit = GetDlgItem(dialog, control);
  SendMessageA(edit, EM_SETSEL, 0, -1);
  for (char digit : digits) Key(static_cast<WORD>(digit));
  for (int look = 0; look < 40 && helper::TextOf(edit) != digits; ++look) helper::PumpFor(50);
  const std::string shown = helper::TextOf(edit);
  Say("config_driver: typed %s into control %d, which shows \"%s\"", digits.c_str(), control, shown.c_str());
  return shown == digits;
}

// Presses a push button from the keyboard: the focus onto it, then the space bar.
void Press(HWND dialog, int control) {
  Focus(dialog, control);
  Key(VK_SPACE);
  Say("config_driver: pressed control %d", control);
}

std::string ModeText(DWORD width, DWORD height) {
  return std::to_string(width) + "x" + std::to_string(height) + ", 16bit";
}

// The values the dialog shows, against what is stored.
void ExpectShown(HWND dialog, const Stored& stored) {
  const std::string density = helper::TextOf(GetDlgItem(dialog, kDensity));
  const std::string highlight = helper::TextOf(GetDlgItem(dialog, kHighlight));
  const std::string resolution = helper::TextOf(GetDlgItem(dialog, kResolution));
  const std::string device = helper::TextOf(GetDlgItem(dialog, kDevice));
  const LRESULT modes = SendMessageA(GetDlgItem(dialog, kResolution), CB_GETCOUNT, 0, 0);
  const LRESULT slider = SendMessageA(GetDlgItem(dialog, kSpeed), TBM_GETPOS, 0, 0);
  Say("config_driver: the dialog shows device \"%s\", resolution \"%s\" (of %ld), density \"%s\", highlight \"%s\", "
      "slider %ld",
      device.c_str(), resolution.c_str(), static_cast<long>(modes), density.c_str(), highlight.c_str(),
      static_cast<long>(slider));
  Expect(!device.empty(), "a device is shown");
  Expect(density == std::to_string(stored.density), "the density shown is the stored one");
  Expect(highlight == std::to_string(stored.highlight), "the highlight percentage shown is the stored one");
  Expect(resolution == ModeText(stored.width, stored.height), "the resolution shown is the stored one");
  Expect(modes > 1, "the resolution list holds the device's modes");
  Expect(slider == 100 - static_cast<LRESULT>(stored.speed), "the slider stands at 100 minus the stored speed");
}

struct Session {
  helper::Started saver;
  HWND dialog = nullptr;
};

bool Open(int number, const std::string& arguments, Session* session) {
  session->saver = helper::StartSaver(arguments);
  if (session->saver.process == nullptr) return false;
  session->dialog = FindDialog(session->saver.id, session->saver.process);
  if (session->dialog == nullptr) {
    Say("config_driver: no dialog \"Sarvello v1.30\" from Sarvello.scr %s", arguments.c_str());
    helper::EndProcess(&session->saver);
    ++failures;
    return false;
  }
  RECT area = {};
  GetWindowRect(session->dialog, &area);
  Say("config_driver: dialog %d at %ld,%ld, %ldx%ld", number, area.left, area.top, area.right - area.left,
      area.bottom - area.top);
  return true;
}

// Holds the dialog on screen while the test takes its screenshot.
void Show(const std::string& marker) {
  helper::WriteFileText("C:\\sarvello\\" + marker, marker + "\r\n");
  helper::PumpFor(1500);
}

long Close(Session* session, int button) {
  Press(session->dialog, button);
  DWORD code = 0;
  const bool ended = helper::WaitForExit(session->saver.process, 15000, &code);
  if (!ended) Say("config_driver: the dialog did not end within 15 s");
  helper::EndProcess(&session->saver);
  const long result = ended ? static_cast<long>(static_cast<int32_t>(code)) : -999;
  Say("config_driver: Sarvello.scr exited %ld", result);
  return result;
}

// The dialog of a system without DirectDraw: no device and no display mode to choose.
void ExpectEmpty(HWND dialog) {
  const LRESULT devices = SendMessageA(GetDlgItem(dialog, kDevice), CB_GETCOUNT, 0, 0);
  const LRESULT modes = SendMessageA(GetDlgItem(dialog, kResolution), CB_GETCOUNT, 0, 0);
  Say("config_driver: the dialog lists %ld device(s) and %ld mode(s)", static_cast<long>(devices),
      static_cast<long>(modes));
  Expect(devices == 0 && modes == 0, "no device and no mode are listed");
}

int NoDevices(HWND owner) {
  Session first;
  if (!Open(1, "/c:" + helper::HandleText(owner), &first)) return 1;
  ExpectEmpty(first.dialog);
  Show("dialog1.shown");
  Expect(Close(&first, kOk) == 1, "OK ends the dialog with 1");
  Session second;
  if (!Open(2, "/c", &second)) return 1;
  ExpectEmpty(second.dialog);
  Expect(Close(&second, kCancel) == 0, "Cancel ends the dialog with 0");
  DestroyWindow(owner);
  Say("config_driver: %s", failures == 0 ? "ok" : "FAILED");
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = "SarvelloConfigOwner";
  RegisterClassA(&windowClass);
  HWND owner = CreateWindowExA(0, windowClass.lpszClassName, "Display Properties", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                               40, 480, 420, nullptr, nullptr, instance, nullptr);
  SetForegroundWindow(owner);
  helper::PumpFor(300);
  if (argc > 1 && std::string(argv[1]) == "--no-devices") return NoDevices(owner);

  Stored before;
  if (!ReadStored(&before)) {
    Say("config_driver: the registry does not hold one device's settings and the speed");
    return 1;
  }

  // The first dialog, owned by this program's window: 450 and 150 typed, the slider to its left
  // end, OK.
  Session first;
  if (!Open(1, "/c:" + helper::HandleText(owner), &first)) return 1;
  Expect(GetWindow(first.dialog, GW_OWNER) == owner, "the /c: dialog is owned by the window named");
  Expect(!IsWindowEnabled(owner), "its owner is disabled while the dialog is up");
  ExpectShown(first.dialog, before);
  Show("dialog1.shown");
  Expect(Type(first.dialog, kDensity, "450"), "450 typed as the density");
  Expect(Type(first.dialog, kHighlight, "150"), "150 typed as the highlight percentage");
  Focus(first.dialog, kSpeed);
  Key(VK_HOME);
  Expect(SendMessageA(GetDlgItem(first.dialog, kSpeed), TBM_GETPOS, 0, 0) == 0, "Home moves the slider to 0");
  Show("dialog1.typed");
  Expect(Close(&first, kOk) == 1, "OK ends the dialog with 1");
  helper::PumpFor(200);
  Expect(IsWindowEnabled(owner) != FALSE, "the owner is enabled again");
  Stored afterOk;
  Expect(ReadStored(&afterOk), "the settings are readable after OK");
  Expect(afterOk.density == 400 && afterOk.highlight == 100, "450 and 150 are stored as 400 and 100");
  Expect(afterOk.speed == 100, "the slider's left end is stored as Speed 100");
  Expect(afterOk.width == before.width && afterOk.height == before.height, "the resolution is stored unchanged");

  // The second dialog, with no owner named: the stored values shown, others typed, Cancel.
  Session second;
  if (!Open(2, "/c", &second)) return 1;
  ExpectShown(second.dialog, afterOk);
  Show("dialog2.shown");
  Expect(Type(second.dialog, kDensity, "7"), "7 typed as the density");
  Expect(Type(second.dialog, kHighlight, "9"), "9 typed as the highlight percentage");
  Focus(second.dialog, kSpeed);
  Key(VK_END);
  Expect(SendMessageA(GetDlgItem(second.dialog, kSpeed), TBM_GETPOS, 0, 0) == 100, "End moves the slider to 100");
  Expect(Close(&second, kCancel) == 0, "Cancel ends the dialog with 0");
  Stored afterCancel;
  Expect(ReadStored(&afterCancel), "the settings are readable after Cancel");
  Expect(afterCancel.density == 400 && afterCancel.highlight == 100 && afterCancel.speed == 100 &&
             afterCancel.width == before.width && afterCancel.height == before.height,
         "Cancel stores nothing");

  DestroyWindow(owner);
  Say("config_driver: %s", failures == 0 ? "ok" : "FAILED");
  return failures == 0 ? 0 : 1;
}
