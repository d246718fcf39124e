#include "kernels.h"

#include <cmath>

#include "numeric.h"

void NormaliseKernel(float* kernel, int32_t length) {
    float sum = 0.0f;
    for (int32_t i = 0; i < length; ++i) sum = sum + kernel[i];
    if (sum == 0.0f) return;
    for (int32_t i = 0; i < length; ++i) kernel[i] = kernel[i] / sum;
}

void FillMeanKernel(float* kernel, int32_t length) {
    for (int32_t i = 0; i < length; ++i) kernel[i] = 1.0f;
    NormaliseKernel(kernel, length);
}

float GaussianSigma(int32_t radius) {
    const float shifted = static_cast<float>(static_cast<double>(radius) - 0.33);
    return static_cast<float>(static_cast<double>(shifted) / 3.35);
}

void FillGaussianKernel(float* kernel, int32_t radius, float sigma) {
    // A radius of 0 gives a negative sigma; only its square matters.
    const float d = (sigma * -2.0f) * sigma;
    const int32_t length = 2 * radius + 1;
    for (int32_t i = 0; i < length; ++i) {
        const float x = static_cast<float>(i - radius);
        const float q = (x * x) / d;
        kernel[i] = static_cast<float>(std::exp(static_cast<double>(q)));
    }
    NormaliseKernel(kernel, length);
}

float BlurCentreWeight(int32_t side, float passThrough) {
    const float others = static_cast<float>(side * side - 1) * passThrough;
    return RoundToFloat(static_cast<double>(others) / (1.0 - static_cast<double>(passThrough)));
}

void FillBlurKernel(float* kernel, int32_t radius, float passThrough) {
    const int32_t side = 2 * radius + 1;
    for (int32_t i = 0; i < side * side; ++i) kernel[i] = 1.0f;
    kernel[(side + 1) * radius] = BlurCentreWeight(side, passThrough);
}
