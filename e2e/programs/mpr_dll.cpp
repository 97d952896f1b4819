// Test stand-in for the system's MPR.DLL on the 95/98 family, built as MPR.DLL and placed beside
// Sarvello.scr: PwdChangePasswordA notes its arguments in C:\sarvello\mpr_calls.txt and reports
// success.
#include <windows.h>

#include <string>

extern "C" __attribute__((dllexport)) DWORD WINAPI PwdChangePasswordA(LPCSTR provider, HWND window, DWORD reserved1,
                                                                      DWORD reserved2) {
  const std::string line = std::string("PwdChangePasswordA provider \"") + (provider != nullptr ? provider : "(none)") +
                           "\" window " +
                           std::to_string(static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window))) +
                           (IsWindow(window) ? " (a window)" : " (no window)") + " reserved " +
                           std::to_string(reserved1) + " " + std::to_string(reserved2) + "\r\n";
  HANDLE file = CreateFileA("C:\\sarvello\\mpr_calls.txt", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
  }
  return 0;
}
