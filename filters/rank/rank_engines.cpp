#include "rank_engines.h"

#include "rank_kernels.h"

namespace rank {

const KernelSet& ActiveKernels() {
    static const KernelSet& active = Avx2Kernels() ? *Avx2Kernels() : BaselineKernels();
    return active;
}

bool MedianFilter(int32_t bitsPerPixel, const PixelPlane& input, const PixelPlane& output, int32_t radius,
                  ThreadScratch& scratch) {
    return ActiveKernels().medianFilter(bitsPerPixel, input, output, radius, scratch);
}

bool MedianByHistograms(int32_t bitsPerPixel, const PixelPlane& input, const PixelPlane& output, int32_t radius,
                        ThreadScratch& scratch) {
    return ActiveKernels().medianByHistograms(bitsPerPixel, input, output, radius, scratch);
}

bool SelectExtremes(ExtremeSelection selection, int32_t bitsPerPixel, const PixelPlane& input,
                    const PixelPlane& output, int32_t radius, float intensity, ThreadScratch& scratch) {
    return ActiveKernels().selectExtremes(selection, bitsPerPixel, input, output, radius, intensity, scratch);
}

}  // namespace rank
