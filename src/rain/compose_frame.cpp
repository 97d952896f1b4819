// ComposeFrame: the screen's rain composed by the heart, with the calling thread's random stream.
#include "rain/compose_frame.h"

#include "heart/compose_rain.h"
#include "rain/random.h"

void ComposeFrame(ScreenRecord* screen, const FrameDescriptor* frame) {
  RandomState random = ThreadRandomState();
  ComposeRain(screen->rain, frame, random);
  SetThreadRandomState(random);
}
