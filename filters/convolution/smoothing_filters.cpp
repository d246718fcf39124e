#include "smoothing_filters.h"

#include "convolution_engine.h"
#include "kernels.h"
#include "run_frame.h"
#include "scratch.h"

namespace {
constexpr int32_t kRadiusInput = 1;
}  // namespace

CSeparableSmoothing::~CSeparableSmoothing() {
    FreeBlock(kernel);
}

bool CSeparableSmoothing::Step(RunFrame& run) {
    if (!run.FetchOutputFrame(run.Bpp())) return false;
    const int32_t radius = run.Integer(kRadiusInput);
    const int32_t length = 2 * radius + 1;

    if (!kernel || KernelOutdated(radius)) {
        if (!ReallocArray(kernel, static_cast<size_t>(length))) return run.FailOutOfMemory();
        BuildKernel(radius);
    }
    ConvolveRowsThenColumns(run.InputFrame(), kernel, length, run.OutputFrame(), run.Height(), run.Width());
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
