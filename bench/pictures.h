// Seeded synthetic pictures for the benchmark: the same seed gives the same
// pixels on every machine, so runs on different days compare like with like.
#pragma once

#include <cstdint>
#include <vector>

namespace kaf_bench {

enum class Workload {
    Noise,          // every byte uniform random: worst case for rank selections
    DarkObjects,    // light background with dark discs and a little noise
    VignettedScene, // the dark-object scene seen through a vignetting lens
    VignettedWhite, // a white frame that darkens towards the corners
};

const char* WorkloadName(Workload workload);

// Pixel rows in the host's layout: bytes per pixel = bpp / 8 (blue, green,
// red, fourth byte), each row padded to a multiple of 4 bytes.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;
    int32_t stride = 0;
    std::vector<uint8_t> rows;
};

// The picture of a workload at a depth and size; built once and kept, since
// several benchmarks share it.
const Picture& GetPicture(Workload workload, int32_t bitsPerPixel, int32_t width, int32_t height);

}  // namespace kaf_bench
