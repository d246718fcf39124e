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

// dst[r][x] = the single-precision sum, from 0, over taps i = 0..length-1 in
// order, of kernel[i] x src[r][x - n + i] (row pass) or kernel[i] x
// src[r + n - i][x] (column pass), n = (length - 1) / 2, over the taps that
// fall inside the plane; the weights are not renormalised.
void RowDerivativePass(const float* source, const float* kernel, int32_t length, float* destination, int32_t height,
                       int32_t width);
void ColumnDerivativePass(const float* source, const float* kernel, int32_t length, float* destination,
                          int32_t height, int32_t width);

// The interior pixels (rows 1..height-2, columns 1..width-2) of the 8-bit
// output frame, whose geometry the gradient planes share: 255 where the
// gradient magnitude is a strict local maximum across the gradient direction
// and, times 20, exceeds the level; else 0. The border rows and columns are
// not written.
void SuppressAndThreshold(const float* gradientX, const float* gradientY, const PixelPlane& output,
                          int32_t level);
