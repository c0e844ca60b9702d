#pragma once

#include "platform/Error.h"

#include <cstdint>
#include <memory>
#include <vector>

// How a PNG's pixels are compressed: zlib's level (1 to 9) and strategy (Z_DEFAULT_STRATEGY,
// Z_FILTERED, Z_RLE...) and the filter type (0 none, 1 sub, 2 up, 3 average, 4 Paeth) every row
// takes. The defaults were measured on large maps, whose pictures are mostly background and
// text: rows left unfiltered let zlib find each letter's earlier copies, so the file comes out a
// sixth smaller than with the adaptive filtering that libpng chooses, for half the processor time.
struct PngEncoding {
    int level = 6;
    int strategy = 0; // Z_DEFAULT_STRATEGY
    int filter = 0;
};

// Encoders that take a picture row by row, so that a picture larger than one image surface can be
// written without ever being whole in memory. Rows are cairo's ARGB32: premultiplied, one native
// 32-bit word a pixel. The encoded file grows in memory; nothing of it counts until finish
// succeeds.
class BitmapRowWriter {
public:
    virtual ~BitmapRowWriter() = default;

    // PNG stores straight alpha: rows are un-premultiplied on the way. An opaque picture (every
    // pixel's alpha full) is written with three channels. Rows are compressed in pieces on
    // threads of their own while the caller paints the next ones.
    static std::unique_ptr<BitmapRowWriter> png(int64_t width, int64_t height, bool opaque, PngEncoding encoding = {});
    // TIFF keeps the premultiplied values and marks its alpha as associated.
    static std::unique_ptr<BitmapRowWriter> tiff(int64_t width, int64_t height);

    // False once encoding failed; later rows are ignored.
    virtual bool writeRow(const uint32_t* row) = 0;
    // The encoded file when every row was written and the encoder closed cleanly; else empty with
    // the cause in the error.
    virtual std::vector<uint8_t> finish(Error* error) = 0;
};
