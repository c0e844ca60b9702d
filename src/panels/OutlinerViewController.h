#pragma once

#include "MindMaps/HierarchyListener.h"
#include "panels/OutlineViewAdapter.h"
#include "platform/Responder.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class MindMapEditor;
class UserDefaults;

// The inspector's outliner tab: the outline's adapter, the mode control's choice, and the edit,
// clipboard, expand and collapse commands on the topic selected in the outline. It is the map's
// hierarchy listener while the window shows its tab.
class OutlinerViewController : public Responder, public HierarchyListener {
public:
    static constexpr const char* OutlineModeKey = "Editor.Outliner.Mode";
    // The segments' tool tips, by mode.
    static constexpr std::array<const char*, OutlineViewAdapter::ModeCount> ModeToolTipKeys = {
        "outline_options_hierarchy_outline", "outline_options_check_list", "outline_options_todo_list",
        "outline_options_done_list", "outline_options_date_list"};
    // The mode control sits this far from the strip's left and bottom edges.
    static constexpr double ModeControlLeft = 7;
    static constexpr double ModeControlBottom = 5;

    explicit OutlinerViewController(MindMapEditor* editor);
    ~OutlinerViewController() override;

    OutlineViewAdapter& adapter() { return *_adapter; }
    MindMapEditor* editor() const { return _editor; }

    // The stored mode; anything outside the five modes is the tree.
    static uint64_t storedOutlineMode(const UserDefaults& defaults);
    // Takes the stored mode and the view; answers the segment to select.
    uint64_t loadView(OutlineView* view, const UserDefaults& defaults);

    bool readOnly() const { return _adapter->readOnly(); }
    void setReadOnly(bool readOnly) { _adapter->setReadOnly(readOnly); }
    bool hidden() const { return _adapter->hidden(); }
    void setHidden(bool hidden) { _adapter->setHidden(hidden); }
    bool enabled() const { return _adapter->enabled(); }
    void setEnabled(bool enabled) { _adapter->setEnabled(enabled); }

    void windowWillClose();
    // The mode control's action: the segment's mode, kept for the next start.
    void outlineModeSegmentsChanged(int64_t segment, UserDefaults& defaults);
    MindMapNode* selectedNode() const;

    ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem& item) override;
    // Validation by action name alone.
    bool validateAction(const std::string& action) const;

    // ---- HierarchyListener ----
    void hierarchyChanged() override;
    void beforeChangingSelection(MindMapElement* element) override;
    void afterChangingSelection(MindMapElement* element) override;
    void dropSelection() override;
    void attributeChanged(MindMapElement* element, unsigned attribute) override;

private:
    void registerCommands();
    // Makes the selected row's topic the map's only selection; nullptr when no row is selected.
    MindMapNode* selectRowTopic();
    void mapCommand(const std::string& action);

    MindMapEditor* _editor;
    std::unique_ptr<OutlineViewAdapter> _adapter;
};
