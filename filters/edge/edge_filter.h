// "edge": a gradient-of-Gaussian edge detector. The input (8, 24 or 32
// bits) is smoothed along rows and, separately, along columns; each smoothed
// frame becomes a gray plane, differentiated along its own direction; every
// interior pixel of the 8-bit output is 255 where the gradient magnitude is
// a strict local maximum across the gradient direction and, times 20,
// exceeds the threshold level, 0 elsewhere. The output's border rows and
// columns are left as the host handed the frame over.
//
// Inputs: "Standard deviation" and "Threshold" (the level is threshold x 255
// truncated).
#pragma once

#include <cstdint>

#include "filter.h"
#include "scratch.h"

class CEdge final : public CFilter {
public:
    explicit CEdge(int32_t methodIndex);
    bool Step(RunFrame& frame) override;

    // The cached kernels, for tests that check what is kept between runs.
    const float* CachedGaussKernel() const { return gaussKernel.Data(); }
    const float* CachedDerivativeKernel() const { return derivativeKernel.Data(); }
    const void* CachedRowSmoothFrame() const { return rowSmoothFrame.Handle(); }

private:
    // (Re)builds both kernels for sigma and records it in kernelSigma.
    bool BuildEdgeKernels(float sigma);
    bool PreparePlanes(int32_t width, int32_t height);

    // cachedWidth and cachedHeight are the planes' size (0 at creation);
    // cachedBpp is the depth of the input of the last run that reached the
    // buffers (-1 at creation).
    ScratchFrame rowSmoothFrame;
    ScratchFrame columnSmoothFrame;
    KeyedScratch<float, float> gaussKernel;  // keyed by sigma, as is derivativeKernel
    ScratchArray<float> derivativeKernel;
    ScratchArray<float> rowGrayPlane;
    ScratchArray<float> columnGrayPlane;
    ScratchArray<float> gradientX;
    ScratchArray<float> gradientY;
};
