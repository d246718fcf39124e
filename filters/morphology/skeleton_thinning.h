// The thinning of the skeletonization, on a bordered 8-bit work image whose
// pixels are 0 (object), 255 (background) or, while an iteration runs,
// RemovalMark (an object pixel the iteration removes).
#pragma once

#include <cstddef>
#include <cstdint>

#include "pixel_format.h"
#include "scratch.h"

constexpr uint8_t kRemovalMark = 100;

// A bordered work image, viewed over an 8-bit plane of (width + 2) x
// (height + 2) pixels: inner pixels are rows 1 to height and columns 1 to
// width; rows 0 and height + 1 and columns 0 and width + 1 are background.
struct WorkImage {
    explicit WorkImage(const PixelPlane& bordered)
        : data(bordered.data), stride(bordered.stride), width(bordered.width - 2), height(bordered.height - 2) {}

    uint8_t* data;
    size_t stride;
    int32_t width;   // inner width
    int32_t height;  // inner height

    uint8_t* At(int32_t i, int32_t j) const { return data + static_cast<size_t>(i) * stride + j; }
};

// Iterations of four directional sub-iterations, in the order ThinSouth,
// ThinWest, ThinNorth, ThinEast, then ClearMarks. A sub-iteration visits its
// lines in a fixed order (columns 1..width, rows 1..height, columns width..1,
// rows height..1) and marks an object pixel at once when
//   - B, the number of its neighbours of value 0, is at least 2,
//   - A, the number of object neighbours followed, walking NW, N, NE, E, SE,
//     S, SW, W and back to NW, by one that is not an object pixel, is 1,
//   - its neighbour on the far side is 0 and the one on the near side 255
//     (ThinSouth: N and S; ThinWest: E and W; ThinNorth: S and N; ThinEast:
//     W and E).
//
// The result is that of visiting every pixel in that order, found far faster:
// a pixel can pass only when its near-side neighbour is background, and
// background appears only when an iteration's marks are cleared, so each
// iteration tests only the object pixels that touch background across an
// edge (the border list), kept up to date from the pixels removed. Within a
// line two such candidates are never next to each other (one would need the
// other as background), so the order inside a line does not matter; the lists
// are grouped by row and by column and walked in each sub-iteration's line
// order.
class SkeletonThinning {
public:
    // Iterates until an iteration marks nothing or, when maxIterations is
    // above 0, until that many have run; at least one always runs.
    // neighbourCodes: room for eight NeighbourCodes. False when the lists cannot be allocated.
    bool Thin(const WorkImage& image, int32_t maxIterations, int32_t* neighbourCodes);

    // Iterations run by the last Thin.
    int32_t Iterations() const { return iterations; }

private:
    struct Pixel {
        int32_t row;
        int32_t column;
    };

    bool CollectBorder(const WorkImage& image);
    bool GroupLines(const WorkImage& image);
    void SweepColumns(const WorkImage& image, bool forward, ptrdiff_t keep, ptrdiff_t open, int32_t* codes);
    void SweepRows(const WorkImage& image, bool forward, ptrdiff_t keep, ptrdiff_t open, int32_t* codes);
    void TestPixel(const WorkImage& image, int32_t i, int32_t j, ptrdiff_t keep, ptrdiff_t open, int32_t* codes);
    bool AddNewBorder(const WorkImage& image);
    void ClearMarks(const WorkImage& image);
    void DropRemoved(const WorkImage& image);

    int32_t iterations = 0;
    // Object pixels with a background pixel among N, S, W, E.
    ScratchArray<Pixel> border;
    size_t borderCount = 0;
    size_t borderCapacity = 0;
    // The border list grouped by row (columns of row i at rowColumns
    // [rowStart[i], rowStart[i + 1])) and by column.
    ScratchArray<size_t> rowStart;
    ScratchArray<int32_t> rowColumns;
    ScratchArray<size_t> columnStart;
    ScratchArray<int32_t> columnRows;
    size_t rowColumnsCapacity = 0;
    size_t columnRowsCapacity = 0;
    // Pixels marked by the current iteration.
    ScratchArray<Pixel> marked;
    size_t markedCount = 0;
    size_t markedCapacity = 0;
};

// One sequential pass in raster order that removes, in place, every object
// pixel where two arms meet at a right angle: S and W object with SW and NE
// background, or the same turned by 90, 180 and 270 degrees. A pixel removed
// earlier counts as background for later tests.
void RemoveStairs(const WorkImage& image);
