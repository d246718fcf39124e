// Off Windows, a module carries its resources as a directory of embedded
// blocks that it exports as `ka_resource_directory`; the host library finds
// it through the module's instance handle, as Windows finds resources in a
// loaded image.
#pragma once

#include <cstdint>

// The resource type of the host's icons.
constexpr int32_t kIconResourceType = 4192;

struct KaResourceEntry {
    int32_t type;  // 0 ends the directory
    int32_t id;
    const uint8_t* data;
    uint32_t size;
};
