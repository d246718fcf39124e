// Pixel engines of the rank filters. Each takes the input and output planes
// (same width, height and depth) and the neighbourhood radius r: the neighbourhood of pixel (x, y) is the square of side 2r + 1
// around it, cut at the frame's borders. Depths other than 8, 24 and 32
// bits are left alone. An engine returns false only when its working memory
// could not be had; nothing has been written then.
#pragma once

#include <cstdint>

#include "pixel_format.h"
#include "thread_scratch.h"

namespace rank {

// Each channel becomes the sample of rank n / 2 (counted from 1, ascending)
// of its neighbourhood of n pixels, or 255 when n is 1. 32-bit pixels keep
// their fourth byte.
bool MedianFilter(const PixelPlane& input, const PixelPlane& output, int32_t radius, ThreadScratch& scratch);

// The same, always with the sliding-histogram algorithm (the filter itself
// takes a sorting network for r = 1); exposed so both can be checked.
bool MedianByHistograms(const PixelPlane& input, const PixelPlane& output, int32_t radius, ThreadScratch& scratch);

enum class ExtremeSelection {
    Darkest,    // "minimum"
    Brightest,  // "maximum"
    Further,    // "extreme": the darkest or brightest, whichever is further from the pixel
};

// Selects a pixel of the neighbourhood (colour pixels by brightness B + G + R,
// the first in row-major order winning ties) and blends it with the input
// pixel: i * (1 - t) + s * t in single precision, truncated. 32-bit pixels
// get 1 in their fourth byte.
bool SelectExtremes(ExtremeSelection selection, const PixelPlane& input, const PixelPlane& output, int32_t radius,
                    float intensity, ThreadScratch& scratch);

}  // namespace rank
