#include "render/MindMapRenderingView.h"

// Maps are not rendered yet: every export answers no data, which callers treat as a failed export.

std::vector<uint8_t> MindMapRenderingView::pdfDataWithMindMap(MindMap& /*mindMap*/, bool /*selectionOnly*/)
{
    return {};
}

std::vector<uint8_t> MindMapRenderingView::epsDataWithMindMap(MindMap& /*mindMap*/, bool /*selectionOnly*/)
{
    return {};
}

std::vector<uint8_t> MindMapRenderingView::tiffDataWithMindMap(MindMap& /*mindMap*/, double /*scaleFactor*/,
                                                               bool /*selectionOnly*/)
{
    return {};
}

std::vector<uint8_t> MindMapRenderingView::bitmapDataWithMindMap(MindMap& /*mindMap*/, int32_t /*representation*/,
                                                                 double /*scaleFactor*/, bool /*selectionOnly*/)
{
    return {};
}
