// TIFF files through libtiff. Reading takes strips or tiles: 8-bit grey
// (min-is-black), 8-bit RGB and RGB with one extra sample (alpha) are copied
// as they are stored, into 8, 24 and 32 bits; other 8-bit or narrower layouts
// go through libtiff's RGBA reader: grey ones (min-is-white, bilevel, 2 and
// 4 bits) into 8 bits, the others (palette, YCbCr, separate planes) into 24
// bits, or 32 when the file has an extra sample. Samples
// of 16 bits and more, and floating-point samples, are refused with their
// depth named: the module works on bytes, and reducing them would change the
// picture behind the user's back. Writing maps 8, 24 and 32 bits to grey, RGB
// and RGBA (unassociated alpha), LZW-compressed, in strips or square tiles.
// Row 0 is the top row.
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "image_io.h"

namespace kaf_tool {

namespace {

// A file in memory that libtiff reads or writes through the procedures below.
struct MemoryFile {
    std::vector<uint8_t>* bytes;  // grows on writing
    toff_t position = 0;
};

tmsize_t ReadMemory(thandle_t handle, void* out, tmsize_t count) {
    auto* file = static_cast<MemoryFile*>(handle);
    size_t size = file->bytes->size();
    size_t start = std::min<size_t>(file->position, size);
    size_t got = std::min<size_t>(static_cast<size_t>(count), size - start);
    std::memcpy(out, file->bytes->data() + start, got);
    file->position = start + got;
    return static_cast<tmsize_t>(got);
}

tmsize_t WriteMemory(thandle_t handle, void* data, tmsize_t count) {
    auto* file = static_cast<MemoryFile*>(handle);
    size_t end = static_cast<size_t>(file->position) + static_cast<size_t>(count);
    if (file->bytes->size() < end) file->bytes->resize(end);
    std::memcpy(file->bytes->data() + file->position, data, static_cast<size_t>(count));
    file->position = end;
    return count;
}

toff_t SeekMemory(thandle_t handle, toff_t offset, int whence) {
    auto* file = static_cast<MemoryFile*>(handle);
    toff_t base = whence == SEEK_CUR ? file->position : whence == SEEK_END ? file->bytes->size() : 0;
    file->position = base + offset;
    return file->position;
}

int CloseMemory(thandle_t) { return 0; }
toff_t SizeOfMemory(thandle_t handle) { return static_cast<MemoryFile*>(handle)->bytes->size(); }
int MapNothing(thandle_t, void**, toff_t*) { return 0; }
void UnmapNothing(thandle_t, void*, toff_t) {}

// libtiff's messages for one file: the first error is kept as the reason,
// warnings are dropped. Handlers per file keep batch workers apart.
int KeepFirstError(TIFF*, void* message, const char*, const char* format, va_list arguments) {
    auto* text = static_cast<std::string*>(message);
    if (text->empty()) {
        char buffer[512];
        std::vsnprintf(buffer, sizeof buffer, format, arguments);
        *text = buffer;
    }
    return 1;
}

int DropWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffFile = std::unique_ptr<TIFF, TiffCloser>;

TiffFile OpenInMemory(MemoryFile* file, const char* mode, std::string* message) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, KeepFirstError, message);
    TIFFOpenOptionsSetWarningHandlerExtR(options, DropWarning, nullptr);
    TIFF* tiff = TIFFClientOpenExt("memory", mode, file, ReadMemory, WriteMemory, SeekMemory, CloseMemory,
                                   SizeOfMemory, MapNothing, UnmapNothing, options);
    TIFFOpenOptionsFree(options);
    return TiffFile(tiff);
}

bool Fail(std::string* error, const std::string& libraryMessage, const char* fallback) {
    *error = libraryMessage.empty() ? fallback : libraryMessage;
    return false;
}

// Copies `count` stored pixels of `samples` bytes each into frame pixels,
// turning red, green, blue into blue, green, red.
void CopyPixels(const uint8_t* from, uint8_t* to, uint32_t count, uint16_t samples) {
    if (samples == 1) {
        std::memcpy(to, from, count);
        return;
    }
    for (uint32_t x = 0; x < count; ++x, from += samples, to += samples) {
        to[0] = from[2];
        to[1] = from[1];
        to[2] = from[0];
        if (samples == 4) to[3] = from[3];
    }
}

// Strips or tiles of interleaved 8-bit samples, copied region by region.
bool ReadStored(TIFF* tiff, uint16_t samples, Image* image) {
    const uint32_t width = static_cast<uint32_t>(image->width), height = static_cast<uint32_t>(image->height);
    if (TIFFIsTiled(tiff)) {
        uint32_t tileWidth = 0, tileHeight = 0;
        TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tileHeight);
        std::vector<uint8_t> tile(static_cast<size_t>(TIFFTileSize(tiff)));
        for (uint32_t y0 = 0; y0 < height; y0 += tileHeight) {
            for (uint32_t x0 = 0; x0 < width; x0 += tileWidth) {
                if (TIFFReadTile(tiff, tile.data(), x0, y0, 0, 0) < 0) return false;
                uint32_t columns = std::min(tileWidth, width - x0);
                for (uint32_t y = y0; y < std::min(height, y0 + tileHeight); ++y) {
                    CopyPixels(tile.data() + static_cast<size_t>(y - y0) * tileWidth * samples,
                               image->Row(static_cast<int32_t>(y)) + static_cast<size_t>(x0) * samples, columns,
                               samples);
                }
            }
        }
        return true;
    }
    uint32_t rowsPerStrip = height;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::max<uint32_t>(1, std::min(rowsPerStrip, height));
    std::vector<uint8_t> strip(static_cast<size_t>(TIFFStripSize(tiff)));
    const size_t rowBytes = static_cast<size_t>(width) * samples;
    for (uint32_t y0 = 0; y0 < height; y0 += rowsPerStrip) {
        uint32_t rows = std::min(rowsPerStrip, height - y0);
        tmsize_t got = TIFFReadEncodedStrip(tiff, TIFFComputeStrip(tiff, y0, 0), strip.data(),
                                            static_cast<tmsize_t>(rowBytes * rows));
        if (got < static_cast<tmsize_t>(rowBytes * rows)) return false;
        for (uint32_t y = 0; y < rows; ++y) {
            CopyPixels(strip.data() + y * rowBytes, image->Row(static_cast<int32_t>(y0 + y)), width, samples);
        }
    }
    return true;
}

// Any other layout through libtiff's RGBA reader (packed ABGR words, red in
// the low byte), into 8, 24 or 32 bits.
bool ReadThroughRgba(TIFF* tiff, Image* image) {
    const uint32_t width = static_cast<uint32_t>(image->width), height = static_cast<uint32_t>(image->height);
    std::vector<uint32_t> raster(static_cast<size_t>(width) * height);
    if (!TIFFReadRGBAImageOriented(tiff, width, height, raster.data(), ORIENTATION_TOPLEFT, 0)) return false;
    const int32_t bytes = image->bpp / 8;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* out = image->Row(static_cast<int32_t>(y));
        for (uint32_t x = 0; x < width; ++x, out += bytes) {
            uint32_t pixel = raster[static_cast<size_t>(y) * width + x];
            if (bytes == 1) {
                out[0] = static_cast<uint8_t>(TIFFGetG(pixel));  // grey comes out in all three
                continue;
            }
            out[0] = static_cast<uint8_t>(TIFFGetB(pixel));
            out[1] = static_cast<uint8_t>(TIFFGetG(pixel));
            out[2] = static_cast<uint8_t>(TIFFGetR(pixel));
            if (bytes == 4) out[3] = static_cast<uint8_t>(TIFFGetA(pixel));
        }
    }
    return true;
}

}  // namespace

bool DecodeTiff(const std::vector<uint8_t>& file, Image* image, std::string* error) {
    // Opened for reading only: the write procedure never runs on it.
    MemoryFile memory{const_cast<std::vector<uint8_t>*>(&file)};
    std::string message;
    TiffFile tiff = OpenInMemory(&memory, "rm", &message);
    if (!tiff) return Fail(error, message, "not a TIFF file");
    uint32_t width = 0, height = 0;
    uint16_t bits = 1, samples = 1, format = SAMPLEFORMAT_UINT, photometric = 0, planar = PLANARCONFIG_CONTIG;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PLANARCONFIG, &planar);
    if (!TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric)) {
        photometric = samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    }
    if (format == SAMPLEFORMAT_IEEEFP || bits > 8) {
        *error = UnprocessableSamples(bits, format == SAMPLEFORMAT_IEEEFP);
        return false;
    }
    if (width > 0x7fffffffu || height > 0x7fffffffu) {
        *error = "image too large";
        return false;
    }
    bool stored = bits == 8 && planar == PLANARCONFIG_CONTIG &&
                  ((samples == 1 && photometric == PHOTOMETRIC_MINISBLACK) ||
                   ((samples == 3 || samples == 4) && photometric == PHOTOMETRIC_RGB));
    bool grey = samples == 1 && (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE);
    int32_t bpp = stored ? 8 * samples : grey ? 8 : (samples == 2 || samples >= 4) ? 32 : 24;
    if (!MakeImage(static_cast<int32_t>(width), static_cast<int32_t>(height), bpp, image, error)) return false;
    bool ok = stored ? ReadStored(tiff.get(), samples, image) : ReadThroughRgba(tiff.get(), image);
    return ok || Fail(error, message, "the file is damaged");
}

bool EncodeTiff(const Image& image, std::vector<uint8_t>* file, std::string* error, int32_t tileSide) {
    if (!FormatCanHold(ImageFormat::Tiff, image.bpp)) {
        *error = "TIFF cannot hold a " + std::to_string(image.bpp) + "-bit image";
        return false;
    }
    file->clear();
    MemoryFile memory{file};
    std::string message;
    TiffFile tiff = OpenInMemory(&memory, "w", &message);
    if (!tiff) return Fail(error, message, "cannot start a TIFF file");
    const uint16_t samples = static_cast<uint16_t>(image.bpp / 8);
    const uint32_t width = static_cast<uint32_t>(image.width), height = static_cast<uint32_t>(image.height);
    TIFFSetField(tiff.get(), TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff.get(), TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tiff.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff.get(), TIFFTAG_PHOTOMETRIC, samples == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(tiff.get(), TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    if (samples == 4) {
        uint16_t alpha = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tiff.get(), TIFFTAG_EXTRASAMPLES, 1, &alpha);
    }
    // Stored order is red, green, blue: each row or tile is turned around on
    // the way out (CopyPixels swaps bytes 0 and 2 both ways).
    bool ok = true;
    if (tileSide > 0) {
        TIFFSetField(tiff.get(), TIFFTAG_TILEWIDTH, static_cast<uint32_t>(tileSide));
        TIFFSetField(tiff.get(), TIFFTAG_TILELENGTH, static_cast<uint32_t>(tileSide));
        std::vector<uint8_t> tile(static_cast<size_t>(TIFFTileSize(tiff.get())));
        const uint32_t side = static_cast<uint32_t>(tileSide);
        for (uint32_t y0 = 0; ok && y0 < height; y0 += side) {
            for (uint32_t x0 = 0; ok && x0 < width; x0 += side) {
                std::fill(tile.begin(), tile.end(), 0);
                for (uint32_t y = y0; y < std::min(height, y0 + side); ++y) {
                    CopyPixels(image.Row(static_cast<int32_t>(y)) + static_cast<size_t>(x0) * samples,
                               tile.data() + static_cast<size_t>(y - y0) * side * samples,
                               std::min(side, width - x0), samples);
                }
                ok = TIFFWriteTile(tiff.get(), tile.data(), x0, y0, 0, 0) >= 0;
            }
        }
    } else {
        TIFFSetField(tiff.get(), TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff.get(), 0));
        std::vector<uint8_t> row(static_cast<size_t>(width) * samples);
        for (uint32_t y = 0; ok && y < height; ++y) {
            CopyPixels(image.Row(static_cast<int32_t>(y)), row.data(), width, samples);
            ok = TIFFWriteScanline(tiff.get(), row.data(), y, 0) >= 0;
        }
    }
    ok = ok && TIFFWriteDirectory(tiff.get());
    tiff.reset();
    return ok || Fail(error, message, "cannot write the TIFF data");
}

}  // namespace kaf_tool
