#pragma once

#include "panels/StylePresetsBrowser.h"
#include "panels/gtk/ImageGridView.h"

#include <gtkmm.h>

class MindMapElement;
class StylePreset;

// The style presets browser's modal window: the grid of previews, the edit mode and delete
// buttons, Cancel and OK. Its browser decides; the window only shows and reports.
class StylePresetsBrowserWindow : public Gtk::Dialog, public StylePresetsBrowserView {
public:
    explicit StylePresetsBrowserWindow(StylePresetsBrowser& browser);
    ~StylePresetsBrowserWindow() override;

    // Runs a browser for the element's kind modally and answers the preset picked; nullptr when
    // the user cancels or the kind has no presets, in which case no window shows. The window that
    // was active before is active again afterwards.
    static StylePreset* pickStylePresetForElement(
        MindMapElement& element,
        const StylePresetsBrowser::PresetsLookup& lookup = StylePresetsBrowser::sharedPresetsForElementType);
    // Called with each browser window once it shows, before its session runs; for tests.
    static void setShownObserver(std::function<void(StylePresetsBrowserWindow& window)> observer);

    ImageGridView& grid() { return _grid; }
    Gtk::Button& okButton() { return _okButton; }
    Gtk::Button& cancelButton() { return _cancelButton; }
    Gtk::Button& deleteButton() { return _deleteButton; }
    Gtk::ToggleButton& editModeButton() { return _editModeButton; }

    // StylePresetsBrowserView
    void reloadBrowser() override;
    std::optional<size_t> selectedIndex() const override;
    void setOkEnabled(bool enabled) override;
    void setDeleteEnabled(bool enabled) override;
    void setEditModeShown(bool on) override;
    void setReorderingAllowed(bool allowed) override;
    void passivateBrowser() override;
    void stopModal(int result) override;

private:
    StylePresetsBrowser& _browser;
    ImageGridView _grid;
    Gtk::Box _buttons{Gtk::ORIENTATION_HORIZONTAL, 6};
    Gtk::ToggleButton _editModeButton;
    Gtk::Button _deleteButton;
    Gtk::Image _deleteImage;
    Gtk::Button _cancelButton;
    Gtk::Button _okButton;
    // Set while the window itself moves the edit mode button, which must not toggle again.
    bool _showingEditMode = false;
};

// Lets the main window's "apply preset" command ask the browser. Called once at start-up.
void installStylePresetsBrowser();
