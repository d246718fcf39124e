#include "rank_engines.h"

#include "rank_kernels.h"

namespace rank {

const KernelSet* KernelsFor(kaf_isa::InstructionSet set) {
    switch (set) {
        case kaf_isa::InstructionSet::Baseline: return &BaselineKernels();
        case kaf_isa::InstructionSet::Avx2: return Avx2Kernels();
        case kaf_isa::InstructionSet::Avx512: return Avx512Kernels();
        default: return nullptr;
    }
}

const KernelSet& ActiveKernels() {
    static const KernelSet& active = kaf_isa::WidestTable(KernelsFor);
    return active;
}

bool MedianFilter(const PixelPlane& input, const PixelPlane& output, int32_t radius, ThreadScratch& scratch) {
    return ActiveKernels().medianFilter(input, output, radius, scratch);
}

bool MedianByHistograms(const PixelPlane& input, const PixelPlane& output, int32_t radius, ThreadScratch& scratch) {
    return ActiveKernels().medianByHistograms(input, output, radius, scratch);
}

bool SelectExtremes(ExtremeSelection selection, const PixelPlane& input, const PixelPlane& output, int32_t radius,
                    float intensity, ThreadScratch& scratch) {
    return ActiveKernels().selectExtremes(selection, input, output, radius, intensity, scratch);
}

}  // namespace rank
