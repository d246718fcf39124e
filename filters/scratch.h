// Scratch buffers owned by method objects: grown with realloc, kept from run
// to run, freed with the object. A failed allocation leaves the old block in
// place and reports false; nothing is ever written through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ka_iproc.h"
#include "pixel_format.h"

// Frame-sized blocks are walked row after row, each row on pages of its own:
// on large pages the walk needs far fewer address translations. Only a hint;
// the block's contents and use are the same either way.
void AskForLargePages(void* block, size_t bytes);

// Resizes *block to count elements of T. False (block unchanged) when the
// byte count overflows or realloc fails.
template <class T>
bool ReallocArray(T*& block, size_t count) {
    if (count > SIZE_MAX / sizeof(T)) return false;
    const size_t bytes = count * sizeof(T);
    void* grown = std::realloc(block, bytes ? bytes : 1);
    if (!grown) return false;
    block = static_cast<T*>(grown);
    AskForLargePages(grown, bytes);
    return true;
}

// A block of elements of T.
template <class T>
class ScratchArray {
public:
    ScratchArray() = default;
    ScratchArray(const ScratchArray&) = delete;
    ScratchArray& operator=(const ScratchArray&) = delete;
    ~ScratchArray() { std::free(block_); }

    // count elements, the first ones kept; false (block unchanged) on failure.
    bool Resize(size_t count) { return ReallocArray(block_, count); }
    void Release() {
        std::free(block_);
        block_ = nullptr;
    }
    T* Data() const { return block_; }
    T& operator[](size_t k) const { return block_[k]; }
    explicit operator bool() const { return block_ != nullptr; }

private:
    T* block_ = nullptr;
};

// A scratch array that knows the key it was built for (a length, a standard
// deviation, a size), so that it is rebuilt only when the key changes.
template <class T, class Key>
class KeyedScratch : public ScratchArray<T> {
public:
    explicit KeyedScratch(Key initial = Key{}) : key_(initial) {}

    // True when there is a block and it was built for this key (never for a
    // key that does not equal itself, such as a NaN).
    bool BuiltFor(const Key& key) const { return *this && key_ == key; }
    const Key& BuiltKey() const { return key_; }
    void SetKey(const Key& key) { key_ = key; }
    // Resize, recording the key only when the block could be had.
    bool Rebuild(const Key& key, size_t count) {
        if (!this->Resize(count)) return false;
        key_ = key;
        return true;
    }

private:
    Key key_;
};

// A private frame: a block laid out by InitFrameDIB.
class ScratchFrame {
public:
    ScratchFrame() = default;
    ScratchFrame(const ScratchFrame&) = delete;
    ScratchFrame& operator=(const ScratchFrame&) = delete;

    // Makes the block a frame like `like` (GetFrameSize bytes) with the given
    // geometry unless it is one already. False on a failed or impossible
    // allocation.
    bool Ensure(FrameHandle like, int32_t width, int32_t height, int32_t bitsPerPixel);
    // A block of `bytes` bytes laid out with the given geometry; false (block
    // unchanged) when it cannot be had.
    bool LayOut(size_t bytes, int32_t width, int32_t height, int32_t bitsPerPixel);
    // Whether the block is laid out with this geometry. The block, not the
    // method's geometry cache, says what it was built for: a run that updates
    // the cache and then fails leaves the block as it was.
    bool Holds(int32_t width, int32_t height, int32_t bitsPerPixel) const {
        return block_ && width == width_ && height == height_ && bitsPerPixel == bitsPerPixel_;
    }
    FrameHandle Handle() const { return block_.Data(); }
    // The frame's pixels (an empty plane when there is no block).
    PixelPlane Plane() const;

private:
    ScratchArray<uint8_t> block_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t bitsPerPixel_ = 0;
};
