// Windows test program: runs the real Sarvello.scr (beside it) once for every argument EXIT=ARGS,
// one after the other, and checks each exit code (EXIT is signed: -1 is what a refused switch
// returns). "%HWND%" in ARGS becomes the decimal handle of a hidden window of this program, an
// owner for /a and /c:. While a run lasts, every visible top-level window of the saver's process
// is noted once in C:\sarvello\windows.txt ("run K: class ... title ... at X,Y size WxH", a
// message box with its text), and each message box also as C:\sarvello\box<N>.shown. For the
// tests to wait on it writes C:\sarvello\run<K>.started and run<K>.ended (the exit
// code). After each run the desktop must be back in the display mode it had before the first
// (within 5 s). Options before the runs: --linger MS waits that long after the last run (for a last
// screenshot), --timeout MS bounds each run (default 60000; a saver still running then is ended).
// Exit code 0 when every run ended as expected and the desktop came back, else 1.
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "helper_support.h"

using helper::Say;

namespace {

const std::string kFolder = "C:\\sarvello\\";
const std::string kWindowsFile = kFolder + "windows.txt";

struct Run {
  long expected;
  std::string arguments;
};

struct DesktopMode {
  DWORD width = 0;
  DWORD height = 0;
  DWORD bits = 0;
  int metricsWidth = 0;
  int metricsHeight = 0;
  bool operator==(const DesktopMode& other) const {
    return width == other.width && height == other.height && bits == other.bits && metricsWidth == other.metricsWidth &&
           metricsHeight == other.metricsHeight;
  }
};

DesktopMode CurrentMode() {
  DesktopMode mode;
  DEVMODEA settings = {};
  settings.dmSize = sizeof settings;
  if (EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &settings)) {
    mode.width = settings.dmPelsWidth;
    mode.height = settings.dmPelsHeight;
    mode.bits = settings.dmBitsPerPel;
  }
  mode.metricsWidth = GetSystemMetrics(SM_CXSCREEN);
  mode.metricsHeight = GetSystemMetrics(SM_CYSCREEN);
  return mode;
}

std::string Describe(const DesktopMode& mode) {
  char text[128];
  std::snprintf(text, sizeof text, "%lux%lux%lu (screen metrics %dx%d)", static_cast<unsigned long>(mode.width),
                static_cast<unsigned long>(mode.height), static_cast<unsigned long>(mode.bits), mode.metricsWidth,
                mode.metricsHeight);
  return text;
}

// Notes the visible top-level windows of one saver process that were not seen before.
struct Watch {
  int run = 0;
  DWORD process = 0;
  std::set<HWND> seen;
  int boxes = 0;
};

int totalBoxes = 0;

// The texts of a message box's static controls (the icon's is empty).
BOOL CALLBACK CollectStaticText(HWND child, LPARAM context) {
  auto* text = reinterpret_cast<std::string*>(context);
  if (lstrcmpiA(helper::ClassOf(child).c_str(), "Static") == 0) {
    const std::string piece = helper::TitleOf(child);
    if (!piece.empty()) {
      if (!text->empty()) *text += " | ";
      *text += piece;
    }
  }
  return TRUE;
}

BOOL CALLBACK NoteWindow(HWND window, LPARAM context) {
  auto* watch = reinterpret_cast<Watch*>(context);
  if (helper::ProcessOf(window) != watch->process || !IsWindowVisible(window)) return TRUE;
  if (!watch->seen.insert(window).second) return TRUE;
  RECT area = {};
  GetWindowRect(window, &area);
  const std::string className = helper::ClassOf(window);
  std::string line = "run " + std::to_string(watch->run) + ": class \"" + className + "\" title \"" +
                     helper::TitleOf(window) + "\" at " + std::to_string(area.left) + "," + std::to_string(area.top) +
                     " size " + std::to_string(area.right - area.left) + "x" + std::to_string(area.bottom - area.top);
  if (className == "#32770") {
    std::string text;
    EnumChildWindows(window, CollectStaticText, reinterpret_cast<LPARAM>(&text));
    line += " text \"" + text + "\"";
    ++watch->boxes;
    ++totalBoxes;
    helper::WriteFileText(kFolder + "box" + std::to_string(totalBoxes) + ".shown", text + "\r\n");
  }
  helper::AppendLine(kWindowsFile, line);
  Say("%s", line.c_str());
  return TRUE;
}

std::string Substitute(std::string arguments, HWND owner) {
  const std::string mark = "%HWND%";
  for (size_t at = arguments.find(mark); at != std::string::npos; at = arguments.find(mark))
    arguments.replace(at, mark.size(), helper::HandleText(owner));
  return arguments;
}

HWND MakeOwner() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "SarvelloSessionOwner";
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, windowClass.lpszClassName, "saver session", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                         nullptr, windowClass.hInstance, nullptr);
}

// One run of the saver; true when it ended with the expected code and the desktop came back.
bool RunOnce(int number, const Run& run, HWND owner, DWORD timeout, const DesktopMode& before) {
  const std::string arguments = Substitute(run.arguments, owner);
  helper::Started saver = helper::StartSaver(arguments);
  if (saver.process == nullptr) return false;
  helper::WriteFileText(kFolder + "run" + std::to_string(number) + ".started", arguments + "\r\n");
  Watch watch;
  watch.run = number;
  watch.process = saver.id;
  const DWORD start = GetTickCount();
  DWORD code = 0;
  bool ended = false;
  while (!ended && GetTickCount() - start < timeout) {
    EnumWindows(NoteWindow, reinterpret_cast<LPARAM>(&watch));
    ended = helper::WaitForExit(saver.process, 50, &code);
  }
  const DWORD took = GetTickCount() - start;
  if (!ended) {
    Say("run %d: Sarvello.scr %s still runs after %lu ms: ended", number, arguments.c_str(),
        static_cast<unsigned long>(took));
    helper::EndProcess(&saver);
    return false;
  }
  helper::EndProcess(&saver);
  const long got = static_cast<long>(static_cast<int32_t>(code));
  helper::WriteFileText(kFolder + "run" + std::to_string(number) + ".ended", "exit " + std::to_string(got) + "\r\n");
  const bool codeOk = got == run.expected;
  Say("run %d: Sarvello.scr %s exited %ld after %lu ms, expected %ld: %s; %d visible window(s), %d message box(es)",
      number, arguments.c_str(), got, static_cast<unsigned long>(took), run.expected, codeOk ? "ok" : "WRONG",
      static_cast<int>(watch.seen.size()), watch.boxes);

  // Giving the display back may reach the desktop a moment after the process has gone.
  DesktopMode after = CurrentMode();
  for (int look = 0; look < 50 && !(after == before); ++look) {
    helper::PumpFor(100);
    after = CurrentMode();
  }
  const bool modeOk = after == before;
  Say("run %d: desktop mode after it %s: %s", number, Describe(after).c_str(), modeOk ? "as before" : "NOT as before");
  return codeOk && modeOk;
}

}  // namespace

int main(int argc, char** argv) {
  DWORD linger = 0;
  DWORD timeout = 60000;
  std::vector<Run> runs;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if ((argument == "--linger" || argument == "--timeout") && i + 1 < argc) {
      (argument == "--linger" ? linger : timeout) = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
      continue;
    }
    const size_t equals = argument.find('=');
    char* end = nullptr;
    const long expected = std::strtol(argument.c_str(), &end, 10);
    if (equals == std::string::npos || equals == 0 || end != argument.c_str() + equals) {
      Say("saver_session: arguments are [--linger MS] [--timeout MS] EXIT=ARGS...; not understood: %s", argv[i]);
      return 2;
    }
    runs.push_back({expected, argument.substr(equals + 1)});
  }
  if (runs.empty()) {
    Say("saver_session: no run given (EXIT=ARGS...)");
    return 2;
  }
  helper::AppendLine(kWindowsFile, "# visible top-level windows of each run's saver process");
  const DesktopMode before = CurrentMode();
  Say("desktop mode before the first run: %s", Describe(before).c_str());
  HWND owner = MakeOwner();
  int failed = 0;
  for (size_t r = 0; r < runs.size(); ++r) {
    if (!RunOnce(static_cast<int>(r + 1), runs[r], owner, timeout, before)) ++failed;
  }
  helper::PumpFor(linger);
  DestroyWindow(owner);
  Say("saver_session: %d of %d run(s) as expected", static_cast<int>(runs.size()) - failed,
      static_cast<int>(runs.size()));
  return failed == 0 ? 0 : 1;
}
