// InitRain and ScatterDrops over the screen list: the platform's side (the screen selected, the
// log, the thread's random stream) around the heart's model.
#include "rain/screen_rain.h"

#include "display/ddraw_manager.h"
#include "heart/log_message.h"
#include "heart/rain_model.h"
#include "rain/random.h"

namespace {

const char kCorruptFile[] =
    "Corrupt screensaver file. Please try downloading the archive\nagain and/or unzipping it again. If you still "
    "have problems,\ncheck our website at http://www.example.com/sarvello for updates or\ndrop me an email at "
    "sarvello@example.com";

}  // namespace

bool InitRain(ScreenRecord* screen, GraphicsLoader& loader, const unsigned char* animation, uint32_t size) {
  loader.colourType = DDrawManager::SelectScreen(screen);
  RainGrid& grid = screen->rain;
  grid.glyphs = loader.LoadAnimation(animation, size);
  if (!grid.glyphs) {
    LogMessage(kCorruptFile, LOG_ERROR);
    return false;
  }
  LogMessage("[WM_CREATE] Glyph images loaded", LOG_INFO);

  RandomState random = ThreadRandomState();
  const bool seeded = SeedCells(grid, screen->selectedMode->width, screen->selectedMode->height, random);
  SetThreadRandomState(random);
  if (!seeded) {
    LogMessage("[WM_CREATE] Unable to allocate memory for Torvane", LOG_ERROR);
    return false;
  }
  return true;
}

void ScatterDrops() {
  RandomState random = ThreadRandomState();
  // A screen without a device has no cells and no rain.
  for (ScreenRecord* screen = ScreenList; screen != nullptr; screen = screen->next) ScatterDrops(screen->rain, random);
  SetThreadRandomState(random);
}
