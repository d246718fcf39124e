#include "scratch.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "run_frame.h"

bool ScratchFrame::Ensure(FrameHandle like, int32_t width, int32_t height, int32_t bitsPerPixel) {
    if (Holds(width, height, bitsPerPixel)) return true;
    const size_t bytes = GetFrameSize(like);
    return bytes != 0 && LayOut(bytes, width, height, bitsPerPixel);
}

bool ScratchFrame::LayOut(size_t bytes, int32_t width, int32_t height, int32_t bitsPerPixel) {
    if (!block_.Resize(bytes)) return false;
    InitFrameDIB(block_.Data(), width, height, bitsPerPixel);
    width_ = width;
    height_ = height;
    bitsPerPixel_ = bitsPerPixel;
    return true;
}

PixelPlane ScratchFrame::Plane() const { return RunFrame::PlaneOf(Handle()); }

void AskForLargePages(void* block, size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr uintptr_t kLargePage = uintptr_t{2} << 20;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(block) + kLargePage - 1) & ~(kLargePage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(kLargePage - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}
