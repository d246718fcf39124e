// PNG files through libpng. Reading turns every PNG into 8, 24 or 32 bits:
// grey stays 8-bit grey; grey with alpha (or with a transparent grey level)
// becomes 32 bits with the grey level in blue, green and red and the alpha in
// the fourth byte, so nothing is lost; palette pictures are expanded to
// colour; 16-bit samples keep their high byte. Writing maps 8, 24 and 32 bits
// to grey, RGB and RGBA (the fourth byte as alpha). Row 0 is the top row.
//
// libpng reports errors by longjmp back into the function that called setjmp.
// The functions that call setjmp keep no objects with destructors in scope
// across the jump except their by-pointer outputs, which stay valid.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "image_io.h"

namespace kaf_tool {

namespace {

struct PngReader {
    const uint8_t* data;
    size_t size;
    size_t position;
};

struct PngErrorSink {
    std::string* message;
};

void OnPngError(png_structp png, png_const_charp message) {
    auto* sink = static_cast<PngErrorSink*>(png_get_error_ptr(png));
    if (sink && sink->message) *sink->message = message;
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* reader = static_cast<PngReader*>(png_get_io_ptr(png));
    if (count > reader->size - reader->position) png_error(png, "the file is truncated");
    std::memcpy(out, reader->data + reader->position, count);
    reader->position += count;
}

void WriteToMemory(png_structp png, png_bytep data, png_size_t count) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + count);
}

void FlushNothing(png_structp) {}

// Sets up the transformations and returns the resulting bits per pixel.
int32_t ConfigureRead(png_structp png, png_infop info) {
    int colourType = png_get_color_type(png, info);
    int bitDepth = png_get_bit_depth(png, info);
    bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    bool alpha = transparency || (colourType & PNG_COLOR_MASK_ALPHA) != 0;
    bool colour = (colourType & PNG_COLOR_MASK_COLOR) != 0;
    if (bitDepth == 16) png_set_strip_16(png);
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (transparency) png_set_tRNS_to_alpha(png);
    // Grey with alpha: the grey level goes into all three colour bytes.
    if (!colour && alpha) png_set_gray_to_rgb(png);
    if (colour || alpha) png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return alpha ? 32 : colour ? 24 : 8;
}

bool DecodeWithLibpng(png_structp png, png_infop info, PngReader* reader, Image* image, std::string* error,
                      std::vector<png_bytep>* rowPointers) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, reader, ReadFromMemory);
    png_read_info(png, info);
    png_uint_32 width = png_get_image_width(png, info);
    png_uint_32 height = png_get_image_height(png, info);
    int32_t bpp = ConfigureRead(png, info);
    if (width > 0x7fffffffu || height > 0x7fffffffu) png_error(png, "image too large");
    if (!MakeImage(static_cast<int32_t>(width), static_cast<int32_t>(height), bpp, image, error)) return false;
    if (png_get_rowbytes(png, info) > static_cast<size_t>(image->stride)) png_error(png, "unexpected row size");
    rowPointers->resize(height);
    for (png_uint_32 y = 0; y < height; ++y) (*rowPointers)[y] = image->Row(static_cast<int32_t>(y));
    png_read_image(png, rowPointers->data());
    png_read_end(png, nullptr);
    return true;
}

bool EncodeWithLibpng(png_structp png, png_infop info, const Image& image, std::vector<uint8_t>* file,
                      std::vector<png_bytep>* rowPointers) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, file, WriteToMemory, FlushNothing);
    int colourType = image.bpp == 8 ? PNG_COLOR_TYPE_GRAY
                     : image.bpp == 24 ? PNG_COLOR_TYPE_RGB
                                       : PNG_COLOR_TYPE_RGB_ALPHA;
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                 colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    if (image.bpp != 8) png_set_bgr(png);
    rowPointers->resize(static_cast<size_t>(image.height));
    for (int32_t y = 0; y < image.height; ++y) {
        (*rowPointers)[static_cast<size_t>(y)] = const_cast<png_bytep>(image.Row(y));
    }
    png_write_image(png, rowPointers->data());
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

bool DecodePng(const std::vector<uint8_t>& file, Image* image, std::string* error) {
    if (file.size() < 8 || png_sig_cmp(file.data(), 0, 8) != 0) {
        *error = "not a PNG file";
        return false;
    }
    PngErrorSink sink{error};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &sink, OnPngError, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        *error = "out of memory";
        return false;
    }
    PngReader reader{file.data(), file.size(), 0};
    std::vector<png_bytep> rowPointers;
    bool ok = DecodeWithLibpng(png, info, &reader, image, error, &rowPointers);
    png_destroy_read_struct(&png, &info, nullptr);
    return ok;
}

bool EncodePng(const Image& image, std::vector<uint8_t>* file, std::string* error) {
    if (!FormatCanHold(ImageFormat::Png, image.bpp)) {
        *error = "PNG cannot hold a " + std::to_string(image.bpp) + "-bit image";
        return false;
    }
    PngErrorSink sink{error};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, OnPngError, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        *error = "out of memory";
        return false;
    }
    file->clear();
    std::vector<png_bytep> rowPointers;
    bool ok = EncodeWithLibpng(png, info, image, file, &rowPointers);
    png_destroy_write_struct(&png, &info);
    return ok;
}

}  // namespace kaf_tool
