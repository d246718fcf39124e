// The stages of the edge filter: the Gaussian and derivative-of-Gaussian
// kernels, the gray planes of the smoothed frames, the two derivative passes
// and the non-maximum suppression with its threshold. Each stage runs its
// rows in one parallel loop; results do not depend on the number of threads.
#pragma once

#include <cstdint>

#include "pixel_format.h"

// The half-width n of the kernels for a standard deviation: sigma x 3.35 +
// 0.33 in double precision, 10 when that is 10 or more, 0 when it is
// negative or not a number, else truncated. The kernels have 2n + 1 taps.
int32_t EdgeHalfWidth(float sigma);

// Fills the 2n + 1 elements of both kernels (n = EdgeHalfWidth(sigma)):
// gauss[i] = exp(x x x / (-2 sigma sigma)) with x = i - n (the exponential in
// double), divided by the single-precision sum of all of them unless that is
// 0; derivative[i] = ((n - i) / (2 sigma sigma)) x the unnormalised Gaussian,
// so -x / (2 sigma squared) times it.
void FillEdgeKernels(float sigma, float* gauss, float* derivative);

// The gray planes (width bytes a row) of the input smoothed along rows
// (ConvolveRows) and along columns (ConvolveColumns) with the kernel: the
// smoothed byte, or the sum of the smoothed bytes 0, 1, 2 divided by 3 in
// integers. Gray values are whole numbers 0..255, so bytes hold them
// exactly, at a quarter of the memory traffic of floats. The smoothed
// frames themselves are never stored: each piece of a row becomes gray
// values while it is still in cache, and each input row is read once for
// both. Depths other than 8, 24 and 32 leave the planes unwritten.
void SmoothIntoGrayPlanes(const PixelPlane& input, const float* kernel, int32_t length, uint8_t* alongRows,
                          uint8_t* alongColumns);

// The derivative passes, over gray values as floats; the weights are not
// renormalised where taps fall outside the plane.
//
// Along a row: destination[x - x0] for the `count` columns x from x0 is the
// single-precision sum, from 0, over taps i = 0..length-1 in order, of
// kernel[i] x the row's sample at column x - n + i, n = (length - 1) / 2,
// over the taps inside columns 0..width-1. samples[0] is the row's sample
// at column `first`, and the samples reach as far as those taps do.
void RowDerivative(const float* samples, int64_t first, const float* kernel, int32_t length, int64_t x0,
                   int64_t count, int64_t width, float* destination);

// Along columns: rows r .. r + rowCount - 1 (row r + m into destinations[m],
// `count` samples), each the sum likewise of kernel[i] x gray row r + n - i
// over the rows inside 0..height-1. grayRows[a] holds gray row r - n + a
// (null where that row lies outside the plane).
void ColumnDerivativeRows(const float* const* grayRows, const float* kernel, int32_t length, int32_t height,
                          int32_t r, int32_t rowCount, int64_t count, float* const* destinations);

// What the suppression works from: the gray planes of the input smoothed
// along rows and along columns (output width x height bytes) and the
// derivative kernel.
struct EdgeGrayPlanes {
    const uint8_t* alongRows;
    const uint8_t* alongColumns;
    const float* derivative;
    int32_t length;
};

// The interior pixels (rows 1..height-2, columns 1..width-2) of the 8-bit
// output frame: 255 where the gradient magnitude is a strict local maximum
// across the gradient direction and, times 20, exceeds the level; else 0.
// The gradients are the row derivative of the row gray plane and the column
// derivative of the column gray plane, worked out here a strip at a time,
// each row once for the rows beside it, and never stored. The border rows
// and columns are not written.
void SuppressAndThreshold(const EdgeGrayPlanes& gray, const PixelPlane& output, int32_t level);
