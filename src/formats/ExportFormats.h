#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The tables shared by the export, mail and import code. Export codes are the map's export
// codes: 0 "twkx", 1 "pdf", 2 "png", 3 "tiff", 4 "eps", 5 "html", 6 "txt", 7 "opml", 8 "mm".

// A set of export formats, one bit per code (bit 1 << code).
using ExportFormatSet = uint32_t;

// The import formats by code; 7 exists only for the importers.
enum ImportFormat : int32_t {
    ImportFormatNone = 0,
    ImportFormatOpml = 4,
    ImportFormatFreeMind = 5,
    ImportFormatPlainText = 6,
    ImportFormatPdfBookmarks = 7,
};

// The file extension of an export code; empty for any other code.
std::string ExportFormatExtension(int32_t code);

// The export code of an extension, compared without regard to case; empty for an empty or
// unknown extension.
std::optional<int32_t> ExportFormatFromExtension(std::string_view extension);

// "mm" 5, "opml" 4, "pdf" 7, "txt" 6, compared without regard to case; anything else 0.
int32_t ImportFormatFromExtension(std::string_view extension);

// A code outside the set's bits leaves the set unchanged and is never in it.
ExportFormatSet AddExportFormatToSet(ExportFormatSet set, int32_t code);
bool IsExportFormatInSet(ExportFormatSet set, int32_t code);

// PNG and TIFF: the formats with an image size and scale factor.
bool IsBitmapExportFormat(int32_t code);

// PDF, PNG, TIFF, EPS, HTML outline and plain text can export the selection alone.
bool ExportFormatSupportsSelection(int32_t code);

// The margin round map images exported, rendered, printed and thumbnailed: 30 points on every
// side.
Rect ExportImageMarginRect(const Rect& rect);
