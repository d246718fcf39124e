#include "skeleton_thinning.h"

#include <cstring>

#include "parallel.h"
#include "scratch.h"

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the word-wide row scans assume little-endian byte order"
#endif

namespace {

// Eight pixels at once. Work pixels are only ever 0, RemovalMark (100) or
// 255, so bit 2 of a byte is clear exactly for 0 and bit 7 set exactly for 255.
constexpr uint64_t kBit2 = 0x0404040404040404ull;
constexpr uint64_t kBit7 = 0x8080808080808080ull;

inline uint64_t LoadWord(const uint8_t* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

inline int LowestByte(uint64_t flags) {
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_ctzll(flags) >> 3;
#else
    int byte = 0;
    while (!(flags & 0xFF)) {
        flags >>= 8;
        ++byte;
    }
    return byte;
#endif
}

// Calls fn(j) for every object pixel of inner row i with a background pixel
// among N, S, W and E.
template <class Fn>
void ForEachBorderPixel(const WorkImage& image, int32_t i, Fn&& fn) {
    const uint8_t* row = image.At(i, 0);
    const uint8_t* above = row - image.stride;
    const uint8_t* below = row + image.stride;
    int32_t j = 1;
    // Whole words while the east neighbours (columns j + 1 to j + 8) stay
    // inside the row, border column included.
    for (; j + 8 <= image.width + 1; j += 8) {
        const uint64_t object = (~LoadWord(row + j) & kBit2) << 5;
        const uint64_t background =
            (LoadWord(above + j) | LoadWord(below + j) | LoadWord(row + j - 1) | LoadWord(row + j + 1)) & kBit7;
        for (uint64_t flags = object & background; flags; flags &= flags - 1) fn(j + LowestByte(flags));
    }
    for (; j <= image.width; ++j) {
        if (row[j] == 0 && (above[j] == 255 || below[j] == 255 || row[j - 1] == 255 || row[j + 1] == 255)) fn(j);
    }
}

// NeighbourCodes order: NW, N, NE, W, E, SW, S, SE (row by row, the centre
// left out). The walk around the pixel, NW, N, NE, E, SE, S, SW, W and back
// to NW, as indices into that order.
constexpr int kWalk[9] = {0, 1, 2, 4, 7, 6, 5, 3, 0};

// 1 for an object pixel, 0 for background, -1 for a mark.
inline int32_t NeighbourCode(uint8_t value) { return value == 0 ? 1 : value == 255 ? 0 : -1; }

// B >= 2 and A == 1 for the pixel at p, with codes as the NeighbourCodes scratch.
inline bool PassesCountTests(const uint8_t* p, size_t stride, int32_t* codes) {
    const uint8_t* above = p - stride;
    const uint8_t* below = p + stride;
    const uint8_t values[8] = {above[-1], above[0], above[1], p[-1], p[1], below[-1], below[0], below[1]};
    int32_t objectNeighbours = 0;  // B
    for (int k = 0; k < 8; ++k) {
        codes[k] = NeighbourCode(values[k]);
        objectNeighbours += codes[k] == 1;
    }
    if (objectNeighbours < 2) return false;
    int32_t runEnds = 0;  // A: object neighbours followed by a non-object one
    for (int k = 0; k < 8; ++k) runEnds += codes[kWalk[k]] == 1 && codes[kWalk[k + 1]] != 1;
    return runEnds == 1;
}

// Groups the pixels by one coordinate with a counting sort: the other
// coordinate of the pixels of line l lands in others[start[l], start[l + 1]).
// start has lines + 1 entries.
template <class LineOf, class OtherOf, class Pixel>
void GroupBy(const Pixel* pixels, size_t count, int32_t lines, size_t* start, int32_t* others, LineOf lineOf,
             OtherOf otherOf) {
    std::memset(start, 0, (static_cast<size_t>(lines) + 1) * sizeof *start);
    for (size_t k = 0; k < count; ++k) ++start[lineOf(pixels[k]) + 1];
    for (int32_t l = 0; l < lines; ++l) start[l + 1] += start[l];
    // Filling advances start[l] to the end of line l, which is the start of
    // line l + 1; shifting by one restores the starts.
    for (size_t k = 0; k < count; ++k) others[start[lineOf(pixels[k])]++] = otherOf(pixels[k]);
    for (int32_t l = lines; l > 0; --l) start[l] = start[l - 1];
    start[0] = 0;
}

// Grows a list to hold at least `needed` elements, doubling.
template <class T>
bool Reserve(ScratchArray<T>& list, size_t& capacity, size_t needed) {
    if (needed <= capacity) return true;
    size_t grown = capacity ? capacity : 1024;
    while (grown < needed) grown = grown > SIZE_MAX / 2 ? needed : grown * 2;
    if (!list.Resize(grown)) return false;
    capacity = grown;
    return true;
}

}  // namespace

bool SkeletonThinning::Thin(const WorkImage& image, int32_t maxIterations, int32_t* codes) {
    iterations = 0;
    if (!CollectBorder(image)) return false;
    const ptrdiff_t north = -static_cast<ptrdiff_t>(image.stride);
    const ptrdiff_t south = static_cast<ptrdiff_t>(image.stride);
    for (;;) {
        if (!GroupLines(image) || !Reserve(marked, markedCapacity, borderCount)) return false;
        markedCount = 0;
        // Each sub-iteration: the neighbour that must be object, the one that
        // must be background.
        SweepColumns(image, true, north, south, codes);  // ThinSouth
        SweepRows(image, true, 1, -1, codes);            // ThinWest
        SweepColumns(image, false, south, north, codes); // ThinNorth
        SweepRows(image, false, -1, 1, codes);           // ThinEast
        ++iterations;
        const bool again = markedCount > 0 && (maxIterations <= 0 || iterations < maxIterations);
        // New border pixels are found while this iteration's removals still
        // carry their marks, so they can be told from older background.
        if (again && !AddNewBorder(image)) return false;
        ClearMarks(image);
        if (!again) return true;
        DropRemoved(image);
    }
}

bool SkeletonThinning::CollectBorder(const WorkImage& image) {
    const int32_t height = image.height;
    if (!rowStart.Resize(static_cast<size_t>(height) + 2)) return false;
    // Count per row in parallel, then fill each row's share in parallel.
    size_t* counts = rowStart.Data();
    counts[0] = 0;
    ParallelRows(height, [&](int32_t y) {
        size_t count = 0;
        ForEachBorderPixel(image, y + 1, [&](int32_t) { ++count; });
        counts[y + 1] = count;
    });
    for (int32_t i = 1; i <= height; ++i) counts[i] += counts[i - 1];
    borderCount = counts[height];
    if (!Reserve(border, borderCapacity, borderCount)) return false;
    Pixel* const list = border.Data();
    ParallelRows(height, [&](int32_t y) {
        Pixel* out = list + counts[y];
        ForEachBorderPixel(image, y + 1, [&](int32_t j) { *out++ = Pixel{y + 1, j}; });
    });
    return true;
}

bool SkeletonThinning::GroupLines(const WorkImage& image) {
    if (!rowStart.Resize(static_cast<size_t>(image.height) + 2) ||
        !columnStart.Resize(static_cast<size_t>(image.width) + 2)) {
        return false;
    }
    if (!Reserve(rowColumns, rowColumnsCapacity, borderCount) ||
        !Reserve(columnRows, columnRowsCapacity, borderCount)) {
        return false;
    }
    const auto row = [](const Pixel& p) { return p.row; };
    const auto column = [](const Pixel& p) { return p.column; };
    GroupBy(border.Data(), borderCount, image.height + 1, rowStart.Data(), rowColumns.Data(), row, column);
    GroupBy(border.Data(), borderCount, image.width + 1, columnStart.Data(), columnRows.Data(), column, row);
    return true;
}

void SkeletonThinning::TestPixel(const WorkImage& image, int32_t i, int32_t j, ptrdiff_t keep, ptrdiff_t open,
                                 int32_t* codes) {
    uint8_t* p = image.At(i, j);
    if (*p != 0 || p[keep] != 0 || p[open] != 255) return;
    if (!PassesCountTests(p, image.stride, codes)) return;
    *p = kRemovalMark;  // seen as neither object nor background from now on
    marked[markedCount++] = Pixel{i, j};
}

void SkeletonThinning::SweepColumns(const WorkImage& image, bool forward, ptrdiff_t keep, ptrdiff_t open,
                                    int32_t* codes) {
    for (int32_t n = 0; n < image.width; ++n) {
        const int32_t j = forward ? 1 + n : image.width - n;
        for (size_t k = columnStart[j]; k < columnStart[j + 1]; ++k) {
            TestPixel(image, columnRows[k], j, keep, open, codes);
        }
    }
}

void SkeletonThinning::SweepRows(const WorkImage& image, bool forward, ptrdiff_t keep, ptrdiff_t open,
                                 int32_t* codes) {
    for (int32_t n = 0; n < image.height; ++n) {
        const int32_t i = forward ? 1 + n : image.height - n;
        for (size_t k = rowStart[i]; k < rowStart[i + 1]; ++k) TestPixel(image, i, rowColumns[k], keep, open, codes);
    }
}

bool SkeletonThinning::AddNewBorder(const WorkImage& image) {
    // An object pixel next to a mark joins the border when none of N, S, W, E
    // is background yet (otherwise it is on the list already). A pixel found
    // twice is listed once: it carries the value 1 until the search ends.
    constexpr uint8_t kListed = 1;
    if (!Reserve(border, borderCapacity, borderCount + 4 * markedCount)) return false;
    const ptrdiff_t s = static_cast<ptrdiff_t>(image.stride);
    const size_t firstNew = borderCount;
    for (size_t k = 0; k < markedCount; ++k) {
        const Pixel m = marked[k];
        const Pixel around[4] = {
            {m.row - 1, m.column}, {m.row + 1, m.column}, {m.row, m.column - 1}, {m.row, m.column + 1}};
        for (const Pixel& q : around) {
            uint8_t* p = image.At(q.row, q.column);
            if (*p != 0 || p[-s] == 255 || p[s] == 255 || p[-1] == 255 || p[1] == 255) continue;
            *p = kListed;
            border[borderCount++] = q;
        }
    }
    for (size_t k = firstNew; k < borderCount; ++k) *image.At(border[k].row, border[k].column) = 0;
    return true;
}

void SkeletonThinning::ClearMarks(const WorkImage& image) {
    // Marks exist only where this iteration marked.
    for (size_t k = 0; k < markedCount; ++k) *image.At(marked[k].row, marked[k].column) = 255;
}

void SkeletonThinning::DropRemoved(const WorkImage& image) {
    size_t kept = 0;
    for (size_t k = 0; k < borderCount; ++k) {
        if (*image.At(border[k].row, border[k].column) == 0) border[kept++] = border[k];
    }
    borderCount = kept;
}

void RemoveStairs(const WorkImage& image) {
    const ptrdiff_t s = static_cast<ptrdiff_t>(image.stride);
    for (int32_t i = 1; i <= image.height; ++i) {
        uint8_t* row = image.At(i, 0);
        for (int32_t j = 1; j <= image.width; ++j) {
            // After the thinning pixels are 0 or 255: skip eight background
            // pixels at once.
            if (j + 8 <= image.width + 1 && LoadWord(row + j) == ~uint64_t(0)) {
                j += 7;
                continue;
            }
            uint8_t* p = row + j;
            if (*p != 0) continue;
            const bool n = p[-s] == 0, south = p[s] == 0, w = p[-1] == 0, e = p[1] == 0;
            const bool nw = p[-s - 1] == 255, ne = p[-s + 1] == 255, sw = p[s - 1] == 255, se = p[s + 1] == 255;
            if ((south && w && sw && ne) || (south && e && se && nw) || (n && e && ne && sw) || (n && w && nw && se)) {
                *p = 255;
            }
        }
    }
}
