// The session store as a module sees it through the C functions: parameter
// names, frames, numbers, arrays, timestamps and warnings.
#include <gtest/gtest.h>

#include "host_api.h"
#include "host_c_api.h"
#include "test_host.h"

namespace {

using ka_iproc::Session;

TEST(Session, OutputFramesReplaceTheOldObjectOrReuseTheFrameOfTheirGeometry) {
    Session session;
    void* host = session.Handle();
    FrameHandle old = session.AddFrame(u"Output frame", 4, 4, 8);
    std::fill_n(GetFrameDataAddr(old), 16, uint8_t(200));
    const uint32_t oldStamp = session.FrameTimestamp(u"Output frame");

    FrameHandle frame = nullptr;
    ASSERT_TRUE(GetOutputFrame(host, 63, u"Output frame", &frame, 5, 2, 32));
    EXPECT_EQ(session.FindFrame(u"Output frame"), frame);
    EXPECT_EQ(GetFrameWidth(frame), 5);
    EXPECT_EQ(GetFrameDepth(frame), 2);
    EXPECT_EQ(GetFrameBPP(frame), 32);
    const std::vector<uint8_t> pixels = ka_iproc::FramePixels(frame);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0), 40);
    EXPECT_NE(session.FrameTimestamp(u"Output frame"), oldStamp);

    // Same geometry again: the same frame as it was left, with a new stamp;
    // once a run was handed it as an input, a new zeroed frame instead.
    std::fill_n(GetFrameDataAddr(frame), 40, uint8_t(9));
    const uint32_t writtenStamp = session.FrameTimestamp(u"Output frame");
    FrameHandle again = nullptr;
    ASSERT_TRUE(GetOutputFrame(host, 63, u"Output frame", &again, 5, 2, 32));
    EXPECT_EQ(again, frame);
    EXPECT_EQ(GetFrameDataAddr(again)[0], 9);
    EXPECT_NE(session.FrameTimestamp(u"Output frame"), writtenStamp);
    ASSERT_TRUE(GetInputFrame(host, 63, u"Output frame", &again));
    ASSERT_TRUE(GetOutputFrame(host, 63, u"Output frame", &again, 5, 2, 32));
    EXPECT_NE(again, frame);
    EXPECT_EQ(GetFrameDataAddr(again)[0], 0);

    // An output may replace a number, too.
    session.AddNumber(u"n", 1.0);
    EXPECT_TRUE(GetOutputFrame(host, 63, u"n", &frame, 1, 1, 8));
    double* value = nullptr;
    EXPECT_FALSE(GetNumber(host, 63, u"n", 0, &value));
}

TEST(Session, OutputFrameFailuresLeaveTheOldObject) {
    Session session;
    void* host = session.Handle();
    FrameHandle old = session.AddFrame(u"Output frame", 2, 2, 8);
    FrameHandle frame = &frame;
    EXPECT_FALSE(GetOutputFrame(host, 63, u"Output frame", &frame, 0, 5, 8));
    EXPECT_EQ(frame, nullptr);
    EXPECT_FALSE(GetOutputFrame(host, 63, u"Output frame", &frame, 5, 0, 8));
    EXPECT_FALSE(GetOutputFrame(host, 63, u"Output frame", &frame, -5, 5, 8));
    EXPECT_FALSE(GetOutputFrame(host, 63, u"Output frame", &frame, 5, 5, 7));
    EXPECT_FALSE(GetOutputFrame(host, 63, u"", &frame, 5, 5, 8));
    EXPECT_FALSE(GetOutputFrame(nullptr, 63, u"Output frame", &frame, 5, 5, 8));
    // A block of about 2^64 bytes either overflows or cannot be had.
    EXPECT_FALSE(GetOutputFrame(host, 63, u"Output frame", &frame, INT32_MAX, INT32_MAX, 32));
    EXPECT_EQ(session.FindFrame(u"Output frame"), old);
    EXPECT_EQ(session.AddFrame(u"x", 0, 1, 8), nullptr);
}

TEST(Session, TimestampsChangeWithEveryNewFrameAndNeverAreZero) {
    Session session;
    FrameHandle frame = session.AddFrame(u"white", 3, 3, 8);
    uint32_t first = 0;
    FrameHandle found = nullptr;
    ASSERT_TRUE(GetInputFrameTimestamp(session.Handle(), 63, u"white", &found, &first));
    EXPECT_EQ(found, frame);
    EXPECT_NE(first, 0u);
    EXPECT_EQ(first, session.FrameTimestamp(u"white"));

    // Unchanged while the object is: in-place pixel changes keep it.
    *GetFrameDataAddr(frame) = 1;
    uint32_t again = 0;
    ASSERT_TRUE(GetInputFrameTimestamp(session.Handle(), 63, u"white", &found, &again));
    EXPECT_EQ(again, first);

    // Replaced, or touched by a host that changed it: a new stamp.
    session.AddFrame(u"white", 3, 3, 8);
    const uint32_t replaced = session.FrameTimestamp(u"white");
    EXPECT_NE(replaced, first);
    EXPECT_TRUE(session.TouchFrame(u"white"));
    EXPECT_NE(session.FrameTimestamp(u"white"), replaced);
    EXPECT_FALSE(session.TouchFrame(u"missing"));

    session.AddNumber(u"n", 1.0);
    EXPECT_FALSE(GetInputFrameTimestamp(session.Handle(), 63, u"n", &found, &again));
    EXPECT_EQ(session.FrameTimestamp(u"n"), 0u);

    // Through the C face, as the Python package marks a frame it rewrote in place.
    KaSession* face = KaSessionCreate();
    KaSessionAddFrame(face, "white", 4, 1, 8);
    ASSERT_TRUE(GetInputFrameTimestamp(KaSessionHost(face), 63, u"white", &found, &first));
    EXPECT_TRUE(KaSessionTouchFrame(face, "white"));
    ASSERT_TRUE(GetInputFrameTimestamp(KaSessionHost(face), 63, u"white", &found, &again));
    EXPECT_NE(again, first);
    EXPECT_FALSE(KaSessionTouchFrame(face, "missing"));
    KaSessionDestroy(face);
}

// A host may wire the output to the name of the input: the run still reads
// the input frame it was handed until it returns.
TEST(Session, AnInputFrameOutlivesAnOutputOfTheSameNameUntilTheRunReturns) {
    kaf_test::TestHost host(u"median");
    host.Outputs().Names()[0] = u"Input frame";
    kaf_test::FillFlat(host.AddFrame(16, 16, 8), 100);
    ASSERT_TRUE(host.Run().ok);
    const std::vector<uint8_t> pixels = kaf_test::PixelBytes(host.Session().FindFrame(u"Input frame"));
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 100), 16 * 16);
}

}  // namespace
