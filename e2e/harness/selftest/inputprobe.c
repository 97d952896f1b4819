/* A window over the whole desktop that reports the input it gets, for the harness's selftest.
 * Prints "key 0xVK", "move X Y", "button N X Y" on stdout as they come. Inside (100,100)-(499,399)
 * it draws green stripes on black, shifted by each key, so that pictures before and after a key
 * differ; the rest stays black. Writes C:\windows\inputprobe.ready once the window is shown. Ends
 * with exit code 0 on Escape, 3 after 30 s. */
#include <windows.h>
#include <stdio.h>

static int g_keys;

static void paint(HWND w) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(w, &ps);
  RECT all;
  GetClientRect(w, &all);
  FillRect(dc, &all, (HBRUSH)GetStockObject(BLACK_BRUSH));
  HBRUSH green = CreateSolidBrush(RGB(40, 255, 40));
  for (int x = 100 + (g_keys % 2) * 8; x < 500; x += 16) {
    RECT r = {x, 100, x + 8 < 500 ? x + 8 : 500, 400};
    FillRect(dc, &r, green);
  }
  DeleteObject(green);
  EndPaint(w, &ps);
}

static LRESULT CALLBACK proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  switch (m) {
    case WM_PAINT: paint(w); return 0;
    case WM_KEYDOWN:
      printf("key 0x%02X\n", (unsigned)wp);
      ++g_keys;
      InvalidateRect(w, NULL, FALSE);
      if (wp == VK_ESCAPE) PostQuitMessage(0);
      return 0;
    case WM_MOUSEMOVE: printf("move %d %d\n", (short)LOWORD(lp), (short)HIWORD(lp)); return 0;
    case WM_LBUTTONDOWN: printf("button 1 %d %d\n", (short)LOWORD(lp), (short)HIWORD(lp)); return 0;
    case WM_RBUTTONDOWN: printf("button 3 %d %d\n", (short)LOWORD(lp), (short)HIWORD(lp)); return 0;
    case WM_TIMER: PostQuitMessage(3); return 0;
  }
  return DefWindowProcA(w, m, wp, lp);
}

int main(void) {
  setvbuf(stdout, NULL, _IONBF, 0);
  HINSTANCE inst = GetModuleHandleA(NULL);
  WNDCLASSA wc = {0};
  wc.lpfnWndProc = proc;
  wc.hInstance = inst;
  wc.hCursor = LoadCursor(NULL, IDC_ARROW);
  wc.lpszClassName = "inputprobe";
  if (!RegisterClassA(&wc)) return 2;
  HWND w = CreateWindowExA(WS_EX_TOPMOST, "inputprobe", "inputprobe", WS_POPUP | WS_VISIBLE, 0, 0,
                           GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), NULL, NULL, inst, NULL);
  if (!w) return 2;
  SetForegroundWindow(w);
  SetFocus(w);
  UpdateWindow(w);
  SetTimer(w, 1, 30000, NULL);
  HANDLE f = CreateFileA("C:\\windows\\inputprobe.ready", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
  if (f == INVALID_HANDLE_VALUE) return 2;
  CloseHandle(f);
  MSG msg;
  while (GetMessageA(&msg, NULL, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return (int)msg.wParam;
}
