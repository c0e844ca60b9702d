#pragma once

#include "panels/IconPickerController.h"
#include "panels/gtk/ImageGridView.h"

#include <gtkmm.h>

#include <array>
#include <memory>
#include <string>

class CustomImageStore;
class MainWindow;

// The icon tab's widgets: a notebook with one image grid per browser of the plain picker, the
// size control of the flat icons, the editing buttons of the user's icons, and below the tabs the
// clear button, the "as image" check box and the add-from-file button. Every decision is the
// controller's; this only forwards the user's clicks and shows the states.
class IconPickerView : public Gtk::Box {
public:
    using Tab = EmbeddedIconPickerController::Tab;

    IconPickerView(IconPickerPanelDelegate* delegate, std::shared_ptr<CustomImageStore> customIcons,
                   std::string orderFolder);
    ~IconPickerView() override;

    EmbeddedIconPickerController& controller() { return *_controller; }
    ImageGridView& grid(Tab tab) { return *_grids[size_t(tab)]; }
    Gtk::Notebook& tabs() { return _tabs; }
    Gtk::Button& clearButton() { return _clear; }
    Gtk::CheckButton& addAsImageButton() { return _addAsImage; }
    Gtk::Button& addIconFromFileButton() { return _addFromFile; }
    Gtk::ToggleButton& editModeButton() { return _editMode; }
    Gtk::Button& addButton() { return _add; }
    Gtk::Button& deleteButton() { return _delete; }
    Gtk::RadioButton& sizeSegment(int segment) { return segment == 1 ? _large : _small; }

    // Shows the enabled state and the button states the controller decides.
    void updateButtonStates();

private:
    void connectBrowser(Tab tab);
    void fillGrid(Tab tab);

    std::unique_ptr<EmbeddedIconPickerController> _controller;
    std::array<std::unique_ptr<ImageGridView>, EmbeddedIconPickerController::TabCount> _grids;
    Gtk::Notebook _tabs;
    Gtk::Box _flatPage{Gtk::ORIENTATION_VERTICAL, 5};
    Gtk::Box _sizeRow{Gtk::ORIENTATION_HORIZONTAL, 5};
    Gtk::Label _sizeLabel;
    Gtk::Box _sizeSegments{Gtk::ORIENTATION_HORIZONTAL};
    Gtk::RadioButton _small;
    Gtk::RadioButton _large;
    Gtk::Box _myPage{Gtk::ORIENTATION_VERTICAL, 5};
    Gtk::Box _editRow{Gtk::ORIENTATION_HORIZONTAL, 5};
    Gtk::ToggleButton _editMode;
    Gtk::Button _add;
    Gtk::Button _delete;
    Gtk::Box _bottomRow{Gtk::ORIENTATION_HORIZONTAL, 5};
    Gtk::Button _clear;
    Gtk::CheckButton _addAsImage;
    Gtk::Button _addFromFile;
    std::array<bool, EmbeddedIconPickerController::TabCount> _filled{};
    // Set while the view itself changes a control, whose signal then is no user action.
    int _updating = 0;
};

// Makes the icon tab the inspector page 2 of every main window, putting the picked icons on the
// window's map and enabled while the window's map is editable and a topic is selected.
void installIconPicker();
