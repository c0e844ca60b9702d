#include "editor-view/MindMapEditor.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapElement.h"
#include "MindMaps/MindMapNode.h"
#include "platform/NotificationCenter.h"

#include <algorithm>
#include <cmath>

namespace {

// Room kept round an element scrolled into view, in map units.
constexpr double ElementVisibleMargin = 30;
// The part of the smaller view side that keeps showing the map's area however far it scrolls.
constexpr double ScrollMarginFraction = 0.15;
// A page is three quarters of the view.
constexpr double PageFraction = 0.75;
// zoomContents leaves a tenth of the view round the map, unless that would take the zoom
// beyond its largest value anyway.
constexpr double FitMarginFactor = 0.9;
constexpr double FitMarginThreshold = 5.0 / 0.9;

} // namespace

void MindMapEditor::updateScaleFactors()
{
    _deviceScaleFactor = _globalScaleFactor * _monitorScaleFactor;
    _scaleFactor = _deviceScaleFactor * _userScaleFactor;
}

// ---- Scale ----

void MindMapEditor::setUserScaleFactor(double scale)
{
    if (std::isnan(scale)) return;
    scale = std::clamp(scale, MinimumUserScale, MaximumUserScale);
    if (scale == _userScaleFactor) return;
    if (!_placing) _openingPlacement = -1;
    _userScaleFactor = scale;
    updateScaleFactors();
    cancelEditorModes(true);
    // The tools follow the zoom at once, not only at the next change of the selection.
    updateElementToolsVisibility();
    setNeedsDisplay();
    NotificationCenter::defaultCenter().post(UserScaleChangedNotification, this);
}

void MindMapEditor::userScale(double scale, Point focusPoint)
{
    if (scale == _userScaleFactor) return;
    const Point mapPoint = viewToMapSpace(focusPoint);
    setUserScaleFactor(scale);
    const Point moved = mapToViewSpace(mapPoint);
    scrollBy(moved.x - focusPoint.x, moved.y - focusPoint.y);
}

void MindMapEditor::zoomAtCenterPoint(double scale)
{
    MindMapNode* node = _mindMap ? _mindMap->selectedNode() : nullptr;
    const Point focus = node ? mapToViewSpace(node->location()) : getViewCenterPoint();
    userScale(scale, focus);
}

void MindMapEditor::setEditorGlobalScaleFactor(double factor)
{
    if (std::isnan(factor)) return;
    factor = std::clamp(factor, MinimumGlobalScale, MaximumGlobalScale);
    if (factor == _globalScaleFactor) return;
    const Point center = getViewCenterPoint();
    const Point mapCenter = viewToMapSpace(center);
    _globalScaleFactor = factor;
    updateScaleFactors();
    const Point moved = mapToViewSpace(mapCenter);
    scrollBy(moved.x - center.x, moved.y - center.y);
    setNeedsDisplay();
}

void MindMapEditor::zoomIn()
{
    zoomAtCenterPoint(_userScaleFactor + ZoomStep);
}

void MindMapEditor::zoomOut()
{
    zoomAtCenterPoint(_userScaleFactor - ZoomStep);
}

void MindMapEditor::zoomActualSize()
{
    zoomAtCenterPoint(1.0);
}

void MindMapEditor::zoomContents()
{
    if (!_mindMap) return;
    const Rect area = _mindMap->getVisualArea(false);
    if (area.isEmpty()) return;
    const double width = _frameSize.width;
    const double height = _frameSize.height;
    double fitted = std::min(width / area.width(), height / area.height());
    if (fitted / _deviceScaleFactor < FitMarginThreshold) fitted *= FitMarginFactor;
    setUserScaleFactor(fitted / _deviceScaleFactor);
    const double s = _scaleFactor;
    setPosition(
        {area.minX() * s - (width - area.width() * s) * 0.5, area.minY() * s - (height - area.height() * s) * 0.5});
}

// ---- Position ----

void MindMapEditor::setPosition(Point position)
{
    const Point constrained = constraintPosition(position);
    if (constrained == _position) return;
    if (!_placing) _openingPlacement = -1;
    _position = constrained;
    cancelEditorModes(false);
    setNeedsDisplayForNewPosition();
}

void MindMapEditor::scrollBy(double dx, double dy)
{
    setPosition({_position.x + dx, _position.y + dy});
}

Point MindMapEditor::constraintPosition(Point position) const
{
    const double width = _frameSize.width;
    const double height = _frameSize.height;
    const double margin = ScrollMarginFraction * std::min(width, height);
    const Rect area = _mindMap ? _mindMap->getVisualArea(false) : Rect();
    const double s = _scaleFactor;
    // The upper bound first, then the lower one: where they cross, the lower bound wins.
    auto limit = [margin, s](double value, double origin, double extent, double side) {
        value = std::min(value, (origin + extent) * s - margin);
        return std::max(value, origin * s - (side - margin));
    };
    Point result{limit(position.x, area.minX(), area.width(), width),
                 limit(position.y, area.minY(), area.height(), height)};
    // A request that is no number (or a map area that is none) leaves that coordinate alone.
    if (!std::isfinite(result.x)) result.x = _position.x;
    if (!std::isfinite(result.y)) result.y = _position.y;
    return result;
}

bool MindMapEditor::autoScrollWithVector(Point vector)
{
    const Point wanted{_position.x + vector.x, _position.y + vector.y};
    if (wanted == _position) return false;
    const Point constrained = constraintPosition(wanted);
    if (constrained == _position) return false;
    _openingPlacement = -1;
    _position = constrained;
    setNeedsDisplayForNewPosition();
    return true;
}

Point MindMapEditor::getViewCenterPoint() const
{
    return {_frameSize.width / 2, _frameSize.height / 2};
}

void MindMapEditor::scrollMapPointToCenter(Point mapPoint)
{
    const Point view = mapToViewSpace(mapPoint);
    scrollBy(view.x - _frameSize.width / 2, view.y - _frameSize.height / 2);
}

void MindMapEditor::scrollMapRectToCenter(const Rect& mapRect)
{
    scrollMapPointToCenter(mapRect.center());
}

void MindMapEditor::scrollSelectedElementToCenter()
{
    MindMapElement* element = _mindMap ? _mindMap->selectedElement() : nullptr;
    if (!element) return;
    scrollMapPointToCenter(element->location());
}

void MindMapEditor::scrollMindMapToCenter()
{
    if (!_mindMap) return;
    scrollMapRectToCenter(_mindMap->getVisualArea(false));
}

void MindMapEditor::scrollElementVisible(MindMapElement* element)
{
    if (!element) return;
    const Rect bounds = element->bounds();
    const Rect clip = getMapClipRect();
    // Centred when it cannot have the margin on both sides; else moved just far enough to keep the
    // margin round it.
    auto distance = [](double origin, double extent, double clipOrigin, double clipExtent) {
        if (extent + 2 * ElementVisibleMargin >= clipExtent)
            return (origin + extent / 2) - (clipOrigin + clipExtent / 2);
        double d = origin - ElementVisibleMargin - clipOrigin;
        if (d > 0) {
            d = (origin + extent + ElementVisibleMargin) - (clipOrigin + clipExtent);
            if (d < 0) d = 0;
        }
        return d;
    };
    const double dx = distance(bounds.minX(), bounds.width(), clip.minX(), clip.width());
    const double dy = distance(bounds.minY(), bounds.height(), clip.minY(), clip.height());
    scrollBy(dx * _scaleFactor, dy * _scaleFactor);
}

void MindMapEditor::scrollSelectedElementVisible()
{
    if (!enabled()) return;
    MindMapElement* element = _mindMap->selectedElement();
    if (!element) element = _mindMap->mainCentralTheme();
    scrollElementVisible(element);
}

void MindMapEditor::scrollPageUp()
{
    scrollBy(0, -PageFraction * _frameSize.height);
}

void MindMapEditor::scrollPageDown()
{
    scrollBy(0, PageFraction * _frameSize.height);
}

void MindMapEditor::scrollToBeginningOfDocument()
{
    scrollBy(-PageFraction * _frameSize.width, 0);
}

void MindMapEditor::scrollToEndOfDocument()
{
    scrollBy(PageFraction * _frameSize.width, 0);
}

// ---- Conversions ----

Point MindMapEditor::mapToViewSpace(Point mapPoint) const
{
    return {mapPoint.x * _scaleFactor - _position.x, mapPoint.y * _scaleFactor - _position.y};
}

Point MindMapEditor::viewToMapSpace(Point viewPoint) const
{
    return {(viewPoint.x + _position.x) / _scaleFactor, (viewPoint.y + _position.y) / _scaleFactor};
}

Rect MindMapEditor::mapRectToViewRect(const Rect& mapRect) const
{
    return {mapToViewSpace(mapRect.origin), {mapRect.width() * _scaleFactor, mapRect.height() * _scaleFactor}};
}

Rect MindMapEditor::getMapClipRect() const
{
    return {viewToMapSpace({0, 0}), {_frameSize.width / _scaleFactor, _frameSize.height / _scaleFactor}};
}
