// The rank engines exist once per instruction set: the same kernel source
// (median_kernels.h, extremes_kernels.h) compiled for the baseline of the
// target and, on x86 with GCC or Clang, once more for AVX2 and for AVX-512, chosen at run
// time by what the processor offers. Each lane of a vector does one pixel's
// own work in both, so both sets give the same bytes.
#pragma once

#include <cstdint>

#include "instruction_sets.h"
#include "pixel_format.h"
#include "rank_engines.h"
#include "thread_scratch.h"

namespace rank {

struct KernelSet {
    const char* name;
    bool (*medianFilter)(const PixelPlane& input, const PixelPlane& output, int32_t radius, ThreadScratch& scratch);
    bool (*medianByHistograms)(const PixelPlane& input, const PixelPlane& output, int32_t radius,
                               ThreadScratch& scratch);
    bool (*selectExtremes)(ExtremeSelection selection, const PixelPlane& input, const PixelPlane& output,
                           int32_t radius, float intensity, ThreadScratch& scratch);
};

const KernelSet& BaselineKernels();
// Null when this build has no such set.
const KernelSet* Avx2Kernels();
const KernelSet* Avx512Kernels();
// The set compiled for an instruction set (null where the build has none).
const KernelSet* KernelsFor(kaf_isa::InstructionSet set);

// The set the engines of rank_engines.h use.
const KernelSet& ActiveKernels();

}  // namespace rank
