// Working memory of the rank filters: one area per thread, carved into
// cache-aligned rows and tables. The block belongs to the filter object, is
// grown with realloc when a run needs more than the last one, and is freed by
// the destructor, so a stream of equal frames allocates nothing after the
// first run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "parallel.h"
#include "scratch.h"

namespace rank {

constexpr size_t kScratchAlignment = 64;

inline size_t AlignUp(size_t value) { return (value + kScratchAlignment - 1) & ~(kScratchAlignment - 1); }

// Hands out consecutive aligned pieces of one thread's area. With a null
// base it only counts, so the same layout code measures an area and then
// carves it.
class ScratchCarver {
public:
    explicit ScratchCarver(uint8_t* base = nullptr) : base_(base) {}

    template <class T>
    T* Take(size_t count) {
        offset_ = AlignUp(offset_);
        T* piece = base_ ? reinterpret_cast<T*>(base_ + offset_) : nullptr;
        offset_ += count * sizeof(T);
        return piece;
    }

    size_t Used() const { return AlignUp(offset_); }

private:
    uint8_t* base_;
    size_t offset_ = 0;
};

class ThreadScratch {
public:
    ThreadScratch() = default;
    ThreadScratch(const ThreadScratch&) = delete;
    ThreadScratch& operator=(const ThreadScratch&) = delete;

    // Room for `areas` areas of `bytesPerArea` bytes each. False (and the old
    // block kept) when the size overflows or the allocation fails.
    bool Reserve(size_t bytesPerArea, int32_t areas) {
        const size_t stride = AlignUp(bytesPerArea);
        const size_t count = areas > 0 ? static_cast<size_t>(areas) : 1;
        if (stride > (SIZE_MAX - kScratchAlignment) / count) return false;
        const size_t bytes = stride * count + kScratchAlignment;
        if (bytes > capacity_) {
            if (!block_.Resize(bytes)) return false;
            capacity_ = bytes;
        }
        stride_ = stride;
        return true;
    }

    // The start of area k, aligned to kScratchAlignment.
    uint8_t* Area(int32_t k) const {
        const uintptr_t start = reinterpret_cast<uintptr_t>(block_.Data());
        const uintptr_t aligned = (start + kScratchAlignment - 1) & ~uintptr_t(kScratchAlignment - 1);
        return reinterpret_cast<uint8_t*>(aligned) + static_cast<size_t>(k) * stride_;
    }

private:
    ScratchArray<uint8_t> block_;
    size_t capacity_ = 0;
    size_t stride_ = 0;
};

// Rows per block of a rank engine's parallel loop. A block starts by
// reading the 2r rows above its first, which the block before reads too, so
// blocks are at least twice that tall.
inline int32_t RankBlockRows(int32_t height, int32_t threads, int32_t radius) {
    const int32_t overlapBound = 4 * radius;
    return RowsPerBlock(height, threads, overlapBound > 16 ? overlapBound : 16);
}

}  // namespace rank
