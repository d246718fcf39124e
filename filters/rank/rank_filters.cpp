#include "rank_filters.h"

#include "run_frame.h"

namespace {

constexpr int32_t kRadiusInput = 1;
constexpr int32_t kIntensityInput = 2;

}  // namespace

bool CMedian::Run(void* host, void* inputs, void* inputsContext, void* outputs, void* outputsContext,
                  int32_t errorMax, char16_t* errorBuf) {
    RunFrame frame(host, inputs, inputsContext, outputs, outputsContext, errorMax, errorBuf);
    if (!frame.FetchInputFrame() || !frame.FetchOutputFrame(frame.bpp)) return false;
    const int32_t radius = frame.ReadClampedInteger(kRadiusInput, 1, 1, 10);
    if (!rank::MedianFilter(frame.bpp, frame.InputPlane(), frame.OutputPlane(), radius, scratch_)) {
        return frame.FailOutOfMemory();
    }
    return true;
}

bool CNeighbourhoodExtreme::Run(void* host, void* inputs, void* inputsContext, void* outputs,
                                void* outputsContext, int32_t errorMax, char16_t* errorBuf) {
    RunFrame frame(host, inputs, inputsContext, outputs, outputsContext, errorMax, errorBuf);
    if (!frame.FetchInputFrame() || !frame.FetchOutputFrame(frame.bpp)) return false;
    const int32_t radius = frame.ReadClampedInteger(kRadiusInput, 1, 0, 10);
    const float intensity = frame.ReadClampedReal(kIntensityInput, 1.0f, 0.0f, 1.0f);
    if (!rank::SelectExtremes(selection_, frame.bpp, frame.InputPlane(), frame.OutputPlane(), radius, intensity,
                              scratch_)) {
        return frame.FailOutOfMemory();
    }
    return true;
}
