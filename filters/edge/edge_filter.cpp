#include "edge_filter.h"

#include <initializer_list>

#include "convolution/convolution_engine.h"
#include "edge_stages.h"
#include "numeric.h"
#include "pixel_format.h"
#include "run_frame.h"
#include "scratch.h"

namespace {
constexpr int32_t kSigmaInput = 1;
constexpr int32_t kThresholdInput = 2;
}  // namespace

CEdge::CEdge(int32_t methodIndex) : CFilter(methodIndex) {
    cachedWidth = 0;
    cachedHeight = 0;
}

CEdge::~CEdge() {
    FreeBlock(rowSmoothFrame);
    FreeBlock(columnSmoothFrame);
    FreeBlock(gaussKernel);
    FreeBlock(derivativeKernel);
    FreeBlock(rowGrayPlane);
    FreeBlock(columnGrayPlane);
    FreeBlock(gradientX);
    FreeBlock(gradientY);
}

bool CEdge::BuildEdgeKernels(float sigma) {
    const size_t length = 2 * static_cast<size_t>(EdgeHalfWidth(sigma)) + 1;
    if (!ReallocArray(gaussKernel, length) || !ReallocArray(derivativeKernel, length)) return false;
    FillEdgeKernels(sigma, gaussKernel, derivativeKernel);
    kernelSigma = sigma;
    return true;
}

bool CEdge::PreparePlanes(int32_t width, int32_t height) {
    if (rowGrayPlane && width == cachedWidth && height == cachedHeight) return true;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (float** plane : {&rowGrayPlane, &columnGrayPlane, &gradientX, &gradientY}) {
        if (!ReallocArray(*plane, count)) return false;
    }
    cachedWidth = width;
    cachedHeight = height;
    return true;
}

bool CEdge::Step(RunFrame& run) {
    const int32_t w = run.Width();
    const int32_t h = run.Height();
    const int32_t b = run.Bpp();
    // Against the buffers of the last run that got as far as them.
    const bool geometryChanged = w != cachedWidth || h != cachedHeight || b != cachedBpp;
    // The edge map is always 8 bits per pixel.
    if (!run.FetchOutputFrame(8)) return false;
    const float sigma = run.Real(kSigmaInput);
    const float threshold = run.Real(kThresholdInput);
    const int32_t level = TruncateToInt32(threshold * 255.0f);
    const int32_t length = 2 * EdgeHalfWidth(sigma) + 1;
    // The passes have nothing to give for other depths: nothing is written,
    // as with every method.
    if (!DispatchByDepth(b, [](auto) {})) return true;

    if ((!gaussKernel || kernelSigma != sigma) && !BuildEdgeKernels(sigma)) return run.FailOutOfMemory();
    if (!PreparePlanes(w, h)) return run.FailOutOfMemory();
    if (geometryChanged) framesLayoutPending = true;
    if (!EnsureScratchFrame(rowSmoothFrame, run.InputFrame(), w, h, b, framesLayoutPending) ||
        !EnsureScratchFrame(columnSmoothFrame, run.InputFrame(), w, h, b, framesLayoutPending)) {
        return run.FailOutOfMemory();
    }
    framesLayoutPending = false;
    cachedBpp = b;

    // Each smoothed frame is smoothed in one direction only, both from the input.
    ConvolveRows(run.InputFrame(), gaussKernel, length, rowSmoothFrame, h, w);
    ConvolveColumns(run.InputFrame(), gaussKernel, length, columnSmoothFrame, h, w);
    ConvertToGrayPlane(rowSmoothFrame, rowGrayPlane, h, w);
    ConvertToGrayPlane(columnSmoothFrame, columnGrayPlane, h, w);
    RowDerivativePass(rowGrayPlane, derivativeKernel, length, gradientX, h, w);
    ColumnDerivativePass(columnGrayPlane, derivativeKernel, length, gradientY, h, w);
    SuppressAndThreshold(gradientX, gradientY, run.OutputFrame(), h, w, level);
    return true;
}
