// Faults found by the guarded sweeps, the fuzzers and the sanitizer builds,
// each pinned by the smallest input that showed it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "test_host.h"

namespace {

using kaf_test::Outcome;
using kaf_test::TestHost;

// "edge" on a depth its smoothing passes do not process (24 bits, and the
// depths no method processes) must not make its map out of whatever the
// object's buffers held from an earlier run: two objects with different
// histories give the same map for the same frame.
TEST(EdgeRegression, MapOfAnUnprocessedDepthDoesNotDependOnEarlierRuns) {
    for (int32_t depth : {24, 16}) {
        std::vector<uint8_t> maps[2];
        for (int history = 0; history < 2; ++history) {
            TestHost host(u"edge");
            // An earlier run on an 8-bit frame of the same size: flat, or stripes.
            FrameHandle earlier = host.AddFrame(12, 10, 8);
            kaf_test::FillFrame(earlier, [&](int32_t x, int32_t, int32_t) {
                return static_cast<uint8_t>(history == 0 ? 100 : (x % 4 < 2 ? 0 : 255));
            });
            ASSERT_TRUE(host.Run().ok);
            FrameHandle input = host.AddFrame(12, 10, depth);
            kaf_test::FillFrame(input, [](int32_t x, int32_t y, int32_t) { return static_cast<uint8_t>(x * 20 + y); });
            const Outcome outcome = host.Run();
            ASSERT_TRUE(outcome.ok);
            maps[history] = kaf_test::PixelBytes(outcome.output);
        }
        EXPECT_EQ(maps[0], maps[1]) << depth << " bpp";
    }
}

}  // namespace
