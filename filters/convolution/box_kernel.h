// Two-dimensional kernels of ones with a whole-number weight at the centre:
// the "blur" kernel for ratings that make its centre whole (0.5 among them)
// and user kernels of ones. Every product of such a kernel with a byte is a
// whole number, and so is every partial sum while the largest possible sum,
// 255 x (taps - 1 + centre), stays below 2^24; then each single-precision
// addition is exact, and the sum in tap order is the integer sum of the
// window, in any order. The window sums come from running column sums and a
// sum along the row, a few integer operations a sample whatever the size,
// and the quotient by W and the byte are those of the kernel engine.
#pragma once

#include <cstdint>

#include "pixel_format.h"

// The bytes ConvolveKernel (convolution_engine.h) writes for the same
// arguments, for a kernel of that kind at 8, 24 or 32 bits per pixel;
// returns false, writing nothing, for any other kernel or depth.
bool ConvolveBoxKernel(const PixelPlane& input, const float* kernel, int32_t kernelHeight, int32_t kernelWidth,
                       const PixelPlane& output, bool normalise);
