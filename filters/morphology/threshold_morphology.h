// "dilation", "erosion", "opening" and "closing": thresholded 3x3 morphology
// on dark objects, repeated n times. The result is always an 8-bit frame of
// 0s (object) and 255s (background).
#pragma once

#include <cstdint>

#include "filter.h"
#include "scratch.h"
#include "ka_iproc.h"
#include "threshold_passes.h"

// The run shared by the four methods: one phase of n passes of the first
// engine from the input into the output frame, and for opening and closing a
// second phase of n passes of the other engine from the output frame back into
// it. The passes alternate between the output frame and workFrame, so no pass
// reads the frame it writes.
class CThresholdMorphology : public CFilter {
public:

    bool Step(RunFrame& frame) override;

protected:
    // twoPhases: opening and closing, whose second phase runs the other rule.
    CThresholdMorphology(int32_t methodIndex, MorphologyRule firstRule, bool twoPhases)
        : CFilter(methodIndex), firstRule(firstRule), twoPhases(twoPhases) {}

private:
    const MorphologyRule firstRule;
    const bool twoPhases;
    // An 8-bit frame of the input's size that takes every other pass.
    ScratchFrame workFrame;
};

class CDilation final : public CThresholdMorphology {
public:
    explicit CDilation(int32_t methodIndex);
};

class CErosion final : public CThresholdMorphology {
public:
    explicit CErosion(int32_t methodIndex);
};

// n erosions, then n dilations.
class COpening final : public CThresholdMorphology {
public:
    explicit COpening(int32_t methodIndex);
};

// n dilations, then n erosions.
class CClosing final : public CThresholdMorphology {
public:
    explicit CClosing(int32_t methodIndex);
};
