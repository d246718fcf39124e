// A plug-in module loaded at run time and used only through its exports: the
// nine plain-named entry points, which every module has, and the two line
// scanners, which are exported under their C++ names and may be absent.
#include "host_api.h"
#include "ka_iproc_internal.h"

namespace ka_iproc {

namespace {

// The scanners' exported names: on Windows the Microsoft compiler's
// decoration of the declarations in kafilters.h (x64 and 32-bit forms, the
// latter with the __stdcall callback), elsewhere the Itanium decoration.
#if defined(_WIN64)
constexpr const char* kScanLineName =
    "?ScanLineSubPixelPrecision@@YAXPEAUtagBITMAPINFOHEADER@@PEAUTRectangularRegion@ka_iproc@@UTLine@3@HIHP6AEIMMI@Z@Z";
constexpr const char* kScanLineSharpeningName =
    "?ScanLineSubPixelPrecisionWithSharpening@@YAXPEAUtagBITMAPINFOHEADER@@PEAUTRectangularRegion@ka_iproc@@UTLine@3@"
    "HIHP6AEIMMI@Z@Z";
#elif defined(_WIN32)
constexpr const char* kScanLineName =
    "?ScanLineSubPixelPrecision@@YAXPAUtagBITMAPINFOHEADER@@PAUTRectangularRegion@ka_iproc@@UTLine@3@HIHP6GEIMMI@Z@Z";
constexpr const char* kScanLineSharpeningName =
    "?ScanLineSubPixelPrecisionWithSharpening@@YAXPAUtagBITMAPINFOHEADER@@PAUTRectangularRegion@ka_iproc@@UTLine@3@"
    "HIHP6GEIMMI@Z@Z";
#else
constexpr const char* kScanLineName =
    "_Z25ScanLineSubPixelPrecisionP19tagBITMAPINFOHEADERPN8ka_iproc18TRectangularRegionENS1_5TLineEijiPFhjffjE";
constexpr const char* kScanLineSharpeningName =
    "_Z39ScanLineSubPixelPrecisionWithSharpeningP19tagBITMAPINFOHEADERPN8ka_iproc18TRectangularRegionENS1_"
    "5TLineEijiPFhjffjE";
#endif

template <class Function>
bool Bind(void* library, const char* name, Function* function) {
    *function = reinterpret_cast<Function>(detail::FindSymbol(library, name));
    return *function != nullptr;
}

// Text buffers for the enumeration exports: a text of up to kTextMax
// characters arrives whole; the extra character keeps a cut text terminated.
constexpr int32_t kTextMax = 255;
struct TextBuffer {
    char16_t chars[kTextMax + 2] = {};
    std::u16string Text() const { return std::u16string(chars, detail::TextLength(chars, kTextMax + 1)); }
};

// Name and description of a method; false beyond the catalogue.
bool NameMethod(PluginModule& module, uint32_t index, std::u16string* name, std::u16string* description) {
    TextBuffer nameBuffer;
    TextBuffer descriptionBuffer;
    IconAddress icon = nullptr;
    int32_t reserved = 0;
    if (!module.EnumerateMethods(index, kTextMax, nameBuffer.chars, kTextMax, descriptionBuffer.chars, &icon,
                                 &reserved))
        return false;
    *name = nameBuffer.Text();
    if (description) *description = descriptionBuffer.Text();
    return true;
}

}  // namespace

std::unique_ptr<PluginModule> PluginModule::Load(const std::string& path, std::string* error) {
    void* library = detail::OpenLibrary(path, error);
    if (!library) return nullptr;
    std::unique_ptr<PluginModule> module(new PluginModule);
    module->library_ = library;

    struct Required {
        const char* name;
        bool bound;
    };
    const Required required[] = {
        {"Init", Bind(library, "Init", &module->Init)},
        {"Done", Bind(library, "Done", &module->Done)},
        {"EnumerateMethods", Bind(library, "EnumerateMethods", &module->EnumerateMethods)},
        {"EnumerateMethodsCategories", Bind(library, "EnumerateMethodsCategories", &module->EnumerateMethodsCategories)},
        {"EnumerateMethodInputs", Bind(library, "EnumerateMethodInputs", &module->EnumerateMethodInputs)},
        {"EnumerateMethodOutputs", Bind(library, "EnumerateMethodOutputs", &module->EnumerateMethodOutputs)},
        {"InitMethod", Bind(library, "InitMethod", &module->InitMethod)},
        {"DoneMethod", Bind(library, "DoneMethod", &module->DoneMethod)},
        {"RunMethod", Bind(library, "RunMethod", &module->RunMethod)},
    };
    for (const Required& export_ : required) {
        if (!export_.bound) {
            if (error) *error = path + ": the module does not export " + export_.name;
            return nullptr;  // the destructor unloads the library
        }
    }
    Bind(library, kScanLineName, &module->ScanLineSubPixelPrecision);
    Bind(library, kScanLineSharpeningName, &module->ScanLineSubPixelPrecisionWithSharpening);
    return module;
}

PluginModule::~PluginModule() { detail::CloseLibrary(library_); }

std::vector<PluginModule::Method> PluginModule::Catalogue() {
    std::vector<Method> methods;
    for (uint32_t index = 0;; ++index) {
        Method method;
        method.index = index;
        if (!NameMethod(*this, index, &method.name, &method.description)) break;

        TextBuffer group;
        IconAddress icon = nullptr;
        int32_t code = 0;
        if (EnumerateMethodsCategories(index, 0, 1, kTextMax, group.chars, &code, &icon)) method.group = group.Text();

        for (uint32_t k = 0;; ++k) {
            TextBuffer inputName;
            TextBuffer descriptor;
            int32_t type = 0;
            if (!EnumerateMethodInputs(index, k, &type, kTextMax, descriptor.chars, kTextMax, inputName.chars)) break;
            method.inputs.push_back({type, inputName.Text(), descriptor.Text()});
        }
        methods.push_back(std::move(method));
    }
    return methods;
}

int32_t PluginModule::FindMethod(const std::u16string& name) {
    std::u16string found;
    for (uint32_t index = 0; index <= INT32_MAX && NameMethod(*this, index, &found, nullptr); ++index) {
        if (found == name) return static_cast<int32_t>(index);
    }
    return -1;
}

MethodInstance::MethodInstance(PluginModule& module, uint32_t methodIndex)
    : module_(module), handle_(module.InitMethod(methodIndex)) {}

// The module ignores the handles 0 (no object) and InvalidMethodHandle.
MethodInstance::~MethodInstance() { module_.DoneMethod(handle_); }

bool MethodInstance::Run(Session& session, ParameterList& inputs, ParameterList& outputs, std::u16string* error,
                         int32_t errorMax) {
    // The module may fill errorMax + 1 characters; one more keeps a cut text terminated.
    const size_t capacity = static_cast<size_t>(errorMax < 0 ? 0 : errorMax) + 2;
    std::vector<char16_t> buffer(capacity, u'\0');
    const bool ok = module_.RunMethod(handle_, session.Handle(), inputs.Handle(), inputs.Context(), outputs.Handle(),
                                      outputs.Context(), errorMax, buffer.data()) != 0;
    if (error) *error = ok ? std::u16string() : std::u16string(buffer.data(), detail::TextLength(buffer.data(), capacity));
    return ok;
}

}  // namespace ka_iproc
