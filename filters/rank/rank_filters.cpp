#include "rank_filters.h"

#include "run_frame.h"

namespace {

constexpr int32_t kRadiusInput = 1;
constexpr int32_t kIntensityInput = 2;

}  // namespace

bool CMedian::Step(RunFrame& frame) {
    if (!frame.FetchOutputFrame(frame.Bpp())) return false;
    const int32_t radius = frame.Integer(kRadiusInput);
    if (!rank::MedianFilter(frame.InputPlane(), frame.OutputPlane(), radius, scratch_)) {
        return frame.FailOutOfMemory();
    }
    return true;
}

bool CNeighbourhoodExtreme::Step(RunFrame& frame) {
    if (!frame.FetchOutputFrame(frame.Bpp())) return false;
    const int32_t radius = frame.Integer(kRadiusInput);
    const float intensity = frame.Real(kIntensityInput);
    if (!rank::SelectExtremes(selection_, frame.InputPlane(), frame.OutputPlane(), radius, intensity, scratch_)) {
        return frame.FailOutOfMemory();
    }
    return true;
}
