// "mean" and "gaussian": a square kernel that is the product of a
// one-dimensional kernel with itself, applied as a row pass and then a column
// pass over the row pass's bytes. The row pass's results go from one pass to
// the other in a few working rows per thread rather than through a
// frame-sized scratch frame, so the object keeps only its kernel.
#pragma once

#include <cstdint>

#include "filter.h"
#include "scratch.h"

// The run shared by both methods; the subclasses say what key a radius gives
// their kernel and how to fill it.
class CSeparableSmoothing : public CFilter {
public:
    bool Step(RunFrame& frame) override;

    // The cached kernel, for tests that check what is kept between runs.
    const float* CachedKernel() const { return kernel.Data(); }

protected:
    using CFilter::CFilter;

    // The value the kernel of this radius derives from: it is rebuilt when
    // that changes.
    virtual float KernelKey(int32_t radius) const = 0;
    // Fills 2r + 1 elements for the radius and its key.
    virtual void FillKernel(float* weights, int32_t radius, float key) const = 0;

private:
    KeyedScratch<float, float> kernel;
};

// The key is the length, 2r + 1.
class CMean final : public CSeparableSmoothing {
public:
    explicit CMean(int32_t methodIndex) : CSeparableSmoothing(methodIndex) {}

private:
    float KernelKey(int32_t radius) const override;
    void FillKernel(float* weights, int32_t radius, float key) const override;
};

// The key is the standard deviation.
class CGaussian final : public CSeparableSmoothing {
public:
    explicit CGaussian(int32_t methodIndex) : CSeparableSmoothing(methodIndex) {}

private:
    float KernelKey(int32_t radius) const override;
    void FillKernel(float* weights, int32_t radius, float key) const override;
};
