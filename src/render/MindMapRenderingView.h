#pragma once

#include <cstdint>
#include <vector>

class MindMap;

// Bitmap file types of the image exports.
enum BitmapFileType : int32_t {
    BitmapFileTypeTIFF = 0,
    BitmapFileTypePNG = 4,
};

// Renders a whole map, or only its selection, into export data. Every result is empty on
// failure.
class MindMapRenderingView {
public:
    static std::vector<uint8_t> pdfDataWithMindMap(MindMap& mindMap, bool selectionOnly);
    static std::vector<uint8_t> epsDataWithMindMap(MindMap& mindMap, bool selectionOnly);
    static std::vector<uint8_t> tiffDataWithMindMap(MindMap& mindMap, double scaleFactor, bool selectionOnly);
    static std::vector<uint8_t> bitmapDataWithMindMap(MindMap& mindMap, int32_t representation, double scaleFactor,
                                                      bool selectionOnly);
};
