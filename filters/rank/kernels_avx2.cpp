// The rank kernels compiled for AVX2. Everything this file includes ahead of
// the target pragma keeps the baseline instruction set (the standard library,
// the shared helpers), so nothing compiled here for AVX2 can stand in for a
// baseline function elsewhere; the kernels live in their own namespace.
#include "kernel_dependencies.h"

#if defined(__GNUC__) && !defined(__clang__) && (defined(__x86_64__) || defined(__i386__))

#pragma GCC target("avx2")
#define RANK_KERNELS avx2
#define RANK_KERNELS_AVX2 1
#include "extremes_kernels.h"
#include "median_kernels.h"
#pragma GCC reset_options

namespace rank {

const KernelSet* Avx2Kernels() {
    static const KernelSet kSet{"avx2", &avx2::MedianFilter, &avx2::MedianByHistograms, &avx2::SelectExtremes};
    static const bool usable = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return usable ? &kSet : nullptr;
}

}  // namespace rank

#else

namespace rank {

const KernelSet* Avx2Kernels() { return nullptr; }

}  // namespace rank

#endif
