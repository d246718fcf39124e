// The run frame every method's Run follows: fetch the input frame, fetch an
// output frame of the same geometry, read and clamp the numbers (warning the
// host), then hand the pixels to an engine. The run frame never touches
// pixels; engines never read parameters or issue warnings.
#pragma once

#include <cstdint>

#include "ka_iproc.h"
#include "pixel_format.h"

// Maximum length of an object name in every host call; name buffers hold one more.
constexpr int32_t kNameMax = 63;

class RunFrame {
public:
    RunFrame(void* host, void* inputs, void* inputsContext, void* outputs, void* outputsContext, int32_t errorMax,
             char16_t* errorBuf)
        : host(host), inputs(inputs), inputsContext(inputsContext), outputs(outputs),
          outputsContext(outputsContext), errorMax(errorMax), errorBuf(errorBuf) {}

    // Input 0 into inputFrame, with width, height and bpp. On failure places
    // "error: Cannot get input frame" and returns false.
    bool FetchInputFrame();
    // Output 0 with the input's width and height and the given depth. On
    // failure places "error: Cannot get output frame" and returns false.
    bool FetchOutputFrame(int32_t depth);

    // Names input k into the input name buffer; false when the list has none.
    bool NameInput(int32_t k);

    // The number of input k (element 0), or the default when it cannot be
    // named or read; then warns when the named object is an array.
    double ReadNumber(int32_t k, double defaultValue);
    // ReadNumber truncated toward zero (x86 rule for NaN and out of range).
    int32_t ReadInteger(int32_t k, int32_t defaultValue);
    // ReadNumber rounded to single precision.
    float ReadReal(int32_t k, float defaultValue);

    // Clamping of the value just read (the maximum is tested first), with the
    // clamping warning naming the object in the input name buffer. Pass
    // INT32_MIN / INT32_MAX (or infinities) for a limit the parameter lacks.
    int32_t ClampInteger(int32_t value, int32_t minimum, int32_t maximum);
    float ClampReal(float value, float minimum, float maximum);

    // Reads and clamps in one step.
    int32_t ReadClampedInteger(int32_t k, int32_t defaultValue, int32_t minimum, int32_t maximum) {
        return ClampInteger(ReadInteger(k, defaultValue), minimum, maximum);
    }
    float ReadClampedReal(int32_t k, float defaultValue, float minimum, float maximum) {
        return ClampReal(ReadReal(k, defaultValue), minimum, maximum);
    }

    // Places the text in the caller's error buffer and returns false.
    bool Fail(const char16_t* text);
    // "error: Not enough memory".
    bool FailOutOfMemory();

    // The frames as pixel views.
    PixelPlane InputPlane() const { return PlaneOf(inputFrame); }
    PixelPlane OutputPlane() const { return PlaneOf(outputFrame); }
    static PixelPlane PlaneOf(FrameHandle frame);

    void* const host;
    void* const inputs;
    void* const inputsContext;
    void* const outputs;
    void* const outputsContext;
    const int32_t errorMax;
    char16_t* const errorBuf;

    FrameHandle inputFrame = nullptr;
    FrameHandle outputFrame = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bpp = 0;

    char16_t inputName[kNameMax + 1] = {};
    char16_t outputName[kNameMax + 1] = {};
};

// Warnings shared by all filters; texts go to AddWarning(host, 255, text).
void WarnIfArray(void* host, int32_t nameMax, const char16_t* name);
void WarnClampedInteger(void* host, int32_t nameMax, const char16_t* name, int32_t oldValue, int32_t newValue);
void WarnClampedReal(void* host, int32_t nameMax, const char16_t* name, float oldValue, float newValue);
