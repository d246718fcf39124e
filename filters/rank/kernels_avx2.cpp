// The rank kernels compiled for AVX2. Everything this file includes ahead of
// the target region keeps the baseline instruction set (the standard library,
// the shared helpers), so nothing compiled here for AVX2 can stand in for a
// baseline function elsewhere; the kernels live in their own namespace.
#include "instruction_sets.h"
#include "kernel_dependencies.h"

#if defined(KAF_X86_SETS)

KAF_TARGET_BEGIN(KAF_SET_AVX2)
#define RANK_KERNELS avx2
#define RANK_KERNELS_AVX2 1
#include "extremes_kernels.h"
#include "median_kernels.h"
KAF_TARGET_END()

namespace rank {

const KernelSet* Avx2Kernels() {
    static const KernelSet kSet{"avx2", &avx2::MedianFilter, &avx2::MedianByHistograms, &avx2::SelectExtremes};
    return &kSet;
}

}  // namespace rank

#else

namespace rank {

const KernelSet* Avx2Kernels() { return nullptr; }

}  // namespace rank

#endif
