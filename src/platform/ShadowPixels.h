#pragma once

#include <cstdint>
#include <vector>

// The pixel work of a blurred shadow, on 8-bit alpha pictures (rows `stride` bytes apart). A
// shadow covers the whole canvas as often as not, so these run over millions of pixels per frame:
// they are written as plain loops the compiler turns into vector code.
namespace ShadowPixels {

// Three box blurs of radius k, along the rows and down the columns, in place: close to a Gaussian
// of radius 2k, as shadows look elsewhere on the desktop. k is 1 to 100.
void blur(uint8_t* data, int width, int height, int stride, int k);

// The alpha of an ARGB32 picture, `factor` (1 or 2) times smaller, from the picture's pixel
// (x0, y0) on: each pixel of `out` (width x height, packed) the rounded mean of the factor x factor
// pixels it stands for, which is what a bilinear filter samples at exactly half the size. Pixels
// beyond the picture count as clear. Rows of `out` lie outStride bytes apart (0: width).
void reduceAlpha(const uint8_t* argb, int argbWidth, int argbHeight, int argbStride, int x0, int y0, int factor,
                 uint8_t* out, int width, int height, int outStride = 0);
// The same of an A8 picture.
void reduceCoverage(const uint8_t* a8, int a8Width, int a8Height, int a8Stride, int x0, int y0, int factor,
                    uint8_t* out, int width, int height, int outStride = 0);

// The picture (width x height, packed) scaled up by `factor` with its top left corner at `origin`,
// sampled at the centres of the target's pixels through a bilinear filter, clear beyond its
// edges: the target's pixel (0, 0) is the pixel at `first`.
void enlarge(const uint8_t* alpha, int width, int height, int factor, double originX, double originY, int firstX,
             int firstY, uint8_t* target, int targetWidth, int targetHeight, int targetStride);

// Which tiles (tile x tile pixels, row by row, tilesAcross to a row) of a premultiplied picture
// hold any pixel that is not clear, or within `grow` pixels round them: only those need
// blurring, painting back and clearing. bytesPerPixel is 4 for ARGB32 and 1 for A8.
std::vector<uint8_t> occupiedTiles(const uint8_t* pixels, int width, int height, int stride, int bytesPerPixel,
                                   int tile, int grow, int& tilesAcross);

} // namespace ShadowPixels
