#include "user_kernels.h"

#include "convolution_engine.h"
#include "numeric.h"
#include "run_frame.h"
#include "scratch.h"
#include "text.h"

namespace {

constexpr int32_t kFixedSourceInput = 1;
constexpr int32_t kWidthInput = 1;
constexpr int32_t kHeightInput = 2;
constexpr int32_t kFreeSourceInput = 3;

// The zero-fill warning goes out with the length 127, not the 255 of the
// shared warnings.
constexpr int32_t kShortArrayWarningMax = 127;

}  // namespace

bool ReadKernelArray(RunFrame& run, int32_t inputIndex, float* kernel, int64_t count) {
    if (!run.NameInput(inputIndex)) {
        // The text names whatever the host left in the name buffer.
        constexpr char kPrefix[] = "error: Cannot get any of the elements of the input array ";
        char16_t text[sizeof kPrefix + 64] = {};
        AppendAscii(text, sizeof text / sizeof text[0], kPrefix);
        AppendText(text, sizeof text / sizeof text[0], run.inputName, 64);
        return run.Fail(text);
    }
    // A failed query counts as an array without elements.
    int32_t maxIndex = -1;
    if (!GetObjectMaxIndex(run.host, kNameMax, run.inputName, &maxIndex)) maxIndex = -1;
    if (maxIndex < count - 1) {
        AddWarning(run.host, kShortArrayWarningMax,
                   u"Cannot get all the elements of the input array. Zero values were used instead.");
    }
    for (int64_t k = 0; k < count; ++k) {
        double* value = nullptr;
        const bool read = GetNumber(run.host, kNameMax, run.inputName, static_cast<int32_t>(k), &value) && value;
        kernel[k] = read ? RoundToFloat(*value) : 0.0f;
    }
    return true;
}

CFixedUserKernel::~CFixedUserKernel() { FreeBlock(kernel); }

bool CFixedUserKernel::Run(void* host, void* inputs, void* inputsContext, void* outputs, void* outputsContext,
                           int32_t errorMax, char16_t* errorBuf) {
    RunFrame run(host, inputs, inputsContext, outputs, outputsContext, errorMax, errorBuf);
    if (!run.FetchInputFrame()) return false;
    if (!kernel && !ReallocArray(kernel, static_cast<size_t>(side) * side)) return run.FailOutOfMemory();
    // The kernel is read before the output frame is asked for.
    if (!ReadKernelArray(run, kFixedSourceInput, kernel, int64_t{side} * side)) return false;
    if (!run.FetchOutputFrame(run.bpp)) return false;
    ConvolveKernel(run.inputFrame, kernel, side, side, run.outputFrame, run.height, run.width, false);
    return true;
}

CKernel::~CKernel() { FreeBlock(kernel); }

bool CKernel::Run(void* host, void* inputs, void* inputsContext, void* outputs, void* outputsContext,
                  int32_t errorMax, char16_t* errorBuf) {
    RunFrame run(host, inputs, inputsContext, outputs, outputsContext, errorMax, errorBuf);
    if (!run.FetchInputFrame()) return false;
    const int32_t width = run.ReadInteger(kWidthInput, 0);
    const int32_t height = run.ReadInteger(kHeightInput, 0);
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
    if (!ReadKernelArray(run, kFreeSourceInput, kernel, count)) return false;
    if (!run.FetchOutputFrame(run.bpp)) return false;
    ConvolveKernel(run.inputFrame, kernel, height, width, run.outputFrame, run.height, run.width, false);
    return true;
}
