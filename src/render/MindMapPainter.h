#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <vector>

class MindMap;

// Paints maps: the editor's canvas, exports, prints and thumbnails all come through here.
class MindMapPainter {
public:
    // The size of the thumbnails of the store and the explorers, in points.
    static constexpr Size DefaultThumbnailSize{108, 72};

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
