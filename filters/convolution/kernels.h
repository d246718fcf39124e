// The kernels the convolution methods build: one-dimensional mean and
// Gaussian kernels for the separable passes, the square blur kernel and the
// three Laplacian high-boost kernels for the two-dimensional engine. Every
// weight is single precision, computed with the widenings written below.
#pragma once

#include <cstdint>

// n elements of 1.0, then divided by their single-precision sum: 1/n each.
void FillMeanKernel(float* kernel, int32_t length);

// The Gaussian's standard deviation for a radius: (r - 0.33) in double,
// rounded to float, widened and divided by 3.35, rounded to float.
float GaussianSigma(int32_t radius);

// 2r + 1 elements exp(x * x / (-2 sigma sigma)) for x = -r..r (the
// exponential in double), divided by their single-precision sum.
void FillGaussianKernel(float* kernel, int32_t radius, float sigma);

// The centre weight of a blur kernel of side n: float(n * n - 1) * p in
// single precision, widened and divided by 1.0 - p in double, rounded.
float BlurCentreWeight(int32_t side, float passThrough);

// n x n weights of 1.0 except the centre, BlurCentreWeight.
void FillBlurKernel(float* kernel, int32_t radius, float passThrough);

// Divides every element by the elements' sum (single precision, index
// order) unless that sum is 0.
void NormaliseKernel(float* kernel, int32_t length);
