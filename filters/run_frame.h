// The run frame every method follows: CFilter::Run fetches the input frame,
// then the method's step fetches an output frame of the same geometry, reads
// its inputs by their catalogue declarations (defaults, clamping, warnings)
// and hands the pixels to an engine. Every call the module makes to the host
// goes through here; the run frame never touches pixels, engines never read
// parameters or issue warnings.
#pragma once

#include <cstdint>

#include "ka_iproc.h"
#include "method_inputs.h"
#include "pixel_format.h"

// Maximum length of an object name in every host call; name buffers hold one more.
constexpr int32_t kNameMax = 63;

// The arguments of one RunMethod call, handed on unchanged.
struct RunArguments {
    void* host;
    void* inputs;
    void* inputsContext;
    void* outputs;
    void* outputsContext;
    int32_t errorMax;
    char16_t* errorBuf;
};

class RunFrame {
public:
    // declarations: the method's catalogue inputs (null: none declared, every
    // number reads as 0 without limits).
    RunFrame(const RunArguments& arguments, const CatalogueInput* declarations)
        : args(arguments), declarations(declarations) {}
    RunFrame(const RunFrame&) = delete;
    RunFrame& operator=(const RunFrame&) = delete;

    // Input 0 with its width, height and bpp. On failure places
    // "error: Cannot get input frame" and returns false.
    bool FetchInputFrame();
    // Output 0 with the input's width and height and the given depth. On
    // failure places "error: Cannot get output frame" and returns false.
    bool FetchOutputFrame(int32_t depth);
    // Input k as a frame's pixels with its timestamp; on failure places
    // "error: Cannot get input frame" and returns false.
    bool FetchTimestampedFrame(int32_t k, PixelPlane* frame, uint32_t* timestamp);

    // Number input k as declared: element 0 of the named object, or the
    // default when it cannot be named or read (warning when the object is an
    // array), truncated toward zero (x86 rule for NaN and out of range) or
    // rounded to single precision, then clamped to the declared limits (the
    // maximum tested first) with the clamping warning.
    int32_t Integer(int32_t k);
    float Real(int32_t k);
    // The clamping warning for the real input just read, when the method
    // replaces it by a value of its own.
    void WarnRealReplaced(float oldValue, float newValue);

    // Reads `count` elements of the array input k into values, element by
    // element (missing elements are 0, with one warning). False, with the
    // error text placed, when the input names no object.
    bool ReadArray(int32_t k, float* values, int64_t count);

    // Places the text in the caller's error buffer and returns false.
    bool Fail(const char16_t* text);
    // "error: Not enough memory".
    bool FailOutOfMemory();

    int32_t Width() const { return width; }
    int32_t Height() const { return height; }
    int32_t Bpp() const { return bpp; }
    FrameHandle InputFrame() const { return inputFrame; }
    FrameHandle OutputFrame() const { return outputFrame; }
    // The frames as pixel views.
    PixelPlane InputPlane() const { return PlaneOf(inputFrame); }
    PixelPlane OutputPlane() const { return PlaneOf(outputFrame); }
    static PixelPlane PlaneOf(FrameHandle frame);

private:
    const CatalogueInput& Declared(int32_t k) const;
    bool NameInput(int32_t k);
    double ReadNumber(int32_t k);

    const RunArguments args;
    const CatalogueInput* const declarations;

    FrameHandle inputFrame = nullptr;
    FrameHandle outputFrame = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bpp = 0;

    char16_t inputName[kNameMax + 1] = {};
    char16_t outputName[kNameMax + 1] = {};
};
