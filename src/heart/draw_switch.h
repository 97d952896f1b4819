// The drawing switch: whether frames are drawn at all. The window thread clears it at any moment
// (deactivation, close, monitor power-off); the drawing code looks at it between its steps and stops
// at once. Written and read whole. Portable: no platform header.
#pragma once

#include <atomic>
#include <cstdint>

extern std::atomic<int32_t> DrawEnabled;  // frames are drawn only while 1
