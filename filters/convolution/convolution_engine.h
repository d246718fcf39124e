// The convolution engines: the separable passes that serve "mean",
// "gaussian" and the smoothing inside "edge", and the two-dimensional kernel
// engine that serves "blur", the Laplacian high-boost methods and the user
// kernels. All are one routine (a kernel laid over every pixel, taps outside
// the frame left out of both sums) with different kernel shapes and a
// different way of turning a sum into a byte.
//
// Planes are 8, 24 or 32 bits per pixel (the input's depth; the output
// plane has the input's geometry); any other depth is left unwritten. At 32
// bits byte 3 of each output pixel is byte 3 of the input pixel at the same
// place. Rows run in one parallel loop;
// the results do not depend on the number of threads.
#pragma once

#include <cstdint>

#include "pixel_format.h"

// Along rows: tap k of `kernel` (length odd) reads column x - r + k, where
// r = (length - 1) / 2. The byte is S / W truncated toward zero to 32 bits,
// low 8 bits, where S and W are the single-precision sums over the taps
// inside the frame (W of the weights, S of byte x weight).
void ConvolveRows(const PixelPlane& input, const float* kernel, int32_t length, const PixelPlane& output);

// Along columns, likewise; tap k reads row y + r - k (rows in storage order),
// so kernel element 0 meets the highest-numbered row of the window.
void ConvolveColumns(const PixelPlane& input, const float* kernel, int32_t length, const PixelPlane& output);

// Where a pass can hand its bytes instead of an output frame, a piece of a
// row at a time, while they are still in cache: take(context, bytes,
// bytesPerPixel, y, x, pixels) gets pixels x .. x + pixels - 1 of output row
// y. 8- and 24-bit pixels come whole; 32-bit ones as blue, green and red
// (bytesPerPixel 3) or as four bytes whose byte 3 is not the output's
// (bytesPerPixel 4). Pieces of different rows may come from different
// threads at once. `length` is at most 31.
struct RowSink {
    void (*take)(void* context, const uint8_t* bytes, int64_t bytesPerPixel, int64_t y, int64_t x, int64_t pixels);
    void* context;
};
void ConvolveRows(const PixelPlane& input, const float* kernel, int32_t length, const RowSink& output);
void ConvolveColumns(const PixelPlane& input, const float* kernel, int32_t length, const RowSink& output);

// Both: the bytes of ConvolveRows to one sink and those of ConvolveColumns
// (each pass on the input alone) to the other, with each input row read
// and converted once for both passes.
void ConvolveRowsAndColumns(const PixelPlane& input, const float* kernel, int32_t length, const RowSink& alongRows,
                            const RowSink& alongColumns);

// ConvolveRows from the input into an intermediate frame, then ConvolveColumns
// from there into the output, with the same bytes as those two calls but
// without the intermediate frame: each thread keeps the row-pass results its
// column pass needs in a few rows of its own. `length` is at most 31.
void ConvolveRowsThenColumns(const PixelPlane& input, const float* kernel, int32_t length,
                             const PixelPlane& output);

// A kernel of kernelHeight x kernelWidth weights stored row by row: tap
// (ky, kx) reads row y + ry - ky and column x - rx + kx, kernel rows taken
// first. The sum is divided by W when `normalise` and W is not 0; then below
// 0 (and NaN) gives 0, above 255 gives 255, else truncation. Kernels of ones
// with a whole-number centre, whose sums are exact whole numbers, are summed
// as such (box_kernel.h), with the same bytes.
void ConvolveKernel(const PixelPlane& input, const float* kernel, int32_t kernelHeight, int32_t kernelWidth,
                    const PixelPlane& output, bool normalise);
