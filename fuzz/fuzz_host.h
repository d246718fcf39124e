// The host the fuzz targets run the module in. It defines the host library's
// session functions itself (GetParameterName, GetInputFrame,
// GetInputFrameTimestamp, GetOutputFrame, GetNumber, GetObjectMaxIndex,
// AddWarning), so a target can hand the module anything a host could: frames
// whose headers say width 0, a negative height or an odd depth, numbers of
// any value, arrays of any length, a highest index that promises more
// elements than there are, and output frames that cannot be had. The frame
// functions (GetFrameWidth, InitFrameDIB, ...) stay the host library's.
//
// Every block is allocated with its exact size, so AddressSanitizer reports
// a read or write one byte outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "ka_iproc.h"

namespace kaf_fuzz {

// A parameter list: parameter k is wired to names[k]; an empty name is an
// unwired parameter (GetParameterName fails for it).
struct ParameterList {
    std::vector<std::u16string> names;
};

class Host {
public:
    // A frame under the name. Its header says width x height at that depth
    // whatever the geometry; the block holds the header, the palette and as
    // many rows as the host library would lay out (none for a geometry it
    // does not lay out). Pixel bytes come from the data, then zeros.
    FrameHandle AddFrame(const std::u16string& name, int32_t width, int32_t height, int32_t bitsPerPixel,
                         FuzzedDataProvider& data);
    void AddNumbers(const std::u16string& name, std::vector<double> values);

    // Behaviour of the host's answers.
    bool overstateMaxIndex = false;  // GetObjectMaxIndex reports three more elements
    bool refuseOutput = false;       // GetOutputFrame fails
    size_t frameLimit = size_t(64) << 20;  // larger frames cannot be had

    // What the host library functions find.
    bool FindFrame(const std::u16string& name, FrameHandle* frame, uint32_t* timestamp) const;
    FrameHandle NewOutputFrame(const std::u16string& name, int32_t width, int32_t height, int32_t bitsPerPixel);
    const std::vector<double>* FindNumbers(const std::u16string& name) const;
    void Warn(std::u16string text) { warnings.push_back(std::move(text)); }
    FrameHandle Output(const std::u16string& name) const;

    std::vector<std::u16string> warnings;

private:
    struct Block {
        std::unique_ptr<uint8_t[]> bytes;
        size_t size = 0;
        uint32_t timestamp = 0;
    };
    std::map<std::u16string, Block> frames_;
    std::map<std::u16string, std::vector<double>> numbers_;
    uint32_t nextTimestamp_ = 1;
};

// A double as a host might hand it over: special values (NaN, infinities,
// 1e300, -0.0, the 32-bit limits and their neighbours), small integers and
// halves, or any 64-bit pattern.
double ConsumeNumber(FuzzedDataProvider& data);

}  // namespace kaf_fuzz
