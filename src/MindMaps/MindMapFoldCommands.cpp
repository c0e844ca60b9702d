#include "MindMaps/MindMap.h"

#include "MindMaps/MindMapNode.h"
#include "MindMaps/ParentRelation.h"
#include "platform/Localizer.h"

namespace {

// The topic a hide or show command acts on for a selected element: a topic itself, a parent
// relation its target topic.
MindMapNode* topicOf(MindMapElement* element)
{
    if (auto* node = dynamic_cast<MindMapNode*>(element)) return node;
    if (auto* relation = dynamic_cast<ParentRelation*>(element)) return relation->targetNode();
    return nullptr;
}

void setChildrenCollapsed(MindMapNode* node, bool collapsed)
{
    for (MindMapNode* child : node->children()) child->setCollapsed(collapsed);
}

void setChildrenHidden(MindMapNode* node, bool hidden)
{
    for (MindMapNode* child : node->children()) child->setIsHidden(hidden);
}

} // namespace

// ---- Collapse and expand ----

void MindMap::expand()
{
    performMultipleSelectionNodeOperation(
        [this](MindMapNode* node) {
            if (!node->collapsed()) return;
            node->setCollapsed(false);
            forceNodeVisible(node);
        },
        localized("undoable_op_expand"));
}

void MindMap::collapse()
{
    performMultipleSelectionNodeOperation(
        [this](MindMapNode* node) {
            if (node->collapsed() || node->childCount() == 0) return;
            node->setCollapsed(true);
            forceNodeVisible(node);
        },
        localized("undoable_op_collapse"));
}

void MindMap::expandChildren()
{
    performMultipleSelectionNodeOperation(
        [this](MindMapNode* node) {
            if (node->childCount() == 0) return;
            forceNodeVisible(node);
            setChildrenCollapsed(node, false);
        },
        localized("undoable_op_expand"));
}

void MindMap::collapseChildren()
{
    performMultipleSelectionNodeOperation(
        [this](MindMapNode* node) {
            if (node->childCount() == 0) return;
            forceNodeVisible(node);
            setChildrenCollapsed(node, true);
        },
        localized("undoable_op_collapse"));
}

void MindMap::fullExpand()
{
    performMultipleSelectionNodeOperation([](MindMapNode* node) { node->fullExpand(); },
                                          localized("undoable_op_full_expand"));
}

void MindMap::fullCollapse()
{
    performMultipleSelectionNodeOperation([](MindMapNode* node) { node->fullCollapse(); },
                                          localized("undoable_op_full_collapse"));
}

void MindMap::toggleCollapsed()
{
    MindMapNode* node = cancelEditorModes();
    forceSingleSelection();
    if (!node) return;
    if (node->collapsed())
        expand();
    else
        collapse();
}

// ---- Hide and show the selection ----

void MindMap::hideSelected()
{
    cancelEditorModes();
    const std::vector<MindMapElement*> elements = selectionWithMask(ElementTypeNode | ElementTypeParentRelation);
    if (elements.empty()) return;
    prepareUndoableOperation(localized("undoable_op_hide"));
    UpdateGuard update(*this);
    for (MindMapElement* element : elements) {
        MindMapNode* topic = topicOf(element);
        if (topic && topic->parent()) topic->setIsHidden(true);
    }
    // The last element handled decides what stays selected: a hidden topic hands the selection
    // to its parent (none for a central theme), a relation keeps it.
    MindMapElement* last = elements.back();
    if (auto* topic = dynamic_cast<MindMapNode*>(last))
        setSelectedElement(topic->parent());
    else
        setSelectedElement(last);
}

void MindMap::hideChildren()
{
    cancelEditorModes();
    const std::vector<MindMapElement*> elements = selectionWithMask(ElementTypeNode | ElementTypeParentRelation);
    if (elements.empty()) return;
    prepareUndoableOperation(localized("undoable_op_hide"));
    UpdateGuard update(*this);
    for (MindMapElement* element : elements) {
        if (MindMapNode* topic = topicOf(element)) setChildrenHidden(topic, true);
    }
    excludeHiddenElementsFromSelection();
    if (MindMapElement* primary = selectedElement(); primary && !primary->isVisible()) setSelectedElement(nullptr);
}

void MindMap::fullHide()
{
    cancelEditorModes();
    const std::vector<MindMapElement*> elements = selectionWithMask(ElementTypeNode | ElementTypeParentRelation);
    if (elements.empty()) return;
    prepareUndoableOperation(localized("undoable_op_hide"));
    UpdateGuard update(*this);
    for (MindMapElement* element : elements) {
        MindMapNode* topic = topicOf(element);
        if (!topic) continue;
        std::vector<MindMapNode*> branch;
        topic->collectNodeAndChildrenInArray(branch);
        for (MindMapNode* node : branch) {
            if (node->parent()) node->setIsHidden(true);
        }
    }
    excludeHiddenElementsFromSelection();
    if (MindMapElement* primary = selectedElement(); primary && !primary->isVisible()) setSelectedElement(nullptr);
}

void MindMap::showSelected()
{
    cancelEditorModes();
    const std::vector<MindMapElement*> elements = selectionWithMask(ElementTypeNode | ElementTypeParentRelation);
    if (elements.empty()) return;
    prepareUndoableOperation(localized("undoable_op_show"));
    UpdateGuard update(*this);
    for (MindMapElement* element : elements) {
        if (MindMapNode* topic = topicOf(element)) topic->setIsHidden(false);
    }
    setSelectedElement(topicOf(elements.back()));
}

void MindMap::showChildren()
{
    cancelEditorModes();
    const std::vector<MindMapElement*> elements = selectionWithMask(ElementTypeNode | ElementTypeParentRelation);
    if (elements.empty()) return;
    prepareUndoableOperation(localized("undoable_op_show"));
    UpdateGuard update(*this);
    for (MindMapElement* element : elements) {
        if (MindMapNode* topic = topicOf(element)) setChildrenHidden(topic, false);
    }
}

void MindMap::fullShow()
{
    cancelEditorModes();
    const std::vector<MindMapElement*> elements = selectionWithMask(ElementTypeNode | ElementTypeParentRelation);
    if (elements.empty()) return;
    prepareUndoableOperation(localized("undoable_op_show"));
    UpdateGuard update(*this);
    for (MindMapElement* element : elements) {
        MindMapNode* topic = topicOf(element);
        if (!topic) continue;
        std::vector<MindMapNode*> branch;
        topic->collectNodeAndChildrenInArray(branch);
        for (MindMapNode* node : branch) node->setIsHidden(false);
    }
}

// ---- One topic ----

void MindMap::hideTopic(MindMapNode* topic)
{
    cancelEditorModes();
    // Looked up by address before use: leaving the modes may have reloaded the map.
    if (!topic || !_ownedNodes.count(topic) || topic->isHidden() || !topic->parent()) return;
    UpdateGuard update(*this);
    pushStateToUndoManager(localized("undoable_op_hide"));
    topic->setIsHidden(true);
    setSelectedElement(topic->parent());
}

void MindMap::showTopic(MindMapNode* topic)
{
    cancelEditorModes();
    if (!topic || !_ownedNodes.count(topic) || !topic->isHidden()) return;
    UpdateGuard update(*this);
    pushStateToUndoManager(localized("undoable_op_show"));
    topic->setIsHidden(false);
}
