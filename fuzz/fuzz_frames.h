// What the fuzz targets hand the module, on the host library's own sessions:
// frames whose headers say any geometry and depth, and doubles as a host
// might pass them.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "host_api.h"

namespace kaf_fuzz {

// A frame under the name whose header says width x height at that depth. A
// geometry the host library lays out gets its rows, filled from the data and
// then zeros; any other (width 0, a negative height, an odd depth, no room)
// is the header and palette of a smallest frame with the header rewritten,
// so it has no rows for the module to read.
inline FrameHandle AddFrame(ka_iproc::Session& session, const std::u16string& name, int32_t width, int32_t height,
                            int32_t bitsPerPixel, FuzzedDataProvider& data) {
    FrameHandle frame = session.AddFrame(name, width, height, bitsPerPixel);
    if (!frame) {
        frame = session.AddFrame(name, 1, 1, 8);
        InitFrameDIB(frame, width, height, bitsPerPixel);
        return frame;
    }
    std::vector<uint8_t> rows = ka_iproc::FramePixels(frame);
    const std::vector<uint8_t> bytes = data.ConsumeBytes<uint8_t>(rows.size());
    std::copy(bytes.begin(), bytes.end(), rows.begin());
    ka_iproc::SetFramePixels(frame, rows);
    return frame;
}

// Special values (NaN, infinities, 1e300, -0.0, the 32-bit limits and their
// neighbours), small integers and halves, or any 64-bit pattern.
inline double ConsumeNumber(FuzzedDataProvider& data) {
    static const double kSpecial[] = {std::numeric_limits<double>::quiet_NaN(),
                                      std::numeric_limits<double>::infinity(),
                                      -std::numeric_limits<double>::infinity(),
                                      1e300, -1e300, -0.0, 0.0, 1e-310, 0.5, -0.5, 0.999, 1.0, 1.004, -0.004,
                                      2.9, -2.9, 2147483647.0, 2147483648.0, -2147483648.0, -2147483649.0,
                                      3.4028234663852886e38, 3.5e38, 1e12};
    switch (data.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return kSpecial[data.ConsumeIntegralInRange<size_t>(0, std::size(kSpecial) - 1)];
    case 1: return data.ConsumeIntegralInRange<int>(-3, 60);
    case 2: return data.ConsumeIntegralInRange<int>(-8, 130) / 4.0;
    default: {
        const uint64_t bits = data.ConsumeIntegral<uint64_t>();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    }
}

}  // namespace kaf_fuzz
