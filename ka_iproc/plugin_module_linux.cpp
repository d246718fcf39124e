// Loading a module at run time with dlopen. Each module keeps its own symbols
// (RTLD_LOCAL): two modules may export the same names. A module is never
// unmapped (RTLD_NODELETE): its OpenMP worker threads outlive the last call
// into it, and unmapping their code under them crashes the host at exit.
#include <dlfcn.h>

#include "ka_iproc_internal.h"

namespace ka_iproc {
namespace detail {

void* OpenLibrary(const std::string& path, std::string* error) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!library && error) {
        const char* reason = dlerror();
        *error = reason ? reason : "cannot load " + path;
    }
    return library;
}

void* FindSymbol(void* library, const char* name) { return dlsym(library, name); }

void CloseLibrary(void* library) {
    if (library) dlclose(library);
}

}  // namespace detail
}  // namespace ka_iproc
