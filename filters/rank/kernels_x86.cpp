// The rank kernels compiled for AVX2 and for AVX-512. Everything this file
// includes ahead of the target regions keeps the baseline instruction set
// (the standard library, the shared helpers), so nothing compiled here for
// a wider set can stand in for a baseline function elsewhere; each set's
// kernels live in their own namespace.
#include "instruction_sets.h"
#include "kernel_dependencies.h"

#if defined(KAF_X86_SETS)

KAF_TARGET_BEGIN(KAF_SET_AVX2)
#define RANK_KERNELS avx2
#define RANK_KERNELS_AVX2 1
#include "extremes_kernels.h"
#include "median_kernels.h"
#undef RANK_KERNELS
#undef RANK_KERNELS_AVX2
#undef RANK_KERNELS_KEY_LANES
KAF_TARGET_END()

KAF_TARGET_BEGIN(KAF_SET_AVX512)
#define RANK_KERNELS avx512
#define RANK_KERNELS_AVX512 1
#include "extremes_kernels.h"
#include "median_kernels.h"
KAF_TARGET_END()

namespace rank {

const KernelSet* Avx2Kernels() {
    static const KernelSet kSet{"avx2", &avx2::MedianFilter, &avx2::MedianByHistograms, &avx2::SelectExtremes};
    return &kSet;
}

const KernelSet* Avx512Kernels() {
    static const KernelSet kSet{"avx512", &avx512::MedianFilter, &avx512::MedianByHistograms,
                                &avx512::SelectExtremes};
    return &kSet;
}

}  // namespace rank

#else

namespace rank {

const KernelSet* Avx2Kernels() { return nullptr; }
const KernelSet* Avx512Kernels() { return nullptr; }

}  // namespace rank

#endif
