// Methods on the two-dimensional kernel engine with kernels of their own:
// "blur" (a box with a weighted centre, normalised) and the three Laplacian
// high-boost methods (3 x 3, not normalised).
#pragma once

#include <cstdint>

#include "filter.h"

// "blur": "Kernel radius" and "Pass-through rating", the share of the result
// the centre pixel makes up. A rating of exactly 1 copies the input frame
// whole.
class CBlur final : public CFilter {
public:
    explicit CBlur(int32_t methodIndex) : CFilter(methodIndex) {}
    ~CBlur() override;
    bool Step(RunFrame& frame) override;

    const float* CachedKernel() const { return kernel; }

private:
    float* kernel = nullptr;
    float passThrough = 0.0f;  // the rating the held kernel was built for
    int32_t kernelSize = 0;    // its side
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
    ~CLaplacianHighBoost() override;
    bool Step(RunFrame& frame) override;

    const float* CachedKernel() const { return kernel; }

protected:
    CLaplacianHighBoost(int32_t methodIndex, const HighBoostPattern& pattern)
        : CFilter(methodIndex), pattern(pattern) {}

private:
    float CentreWeight(float b) const;

    const HighBoostPattern& pattern;
    float* kernel = nullptr;
    float boostCoefficient = 0.0f;  // the b the centre weight was computed for
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
