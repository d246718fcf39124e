// The nine plug-in exports. Everything they report comes from the catalogue
// table; InitMethod creates the row's class.
#include "catalogue.h"
#include "kafilters.h"
#include "module_platform.h"
#include "text.h"

namespace {

// One IconAddress per icon resource id 1001..1023, written by Init and
// released by Done. Null until Init has run.
constexpr int32_t kFirstIconId = 1001;
IconAddress gIcons[kIconCount] = {};

IconAddress& IconSlot(int32_t id) { return gIcons[id - kFirstIconId]; }

CFilter* FilterOf(uintptr_t handle) {
    if (handle == 0 || handle == InvalidMethodHandle) return nullptr;
    return reinterpret_cast<CFilter*>(handle);
}

}  // namespace

extern "C" {

KAFILTERS_API void Init(void) {
    KeepHostLibraryLoaded();
    for (int32_t id : kIconOrder) IconSlot(id) = GetResourceIconAddress(ModuleInstance(), id);
}

KAFILTERS_API void Done(void) {
    for (int32_t id : kIconOrder) DoneIcon(&IconSlot(id));
}

KAFILTERS_API uint8_t EnumerateMethods(uint32_t method, int32_t nameMax, char16_t* nameBuf, int32_t descMax,
                                       char16_t* descBuf, IconAddress* iconOut, int32_t* reservedOut) {
    if (reservedOut) *reservedOut = 0;
    if (method >= kMethodCount) return 0;
    const CatalogueRow& row = kCatalogue[method];
    CopyText(nameBuf, nameMax, row.name);
    CopyText(descBuf, descMax, row.description);
    if (iconOut) *iconOut = IconSlot(row.iconId);
    return 1;
}

KAFILTERS_API uint8_t EnumerateMethodsCategories(uint32_t method, uint32_t categoryIndex, uint32_t level,
                                                 int32_t nameMax, char16_t* nameBuf, int32_t* codeOut,
                                                 IconAddress* iconOut) {
    if (categoryIndex != 0) return 0;
    const CategoryRow* category = nullptr;
    if (level == 0) {
        category = &kRootCategory;  // every method, whatever its index
    } else if (level == 1) {
        if (method >= kMethodCount) return 0;
        category = &CategoryOf(kCatalogue[method].group);
    } else {
        return 0;
    }
    if (codeOut) *codeOut = category->code;
    if (iconOut && category->iconId != 0) *iconOut = IconSlot(category->iconId);
    CopyText(nameBuf, nameMax, category->name);
    return 1;
}

KAFILTERS_API uint8_t EnumerateMethodInputs(uint32_t method, uint32_t inputIndex, int32_t* typeOut,
                                            int32_t descMax, char16_t* descBuf, int32_t nameMax,
                                            char16_t* nameBuf) {
    if (descBuf) descBuf[0] = u'\0';
    if (method >= kMethodCount) return 0;
    const CatalogueRow& row = kCatalogue[method];
    if (inputIndex >= static_cast<uint32_t>(row.inputCount)) return 0;
    const CatalogueInput& input = row.inputs[inputIndex];
    if (typeOut) *typeOut = input.Type();
    CopyText(nameBuf, nameMax, input.name);
    if (input.descriptor) CopyText(descBuf, descMax, input.descriptor);
    return 1;
}

KAFILTERS_API uint8_t EnumerateMethodOutputs(uint32_t method, uint32_t outputIndex, int32_t* typeOut,
                                             int32_t nameMax, char16_t* nameBuf) {
    if (method >= kMethodCount || outputIndex != 0) return 0;
    if (typeOut) *typeOut = ParamTypeFrame;
    CopyText(nameBuf, nameMax, u"Output frame");
    return 1;
}

KAFILTERS_API uintptr_t InitMethod(uint32_t method) {
    if (method >= kMethodCount) return InvalidMethodHandle;
    const FilterFactory factory = kCatalogue[method].factory;
    if (!factory) return 0;
    return reinterpret_cast<uintptr_t>(factory(static_cast<int32_t>(method)));
}

KAFILTERS_API void DoneMethod(uintptr_t handle) { delete FilterOf(handle); }

KAFILTERS_API uint8_t RunMethod(uintptr_t handle, void* host, void* inputs, void* inputsContext, void* outputs,
                                void* outputsContext, int32_t errorMax, char16_t* errorBuf) {
    CFilter* filter = FilterOf(handle);
    if (!filter) return 0;
    return filter->Run(host, inputs, inputsContext, outputs, outputsContext, errorMax, errorBuf) ? 1 : 0;
}

}  // extern "C"
