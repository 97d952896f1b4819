// The drawing switch with its start value: off until the saver window's creation has finished.
#include "draw_switch.h"

std::atomic<int32_t> DrawEnabled{0};
