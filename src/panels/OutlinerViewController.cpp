#include "panels/OutlinerViewController.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "editor-view/MindMapEditor.h"
#include "platform/UserDefaults.h"

#include <set>
#include <vector>

namespace {

// Commands that only read the map or change what the outline shows: also on a read-only map.
const std::set<std::string, std::less<>>& readingActions()
{
    static const std::set<std::string, std::less<>> actions = {
        "copy:", "collapse:", "collapseChildren:", "fullCollapse:", "expand:", "expandChildren:", "fullExpand:"};
    return actions;
}

const std::set<std::string, std::less<>>& editingActions()
{
    static const std::set<std::string, std::less<>> actions = {
        "deleteAlt:", "delete:", "deleteForward:", "deleteBackward:", "cut:", "paste:", "editProperties:"};
    return actions;
}

} // namespace

OutlinerViewController::OutlinerViewController(MindMapEditor* editor)
    : _editor(editor), _adapter(std::make_unique<OutlineViewAdapter>(editor))
{
    registerCommands();
}

OutlinerViewController::~OutlinerViewController()
{
    if (_editor && _editor->hierarchyListener() == this) _editor->setHierarchyListener(nullptr);
}

uint64_t OutlinerViewController::storedOutlineMode(const UserDefaults& defaults)
{
    const int64_t mode = defaults.integerForKey(OutlineModeKey);
    return mode >= 0 && mode < static_cast<int64_t>(OutlineViewAdapter::ModeCount) ? static_cast<uint64_t>(mode)
                                                                                   : OutlineViewAdapter::Hierarchy;
}

uint64_t OutlinerViewController::loadView(OutlineView* view, const UserDefaults& defaults)
{
    const uint64_t mode = storedOutlineMode(defaults);
    _adapter->setOutlineMode(mode);
    _adapter->setOutlineView(view);
    return mode;
}

void OutlinerViewController::windowWillClose()
{
    _adapter->cancelEditing();
    _adapter->setHidden(true);
}

void OutlinerViewController::outlineModeSegmentsChanged(int64_t segment, UserDefaults& defaults)
{
    if (segment < 0 || segment >= static_cast<int64_t>(OutlineViewAdapter::ModeCount)) return;
    _adapter->setOutlineMode(static_cast<uint64_t>(segment));
    defaults.setInteger(OutlineModeKey, segment);
}

MindMapNode* OutlinerViewController::selectedNode() const
{
    OutlineView* view = _adapter->outlineView();
    return view ? view->selectedItem() : nullptr;
}

MindMapNode* OutlinerViewController::selectRowTopic()
{
    MindMapNode* node = selectedNode();
    MindMap* map = _editor ? _editor->mindMap() : nullptr;
    if (!node || !map || !map->containsElement(node)) return nullptr;
    map->setSelectedNode(node);
    return node;
}

void OutlinerViewController::mapCommand(const std::string& action)
{
    MindMapNode* node = selectRowTopic();
    if (!node) return;
    MindMap& map = *_editor->mindMap();
    if (action == "delete:") map.delete_();
    else if (action == "deleteAlt:") map.deleteAlt();
    else if (action == "cut:") map.cut();
    else if (action == "copy:") map.copy();
    else if (action == "editProperties:") map.editProperties();
    else if (action == "paste:") {
        map.forceNodeVisible(node);
        map.paste();
        // The pasted topics are the topic's children: they show on the canvas too.
        if (map.containsElement(node)) node->setCollapsed(false);
    }
}

void OutlinerViewController::registerCommands()
{
    for (const char* action : {"delete:", "deleteAlt:", "cut:", "copy:", "paste:", "editProperties:"}) {
        const std::string name = action;
        addAction(name, [this, name](const ActionSender*) { mapCommand(name); });
    }
    for (const char* action : {"deleteForward:", "deleteBackward:"})
        addAction(action, [this](const ActionSender*) { mapCommand("delete:"); });

    auto onRow = [this](std::function<void(OutlineViewAdapter&, MindMapNode*)> act) {
        return [this, act = std::move(act)](const ActionSender*) {
            if (MindMapNode* node = selectRowTopic()) act(*_adapter, node);
        };
    };
    addAction("collapse:",
              onRow([](OutlineViewAdapter& adapter, MindMapNode* node) { adapter.collapseItem(node, false); }));
    addAction("fullCollapse:",
              onRow([](OutlineViewAdapter& adapter, MindMapNode* node) { adapter.collapseItem(node, true); }));
    addAction("expand:",
              onRow([](OutlineViewAdapter& adapter, MindMapNode* node) { adapter.expandItem(node, false); }));
    addAction("fullExpand:",
              onRow([](OutlineViewAdapter& adapter, MindMapNode* node) { adapter.expandItem(node, true); }));
    addAction("collapseChildren:", onRow([](OutlineViewAdapter& adapter, MindMapNode* node) {
                  std::vector<MindMapNode*> children;
                  for (size_t index = 0; index < node->childCount(); ++index)
                      children.push_back(node->childAtIndex(index));
                  adapter.setItemsExpanded(children, false, false);
              }));
    addAction("expandChildren:", onRow([](OutlineViewAdapter& adapter, MindMapNode* node) {
                  std::vector<MindMapNode*> rows{node};
                  for (size_t index = 0; index < node->childCount(); ++index) rows.push_back(node->childAtIndex(index));
                  adapter.setItemsExpanded(rows, true, false);
              }));
}

bool OutlinerViewController::validateAction(const std::string& action) const
{
    OutlineView* view = _adapter->outlineView();
    if (_adapter->hidden() || !_adapter->enabled() || !view || !view->isFirstResponder()) return false;
    const bool rowSelected = view->selectedItem() != nullptr;
    if (readingActions().count(action)) return rowSelected;
    if (editingActions().count(action)) return rowSelected && !_adapter->readOnly();
    return false;
}

ItemValidation OutlinerViewController::validateUserInterfaceItem(const ValidatedUserInterfaceItem& item)
{
    return ItemValidation::enabledIf(validateAction(item.action()));
}

void OutlinerViewController::hierarchyChanged()
{
    MindMap* map = _editor ? _editor->mindMap() : nullptr;
    const bool mapEnabled = map && map->enabled();
    if (_adapter->enabled() != mapEnabled) _adapter->setEnabled(mapEnabled);
    else _adapter->refreshOutline();
}

void OutlinerViewController::beforeChangingSelection(MindMapElement*)
{
    _adapter->cancelEditing();
}

void OutlinerViewController::afterChangingSelection(MindMapElement*)
{
    _adapter->autoSyncSelectedElement();
}

void OutlinerViewController::dropSelection()
{
    _adapter->setEnabled(false);
}

void OutlinerViewController::attributeChanged(MindMapElement*, unsigned)
{
}
