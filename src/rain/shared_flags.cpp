// The shared values with their start values.
#include "rain/shared_flags.h"

std::atomic<int32_t> ThreadAlive{1};
std::atomic<int32_t> FramePresented{0};
std::atomic<uint8_t> ThreadEnded{0};
std::atomic<uint8_t> MonitorOff{0};
std::atomic<uint32_t> FrameDelay{30};
std::atomic<uint32_t> LastFrameTime{0};
std::atomic<int32_t> FramePassActive{0};
