#pragma once

#include "Editor/EditorWindowActions.h"
#include "Editor/MapFromSelectionActions.h"
#include "Editor/WindowModes.h"
#include "platform/NotificationCenter.h"

#include <gtkmm/widget.h>

#include <memory>
#include <vector>

class MainWindow;
class StyleSheet;

// The main window's styling, zoom, auto-focus and full-screen actions, registered on its
// controller: the GTK window makes the full screen the modes ask for and reports what the window
// manager made of it; Escape on the canvas leaves either mode; the toolbar's zoom label follows the
// editor's zoom.
class MainWindowActions : private WindowModesHost {
public:
    explicit MainWindowActions(MainWindow& window);
    // How "apply preset" asks the user for a preset: the element's, or nullptr for none. Installed
    // at start-up by the library of the presets browser; without one the command does nothing.
    using StylePresetPicker = std::function<StylePreset*(MindMapElement& element)>;
    static void setStylePresetPicker(StylePresetPicker picker);
    // The custom style editor: opened on the map's style sheet by "edit style sheet", closed by
    // the shell before maps switch and at quit. Installed by the editor's library.
    using CustomStyleEditorOpener = std::function<void(const std::shared_ptr<StyleSheet>& style)>;
    static void setCustomStyleEditor(CustomStyleEditorOpener open, std::function<void()> close);
    static void closeCustomStyleEditor();
    ~MainWindowActions() override;
    MainWindowActions(const MainWindowActions&) = delete;
    MainWindowActions& operator=(const MainWindowActions&) = delete;

    WindowModes& modes() { return _modes; }
    EditorWindowActions& actions() { return *_actions; }
    // Where the toolbar shows the zoom; set when the toolbar is made.
    void setZoomFactorTextHandler(std::function<void(const std::string& text)> handler);
    // Panels that edit the map beside the canvas (the note, the outliner) turn read-only with it
    // while presenting.
    void addReadOnlyFollower(std::function<void(bool readOnly)> follower);

private:
    // WindowModesHost
    void requestFullScreen(bool fullScreen) override;
    void commitEditor() override;
    void focusEditor() override;
    void setLeftPaneHidden(bool hidden) override;
    void setReadOnly(bool readOnly) override;
    void closeColorPanels() override;
    int styleToolsState() const override;
    void setStyleToolsState(int state) override;
    void setStyleToolbarVisible(bool visible, bool animated) override;
    void setToolbarAutoHidden(bool hidden) override;
    void showNotification(const std::string& title, const std::string& message, unsigned state,
                          double duration) override;
    void hideNotification() override;

    void updateToolbarVisibility();

    MainWindow& _window;
    WindowModes _modes;
    std::unique_ptr<EditorWindowActions> _actions;
    std::unique_ptr<MapFromSelectionActions> _mapActions;
    std::function<void(const std::string&)> _zoomFactorText;
    std::vector<std::function<void(bool)>> _readOnlyFollowers;
    std::vector<ObservationToken> _observations;
    sigc::connection _windowState;
    // The user's choice, and the presentation's, which hides it only while it lasts.
    bool _toolbarShown = true;
    bool _toolbarAutoHidden = false;
};
