// The demo's sample scene, drawn by code so that the demo needs no data file:
// a photograph-like picture (smooth shading, dark objects with soft edges,
// lines of several widths, small text-like marks, a patch of salt-and-pepper
// noise, sensor grain) under a vignetted illumination with two dust shadows,
// and the white calibration frame taken under the same illumination.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host_api.h"
#include "image_io.h"

namespace kaf_tool {

// Where things lie in a scene of a given size, for captions and scan lines.
struct SceneLayout {
    int32_t width = 0, height = 0;
    double discX = 0, discY = 0, discRadius = 0;      // the shaded dark disc
    double linesX0 = 0, linesY0 = 0;                   // corner of the line set
    std::vector<double> lineWidths;                    // of the parallel lines, in pixels
    double lineSpacing = 0;
    double noiseX0 = 0, noiseY0 = 0, noiseX1 = 0, noiseY1 = 0;  // salt-and-pepper patch

    // A segment from inside the disc out across its edge, and one across
    // the line set (perpendicular to the lines), for the line scanners.
    ka_iproc::TLine DiscEdgeLine() const;
    ka_iproc::TLine LineSetCrossing() const;
};

SceneLayout MakeSceneLayout(int32_t width, int32_t height);

// The scene at each of the depths asked for: 8 bits (grey levels), 24 bits or
// 32 bits (blue, green, red; the fourth byte 0). Row 0 is the top of the
// picture. The same size always gives the same bytes.
std::vector<Image> MakeSceneImages(const SceneLayout& layout, const std::vector<int32_t>& depths);

// A white card photographed under the scene's illumination: what flat-field
// calibration divides by.
Image MakeWhiteFrame(const SceneLayout& layout, int32_t bitsPerPixel);

// A copy of an 8-, 24- or 32-bit image as 24 bits (grey copied to all three
// colours, a fourth byte dropped), for pictures in which every pixel shows
// opaque whatever the fourth byte holds.
Image ToRgb24(const Image& image);

// ToRgb24 with the segments drawn on it in the given colours (0xRRGGBB), for
// showing where the scans ran.
Image DrawSegments(const Image& image, const std::vector<ka_iproc::TLine>& lines,
                   const std::vector<uint32_t>& colours);

}  // namespace kaf_tool
