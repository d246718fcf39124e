// kaf_frame_runs MODULE OUTPUT: a host that loads the module at run time,
// enumerates it, runs every method the module builds on a fixed set of
// seeded frames and parameter sets, runs both line scanners, and writes
// everything it observed to OUTPUT as a sequence of records
//
//     "record " name " " length "\n", then length bytes of content.
//
// The same program is built for Linux and for Windows; the bytes it writes
// must be identical on both, which is how the Windows DLL is checked against
// the Linux module (tests/windows compares the two files record by record).
// Nothing in a record depends on the platform: no addresses, no sizes of
// native types, integers and float bits in little-endian order.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "host_api.h"

namespace {

using ka_iproc::PluginModule;

// One record's content under construction.
class Record {
public:
    void Line(const std::string& text) { bytes_ += text + "\n"; }
    void Text(const char* key, const std::u16string& text) { Line(std::string(key) + " " + ka_iproc::Utf8(text)); }
    void Number(const char* key, int64_t value) { Line(std::string(key) + " " + std::to_string(value)); }
    void Bytes(const char* key, const uint8_t* data, size_t size) {
        Number(key, static_cast<int64_t>(size));
        bytes_.append(reinterpret_cast<const char*>(data), size);
        bytes_ += "\n";
    }
    void U32(uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) bytes_ += static_cast<char>(value >> shift & 0xff);
    }
    const std::string& Content() const { return bytes_; }

private:
    std::string bytes_;
};

class RecordFile {
public:
    explicit RecordFile(FILE* file) : file_(file) {}
    void Write(const std::string& name, const Record& record) {
        std::fprintf(file_, "record %s %zu\n", name.c_str(), record.Content().size());
        std::fwrite(record.Content().data(), 1, record.Content().size(), file_);
    }

private:
    FILE* file_;
};

// Pixel rows of a frame without the row padding.
std::vector<uint8_t> RowBytes(FrameHandle frame) {
    std::vector<uint8_t> bytes;
    const size_t rowBytes = (static_cast<size_t>(GetFrameWidth(frame)) * GetFrameBPP(frame) + 7) / 8;
    const int32_t stride = ka_iproc::FrameStride(frame);
    for (int32_t y = 0; y < GetFrameDepth(frame); ++y) {
        const uint8_t* row = GetFrameDataAddr(frame) + static_cast<size_t>(y) * stride;
        bytes.insert(bytes.end(), row, row + rowBytes);
    }
    return bytes;
}

// --- frames ---------------------------------------------------------------

struct FrameSpec {
    const char* pattern;  // "noise" or "blobs"
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel;
    uint32_t seed;
};

// Every frame the methods run on: odd widths give padded rows at 8 and 24
// bits; "blobs" has dark objects on a light ground for the thresholded
// methods, "noise" has every byte random; 16 bits is a depth the methods
// leave alone.
const FrameSpec kFrames[] = {
    {"noise", 37, 23, 8, 11},  {"noise", 37, 23, 24, 12}, {"noise", 37, 23, 32, 13},
    {"blobs", 45, 31, 8, 21},  {"blobs", 45, 31, 24, 22}, {"blobs", 45, 31, 32, 23},
    {"noise", 3, 2, 8, 31},    {"noise", 1, 1, 32, 32},   {"noise", 9, 9, 16, 33},
};

std::string Describe(const FrameSpec& layout) {
    return std::string(layout.pattern) + "-" + std::to_string(layout.width) + "x" + std::to_string(layout.height) + "x" +
           std::to_string(layout.bitsPerPixel);
}

// Fills a frame from the layout. std::mt19937 is defined bit for bit by the
// language, so both platforms draw the same numbers; only its raw output is
// used (the distributions are not portable).
void FillFrame(FrameHandle frame, const FrameSpec& layout) {
    std::mt19937 generator(layout.seed);
    const int32_t bytesPerPixel = layout.bitsPerPixel / 8;
    const int32_t stride = ka_iproc::FrameStride(frame);
    const bool blobs = std::strcmp(layout.pattern, "blobs") == 0;
    for (int32_t y = 0; y < layout.height; ++y) {
        uint8_t* row = GetFrameDataAddr(frame) + static_cast<size_t>(y) * stride;
        for (int32_t x = 0; x < layout.width; ++x) {
            const bool dark = (x / 6 + y / 5) % 3 == 0 || (x - 20) * (x - 20) + (y - 15) * (y - 15) < 40;
            for (int32_t b = 0; b < bytesPerPixel; ++b) {
                const uint32_t random = generator() >> 24;
                row[x * bytesPerPixel + b] =
                    static_cast<uint8_t>(blobs ? (dark ? 20 + random % 70 : 170 + random % 80) : random);
            }
        }
    }
}

// --- parameters -----------------------------------------------------------

// A value for a numeric input, by input name, in one parameter set. Set 1
// holds ordinary values; set 2 holds values beyond the limits, which the
// methods clamp with warnings. Kernel sources are arrays.
std::vector<double> ParameterValue(const std::u16string& name, int set) {
    const bool wild = set == 2;
    if (name == u"Kernel radius") return {wild ? 12.0 : 2.0};
    if (name == u"Pass-through rating") return {wild ? 1.5 : 0.3};
    if (name == u"High-boost coefficient") return {wild ? -3.25 : 0.75};
    if (name == u"Neighbourhood radius") return {wild ? -1.0 : 2.0};
    if (name == u"Intensity") return {wild ? 2.0 : 0.6};
    if (name == u"Maximum number of iterations") return {wild ? 80.0 : 4.0};
    if (name == u"Threshold") return {wild ? 1.7 : 0.45};
    if (name == u"Standard deviation") return {wild ? 40.0 : 1.3};
    if (name == u"Times to repeat") return {wild ? 0.0 : 2.0};
    if (name == u"Kernel width") return {wild ? 4.0 : 3.0};
    if (name == u"Kernel height") return {wild ? -5.0 : 5.0};
    if (name == u"Kernel source") {
        std::vector<double> values;
        for (int k = 0; k < (wild ? 4 : 25); ++k) values.push_back(((k * 7) % 11 - 5) * 0.125);
        return values;
    }
    return {};
}

// --- method runs ----------------------------------------------------------

void RunMethods(PluginModule& module, const std::vector<PluginModule::Method>& catalogue, RecordFile& out) {
    for (const PluginModule::Method& method : catalogue) {
        const uintptr_t probe = module.InitMethod(method.index);
        if (probe == 0) continue;  // not built into this module
        module.DoneMethod(probe);

        for (const FrameSpec& layout : kFrames) {
            for (int set = 0; set <= 2; ++set) {
                ka_iproc::Session session;
                ka_iproc::ParameterList inputs;
                ka_iproc::ParameterList outputs({u"Output frame"});
                for (const PluginModule::Input& input : method.inputs) {
                    inputs.Names().push_back(input.name);
                    if (input.type == ParamTypeFrame) {
                        FrameHandle frame = session.AddFrame(input.name, layout.width, layout.height, layout.bitsPerPixel);
                        FrameSpec filled = layout;
                        filled.seed += static_cast<uint32_t>(inputs.Names().size()) * 1000;
                        FillFrame(frame, filled);
                    } else if (set != 0) {
                        const std::vector<double> value = ParameterValue(input.name, set);
                        if (value.size() == 1) session.AddNumber(input.name, value[0]);
                        if (value.size() > 1) session.AddArray(input.name, value);
                    }
                }

                ka_iproc::MethodInstance instance(module, method.index);
                std::u16string error;
                const bool ok = instance.Run(session, inputs, outputs, &error);
                Record record;
                record.Number("ok", ok);
                if (!ok) record.Text("error", error);
                for (const std::u16string& warning : session.Warnings()) record.Text("warning", warning);
                if (FrameHandle output = session.FindFrame(u"Output frame")) {
                    record.Number("width", GetFrameWidth(output));
                    record.Number("height", GetFrameDepth(output));
                    record.Number("bpp", GetFrameBPP(output));
                    const std::vector<uint8_t> pixels = RowBytes(output);
                    record.Bytes("pixels", pixels.data(), pixels.size());
                }
                out.Write(ka_iproc::Utf8(method.name) + "/" + Describe(layout) + "/set" + std::to_string(set), record);
            }
        }
    }
}

// --- the catalogue and icons ------------------------------------------------

void WriteIcon(Record& record, const char* key, IconAddress icon) {
    ka_iproc::IconImage image;
    if (!ka_iproc::DescribeIcon(icon, &image)) {
        record.Line(std::string(key) + " none");
        return;
    }
    record.Line(std::string(key) + " " + std::to_string(image.width) + "x" + std::to_string(image.height) + " bpp " +
                std::to_string(image.bitsPerPixel));
    for (uint32_t pixel : image.pixels) record.U32(pixel);
    record.Line("");
}

void WriteCatalogue(PluginModule& module, const std::vector<PluginModule::Method>& catalogue, RecordFile& out) {
    for (const PluginModule::Method& method : catalogue) {
        Record record;
        record.Text("name", method.name);
        record.Text("description", method.description);
        record.Text("group", method.group);
        for (const PluginModule::Input& input : method.inputs) {
            record.Number("input type", input.type);
            record.Text("input name", input.name);
            record.Text("input descriptor", input.descriptor);
        }
        char16_t text[256] = {};
        char16_t description[256] = {};
        IconAddress icon = nullptr;
        int32_t reserved = -1;
        module.EnumerateMethods(method.index, 255, text, 255, description, &icon, &reserved);
        WriteIcon(record, "icon", icon);
        for (uint32_t level = 0; level < 2; ++level) {
            IconAddress categoryIcon = nullptr;
            int32_t code = 0;
            record.Number("category", module.EnumerateMethodsCategories(method.index, 0, level, 255, text, &code,
                                                                        &categoryIcon));
            record.Number("code", code);
            WriteIcon(record, "category icon", categoryIcon);
        }
        out.Write("catalogue/" + ka_iproc::Utf8(method.name), record);
    }
}

// --- the line scanners ------------------------------------------------------

struct Sample {
    uint32_t user;
    float x;
    float y;
    uint32_t value;
};

std::vector<Sample> gSamples;
size_t gStopAfter = 0;  // 0: never stop

unsigned char KA_SCAN_CALLBACK CollectSample(unsigned int user, float x, float y, unsigned int value) {
    gSamples.push_back({user, x, y, value});
    return gStopAfter == 0 || gSamples.size() < gStopAfter ? 1 : 0;
}

uint32_t FloatBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

void RunScanners(PluginModule& module, RecordFile& out) {
    const struct {
        const char* name;
        decltype(module.ScanLineSubPixelPrecision) scan;
        int maxBits;
    } scanners[] = {
        {"scan", module.ScanLineSubPixelPrecision, 11},
        {"scan-sharpened", module.ScanLineSubPixelPrecisionWithSharpening, 9},
    };
    const ka_iproc::TLine lines[] = {
        {2.0, 3.0, 40.5, 20.25},     // across the frame
        {-5.0, -4.0, 60.0, 50.0},    // starting and ending outside
        {10.3, 29.0, 10.3, 0.0},     // vertical, upwards
        {0.0, 0.0, 44.0, 30.0},      // through the corners
        {7.75, 7.75, 7.75, 7.75},    // a single point
    };
    ka_iproc::TRectangularRegion rotated{22.0, 15.0, 30.0, 12.0, 27.5};
    ka_iproc::TRectangularRegion* regions[] = {nullptr, &rotated};
    const FrameSpec frames[] = {{"noise", 45, 31, 8, 41}, {"blobs", 45, 31, 32, 42}, {"noise", 45, 31, 24, 43}};

    for (const auto& scanner : scanners) {
        if (!scanner.scan) {
            Record record;
            record.Line("absent");
            out.Write(scanner.name, record);
            continue;
        }
        for (const FrameSpec& layout : frames) {
            ka_iproc::Session session;
            FrameHandle frame = session.AddFrame(u"Scanned frame", layout.width, layout.height, layout.bitsPerPixel);
            FillFrame(frame, layout);
            for (size_t r = 0; r < 2; ++r) {
                for (size_t l = 0; l < sizeof lines / sizeof lines[0]; ++l) {
                    for (int mode = 0; mode <= 5; ++mode) {
                        for (int bits : {1, 4, scanner.maxBits}) {
                            gSamples.clear();
                            gStopAfter = (mode == 1 && bits == 4) ? 7 : 0;
                            scanner.scan(static_cast<tagBITMAPINFOHEADER*>(frame), regions[r], lines[l], mode,
                                         0xC0FFEE00u + mode, bits, &CollectSample);
                            Record record;
                            for (const Sample& sample : gSamples) {
                                record.U32(sample.user);
                                record.U32(FloatBits(sample.x));
                                record.U32(FloatBits(sample.y));
                                record.U32(sample.value);
                            }
                            out.Write(std::string(scanner.name) + "/" + Describe(layout) + "/region" +
                                          std::to_string(r) + "/line" + std::to_string(l) + "/mode" +
                                          std::to_string(mode) + "/bits" + std::to_string(bits),
                                      record);
                        }
                    }
                }
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s MODULE OUTPUT\n", argv[0]);
        return 2;
    }
    std::string error;
    std::unique_ptr<PluginModule> module = PluginModule::Load(argv[1], &error);
    if (!module) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    FILE* file = std::fopen(argv[2], "wb");
    if (!file) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    module->Init();
    RecordFile out(file);
    const std::vector<PluginModule::Method> catalogue = module->Catalogue();
    WriteCatalogue(*module, catalogue, out);
    RunMethods(*module, catalogue, out);
    RunScanners(*module, out);
    module->Done();
    // The module stays loaded until the process ends: unloading it would
    // also unload the OpenMP runtime under its idle worker threads.
    module.release();
    const bool written = std::fclose(file) == 0;
    if (!written) std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return written ? 0 : 1;
}
