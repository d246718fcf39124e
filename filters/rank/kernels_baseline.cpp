// The rank kernels for the baseline instruction set of the target.
#include "kernel_dependencies.h"

#define RANK_KERNELS baseline
#include "extremes_kernels.h"
#include "median_kernels.h"

namespace rank {

const KernelSet& BaselineKernels() {
    static const KernelSet kSet{"baseline", &baseline::MedianFilter, &baseline::MedianByHistograms,
                                &baseline::SelectExtremes};
    return kSet;
}

}  // namespace rank
