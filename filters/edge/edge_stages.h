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

// The gray plane (width floats a row) of the input smoothed along rows
// (ConvolveRows) or along columns (ConvolveColumns) with the kernel: one
// float a pixel, the smoothed byte, or the sum of the smoothed bytes 0, 1, 2
// divided by 3 in integers. The smoothed frame itself is never stored: each
// piece of a row becomes gray values while it is still in cache. Depths
// other than 8, 24 and 32 leave the plane unwritten.
void SmoothIntoGrayPlane(const PixelPlane& input, const float* kernel, int32_t length, bool alongRows,
                         float* plane);

// The row gradient plane (width floats a row): the row derivative pass
// (below) over the gray plane of the input smoothed along rows with
// `gauss`. Each row's gray values go into its gradient while they are in
// cache; `grayPlane` (width x height floats) is only written for frames
// wider than the smoothing pass's strips.
void RowGradient(const PixelPlane& input, const float* gauss, const float* derivative, int32_t length,
                 float* grayPlane, float* gradient);

// The derivative passes. Row pass: dst[r][x] = the single-precision sum,
// from 0, over taps i = 0..length-1 in order, of kernel[i] x src[r][x - n +
// i], n = (length - 1) / 2, over the taps that fall inside the row; the
// weights are not renormalised. RowDerivative does one row of `width`
// floats, RowDerivativePass every row of a plane.
void RowDerivative(const float* row, const float* kernel, int32_t length, float* destination, int64_t width);
void RowDerivativePass(const float* source, const float* kernel, int32_t length, float* destination, int32_t height,
                       int32_t width);

// Column pass: the sum likewise of derivative[i] x src[r + n - i][x] over
// the rows inside the plane, for `count` columns from x0 of rows r .. r +
// rowCount - 1 (row r + m into destinations[m]).
struct ColumnGradientSource {
    const float* grayPlane;  // width x height floats
    const float* derivative;
    int32_t length;
    int32_t height;
    int32_t width;
};
void ColumnDerivativeRows(const ColumnGradientSource& source, int32_t r, int32_t rowCount, int64_t x0,
                          int64_t count, float* const* destinations);

// The interior pixels (rows 1..height-2, columns 1..width-2) of the 8-bit
// output frame, whose geometry the planes share: 255 where the gradient
// magnitude is a strict local maximum across the gradient direction and,
// times 20, exceeds the level; else 0. The column gradient is worked out
// here from its source, each row once for the rows beside it. The border
// rows and columns are not written.
void SuppressAndThreshold(const float* gradientX, const ColumnGradientSource& gradientY, const PixelPlane& output,
                          int32_t level);
