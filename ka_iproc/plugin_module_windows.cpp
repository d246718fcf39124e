// Loading a module at run time with LoadLibrary.
#include <windows.h>

#include "ka_iproc_internal.h"

namespace ka_iproc {
namespace detail {

void* OpenLibrary(const std::string& path, std::string* error) {
    HMODULE library = LoadLibraryA(path.c_str());
    if (!library && error) *error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
    return library;
}

void* FindSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(void* library) {
    if (library) FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace detail
}  // namespace ka_iproc
