// Moving images between files and host frames: both use the same row layout,
// so a frame is filled and read back by copying rows.
#pragma once

#include <string>

#include "host_api.h"
#include "image_io.h"

namespace kaf_tool {

// A new frame of the image's geometry under the name, holding its pixels;
// throws an InputError when the host cannot make the frame.
FrameHandle AddImageFrame(ka_iproc::Session& session, const std::u16string& name, const Image& image);

// A copy of a frame's pixels.
Image ImageFromFrame(FrameHandle frame);

// Reads an image file; throws an InputError (exit status 2) on failure.
Image LoadImageOrThrow(const std::string& path);

}  // namespace kaf_tool
