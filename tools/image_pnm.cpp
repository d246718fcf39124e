// Netpbm files, row 0 at the top. Reading: P2 and P5 (grey), P3 and P6
// (colour), and P7 with the tuple types GRAYSCALE, GRAYSCALE_ALPHA, RGB and
// RGB_ALPHA. Samples with a maximum other than 255 are scaled to 0..255,
// rounded to nearest. Writing picks the type from the depth: 8 bits as P5,
// 24 bits as P6, 32 bits as P7 RGB_ALPHA (the fourth byte as alpha), so every
// depth the tool writes comes back unchanged.
#include <cctype>
#include <cstring>

#include "image_io.h"

namespace kaf_tool {

namespace {

class PnmScanner {
public:
    explicit PnmScanner(const std::vector<uint8_t>& data) : data_(data) {}

    // Skips white space and '#' comments.
    void SkipSpace() {
        while (pos_ < data_.size()) {
            if (data_[pos_] == '#') {
                while (pos_ < data_.size() && data_[pos_] != '\n') ++pos_;
            } else if (std::isspace(data_[pos_])) {
                ++pos_;
            } else {
                break;
            }
        }
    }
    bool Number(uint32_t* value) {
        SkipSpace();
        if (pos_ >= data_.size() || !std::isdigit(data_[pos_])) return false;
        uint64_t v = 0;
        while (pos_ < data_.size() && std::isdigit(data_[pos_])) {
            v = v * 10 + (data_[pos_++] - '0');
            if (v > 0xffffffffu) return false;
        }
        *value = static_cast<uint32_t>(v);
        return true;
    }
    std::string Word() {
        SkipSpace();
        std::string word;
        while (pos_ < data_.size() && !std::isspace(data_[pos_])) word += static_cast<char>(data_[pos_++]);
        return word;
    }
    // The single white-space byte that ends a binary header.
    bool EndOfHeader() {
        if (pos_ >= data_.size() || !std::isspace(data_[pos_])) return false;
        ++pos_;
        return true;
    }
    void SkipLine() {
        while (pos_ < data_.size() && data_[pos_] != '\n') ++pos_;
        if (pos_ < data_.size()) ++pos_;
    }
    size_t Position() const { return pos_; }
    size_t Remaining() const { return data_.size() - pos_; }

private:
    const std::vector<uint8_t>& data_;
    size_t pos_ = 2;  // after the magic
};

struct PnmHeader {
    char type = 0;  // '2', '3', '5', '6' or '7'
    uint32_t width = 0, height = 0, depth = 0, maxValue = 0;
    bool alpha = false;
};

bool ReadPamHeader(PnmScanner& scanner, PnmHeader* header, std::string* error) {
    std::string tuple;
    for (;;) {
        std::string key = scanner.Word();
        if (key.empty()) {
            *error = "the PAM header has no ENDHDR";
            return false;
        }
        if (key == "ENDHDR") {
            scanner.SkipLine();
            break;
        }
        bool ok = true;
        if (key == "WIDTH") ok = scanner.Number(&header->width);
        else if (key == "HEIGHT") ok = scanner.Number(&header->height);
        else if (key == "DEPTH") ok = scanner.Number(&header->depth);
        else if (key == "MAXVAL") ok = scanner.Number(&header->maxValue);
        else if (key == "TUPLTYPE") tuple = scanner.Word();
        else scanner.SkipLine();
        if (!ok) {
            *error = "bad PAM header value for " + key;
            return false;
        }
    }
    header->alpha = header->depth == 2 || header->depth == 4;
    if (header->depth < 1 || header->depth > 4) {
        *error = "PAM depth " + std::to_string(header->depth) + " (tuple type " + tuple + ") is not supported";
        return false;
    }
    return true;
}

bool ReadHeader(PnmScanner& scanner, char type, PnmHeader* header, std::string* error) {
    header->type = type;
    if (type == '7') return ReadPamHeader(scanner, header, error);
    header->depth = (type == '2' || type == '5') ? 1 : 3;
    if (!scanner.Number(&header->width) || !scanner.Number(&header->height) ||
        !scanner.Number(&header->maxValue)) {
        *error = "bad header";
        return false;
    }
    if ((type == '5' || type == '6') && !scanner.EndOfHeader()) {
        *error = "bad header end";
        return false;
    }
    return true;
}

// Sample k of the file's samples, scaled to 0..255.
class SampleSource {
public:
    SampleSource(const std::vector<uint8_t>& data, PnmScanner& scanner, const PnmHeader& header)
        : data_(data), scanner_(scanner), header_(header), binary_(header.type >= '5'),
          wide_(header.maxValue > 255), at_(scanner.Position()) {}

    bool Next(uint8_t* out) {
        uint32_t v;
        if (binary_) {
            size_t bytes = wide_ ? 2 : 1;
            if (data_.size() - at_ < bytes) return false;
            v = wide_ ? (uint32_t(data_[at_]) << 8 | data_[at_ + 1]) : data_[at_];
            at_ += bytes;
        } else if (!scanner_.Number(&v)) {
            return false;
        }
        if (v > header_.maxValue) v = header_.maxValue;
        *out = header_.maxValue == 255
                   ? static_cast<uint8_t>(v)
                   : static_cast<uint8_t>((uint64_t(v) * 255 + header_.maxValue / 2) / header_.maxValue);
        return true;
    }

private:
    const std::vector<uint8_t>& data_;
    PnmScanner& scanner_;
    const PnmHeader& header_;
    bool binary_;
    bool wide_;
    size_t at_;
};

void AppendText(std::vector<uint8_t>* out, const std::string& text) {
    out->insert(out->end(), text.begin(), text.end());
}

}  // namespace

bool DecodePnm(const std::vector<uint8_t>& file, Image* image, std::string* error) {
    if (file.size() < 3 || file[0] != 'P' || !std::strchr("23567", file[1]) || file[1] == 0) {
        *error = "not a P2, P3, P5, P6 or P7 netpbm file";
        return false;
    }
    PnmScanner scanner(file);
    PnmHeader header;
    if (!ReadHeader(scanner, static_cast<char>(file[1]), &header, error)) return false;
    if (header.maxValue < 1 || header.maxValue > 65535) {
        *error = "bad maximum sample value " + std::to_string(header.maxValue);
        return false;
    }
    if (header.width > 0x7fffffffu || header.height > 0x7fffffffu) {
        *error = "image too large";
        return false;
    }
    // Grey with alpha becomes 32 bits with the grey level in all three colour bytes.
    int32_t bpp = header.depth == 1 ? 8 : header.depth == 3 ? 24 : 32;
    if (!MakeImage(static_cast<int32_t>(header.width), static_cast<int32_t>(header.height), bpp, image, error)) {
        return false;
    }
    SampleSource samples(file, scanner, header);
    uint8_t s[4];
    for (int32_t y = 0; y < image->height; ++y) {
        uint8_t* row = image->Row(y);
        for (int32_t x = 0; x < image->width; ++x) {
            for (uint32_t c = 0; c < header.depth; ++c) {
                if (!samples.Next(&s[c])) {
                    *error = "the file is truncated at row " + std::to_string(y);
                    return false;
                }
            }
            switch (header.depth) {
                case 1: row[x] = s[0]; break;
                case 2: row[4 * x] = row[4 * x + 1] = row[4 * x + 2] = s[0]; row[4 * x + 3] = s[1]; break;
                case 3: row[3 * x] = s[2]; row[3 * x + 1] = s[1]; row[3 * x + 2] = s[0]; break;
                default: row[4 * x] = s[2]; row[4 * x + 1] = s[1]; row[4 * x + 2] = s[0]; row[4 * x + 3] = s[3];
            }
        }
    }
    return true;
}

bool EncodePnm(const Image& image, std::vector<uint8_t>* file, std::string* error) {
    if (!FormatCanHold(ImageFormat::Pnm, image.bpp)) {
        *error = "netpbm files cannot hold a " + std::to_string(image.bpp) + "-bit image";
        return false;
    }
    std::string size = std::to_string(image.width) + " " + std::to_string(image.height);
    file->clear();
    if (image.bpp == 8) {
        AppendText(file, "P5\n" + size + "\n255\n");
    } else if (image.bpp == 24) {
        AppendText(file, "P6\n" + size + "\n255\n");
    } else {
        AppendText(file, "P7\nWIDTH " + std::to_string(image.width) + "\nHEIGHT " + std::to_string(image.height) +
                             "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n");
    }
    int32_t channels = image.bpp / 8;
    for (int32_t y = 0; y < image.height; ++y) {
        const uint8_t* row = image.Row(y);
        for (int32_t x = 0; x < image.width; ++x) {
            const uint8_t* px = row + channels * x;
            if (channels == 1) {
                file->push_back(px[0]);
                continue;
            }
            uint8_t rgba[4] = {px[2], px[1], px[0], channels == 4 ? px[3] : uint8_t(0)};
            file->insert(file->end(), rgba, rgba + channels);
        }
    }
    return true;
}

}  // namespace kaf_tool
