// ScreenRecord::SelectMode: choosing a screen's display mode by its size.
#include "display/screen_list.h"

bool ScreenRecord::SelectMode(int32_t width, int32_t height, int32_t bits) {
  for (DisplayMode* mode = modes; mode != nullptr; mode = mode->next) {
    if (mode->width == width && mode->height == height) {
      mode->bits = bits;
      selectedMode = mode;
      return true;
    }
  }
  return false;
}
