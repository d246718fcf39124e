// User kernels: "kernel_3x3", "kernel_5x5" and "kernel" convolve with the
// numbers of the "Kernel source" array, element k becoming kernel row
// k / width, column k mod width, as the user wrote them (no normalisation,
// results clamped to 0..255).
#pragma once

#include <cstdint>

#include "filter.h"
#include "scratch.h"

// "kernel_3x3" and "kernel_5x5": a square kernel of fixed side.
class CFixedUserKernel : public CFilter {
public:
    bool Step(RunFrame& frame) override;

    const float* CachedKernel() const { return kernel.Data(); }

protected:
    CFixedUserKernel(int32_t methodIndex, int32_t side) : CFilter(methodIndex), side(side) {}

private:
    const int32_t side;
    ScratchArray<float> kernel;
};

class CKernel3x3 final : public CFixedUserKernel {
public:
    explicit CKernel3x3(int32_t methodIndex) : CFixedUserKernel(methodIndex, 3) {}
};

class CKernel5x5 final : public CFixedUserKernel {
public:
    explicit CKernel5x5(int32_t methodIndex) : CFixedUserKernel(methodIndex, 5) {}
};

// "kernel": "Kernel width" and "Kernel height" (odd integers, or the run
// fails) then the "Kernel source" array.
class CKernel final : public CFilter {
public:
    explicit CKernel(int32_t methodIndex) : CFilter(methodIndex) {}
    bool Step(RunFrame& frame) override;

    const float* CachedKernel() const { return kernel.Data(); }
    int32_t CachedKernelWidth() const { return kernel.BuiltKey().width; }
    int32_t CachedKernelHeight() const { return kernel.BuiltKey().height; }

private:
    struct Size {
        int32_t width;
        int32_t height;
        bool operator==(const Size& other) const { return width == other.width && height == other.height; }
    };
    // Keyed by its size; the starting key matches no accepted size.
    KeyedScratch<float, Size> kernel{Size{-1, -10}};
};
