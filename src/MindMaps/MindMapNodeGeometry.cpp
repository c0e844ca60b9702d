#include "MindMaps/MindMapNode.h"

#include "MindMaps/ContainedElement.h"
#include "MindMaps/DiagramLink.h"
#include "MindMaps/EmbeddedImage.h"
#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/NodeIcon.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/TopicHideTool.h"

#include <algorithm>
#include <cmath>

// ---- Geometry ----

Rect MindMapNode::textBounds() const
{
    const Size text = _textSize;
    double x = _location.x - text.width / 2;
    if (showCheckbox()) x += (AdornmentBoxSide + AdornmentGap) / 2;
    if (autoNumberBoxCounts()) x += (autoNumberIconWidth() + AdornmentGap) / 2;
    if (icon()) x += (icon()->size().width + AdornmentGap) / 2;
    if (diagramLink()) x -= (linkIconSize().width + AdornmentGap) / 2;
    if (hasVoiceMemo()) x -= (AdornmentBoxSide + AdornmentGap) / 2;
    double y = _location.y - text.height / 2;
    if (embeddedImage()) {
        y += embeddedImage()->size().height / 2;
        if (!isTextCollapsed()) y += 2;
    }
    if (hasDate()) y -= (dateTextSize().height + 4) / 2;
    return {x, y, text.width, text.height};
}

Point MindMapNode::autoNumberIconOrigin() const
{
    const Rect text = textBounds();
    return {text.minX() - (autoNumberIconWidth() + AdornmentGap), text.midY() - AutoNumberBoxHeight / 2};
}

Point MindMapNode::checkboxOrigin() const
{
    const Rect text = textBounds();
    double x = text.minX() - (AdornmentBoxSide + AdornmentGap);
    if (autoNumberBoxCounts()) x -= autoNumberIconWidth() + AdornmentGap;
    return {x, text.midY() - AdornmentBoxSide / 2};
}

Point MindMapNode::iconOrigin() const
{
    const Rect text = textBounds();
    double x = text.minX();
    if (autoNumberBoxCounts()) x -= autoNumberIconWidth() + AdornmentGap;
    if (showCheckbox()) x -= AdornmentBoxSide + AdornmentGap;
    if (!icon()) return {x, text.minY()};
    const Size iconSize = icon()->size();
    return {x - (iconSize.width + AdornmentGap), text.midY() - iconSize.height / 2};
}

Point MindMapNode::diagramLinkOrigin() const
{
    const Rect text = textBounds();
    return {text.maxX() + AdornmentGap, text.midY() - linkIconSize().height / 2};
}

Point MindMapNode::voiceMemoOrigin() const
{
    const Rect text = textBounds();
    double x = text.maxX() + AdornmentGap;
    if (diagramLink()) x += linkIconSize().width + AdornmentGap;
    return {x, text.midY() - AdornmentBoxSide / 2};
}

double MindMapNode::contentHeightForPlacing() const
{
    return isTextCollapsed() ? 0.0 : calculateTextContentSize().height;
}

Point MindMapNode::embeddedImageOrigin() const
{
    if (!embeddedImage()) return textOrigin();
    const Size image = embeddedImage()->size();
    Point origin{_location.x - image.width / 2, _location.y - image.height / 2};
    const double h = contentHeightForPlacing();
    if (h > 0 || hasDate()) origin.y -= (h + 4) / 2;
    if (hasDate()) {
        origin.y -= dateTextSize().height / 2;
        if (h > 0) origin.y -= 2;
    }
    return origin;
}

Rect MindMapNode::embeddedImageBounds() const
{
    return {embeddedImageOrigin(), embeddedImage() ? embeddedImage()->size() : Size()};
}

Point MindMapNode::dateTextOrigin() const
{
    Point origin{_location.x - dateTextSize().width / 2, _location.y - dateTextSize().height / 2};
    const double h = calculateTextContentSize().height;
    if (h > 0) origin.y += (h + 4) / 2;
    if (embeddedImage()) origin.y += (embeddedImage()->size().height + 4) / 2;
    return origin;
}

Rect MindMapNode::dateTextBounds() const
{
    return {dateTextOrigin(), dateTextSize()};
}

int32_t MindMapNode::getHitTestInfo(Point point) const
{
    if (!pointInRect(point, bounds())) return HitOutside;
    const Size box{AdornmentBoxSide, AdornmentBoxSide};
    if (showCheckbox() && pointInRect(point, Rect(checkboxOrigin(), box))) return HitCheckbox;
    if (icon() && pointInRect(point, Rect(iconOrigin(), icon()->size()))) return HitIcon;
    if (diagramLink()) {
        if (NodeIcon* linkIcon = diagramLink()->icon()) {
            const Rect iconRect =
                insetRect(Rect(diagramLinkOrigin(), linkIcon->size()), linkIcon->hMargin(), linkIcon->vMargin());
            if (pointInRect(point, iconRect)) return HitLinkIcon;
        }
    }
    if (hasVoiceMemo() && pointInRect(point, Rect(voiceMemoOrigin(), box))) return HitVoiceMemo;
    if (embeddedImage() && pointInRect(point, embeddedImageBounds())) return HitEmbeddedImage;
    if (!hasDate()) return HitBody;
    const Rect date = dateTextBounds();
    if (!pointInRect(point, date)) return HitBody;
    if (pointInRect(point, Rect(date.origin, Size{date.height(), date.height()}))) return HitDateIcon;
    return HitDateText;
}

// ---- Hit testing ----

bool MindMapNode::hitTest(Point point) const
{
    if (!_visible) return false;
    if (pointInRect(point, bounds())) return true;
    // The number drawn below the node belongs to it.
    MindMap* map = mindMap();
    return map && map->autoNumberStyle() == 2 && hasAutoNumberPath() && pointInRect(point, belowAutoNumberIcon());
}

MindMapElement* MindMapNode::performHitTest(Point point, const CompositeElement* excludedComposite,
                                            bool /*includeContainedElements*/)
{
    // Depth first with a work list (documents may nest deeper than the stack allows): a node's
    // children are asked from the last to the first before the node itself. A text or image lying
    // over a topic is what the pointer is on whatever the flag, so that a caller asking for topics
    // only finds none there rather than the topic underneath.
    struct Step {
        MindMapNode* node;
        bool childrenAsked;
    };
    std::vector<Step> pending{{this, false}};
    while (!pending.empty()) {
        Step step = pending.back();
        pending.pop_back();
        MindMapNode* node = step.node;
        if (!step.childrenAsked) {
            if (!node->_visible) continue;
            pending.push_back({node, true});
            for (MindMapNode* child : node->_children) pending.push_back({child, false});
            continue;
        }
        if (node == excludedComposite) continue;
        if (ContainedElement* element = node->hitTestContainedElements(point)) return element;
        if (node->hitTest(point)) return node;
    }
    return nullptr;
}

MindMapNode* MindMapNode::performMarkerHitTest(Point point)
{
    std::vector<MindMapNode*> pending{this};
    while (!pending.empty()) {
        MindMapNode* node = pending.back();
        pending.pop_back();
        if (!node->_visible) {
            if (!node->_parentRelation->isSelected() && pointInRect(point, node->getUnhideMarkerBounds())) return node;
        } else if (node->_collapsed) {
            if (!node->isSelected() && pointInRect(point, node->getCollapseMarkerBounds())) return node;
        } else {
            pending.insert(pending.end(), node->_children.begin(), node->_children.end());
        }
    }
    return nullptr;
}

int32_t MindMapNode::collapseMarkerDirection() const
{
    int32_t direction = 1;
    switch (effectiveLayoutMode()) {
    case LayoutModeStrictVertical:
        direction = 1;
        break;
    case LayoutModeList:
        direction = isListLayoutLeftToRight(this) ? 1 : -1;
        break;
    case LayoutModeTopDown:
        direction = isTopdownLayoutLeftToRight(this) ? 1 : -1;
        break;
    default:
        direction = _parent && _parent->_location.x > _location.x ? -1 : 1;
        break;
    }
    return topicHasHideTool() ? -direction : direction;
}

Rect MindMapNode::getCollapseMarkerBounds() const
{
    const double centerX = _location.x - collapseMarkerDirection() * (_size.width + MarkerSide) / 2;
    return {centerX - MarkerSide / 2, _location.y - MarkerSide / 2, MarkerSide, MarkerSide};
}

Rect MindMapNode::getUnhideMarkerBounds() const
{
    const Point end = _parentRelation->relationPath().p3;
    return {end.x - MarkerSide / 2, end.y - MarkerSide / 2, MarkerSide, MarkerSide};
}

Rect MindMapNode::boundsIncludingContainedElements() const
{
    return unionContainedElementBounds(bounds());
}

Rect MindMapNode::boundsOfMindMapNodes(const std::vector<MindMapNode*>& nodes, bool includeHidden,
                                       bool includeRelations)
{
    Rect result;
    for (const MindMapNode* node : nodes) {
        if (!node || (!node->_visible && !includeHidden)) continue;
        result = unionRect(result, node->boundsIncludingContainedElements());
        if (includeRelations) {
            const ParentRelation* relation = node->_parentRelation.get();
            result = relation->unionContainedElementBounds(result);
            result = relation->unionCustomRelationPath(result);
        }
    }
    return result;
}
