#pragma once

#include "platform/Error.h"

#include <cstdint>
#include <memory>
#include <vector>

// Encoders that take a picture row by row, so that a picture larger than one image surface can be
// written without ever being whole in memory. Rows are cairo's ARGB32: premultiplied, one native
// 32-bit word a pixel. The encoded file grows in memory; nothing of it counts until finish
// succeeds.
class BitmapRowWriter {
public:
    virtual ~BitmapRowWriter() = default;

    // PNG stores straight alpha: rows are un-premultiplied on the way.
    static std::unique_ptr<BitmapRowWriter> png(int64_t width, int64_t height);
    // TIFF keeps the premultiplied values and marks its alpha as associated.
    static std::unique_ptr<BitmapRowWriter> tiff(int64_t width, int64_t height);

    // False once encoding failed; later rows are ignored.
    virtual bool writeRow(const uint32_t* row) = 0;
    // The encoded file when every row was written and the encoder closed cleanly; else empty with
    // the cause in the error.
    virtual std::vector<uint8_t> finish(Error* error) = 0;
};
