#include "layout/StrictNodeLayouter.h"

#include "MindMaps/ContainedElement.h"
#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RelationStyle.h"
#include "layout/StrictHorizontalNodeLayouter.h"
#include "layout/StrictVerticalNodeLayouter.h"
#include "layout/TopDownLayouter.h"
#include "layout/TreeListLayouter.h"

#include <cmath>
#include <utility>
#include <vector>

namespace {

// Central themes of a whole-map layout stand this far apart.
constexpr double ThemeSpacing = 60;
// A hidden topic's line ends this much further into it (half its marker).
constexpr double HiddenEndShift = 8;
constexpr double BezierControlFactor = 0.6;
constexpr double OrthogonalBendFactor = 0.5;
constexpr int32_t BaselineConnectionStyle = 1;

Point along(const Point& point, bool alongX, double distance)
{
    return alongX ? Point{point.x + distance, point.y} : Point{point.x, point.y + distance};
}

} // namespace

StrictNodeLayouter::StrictNodeLayouter(MindMap& mindMap) : _mindMap(&mindMap)
{
    if (const MindMapStyle* style = mindMap.style())
        _baselineConnected = style->connectionStyle() == BaselineConnectionStyle;
}

StrictNodeLayouter::~StrictNodeLayouter() = default;

std::unique_ptr<StrictNodeLayouter> StrictNodeLayouter::newLayouter(MindMap& mindMap, int32_t layoutMode)
{
    switch (layoutMode) {
    case LayoutModeStrictHorizontal:
        return std::make_unique<StrictHorizontalNodeLayouter>(mindMap);
    case LayoutModeStrictVertical:
        return std::make_unique<StrictVerticalNodeLayouter>(mindMap);
    case LayoutModeList:
        return std::make_unique<TreeListLayouter>(mindMap);
    case LayoutModeTopDown:
        return std::make_unique<TopDownLayouter>(mindMap);
    default:
        return nullptr;
    }
}

void StrictNodeLayouter::layoutMindMapStrictHorizontal(MindMap& mindMap)
{
    StrictHorizontalNodeLayouter(mindMap).doLayoutMindMap();
}

void StrictNodeLayouter::layoutBranch(MindMapNode* node, int32_t layoutMode)
{
    if (!node || node->childCount() == 0) return;
    MindMap* map = node->mindMap();
    if (!map) return;
    if (std::unique_ptr<StrictNodeLayouter> layouter = newLayouter(*map, layoutMode)) layouter->doLayoutBranch(node);
}

int32_t StrictNodeLayouter::getLayoutMode() const
{
    return LayoutModeFreeForm;
}

void StrictNodeLayouter::doLayoutMindMap()
{
    const std::vector<MindMapNode*> themes = _mindMap->centralThemes();
    if (themes.empty()) return;
    MindMap::UpdateGuard update(*_mindMap);
    for (MindMapNode* theme : themes) measureNode(theme);
    const bool sideBySide = getLayoutMode() == LayoutModeStrictVertical;
    double x = 0;
    double y = 0;
    for (MindMapNode* theme : themes) {
        layoutCentralTheme(theme, x, y, true);
        if (sideBySide) x += theme->measuredSize().width + ThemeSpacing;
        else y += theme->measuredSize().height + ThemeSpacing;
    }
}

void StrictNodeLayouter::doLayoutBranch(MindMapNode*)
{
}

void StrictNodeLayouter::layoutCentralTheme(MindMapNode*, double, double, bool)
{
}

void StrictNodeLayouter::measureNode(MindMapNode* root)
{
    if (!root) return;
    // Post-order without recursion: a topic is measured when it comes off the list the second
    // time, after all its shown children.
    std::vector<std::pair<MindMapNode*, bool>> pending{{root, false}};
    while (!pending.empty()) {
        auto [node, childrenDone] = pending.back();
        if (childrenDone || !node->isVisible() || node->collapsed() || node->childCount() == 0) {
            pending.pop_back();
            measureTopic(node);
            continue;
        }
        pending.back().second = true;
        const auto& children = node->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) pending.emplace_back(*it, false);
    }
}

void StrictNodeLayouter::measureTopic(MindMapNode*)
{
}

double StrictNodeLayouter::finite(double value)
{
    return std::isfinite(value) ? value : 0.0;
}

Rect StrictNodeLayouter::contentFrame(const MindMapNode* node)
{
    const Size size = node->size();
    Rect frame(-size.width / 2, -size.height / 2, size.width, size.height);
    if (!node->hasContainedElements()) return frame;
    // Free texts and images are centred on their location, which is relative to the node.
    for (const ContainedElement* element : node->containedElements()) {
        const Size extent = element->bounds().size;
        const Point at = element->relLocation();
        frame = unionRect(frame, Rect(at.x - extent.width / 2, at.y - extent.height / 2, extent.width, extent.height));
    }
    return frame;
}

void StrictNodeLayouter::setRootConnection(MindMapNode* node, Point point)
{
    point = finite(point);
    node->setConnectionPoint(point);
    node->parentRelation()->relationPath().setLeadOutPoint(point);
}

void StrictNodeLayouter::moveContentCentre(MindMapNode* node, Point centre, const Rect& frame)
{
    node->setLocation({centre.x - frame.midX(), centre.y - frame.midY()});
}

void StrictNodeLayouter::rewriteParentRelation(MindMapNode* node, Point end, const Growth& growth,
                                               const Point* shownConnectionPoint) const
{
    ParentRelation* relation = node->parentRelation();
    MindMapNode* parent = node->parent();
    RelationPath& path = relation->relationPath();
    relation->setHasCustomPath(false);
    const RelationStyle* style = relation->style();
    const double step = growth.gap * growth.sign;
    const bool alongX = growth.alongX;
    const Point start = finite(parent ? parent->connectionPoint() : node->location());
    end = finite(end);

    const bool hidden = node->isHidden();
    Point shownEnd = end;
    if (hidden) shownEnd = finite(along(end, alongX, HiddenEndShift * growth.sign));
    switch (style->relationPathStyle()) {
    case MindMapRelation::PathStyleCurved:
        path.setBezierP0(start, finite(along(start, alongX, BezierControlFactor * step)),
                         finite(along(end, alongX, -BezierControlFactor * step)), shownEnd);
        break;
    case MindMapRelation::PathStyleOrthogonal: {
        const double bend = finite((alongX ? end.x : end.y) - OrthogonalBendFactor * step);
        const Point corner1 = alongX ? Point{bend, start.y} : Point{start.x, bend};
        const Point corner2 = alongX ? Point{bend, end.y} : Point{end.x, bend};
        path.setOrthogonalPoints(start, corner1, corner2, shownEnd);
        break;
    }
    case MindMapRelation::PathStyleStraight:
        path.setStraightLine(start, shownEnd);
        break;
    default:
        // An unknown path style keeps the geometry it has.
        break;
    }

    Point connection;
    if (hidden) {
        path.hasLeadOut = false;
        connection = shownEnd;
    } else {
        path.hasLeadOut = true;
        if (shownConnectionPoint) {
            connection = finite(*shownConnectionPoint);
        } else if (node->childCount() > 0 && !node->collapsed()) {
            const Size size = node->size();
            const double half = (alongX ? size.width : size.height) / 2;
            connection = finite(along(node->location(), alongX, growth.sign * (half - finite(node->borderInset()))));
        } else {
            connection = node->location();
        }
    }
    node->setConnectionPoint(connection);
    path.setLeadOutPoint(connection);
    path.hasLeadIn = false;

    if (_baselineConnected) return;
    switch (style->lineStyle()) {
    case MindMapRelation::LineStyleTapered:
        if (parent) parent->parentRelation()->relationPath().setLeadOutPoint(parent->location());
        break;
    case MindMapRelation::LineStyleReverseTapered:
        path.setLeadOutPoint(node->location());
        break;
    default:
        break;
    }
}
