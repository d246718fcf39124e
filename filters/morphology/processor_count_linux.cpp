#include "processor_count.h"

#include <unistd.h>

int32_t ProcessorCount() {
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? static_cast<int32_t>(count) : 1;
}
