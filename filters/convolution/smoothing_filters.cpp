#include "smoothing_filters.h"

#include "convolution_engine.h"
#include "kernels.h"
#include "run_frame.h"

namespace {

constexpr int32_t kRadiusInput = 1;

constexpr SmoothingKernelRule kMeanKernel{
    [](int32_t radius) { return static_cast<float>(2 * radius + 1); },
    [](float* weights, int32_t radius, float) { FillMeanKernel(weights, 2 * radius + 1); },
};

constexpr SmoothingKernelRule kGaussianKernel{
    [](int32_t radius) { return GaussianSigma(radius); },
    [](float* weights, int32_t radius, float sigma) { FillGaussianKernel(weights, radius, sigma); },
};

}  // namespace

CMean::CMean(int32_t methodIndex) : CSeparableSmoothing(methodIndex, kMeanKernel) {}
CGaussian::CGaussian(int32_t methodIndex) : CSeparableSmoothing(methodIndex, kGaussianKernel) {}

bool CSeparableSmoothing::Step(RunFrame& run) {
    if (!run.FetchOutputFrame(run.Bpp())) return false;
    const int32_t radius = run.Integer(kRadiusInput);
    const int32_t length = 2 * radius + 1;

    const float key = rule.key(radius);
    if (!kernel.BuiltFor(key)) {
        if (!kernel.Rebuild(key, static_cast<size_t>(length))) return run.FailOutOfMemory();
        rule.fill(kernel.Data(), radius, key);
    }
    ConvolveRowsThenColumns(run.InputPlane(), kernel.Data(), length, run.OutputPlane());
    return true;
}
