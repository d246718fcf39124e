// Pixel formats as types. An engine is one template over the format; the
// dispatcher (DispatchByDepth) is the one place that switches on the depth.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

struct Gray8 {
    static constexpr int kBitsPerPixel = 8;
    static constexpr int kBytesPerPixel = 1;
    static constexpr int kChannels = 1;
    static constexpr bool kHasFourthByte = false;
};

struct Bgr24 {
    static constexpr int kBitsPerPixel = 24;
    static constexpr int kBytesPerPixel = 3;
    static constexpr int kChannels = 3;
    static constexpr bool kHasFourthByte = false;
};

struct Bgra32 {
    static constexpr int kBitsPerPixel = 32;
    static constexpr int kBytesPerPixel = 4;
    static constexpr int kChannels = 3;  // blue, green, red; byte 3 follows each filter's own rule
    static constexpr bool kHasFourthByte = true;
};

// Row stride in bytes: every row is padded to a multiple of 4 bytes (rows of
// 32 bits need no padding).
inline size_t RowStride(int32_t width, int32_t bitsPerPixel) {
    const size_t w = width > 0 ? static_cast<size_t>(width) : 0;
    return (w * static_cast<size_t>(bitsPerPixel > 0 ? bitsPerPixel : 0) + 31) / 32 * 4;
}

template <class Format>
inline size_t RowStride(int32_t width) {
    return RowStride(width, Format::kBitsPerPixel);
}

// Calls fn(Format{}) for 8, 24 and 32 bits per pixel; returns false (and
// calls nothing) for any other depth.
template <class Fn>
inline bool DispatchByDepth(int32_t bitsPerPixel, Fn&& fn) {
    switch (bitsPerPixel) {
    case 8: fn(Gray8{}); return true;
    case 24: fn(Bgr24{}); return true;
    case 32: fn(Bgra32{}); return true;
    default: return false;
    }
}

// True for the depths DispatchByDepth processes; methods leave the output
// frame of any other depth as the host gave it.
inline bool IsProcessedDepth(int32_t bitsPerPixel) {
    return DispatchByDepth(bitsPerPixel, [](auto) {});
}

// Same, for the engines that read only 8 and 32 bits (the line scanners);
// false for 24 bits as for any other depth.
template <class Fn>
inline bool DispatchGrayOrBgra(int32_t bitsPerPixel, Fn&& fn) {
    bool handled = false;
    DispatchByDepth(bitsPerPixel, [&](auto format) {
        if constexpr (!std::is_same_v<decltype(format), Bgr24>) {
            fn(format);
            handled = true;
        }
    });
    return handled;
}

// How every engine receives pixels: a view of a frame's rows with their
// depth. Row y starts at data + y x stride.
struct PixelPlane {
    uint8_t* data = nullptr;
    size_t stride = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;

    uint8_t* Row(int32_t y) const { return data + static_cast<size_t>(y) * stride; }
};
