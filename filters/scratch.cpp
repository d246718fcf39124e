#include "scratch.h"

bool EnsureScratchFrame(void*& block, FrameHandle like, int32_t width, int32_t height, int32_t bitsPerPixel,
                        bool geometryChanged) {
    if (block && !geometryChanged) return true;
    const size_t bytes = GetFrameSize(like);
    if (bytes == 0) return false;
    uint8_t* grown = static_cast<uint8_t*>(block);
    if (!ReallocArray(grown, bytes)) return false;
    block = grown;
    InitFrameDIB(block, width, height, bitsPerPixel);
    return true;
}
