// JPEG reading through libjpeg: grey pictures give 8 bits, colour pictures 24
// bits (blue, green, red), row 0 at the top. CMYK and YCCK pictures are turned
// into RGB with the usual inverted-ink rule of files written by Adobe software
// (R = C x K / 255 on the stored, inverted values) or the plain rule otherwise.
//
// libjpeg's errors longjmp back into DecodeWithLibjpeg, which keeps no objects
// with destructors in scope across the jump except its by-pointer outputs.
#include <cstdio>
#include <csetjmp>

#include <jpeglib.h>

#include "image_io.h"

namespace kaf_tool {

namespace {

struct JpegError {
    jpeg_error_mgr manager;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr info) {
    auto* error = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, error->message);
    longjmp(error->jump, 1);
}

void OnJpegMessage(j_common_ptr, int) {}

uint8_t InkToLight(uint8_t ink, uint8_t black, bool inverted) {
    return inverted ? static_cast<uint8_t>(ink * black / 255)
                    : static_cast<uint8_t>((255 - ink) * (255 - black) / 255);
}

bool DecodeWithLibjpeg(jpeg_decompress_struct* jpeg, JpegError* jerr, const std::vector<uint8_t>& file,
                       Image* image, std::string* error, std::vector<uint8_t>* scanline) {
    if (setjmp(jerr->jump)) {
        *error = jerr->message;
        return false;
    }
    jpeg_create_decompress(jpeg);
    jpeg_mem_src(jpeg, const_cast<unsigned char*>(file.data()), static_cast<unsigned long>(file.size()));
    jpeg_read_header(jpeg, TRUE);
    bool ink = jpeg->jpeg_color_space == JCS_CMYK || jpeg->jpeg_color_space == JCS_YCCK;
    bool grey = jpeg->num_components == 1;
    jpeg->out_color_space = grey ? JCS_GRAYSCALE : ink ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(jpeg);
    if (jpeg->output_width > 0x7fffffffu || jpeg->output_height > 0x7fffffffu ||
        !MakeImage(static_cast<int32_t>(jpeg->output_width), static_cast<int32_t>(jpeg->output_height),
                   grey ? 8 : 24, image, error)) {
        return false;
    }
    scanline->resize(static_cast<size_t>(jpeg->output_width) * static_cast<size_t>(jpeg->output_components));
    bool inverted = jpeg->saw_Adobe_marker;
    while (jpeg->output_scanline < jpeg->output_height) {
        uint8_t* row = image->Row(static_cast<int32_t>(jpeg->output_scanline));
        JSAMPROW target = grey ? row : scanline->data();
        jpeg_read_scanlines(jpeg, &target, 1);
        if (grey) continue;
        const uint8_t* in = scanline->data();
        for (JDIMENSION x = 0; x < jpeg->output_width; ++x, row += 3) {
            if (ink) {
                const uint8_t* p = in + 4 * x;
                row[0] = InkToLight(p[2], p[3], inverted);
                row[1] = InkToLight(p[1], p[3], inverted);
                row[2] = InkToLight(p[0], p[3], inverted);
            } else {
                const uint8_t* p = in + 3 * x;
                row[0] = p[2];
                row[1] = p[1];
                row[2] = p[0];
            }
        }
    }
    jpeg_finish_decompress(jpeg);
    return true;
}

}  // namespace

bool DecodeJpeg(const std::vector<uint8_t>& file, Image* image, std::string* error) {
    if (file.size() < 3 || file[0] != 0xFF || file[1] != 0xD8) {
        *error = "not a JPEG file";
        return false;
    }
    jpeg_decompress_struct jpeg{};
    JpegError jerr{};
    jpeg.err = jpeg_std_error(&jerr.manager);
    jerr.manager.error_exit = OnJpegError;
    jerr.manager.emit_message = OnJpegMessage;
    std::vector<uint8_t> scanline;
    bool ok = DecodeWithLibjpeg(&jpeg, &jerr, file, image, error, &scanline);
    jpeg_destroy_decompress(&jpeg);
    return ok;
}

}  // namespace kaf_tool
