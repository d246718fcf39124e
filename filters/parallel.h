// Parallel loops over rows: one OpenMP region, static schedule, so every
// thread takes one contiguous block of rows in row order.
#pragma once

#include <cstdint>

template <class RowFn>
inline void ParallelRows(int32_t count, RowFn&& rowFn) {
    if (count < 1) return;
#pragma omp parallel for schedule(static)
    for (int32_t y = 0; y < count; ++y) rowFn(y);
}
