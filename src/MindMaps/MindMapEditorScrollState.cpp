#include "MindMaps/MindMapEditorScrollState.h"

#include <cmath>

std::unique_ptr<MindMapEditorScrollState> MindMapEditorScrollState::scrollState()
{
    return std::make_unique<MindMapEditorScrollState>();
}

void MindMapEditorScrollState::setScrollState(const MindMapEditorScrollState& other)
{
    _zoomScale = other._zoomScale;
    _offset = other._offset;
    _offsetValid = other._offsetValid;
    _centerSelection = other._centerSelection;
}

int64_t MindMapEditorScrollState::zoomPercentage() const
{
    // In single precision, so that a stored scale such as 1.255 reads back as 126 percent and
    // not as the 125 that the double just below 125.5 would give.
    float percent = static_cast<float>(_zoomScale) * 100.0f;
    return static_cast<int64_t>(std::lround(percent));
}

void MindMapEditorScrollState::setZoomPercentage(int64_t percentage)
{
    _zoomScale = static_cast<double>(percentage) / 100.0;
}
