#include "frame_image.h"

#include <algorithm>
#include <cstring>

#include "tool_error.h"

namespace kaf_tool {

namespace {

void CopyRows(const uint8_t* from, int32_t fromStride, uint8_t* to, int32_t toStride, int32_t rows) {
    size_t bytes = static_cast<size_t>(std::min(fromStride, toStride));
    for (int32_t y = 0; y < rows; ++y) {
        std::memcpy(to + static_cast<size_t>(y) * static_cast<size_t>(toStride),
                    from + static_cast<size_t>(y) * static_cast<size_t>(fromStride), bytes);
    }
}

}  // namespace

FrameHandle AddImageFrame(ka_iproc::Session& session, const std::u16string& name, const Image& image) {
    FrameHandle frame = session.AddFrame(name, image.width, image.height, image.bpp);
    if (!frame) {
        throw InputError("the host cannot make a frame of " + std::to_string(image.width) + " x " +
                         std::to_string(image.height) + " pixels at " + std::to_string(image.bpp) + " bits");
    }
    CopyRows(image.bytes.data(), image.stride, GetFrameDataAddr(frame), ka_iproc::FrameStride(frame),
             image.height);
    return frame;
}

Image ImageFromFrame(FrameHandle frame) {
    Image image;
    std::string error;
    if (!MakeImage(GetFrameWidth(frame), GetFrameDepth(frame), GetFrameBPP(frame), &image, &error)) {
        throw ToolError(kExitMethodFailed, "error: the output frame cannot be saved: " + error);
    }
    CopyRows(GetFrameDataAddr(frame), ka_iproc::FrameStride(frame), image.bytes.data(), image.stride,
             image.height);
    return image;
}

Image LoadImageOrThrow(const std::string& path) {
    Image image;
    std::string error;
    if (!ReadImage(path, &image, &error)) throw InputError(error);
    return image;
}

}  // namespace kaf_tool
