#include "kernel_filters.h"

#include <cstring>

#include "convolution_engine.h"
#include "kernels.h"
#include "numeric.h"
#include "run_frame.h"
#include "scratch.h"

namespace {

constexpr int32_t kRadiusInput = 1;
constexpr int32_t kPassThroughInput = 2;
constexpr int32_t kBoostInput = 1;

constexpr HighBoostPattern kLaplacian421{{1, -2, 1, -2, 0, -2, 1, -2, 1}, 4.0};
constexpr HighBoostPattern kLaplacian410{{0, -1, 0, -1, 0, -1, 0, -1, 0}, 4.0};
constexpr HighBoostPattern kLaplacian811{{-1, -1, -1, -1, 0, -1, -1, -1, -1}, 8.0};
constexpr int kCentre = 4;

}  // namespace

CBlur::~CBlur() { FreeBlock(kernel); }

bool CBlur::Run(void* host, void* inputs, void* inputsContext, void* outputs, void* outputsContext, int32_t errorMax,
                char16_t* errorBuf) {
    RunFrame run(host, inputs, inputsContext, outputs, outputsContext, errorMax, errorBuf);
    if (!run.FetchInputFrame() || !run.FetchOutputFrame(run.bpp)) return false;
    const int32_t radius = run.ReadClampedInteger(kRadiusInput, 1, 1, 10);
    const float rating = run.ReadClampedReal(kPassThroughInput, 0.5f, 0.0f, 1.0f);

    if (TruncateToInt32(rating) == 1) {
        // The centre pixel is the whole result: the frame block is copied as
        // it is, whatever its depth.
        std::memcpy(run.outputFrame, run.inputFrame, GetFrameSize(run.outputFrame));
        return true;
    }
    const int32_t side = 2 * radius + 1;
    if (!kernel || kernelSize != side || passThrough != rating) {
        if (!ReallocArray(kernel, static_cast<size_t>(side) * side)) return run.FailOutOfMemory();
        FillBlurKernel(kernel, radius, rating);
        kernelSize = side;
        passThrough = rating;
    }
    ConvolveKernel(run.inputFrame, kernel, side, side, run.outputFrame, run.height, run.width, true);
    return true;
}

CLaplacianHighBoost::~CLaplacianHighBoost() { FreeBlock(kernel); }

float CLaplacianHighBoost::CentreWeight(float b) const {
    return RoundToFloat(static_cast<double>(b) + pattern.centreBase);
}

bool CLaplacianHighBoost::Run(void* host, void* inputs, void* inputsContext, void* outputs, void* outputsContext,
                              int32_t errorMax, char16_t* errorBuf) {
    RunFrame run(host, inputs, inputsContext, outputs, outputsContext, errorMax, errorBuf);
    if (!run.FetchInputFrame() || !run.FetchOutputFrame(run.bpp)) return false;
    const float b = run.ReadReal(kBoostInput, 0.0f);

    if (!kernel) {
        if (!ReallocArray(kernel, 9)) return run.FailOutOfMemory();
        std::memcpy(kernel, pattern.outer, sizeof pattern.outer);
        kernel[kCentre] = CentreWeight(b);
        boostCoefficient = b;
    } else if (boostCoefficient != b) {
        kernel[kCentre] = CentreWeight(b);
        boostCoefficient = b;
    }
    ConvolveKernel(run.inputFrame, kernel, 3, 3, run.outputFrame, run.height, run.width, false);
    return true;
}

CLaplacian421::CLaplacian421(int32_t methodIndex) : CLaplacianHighBoost(methodIndex, kLaplacian421) {}
CLaplacian410::CLaplacian410(int32_t methodIndex) : CLaplacianHighBoost(methodIndex, kLaplacian410) {}
CLaplacian811::CLaplacian811(int32_t methodIndex) : CLaplacianHighBoost(methodIndex, kLaplacian811) {}
