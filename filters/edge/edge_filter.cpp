#include "edge_filter.h"

#include <initializer_list>

#include "convolution/convolution_engine.h"
#include "edge_stages.h"
#include "numeric.h"
#include "pixel_format.h"
#include "run_frame.h"

namespace {
constexpr int32_t kSigmaInput = 1;
constexpr int32_t kThresholdInput = 2;
}  // namespace

CEdge::CEdge(int32_t methodIndex) : CFilter(methodIndex) {
    cachedWidth = 0;
    cachedHeight = 0;
}

bool CEdge::BuildEdgeKernels(float sigma) {
    const size_t length = 2 * static_cast<size_t>(EdgeHalfWidth(sigma)) + 1;
    if (!gaussKernel.Resize(length) || !derivativeKernel.Resize(length)) return false;
    FillEdgeKernels(sigma, gaussKernel.Data(), derivativeKernel.Data());
    gaussKernel.SetKey(sigma);
    return true;
}

bool CEdge::PreparePlanes(int32_t width, int32_t height) {
    if (rowGrayPlane && width == cachedWidth && height == cachedHeight) return true;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    // All four planes are laid out, so a run fails for want of memory where
    // it always did, though the gradients go straight into the suppression
    // and the gray planes hold bytes.
    for (ScratchArray<float>* plane : {&rowGrayPlane, &columnGrayPlane, &gradientX, &gradientY}) {
        if (!plane->Resize(count)) return false;
    }
    cachedWidth = width;
    cachedHeight = height;
    return true;
}

bool CEdge::Step(RunFrame& run) {
    const int32_t w = run.Width();
    const int32_t h = run.Height();
    const int32_t b = run.Bpp();
    // The edge map is always 8 bits per pixel.
    if (!run.FetchOutputFrame(8)) return false;
    const float sigma = run.Real(kSigmaInput);
    const float threshold = run.Real(kThresholdInput);
    const int32_t level = TruncateToInt32(threshold * 255.0f);
    const int32_t length = 2 * EdgeHalfWidth(sigma) + 1;
    // The passes have nothing to give for other depths: nothing is written,
    // as with every method.
    if (!IsProcessedDepth(b)) return true;

    if (!gaussKernel.BuiltFor(sigma) && !BuildEdgeKernels(sigma)) return run.FailOutOfMemory();
    if (!PreparePlanes(w, h)) return run.FailOutOfMemory();
    // The object's two smoothed-frame buffers are laid out as ever, so a run
    // fails for want of memory where it always did, though the smoothing
    // below hands its bytes straight to the gray planes and leaves them be.
    if (!rowSmoothFrame.Ensure(run.InputFrame(), w, h, b) || !columnSmoothFrame.Ensure(run.InputFrame(), w, h, b)) {
        return run.FailOutOfMemory();
    }
    cachedBpp = b;

    // The input is smoothed in each direction on its own (each input row
    // read once for both), each smoothed frame going straight into its gray
    // plane; the gradients are worked out from those as the suppression
    // goes. Gray values are whole numbers 0..255, so each plane holds them
    // as bytes, in its first width x height bytes.
    uint8_t* rowGray = reinterpret_cast<uint8_t*>(rowGrayPlane.Data());
    uint8_t* columnGray = reinterpret_cast<uint8_t*>(columnGrayPlane.Data());
    SmoothIntoGrayPlanes(run.InputPlane(), gaussKernel.Data(), length, rowGray, columnGray);
    SuppressAndThreshold({rowGray, columnGray, derivativeKernel.Data(), length}, run.OutputPlane(), level);
    return true;
}
