#include "MindMaps/CrossLink.h"

#include "MindMaps/MindMapNode.h"
#include "MindMaps/RelationStyle.h"

#include <cmath>

CrossLink::CrossLink(MindMap* mindMap) : MindMapRelation(mindMap)
{
}

CrossLink::~CrossLink() = default;

int32_t CrossLink::elementType() const
{
    return ElementTypeCrossLink;
}

bool CrossLink::isVisible() const
{
    return _sourceNode && _targetNode && _sourceNode->isVisible() && _targetNode->isVisible();
}

bool CrossLink::allowsCustomPath() const
{
    return true;
}

bool CrossLink::connects(const MindMapNode* node, const MindMapNode* other) const
{
    if (!node || !other) return false;
    return (_sourceNode == node && _targetNode == other) || (_sourceNode == other && _targetNode == node);
}

void CrossLink::updatePath()
{
    if (!isValid()) return;
    const Point p0 = _sourceNode->location();
    const Point p3 = _targetNode->location();
    RelationPath& path = relationPath();
    switch (style()->relationPathStyle()) {
    case PathStyleCurved:
        if (hasCustomPath()) {
            path.setCustomBezierEndPointsP0(p0, p3);
        } else {
            // Control points 40% along the dominant direction make the link leave and enter its
            // topics sideways (or vertically when they lie above each other).
            const double dx = p3.x - p0.x;
            const double dy = p3.y - p0.y;
            if (std::fabs(dx) > std::fabs(dy)) {
                const double k = 0.401 * dx;
                path.setBezierP0(p0, {p0.x + k, p0.y}, {p3.x - k, p3.y}, p3);
            } else {
                const double k = 0.401 * dy;
                path.setBezierP0(p0, {p0.x, p0.y + k}, {p3.x, p3.y - k}, p3);
            }
        }
        break;
    case PathStyleOrthogonal:
        if (hasCustomPath()) path.setCustomOrthogonalEndPoints(_sourceNode->bounds(), _targetNode->bounds());
        else path.setOrthogonalEndPoints(_sourceNode->bounds(), _targetNode->bounds());
        break;
    case PathStyleStraight:
        setHasCustomPath(false);
        path.setStraightLine(p0, p3);
        break;
    default:
        break;
    }
}
