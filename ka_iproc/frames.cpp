// Frames are DIB blocks: a 40-byte bitmap header, a grey palette at 8 bits
// per pixel and less, then the pixel rows, each padded to whole 32-bit words.
// Everything about a frame follows from the width, height and depth in its
// header, so a private block laid out by InitFrameDIB is as good a frame as
// one the host hands out.
#include <algorithm>
#include <cstring>

#include "host_api.h"
#include "ka_iproc_internal.h"

namespace ka_iproc {
namespace detail {

namespace {

bool IsLaidOutDepth(int32_t bitsPerPixel) {
    switch (bitsPerPixel) {
        case 1: case 4: case 8: case 16: case 24: case 32: return true;
        default: return false;
    }
}

const BITMAPINFOHEADER* HeaderOf(FrameHandle frame) { return static_cast<const BITMAPINFOHEADER*>(frame); }

}  // namespace

uint32_t PaletteEntries(int32_t bitsPerPixel) {
    return (bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8) ? (1u << bitsPerPixel) : 0u;
}

uint64_t RowStride(int32_t width, int32_t bitsPerPixel) {
    if (width < 1 || !IsLaidOutDepth(bitsPerPixel)) return 0;
    // width * bpp stays below 2^37: no overflow in 64 bits.
    return (static_cast<uint64_t>(width) * static_cast<uint64_t>(bitsPerPixel) + 31) / 32 * 4;
}

size_t FrameBlockSize(int32_t width, int32_t height, int32_t bitsPerPixel) {
    const uint64_t stride = RowStride(width, bitsPerPixel);
    if (stride == 0 || height < 1) return 0;
    // Checked in size_t itself: a 32-bit host overflows long before a 64-bit one.
    const size_t head = sizeof(BITMAPINFOHEADER) + size_t(PaletteEntries(bitsPerPixel)) * 4;
    if (stride > SIZE_MAX || static_cast<size_t>(height) > SIZE_MAX / stride) return 0;
    const size_t rows = static_cast<size_t>(stride) * static_cast<size_t>(height);
    if (rows > SIZE_MAX - head) return 0;
    return rows + head;
}

}  // namespace detail

int32_t FrameStride(FrameHandle frame) {
    if (!frame) return 0;
    const uint64_t stride = detail::RowStride(GetFrameWidth(frame), GetFrameBPP(frame));
    return stride > uint64_t(INT32_MAX) ? 0 : static_cast<int32_t>(stride);
}

namespace {

// Bytes of pixel rows in a frame, padding included; 0 for an invalid frame.
size_t RowBytes(FrameHandle frame) {
    const size_t size = GetFrameSize(frame);
    if (size == 0) return 0;
    return size - sizeof(BITMAPINFOHEADER) - size_t(detail::PaletteEntries(GetFrameBPP(frame))) * 4;
}

}  // namespace

std::vector<uint8_t> FramePixels(FrameHandle frame) {
    const size_t bytes = RowBytes(frame);
    const uint8_t* data = bytes ? GetFrameDataAddr(frame) : nullptr;
    return data ? std::vector<uint8_t>(data, data + bytes) : std::vector<uint8_t>();
}

void SetFramePixels(FrameHandle frame, const std::vector<uint8_t>& rows) {
    const size_t bytes = std::min(RowBytes(frame), rows.size());
    if (bytes) std::memcpy(GetFrameDataAddr(frame), rows.data(), bytes);
}

}  // namespace ka_iproc

using ka_iproc::detail::HeaderOf;
using ka_iproc::detail::PaletteEntries;

extern "C" {

int32_t GetFrameWidth(FrameHandle frame) { return frame ? HeaderOf(frame)->biWidth : 0; }

int32_t GetFrameDepth(FrameHandle frame) { return frame ? HeaderOf(frame)->biHeight : 0; }

int32_t GetFrameBPP(FrameHandle frame) { return frame ? HeaderOf(frame)->biBitCount : 0; }

uint8_t* GetFrameDataAddr(FrameHandle frame) {
    if (!frame) return nullptr;
    return static_cast<uint8_t*>(frame) + sizeof(BITMAPINFOHEADER) +
           size_t(PaletteEntries(HeaderOf(frame)->biBitCount)) * 4;
}

size_t GetFrameSize(FrameHandle frame) {
    if (!frame) return 0;
    const BITMAPINFOHEADER* header = HeaderOf(frame);
    return ka_iproc::detail::FrameBlockSize(header->biWidth, header->biHeight, header->biBitCount);
}

void InitFrameDIB(void* block, int32_t width, int32_t height, int32_t bitsPerPixel) {
    if (!block) return;
    BITMAPINFOHEADER header;
    std::memset(&header, 0, sizeof header);
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;  // positive: the usual bottom-up DIB
    header.biPlanes = 1;
    header.biBitCount = static_cast<uint16_t>(bitsPerPixel);
    header.biCompression = 0;  // uncompressed
    const uint64_t stride = ka_iproc::detail::RowStride(width, bitsPerPixel);
    const uint64_t image = height > 0 ? stride * static_cast<uint64_t>(height) : 0;
    // A header can only record an image below 4 GiB; 0 ("not given") is the
    // DIB value for an uncompressed image of any size.
    header.biSizeImage = image <= UINT32_MAX ? static_cast<uint32_t>(image) : 0;
    const uint32_t entries = PaletteEntries(bitsPerPixel);
    header.biClrUsed = entries;
    std::memcpy(block, &header, sizeof header);

    // Grey ramp from black to white: entry i has the level i * 255 / (n - 1)
    // in blue, green and red.
    uint8_t* palette = static_cast<uint8_t*>(block) + sizeof header;
    for (uint32_t i = 0; i < entries; ++i) {
        const uint8_t level = static_cast<uint8_t>(i * 255 / (entries - 1));
        palette[4 * i + 0] = level;
        palette[4 * i + 1] = level;
        palette[4 * i + 2] = level;
        palette[4 * i + 3] = 0;
    }
}

}  // extern "C"
