// "mean" and "gaussian": a square kernel that is the product of a
// one-dimensional kernel with itself, applied as a row pass and then a column
// pass over the row pass's bytes. The row pass's results go from one pass to
// the other in a few working rows per thread rather than through a
// frame-sized scratch frame, so the object keeps only its kernel.
#pragma once

#include <cstdint>

#include "filter.h"

class RunFrame;

// The run shared by both methods; the subclasses say when the held kernel
// no longer fits the radius and how to fill it.
class CSeparableSmoothing : public CFilter {
public:
    bool Step(RunFrame& frame) override;
    ~CSeparableSmoothing() override;

    // The cached kernel, for tests that check what is kept between runs.
    const float* CachedKernel() const { return kernel; }

protected:
    using CFilter::CFilter;

    // True when the held kernel must be rebuilt for this radius.
    virtual bool KernelOutdated(int32_t radius) const = 0;
    // Fills `kernel` (2r + 1 elements) and records its key.
    virtual void BuildKernel(int32_t radius) = 0;

    float* kernel = nullptr;
};

class CMean final : public CSeparableSmoothing {
public:
    explicit CMean(int32_t methodIndex) : CSeparableSmoothing(methodIndex) {}

private:
    bool KernelOutdated(int32_t radius) const override;
    void BuildKernel(int32_t radius) override;

    int32_t kernelLength = 0;
};

class CGaussian final : public CSeparableSmoothing {
public:
    explicit CGaussian(int32_t methodIndex) : CSeparableSmoothing(methodIndex) {}

private:
    bool KernelOutdated(int32_t radius) const override;
    void BuildKernel(int32_t radius) override;

    float sigma = 0.0f;
};
