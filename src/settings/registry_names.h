// Where the settings live in the current user's registry, and the values a first start writes.
#pragma once

#include <cstdint>

constexpr char kProductKey[] = "Software\\Brenmoor\\Sarvello";
constexpr char kSpeedValue[] = "Speed";
constexpr char kWidthValue[] = "Width";
constexpr char kHeightValue[] = "Height";
constexpr char kDensityValue[] = "Density";
constexpr char kHighlightValue[] = "HighlightDensity";

constexpr uint32_t kDefaultWidth = 800;
constexpr uint32_t kDefaultHeight = 600;
constexpr uint32_t kDefaultDensity = 300;
constexpr uint32_t kDefaultHighlight = 8;
// The speed default is FrameDelay's own start value (rain/shared_flags.cpp).

// What the rain can hold and what a percentage can be; larger stored values are lowered to these
// in memory and by the dialog.
constexpr uint32_t kMaxDensity = 400;
constexpr uint32_t kMaxHighlight = 100;
