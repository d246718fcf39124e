// Parallel loops over rows. Every loop cuts the rows into contiguous blocks
// in row order; the blocks only change who computes a row, never what it
// holds.
#pragma once

#include <omp.h>

#include <cstdint>

template <class RowFn>
inline void ParallelRows(int32_t count, RowFn&& rowFn) {
    if (count < 1) return;
#pragma omp parallel for schedule(static)
    for (int32_t y = 0; y < count; ++y) rowFn(y);
}

// The number of threads for a loop over `count` rows: the OpenMP threads,
// never more than there are rows. Scratch kept per thread is sized by it.
inline int32_t RowBlockCount(int32_t count) {
    const int32_t threads = omp_get_max_threads();
    if (count < 1) return 1;
    return threads < 1 ? 1 : (threads < count ? threads : count);
}

// Rows per block for a loop over `count` rows on `threads` threads that
// hands the blocks out on demand: a few blocks per thread, so that a thread
// the machine holds up leaves its last blocks to the others, but at least
// minRows, since a routine that carries working rows from one row to the
// next starts each block afresh. One thread takes all rows at once.
inline int32_t RowsPerBlock(int32_t count, int32_t threads, int32_t minRows) {
    constexpr int64_t kBlocksPerThread = 4;
    if (threads <= 1 || count < 1) return count < 1 ? 1 : count;
    const int64_t blocks = kBlocksPerThread * threads;
    const int64_t share = (count + blocks - 1) / blocks;
    return static_cast<int32_t>(share > minRows ? share : (minRows > 1 ? minRows : 1));
}

// Runs blockFn(thread, begin, end) for rows [begin, end) of every block of
// blockRows rows (the last may be shorter), the blocks handed out in order
// to `threads` threads as each finishes its last. `thread` (below `threads`)
// says whose scratch to use; a routine can carry working rows from one row
// of a block to the next.
template <class BlockFn>
void ParallelRowBlocks(int32_t count, int32_t threads, int32_t blockRows, BlockFn&& blockFn) {
    if (count < 1 || blockRows < 1) return;
    const int32_t blocks = static_cast<int32_t>((static_cast<int64_t>(count) + blockRows - 1) / blockRows);
#pragma omp parallel for schedule(dynamic, 1) num_threads(threads)
    for (int32_t k = 0; k < blocks; ++k) {
        const int64_t begin = static_cast<int64_t>(k) * blockRows;
        const int64_t end = begin + blockRows < count ? begin + blockRows : count;
        blockFn(static_cast<int32_t>(omp_get_thread_num()), static_cast<int32_t>(begin), static_cast<int32_t>(end));
    }
}

// Runs blockFn(begin, end) over blocks of at least minRows rows (see
// RowsPerBlock) handed out on demand to the loop's threads, for routines that
// keep no scratch per thread: each block starts its working rows afresh.
template <class BlockFn>
void ParallelRowBlocks(int32_t count, int32_t minRows, BlockFn&& blockFn) {
    const int32_t threads = RowBlockCount(count);
    ParallelRowBlocks(count, threads, RowsPerBlock(count, threads, minRows),
                      [&](int32_t, int32_t begin, int32_t end) { blockFn(begin, end); });
}
