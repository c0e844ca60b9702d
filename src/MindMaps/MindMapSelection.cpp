#include "MindMaps/MindMap.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/HierarchyListener.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapModelessEditor.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RearrangeMarker.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

// ---- Membership ----

bool MindMap::containsElement(const MindMapElement* element) const
{
    if (!element || element->mindMap() != this) return false;
    switch (element->elementType()) {
    case ElementTypeNode:
        return ownsNode(element);
    case ElementTypeCrossLink:
        return _ownedCrossLinks.count(element) != 0;
    case ElementTypeParentRelation: {
        const auto* relation = dynamic_cast<const ParentRelation*>(element);
        if (!relation) return false;
        const MindMapNode* node = relation->targetNode();
        return node && ownsNode(node) && node->parentRelation() == relation;
    }
    case ElementTypeImage:
    case ElementTypeText: {
        const auto* contained = dynamic_cast<const ContainedElement*>(element);
        if (!contained || !contained->container()) return false;
        const CompositeElement* container = contained->container();
        return container->elementType() != ElementTypeImage && container->elementType() != ElementTypeText &&
            containsElement(container) && container->indexOfContainedElement(contained) != CompositeElement::NotFound;
    }
    default:
        return false;
    }
}

// ---- Selection ----

void MindMap::clearSelectionFlags()
{
    for (MindMapElement* element : _selection) element->setIsSelected(false);
}

void MindMap::removeFromSelection(MindMapElement* element)
{
    // The last element is the one most often taken off again.
    if (!_selection.empty() && _selection.back() == element) {
        _selection.pop_back();
    } else {
        auto it = std::find(_selection.begin(), _selection.end(), element);
        if (it != _selection.end()) _selection.erase(it);
    }
    element->setIsSelected(false);
}

MindMapElement* MindMap::selectedElement() const
{
    return _selection.empty() ? nullptr : _selection.front();
}

const std::vector<MindMapElement*>& MindMap::selectionWithMask(uint32_t typeMask) const
{
    for (const MindMapElement* element : _selection) {
        if ((static_cast<uint32_t>(element->elementType()) & typeMask) == 0) return _emptySelection;
    }
    return _selection;
}

void MindMap::setSelectedElement(MindMapElement* element)
{
    if (element && !containsElement(element)) return;
    selectOwnElement(element);
}

void MindMap::selectOwnElement(MindMapElement* element)
{
    if (element ? (_selection.size() == 1 && _selection.front() == element) : _selection.empty()) return;
    beforeChangingSelection(selectedElement());
    clearSelectionFlags();
    _selection.clear();
    if (element) {
        _selection.push_back(element);
        element->setIsSelected(true);
    }
    selectedElementChanged();
}

void MindMap::setSelectedNode(MindMapNode* node)
{
    setSelectedElement(node);
}

void MindMap::toggleSelection(MindMapElement* element, bool focus)
{
    if (!element || !containsElement(element)) return;
    beforeChangingSelection(selectedElement());
    if (element->isSelected() && std::find(_selection.begin(), _selection.end(), element) != _selection.end()) {
        removeFromSelection(element);
        selectedElementChanged();
        return;
    }
    const MindMapElement* primary = selectedElement();
    // Only relations of both kinds may be selected together with elements of another type.
    if (primary && primary->elementType() != element->elementType() &&
        !(primary->isLinkType() && element->isLinkType())) {
        clearSelectionFlags();
        _selection.clear();
    }
    if (focus) _selection.insert(_selection.begin(), element);
    else _selection.push_back(element);
    element->setIsSelected(true);
    selectedElementChanged();
}

void MindMap::focusSelectedElement(MindMapElement* element)
{
    if (!element || element == selectedElement() || !containsElement(element)) return;
    auto it = std::find(_selection.begin(), _selection.end(), element);
    if (it == _selection.end()) {
        setSelectedElement(element);
        return;
    }
    beforeChangingSelection(selectedElement());
    std::rotate(_selection.begin(), it, it + 1);
    selectedElementChanged();
}

void MindMap::forceSingleSelection()
{
    if (_selection.size() < 2) return;
    for (size_t i = _selection.size() - 1; i > 0; --i) _selection[i]->setIsSelected(false);
    _selection.resize(1);
    selectedElementChanged();
}

void MindMap::excludeHiddenElementsFromSelection()
{
    if (_selection.size() < 2) return;
    UpdateGuard update(*this);
    // Taking the hidden elements off one by one from the last to the first tells the listeners of
    // the same outgoing primary element each time (the primary one is taken off last); doing it in
    // one pass keeps a large selection linear.
    MindMapElement* primary = _selection.front();
    std::vector<bool> hidden(_selection.size());
    size_t hiddenCount = 0;
    for (size_t i = _selection.size(); i-- > 0;) {
        hidden[i] = !_selection[i]->isVisible();
        if (hidden[i]) ++hiddenCount;
    }
    if (hiddenCount == 0) return;
    for (size_t i = 0; i < hiddenCount; ++i) beforeChangingSelection(primary);
    std::vector<MindMapElement*> kept;
    kept.reserve(_selection.size() - hiddenCount);
    for (size_t i = 0; i < _selection.size(); ++i) {
        if (hidden[i]) _selection[i]->setIsSelected(false);
        else kept.push_back(_selection[i]);
    }
    _selection = std::move(kept);
    selectedElementChanged();
}

void MindMap::dropSelection()
{
    if (_modelessEditor) _modelessEditor->dropSelection();
    if (_hierarchyListener) _hierarchyListener->dropSelection();
    _selection.clear();
}

int32_t MindMap::selectedElementType() const
{
    const MindMapElement* primary = selectedElement();
    return primary ? primary->elementType() : ElementTypeNone;
}

MindMapNode* MindMap::selectedNode() const
{
    return dynamic_cast<MindMapNode*>(selectedElement());
}

MindMapRelation* MindMap::selectedRelation() const
{
    return dynamic_cast<MindMapRelation*>(selectedElement());
}

CrossLink* MindMap::selectedCrossLink() const
{
    return dynamic_cast<CrossLink*>(selectedElement());
}

MindMapImage* MindMap::selectedImage() const
{
    return dynamic_cast<MindMapImage*>(selectedElement());
}

MindMapText* MindMap::selectedTextElement() const
{
    return dynamic_cast<MindMapText*>(selectedElement());
}

ContainedElement* MindMap::selectedContainedElement() const
{
    return dynamic_cast<ContainedElement*>(selectedElement());
}

std::vector<MindMapNode*> MindMap::getSelectedRootNodes() const
{
    const std::vector<MindMapElement*>& selected = selectionWithMask(ElementTypeNode);
    std::vector<MindMapNode*> roots;
    if (selected.empty()) return roots;

    std::unordered_set<const MindMapNode*> selectedNodes;
    for (MindMapElement* element : selected) {
        if (auto* node = dynamic_cast<MindMapNode*>(element)) selectedNodes.insert(node);
    }
    // Whether a node or one of its ancestors is selected, remembered per node so that every
    // ancestor chain is walked once.
    std::unordered_map<const MindMapNode*, bool> covered;
    auto isCovered = [&](const MindMapNode* start) {
        std::vector<const MindMapNode*> chain;
        bool answer = false;
        for (const MindMapNode* node = start; node; node = node->parent()) {
            auto known = covered.find(node);
            if (known != covered.end()) {
                answer = known->second;
                break;
            }
            chain.push_back(node);
            if (selectedNodes.count(node)) {
                answer = true;
                break;
            }
        }
        // Everything below a covered node is covered; an uncovered chain ends at a root.
        for (const MindMapNode* node : chain) covered[node] = answer;
        return answer;
    };
    for (MindMapElement* element : selected) {
        auto* node = dynamic_cast<MindMapNode*>(element);
        if (!node) continue;
        if (node->parent() && isCovered(node->parent())) continue;
        roots.push_back(node);
    }

    // Siblings come in their order under the parent; each family of siblings keeps the place in
    // which its first member was selected. This is a strict weak ordering, unlike comparing
    // siblings by index and everything else by selection position, which can contradict itself.
    std::unordered_map<const MindMapNode*, size_t> familyRank;
    std::unordered_map<const MindMapNode*, size_t> themeIndex;
    bool themesIndexed = false;
    struct Key {
        size_t family;
        size_t index;
    };
    std::unordered_map<const MindMapNode*, Key> keys;
    for (MindMapNode* node : roots) {
        const MindMapNode* parent = node->parent();
        auto rank = familyRank.emplace(parent, familyRank.size()).first->second;
        size_t index = 0;
        if (parent) {
            index = parent->indexOfChild(node);
        } else {
            if (!themesIndexed) {
                for (size_t i = 0; i < _centralThemes.size(); ++i) themeIndex.emplace(_centralThemes[i], i);
                themesIndexed = true;
            }
            auto found = themeIndex.find(node);
            index = found == themeIndex.end() ? _centralThemes.size() : found->second;
        }
        keys[node] = Key{rank, index};
    }
    std::stable_sort(roots.begin(), roots.end(), [&keys](const MindMapNode* a, const MindMapNode* b) {
        const Key& ka = keys.at(a);
        const Key& kb = keys.at(b);
        if (ka.family != kb.family) return ka.family < kb.family;
        return ka.index < kb.index;
    });
    return roots;
}

void MindMap::selectContainedElements(CompositeElement* composite, int32_t elementType)
{
    if (!composite || !containsElement(composite)) return;
    for (ContainedElement* element : composite->containedElements()) {
        if (element->elementType() == elementType) toggleSelection(element, false);
    }
}

void MindMap::selectAll(int32_t elementType)
{
    UpdateGuard update(*this);
    setSelectedElement(nullptr);
    auto selectContained = [this](CompositeElement* composite, int32_t type) {
        if (composite->hasContainedElements()) selectContainedElements(composite, type);
    };
    switch (elementType) {
    case ElementTypeNode:
        for (MindMapNode* node : _nodes) toggleSelection(node, false);
        break;
    case ElementTypeParentRelation:
        for (MindMapNode* node : _nodes) {
            if (node->parent()) toggleSelection(node->parentRelation(), false);
        }
        for (CrossLink* link : _crossLinks) toggleSelection(link, false);
        break;
    case ElementTypeCrossLink:
        for (CrossLink* link : _crossLinks) toggleSelection(link, false);
        break;
    case ElementTypeImage:
        for (MindMapNode* node : _nodes) selectContained(node, ElementTypeImage);
        break;
    case ElementTypeText:
        for (MindMapNode* node : _nodes) {
            selectContained(node, ElementTypeText);
            selectContained(node->parentRelation(), ElementTypeText);
        }
        for (CrossLink* link : _crossLinks) selectContained(link, ElementTypeText);
        break;
    default:
        break;
    }
}

void MindMap::selectSearchMatches()
{
    UpdateGuard update(*this);
    setSelectedElement(nullptr);
    for (MindMapNode* node : _nodes) {
        if (node->searchMatch()) toggleSelection(node, false);
    }
}

std::string MindMap::selectedElementGuid() const
{
    MindMapElement* primary = selectedElement();
    return primary && primary->hasGuid() ? primary->guid() : std::string();
}

MindMapElement* MindMap::selectElementWithGuid(const std::string& guid)
{
    MindMapElement* element = elementWithGuid(guid);
    if (!element) return nullptr;
    UpdateGuard update(*this);
    setSelectedElement(element);
    if (auto* node = dynamic_cast<MindMapNode*>(element)) forceNodeVisible(node);
    _lockedChanges |= MindMapChangeScrollSelection;
    return element;
}

void MindMap::setDropTarget(MindMapNode* node)
{
    if (node == _dropTarget) return;
    if (node && !containsElement(node)) return;
    if (_dropTarget) _dropTarget->setIsDropTarget(false);
    _dropTarget = node;
    if (_dropTarget) _dropTarget->setIsDropTarget(true);
    elementInvalidated(_dropTarget);
}

// ---- Queries ----

namespace {

// Hands visit the nodes below the themes depth first, each theme in turn and children in their
// order, until visit answers false; answers whether it never did.
template <typename Visit> bool visitHierarchically(const std::vector<MindMapNode*>& themes, Visit&& visit)
{
    std::vector<MindMapNode*> pending;
    for (MindMapNode* theme : themes) {
        pending.push_back(theme);
        while (!pending.empty()) {
            MindMapNode* node = pending.back();
            pending.pop_back();
            if (!visit(node)) return false;
            const auto& children = node->children();
            for (auto it = children.rbegin(); it != children.rend(); ++it) pending.push_back(*it);
        }
    }
    return true;
}

} // namespace

void MindMap::collectHierarchicallyOrderedNodes(std::vector<MindMapNode*>& nodes) const
{
    nodes.reserve(nodes.size() + _nodes.size());
    visitHierarchically(_centralThemes, [&nodes](MindMapNode* node) {
        nodes.push_back(node);
        return true;
    });
}

bool MindMap::nodesAreHierarchicallyOrdered() const
{
    size_t next = 0;
    return visitHierarchically(
               _centralThemes,
               [&](const MindMapNode* node) { return next < _nodes.size() && _nodes[next++] == node; }) &&
        next == _nodes.size();
}

// Images can also sit on parent relations and cross links; leaving them out would let the image
// clean-up delete pictures that are still shown.
bool MindMap::containsImages() const
{
    auto relationHasImages = [](const CompositeElement* relation) { return relation && relation->hasCustomImages(); };
    return std::any_of(_nodes.begin(), _nodes.end(),
                       [&](const MindMapNode* node) {
                           return node->containsImages() || relationHasImages(node->parentRelation());
                       }) ||
        std::any_of(_crossLinks.begin(), _crossLinks.end(), relationHasImages);
}

void MindMap::collectReferencedImages(std::set<std::string>& images) const
{
    auto collectFromRelation = [&](const CompositeElement* relation) {
        if (!relation) return;
        for (const ContainedElement* element : relation->containedElements()) element->collectReferencedImages(images);
    };
    for (const MindMapNode* node : _nodes) {
        node->collectReferencedImages(images);
        collectFromRelation(node->parentRelation());
    }
    for (const CrossLink* link : _crossLinks) collectFromRelation(link);
}

void MindMap::collectReferencedIcons(std::set<std::string>& icons) const
{
    for (const MindMapNode* node : _nodes) node->collectReferencedIcons(icons);
}

void MindMap::forceNodeVisible(MindMapNode* node)
{
    if (!containsElement(node)) return;
    node->setIsHidden(false);
    for (MindMapNode* ancestor = node->parent(); ancestor; ancestor = ancestor->parent()) {
        ancestor->setIsHidden(false);
        ancestor->setCollapsed(false);
    }
}

void MindMap::forceElementVisible(MindMapElement* element)
{
    if (!containsElement(element)) return;
    if (auto* contained = dynamic_cast<ContainedElement*>(element)) {
        CompositeElement* container = contained->container();
        if (auto* relation = dynamic_cast<MindMapRelation*>(container)) {
            forceNodeVisible(relation->sourceNode());
            forceNodeVisible(relation->targetNode());
        } else if (auto* node = dynamic_cast<MindMapNode*>(container)) {
            forceNodeVisible(node);
        }
    } else if (auto* node = dynamic_cast<MindMapNode*>(element)) {
        forceNodeVisible(node);
    }
}

MindMapElement* MindMap::elementWithGuid(const std::string& guid) const
{
    if (guid.empty()) return nullptr;
    auto matches = [&guid](MindMapElement* element) { return element->hasGuid() && element->guid() == guid; };
    auto inContained = [&guid](const CompositeElement* composite) -> MindMapElement* {
        return composite->hasContainedElements() ? composite->findContainedElementWithGuid(guid) : nullptr;
    };
    for (MindMapNode* node : _nodes) {
        if (matches(node)) return node;
        if (MindMapElement* found = inContained(node)) return found;
        ParentRelation* relation = node->parentRelation();
        if (matches(relation)) return relation;
        if (MindMapElement* found = inContained(relation)) return found;
    }
    for (CrossLink* link : _crossLinks) {
        if (matches(link)) return link;
        if (MindMapElement* found = inContained(link)) return found;
    }
    return nullptr;
}

MindMapNode* MindMap::findNodeOnId(int64_t nodeId)
{
    auto indexNewNodes = [this] {
        for (; _idIndexCoverage < _nodes.size(); ++_idIndexCoverage)
            _idIndex.emplace(_nodes[_idIndexCoverage]->id(), _nodes[_idIndexCoverage]);
    };
    if (!_idIndexValid) {
        _idIndex.clear();
        _idIndexCoverage = 0;
        _idIndexValid = true;
    }
    indexNewNodes();
    auto found = _idIndex.find(nodeId);
    if (found == _idIndex.end()) return nullptr;
    if (found->second->id() == nodeId) return found->second;
    // An id changed after the node was indexed: index every node anew.
    _idIndex.clear();
    _idIndexCoverage = 0;
    indexNewNodes();
    found = _idIndex.find(nodeId);
    return found != _idIndex.end() && found->second->id() == nodeId ? found->second : nullptr;
}

MindMapElement* MindMap::hitTestNodes(Point point, const CompositeElement* excludedComposite,
                                      bool includeContainedElements)
{
    for (auto it = _centralThemes.rbegin(); it != _centralThemes.rend(); ++it) {
        if (MindMapElement* hit = (*it)->performHitTest(point, excludedComposite, includeContainedElements)) return hit;
    }
    return nullptr;
}

MindMapNode* MindMap::hitTestNodes(Point point, const CompositeElement* excludedComposite)
{
    return dynamic_cast<MindMapNode*>(hitTestNodes(point, excludedComposite, false));
}

MindMapElement* MindMap::hitTestRelations(Point point)
{
    for (CrossLink* link : _crossLinks) {
        if (MindMapElement* hit = link->performHitTest(point)) return hit;
    }
    for (MindMapNode* node : _nodes) {
        if (MindMapElement* hit = node->parentRelation()->performHitTest(point)) return hit;
    }
    return nullptr;
}

MindMapNode* MindMap::hitTestMarkerTools(Point point)
{
    for (auto it = _centralThemes.rbegin(); it != _centralThemes.rend(); ++it) {
        if (MindMapNode* hit = (*it)->performMarkerHitTest(point)) return hit;
    }
    return nullptr;
}

Rect MindMap::getVisualArea(bool includeHidden) const
{
    Rect area = MindMapNode::boundsOfMindMapNodes(_nodes, includeHidden, true);
    for (const CrossLink* link : _crossLinks) {
        if (!includeHidden && !link->isVisible()) continue;
        area = link->unionContainedElementBounds(area);
        area = link->unionCustomRelationPath(area);
    }
    return area;
}

Point MindMap::center() const
{
    if (_nodes.empty()) return EmptyMapCenter;
    return getVisualArea(true).center();
}
