#pragma once

#include "Editor/SegmentedControlItem.h"
#include "panels/CustomStyleEditorController.h"
#include "panels/gtk/CustomStylePreviewArea.h"
#include "panels/gtk/StyleFrameViews.h"
#include "platform/Responder.h"

#include <gtkmm.h>

#include <memory>

class SegmentedControlWidget;
class StyleSheet;

// The relation controls of one tab of the editor: parent relations or cross links.
struct CustomStyleRelationWidgets {
    Gtk::Grid grid;
    Gtk::ComboBoxText lineStyle;
    ValueSegments pathStyle;
    Gtk::ComboBoxText sourceArrow, targetArrow;
    Gtk::CheckButton colorBox;
    Gtk::ColorButton color;
};

// The custom style editor's window: the palette preview, the wells of the selected entry and of
// the map, the topic and relation styles in three tabs, and the palette and saving segments of
// its toolbar, over the plain editor.
class CustomStyleEditorWindow : public Gtk::Window, public AlertingCustomStyleEditorHost, public Responder {
public:
    static constexpr const char* ToolbarIdentifier = "not-auto-saved";
    static constexpr const char* ToolbarItems[] = {"AddDelete", "MoveUpDown", "Save"};

    explicit CustomStyleEditorWindow(const std::string& documentsDirectory);
    ~CustomStyleEditorWindow() override;

    // The one editor of the process, made on first use.
    static CustomStyleEditorWindow& shared();
    static bool exists();
    // Loads the sheet (asking first to save the style under edit) and shows the window.
    static void editStyleSheet(const std::shared_ptr<StyleSheet>& style);
    // Closes the window as its close button does, the save question first.
    static void closeShared();

    CustomStyleEditorController& controller() { return _controller; }
    CustomStylePreviewArea& preview() { return _preview; }
    // Segment 0 and 1 of the toolbar items, in their order.
    Gtk::Button& addButton();
    Gtk::Button& deleteButton();
    Gtk::Button& moveUpButton();
    Gtk::Button& moveDownButton();
    Gtk::Button& saveButton();
    Gtk::Button& saveAsButton();
    Gtk::Label& toolbarLabel(size_t item) { return *_toolbarLabels.at(item); }
    Gtk::ColorButton& fillWell() { return _fill; }
    Gtk::CheckButton& enableShadowBox() { return _enableShadow; }
    Gtk::ComboBoxText& levelBasedPopup() { return _levelBased; }
    Gtk::Notebook& styleTabs() { return _styleTabs; }
    Gtk::CheckButton& borderWidthBox() { return _borderWidthBox; }
    Gtk::Scale& borderWidthSlider() { return _borderWidth; }
    Gtk::Label& borderWidthLabel() { return _borderWidthLabel; }
    ValueSegments& alignmentSegments() { return _alignment; }
    Gtk::ComboBoxText& connectionStylePopup() { return _connectionStyle; }
    CustomStyleRelationWidgets& parentControls() { return _parent; }
    CustomStyleRelationWidgets& crossControls() { return _cross; }

    // CustomStyleEditorHost
    void closeWindow() override;
    void previewChanged() override;
    void controlsChanged() override;
    void modifiedChanged(bool modified) override;
    void titleChanged(const std::string& title) override;

    // Responder: the toolbar's segments are always enabled; deleting at two entries is refused by
    // the action itself.
    ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem&) override { return {}; }

protected:
    bool on_delete_event(GdkEventAny* event) override;

private:
    void buildToolbar();
    void buildTopicsTab(Gtk::Grid& grid);
    void buildRelationTab(CustomStyleRelationWidgets& widgets, bool parent);
    void readWells();
    void showRelation(CustomStyleRelationWidgets& widgets, const CustomStyleRelationControls& controls);
    // Connects a control: outside a refresh, the widgets are read and the action runs.
    template <typename Signal> void onChange(Signal signal, void (CustomStyleEditorController::*action)());

    CustomStyleEditorController _controller;
    CustomStylePreviewArea _preview;
    Gtk::Box _content{Gtk::ORIENTATION_VERTICAL, 8};
    Gtk::Box _toolbar{Gtk::ORIENTATION_HORIZONTAL, 18};
    std::vector<std::unique_ptr<SegmentedToolbarItem>> _toolbarItems;
    std::vector<std::unique_ptr<SegmentedControlWidget>> _toolbarWidgets;
    std::vector<std::unique_ptr<Gtk::Label>> _toolbarLabels;
    Gtk::Box _previewBox{Gtk::ORIENTATION_VERTICAL, 4};
    Gtk::Box _side{Gtk::ORIENTATION_VERTICAL, 8};
    Gtk::Grid _topicWells, _mapWells;
    Gtk::ColorButton _fill, _stroke, _background, _font, _shadow;
    Gtk::CheckButton _transparent, _derive, _enableShadow;
    Gtk::ComboBoxText _levelBased;
    Gtk::Notebook _styleTabs;
    Gtk::Grid _topics;
    // Items carry the tags of the shared style menus as their ids.
    Gtk::ComboBoxText _borderStyle;
    Gtk::CheckButton _borderWidthBox;
    Gtk::Box _borderWidthRow{Gtk::ORIENTATION_HORIZONTAL, 6};
    Gtk::Scale _borderWidth{Gtk::ORIENTATION_HORIZONTAL};
    Gtk::Label _borderWidthLabel;
    ValueSegments _alignment;
    CustomStyleRelationWidgets _parent, _cross;
    Gtk::ComboBoxText _connectionStyle;
    bool _loading = false;
};

// Opens the editor from the main window's "edit style sheet" command and closes it with the shell.
void installCustomStyleEditor();
