#include "editor-view/AutoFocusser.h"

#include "MindMaps/CompositeElement.h"
#include "MindMaps/ContainedElement.h"
#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/ParentRelation.h"

#include <utility>
#include <vector>

void AutoFocusser::setAutoFocusMode(int32_t mode)
{
    if (mode == _autoFocusMode || mode < ModeOff || mode > ModeBranches) return;
    static constexpr int64_t levels[] = {0, 0, 1, AllLevels};
    _autoFocusMode = mode;
    _enabled = mode != ModeOff;
    _childLevel = levels[mode];
    changed();
}

void AutoFocusser::changed()
{
    if (_delegate) _delegate->autoFocusChanged(this);
}

void AutoFocusser::focusCompositeElement(CompositeElement* element, bool autoFocused)
{
    if (!element) return;
    element->setIsAutoFocused(autoFocused);
    for (ContainedElement* contained : element->containedElements()) contained->setIsAutoFocused(autoFocused);
}

void AutoFocusser::focusChildren(MindMapNode* node, int64_t childLevel)
{
    // Walked with a list of its own: a branch may be deeper than the stack allows.
    std::vector<std::pair<MindMapNode*, int64_t>> pending{{node, childLevel}};
    while (!pending.empty()) {
        auto [parent, levels] = pending.back();
        pending.pop_back();
        if (!parent || levels < 1) continue;
        for (MindMapNode* child : parent->children()) {
            focusCompositeElement(child, true);
            focusCompositeElement(child->parentRelation(), true);
            if (levels > 1 && child->childCount() > 0) pending.emplace_back(child, levels - 1);
        }
    }
}

void AutoFocusser::updateMindMap(MindMap& mindMap)
{
    if (!_enabled) return;
    // A relation's texts follow the relation, so that none keeps a mark from an earlier selection.
    for (MindMapNode* node : mindMap.nodes()) {
        focusCompositeElement(node, node->isSelected());
        if (ParentRelation* relation = node->parentRelation()) focusCompositeElement(relation, relation->isSelected());
    }
    if (_childLevel > 0) {
        for (MindMapElement* element : mindMap.selectionWithMask(ElementTypeNode)) {
            focusChildren(static_cast<MindMapNode*>(element), _childLevel);
        }
    }
    for (CrossLink* link : mindMap.crossLinks()) {
        const MindMapNode* source = link->sourceNode();
        const MindMapNode* target = link->targetNode();
        const bool bothEndsFocused = source && target && source->isAutoFocused() && target->isAutoFocused();
        focusCompositeElement(link, link->isSelected() || bothEndsFocused);
    }
    for (MindMapElement* element : mindMap.selectionWithMask(ElementTypeImage | ElementTypeText)) {
        element->setIsAutoFocused(true);
    }
}
