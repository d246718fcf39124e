// The rank filters: "median", "minimum", "maximum" and "extreme". Each keeps
// the pixel format of its input; the pixel work is in rank_engines.h.
#pragma once

#include <cstdint>

#include "filter.h"
#include "rank_engines.h"
#include "thread_scratch.h"

// "median": input 1 "Neighbourhood radius".
class CMedian : public CFilter {
public:
    explicit CMedian(int32_t methodIndex) : CFilter(methodIndex) {}
    bool Step(RunFrame& frame) override;

private:
    rank::ThreadScratch scratch_;
};

// "minimum", "maximum" and "extreme" differ only in the pixel they select.
// Inputs: 1 "Neighbourhood radius", 2 "Intensity".
class CNeighbourhoodExtreme : public CFilter {
public:
    CNeighbourhoodExtreme(int32_t methodIndex, rank::ExtremeSelection selection)
        : CFilter(methodIndex), selection_(selection) {}
    bool Step(RunFrame& frame) override;

private:
    const rank::ExtremeSelection selection_;
    rank::ThreadScratch scratch_;
};

class CMinimum : public CNeighbourhoodExtreme {
public:
    explicit CMinimum(int32_t methodIndex) : CNeighbourhoodExtreme(methodIndex, rank::ExtremeSelection::Darkest) {}
};

class CMaximum : public CNeighbourhoodExtreme {
public:
    explicit CMaximum(int32_t methodIndex)
        : CNeighbourhoodExtreme(methodIndex, rank::ExtremeSelection::Brightest) {}
};

class CExtreme : public CNeighbourhoodExtreme {
public:
    explicit CExtreme(int32_t methodIndex) : CNeighbourhoodExtreme(methodIndex, rank::ExtremeSelection::Further) {}
};
