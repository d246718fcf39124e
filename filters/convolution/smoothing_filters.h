// "mean" and "gaussian": a square kernel that is the product of a
// one-dimensional kernel with itself, applied as a row pass and then a column
// pass over the row pass's bytes. The row pass's results go from one pass to
// the other in a few working rows per thread rather than through a
// frame-sized scratch frame, so the object keeps only its kernel.
#pragma once

#include <cstdint>

#include "filter.h"
#include "scratch.h"

// How a method's one-dimensional kernel follows from the radius: the key it
// derives from (rebuilt when that changes) and how 2r + 1 weights are filled.
struct SmoothingKernelRule {
    float (*key)(int32_t radius);
    void (*fill)(float* weights, int32_t radius, float key);
};

// The run shared by both methods.
class CSeparableSmoothing : public CFilter {
public:
    bool Step(RunFrame& frame) override;

    // The cached kernel, for tests that check what is kept between runs.
    const float* CachedKernel() const { return kernel.Data(); }

protected:
    CSeparableSmoothing(int32_t methodIndex, const SmoothingKernelRule& rule) : CFilter(methodIndex), rule(rule) {}

private:
    const SmoothingKernelRule& rule;
    KeyedScratch<float, float> kernel;
};

// The key is the length, 2r + 1.
class CMean final : public CSeparableSmoothing {
public:
    explicit CMean(int32_t methodIndex);
};

// The key is the standard deviation.
class CGaussian final : public CSeparableSmoothing {
public:
    explicit CGaussian(int32_t methodIndex);
};
