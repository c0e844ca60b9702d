// What the element tools' drags ask of the editor: drop targets while a new topic or a relation's
// end is dragged, and what a drop makes of them.

#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapRelation.h"
#include "editor-view/MindMapEditor.h"
#include "platform/Localizer.h"

namespace {

// The end of the selected relation that stays put while the other one is dragged.
MindMapNode* fixedEnd(const MindMapRelation& relation, bool sourceEnd)
{
    return sourceEnd ? relation.targetNode() : relation.sourceNode();
}

// The topic under the point that may become the relation's new dragged end; nullptr for none.
MindMapNode* relinkCandidate(MindMap& mindMap, const MindMapRelation& relation, bool sourceEnd, Point location)
{
    MindMapNode* fixed = fixedEnd(relation, sourceEnd);
    if (!fixed) return nullptr;
    MindMapNode* candidate = mindMap.hitTestNodes(location, fixed);
    if (!candidate || candidate == fixed) return nullptr;
    return candidate;
}

bool acceptsNewParent(const MindMapRelation& relation, bool sourceEnd, MindMapNode* candidate)
{
    MindMapNode* fixed = fixedEnd(relation, sourceEnd);
    return sourceEnd && fixed && fixed->isValidParentNode(candidate) && candidate != relation.sourceNode();
}

} // namespace

void MindMapEditor::createToolMoved(int64_t tool)
{
    if (tool == ElementToolCreator && _mindMap) {
        MindMapNode* source = _mindMap->selectedNode();
        MindMapNode* target = _mindMap->hitTestNodes(_elementTools.toolLocation(ElementToolCreator), nullptr);
        const bool linkable = source && target && _mindMap->canCreateCrossLinkFromSource(source, target);
        _mindMap->setDropTarget(linkable ? target : nullptr);
    }
    setNeedsDisplay();
}

void MindMapEditor::createToolInvokedAt(Point location)
{
    setNeedsDisplay();
    if (!_mindMap) return;
    MindMapNode* source = _mindMap->selectedNode();
    MindMapNode* target = _mindMap->hitTestNodes(location, nullptr);
    if (!source || target == source) return;
    if (!target) {
        _mindMap->addChildNodeAtLocation(location);
        return;
    }
    if (CrossLink* link = _mindMap->addCrossLinkFromSource(source, target)) _mindMap->setSelectedElement(link);
}

void MindMapEditor::relinkRelationToolMoved(bool sourceEnd, Point location)
{
    if (!_mindMap) return;
    MindMapNode* dropTarget = nullptr;
    if (MindMapRelation* relation = _mindMap->selectedRelation()) {
        MindMapNode* candidate = relinkCandidate(*_mindMap, *relation, sourceEnd, location);
        if (candidate && relation->elementType() == ElementTypeParentRelation) {
            if (acceptsNewParent(*relation, sourceEnd, candidate)) dropTarget = candidate;
        } else if (candidate && relation->elementType() == ElementTypeCrossLink) {
            if (_mindMap->canCreateCrossLinkFromSource(fixedEnd(*relation, sourceEnd), candidate))
                dropTarget = candidate;
        }
    }
    _mindMap->setDropTarget(dropTarget);
    setNeedsDisplay();
}

void MindMapEditor::relinkRelationTo(bool sourceEnd, Point location)
{
    setNeedsDisplay();
    if (!_mindMap) return;
    MindMapRelation* relation = _mindMap->selectedRelation();
    if (!relation) return;
    MindMapNode* candidate = relinkCandidate(*_mindMap, *relation, sourceEnd, location);
    if (!candidate) return;
    if (relation->elementType() == ElementTypeParentRelation) {
        if (!acceptsNewParent(*relation, sourceEnd, candidate)) return;
        MindMapNode* child = fixedEnd(*relation, sourceEnd);
        MindMap::UpdateGuard update(*_mindMap);
        _mindMap->prepareUndoableOperation(localized("undoable_op_change_parent"));
        // Leaving the editor's modes may have read the map anew; both are looked up by address.
        if (!_mindMap->containsElement(child) || !_mindMap->containsElement(candidate)) return;
        child->setParent(candidate);
        candidate->setCollapsed(false);
    } else if (auto* link = dynamic_cast<CrossLink*>(relation)) {
        _mindMap->reconnectCrossLink(link, sourceEnd ? candidate : link->sourceNode(),
                                     sourceEnd ? link->targetNode() : candidate);
    }
}
