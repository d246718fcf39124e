// Resources on Windows: the icon is the module's resource of type 4192.
#include <windows.h>

#include "ka_iproc_internal.h"

namespace ka_iproc {
namespace detail {

bool FindIconResource(void* instance, int32_t resourceId, const uint8_t** data, size_t* size) {
    const HMODULE module = static_cast<HMODULE>(instance);
    const HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(kIconResourceType));
    if (!info) return false;
    const HGLOBAL loaded = LoadResource(module, info);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return false;
    *data = static_cast<const uint8_t*>(bytes);
    *size = SizeofResource(module, info);
    return true;
}

}  // namespace detail
}  // namespace ka_iproc
