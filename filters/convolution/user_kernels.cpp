#include "user_kernels.h"

#include "convolution_engine.h"
#include "run_frame.h"
#include "scratch.h"

namespace {

constexpr int32_t kFixedSourceInput = 1;
constexpr int32_t kWidthInput = 1;
constexpr int32_t kHeightInput = 2;
constexpr int32_t kFreeSourceInput = 3;

}  // namespace

CFixedUserKernel::~CFixedUserKernel() { FreeBlock(kernel); }

bool CFixedUserKernel::Step(RunFrame& run) {
    if (!kernel && !ReallocArray(kernel, static_cast<size_t>(side) * side)) return run.FailOutOfMemory();
    // The kernel is read before the output frame is asked for.
    if (!run.ReadArray(kFixedSourceInput, kernel, int64_t{side} * side)) return false;
    if (!run.FetchOutputFrame(run.Bpp())) return false;
    ConvolveKernel(run.InputFrame(), kernel, side, side, run.OutputFrame(), run.Height(), run.Width(), false);
    return true;
}

CKernel::~CKernel() { FreeBlock(kernel); }

bool CKernel::Step(RunFrame& run) {
    const int32_t width = run.Integer(kWidthInput);
    const int32_t height = run.Integer(kHeightInput);
    if (width % 2 != 1 || height % 2 != 1) return run.Fail(u"error: Kernel dimensions must be odd integers");

    const int64_t count = int64_t{width} * height;
    if (!kernel || kernelWidth != width || kernelHeight != height) {
        // The host addresses array elements with 32-bit indices: a kernel with
        // more elements than that cannot be read, like one whose bytes do not
        // fit the address space.
        if (count - 1 > INT32_MAX || !ReallocArray(kernel, static_cast<size_t>(count))) {
            return run.FailOutOfMemory();
        }
        kernelWidth = width;
        kernelHeight = height;
    }
    if (!run.ReadArray(kFreeSourceInput, kernel, count)) return false;
    if (!run.FetchOutputFrame(run.Bpp())) return false;
    ConvolveKernel(run.InputFrame(), kernel, height, width, run.OutputFrame(), run.Height(), run.Width(), false);
    return true;
}
