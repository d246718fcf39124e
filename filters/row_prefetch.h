// Asking for a frame row before it is read. The filters walk frames row by
// row, and a row of a few KiB or more starts on a new page, where the
// processor's own stream prefetch starts over: the first lines of every row
// then wait for far memory. Asking for the row the routine will read next
// but one, a cache line at a time, lets it stream in while the current row
// is worked on.
#pragma once

#include <cstddef>
#include <cstdint>

inline void PrefetchRow(const uint8_t* row, size_t bytes) {
#if defined(__GNUC__)
    for (size_t i = 0; i < bytes; i += 64) __builtin_prefetch(row + i);
#else
    (void)row;
    (void)bytes;
#endif
}
