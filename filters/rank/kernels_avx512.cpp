// The rank kernels compiled for AVX-512. Everything this file includes ahead of
// the target region keeps the baseline instruction set (the standard library,
// the shared helpers), so nothing compiled here for AVX-512 can stand in for a
// baseline function elsewhere; the kernels live in their own namespace.
#include "instruction_sets.h"
#include "kernel_dependencies.h"

#if defined(KAF_X86_SETS)

// GCC 12 reports its own _mm512_undefined_* placeholders as maybe uninitialized.
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif
KAF_TARGET_BEGIN(KAF_SET_AVX512)
#define RANK_KERNELS avx512
#define RANK_KERNELS_AVX512 1
#include "extremes_kernels.h"
#include "median_kernels.h"
KAF_TARGET_END()

namespace rank {

const KernelSet* Avx512Kernels() {
    static const KernelSet kSet{"avx512", &avx512::MedianFilter, &avx512::MedianByHistograms,
                                &avx512::SelectExtremes};
    return &kSet;
}

}  // namespace rank

#else

namespace rank {

const KernelSet* Avx512Kernels() { return nullptr; }

}  // namespace rank

#endif
