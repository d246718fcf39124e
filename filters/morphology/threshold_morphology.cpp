#include "threshold_morphology.h"

#include <cstring>

#include "pixel_format.h"
#include "run_frame.h"

CDilation::CDilation(int32_t methodIndex) : CThresholdMorphology(methodIndex, MorphologyRule::Dilation, false) {}
CErosion::CErosion(int32_t methodIndex) : CThresholdMorphology(methodIndex, MorphologyRule::Erosion, false) {}
COpening::COpening(int32_t methodIndex) : CThresholdMorphology(methodIndex, MorphologyRule::Erosion, true) {}
CClosing::CClosing(int32_t methodIndex) : CThresholdMorphology(methodIndex, MorphologyRule::Dilation, true) {}

namespace {

constexpr int32_t kRepeatInput = 1;
constexpr int32_t kThresholdInput = 2;

MorphologyRule Other(MorphologyRule rule) {
    return rule == MorphologyRule::Dilation ? MorphologyRule::Erosion : MorphologyRule::Dilation;
}

// The planes and level of one run, with the output and work frames whose
// whole blocks (header included) the two-phase order copies.
struct Frames {
    PixelPlane input;
    PixelPlane output;
    PixelPlane work;
    FrameHandle outputFrame;
    FrameHandle workFrame;
    int32_t level;

    void Pass(MorphologyRule rule, const PixelPlane& from, const PixelPlane& to, int32_t radius = 1) const {
        WindowPass(rule, from, to, level, radius);
    }
    // `pairs` times output -> work -> output.
    void PassPairs(MorphologyRule rule, int32_t pairs) const {
        for (int32_t k = 0; k < pairs; ++k) {
            Pass(rule, output, work);
            Pass(rule, work, output);
        }
    }
    // n single passes from source into output, alternating with work so that
    // the last writes output: an odd n starts source -> output, an even n
    // source -> work -> output.
    void Passes(MorphologyRule rule, int32_t n, const PixelPlane& source) const {
        if (n % 2 == 1) {
            Pass(rule, source, output);
        } else {
            Pass(rule, source, work);
            Pass(rule, work, output);
        }
        PassPairs(rule, (n - 1) / 2);
    }
    // The bytes ahead of the pixel rows: header and palette.
    size_t HeaderBytes() const {
        return static_cast<size_t>(output.data - static_cast<uint8_t*>(outputFrame));
    }
};

}  // namespace

bool CThresholdMorphology::Step(RunFrame& frame) {
    UpdateGeometryCache(frame.Width(), frame.Height(), -1);
    if (!frame.FetchOutputFrame(8)) return false;

    const int32_t n = frame.Integer(kRepeatInput);
    const int32_t level = ThresholdLevel(frame.Real(kThresholdInput));

    if (!workFrame.Ensure(frame.OutputFrame(), frame.Width(), frame.Height(), 8)) return frame.FailOutOfMemory();
    // An input depth the passes cannot read leaves the output frame as the
    // host gave it.
    if (!IsProcessedDepth(frame.Bpp())) return true;

    const Frames f{frame.InputPlane(), frame.OutputPlane(), workFrame.Plane(), frame.OutputFrame(), workFrame.Handle(),
                   level};
    const MorphologyRule second = Other(firstRule);
    // Where later passes read 0 as object and 255 as background, n passes in
    // a row are one pass over a (2n + 1) window: the same pixels, one memory
    // pass instead of n.
    const bool chain =
        n <= kMaxWindowRadius && PassesChain(firstRule, level) && (!twoPhases || PassesChain(second, level));
    if (!twoPhases) {
        if (chain) {
            f.Pass(firstRule, f.input, f.output, n);
        } else {
            f.Passes(firstRule, n, f.input);
        }
        return true;
    }
    if (chain) {
        TwoWindowPasses(firstRule, f.input, f.output, level, n);
        // The pass-by-pass order ends an odd n with the work block copied
        // over the output block, header included.
        if (n % 2 == 1) std::memcpy(f.outputFrame, f.workFrame, f.HeaderBytes());
        return true;
    }
    // First phase into the output frame; the second from it back into it.
    f.Passes(firstRule, n, f.input);
    if (n % 2 == 0) {
        f.Passes(second, n, f.output);
    } else {
        // A pass cannot write the frame it reads: the first lands in the work
        // frame, whose whole block then replaces the output block (both have
        // the same geometry and header).
        f.Pass(second, f.output, f.work);
        std::memcpy(f.outputFrame, f.workFrame, GetFrameSize(f.outputFrame));
        f.PassPairs(second, (n - 1) / 2);
    }
    return true;
}
