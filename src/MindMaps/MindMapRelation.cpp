#include "MindMaps/MindMapRelation.h"

#include "MindMaps/ContainedElement.h"
#include "MindMaps/ElementStyleListener.h"
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

std::shared_ptr<RelationStyle> mapPartStyle(MindMap* mindMap, bool crossLink)
{
    MindMapStyle* mapStyle = mindMap ? mindMap->style() : nullptr;
    if (!mapStyle) return nullptr;
    return crossLink ? mapStyle->crossLinkStyle() : mapStyle->parentRelationStyle();
}

} // namespace

MindMapRelation::OwnStyle::OwnStyle(MindMapRelation& relation, std::shared_ptr<RelationStyle> parentStyle)
    : relation(relation), style(std::move(parentStyle))
{
    style.setListener(this);
}

MindMapRelation::MindMapRelation(MindMap* mindMap) : CompositeElement(mindMap)
{
}

MindMapRelation::~MindMapRelation()
{
    if (_style) _style->style.setListener(nullptr);
}

const RelationStyle& MindMapRelation::blankStyle() const
{
    MindMap* map = mindMap();
    if (const MindMapStyle* mapStyle = map ? map->style() : nullptr)
        return elementType() == ElementTypeCrossLink ? mapStyle->blankCrossLinkStyle()
                                                     : mapStyle->blankParentRelationStyle();
    static const RelationStyle detached;
    return detached;
}

RelationStyle* MindMapRelation::ownStyle()
{
    if (!_style)
        _style = std::make_unique<OwnStyle>(*this, mapPartStyle(mindMap(), elementType() == ElementTypeCrossLink));
    return &_style->style;
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
    if (hasCustomPath == _relationPath.customRouted) return;
    _relationPath.customRouted = hasCustomPath;
    if (MindMap* map = mindMap()) map->elementBoundsChanged(this);
}

void MindMapRelation::styleChanged(ElementStyle*)
{
    if (MindMap* map = mindMap()) map->elementBoundsChanged(this);
}

void MindMapRelation::clearStyleCustomization()
{
    if (_style) _style->style.setCustomizedProps(0);
}

void MindMapRelation::assignToStyle(RelationStyle* style) const
{
    if (!style) return;
    style->assign(this->style());
    if (!this->style()->color()) {
        if (MindMapNode* target = targetNode()) style->setColor(target->colorSchemeStrokeColor());
    }
}

void MindMapRelation::applyPreset(const ElementStyle* style)
{
    if (const auto* relationStyle = dynamic_cast<const RelationStyle*>(style)) ownStyle()->merge(relationStyle);
}

void MindMapRelation::setColor(const std::optional<Color>& color)
{
    if (!color) return;
    RelationStyle* own = ownStyle();
    ElementStyle::UpdateGuard batch(*own);
    own->setPropCustomized(RelationStyle::ColorMask, true);
    own->setColor(color);
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
    _relationPath.customRouted = true;
    if (style()->relationPathStyle() == PathStyleStraight) {
        RelationStyle* own = ownStyle();
        ElementStyle::UpdateGuard batch(*own);
        own->setPropCustomized(RelationStyle::PathStyleMask, true);
        own->setRelationPathStyle(PathStyleOrthogonal);
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
    const int32_t lineStyle = style()->lineStyle();
    return lineStyle == LineStyleTapered || lineStyle == LineStyleReverseTapered || lineStyle == LineStyleAutoTapered;
}

void MindMapRelation::updatePathTaper()
{
    const double width = style()->lineWidth();
    int64_t taper = 0;
    double leadOut = width;
    if (style()->relationPathStyle() != PathStyleOrthogonal) {
        switch (style()->lineStyle()) {
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
    _relationPath.setTaperWidth(taper);
    _relationPath.setLeadOutWidth(leadOut);
}
