#include "smoothing_filters.h"

#include "convolution_engine.h"
#include "kernels.h"
#include "run_frame.h"

namespace {
constexpr int32_t kRadiusInput = 1;
}  // namespace

bool CSeparableSmoothing::Step(RunFrame& run) {
    if (!run.FetchOutputFrame(run.Bpp())) return false;
    const int32_t radius = run.Integer(kRadiusInput);
    const int32_t length = 2 * radius + 1;

    const float key = KernelKey(radius);
    if (!kernel.BuiltFor(key)) {
        if (!kernel.Rebuild(key, static_cast<size_t>(length))) return run.FailOutOfMemory();
        FillKernel(kernel.Data(), radius, key);
    }
    ConvolveRowsThenColumns(run.InputFrame(), kernel.Data(), length, run.OutputFrame(), run.Height(), run.Width());
    return true;
}

float CMean::KernelKey(int32_t radius) const { return static_cast<float>(2 * radius + 1); }

void CMean::FillKernel(float* weights, int32_t radius, float) const { FillMeanKernel(weights, 2 * radius + 1); }

float CGaussian::KernelKey(int32_t radius) const { return GaussianSigma(radius); }

void CGaussian::FillKernel(float* weights, int32_t radius, float key) const {
    FillGaussianKernel(weights, radius, key);
}
