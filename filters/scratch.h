// Scratch buffers owned by method objects: grown with realloc, kept from run
// to run, freed by the destructor. A failed allocation leaves the old block
// in place and reports false; nothing is ever written through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ka_iproc.h"

// Resizes *block to count elements of T. False (block unchanged) when the
// byte count overflows or realloc fails.
template <class T>
bool ReallocArray(T*& block, size_t count) {
    if (count > SIZE_MAX / sizeof(T)) return false;
    const size_t bytes = count * sizeof(T);
    void* grown = std::realloc(block, bytes ? bytes : 1);
    if (!grown) return false;
    block = static_cast<T*>(grown);
    return true;
}

// Makes block a frame like `like` (GetFrameSize bytes) laid out by
// InitFrameDIB with the given geometry, when it is still null or the
// geometry changed; otherwise leaves it as it is. False on a failed or
// impossible allocation.
bool EnsureScratchFrame(void*& block, FrameHandle like, int32_t width, int32_t height, int32_t bitsPerPixel,
                        bool geometryChanged);

// Frees a block and nulls the pointer.
template <class T>
void FreeBlock(T*& block) {
    std::free(block);
    block = nullptr;
}
