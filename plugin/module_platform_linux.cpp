// Linux side: the module records a dlopen handle of itself when it is loaded
// (the counterpart of DllMain's process attach), which is what the host
// library's GetResourceIconAddress takes as the instance.
#include <dlfcn.h>

#include "module_platform.h"

namespace {

void* gModuleInstance = nullptr;

__attribute__((constructor)) void RecordModuleInstance() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&RecordModuleInstance), &info) && info.dli_fname) {
        // RTLD_NOLOAD: only a handle of the image that is already loaded, no
        // extra reference that would keep it from being unloaded.
        gModuleInstance = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
        if (gModuleInstance) dlclose(gModuleInstance);
    }
}

}  // namespace

void* ModuleInstance() { return gModuleInstance; }

void KeepHostLibraryLoaded() { dlopen("libka_iproc.so", RTLD_LAZY | RTLD_GLOBAL); }
