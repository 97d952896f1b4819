/* Reads what --reg-add put in HKCU\Software\Brenmoor\SelfTest and answers under its subkey Out,
 * for the harness's selftest: Out\Twice = 2 * Width (REG_DWORD), Out\Echo = Caption (REG_SZ).
 * Prints what it read. Exit code 0, or 4 when the key or a value is missing. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

int main(void) {
  HKEY key, out;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Brenmoor\\SelfTest", 0, KEY_READ, &key) != ERROR_SUCCESS) {
    printf("no key\n");
    return 4;
  }
  DWORD width = 0, size = sizeof width, type = 0;
  char caption[256] = {0};
  if (RegQueryValueExA(key, "Width", NULL, &type, (BYTE *)&width, &size) != ERROR_SUCCESS || type != REG_DWORD) {
    printf("no Width\n");
    return 4;
  }
  size = sizeof caption - 1;
  if (RegQueryValueExA(key, "Caption", NULL, &type, (BYTE *)caption, &size) != ERROR_SUCCESS || type != REG_SZ) {
    printf("no Caption\n");
    return 4;
  }
  printf("Width=%lu Caption=%s\n", (unsigned long)width, caption);
  if (RegCreateKeyExA(key, "Out", 0, NULL, 0, KEY_WRITE, NULL, &out, NULL) != ERROR_SUCCESS) return 5;
  DWORD twice = 2 * width;
  RegSetValueExA(out, "Twice", 0, REG_DWORD, (const BYTE *)&twice, sizeof twice);
  RegSetValueExA(out, "Echo", 0, REG_SZ, (const BYTE *)caption, (DWORD)strlen(caption) + 1);
  RegCloseKey(out);
  RegCloseKey(key);
  return 0;
}
