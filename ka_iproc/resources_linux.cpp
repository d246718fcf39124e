// Resources off Windows: a module exports its resources as a directory of
// embedded blocks, `ka_resource_directory`, and the instance handle it
// records at load is its own dlopen handle. Looking the directory up through
// that handle finds the module's own resources, as Windows looks in the
// image the instance handle names.
#include <dlfcn.h>

#include "ka_iproc_internal.h"

namespace ka_iproc {
namespace detail {

bool FindIconResource(void* instance, int32_t resourceId, const uint8_t** data, size_t* size) {
    const auto* directory = static_cast<const KaResourceEntry*>(dlsym(instance, "ka_resource_directory"));
    const KaResourceEntry* entry = FindResourceEntry(directory, kIconResourceType, resourceId);
    if (!entry || !entry->data) return false;
    *data = entry->data;
    *size = entry->size;
    return true;
}

}  // namespace detail
}  // namespace ka_iproc
