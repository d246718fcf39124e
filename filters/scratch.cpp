#include "scratch.h"

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
