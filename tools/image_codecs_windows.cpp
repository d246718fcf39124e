// PNG and JPEG on Windows: the cross-built tool carries no libpng or libjpeg
// (the distribution ships neither for MinGW), so these formats are refused
// with a reason; BMP and PNM work as everywhere.
#include "image_io.h"

namespace kaf_tool {

namespace {

bool Unavailable(const char* library, std::string* error) {
    *error = std::string("this Windows build has no ") + library + " (use BMP or PNM)";
    return false;
}

}  // namespace

bool DecodePng(const std::vector<uint8_t>&, Image*, std::string* error) { return Unavailable("libpng", error); }

bool EncodePng(const Image&, std::vector<uint8_t>*, std::string* error) { return Unavailable("libpng", error); }

bool DecodeJpeg(const std::vector<uint8_t>&, Image*, std::string* error) { return Unavailable("libjpeg", error); }

bool DecodeTiff(const std::vector<uint8_t>&, Image*, std::string* error) { return Unavailable("libtiff", error); }

bool EncodeTiff(const Image&, std::vector<uint8_t>*, std::string* error, int32_t) {
    return Unavailable("libtiff", error);
}

}  // namespace kaf_tool
