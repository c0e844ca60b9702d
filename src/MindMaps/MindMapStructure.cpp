#include "MindMaps/MindMap.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/MapLayouter.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RearrangeMarker.h"
#include "Utils/FeedbackSink.h"
#include "platform/Localizer.h"
#include "platform/TextExcerpt.h"

#include <algorithm>
#include <unordered_map>

namespace {

// How long the notice about a move that automatic layout undid stays, in seconds.
constexpr double RestrictedMoveNoticeDuration = 3.0;
// The most characters of the branch's name that the notice shows.
constexpr size_t RestrictedMoveNameLength = 50;

// The two ends of a link in a fixed order, so that both directions name the same pair.
std::pair<const MindMapNode*, const MindMapNode*> pairOf(const MindMapNode* a, const MindMapNode* b)
{
    return std::less<const MindMapNode*>()(a, b) ? std::make_pair(a, b) : std::make_pair(b, a);
}

// For each node asked, the outermost node among it and its ancestors that has a layout mode of
// its own (nullptr when none has). Remembers every node it passes, so that asking for many
// nodes of one deep branch climbs each ancestor chain once.
class OutermostLayoutFinder {
public:
    MindMapNode* find(MindMapNode* start)
    {
        std::vector<MindMapNode*> chain;
        MindMapNode* answer = nullptr;
        for (MindMapNode* node = start; node; node = node->parent()) {
            auto known = _known.find(node);
            if (known != _known.end()) {
                answer = known->second;
                break;
            }
            chain.push_back(node);
        }
        // From the top down: the first node with a mode is the outermost one for everything below.
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            if (!answer && (*it)->layoutMode() != 0) answer = *it;
            _known.emplace(*it, answer);
        }
        return answer;
    }

private:
    std::unordered_map<const MindMapNode*, MindMapNode*> _known;
};

} // namespace

// ---- Nodes and central themes ----

MindMapNode* MindMap::addMindMapNodeAsChild(MindMapNode* parent, Point location)
{
    if (parent && !containsElement(parent)) return nullptr;
    MindMapNode* node = adoptNode(std::make_unique<MindMapNode>(this, parent, location, false));
    if (parent && parent->showCheckbox()) node->setShowCheckbox(true);
    forceNodeVisible(node);
    elementInvalidated(node);
    _needsLayout = true;
    return node;
}

MindMapNode* MindMap::internalAddCentralTheme(const std::string& text)
{
    MindMapNode* node = addMindMapNodeAsChild(nullptr, center());
    node->setText(text);
    _centralThemes.push_back(node);
    invalidateAutoNumberPaths();
    return node;
}

void MindMap::rethinkCentralThemes()
{
    _centralThemes.clear();
    for (MindMapNode* node : _nodes) {
        if (!node->parent()) _centralThemes.push_back(node);
    }
    // The main central theme is always one of the central themes.
    if (_mainCentralTheme && _mainCentralTheme->parent()) _mainCentralTheme = nullptr;
    invalidateAutoNumberPaths();
    if (!isLoading()) titleChanged();
}

void MindMap::removeMindMapNode(MindMapNode* node)
{
    if (!node || !containsElement(node)) return;
    UpdateGuard update(*this);
    bool selectionMoved = false;
    MindMapElement* primary = selectedElement();
    if (primary && (primary == node || primary == node->parentRelation())) {
        setSelectedElement(node->parent());
        selectionMoved = true;
    }
    std::vector<MindMapNode*> subtree;
    node->collectNodeAndChildrenInArray(subtree);
    removeNodes(subtree);
    _lockedChanges |= MindMapChangeElement | MindMapChangeHierarchy;
    if (selectionMoved) _lockedChanges |= MindMapChangeElementTools;
    _progressDirty = true;
}

void MindMap::removeChildNodes(MindMapNode* node)
{
    if (!node || !containsElement(node)) return;
    UpdateGuard update(*this);
    // A selected child (or its line) hands the selection to the node.
    MindMapElement* primary = selectedElement();
    const MindMapNode* selectedChild = dynamic_cast<const MindMapNode*>(primary);
    if (auto* relation = dynamic_cast<const ParentRelation*>(primary)) selectedChild = relation->targetNode();
    if (selectedChild && selectedChild->parent() == node) setSelectedElement(node);

    std::vector<MindMapNode*> nodes;
    nodes.reserve(node->childCount());
    for (MindMapNode* child : node->children()) child->collectNodeAndChildrenInArray(nodes);
    removeNodes(nodes);
    _lockedChanges |= MindMapChangeElement | MindMapChangeHierarchy | MindMapChangeElementTools;
    _progressDirty = true;
    forceNodeVisible(node);
}

void MindMap::removeNodes(const std::vector<MindMapNode*>& nodes)
{
    if (nodes.empty()) return;
    // Only the map's own nodes are deleted: the table tells them apart.
    ensureNodeAddresses();
    const ElementSet leaving(nodes.begin(), nodes.end());
    nodeDeleted(nodes, leaving);
    std::erase_if(_nodes, [&leaving](const MindMapNode* node) { return leaving.count(node) != 0; });
    _idIndexValid = false;
    // Children before their parents and later siblings before earlier ones: each node is the last
    // child of its parent when it goes, so that no child list is shifted.
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
        if (_nodeAddresses.erase(static_cast<const MindMapElement*>(*it))) delete *it;
    }
}

void MindMap::nodeDeleted(const std::vector<MindMapNode*>& nodes, const ElementSet& leaving)
{
    UpdateGuard update(*this);
    MindMapNode* mainTheme = mainCentralTheme();

    std::vector<CrossLink*> touching;
    for (size_t i = _crossLinks.size(); i-- > 0;) {
        CrossLink* link = _crossLinks[i];
        if (leaving.count(link->sourceNode()) || leaving.count(link->targetNode())) touching.push_back(link);
    }
    discardCrossLinks(touching, leaving);

    ElementSet going = leaving;
    for (const MindMapNode* node : nodes) {
        going.insert(node->parentRelation());
        collectContainedElements(node, going);
        collectContainedElements(node->parentRelation(), going);
    }
    releaseElements(going, nullptr);

    // Only the topmost nodes hang below staying parents; detaching the later ones first keeps
    // each detachment at the end of the parent's children.
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
        MindMapNode* parent = (*it)->parent();
        if (parent && !leaving.count(parent)) (*it)->linkToParent(nullptr);
    }

    const size_t themeCount = _centralThemes.size();
    std::erase_if(_centralThemes, [&leaving](const MindMapNode* node) { return leaving.count(node) != 0; });
    if (_centralThemes.size() != themeCount) invalidateAutoNumberPaths();

    if (_dropTarget && leaving.count(_dropTarget)) setDropTarget(nullptr);
    if (MindMapNode* refNode = _rearrangeMarker->refNode(); refNode && leaving.count(refNode))
        _rearrangeMarker->setRefNode(nullptr);
    _rearrangeMarker->dropHitCache();
    if (mainTheme && leaving.count(mainTheme)) {
        // The next central theme is taken as the main one when it is asked for.
        _mainCentralTheme = nullptr;
        titleChanged();
    }
    _needsLayout = true;
}

// ---- Cross links ----

void MindMap::syncCrossLinkIndex() const
{
    if (!_crossLinkIndexValid || _crossLinkIndexCoverage > _crossLinks.size()) {
        _crossLinkIndex.clear();
        _crossLinkIndexCoverage = 0;
        _crossLinkIndexValid = true;
    }
    for (; _crossLinkIndexCoverage < _crossLinks.size(); ++_crossLinkIndexCoverage) {
        const CrossLink* link = _crossLinks[_crossLinkIndexCoverage];
        if (link->sourceNode() && link->targetNode())
            _crossLinkIndex.emplace(pairOf(link->sourceNode(), link->targetNode()), _crossLinkIndexCoverage);
    }
}

bool MindMap::containsCrossLinkBetween(const MindMapNode* a, const MindMapNode* b) const
{
    if (!a || !b) return false;
    // 1 found, 0 not indexed, -1 the entry no longer holds (the list changed behind the index).
    auto lookUp = [this, a, b]() {
        syncCrossLinkIndex();
        auto found = _crossLinkIndex.find(pairOf(a, b));
        if (found == _crossLinkIndex.end()) return 0;
        return found->second < _crossLinks.size() && _crossLinks[found->second]->connects(a, b) ? 1 : -1;
    };
    const int answer = lookUp();
    if (answer >= 0) return answer == 1;
    invalidateCrossLinkIndex();
    return lookUp() == 1;
}

bool MindMap::canCreateCrossLinkFromSource(const MindMapNode* source, const MindMapNode* target) const
{
    if (!source || !target || source == target) return false;
    if (!containsElement(source) || !containsElement(target)) return false;
    if (source->parent() == target || target->parent() == source) return false;
    return !containsCrossLinkBetween(source, target);
}

CrossLink* MindMap::internalAddCrossLinkFromSource(MindMapNode* source, MindMapNode* target)
{
    // A missing end is let through (the integrity check removes such links); a node of another
    // map is not, since that map would destroy it under the link.
    if ((source && !ownsNode(source)) || (target && !ownsNode(target))) return nullptr;
    auto owned = std::make_unique<CrossLink>(this);
    CrossLink* link = owned.get();
    _ownedCrossLinks.emplace(link, std::move(owned));
    _crossLinks.push_back(link);
    link->setSourceNode(source);
    link->setTargetNode(target);
    _needsLayout = true;
    return link;
}

CrossLink* MindMap::addCrossLinkFromSource(MindMapNode* source, MindMapNode* target)
{
    if (!canCreateCrossLinkFromSource(source, target)) return nullptr;
    // Readers add links while loading, when no step is taken.
    if (!isLoading()) {
        prepareUndoableNodeOperation(localized("undoable_op_add_cross_link"));
        // Leaving the editor's modes may have changed the map.
        if (!canCreateCrossLinkFromSource(source, target)) return nullptr;
    }
    CrossLink* link = internalAddCrossLinkFromSource(source, target);
    elementInvalidated(link);
    return link;
}

void MindMap::removeCrossLink(CrossLink* crossLink)
{
    if (!crossLink || !_ownedCrossLinks.count(crossLink)) return;
    discardCrossLinks({crossLink}, ElementSet());
}

void MindMap::discardCrossLinks(const std::vector<CrossLink*>& links, const ElementSet& leavingNodes)
{
    ElementSet going;
    std::vector<CrossLink*> removed;
    for (CrossLink* link : links) {
        if (!link || !_ownedCrossLinks.count(link) || !going.insert(link).second) continue;
        removed.push_back(link);
        collectContainedElements(link, going);
    }
    if (removed.empty()) return;

    UpdateGuard update(*this);
    MindMapElement* successor = nullptr;
    auto* primaryLink = dynamic_cast<CrossLink*>(selectedElement());
    if (primaryLink && going.count(primaryLink)) {
        MindMapNode* source = primaryLink->sourceNode();
        if (source && ownsNode(source) && !leavingNodes.count(source)) successor = source;
        _lockedChanges |= MindMapChangeScrollSelection;
    }
    releaseElements(going, successor);
    for (CrossLink* link : removed) {
        link->setTargetNode(nullptr);
        link->setSourceNode(nullptr);
    }
    std::erase_if(_crossLinks, [&going](const CrossLink* link) { return going.count(link) != 0; });
    invalidateCrossLinkIndex();
    for (CrossLink* link : removed) _ownedCrossLinks.erase(link);
    _lockedChanges |= MindMapChangeElement;
}

void MindMap::reconnectCrossLink(CrossLink* crossLink, MindMapNode* newSource, MindMapNode* newTarget)
{
    if (!crossLink || !_ownedCrossLinks.count(crossLink)) return;
    if (!canCreateCrossLinkFromSource(newSource, newTarget)) return;
    if (!isLoading()) {
        prepareUndoableOperation(localized("undoable_op_change_relation"));
        if (!_ownedCrossLinks.count(crossLink) || !canCreateCrossLinkFromSource(newSource, newTarget)) return;
    }
    UpdateGuard update(*this);
    crossLink->setSourceNode(newSource);
    crossLink->setTargetNode(newTarget);
    invalidateCrossLinkIndex();
    elementBoundsChanged(crossLink);
}

void MindMap::removeCrossLinksBetween(MindMapNode* a, MindMapNode* b)
{
    if (!a || !b || !ownsNode(a) || !ownsNode(b)) return;
    if (!containsCrossLinkBetween(a, b)) return;
    std::vector<CrossLink*> joining;
    for (size_t i = _crossLinks.size(); i-- > 0;) {
        if (_crossLinks[i]->connects(a, b)) joining.push_back(_crossLinks[i]);
    }
    // Through the ordinary removal, so that a selected link or one of its texts does not stay
    // selected (or matched) after it is gone.
    discardCrossLinks(joining, ElementSet());
}

void MindMap::checkCrossLinksIntegrity()
{
    auto endInMap = [this](const MindMapNode* node) { return node && ownsNode(node); };
    // Counted per pair of ends, so that finding the duplicates does not compare every link with
    // every other.
    std::unordered_map<NodePair, size_t, NodePairHash> linksPerPair;
    for (const CrossLink* link : _crossLinks) {
        if (endInMap(link->sourceNode()) && endInMap(link->targetNode()))
            ++linksPerPair[pairOf(link->sourceNode(), link->targetNode())];
    }
    std::vector<CrossLink*> removed;
    for (size_t i = _crossLinks.size(); i-- > 0;) {
        CrossLink* link = _crossLinks[i];
        const MindMapNode* source = link->sourceNode();
        const MindMapNode* target = link->targetNode();
        bool unsound = !endInMap(source) || !endInMap(target) || source == target || source->parent() == target ||
            target->parent() == source;
        if (!unsound) {
            size_t& count = linksPerPair[pairOf(source, target)];
            // An earlier link joins the same two nodes: the first of them stays.
            if (count > 1) {
                --count;
                unsound = true;
            }
        }
        if (unsound) removed.push_back(link);
    }
    discardCrossLinks(removed, ElementSet());
}

// ---- Parent relations, texts and images ----

void MindMap::removeParentRelation(ParentRelation* relation)
{
    if (!relation || !containsElement(relation)) return;
    MindMapNode* node = relation->targetNode();
    // The line of a central theme joins nothing: there is no parent to lose.
    if (!node->parent()) return;
    UpdateGuard update(*this);
    ElementSet going{relation};
    collectContainedElements(relation, going);
    MindMapElement* primary = selectedElement();
    MindMapElement* successor = nullptr;
    if (primary && going.count(primary)) {
        successor = node;
        _lockedChanges |= MindMapChangeScrollSelection;
    }
    // The editors let go of the relation's texts before they are destroyed.
    releaseElements(going, successor);
    node->setParent(nullptr);
    relation->clearStyleCustomization();
    relation->removeAllContainedElements();
    rethinkCentralThemes();
}

void MindMap::removeContainedElement(ContainedElement* element)
{
    if (!element || !containsElement(element)) return;
    UpdateGuard update(*this);
    MindMapElement* successor = nullptr;
    if (element == selectedElement()) {
        successor = element->container();
        _lockedChanges |= MindMapChangeScrollSelection;
    }
    releaseElements(ElementSet{element}, successor);
    // The removed element is destroyed right here.
    element->remove();
    dropUnusedImages();
}

void MindMap::releaseElements(const ElementSet& going, MindMapElement* successor)
{
    if (going.empty()) return;
    MindMapElement* primary = selectedElement();
    if (primary && going.count(primary)) {
        if (successor && (going.count(successor) || !containsElement(successor))) successor = nullptr;
        setSelectedElement(successor);
    }
    bool released = false;
    for (MindMapElement* element : _selection) {
        if (going.count(element)) {
            element->setIsSelected(false);
            released = true;
        }
    }
    if (released) std::erase_if(_selection, [&going](const MindMapElement* e) { return going.count(e) != 0; });

    bool unmatched = false;
    for (MindMapElement* element : _searchMatches) {
        if (going.count(element)) {
            element->setSearchMatch(false);
            unmatched = true;
        }
    }
    if (unmatched) {
        std::erase_if(_searchMatches, [&going](const MindMapElement* e) { return going.count(e) != 0; });
        addChangeBits(MindMapChangeSearchMatches);
    }
}

void MindMap::collectContainedElements(const CompositeElement* composite, ElementSet& elements)
{
    if (!composite || !composite->hasContainedElements()) return;
    for (const ContainedElement* element : composite->containedElements()) elements.insert(element);
}

// ---- Drags ----

MindMapNode* MindMap::canDragChangeNodeParent(MindMapNode* draggedNode, const std::vector<MindMapNode*>& rootNodes)
{
    if (!draggedNode || rootNodes.empty() || !containsElement(draggedNode)) return nullptr;
    ElementSet roots;
    for (const MindMapNode* root : rootNodes) {
        if (!root || !ownsNode(root)) return nullptr;
        roots.insert(root);
    }
    MindMapNode* candidate = hitTestNodes(draggedNode->location(), draggedNode);
    if (!candidate || candidate->collapsed()) return nullptr;
    for (const MindMapNode* root : rootNodes) {
        if (root->parent() == candidate) return nullptr;
    }
    // A root accepts the candidate unless the candidate is the root or lies in its branch: one
    // climb from the candidate answers for every root.
    for (const MindMapNode* node = candidate; node; node = node->parent()) {
        if (roots.count(node)) return nullptr;
    }
    return candidate;
}

void MindMap::nodeDragEnded(MindMapNode* newParent, const std::vector<MindMapNode*>& rootNodes, bool childMoving,
                            const UndoState& undoState)
{
    if (!newParent) {
        // The topics were moved, not re-parented: automatic layout puts back those whose branch
        // it lays out, which the user is told, naming the branch when there is only one.
        OutermostLayoutFinder finder;
        ElementSet seen;
        std::vector<MindMapNode*> layoutParents;
        for (MindMapNode* root : rootNodes) {
            if (!root || !ownsNode(root) || !root->parent()) continue;
            MindMapNode* layoutParent = finder.find(root->parent());
            if (layoutParent && seen.insert(layoutParent).second) layoutParents.push_back(layoutParent);
        }
        if (!layoutParents.empty()) {
            std::string message = localized("editor_auto_layout_restricted_move_message");
            if (layoutParents.size() == 1) {
                MindMapNode* branch = layoutParents.front();
                if (branch->updateState() != 0) branch->validateNodeState();
                message = formatText(
                    "%@\n\n%@",
                    {message, TextExcerpt::excerpt(branch->displayText().string(), {RestrictedMoveNameLength, 1})});
            }
            feedbackSinkInstance().showEditorNotification(localized("editor_auto_layout_restricted_move_title"),
                                                          message, FeedbackStateInformation,
                                                          RestrictedMoveNoticeDuration);
        }
        pushDelayedUndoableOperation(undoState);
        return;
    }

    {
        UpdateGuard update(*this);
        if (containsElement(newParent)) {
            MindMapNode* mainTheme = mainCentralTheme();
            // A root accepts the new parent unless the parent is the root or lies in its branch.
            ElementSet parentAndAncestors;
            for (const MindMapNode* node = newParent; node; node = node->parent()) parentAndAncestors.insert(node);
            // Whatever hangs below the new parent is laid out automatically when the parent or an
            // ancestor has a layout mode; the same answer holds for every root.
            const bool underAutoLayout = newParent->layoutMode() != 0 || newParent->isAutoLayout();
            ElementSet attached;
            bool themesLeft = false;
            for (MindMapNode* root : rootNodes) {
                if (!root || !ownsNode(root) || root->parent() == newParent || parentAndAncestors.count(root)) continue;
                const bool wasTheme = !root->parent();
                root->setParent(newParent);
                if (root->parent() != newParent) continue;
                attached.insert(root);
                themesLeft = themesLeft || wasTheme;
                root->fullExpand();
                if (!underAutoLayout) {
                    if (childMoving) MapLayouter::shared().positionBranch(root);
                    else MapLayouter::shared().layoutSubTree(root, true);
                }
            }
            if (themesLeft) {
                std::erase_if(_centralThemes, [](const MindMapNode* node) { return node->parent() != nullptr; });
                if (mainTheme && mainTheme->parent()) {
                    _mainCentralTheme = nullptr;
                    titleChanged();
                }
                invalidateAutoNumberPaths();
            }
            // A link between a root and its new parent would now join parent and child.
            std::vector<CrossLink*> joining;
            for (size_t i = _crossLinks.size(); i-- > 0;) {
                CrossLink* link = _crossLinks[i];
                const MindMapNode* source = link->sourceNode();
                const MindMapNode* target = link->targetNode();
                if ((source == newParent && attached.count(target)) || (target == newParent && attached.count(source)))
                    joining.push_back(link);
            }
            discardCrossLinks(joining, ElementSet());
        }
        setDelayedUndoOperation(localized("undoable_op_change_parent"));
    }
    pushDelayedUndoableOperation(undoState);
}

MindMapNode* MindMap::canDragChangeContainmentParent(ContainedElement* element)
{
    if (!element || !containsElement(element)) return nullptr;
    CompositeElement* container = element->container();
    if (!container || container->elementType() != ElementTypeNode) return nullptr;
    return hitTestNodes(element->absLocation(), container);
}

void MindMap::containedElementDragEnded(CompositeElement* newContainer,
                                        const std::vector<MindMapElement*>& draggedElements, const UndoState& undoState)
{
    if (newContainer && containsElement(newContainer) && !draggedElements.empty()) {
        UpdateGuard update(*this);
        for (MindMapElement* element : draggedElements) {
            auto* contained = dynamic_cast<ContainedElement*>(element);
            if (contained && containsElement(contained)) contained->linkToContainer(newContainer);
        }
        setDelayedUndoOperation(localized("undoable_op_relink_element"));
    }
    pushDelayedUndoableOperation(undoState);
}

UndoState MindMap::imageTransformBegan()
{
    return prepareDelayedUndoableOperation(localized("undoable_op_transform_image"));
}

void MindMap::imageTransformEnded(MindMapImage* /*image*/, const UndoState& undoState)
{
    pushDelayedUndoableOperation(undoState);
}
