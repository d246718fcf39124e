// The bytes that another build computes (kafilters.dll under Wine, the Linux
// 32-bit module) against those of this Linux module: kaf_frame_runs writes,
// for each build, the catalogue with its icons, every method's output on
// seeded frames with three parameter sets, and both scanners' samples. `make
// wine-test` and `make test32` run the other build's program and name its
// output in KAF_OTHER_FRAME_RUNS; this test runs this build's program and
// compares the two files record by record.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Records = std::vector<std::pair<std::string, std::string>>;

// Splits "record NAME LENGTH\n" + LENGTH bytes, ...; false on a torn file.
bool ReadRecords(const std::string& path, Records* records) {
    std::stringstream buffer;
    buffer << std::ifstream(path, std::ios::binary).rdbuf();
    const std::string data = buffer.str();
    for (size_t at = 0; at < data.size();) {
        const size_t lineEnd = data.find('\n', at);
        if (lineEnd == std::string::npos || data.compare(at, 7, "record ") != 0) return false;
        const std::string header = data.substr(at + 7, lineEnd - at - 7);
        const size_t space = header.rfind(' ');
        if (space == std::string::npos) return false;
        const size_t length = std::stoul(header.substr(space + 1));
        if (lineEnd + 1 + length > data.size()) return false;
        records->emplace_back(header.substr(0, space), data.substr(lineEnd + 1, length));
        at = lineEnd + 1 + length;
    }
    return !records->empty();
}

TEST(FrameBytes, OtherBuildMatchesTheLinuxModule) {
    const char* otherPath = std::getenv("KAF_OTHER_FRAME_RUNS");
    if (!otherPath) GTEST_SKIP() << "KAF_OTHER_FRAME_RUNS not set (make wine-test and make test32 set it)";

    const std::string linuxPath =
        (std::filesystem::temp_directory_path() / ("kaf_frame_runs_" + std::to_string(getpid()) + ".bin")).string();
    const std::string command = std::string("'") + KAF_FRAME_RUNS_PATH + "' '" + KAF_MODULE_PATH + "' '" + linuxPath + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    Records linuxRecords;
    Records otherRecords;
    const bool linuxRead = ReadRecords(linuxPath, &linuxRecords);
    std::filesystem::remove(linuxPath);
    ASSERT_TRUE(linuxRead);
    ASSERT_TRUE(ReadRecords(otherPath, &otherRecords)) << otherPath;

    // The run covers what it should: the catalogue, methods, both scanners
    // with samples.
    auto count = [&](const std::string& prefix) {
        return std::count_if(linuxRecords.begin(), linuxRecords.end(),
                             [&](const auto& record) { return record.first.compare(0, prefix.size(), prefix) == 0; });
    };
    EXPECT_EQ(count("catalogue/"), 20);
    EXPECT_GT(linuxRecords.size(), 20u + 2 * 360);
    EXPECT_GT(count("scan/"), 100);
    EXPECT_GT(count("scan-sharpened/"), 100);

    ASSERT_EQ(otherRecords.size(), linuxRecords.size());
    size_t differing = 0;
    for (size_t i = 0; i < linuxRecords.size(); ++i) {
        ASSERT_EQ(otherRecords[i].first, linuxRecords[i].first);
        if (otherRecords[i].second != linuxRecords[i].second && ++differing <= 10) {
            ADD_FAILURE() << "different bytes in the other build: " << linuxRecords[i].first;
        }
    }
    EXPECT_EQ(differing, 0u) << "records that differ";
}

}  // namespace
