// The two 3x3 pass engines of the thresholded morphology: each classifies the
// source pixels against a level into dark objects and light background and
// writes an 8-bit frame of 0s (object) and 255s (background).
#pragma once

#include <cstdint>

#include "pixel_format.h"

// Threshold (0 to 1) as the integer level the pixels are compared with:
// Threshold x 255 in single precision, truncated toward zero.
int32_t ThresholdLevel(float threshold);

// Dilation: a pixel becomes 255 when every pixel of its 3x3 window (clipped to
// the frame) is light, otherwise 0. Light means a grey value above the level,
// or a colour sum (blue + green + red) above three times the level.
// The source is 8, 24 or 32 bits per pixel (any other depth: nothing is
// written); the destination is an 8-bit plane at least as large.
void DilationPass(const PixelPlane& source, const PixelPlane& destination, int32_t thresholdLevel);

// Erosion: a pixel becomes 0 when every pixel of its clipped 3x3 window is
// dark, otherwise 255. Dark means a grey value below the level, or a colour
// sum below three times the level.
void ErosionPass(const PixelPlane& source, const PixelPlane& destination, int32_t thresholdLevel);

enum class MorphologyRule { Dilation, Erosion };

// The largest window radius of WindowPass.
constexpr int32_t kMaxWindowRadius = 20;

// One pass of the rule over a (2 radius + 1)-pixel square window clipped to
// the frame, radius 1 to kMaxWindowRadius; radius 1 is DilationPass or
// ErosionPass.
//
// A pass after the first reads 0s and 255s and thresholds them again at the
// same level. Where that keeps 0 as object and 255 as background
// (PassesChain), a pixel of the k-th pass depends on the first pass's source
// through a (2k + 1) window, clipped the same way (the frame is a rectangle,
// so any two pixels k apart are joined by k steps inside it): radius passes in
// a row give exactly what one WindowPass of that radius gives.
void WindowPass(MorphologyRule rule, const PixelPlane& source, const PixelPlane& destination, int32_t thresholdLevel,
                int32_t radius);

// WindowPass of the rule from source into an intermediate plane, then
// WindowPass of the other rule from there into destination, both of the
// radius, without the intermediate plane. Only where PassesChain holds for
// both rules at the level (the caller's to check).
void TwoWindowPasses(MorphologyRule first, const PixelPlane& source, const PixelPlane& destination,
                     int32_t thresholdLevel, int32_t radius);

// True when passes of the rule read 0 as object and 255 as background at this
// level: levels 0 to 254 for dilation, 1 to 255 for erosion.
bool PassesChain(MorphologyRule rule, int32_t thresholdLevel);
