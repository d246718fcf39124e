// The tool's image decoders on any bytes: truncated and malformed BMP, PNG,
// PNM and JPEG files. A decoder either fails with a message saying what is
// wrong, or gives an image whose geometry, stride and bytes agree; a decoded
// image written as BMP reads back the same.
#include <cstdio>
#include <cstdlib>

#include "image_io.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_image_readers: %s\n", what);
        std::abort();
    }
}

using Decoder = bool (*)(const std::vector<uint8_t>&, kaf_tool::Image*, std::string*);

void Decode(Decoder decode, const std::vector<uint8_t>& file) {
    kaf_tool::Image image;
    std::string error;
    if (!decode(file, &image, &error)) {
        Check(!error.empty(), "a failed decode says what is wrong");
        return;
    }
    Check(image.width > 0 && image.height > 0, "a decoded image has pixels");
    Check(image.stride == kaf_tool::FrameRowStride(image.width, image.bpp), "rows are laid out like frames");
    Check(image.bytes.size() >= static_cast<size_t>(image.stride) * static_cast<size_t>(image.height),
          "every row is there");
    if (image.bytes.size() > (size_t(16) << 20)) return;  // round trips of big images cost more than they find
    std::vector<uint8_t> bmp;
    Check(kaf_tool::EncodeBmp(image, &bmp, &error), "a decoded image can be written as BMP");
    kaf_tool::Image again;
    Check(kaf_tool::DecodeBmp(bmp, &again, &error), "the BMP written reads back");
    Check(again.width == image.width && again.height == image.height && again.bpp == image.bpp,
          "the BMP written has the same geometry");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    // The first byte picks the decoder; the rest is the file.
    if (size < 1) return 0;
    const std::vector<uint8_t> file(bytes + 1, bytes + size);
    static const Decoder kDecoders[] = {kaf_tool::DecodeBmp, kaf_tool::DecodePng, kaf_tool::DecodePnm,
                                        kaf_tool::DecodeJpeg};
    Decode(kDecoders[bytes[0] % 4], file);
    return 0;
}
