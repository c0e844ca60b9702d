#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <memory>

// How a map was being viewed: the editor's zoom and scroll offset, or the wish to centre on the
// selection. The map keeps one and the native document stores it.
class MindMapEditorScrollState {
public:
    static std::unique_ptr<MindMapEditorScrollState> scrollState();

    // Copies all four fields, the offset even when it is not valid.
    void setScrollState(const MindMapEditorScrollState& other);

    double zoomScale() const { return _zoomScale; }
    void setZoomScale(double zoomScale) { _zoomScale = zoomScale; }

    // The zoom scale in percent, rounded to the nearest integer.
    int64_t zoomPercentage() const;
    void setZoomPercentage(int64_t percentage);

    Point offset() const { return _offset; }
    void setOffset(Point offset) { _offset = offset; }

    bool offsetValid() const { return _offsetValid; }
    void setOffsetValid(bool offsetValid) { _offsetValid = offsetValid; }

    bool centerSelection() const { return _centerSelection; }
    void setCenterSelection(bool centerSelection) { _centerSelection = centerSelection; }

private:
    double _zoomScale = 1.0;
    Point _offset;
    bool _offsetValid = false;
    bool _centerSelection = false;
};
