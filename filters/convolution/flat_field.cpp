#include "flat_field.h"

#include "flat_field_rows.h"
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

}  // namespace

float MeasureWhiteMean(const PixelPlane& frame) {
    float mean = 0.0f;
    DispatchByDepth(frame.bitsPerPixel, [&](auto format) { mean = MeasureMean<decltype(format)>(frame); });
    return mean;
}

bool CFlatField::Step(RunFrame& run) {
    PixelPlane calibration;
    uint32_t timestamp = 0;
    if (!run.FetchTimestampedFrame(kCalibrationInput, &calibration, &timestamp)) return false;
    const int32_t width = run.Width();
    const int32_t height = run.Height();
    if (calibration.width != width || calibration.height != height || calibration.bitsPerPixel != run.Bpp() ||
        height == 0 || width == 0) {
        return run.Fail(u"error: Frame and pattern must be of the same size and type");
    }
    if (!run.FetchOutputFrame(run.Bpp())) return false;

    const uint32_t previous = whiteTimestamp;
    whiteTimestamp = timestamp;
    if (timestamp != previous || !measured) {
        whiteMean = MeasureWhiteMean(calibration);
        measured = true;
    }

    const PixelPlane input = run.InputPlane();
    const PixelPlane output = run.OutputPlane();
    const float mean = whiteMean;
    DispatchByDepth(run.Bpp(), [&](auto format) {
        using Format = decltype(format);
        const FlatFieldRows& rows = FlatFieldRowsToUse();
        const auto correctRow = Format::kChannels == 1 ? rows.gray : Format::kHasFourthByte ? rows.bgra : rows.bgr;
        ParallelRows(height, [&](int32_t y) {
            correctRow(input.Row(y), calibration.Row(y), output.Row(y), width, mean);
        });
    });
    return true;
}
