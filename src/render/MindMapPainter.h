#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <vector>

class GraphicsContext;
class MindMap;
class MindMapPaintSelection;

// The flag word of one paint job; bits combine.
enum PaintFlags : uint32_t {
    PaintFlagDesigning = 0x1,
    PaintFlagSimplifyLines = 0x2,
    PaintFlagNoShadows = 0x4,
    PaintFlagThumbnail = 0x8,
    PaintFlagHighResolution = 0x10,
    PaintFlagPdfLinks = 0x20,
    PaintFlagShowAnchors = 0x40,
    PaintFlagSimplifyFineDashes = 0x80,
    PaintFlagAutoFocus = 0x100,
};

// Paints maps: the editor's canvas, exports, prints and thumbnails all come through here.
class MindMapPainter {
public:
    // The size of the thumbnails of the store and the explorers, in points.
    static constexpr Size DefaultThumbnailSize{108, 72};

    // Paints the selection into the context in the painter's fixed order of passes. A zero clip
    // rectangle (map coordinates) clips nothing; any other skips what lies outside it.
    static void paintMindMap(GraphicsContext& context, const MindMapPaintSelection& selection, uint32_t flags,
                             const Rect& clipRect);

    // PNG data of the whole map scaled to fit the default thumbnail size.
    static std::vector<uint8_t> createThumbnailImage(MindMap& mindMap);

    // PNG data of an image of that size showing the whole map scaled to fit, on the map style's
    // background colour. Empty when no image could be made.
    static std::vector<uint8_t> createThumbnailImage(MindMap& mindMap, Size thumbnailSize, bool highResolution);

    // PNG data of the placeholder shown for a map that cannot be read or painted: a white
    // thumbnail-sized rectangle with a thin blue frame. Made once; every call answers the same
    // data.
    static const std::vector<uint8_t>& emptyMindMapThumbnail();
};
