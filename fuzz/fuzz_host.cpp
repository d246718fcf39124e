#include "fuzz_host.h"

#include <cstring>
#include <limits>

namespace kaf_fuzz {

namespace {

// Bytes of a block like this geometry as the host library lays it out; for a
// geometry it does not lay out, the header and the palette alone.
size_t BlockSize(int32_t width, int32_t height, int32_t bitsPerPixel) {
    BITMAPINFOHEADER header;
    std::memset(&header, 0, sizeof header);
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = static_cast<uint16_t>(bitsPerPixel);
    return GetFrameSize(&header);
}

size_t HeadSize(int32_t bitsPerPixel) {
    const bool palette = bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8;
    return sizeof(BITMAPINFOHEADER) + (palette ? (size_t(4) << bitsPerPixel) : 0);
}

std::u16string NameOf(int32_t nameMax, const char16_t* name) {
    std::u16string text;
    for (int32_t i = 0; name && i <= nameMax && name[i] != u'\0'; ++i) text.push_back(name[i]);
    return text;
}

Host* HostOf(void* host) { return static_cast<Host*>(host); }

}  // namespace

FrameHandle Host::AddFrame(const std::u16string& name, int32_t width, int32_t height, int32_t bitsPerPixel,
                           FuzzedDataProvider& data) {
    const size_t laidOut = BlockSize(width, height, bitsPerPixel);
    if (laidOut > frameLimit) return nullptr;  // more than this host has
    const size_t size = laidOut ? laidOut : HeadSize(bitsPerPixel);
    Block block;
    block.bytes.reset(new uint8_t[size]());
    block.size = size;
    block.timestamp = nextTimestamp_++;
    InitFrameDIB(block.bytes.get(), width, height, bitsPerPixel);
    if (laidOut) {
        uint8_t* pixels = GetFrameDataAddr(block.bytes.get());
        const size_t count = size - static_cast<size_t>(pixels - block.bytes.get());
        const std::vector<uint8_t> bytes = data.ConsumeBytes<uint8_t>(count);
        if (!bytes.empty()) std::memcpy(pixels, bytes.data(), bytes.size());
    }
    FrameHandle frame = block.bytes.get();
    frames_[name] = std::move(block);
    return frame;
}

void Host::AddNumbers(const std::u16string& name, std::vector<double> values) { numbers_[name] = std::move(values); }

bool Host::FindFrame(const std::u16string& name, FrameHandle* frame, uint32_t* timestamp) const {
    const auto found = frames_.find(name);
    if (found == frames_.end()) return false;
    if (frame) *frame = found->second.bytes.get();
    if (timestamp) *timestamp = found->second.timestamp;
    return true;
}

FrameHandle Host::NewOutputFrame(const std::u16string& name, int32_t width, int32_t height, int32_t bitsPerPixel) {
    const size_t size = BlockSize(width, height, bitsPerPixel);
    if (refuseOutput || name.empty() || width < 1 || height < 1 || size == 0 || size > frameLimit) return nullptr;
    Block block;
    block.bytes.reset(new uint8_t[size]());
    block.size = size;
    block.timestamp = nextTimestamp_++;
    InitFrameDIB(block.bytes.get(), width, height, bitsPerPixel);
    FrameHandle frame = block.bytes.get();
    frames_[name] = std::move(block);
    return frame;
}

const std::vector<double>* Host::FindNumbers(const std::u16string& name) const {
    const auto found = numbers_.find(name);
    return found == numbers_.end() ? nullptr : &found->second;
}

FrameHandle Host::Output(const std::u16string& name) const {
    FrameHandle frame = nullptr;
    FindFrame(name, &frame, nullptr);
    return frame;
}

double ConsumeNumber(FuzzedDataProvider& data) {
    static const double kSpecial[] = {std::numeric_limits<double>::quiet_NaN(),
                                      std::numeric_limits<double>::infinity(),
                                      -std::numeric_limits<double>::infinity(),
                                      1e300, -1e300, -0.0, 0.0, 1e-310, 0.5, -0.5, 0.999, 1.0, 1.004, -0.004,
                                      2.9, -2.9, 2147483647.0, 2147483648.0, -2147483648.0, -2147483649.0,
                                      3.4028234663852886e38, 3.5e38, 1e12};
    switch (data.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return kSpecial[data.ConsumeIntegralInRange<size_t>(0, std::size(kSpecial) - 1)];
    case 1: return data.ConsumeIntegralInRange<int>(-3, 60);
    case 2: return data.ConsumeIntegralInRange<int>(-8, 130) / 4.0;
    default: {
        const uint64_t bits = data.ConsumeIntegral<uint64_t>();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    }
}

}  // namespace kaf_fuzz

extern "C" {

bool GetParameterName(void* list, void*, int32_t index, int32_t nameMax, char16_t* name) {
    const auto* parameters = static_cast<const kaf_fuzz::ParameterList*>(list);
    std::u16string found;
    if (parameters && index >= 0 && static_cast<size_t>(index) < parameters->names.size()) {
        found = parameters->names[index];
    }
    if (name && nameMax >= 0) {
        // Bounded copy of nameMax + 1 characters, NULs after a shorter name.
        for (int32_t i = 0; i <= nameMax; ++i) name[i] = static_cast<size_t>(i) < found.size() ? found[i] : u'\0';
    }
    return !found.empty();
}

bool GetInputFrameTimestamp(void* host, int32_t nameMax, const char16_t* name, FrameHandle* frame,
                            uint32_t* timestamp) {
    if (frame) *frame = nullptr;
    if (timestamp) *timestamp = 0;
    return host && kaf_fuzz::HostOf(host)->FindFrame(kaf_fuzz::NameOf(nameMax, name), frame, timestamp);
}

bool GetInputFrame(void* host, int32_t nameMax, const char16_t* name, FrameHandle* frame) {
    return GetInputFrameTimestamp(host, nameMax, name, frame, nullptr);
}

bool GetOutputFrame(void* host, int32_t nameMax, const char16_t* name, FrameHandle* frame, int32_t width,
                    int32_t height, int32_t bitsPerPixel) {
    FrameHandle created =
        host ? kaf_fuzz::HostOf(host)->NewOutputFrame(kaf_fuzz::NameOf(nameMax, name), width, height, bitsPerPixel)
             : nullptr;
    if (frame) *frame = created;
    return created != nullptr;
}

bool GetNumber(void* host, int32_t nameMax, const char16_t* name, int32_t element, double** value) {
    if (value) *value = nullptr;
    if (!host || element < 0) return false;
    const std::vector<double>* values = kaf_fuzz::HostOf(host)->FindNumbers(kaf_fuzz::NameOf(nameMax, name));
    if (!values || static_cast<size_t>(element) >= values->size()) return false;
    if (value) *value = const_cast<double*>(&(*values)[element]);
    return true;
}

bool GetObjectMaxIndex(void* host, int32_t nameMax, const char16_t* name, int32_t* maxIndex) {
    if (maxIndex) *maxIndex = -1;
    if (!host) return false;
    kaf_fuzz::Host* h = kaf_fuzz::HostOf(host);
    const std::u16string key = kaf_fuzz::NameOf(nameMax, name);
    int32_t count = 0;
    if (const std::vector<double>* values = h->FindNumbers(key)) {
        count = static_cast<int32_t>(values->size());
    } else if (h->FindFrame(key, nullptr, nullptr)) {
        count = 1;
    } else {
        return false;
    }
    if (h->overstateMaxIndex) count += 3;
    if (maxIndex) *maxIndex = count - 1;
    return true;
}

bool AddWarning(void* host, int32_t textMax, const char16_t* text) {
    if (!host || !text || textMax < 0) return false;
    std::u16string warning;
    for (int32_t i = 0; i <= textMax && text[i] != u'\0'; ++i) warning.push_back(text[i]);
    kaf_fuzz::HostOf(host)->Warn(std::move(warning));
    return true;
}

}  // extern "C"
