#include "MindMaps/MindMapRelation.h"

#include "MindMaps/ContainedElement.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/RelationStyle.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Rounds halves away from zero; a width that is no finite number gives 0.
int64_t roundedWidth(double value)
{
    if (!std::isfinite(value)) return 0;
    // Far beyond any drawable width, and safely inside the integer range.
    constexpr double Limit = 1e15;
    return static_cast<int64_t>(std::round(std::clamp(value, -Limit, Limit)));
}

std::shared_ptr<RelationStyle> mapPartStyle(MindMap* mindMap, int32_t kind)
{
    MindMapStyle* mapStyle = mindMap ? mindMap->style() : nullptr;
    if (!mapStyle) return nullptr;
    return kind == ElementTypeCrossLink ? mapStyle->crossLinkStyle() : mapStyle->parentRelationStyle();
}

} // namespace

MindMapRelation::MindMapRelation(MindMap* mindMap, int32_t kind)
    : CompositeElement(mindMap), _style(std::make_unique<RelationStyle>(mapPartStyle(mindMap, kind)))
{
    _style->setListener(this);
}

MindMapRelation::~MindMapRelation()
{
    _style->setListener(nullptr);
}

MindMapNode* MindMapRelation::sourceNode() const
{
    return nullptr;
}

MindMapNode* MindMapRelation::targetNode() const
{
    return nullptr;
}

bool MindMapRelation::isValid() const
{
    return sourceNode() && targetNode();
}

void MindMapRelation::setHasCustomPath(bool hasCustomPath)
{
    if (hasCustomPath == _hasCustomPath) return;
    _hasCustomPath = hasCustomPath;
    if (MindMap* map = mindMap()) map->elementBoundsChanged(this);
}

void MindMapRelation::styleChanged(ElementStyle*)
{
    if (MindMap* map = mindMap()) map->elementBoundsChanged(this);
}

void MindMapRelation::clearStyleCustomization()
{
    _style->setCustomizedProps(0);
}

void MindMapRelation::assignToStyle(RelationStyle* style) const
{
    if (!style) return;
    style->assign(_style.get());
    if (!_style->color()) {
        if (MindMapNode* target = targetNode()) style->setColor(target->colorSchemeStrokeColor());
    }
}

void MindMapRelation::applyPreset(const ElementStyle* style)
{
    if (const auto* relationStyle = dynamic_cast<const RelationStyle*>(style)) _style->merge(relationStyle);
}

void MindMapRelation::setColor(const std::optional<Color>& color)
{
    if (!color) return;
    ElementStyle::UpdateGuard batch(*_style);
    _style->setPropCustomized(RelationStyle::ColorMask, true);
    _style->setColor(color);
}

void MindMapRelation::makeStraightWhenNull() const
{
    MindMapNode* source = sourceNode();
    MindMapNode* target = targetNode();
    if (source && target && _relationPath.isNull())
        _relationPath.setStraightLine(source->location(), target->location());
}

bool MindMapRelation::hitTest(Point point) const
{
    if (!isVisible() || !isValid()) return false;
    makeStraightWhenNull();
    return _relationPath.hitTest({point.x, point.y - 1});
}

MindMapElement* MindMapRelation::performHitTest(Point point)
{
    if (!isVisible()) return nullptr;
    if (ContainedElement* element = hitTestContainedElements(point)) return element;
    if (!isValid()) return nullptr;
    makeStraightWhenNull();
    return _relationPath.hitTest(point) ? this : nullptr;
}

Rect MindMapRelation::bounds() const
{
    MindMapNode* source = sourceNode();
    MindMapNode* target = targetNode();
    if (source && target) {
        makeStraightWhenNull();
        return insetRect(_relationPath.bounds(), -1, -1);
    }
    if (target) return target->bounds();
    if (source) return source->bounds();
    return Rect();
}

Point MindMapRelation::location() const
{
    MindMapNode* source = sourceNode();
    MindMapNode* target = targetNode();
    if (source && target) {
        makeStraightWhenNull();
        return _relationPath.getLocationPoint();
    }
    if (target) return target->location();
    if (source) return source->location();
    return Point();
}

void MindMapRelation::moveCustomPoint(Point point)
{
    _hasCustomPath = true;
    if (_style->relationPathStyle() == PathStyleStraight) {
        ElementStyle::UpdateGuard batch(*_style);
        _style->setPropCustomized(RelationStyle::PathStyleMask, true);
        _style->setRelationPathStyle(PathStyleOrthogonal);
    }
    _relationPath.moveCustomPoint(point);
    if (MindMap* map = mindMap()) map->elementBoundsChanged(this);
}

Rect MindMapRelation::unionCustomRelationPath(Rect rect) const
{
    return _relationPath.unionCustomRelationPath(rect);
}

bool MindMapRelation::isTapered() const
{
    const int32_t lineStyle = _style->lineStyle();
    return lineStyle == LineStyleTapered || lineStyle == LineStyleReverseTapered || lineStyle == LineStyleAutoTapered;
}

void MindMapRelation::updatePathTaper()
{
    const double width = _style->lineWidth();
    int64_t taper = 0;
    double leadOut = width;
    if (_style->relationPathStyle() != PathStyleOrthogonal) {
        switch (_style->lineStyle()) {
        case LineStyleTapered:
            taper = std::max<int64_t>(4, roundedWidth(width + 2.5));
            break;
        case LineStyleReverseTapered: {
            const int64_t t = std::max<int64_t>(4, roundedWidth(width + 2.5));
            taper = -t;
            leadOut = width + 2.0 * static_cast<double>(t);
            break;
        }
        case LineStyleAutoTapered:
            // Thick near the centre, thinning with each level; from level 5 on the line is plain.
            if (MindMapNode* target = targetNode()) {
                const int64_t d = 5 - target->nodeLevel();
                if (d > 0) {
                    leadOut = width + static_cast<double>(2 * d - 2);
                    taper = d == 4 ? 3 : 1;
                }
            }
            break;
        default:
            break;
        }
    }
    _relationPath.taperWidth = taper;
    _relationPath.leadOutWidth = leadOut;
}
