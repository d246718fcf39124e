// User kernels: "kernel_3x3", "kernel_5x5" and "kernel" convolve with the
// numbers of the "Kernel source" array, element k becoming kernel row
// k / width, column k mod width, as the user wrote them (no normalisation,
// results clamped to 0..255).
#pragma once

#include <cstdint>

#include "filter.h"

// "kernel_3x3" and "kernel_5x5": a square kernel of fixed side.
class CFixedUserKernel : public CFilter {
public:
    ~CFixedUserKernel() override;
    bool Step(RunFrame& frame) override;

    const float* CachedKernel() const { return kernel; }

protected:
    CFixedUserKernel(int32_t methodIndex, int32_t side) : CFilter(methodIndex), side(side) {}

private:
    const int32_t side;
    float* kernel = nullptr;
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
    ~CKernel() override;
    bool Step(RunFrame& frame) override;

    const float* CachedKernel() const { return kernel; }
    int32_t CachedKernelWidth() const { return kernelWidth; }
    int32_t CachedKernelHeight() const { return kernelHeight; }

private:
    float* kernel = nullptr;
    // The size of the held kernel; the starting values match no accepted size.
    int32_t kernelWidth = -1;
    int32_t kernelHeight = -10;
};
