// Image files for the kafilters tool: BMP, PNG, PNM (PGM/PPM/PAM), JPEG and
// TIFF,
// read into and written from an in-memory image laid out exactly like a host
// frame, so a frame is filled by copying rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kaf_tool {

// Pixel rows in frame layout. Row 0 is the first row stored: the first row of
// a BMP file as it lies in the file, the top row of the other formats.
// Colour pixels hold their bytes in the order blue, green, red (, fourth byte);
// 8-bit pixels hold grey levels (or a BMP's palette indices, as stored).
struct Image {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bpp = 0;     // 1, 4, 8, 16, 24 or 32
    int32_t stride = 0;  // bytes per row
    std::vector<uint8_t> bytes;

    uint8_t* Row(int32_t y) { return bytes.data() + static_cast<size_t>(y) * static_cast<size_t>(stride); }
    const uint8_t* Row(int32_t y) const {
        return bytes.data() + static_cast<size_t>(y) * static_cast<size_t>(stride);
    }
};

// Row stride of a frame: width x bits rounded up to whole 32-bit words. For 8
// and 24 bits this is (bytes + 3) & ~3, for 32 bits 4 x width.
int64_t FrameRowStride(int64_t width, int32_t bitsPerPixel);

// A zero-filled image of that geometry; false with a message when the depth is
// not one of 1, 4, 8, 16, 24, 32 or the size is out of reach.
bool MakeImage(int32_t width, int32_t height, int32_t bitsPerPixel, Image* image, std::string* error);

enum class ImageFormat { Unknown, Bmp, Png, Pnm, Jpeg, Tiff };

// The format named by a path's extension (case-insensitive): .bmp/.dib,
// .png, .pgm/.ppm/.pnm/.pam, .jpg/.jpeg, .tif/.tiff.
ImageFormat FormatFromPath(const std::string& path);
const char* FormatName(ImageFormat format);
// Whether files of that format can be written with that depth: BMP every
// depth, PNG, PNM and TIFF 8, 24 and 32 bits, JPEG none (it is read only).
bool FormatCanHold(ImageFormat format, int32_t bitsPerPixel);

// Reads or writes a file, choosing the format by extension. On failure the
// message says which file and why.
// The extensions that can be read, and those that can be written, as a list
// for messages.
extern const char kReadableExtensions[];
extern const char kWritableExtensions[];

bool ReadImage(const std::string& path, Image* image, std::string* error);
bool WriteImage(const std::string& path, const Image& image, std::string* error);

// Why samples of that many bits (floating point or not) are refused: the
// module works on bytes, and reducing them would change the picture unasked.
std::string UnprocessableSamples(int32_t bits, bool floatingPoint);

// The codecs on bytes in memory.
bool DecodeBmp(const std::vector<uint8_t>& file, Image* image, std::string* error);
bool EncodeBmp(const Image& image, std::vector<uint8_t>* file, std::string* error);
bool DecodePng(const std::vector<uint8_t>& file, Image* image, std::string* error);
bool EncodePng(const Image& image, std::vector<uint8_t>* file, std::string* error);
bool DecodePnm(const std::vector<uint8_t>& file, Image* image, std::string* error);
bool EncodePnm(const Image& image, std::vector<uint8_t>* file, std::string* error);
bool DecodeJpeg(const std::vector<uint8_t>& file, Image* image, std::string* error);
bool DecodeTiff(const std::vector<uint8_t>& file, Image* image, std::string* error);
// tileSide 0 writes strips, otherwise square tiles of that side (a multiple of 16).
bool EncodeTiff(const Image& image, std::vector<uint8_t>* file, std::string* error, int32_t tileSide = 0);

}  // namespace kaf_tool
