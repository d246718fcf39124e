#include "threshold_morphology.h"

#include <cstring>

#include "run_frame.h"
#include "scratch.h"
#include "threshold_passes.h"

CDilation::CDilation(int32_t methodIndex) : CThresholdMorphology(methodIndex, &DilationPass, nullptr, 10) {}
CErosion::CErosion(int32_t methodIndex) : CThresholdMorphology(methodIndex, &ErosionPass, nullptr, 10) {}
COpening::COpening(int32_t methodIndex) : CThresholdMorphology(methodIndex, &ErosionPass, &DilationPass, 20) {}
CClosing::CClosing(int32_t methodIndex) : CThresholdMorphology(methodIndex, &DilationPass, &ErosionPass, 20) {}

CThresholdMorphology::~CThresholdMorphology() { FreeBlock(workFrame); }

namespace {

// n passes from source into output, alternating with work so that the last
// pass writes output: an odd n starts with source -> output, an even n with
// source -> work -> output; then pairs output -> work -> output.
void RunPasses(CThresholdMorphology::Pass pass, int32_t n, FrameHandle source, FrameHandle output, FrameHandle work,
               int32_t height, int32_t width, int32_t level) {
    int32_t pairs;
    if (n % 2 == 1) {
        pass(source, output, height, width, level);
        pairs = (n - 1) / 2;
    } else {
        pass(source, work, height, width, level);
        pass(work, output, height, width, level);
        pairs = (n - 2) / 2;
    }
    for (int32_t k = 0; k < pairs; ++k) {
        pass(output, work, height, width, level);
        pass(work, output, height, width, level);
    }
}

}  // namespace

bool CThresholdMorphology::Run(void* host, void* inputs, void* inputsContext, void* outputs, void* outputsContext,
                               int32_t errorMax, char16_t* errorBuf) {
    RunFrame frame(host, inputs, inputsContext, outputs, outputsContext, errorMax, errorBuf);
    if (!frame.FetchInputFrame()) return false;
    const bool geometryChanged = UpdateGeometryCache(frame.width, frame.height, -1);
    if (!frame.FetchOutputFrame(8)) return false;

    const int32_t n = frame.ReadClampedInteger(1, 1, 1, maxRepeat);
    const float threshold = frame.ReadClampedReal(2, 0.5f, 0.0f, 1.0f);
    const int32_t level = ThresholdLevel(threshold);

    if (!EnsureScratchFrame(workFrame, frame.outputFrame, frame.width, frame.height, 8, geometryChanged)) {
        // The old block no longer fits the cached geometry: drop it so the
        // next run allocates afresh.
        FreeBlock(workFrame);
        return frame.FailOutOfMemory();
    }
    // An input depth the passes cannot read leaves the output frame as the
    // host gave it.
    if (frame.bpp != 8 && frame.bpp != 24 && frame.bpp != 32) return true;

    const int32_t width = frame.width;
    const int32_t height = frame.height;
    FrameHandle output = frame.outputFrame;
    RunPasses(firstPass, n, frame.inputFrame, output, workFrame, height, width, level);
    if (!secondPass) return true;

    // Second phase, from the output frame back into it. For an odd n the
    // first pass has to land in workFrame, which is then copied over the
    // output block whole (header included; both have the same geometry).
    if (n % 2 == 0) {
        RunPasses(secondPass, n, output, output, workFrame, height, width, level);
    } else {
        secondPass(output, workFrame, height, width, level);
        std::memcpy(output, workFrame, GetFrameSize(output));
        for (int32_t k = 0; k < (n - 1) / 2; ++k) {
            secondPass(output, workFrame, height, width, level);
            secondPass(workFrame, output, height, width, level);
        }
    }
    return true;
}
