// Choosing a codec by extension, file reading and writing, image geometry.
#include "image_io.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kaf_tool {

namespace {

// Pixel data of a single image is kept below 2 GiB, so every offset fits the
// 32-bit sizes that image headers and the host's frames use.
constexpr int64_t kMaxImageBytes = INT64_C(0x7fffffff);

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>* data, std::string* error) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        *error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    data->clear();
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) data->insert(data->end(), chunk, chunk + got);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        *error = "cannot read " + path;
        return false;
    }
    return true;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& data, std::string* error) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        *error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(data.data(), 1, data.size(), file) == data.size();
    ok = (std::fclose(file) == 0) && ok;
    if (!ok) *error = "cannot write " + path;
    return ok;
}

}  // namespace

const char kReadableExtensions[] = ".bmp, .png, .pgm, .ppm, .pnm, .pam, .tif, .tiff, .jpg";
const char kWritableExtensions[] = ".bmp, .png, .pgm, .ppm, .pnm, .pam, .tif, .tiff";

std::string UnprocessableSamples(int32_t bits, bool floatingPoint) {
    return std::to_string(bits) + (floatingPoint ? "-bit floating-point" : "-bit") +
           " samples cannot be processed (8-bit samples only)";
}

int64_t FrameRowStride(int64_t width, int32_t bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

bool MakeImage(int32_t width, int32_t height, int32_t bitsPerPixel, Image* image, std::string* error) {
    static const int32_t kDepths[] = {1, 4, 8, 16, 24, 32};
    if (std::find(std::begin(kDepths), std::end(kDepths), bitsPerPixel) == std::end(kDepths)) {
        *error = "unsupported depth of " + std::to_string(bitsPerPixel) + " bits per pixel";
        return false;
    }
    if (width < 1 || height < 1) {
        *error = "image size " + std::to_string(width) + " x " + std::to_string(height) + " is empty";
        return false;
    }
    int64_t stride = FrameRowStride(width, bitsPerPixel);
    if (stride > kMaxImageBytes / height) {
        *error = "image of " + std::to_string(width) + " x " + std::to_string(height) + " pixels is too large";
        return false;
    }
    image->width = width;
    image->height = height;
    image->bpp = bitsPerPixel;
    image->stride = static_cast<int32_t>(stride);
    image->bytes.assign(static_cast<size_t>(stride * height), 0);
    return true;
}

ImageFormat FormatFromPath(const std::string& path) {
    size_t dot = path.find_last_of('.');
    size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return ImageFormat::Unknown;
    std::string ext = Lower(path.substr(dot + 1));
    if (ext == "bmp" || ext == "dib") return ImageFormat::Bmp;
    if (ext == "png") return ImageFormat::Png;
    if (ext == "pgm" || ext == "ppm" || ext == "pnm" || ext == "pam") return ImageFormat::Pnm;
    if (ext == "jpg" || ext == "jpeg") return ImageFormat::Jpeg;
    if (ext == "tif" || ext == "tiff") return ImageFormat::Tiff;
    return ImageFormat::Unknown;
}

const char* FormatName(ImageFormat format) {
    switch (format) {
        case ImageFormat::Bmp: return "BMP";
        case ImageFormat::Png: return "PNG";
        case ImageFormat::Pnm: return "PNM";
        case ImageFormat::Jpeg: return "JPEG";
        case ImageFormat::Tiff: return "TIFF";
        case ImageFormat::Unknown: break;
    }
    return "unknown";
}

bool FormatCanHold(ImageFormat format, int32_t bitsPerPixel) {
    switch (format) {
        case ImageFormat::Bmp:
            return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 16 ||
                   bitsPerPixel == 24 || bitsPerPixel == 32;
        case ImageFormat::Png:
        case ImageFormat::Pnm:
        case ImageFormat::Tiff:
            return bitsPerPixel == 8 || bitsPerPixel == 24 || bitsPerPixel == 32;
        case ImageFormat::Jpeg:
        case ImageFormat::Unknown:
            break;
    }
    return false;
}

bool ReadImage(const std::string& path, Image* image, std::string* error) {
    ImageFormat format = FormatFromPath(path);
    if (format == ImageFormat::Unknown) {
        *error = path + ": unknown image type (use " + std::string(kReadableExtensions) + ")";
        return false;
    }
    std::vector<uint8_t> data;
    if (!ReadFile(path, &data, error)) return false;
    std::string why;
    bool ok = false;
    switch (format) {
        case ImageFormat::Bmp: ok = DecodeBmp(data, image, &why); break;
        case ImageFormat::Png: ok = DecodePng(data, image, &why); break;
        case ImageFormat::Pnm: ok = DecodePnm(data, image, &why); break;
        case ImageFormat::Jpeg: ok = DecodeJpeg(data, image, &why); break;
        case ImageFormat::Tiff: ok = DecodeTiff(data, image, &why); break;
        case ImageFormat::Unknown: break;
    }
    if (!ok) *error = "cannot read " + path + " as " + FormatName(format) + ": " + why;
    return ok;
}

bool WriteImage(const std::string& path, const Image& image, std::string* error) {
    ImageFormat format = FormatFromPath(path);
    if (format == ImageFormat::Unknown || format == ImageFormat::Jpeg) {
        *error = path + ": cannot write this image type (use " + std::string(kWritableExtensions) + ")";
        return false;
    }
    if (!FormatCanHold(format, image.bpp)) {
        *error = path + ": " + FormatName(format) + " cannot hold a " + std::to_string(image.bpp) +
                 "-bit image (BMP can)";
        return false;
    }
    std::vector<uint8_t> data;
    std::string why;
    bool ok = false;
    switch (format) {
        case ImageFormat::Bmp: ok = EncodeBmp(image, &data, &why); break;
        case ImageFormat::Png: ok = EncodePng(image, &data, &why); break;
        case ImageFormat::Pnm: ok = EncodePnm(image, &data, &why); break;
        case ImageFormat::Tiff: ok = EncodeTiff(image, &data, &why); break;
        default: break;
    }
    if (!ok) {
        *error = "cannot encode " + path + ": " + why;
        return false;
    }
    return WriteFile(path, data, error);
}

}  // namespace kaf_tool
