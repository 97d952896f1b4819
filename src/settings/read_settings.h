// Reading the settings from the current user's registry: each screen's display mode, drop density
// and highlight percentage, and the speed, writing the defaults of whatever is missing.
#pragma once

// Enumerates the screens (EnumScreens), selects each screen's mode from its stored resolution —
// the first listed mode when none has that size — and reads "Speed" into FrameDelay. A new product
// key first gets every default; a value that cannot be read gets its default. False when the
// product key cannot be opened or a default cannot be written. A screen whose sub-key cannot be
// opened keeps its enumeration state: no selected mode, so it gets no device. Window thread,
// before the drawing thread starts.
bool ReadSettings();

// Copies each screen's "Density" (at most 400) and "HighlightDensity" (at most 100) into its rain
// fields; the registry keeps what it holds. A value that cannot be read gets its default in the
// registry while the field keeps its value. False in the same cases as ReadSettings. Window
// thread, after the rain state exists and before the drawing thread starts.
bool ReadDensitySettings();
