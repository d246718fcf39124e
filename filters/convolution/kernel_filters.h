// Methods on the two-dimensional kernel engine with kernels of their own:
// "blur" (a box with a weighted centre, normalised) and the three Laplacian
// high-boost methods (3 x 3, not normalised).
#pragma once

#include <cstdint>

#include "filter.h"
#include "scratch.h"

// "blur": "Kernel radius" and "Pass-through rating", the share of the result
// the centre pixel makes up. A rating of exactly 1 copies the input frame
// whole.
class CBlur final : public CFilter {
public:
    explicit CBlur(int32_t methodIndex) : CFilter(methodIndex) {}
    bool Step(RunFrame& frame) override;

    const float* CachedKernel() const { return kernel.Data(); }

private:
    // The side and the rating a kernel was built for.
    struct Key {
        int32_t side;
        float passThrough;
        bool operator==(const Key& other) const { return side == other.side && passThrough == other.passThrough; }
    };
    KeyedScratch<float, Key> kernel;
};

// The eight outer weights of a 3 x 3 high-boost kernel (rows in array order)
// and the constant added to the coefficient at the centre, so the kernel sums
// to the coefficient.
struct HighBoostPattern {
    float outer[9];  // the centre entry is unused
    double centreBase;
};

// "High-boost coefficient" b sets the centre.
class CLaplacianHighBoost : public CFilter {
public:
    bool Step(RunFrame& frame) override;

    const float* CachedKernel() const { return kernel.Data(); }

protected:
    CLaplacianHighBoost(int32_t methodIndex, const HighBoostPattern& pattern)
        : CFilter(methodIndex), pattern(pattern) {}

private:
    float CentreWeight(float b) const;

    const HighBoostPattern& pattern;
    KeyedScratch<float, float> kernel;  // keyed by the b of its centre weight
};

// "laplacian_high_boost_1": 1 -2 1 / -2 b+4 -2 / 1 -2 1.
class CLaplacian421 final : public CLaplacianHighBoost {
public:
    explicit CLaplacian421(int32_t methodIndex);
};

// "laplacian_high_boost_2": 0 -1 0 / -1 b+4 -1 / 0 -1 0.
class CLaplacian410 final : public CLaplacianHighBoost {
public:
    explicit CLaplacian410(int32_t methodIndex);
};

// "laplacian_high_boost_3": -1 -1 -1 / -1 b+8 -1 / -1 -1 -1.
class CLaplacian811 final : public CLaplacianHighBoost {
public:
    explicit CLaplacian811(int32_t methodIndex);
};
