// Icons from a module's resources. The module names an icon by its instance
// handle and resource id; the platform layer finds the resource's bytes and
// this file decodes them into an icon object the host owns until DoneIcon.
//
// Two formats are accepted:
// - a bitmap file image: "BM" file header, then a bitmap header of at least
//   40 bytes, 24 or 32 bits per pixel, uncompressed (32-bit images may also
//   carry the standard blue/green/red bit fields), rows bottom-up (or
//   top-down with a negative height) padded to 32-bit words;
// - the compact format: "KAI1", width, height and palette size as bytes
//   (1 to 255 each), the palette as (blue, green, red, alpha) quadruples, then
//   (count 1..255, palette index) runs covering the pixels row by row from
//   the top, with nothing after the last pixel.
// Anything else, including a block that ends early or has bytes to spare,
// is rejected.
#include <algorithm>
#include <mutex>
#include <new>
#include <set>

#include "host_api.h"
#include "ka_iproc_internal.h"

namespace ka_iproc {

namespace {

struct Icon {
    IconImage image;
};

// Every icon handed out and not yet released, so that DescribeIcon and
// DoneIcon never act on an address the library did not make. Allocated once
// and never destroyed: a module may release its icons while the process ends.
struct IconRegistry {
    std::mutex mutex;
    std::set<const Icon*> live;
};

IconRegistry& Registry() {
    static IconRegistry* registry = new IconRegistry;
    return *registry;
}

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Read32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

uint32_t Argb(uint8_t blue, uint8_t green, uint8_t red, uint8_t alpha) {
    return uint32_t(alpha) << 24 | uint32_t(red) << 16 | uint32_t(green) << 8 | blue;
}

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kUncompressed = 0;
constexpr uint32_t kBitFields = 3;

bool DecodeBitmapFile(const uint8_t* data, size_t size, IconImage* image) {
    if (size < kFileHeaderSize + 40 || data[0] != 'B' || data[1] != 'M') return false;
    const uint8_t* info = data + kFileHeaderSize;
    const uint32_t pixelOffset = Read32(data + 10);
    const uint32_t headerSize = Read32(info);
    const int32_t width = static_cast<int32_t>(Read32(info + 4));
    const int32_t storedHeight = static_cast<int32_t>(Read32(info + 8));
    const uint16_t planes = Read16(info + 12);
    const uint16_t bpp = Read16(info + 14);
    const uint32_t compression = Read32(info + 16);
    if (headerSize < 40 || headerSize > size - kFileHeaderSize || planes != 1) return false;
    if (bpp != 24 && bpp != 32) return false;
    if (width < 1 || storedHeight == 0 || storedHeight == INT32_MIN) return false;
    if (compression == kBitFields) {
        // Only the layout that equals plain 32-bit pixels: masks right after
        // the 40 bytes of the basic header, whatever its size.
        if (bpp != 32 || size < kFileHeaderSize + 52) return false;
        if (Read32(info + 40) != 0x00FF0000u || Read32(info + 44) != 0x0000FF00u || Read32(info + 48) != 0x000000FFu)
            return false;
    } else if (compression != kUncompressed) {
        return false;
    }
    const bool bottomUp = storedHeight > 0;
    const int32_t height = bottomUp ? storedHeight : -storedHeight;
    const uint64_t stride = (uint64_t(width) * bpp + 31) / 32 * 4;
    // Pixels start after the headers (and after masks that follow a basic header).
    const size_t headersEnd = kFileHeaderSize + std::max<size_t>(headerSize, compression == kBitFields ? 52 : 40);
    if (pixelOffset < headersEnd || pixelOffset > size) return false;
    if (uint64_t(height) > (size - pixelOffset) / stride) return false;

    const int bytesPerPixel = bpp / 8;
    image->width = width;
    image->height = height;
    image->bitsPerPixel = bpp;
    image->pixels.resize(size_t(width) * size_t(height));
    for (int32_t row = 0; row < height; ++row) {
        const int32_t stored = bottomUp ? height - 1 - row : row;
        const uint8_t* p = data + pixelOffset + size_t(stored) * stride;
        uint32_t* out = &image->pixels[size_t(row) * size_t(width)];
        for (int32_t x = 0; x < width; ++x, p += bytesPerPixel) {
            out[x] = Argb(p[0], p[1], p[2], bytesPerPixel == 4 ? p[3] : 255);
        }
    }
    return true;
}

bool DecodeCompact(const uint8_t* data, size_t size, IconImage* image) {
    constexpr size_t kHead = 7;
    if (size < kHead || data[0] != 'K' || data[1] != 'A' || data[2] != 'I' || data[3] != '1') return false;
    const int32_t width = data[4];
    const int32_t height = data[5];
    const uint32_t paletteSize = data[6];
    if (width == 0 || height == 0 || paletteSize == 0) return false;
    const size_t runsStart = kHead + 4 * size_t(paletteSize);
    if (size < runsStart || (size - runsStart) % 2 != 0) return false;

    const uint8_t* palette = data + kHead;
    const size_t total = size_t(width) * size_t(height);
    std::vector<uint32_t> pixels;
    pixels.reserve(total);
    for (size_t at = runsStart; at < size; at += 2) {
        const uint8_t count = data[at];
        const uint8_t index = data[at + 1];
        if (count == 0 || index >= paletteSize || pixels.size() + count > total) return false;
        const uint8_t* entry = palette + 4 * size_t(index);
        pixels.insert(pixels.end(), count, Argb(entry[0], entry[1], entry[2], entry[3]));
    }
    if (pixels.size() != total) return false;
    image->width = width;
    image->height = height;
    image->bitsPerPixel = 0;
    image->pixels = std::move(pixels);
    return true;
}

}  // namespace

namespace detail {

IconAddress DecodeIcon(int32_t resourceId, const uint8_t* data, size_t size) {
    if (!data) return nullptr;
    Icon* icon = new (std::nothrow) Icon;
    if (!icon) return nullptr;
    icon->image.resourceId = resourceId;
    if (!DecodeBitmapFile(data, size, &icon->image) && !DecodeCompact(data, size, &icon->image)) {
        delete icon;
        return nullptr;
    }
    IconRegistry& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.live.insert(icon);
    return icon;
}

const KaResourceEntry* FindResourceEntry(const KaResourceEntry* directory, int32_t type, int32_t resourceId) {
    for (const KaResourceEntry* entry = directory; entry && entry->type != 0; ++entry) {
        if (entry->type == type && entry->id == resourceId) return entry;
    }
    return nullptr;
}

}  // namespace detail

bool DescribeIcon(IconAddress icon, IconImage* image) {
    IconRegistry& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    const auto found = registry.live.find(static_cast<const Icon*>(icon));
    if (found == registry.live.end()) return false;
    if (image) *image = (*found)->image;
    return true;
}

}  // namespace ka_iproc

extern "C" {

IconAddress GetResourceIconAddress(void* instance, int32_t resourceId) {
    const uint8_t* data = nullptr;
    size_t size = 0;
    if (!instance || !ka_iproc::detail::FindIconResource(instance, resourceId, &data, &size)) return nullptr;
    return ka_iproc::detail::DecodeIcon(resourceId, data, size);
}

void DoneIcon(IconAddress* icon) {
    if (!icon) return;
    auto* address = static_cast<ka_iproc::Icon*>(*icon);
    *icon = nullptr;
    if (!address) return;
    ka_iproc::IconRegistry& registry = ka_iproc::Registry();
    std::unique_lock<std::mutex> lock(registry.mutex);
    if (registry.live.erase(address) == 0) return;  // not ours, or released already
    lock.unlock();
    delete address;
}

}  // extern "C"
