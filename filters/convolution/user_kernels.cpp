#include "user_kernels.h"

#include "convolution_engine.h"
#include "run_frame.h"

namespace {

constexpr int32_t kFixedSourceInput = 1;
constexpr int32_t kWidthInput = 1;
constexpr int32_t kHeightInput = 2;
constexpr int32_t kFreeSourceInput = 3;

}  // namespace

bool CFixedUserKernel::Step(RunFrame& run) {
    if (!kernel && !kernel.Resize(static_cast<size_t>(side) * side)) return run.FailOutOfMemory();
    // The kernel is read before the output frame is asked for.
    if (!run.ReadArray(kFixedSourceInput, kernel.Data(), int64_t{side} * side)) return false;
    if (!run.FetchOutputFrame(run.Bpp())) return false;
    ConvolveKernel(run.InputPlane(), kernel.Data(), side, side, run.OutputPlane(), false);
    return true;
}

bool CKernel::Step(RunFrame& run) {
    const int32_t width = run.Integer(kWidthInput);
    const int32_t height = run.Integer(kHeightInput);
    if (width % 2 != 1 || height % 2 != 1) return run.Fail(u"error: Kernel dimensions must be odd integers");

    const int64_t count = int64_t{width} * height;
    const Size size{width, height};
    // The host addresses array elements with 32-bit indices: a kernel with
    // more elements than that cannot be read, like one whose bytes do not fit
    // the address space.
    if (!kernel.BuiltFor(size) && (count - 1 > INT32_MAX || !kernel.Rebuild(size, static_cast<size_t>(count)))) {
        return run.FailOutOfMemory();
    }
    if (!run.ReadArray(kFreeSourceInput, kernel.Data(), count)) return false;
    if (!run.FetchOutputFrame(run.Bpp())) return false;
    ConvolveKernel(run.InputPlane(), kernel.Data(), height, width, run.OutputPlane(), false);
    return true;
}
