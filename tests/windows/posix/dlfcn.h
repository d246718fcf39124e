// The POSIX dynamic-loading calls that the tests use, for the MinGW build of
// the tests: dlopen/dlsym/dlclose over LoadLibrary, GetModuleHandleEx and
// GetProcAddress. Every handle handed out holds a reference, so dlclose is
// FreeLibrary whether or not the module was loaded by dlopen.
#pragma once

#include <windows.h>

#define RTLD_LAZY 0x1
#define RTLD_NOW 0x2
#define RTLD_NOLOAD 0x4

inline void* dlopen(const char* path, int flags) {
    if (flags & RTLD_NOLOAD) {
        HMODULE module = nullptr;
        return GetModuleHandleExA(0, path, &module) ? module : nullptr;
    }
    return LoadLibraryA(path);
}

inline void* dlsym(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

inline int dlclose(void* handle) { return FreeLibrary(static_cast<HMODULE>(handle)) ? 0 : 1; }
