#include "MindMaps/MindMap.h"

#include "MindMaps/MindMapNode.h"
#include "MindMaps/ParentRelation.h"
#include "platform/Localizer.h"

#include <cstdint>
#include <vector>

namespace {

constexpr uint32_t TopicsAndParentRelationsMask = ElementTypeNode | ElementTypeParentRelation;

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

template <typename Visit> void forEachInBranch(MindMapNode* topic, Visit visit)
{
    std::vector<MindMapNode*> branch;
    topic->collectNodeAndChildrenInArray(branch);
    for (MindMapNode* node : branch) visit(node);
}

// Collapses or expands each selected topic, keeping it in view; a topic without children has
// nothing to collapse.
void setSelectionCollapsed(MindMap& map, bool collapsed, const char* undoKey)
{
    map.performMultipleSelectionNodeOperation(
        [&map, collapsed](MindMapNode* node) {
            if (node->collapsed() == collapsed || (collapsed && node->childCount() == 0)) return;
            node->setCollapsed(collapsed);
            map.forceNodeVisible(node);
        },
        localized(undoKey));
}

void setSelectionChildrenCollapsed(MindMap& map, bool collapsed, const char* undoKey)
{
    map.performMultipleSelectionNodeOperation(
        [&map, collapsed](MindMapNode* node) {
            if (node->childCount() == 0) return;
            map.forceNodeVisible(node);
            setChildrenCollapsed(node, collapsed);
        },
        localized(undoKey));
}

// The common road of the hide and show commands: leave the editor's modes, take the selected
// topics and parent relations, and change each inside one step and one update; `finish` then sees
// the elements handled, still inside that update.
template <typename Change, typename Finish>
void changeSelectedTopics(MindMap& map, const char* undoKey, Change change, Finish finish)
{
    map.cancelEditorModes();
    // A copy: the selection may change while the elements do.
    const std::vector<MindMapElement*> elements = map.selectionWithMask(TopicsAndParentRelationsMask);
    if (elements.empty()) return;
    map.prepareUndoableOperation(localized(undoKey));
    MindMap::UpdateGuard update(map);
    for (MindMapElement* element : elements) {
        if (MindMapNode* topic = topicOf(element)) change(topic);
    }
    finish(elements);
}

template <typename Change> void changeSelectedTopics(MindMap& map, const char* undoKey, Change change)
{
    changeSelectedTopics(map, undoKey, change, [](const std::vector<MindMapElement*>&) {});
}

// After hiding, nothing hidden stays selected.
void dropHiddenFromSelection(MindMap& map)
{
    map.excludeHiddenElementsFromSelection();
    if (MindMapElement* primary = map.selectedElement(); primary && !primary->isVisible())
        map.setSelectedElement(nullptr);
}

} // namespace

// ---- Collapse and expand ----

void MindMap::expand()
{
    setSelectionCollapsed(*this, false, "undoable_op_expand");
}

void MindMap::collapse()
{
    setSelectionCollapsed(*this, true, "undoable_op_collapse");
}

void MindMap::expandChildren()
{
    setSelectionChildrenCollapsed(*this, false, "undoable_op_expand");
}

void MindMap::collapseChildren()
{
    setSelectionChildrenCollapsed(*this, true, "undoable_op_collapse");
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
    if (node->collapsed()) expand();
    else collapse();
}

// ---- Hide and show the selection ----

void MindMap::hideSelected()
{
    changeSelectedTopics(
        *this, "undoable_op_hide",
        [](MindMapNode* topic) {
            if (topic->parent()) topic->setIsHidden(true);
        },
        [this](const std::vector<MindMapElement*>& elements) {
            // The last element handled decides what stays selected: a hidden topic hands the
            // selection to its parent (none for a central theme), a relation keeps it.
            MindMapElement* last = elements.back();
            if (auto* topic = dynamic_cast<MindMapNode*>(last)) setSelectedElement(topic->parent());
            else setSelectedElement(last);
        });
}

void MindMap::hideChildren()
{
    changeSelectedTopics(
        *this, "undoable_op_hide", [](MindMapNode* topic) { setChildrenHidden(topic, true); },
        [this](const std::vector<MindMapElement*>&) { dropHiddenFromSelection(*this); });
}

void MindMap::fullHide()
{
    changeSelectedTopics(
        *this, "undoable_op_hide",
        [](MindMapNode* topic) {
            forEachInBranch(topic, [](MindMapNode* node) {
                if (node->parent()) node->setIsHidden(true);
            });
        },
        [this](const std::vector<MindMapElement*>&) { dropHiddenFromSelection(*this); });
}

void MindMap::showSelected()
{
    changeSelectedTopics(
        *this, "undoable_op_show", [](MindMapNode* topic) { topic->setIsHidden(false); },
        [this](const std::vector<MindMapElement*>& elements) { setSelectedElement(topicOf(elements.back())); });
}

void MindMap::showChildren()
{
    changeSelectedTopics(*this, "undoable_op_show", [](MindMapNode* topic) { setChildrenHidden(topic, false); });
}

void MindMap::fullShow()
{
    changeSelectedTopics(*this, "undoable_op_show", [](MindMapNode* topic) {
        forEachInBranch(topic, [](MindMapNode* node) { node->setIsHidden(false); });
    });
}

// ---- One topic ----

void MindMap::hideTopic(MindMapNode* topic)
{
    cancelEditorModes();
    // Looked up by address before use: leaving the modes may have reloaded the map.
    if (!topic || !ownsNode(topic) || topic->isHidden() || !topic->parent()) return;
    UpdateGuard update(*this);
    pushStateToUndoManager(localized("undoable_op_hide"));
    topic->setIsHidden(true);
    setSelectedElement(topic->parent());
}

void MindMap::showTopic(MindMapNode* topic)
{
    cancelEditorModes();
    if (!topic || !ownsNode(topic) || !topic->isHidden()) return;
    UpdateGuard update(*this);
    pushStateToUndoManager(localized("undoable_op_show"));
    topic->setIsHidden(false);
}
