// Windows bitmap files. Rows are kept exactly as stored: row 0 of the image is
// the first row in the file, whatever the sign of the height. A bottom-up file
// (positive biHeight) therefore gives the bottom picture row as row 0, a
// top-down file (negative biHeight) the top one; the filters do not care which,
// and a file read and written again has the same bytes in the same order.
// Written files are always bottom-up (positive height).
#include <cstring>

#include "image_io.h"

namespace kaf_tool {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

}  // namespace

bool DecodeBmp(const std::vector<uint8_t>& file, Image* image, std::string* error) {
    if (file.size() < kFileHeaderSize + kInfoHeaderSize || file[0] != 'B' || file[1] != 'M') {
        *error = "not a bitmap file";
        return false;
    }
    const uint8_t* info = file.data() + kFileHeaderSize;
    uint32_t infoSize = Le32(info);
    if (infoSize < kInfoHeaderSize) {
        *error = "old-style bitmap headers of " + std::to_string(infoSize) + " bytes are not supported";
        return false;
    }
    int32_t width = static_cast<int32_t>(Le32(info + 4));
    int32_t height = static_cast<int32_t>(Le32(info + 8));
    int32_t bpp = Le16(info + 14);
    uint32_t compression = Le32(info + 16);
    bool bitfields = compression == kBiBitfields || compression == kBiAlphaBitfields;
    if (compression != kBiRgb && !(bitfields && (bpp == 16 || bpp == 32))) {
        *error = "compressed bitmaps (compression " + std::to_string(compression) + ") are not supported";
        return false;
    }
    if (height == INT32_MIN || width < 1 || height == 0) {
        *error = "bad size " + std::to_string(width) + " x " + std::to_string(height);
        return false;
    }
    int32_t rows = height < 0 ? -height : height;
    if (!MakeImage(width, rows, bpp, image, error)) return false;
    // The row data starts where the file header says; the palette and any
    // colour masks in between are not needed: 8-bit pixels stay palette
    // indices, 16- and 32-bit pixels stay raw.
    uint32_t offset = Le32(file.data() + 10);
    size_t needed = image->bytes.size();
    if (offset > file.size() || file.size() - offset < needed) {
        *error = "the file is truncated (" + std::to_string(file.size()) + " bytes, pixel rows need " +
                 std::to_string(needed) + " from offset " + std::to_string(offset) + ")";
        return false;
    }
    std::memcpy(image->bytes.data(), file.data() + offset, needed);
    return true;
}

bool EncodeBmp(const Image& image, std::vector<uint8_t>* file, std::string* error) {
    if (!FormatCanHold(ImageFormat::Bmp, image.bpp)) {
        *error = "bitmaps of " + std::to_string(image.bpp) + " bits per pixel are not supported";
        return false;
    }
    // Depths of 8 bits and less get a grey palette: entry i is the grey level
    // i x 255 / (entries - 1), so 8-bit pixel values read as grey levels.
    uint32_t paletteEntries = image.bpp <= 8 ? (1u << image.bpp) : 0;
    size_t rowsOffset = kFileHeaderSize + kInfoHeaderSize + 4 * paletteEntries;
    size_t pixelBytes = static_cast<size_t>(image.stride) * static_cast<size_t>(image.height);
    file->assign(rowsOffset + pixelBytes, 0);
    uint8_t* p = file->data();
    p[0] = 'B';
    p[1] = 'M';
    Put32(p + 2, static_cast<uint32_t>(file->size()));
    Put32(p + 10, static_cast<uint32_t>(rowsOffset));
    uint8_t* info = p + kFileHeaderSize;
    Put32(info, kInfoHeaderSize);
    Put32(info + 4, static_cast<uint32_t>(image.width));
    Put32(info + 8, static_cast<uint32_t>(image.height));
    Put16(info + 12, 1);
    Put16(info + 14, static_cast<uint16_t>(image.bpp));
    Put32(info + 16, kBiRgb);
    Put32(info + 20, static_cast<uint32_t>(pixelBytes));
    Put32(info + 24, 2835);  // 72 dots per inch
    Put32(info + 28, 2835);
    Put32(info + 32, paletteEntries);
    uint8_t* palette = info + kInfoHeaderSize;
    for (uint32_t i = 0; i < paletteEntries; ++i) {
        uint8_t grey = static_cast<uint8_t>(i * 255 / (paletteEntries - 1));
        palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = grey;
    }
    std::memcpy(p + rowsOffset, image.bytes.data(), pixelBytes);
    return true;
}

}  // namespace kaf_tool
