// The values the window thread and the drawing thread share. Each is written and read whole; no
// value is read-modified-written by both threads. Portable: no platform header.
#pragma once

#include <atomic>
#include <cstdint>

extern std::atomic<int32_t> ThreadAlive;     // the drawing thread loops while 1
extern std::atomic<int32_t> DrawEnabled;     // frames are drawn only while 1
extern std::atomic<int32_t> FramePresented;  // 1 once the first frame was presented
extern std::atomic<uint8_t> ThreadEnded;     // 1 as the drawing thread's last act
extern std::atomic<uint8_t> MonitorOff;      // 1 while the monitor is powered down
extern std::atomic<uint32_t> FrameDelay;     // least milliseconds between two frame starts
extern std::atomic<uint32_t> LastFrameTime;  // clock at the start of the last frame
