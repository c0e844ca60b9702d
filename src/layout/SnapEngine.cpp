#include "layout/SnapEngine.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "platform/UserDefaults.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// One axis of guide-line snapping: the coordinate that is aligned, the one across the guide line
// along which nearness is measured, and the extent of a topic along the aligned axis.
struct AlignmentAxis {
    double Point::*along;
    double Point::*across;
    double Size::*extent;
    uint64_t lowEdgeBit;
    uint64_t centerBit;
    uint64_t highEdgeBit;
};

constexpr AlignmentAxis HorizontalAlignment{&Point::x,
                                            &Point::y,
                                            &Size::width,
                                            SnapEngineOptions::GuideLineLeft,
                                            SnapEngineOptions::GuideLineCenterX,
                                            SnapEngineOptions::GuideLineRight};
constexpr AlignmentAxis VerticalAlignment{&Point::y,
                                          &Point::x,
                                          &Size::height,
                                          SnapEngineOptions::GuideLineTop,
                                          SnapEngineOptions::GuideLineCenterY,
                                          SnapEngineOptions::GuideLineBottom};

enum class Alignment { Center, LowEdge, HighEdge };

// The aligned coordinate along one axis, and the guide line when a topic was caught.
struct AxisSnap {
    double value;
    std::optional<GuideLine> guideLine;
};

AxisSnap alignAlongAxis(const MindMap& mindMap, const MindMapNode* node, Point point, uint64_t activeGuideLines,
                        const AlignmentAxis& axis)
{
    const double along = point.*axis.along;
    const double across = point.*axis.across;
    const double nodeHalfExtent = node ? node->size().*axis.extent / 2 : 0;
    const MindMapNode* best = nullptr;
    Alignment kind = Alignment::Center;
    double bestDistance = 1000000.0;
    for (const MindMapNode* candidate : mindMap.nodes()) {
        if (candidate == node || !candidate->isVisible()) continue;
        const Point location = candidate->location();
        const double distance = std::fabs(location.*axis.across - across);
        // A strict comparison keeps the earlier topic on a tie.
        if (!(distance < bestDistance) || !(distance < SnapEngine::FarLimit)) continue;
        const double halfExtent = candidate->size().*axis.extent / 2;
        if ((activeGuideLines & axis.centerBit) &&
            std::fabs(location.*axis.along - along) < SnapEngine::CaptureDistance) {
            kind = Alignment::Center;
        } else if (node && (activeGuideLines & axis.lowEdgeBit) &&
                   std::fabs((location.*axis.along - halfExtent) - (along - nodeHalfExtent)) <
                       SnapEngine::CaptureDistance) {
            kind = Alignment::LowEdge;
        } else if (node && (activeGuideLines & axis.highEdgeBit) &&
                   std::fabs((location.*axis.along + halfExtent) - (along + nodeHalfExtent)) <
                       SnapEngine::CaptureDistance) {
            kind = Alignment::HighEdge;
        } else {
            continue;
        }
        best = candidate;
        bestDistance = distance;
    }
    if (!best) return {along, std::nullopt};

    const Point bestLocation = best->location();
    const double bestHalfExtent = best->size().*axis.extent / 2;
    double line = bestLocation.*axis.along;
    double value = line;
    if (kind == Alignment::LowEdge) {
        line -= bestHalfExtent;
        value = line + nodeHalfExtent;
    } else if (kind == Alignment::HighEdge) {
        line += bestHalfExtent;
        value = line - nodeHalfExtent;
    }
    Point anchor;
    anchor.*axis.along = line;
    anchor.*axis.across = across;
    Point endPoint;
    endPoint.*axis.along = line;
    endPoint.*axis.across = bestLocation.*axis.across;
    return {value, GuideLine(anchor, endPoint)};
}

} // namespace

SnapEngineOptions& SnapEngineOptions::instance()
{
    static SnapEngineOptions* shared = new SnapEngineOptions(UserDefaults::standard());
    return *shared;
}

SnapEngineOptions::SnapEngineOptions(UserDefaults& defaults) : _defaults(&defaults)
{
    auto stored = [&defaults](const char* key) -> std::optional<PropertyList> {
        PropertyList value = defaults.objectForKey(key);
        const PropertyList::Type type = value.type();
        if (type != PropertyList::Type::Boolean && type != PropertyList::Type::Integer &&
            type != PropertyList::Type::Real) {
            return std::nullopt;
        }
        return value;
    };
    if (auto value = stored(SnapEnabledKey)) _snapEnabled = value->boolValue();
    if (auto value = stored(ActiveGuideLinesKey)) _activeGuideLines = static_cast<uint64_t>(value->integerValue());
    if (auto value = stored(SnapToGridKey)) _snapToGrid = value->boolValue();
    int64_t gridSize = DefaultGridSize;
    if (auto value = stored(GridSizeKey)) gridSize = value->integerValue();
    setGridSize(gridSize);
}

void SnapEngineOptions::setGridSize(int64_t gridSize)
{
    _gridSize = std::clamp(gridSize, MinGridSize, MaxGridSize);
    _gridSnapDistance = _gridSize / 2;
}

double SnapEngineOptions::snapValueToGrid(double value) const
{
    // Worked in doubles throughout: a wild coordinate must not overflow an integer conversion.
    const double grid = static_cast<double>(_gridSize);
    const double rounded = std::round(value);
    const double magnitude = std::round(std::fabs(value));
    if (std::fmod(magnitude, grid) > static_cast<double>(_gridSnapDistance)) {
        const double steps = std::trunc(rounded / grid);
        return (value >= 0 ? steps + 1 : steps - 1) * grid;
    }
    return rounded - std::fmod(rounded, grid);
}

void SnapEngineOptions::saveToDefaults()
{
    _defaults->setBool(SnapEnabledKey, _snapEnabled);
    _defaults->setInteger(ActiveGuideLinesKey, static_cast<int64_t>(_activeGuideLines));
    _defaults->setBool(SnapToGridKey, _snapToGrid);
    _defaults->setInteger(GridSizeKey, _gridSize);
}

SnapEngine::SnapEngine(SnapEngineOptions* options) : _options(options ? options : &SnapEngineOptions::instance())
{
}

Point SnapEngine::snap(const MindMap& mindMap, const MindMapNode* refNode, Point point, bool commandKeyDown)
{
    const bool active = _options->snapEnabled() != commandKeyDown;
    if (!active || (refNode && refNode->isAutoLayout())) {
        _guideLines.clear();
        return point;
    }
    if (_options->activeGuideLines() != 0) return snapNodeToGuideLines(mindMap, refNode, point);
    if (_options->snapToGrid()) return {_options->snapValueToGrid(point.x), _options->snapValueToGrid(point.y)};
    return point;
}

Point SnapEngine::snapNodeToGuideLines(const MindMap& mindMap, const MindMapNode* node, Point point)
{
    _guideLines.clear();
    const uint64_t active = _options->activeGuideLines();
    auto snapAxis = [&](const AlignmentAxis& axis, uint64_t axisBits) {
        const double incoming = point.*axis.along;
        if (active & axisBits) {
            AxisSnap result = alignAlongAxis(mindMap, node, point, active, axis);
            if (result.guideLine) {
                _guideLines.push_back(*result.guideLine);
                return result.value;
            }
        }
        return _options->snapToGrid() ? _options->snapValueToGrid(incoming) : incoming;
    };
    const double x = snapAxis(HorizontalAlignment, SnapEngineOptions::HorizontalAlignmentBits);
    const double y = snapAxis(VerticalAlignment, SnapEngineOptions::VerticalAlignmentBits);
    return {x, y};
}
