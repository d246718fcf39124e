// Test helpers: the module loaded as a host loads it, a host session per
// test, and small frame builders.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host_api.h"
#include "instruction_sets.h"
#include "pixel_format.h"

namespace kaf_test {

// The module, loaded once from the build folder with Init() called.
ka_iproc::PluginModule& Module();
// The module's catalogue as the enumeration exports report it (read once).
const std::vector<ka_iproc::PluginModule::Method>& Catalogue();

// What a run left behind.
struct Outcome {
    bool ok = false;
    std::u16string error;                  // the error text when !ok
    std::vector<std::u16string> warnings;  // in the order they were added
    FrameHandle output = nullptr;          // "Output frame" after the run (null if none)
};

// A host that runs one method object, wiring input k to an object named
// after the method's catalogue input k ("Input frame", "Kernel radius", ...)
// and output 0 to "Output frame", as the kafilters tool does.
class TestHost {
public:
    explicit TestHost(const std::u16string& methodName);
    explicit TestHost(uint32_t methodIndex);

    // A zero-filled frame under the name (default: "Input frame").
    FrameHandle AddFrame(int32_t width, int32_t height, int32_t bitsPerPixel,
                         const std::u16string& name = u"Input frame") {
        return session_.AddFrame(name, width, height, bitsPerPixel);
    }
    void SetNumber(const std::u16string& name, double value) { session_.AddNumber(name, value); }
    void SetArray(const std::u16string& name, const std::vector<double>& values) { session_.AddArray(name, values); }
    void Remove(const std::u16string& name) { session_.Remove(name); }

    // One RunMethod; warnings are those of this run only.
    Outcome Run(int32_t errorMax = 255);

    ka_iproc::Session& Session() { return session_; }
    ka_iproc::ParameterList& Inputs() { return inputs_; }
    ka_iproc::ParameterList& Outputs() { return outputs_; }

private:
    ka_iproc::MethodInstance instance_;
    ka_iproc::Session session_;
    ka_iproc::ParameterList inputs_;
    ka_iproc::ParameterList outputs_{{u"Output frame"}};
};

// Pixel access (row y in storage order).
uint8_t* PixelAt(FrameHandle frame, int32_t x, int32_t y);
// A family's routine table for every instruction set the build has and the
// processor runs.
template <class Table>
std::vector<Table> RunnableSets(const Table* (*tableFor)(kaf_isa::InstructionSet)) {
    std::vector<Table> sets;
    for (kaf_isa::InstructionSet set : kaf_isa::kSetsWidestFirst) {
        if (!kaf_isa::ProcessorRuns(set)) continue;
        if (const Table* table = tableFor(set)) sets.push_back(*table);
    }
    return sets;
}

// The frame's pixels as the engines take them.
PixelPlane Plane(FrameHandle frame);
// Sets every byte of every pixel from fn(x, y, byteIndex).
void FillFrame(FrameHandle frame, const std::function<uint8_t(int32_t, int32_t, int32_t)>& fn);
// Fills every pixel byte with seeded random values, or with one value.
void FillRandom(FrameHandle frame, uint32_t seed);
void FillFlat(FrameHandle frame, uint8_t value);
// Sets the pixel bytes of a frame from rows without padding.
void SetPixelBytes(FrameHandle frame, const std::vector<uint8_t>& bytes);
// The pixel bytes of a frame, row by row without padding.
std::vector<uint8_t> PixelBytes(FrameHandle frame);

// Runs fn with the OpenMP thread count set to n, restoring it afterwards.
void WithThreads(int n, const std::function<void()>& fn);

std::string Narrow(const std::u16string& text);

}  // namespace kaf_test
