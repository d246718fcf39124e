#include "flat_field.h"

#include "numeric.h"
#include "parallel.h"
#include "pixel_format.h"
#include "run_frame.h"

namespace {

constexpr int32_t kCalibrationInput = 1;

// The running sums are single precision on purpose: the mean of a large
// bright calibration frame falls short of the exact value (a flat 200 over
// 1000 x 1000 pixels measures 197.3687), and corrected frames depend on it.
template <class Format>
float MeasureMean(const PixelPlane& frame) {
    float sum = 0.0f;
    for (int32_t y = 0; y < frame.height; ++y) {
        const uint8_t* row = frame.Row(y);
        for (int32_t x = 0; x < frame.width; ++x) {
            const uint8_t* p = row + x * Format::kBytesPerPixel;
            const int32_t value = Format::kChannels == 1 ? p[0] : p[0] + p[1] + p[2];
            sum = sum + static_cast<float>(value);
        }
    }
    const float pixels = static_cast<float>(frame.height) * static_cast<float>(frame.width);
    if (Format::kChannels == 1) return sum / pixels;
    // Colour: (sum / 3.0) / pixels, in double as the 3.0 makes it, rounded once.
    return static_cast<float>((static_cast<double>(sum) / 3.0) / static_cast<double>(pixels));
}

// q truncated toward zero (x86 rule), or 255 above 255. NaN and infinite
// quotients truncate to -2147483648, whose low byte is 0.
inline uint8_t CorrectedByte(float q) {
    const int32_t n = TruncateToInt32(q);
    return n > 255 ? 255 : static_cast<uint8_t>(n);
}

// 8 bits: v * mean / u, 0 where the input is 0.
// 24 and 32 bits: each colour byte v * 3 * mean / s, s the calibration
// pixel's byte sum, so the three channels share one gain and the colour
// balance survives; the input pixel unchanged where s is 0; byte 3 copied.
template <class Format>
void CorrectRow(const uint8_t* input, const uint8_t* white, uint8_t* output, int32_t width, float mean) {
    constexpr int B = Format::kBytesPerPixel;
    for (int32_t x = 0; x < width; ++x) {
        const uint8_t* v = input + x * B;
        const uint8_t* u = white + x * B;
        uint8_t* out = output + x * B;
        if (Format::kChannels == 1) {
            out[0] = v[0] == 0 ? 0 : CorrectedByte((static_cast<float>(v[0]) * mean) / static_cast<float>(u[0]));
            continue;
        }
        const int32_t s = u[0] + u[1] + u[2];
        if (s == 0) {
            for (int c = 0; c < B; ++c) out[c] = v[c];
            continue;
        }
        const float divisor = static_cast<float>(s);
        for (int c = 0; c < 3; ++c) out[c] = CorrectedByte((static_cast<float>(3 * v[c]) * mean) / divisor);
        if (Format::kHasFourthByte) out[3] = v[3];
    }
}

}  // namespace

bool FetchTimestampedFrame(RunFrame& run, int32_t inputIndex, FrameHandle* frame, uint32_t* timestamp) {
    if (!run.NameInput(inputIndex) || !GetInputFrameTimestamp(run.host, kNameMax, run.inputName, frame, timestamp) ||
        !*frame) {
        return run.Fail(u"error: Cannot get input frame");
    }
    return true;
}

float MeasureWhiteMean(FrameHandle frame) {
    float mean = 0.0f;
    const PixelPlane plane = RunFrame::PlaneOf(frame);
    DispatchByDepth(GetFrameBPP(frame), [&](auto format) { mean = MeasureMean<decltype(format)>(plane); });
    return mean;
}

bool CFlatField::Run(void* host, void* inputs, void* inputsContext, void* outputs, void* outputsContext,
                     int32_t errorMax, char16_t* errorBuf) {
    RunFrame run(host, inputs, inputsContext, outputs, outputsContext, errorMax, errorBuf);
    if (!run.FetchInputFrame()) return false;
    FrameHandle white = nullptr;
    uint32_t timestamp = 0;
    if (!FetchTimestampedFrame(run, kCalibrationInput, &white, &timestamp)) return false;
    if (GetFrameWidth(white) != run.width || GetFrameDepth(white) != run.height || GetFrameBPP(white) != run.bpp ||
        run.height == 0 || run.width == 0) {
        return run.Fail(u"error: Frame and pattern must be of the same size and type");
    }
    if (!run.FetchOutputFrame(run.bpp)) return false;

    const uint32_t previous = whiteTimestamp;
    whiteTimestamp = timestamp;
    if (timestamp != previous || !measured) {
        whiteMean = MeasureWhiteMean(white);
        measured = true;
    }

    const PixelPlane input = run.InputPlane();
    const PixelPlane calibration = RunFrame::PlaneOf(white);
    const PixelPlane output = run.OutputPlane();
    const float mean = whiteMean;
    DispatchByDepth(run.bpp, [&](auto format) {
        using Format = decltype(format);
        ParallelRows(run.height, [&](int32_t y) {
            CorrectRow<Format>(input.Row(y), calibration.Row(y), output.Row(y), run.width, mean);
        });
    });
    return true;
}
