// The number of processors the system reports, for per-thread scratches.
#pragma once

#include <cstdint>

// At least 1.
int32_t ProcessorCount();
