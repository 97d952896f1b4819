// The password verifier: found through the desktop's "ScreenSaveUsePassword" setting and loaded
// from the system's PASSWORD.CPL, on the 95/98 family only.
#include "frame/password.h"

#include "frame/frame_state.h"
#include "platform/proc_address.h"

void LoadPasswordVerifier() {
  if (IsWin9x == 0) return;
  if (PasswordLibrary != nullptr) UnloadPasswordVerifier();
  HKEY desktop = nullptr;
  if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &desktop) != ERROR_SUCCESS) return;
  DWORD usePassword = 0;
  DWORD size = sizeof usePassword;
  if (RegQueryValueExA(desktop, "ScreenSaveUsePassword", nullptr, nullptr, reinterpret_cast<BYTE*>(&usePassword),
                       &size) == ERROR_SUCCESS &&
      usePassword != 0) {
    PasswordLibrary = LoadLibraryA("PASSWORD.CPL");
    if (PasswordLibrary != nullptr) {
      PasswordVerifier = ProcAddress<VerifyScreenSavePwdProc>(PasswordLibrary, "VerifyScreenSavePwd");
      if (PasswordVerifier != nullptr) {
        SetSaverRunning(true);
      } else {
        UnloadPasswordVerifier();
      }
    }
  }
  RegCloseKey(desktop);
}

void UnloadPasswordVerifier() {
  if (IsWin9x == 0 || PasswordLibrary == nullptr) return;
  FreeLibrary(PasswordLibrary);
  PasswordLibrary = nullptr;
  if (PasswordVerifier != nullptr) {
    PasswordVerifier = nullptr;
    SetSaverRunning(false);
  }
}

void SetSaverRunning(bool on) {
  if (IsWin9x == 0) return;
  UINT previous = 0;  // the system reports its earlier state here; not needed
  SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, on ? 1 : 0, &previous, 0);
}
