// Parallel loops over rows. Every loop cuts the rows into contiguous blocks
// in row order, one block per OpenMP thread, as a static schedule does: the
// blocks only change who computes a row, never what it holds.
#pragma once

#include <omp.h>

#include <cstdint>

template <class RowFn>
inline void ParallelRows(int32_t count, RowFn&& rowFn) {
    if (count < 1) return;
#pragma omp parallel for schedule(static)
    for (int32_t y = 0; y < count; ++y) rowFn(y);
}

// The number of blocks for `count` rows: one per OpenMP thread, never more
// than there are rows. Scratch kept per block is sized by it.
inline int32_t RowBlockCount(int32_t count) {
    const int32_t threads = omp_get_max_threads();
    if (count < 1) return 1;
    return threads < 1 ? 1 : (threads < count ? threads : count);
}

// Runs blockFn(k, begin, end) for rows [begin, end) of block k of `blocks`,
// each block on its own thread, so that a routine can carry working rows
// from one row to the next and use the scratch of its block.
template <class BlockFn>
void ParallelRowBlocks(int32_t count, int32_t blocks, BlockFn&& blockFn) {
    if (count < 1) return;
#pragma omp parallel for schedule(static) num_threads(blocks)
    for (int32_t k = 0; k < blocks; ++k) {
        const int32_t begin = static_cast<int32_t>(static_cast<int64_t>(count) * k / blocks);
        const int32_t end = static_cast<int32_t>(static_cast<int64_t>(count) * (k + 1) / blocks);
        if (begin < end) blockFn(k, begin, end);
    }
}

// The same over RowBlockCount(count) blocks, for routines without scratch
// per block: blockFn(begin, end).
template <class BlockFn>
void ParallelRowBlocks(int32_t count, BlockFn&& blockFn) {
    ParallelRowBlocks(count, RowBlockCount(count), [&](int32_t, int32_t begin, int32_t end) { blockFn(begin, end); });
}
