// The stand-in host library's C++ API for host programs (the kafilters tool,
// the tests, the Python binding's C layer): sessions holding named frames and
// numbers, parameter lists, and the plug-in module loaded at run time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ka_iproc.h"
#include "kafilters.h"

namespace ka_iproc {

// A host session: the `host` argument of a run. Holds named objects: frames
// and numeric arrays (a single number is an array of one element). A frame a
// run was handed as an input stays valid until that run returns, even when
// the run's output frame replaces it under the same name.
class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The value handed to RunMethod as `host`.
    void* Handle() { return this; }

    // A new zero-filled frame under the name, replacing any object of that
    // name. Null when width or height is below 1 or the size overflows.
    FrameHandle AddFrame(const std::u16string& name, int32_t width, int32_t height, int32_t bitsPerPixel);
    void AddNumber(const std::u16string& name, double value);
    void AddArray(const std::u16string& name, const std::vector<double>& values);
    void Remove(const std::u16string& name);
    // The frame of that name, or null.
    FrameHandle FindFrame(const std::u16string& name) const;
    // The timestamp of the frame of that name (0 when there is none).
    uint32_t FrameTimestamp(const std::u16string& name) const;
    // Gives the frame of that name a new timestamp, for a host that changed
    // its pixels in place; false when there is no such frame.
    bool TouchFrame(const std::u16string& name);

    // Warnings added by runs, in order.
    const std::vector<std::u16string>& Warnings() const;
    void ClearWarnings();

    struct Impl;
    Impl* impl() const { return impl_.get(); }

private:
    std::unique_ptr<Impl> impl_;
};

// A parameter list (`inputs` or `outputs` of a run): parameter index k is
// wired to the object named names[k]; an empty name means "not wired".
class ParameterList {
public:
    ParameterList() = default;
    explicit ParameterList(std::vector<std::u16string> names) : names_(std::move(names)) {}
    void* Handle() { return this; }
    // The list context value that goes with Handle().
    void* Context() { return &contextTag_; }
    std::vector<std::u16string>& Names() { return names_; }
    const std::vector<std::u16string>& Names() const { return names_; }

private:
    std::vector<std::u16string> names_;
    int contextTag_ = 0x4b41;
};

// Frame helpers for hosts.
int32_t FrameStride(FrameHandle frame);
// Copies a frame's pixel rows (stride bytes each) out of or into a frame.
std::vector<uint8_t> FramePixels(FrameHandle frame);
void SetFramePixels(FrameHandle frame, const std::vector<uint8_t>& rows);

// Text conversions.
std::u16string Utf16(const std::string& utf8);
std::string Utf8(const std::u16string& utf16);

// The plug-in module, loaded at run time (dlopen / LoadLibrary) and used only
// through its exports.
class PluginModule {
public:
    // Loads the module; null with a message in *error on failure.
    static std::unique_ptr<PluginModule> Load(const std::string& path, std::string* error);
    ~PluginModule();

    decltype(&::Init) Init = nullptr;
    decltype(&::Done) Done = nullptr;
    decltype(&::EnumerateMethods) EnumerateMethods = nullptr;
    decltype(&::EnumerateMethodsCategories) EnumerateMethodsCategories = nullptr;
    decltype(&::EnumerateMethodInputs) EnumerateMethodInputs = nullptr;
    decltype(&::EnumerateMethodOutputs) EnumerateMethodOutputs = nullptr;
    decltype(&::InitMethod) InitMethod = nullptr;
    decltype(&::DoneMethod) DoneMethod = nullptr;
    decltype(&::RunMethod) RunMethod = nullptr;
    decltype(&::ScanLineSubPixelPrecision) ScanLineSubPixelPrecision = nullptr;  // null when absent
    decltype(&::ScanLineSubPixelPrecisionWithSharpening) ScanLineSubPixelPrecisionWithSharpening = nullptr;

    // The catalogue as the enumeration exports report it.
    struct Input {
        int32_t type;
        std::u16string name;
        std::u16string descriptor;
    };
    struct Method {
        uint32_t index;
        std::u16string name;
        std::u16string description;
        std::u16string group;  // level-1 category name
        std::vector<Input> inputs;
    };
    std::vector<Method> Catalogue();
    // Index of the method of that name, or -1.
    int32_t FindMethod(const std::u16string& name);

private:
    PluginModule() = default;
    void* library_ = nullptr;
};

// One method object, from InitMethod to DoneMethod.
class MethodInstance {
public:
    MethodInstance(PluginModule& module, uint32_t methodIndex);
    ~MethodInstance();
    MethodInstance(const MethodInstance&) = delete;
    MethodInstance& operator=(const MethodInstance&) = delete;

    uintptr_t Handle() const { return handle_; }
    // RunMethod with the session and lists; on false, *error holds the text.
    bool Run(Session& session, ParameterList& inputs, ParameterList& outputs, std::u16string* error,
             int32_t errorMax = 255);

private:
    PluginModule& module_;
    uintptr_t handle_;
};

}  // namespace ka_iproc

namespace ka_iproc {

// An icon as the host library decoded it from the module's resource.
struct IconImage {
    int32_t resourceId = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;        // of the resource: 32 or 24 for bitmap files, 0 for the compact format
    std::vector<uint32_t> pixels;    // 0xAARRGGBB, row 0 at the top
};
// Fills *image from an IconAddress handed out by GetResourceIconAddress;
// false for a null or unknown address.
bool DescribeIcon(IconAddress icon, IconImage* image);

}  // namespace ka_iproc
