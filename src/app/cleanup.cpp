// Cleanup: the message box of the kept error is shown while the screens are still in the saver's
// mode with the desktop's surface in front; the display mode goes back only after it is dismissed.
#include "app/cleanup.h"

#include "app/app_objects.h"
#include "app/app_state.h"
#include "diag/debug_log.h"
#include "heart/log_message.h"
#include "rain/shared_flags.h"

int32_t Cleanup() {
  DrawEnabled.store(0);
  LogMessage("[Cleanup] Deallocating all objects", LOG_INFO);
  if (Manager != nullptr) {
    for (ScreenRecord* screen = ScreenList; screen != nullptr; screen = screen->next) {
      DDrawManager::SelectScreen(screen);
      screen->rain.glyphs.reset();
      screen->rain.cells.reset();
    }
  }
  Loader.reset();
  if (Manager != nullptr) {
    Manager->InterruptFrame();
    // Every screen, not only the current one (the last in the list): the message box appears on
    // the primary screen.
    Manager->BringDesktopForward();
    ShowCursor(TRUE);
    ShowErrorMsg(MainWindow);
    Manager.reset();
  } else {
    ShowCursor(TRUE);
    ShowErrorMsg(nullptr);
  }
  return -1;
}
