#include "smoothing_filters.h"

#include "convolution_engine.h"
#include "kernels.h"
#include "run_frame.h"
#include "scratch.h"

namespace {
constexpr int32_t kRadiusInput = 1;
constexpr int32_t kDefaultRadius = 1;
constexpr int32_t kMaxRadius = 10;
}  // namespace

CSeparableSmoothing::~CSeparableSmoothing() {
    FreeBlock(kernel);
}

bool CSeparableSmoothing::Run(void* host, void* inputs, void* inputsContext, void* outputs, void* outputsContext,
                              int32_t errorMax, char16_t* errorBuf) {
    RunFrame run(host, inputs, inputsContext, outputs, outputsContext, errorMax, errorBuf);
    if (!run.FetchInputFrame()) return false;
    if (!run.FetchOutputFrame(run.bpp)) return false;
    const int32_t radius = run.ReadClampedInteger(kRadiusInput, kDefaultRadius, 0, kMaxRadius);
    const int32_t length = 2 * radius + 1;

    if (!kernel || KernelOutdated(radius)) {
        if (!ReallocArray(kernel, static_cast<size_t>(length))) return run.FailOutOfMemory();
        BuildKernel(radius);
    }
    ConvolveRowsThenColumns(run.inputFrame, kernel, length, run.outputFrame, run.height, run.width);
    return true;
}

bool CMean::KernelOutdated(int32_t radius) const { return kernelLength != 2 * radius + 1; }

void CMean::BuildKernel(int32_t radius) {
    kernelLength = 2 * radius + 1;
    FillMeanKernel(kernel, kernelLength);
}

bool CGaussian::KernelOutdated(int32_t radius) const { return sigma != GaussianSigma(radius); }

void CGaussian::BuildKernel(int32_t radius) {
    sigma = GaussianSigma(radius);
    FillGaussianKernel(kernel, radius, sigma);
}
