#include "editor-view/KeyboardHandler.h"

#include "MindMaps/CompositeElement.h"
#include "MindMaps/ContainedElement.h"
#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapRelation.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

int32_t swapLeftRight(int32_t key)
{
    if (key == KeyboardHandler::KeyLeft) return KeyboardHandler::KeyRight;
    if (key == KeyboardHandler::KeyRight) return KeyboardHandler::KeyLeft;
    return key;
}

int32_t swapUpDown(int32_t key)
{
    if (key == KeyboardHandler::KeyUp) return KeyboardHandler::KeyDown;
    if (key == KeyboardHandler::KeyDown) return KeyboardHandler::KeyUp;
    return key;
}

MindMapNode* firstChild(const MindMapNode* node)
{
    return node->childAtIndex(0);
}

MindMapNode* lastChild(const MindMapNode* node)
{
    return node->childCount() > 0 ? node->childAtIndex(node->childCount() - 1) : nullptr;
}

// The first child on the given side of the node: left when the sign is negative.
MindMapNode* firstChildOnSide(const MindMapNode* node, int side)
{
    const double x = node->location().x;
    for (MindMapNode* child : node->children()) {
        const double childX = child->location().x;
        if (side < 0 ? childX < x : childX > x) return child;
    }
    return nullptr;
}

} // namespace

bool KeyboardHandler::arrowKeyPressed(int32_t key)
{
    if (!isArrowKey(key)) return false;
    MindMap* map = _editor->mindMap();
    if (!map) return true;
    MindMapNode* node = map->selectedNode();
    if (!node) {
        defaultHandler(key);
        return true;
    }
    int32_t mode = node->effectiveLayoutMode();
    if (mode == LayoutModeFreeForm) mode = node->layoutMode();
    bool handled = false;
    switch (mode) {
    case LayoutModeList:
    case LayoutModeTopDown:
        handled = handleListNavigation(node, key, mode == LayoutModeTopDown);
        break;
    case LayoutModeStrictHorizontal:
        handled = handleStrictHorizontalNavigation(node, key);
        break;
    case LayoutModeStrictVertical:
        handled = handleStrictVerticalNavigation(node, key);
        break;
    default:
        break;
    }
    if (!handled) defaultNodeKeyHandler(node, key);
    return true;
}

void KeyboardHandler::selectElement(MindMapElement* element)
{
    MindMap* map = element ? _editor->mindMap() : nullptr;
    if (!map) return;
    map->setSelectedElement(element);
    if (auto* node = dynamic_cast<MindMapNode*>(element)) map->forceNodeVisible(node);
    scrollElementVisible(element);
}

void KeyboardHandler::defaultHandler(int32_t key)
{
    switch (key) {
    case KeyUp:
        selectPreviousSibling();
        break;
    case KeyDown:
        selectNextSibling();
        break;
    case KeyLeft:
        selectParentElement();
        break;
    case KeyRight:
        selectFirstChild();
        break;
    default:
        break;
    }
}

void KeyboardHandler::selectParentElement()
{
    MindMap* map = _editor->mindMap();
    if (!map) return;
    if (MindMapNode* node = map->selectedNode()) {
        selectElement(node->parent());
    } else if (ContainedElement* contained = map->selectedContainedElement()) {
        selectElement(contained->container());
    } else if (MindMapRelation* relation = map->selectedRelation()) {
        selectElement(relation->sourceNode());
    }
}

void KeyboardHandler::selectFirstChild()
{
    MindMap* map = _editor->mindMap();
    if (!map) return;
    MindMapNode* node = map->selectedNode();
    if (node && node->childCount() > 0) {
        selectElement(firstChild(node));
    } else if (MindMapRelation* relation = map->selectedRelation()) {
        selectElement(relation->targetNode());
    }
}

void KeyboardHandler::selectNextSibling()
{
    selectSibling(1);
}

void KeyboardHandler::selectPreviousSibling()
{
    selectSibling(-1);
}

void KeyboardHandler::selectAlongTree(int32_t key, MindMapElement* upward, MindMapElement* downward)
{
    switch (key) {
    case KeyUp:
        selectElement(upward);
        break;
    case KeyDown:
        selectElement(downward);
        break;
    case KeyLeft:
        selectPreviousSibling();
        break;
    case KeyRight:
        selectNextSibling();
        break;
    default:
        break;
    }
}

void KeyboardHandler::selectSibling(int step)
{
    MindMap* map = _editor->mindMap();
    if (!map) return;
    auto wrapped = [step](size_t index, size_t count) { return (index + count + step) % count; };
    MindMapNode* node = map->selectedNode();
    if (node && node->parent() && node->parent()->childCount() >= 2) {
        const MindMapNode* parent = node->parent();
        selectElement(parent->childAtIndex(wrapped(node->indexInParent(), parent->childCount())));
        return;
    }
    ContainedElement* contained = map->selectedContainedElement();
    if (!contained || !contained->container()) return;
    const CompositeElement* container = contained->container();
    const size_t count = container->containedElementCount();
    const size_t index = container->indexOfContainedElement(contained);
    if (count < 2 || index == CompositeElement::NotFound) return;
    selectElement(container->containedElements()[wrapped(index, count)]);
}

bool KeyboardHandler::handleListNavigation(MindMapNode* node, int32_t key, bool isTopDown)
{
    if (!node || !isArrowKey(key)) return false;
    const bool leftToRight =
        isTopDown ? MindMapNode::isTopdownLayoutLeftToRight(node) : MindMapNode::isListLayoutLeftToRight(node);
    if (!leftToRight) key = swapLeftRight(key);
    if (isTopDown) {
        // A chart that grows upward has its children above: up and down trade places.
        for (const MindMapNode* owner = node; owner; owner = owner->parent()) {
            if (owner->layoutMode() != LayoutModeTopDown) continue;
            if (IsTopDirection(owner->layoutDirection())) key = swapUpDown(key);
            break;
        }
    }

    if (!node->isAutoLayout()) {
        if (key != KeyDown && key != KeyRight) return false;
        selectElement(firstChild(node));
        return true;
    }
    MindMapNode* parent = node->parent();
    if (!parent) return false;

    if (isTopDown && !parent->isAutoLayout()) {
        selectAlongTree(key, parent, firstChild(node));
        return true;
    }

    switch (key) {
    case KeyLeft:
        selectElement(parent);
        break;
    case KeyRight:
        selectElement(firstChild(node));
        break;
    case KeyUp: {
        const size_t index = node->indexInParent();
        if (index == 0) {
            selectElement(parent);
            break;
        }
        // The row above is the last visible row of the previous sibling's branch.
        MindMapNode* above = parent->childAtIndex(index - 1);
        while (!above->collapsed() && above->childCount() > 0) above = lastChild(above);
        selectElement(above);
        break;
    }
    default:
        if (node->childCount() > 0 && !node->collapsed()) {
            selectElement(firstChild(node));
            break;
        }
        for (MindMapNode* current = node;;) {
            MindMapNode* currentParent = current->parent();
            if (!currentParent) break;
            if (!(isTopDown ? currentParent : current)->isAutoLayout()) {
                selectElement(current);
                break;
            }
            const size_t index = current->indexInParent();
            if (index + 1 < currentParent->childCount()) {
                selectElement(currentParent->childAtIndex(index + 1));
                break;
            }
            current = currentParent;
        }
        break;
    }
    return true;
}

bool KeyboardHandler::handleStrictHorizontalNavigation(MindMapNode* node, int32_t key)
{
    if (!node || !isArrowKey(key)) return false;
    const bool manual = node->layoutDirection() == LayoutDirectionManual;
    MindMapNode* parent = node->parent();
    if (key == KeyLeft && (!parent || manual)) {
        selectElement(firstChildOnSide(node, -1));
        return true;
    }
    if (key == KeyRight && manual) {
        selectElement(firstChildOnSide(node, 1));
        return true;
    }
    // On the left side of its parent a topic's children lie to its left: the keys turn with it.
    if (parent && parent->location().x > node->location().x) key = swapLeftRight(key);
    defaultHandler(key);
    return true;
}

bool KeyboardHandler::handleStrictVerticalNavigation(MindMapNode* node, int32_t key)
{
    if (!node || !isArrowKey(key)) return false;
    MindMapNode* parent = node->parent();
    const bool manual = node->layoutDirection() == LayoutDirectionManual;
    const bool below = parent && !manual && node->location().y > parent->location().y;
    if (node->isAutoLayout()) {
        if (below) selectAlongTree(key, parent, firstChild(node));
        else selectAlongTree(key, firstChild(node), parent);
        return true;
    }
    const bool hasChildren = node->childCount() > 0;
    if (key == KeyDown) {
        if (below && hasChildren) {
            selectElement(firstChild(node));
            return true;
        }
        if ((parent && !manual) || !hasChildren) return false;
        selectElement(lastChild(node));
        return true;
    }
    if (key == KeyUp && !(below && hasChildren)) {
        selectElement(firstChild(node));
        return true;
    }
    return false;
}

void KeyboardHandler::defaultNodeKeyHandler(MindMapNode* node, int32_t key)
{
    double angle = 0;
    switch (key) {
    case KeyRight:
        angle = AngleRight;
        break;
    case KeyDown:
        angle = AngleDown;
        break;
    case KeyLeft:
        angle = AngleLeft;
        break;
    case KeyUp:
        angle = AngleUp;
        break;
    default:
        return;
    }
    std::vector<MindMapNode*> related = node->children();
    if (MindMapNode* parent = node->parent()) {
        related.push_back(parent);
        for (MindMapNode* sibling : parent->children()) {
            if (sibling != node) related.push_back(sibling);
        }
    }
    selectNode(node, related, angle);
}

void KeyboardHandler::selectNode(MindMapNode* node, const std::vector<MindMapNode*>& related, double angle)
{
    constexpr double pi = std::numbers::pi;
    if (searchNode(node, related, angle, pi / 7, 300)) return;
    double nearDistance = 100;
    if (const MindMapNode* parent = node->parent()) {
        const Point offset = parent->location() - node->location();
        nearDistance = std::max(nearDistance, std::sqrt(offset.x * offset.x + offset.y * offset.y) + 2);
    }
    for (int k = 7; k >= 3; --k) {
        if (searchNode(node, related, angle, pi / k, nearDistance)) return;
    }
    for (int k = 7; k >= 2; --k) {
        if (searchNode(node, related, angle, pi / k, 1000000)) return;
    }
}

bool KeyboardHandler::searchNode(MindMapNode* node, const std::vector<MindMapNode*>& related, double angle,
                                 double searchAngle, double maxDistance)
{
    const double minCosine = std::cos(searchAngle);
    const double dirX = std::cos(angle);
    const double dirY = std::sin(angle);
    const Point origin = node->location();
    MindMapNode* best = nullptr;
    float bestDistance = 0;
    for (MindMapNode* candidate : related) {
        if (candidate == node) continue;
        const Point v = candidate->location() - origin;
        // In single precision: a candidate on the cone's edge then lies just inside it.
        const float distance = static_cast<float>(std::sqrt(v.x * v.x + v.y * v.y));
        if (!(distance > 1.0f) || distance > maxDistance) continue;
        if ((v.x * dirX + v.y * dirY) / distance < minCosine) continue;
        if (!best || distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    if (!best) return false;
    selectElement(best);
    return true;
}

void KeyboardHandler::scrollElementVisible(MindMapElement* element)
{
    _editor->scrollElementVisible(element);
}
