#pragma once

#include "panels/CustomStyleEditorController.h"
#include "panels/gtk/CustomStylePreviewArea.h"

#include <gtkmm.h>

#include <memory>

class StyleSheet;

// The custom style editor's window: the palette preview, the wells of the selected entry and of
// the map, and the palette and saving buttons, over the plain editor.
class CustomStyleEditorWindow : public Gtk::Window, public AlertingCustomStyleEditorHost {
public:
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
    Gtk::Button& addButton() { return _add; }
    Gtk::Button& saveAsButton() { return _saveAs; }

    // CustomStyleEditorHost
    void closeWindow() override;
    void previewChanged() override;
    void controlsChanged() override;
    void modifiedChanged(bool modified) override;
    void titleChanged(const std::string& title) override;

protected:
    bool on_delete_event(GdkEventAny* event) override;

private:
    void readWells();

    CustomStyleEditorController _controller;
    CustomStylePreviewArea _preview;
    Gtk::Box _content{Gtk::ORIENTATION_VERTICAL, 8};
    Gtk::Box _toolbar{Gtk::ORIENTATION_HORIZONTAL, 12};
    Gtk::Button _add, _delete, _up, _down, _save, _saveAs;
    Gtk::Grid _wells;
    Gtk::ColorButton _fill, _stroke, _background, _font, _shadow;
    Gtk::CheckButton _transparent, _derive, _enableShadow;
    // Items carry the tags of the shared style menus as their ids.
    Gtk::ComboBoxText _borderStyle, _lineStyle;
    bool _loading = false;
};

// Opens the editor from the main window's "edit style sheet" command and closes it with the shell.
void installCustomStyleEditor();
