// ComposeFrame: one frame of the rain for one screen, drawn into its open back buffer.
#pragma once

#include "display/screen_list.h"
#include "heart/frame_descriptor.h"

// Moves the screen's drops, then draws every cell bottom row first and updates each cell right
// after drawing it, with the calling thread's random numbers. The screen must be current, ClipRect
// its mode size and `frame` open; returns early when drawing is switched off, leaving the frame
// open for the caller.
void ComposeFrame(ScreenRecord* screen, const FrameDescriptor* frame);
