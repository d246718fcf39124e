// A parallel loop over rows in which every thread takes one contiguous block
// of rows, in row order, and sees the whole block at once, so that it can
// carry working rows (on its own stack) from one row to the next.
#pragma once

#include <omp.h>

#include <cstdint>

template <class BlockFn>
void ParallelRowBlocks(int32_t count, BlockFn&& blockFn) {
    if (count < 1) return;
#pragma omp parallel
    {
        const int64_t threads = omp_get_num_threads();
        const int64_t thread = omp_get_thread_num();
        const int32_t begin = static_cast<int32_t>(count * thread / threads);
        const int32_t end = static_cast<int32_t>(count * (thread + 1) / threads);
        if (begin < end) blockFn(begin, end);
    }
}
