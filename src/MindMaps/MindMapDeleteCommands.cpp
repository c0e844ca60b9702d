#include "MindMaps/MindMap.h"

#include "MindMaps/CommandPrompts.h"
#include "MindMaps/CompositeElement.h"
#include "MindMaps/ContainedElement.h"
#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/ParentRelation.h"
#include "Utils/StandardButtons.h"
#include "platform/Localizer.h"

#include <algorithm>
#include <unordered_set>

namespace {

bool confirmDeletingEveryTopic()
{
    ModalAlert alert;
    alert.setMessageText(localized("editor_menu_delete"));
    alert.setInformativeText(localized("editor_delete_all_topics_warning"));
    alert.setAlertStyle(AlertStyle::Informational);
    addOKAndCancelButtons(alert);
    return commandPromptsInstance().runAlert(alert) == ModalAlert::AlertFirstButtonReturn;
}

} // namespace

// ---- Delete ----

bool MindMap::selectionContainsAllNodes()
{
    const std::vector<MindMapNode*> roots = getSelectedRootNodes();
    if (roots.empty()) return false;
    const std::unordered_set<const MindMapNode*> selectedRoots(roots.begin(), roots.end());
    for (const MindMapNode* theme : _centralThemes) {
        if (!selectedRoots.count(theme)) return false;
    }
    // Every central theme is selected; any other root would have to lie outside every theme.
    return std::all_of(roots.begin(), roots.end(), [](const MindMapNode* root) { return !root->parent(); });
}

void MindMap::delete_()
{
    if (_readOnly) return;
    std::vector<MindMapElement*> elements;
    if (dynamic_cast<MindMapNode*>(selectedElement())) {
        for (MindMapNode* root : getSelectedRootNodes()) elements.push_back(root);
    } else {
        elements =
            selectionWithMask(ElementTypeCrossLink | ElementTypeParentRelation | ElementTypeImage | ElementTypeText);
    }
    if (elements.empty()) return;
    if (selectionContainsAllNodes() && !confirmDeletingEveryTopic()) return;

    {
        UpdateGuard update(*this);
        clearSearchMatchFlags();
        _searchMatches.clear();
        addChangeBits(MindMapChangeSearchMatches);
        prepareUndoableOperation(localized("editor_menu_delete"));

        // A relation goes with its texts: they must not be removed again afterwards.
        std::unordered_set<const MindMapElement*> pending(elements.begin(), elements.end());
        for (MindMapElement* element : elements) {
            if (!pending.erase(element)) continue;
            if (auto* composite = dynamic_cast<CompositeElement*>(element)) {
                for (ContainedElement* contained : composite->containedElements()) pending.erase(contained);
            }
            switch (element->elementType()) {
            case ElementTypeNode:
                removeMindMapNode(static_cast<MindMapNode*>(element));
                break;
            case ElementTypeCrossLink:
                removeCrossLink(static_cast<CrossLink*>(element));
                break;
            case ElementTypeParentRelation:
                removeParentRelation(static_cast<ParentRelation*>(element));
                break;
            case ElementTypeImage:
            case ElementTypeText:
                removeContainedElement(static_cast<ContainedElement*>(element));
                break;
            default:
                break;
            }
        }
    }
    dropUnusedImages();
}

void MindMap::deleteAlt()
{
    if (_readOnly) return;
    forceSingleSelection();
    MindMapNode* node = prepareUndoableNodeOperation(localized("editor_menu_delete"));
    if (!node) return;
    UpdateGuard update(*this);
    clearSearchMatchFlags();
    _searchMatches.clear();
    addChangeBits(MindMapChangeSearchMatches);
    node->setCollapsed(false);
    MindMapNode* parent = node->parent();
    while (MindMapNode* child = node->childAtIndex(0)) {
        // A cross link never joins a parent and its child: a link from the child to its new
        // parent goes before the move makes them parent and child.
        if (parent) removeCrossLinksBetween(child, parent);
        child->setParent(parent);
    }
    removeMindMapNode(node);
    if (!parent) rethinkCentralThemes();
    if (MindMapNode* selected = selectedNode()) forceNodeVisible(selected);
}
