// "skeletonization": thresholds the input into dark objects and thins them to
// lines one pixel wide that keep their connectivity. The result is an 8-bit
// frame with skeleton pixels 0 and everything else 255.
#pragma once

#include <cstdint>

#include "filter.h"
#include "scratch.h"
#include "ka_iproc.h"
#include "skeleton_thinning.h"

class CSkelet final : public CFilter {
public:
    explicit CSkelet(int32_t methodIndex) : CFilter(methodIndex) {}

    bool Step(RunFrame& frame) override;

private:
    // Thinning, RemoveStairs and the copy of the inner image into the output
    // frame. False when a scratch cannot be allocated.
    bool ThinningStep(const PixelPlane& output, int32_t maxIterations);

    // Both work images are 8-bit, (width + 2) x (height + 2), with a border of
    // 255 around the picture so that every inner pixel has eight neighbours;
    // input pixel (y, x) is work pixel (y + 1, x + 1).
    ScratchFrame skeletonFrame;   // pruning writes here, thinning works here
    ScratchFrame thresholdFrame;  // the thresholded input
    SkeletonThinning thinning;  // the thinning's lists, kept from run to run
};

// One simultaneous pass from the thresholded image into the skeleton image,
// both bordered work images (see WorkImage), over the inner pixels:
// background stays 255; an object pixel stays 0 when it has three or more
// object neighbours, or fewer but two or more transitions (walking once
// around its eight neighbours NW, N, NE, E, SE, S, SW, W and back to NW, the
// steps from a neighbour below the level to one at or above it); otherwise it
// is removed (255).
void PrunePass(const PixelPlane& source, const PixelPlane& destination, int32_t thresholdLevel);
