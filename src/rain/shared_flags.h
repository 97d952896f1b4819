// The values the window thread and the drawing thread share. Each is written and read whole; no
// value is read-modified-written by both threads. Portable: no platform header.
#pragma once

#include <atomic>
#include <cstdint>

#include "heart/draw_switch.h"  // DrawEnabled, shared with the heart

extern std::atomic<int32_t> ThreadAlive;     // the drawing thread loops while 1
extern std::atomic<int32_t> FramePresented;  // 1 once the first frame was presented
extern std::atomic<uint8_t> ThreadEnded;     // 1 as the drawing thread's last act
extern std::atomic<uint8_t> MonitorOff;      // 1 while the monitor is powered down
extern std::atomic<uint32_t> FrameDelay;     // least milliseconds between two frame starts
extern std::atomic<uint32_t> LastFrameTime;  // clock at the start of the last frame
// 1 while the drawing thread is inside a frame pass (from its test of DrawEnabled to the end of
// the last screen's presentation). Only the drawing thread writes it; the window thread waits for
// 0 after clearing DrawEnabled before it touches the current screen's surfaces itself.
extern std::atomic<int32_t> FramePassActive;
