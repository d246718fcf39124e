#include "kernel_filters.h"

#include <cstring>

#include "convolution_engine.h"
#include "kernels.h"
#include "numeric.h"
#include "run_frame.h"

namespace {

constexpr int32_t kRadiusInput = 1;
constexpr int32_t kPassThroughInput = 2;
constexpr int32_t kBoostInput = 1;

constexpr HighBoostPattern kLaplacian421{{1, -2, 1, -2, 0, -2, 1, -2, 1}, 4.0};
constexpr HighBoostPattern kLaplacian410{{0, -1, 0, -1, 0, -1, 0, -1, 0}, 4.0};
constexpr HighBoostPattern kLaplacian811{{-1, -1, -1, -1, 0, -1, -1, -1, -1}, 8.0};
constexpr int kCentre = 4;

}  // namespace

bool CBlur::Step(RunFrame& run) {
    if (!run.FetchOutputFrame(run.Bpp())) return false;
    const int32_t radius = run.Integer(kRadiusInput);
    const float rating = run.Real(kPassThroughInput);

    if (TruncateToInt32(rating) == 1) {
        // The centre pixel is the whole result: the frame block is copied as
        // it is, whatever its depth.
        std::memcpy(run.OutputFrame(), run.InputFrame(), GetFrameSize(run.OutputFrame()));
        return true;
    }
    const int32_t side = 2 * radius + 1;
    const Key key{side, rating};
    if (!kernel.BuiltFor(key)) {
        if (!kernel.Rebuild(key, static_cast<size_t>(side) * side)) return run.FailOutOfMemory();
        FillBlurKernel(kernel.Data(), radius, rating);
    }
    ConvolveKernel(run.InputPlane(), kernel.Data(), side, side, run.OutputPlane(), true);
    return true;
}

float CLaplacianHighBoost::CentreWeight(float b) const {
    return RoundToFloat(static_cast<double>(b) + pattern.centreBase);
}

bool CLaplacianHighBoost::Step(RunFrame& run) {
    if (!run.FetchOutputFrame(run.Bpp())) return false;
    const float b = run.Real(kBoostInput);

    if (!kernel) {
        if (!kernel.Resize(9)) return run.FailOutOfMemory();
        std::memcpy(kernel.Data(), pattern.outer, sizeof pattern.outer);
        kernel[kCentre] = CentreWeight(b);
        kernel.SetKey(b);
    } else if (!kernel.BuiltFor(b)) {
        kernel[kCentre] = CentreWeight(b);
        kernel.SetKey(b);
    }
    ConvolveKernel(run.InputPlane(), kernel.Data(), 3, 3, run.OutputPlane(), false);
    return true;
}

CLaplacian421::CLaplacian421(int32_t methodIndex) : CLaplacianHighBoost(methodIndex, kLaplacian421) {}
CLaplacian410::CLaplacian410(int32_t methodIndex) : CLaplacianHighBoost(methodIndex, kLaplacian410) {}
CLaplacian811::CLaplacian811(int32_t methodIndex) : CLaplacianHighBoost(methodIndex, kLaplacian811) {}
