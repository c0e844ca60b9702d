#pragma once

#include "Editor/ApplicationActions.h"
#include "preferences/MASPreferencesWindowController.h"
#include "preferences/gtk/PreferencePane.h"

#include <gtkmm/box.h>
#include <gtkmm/radiotoolbutton.h>
#include <gtkmm/toolbar.h>
#include <gtkmm/window.h>

#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

// The preferences window: a toolbar of radio items, one per pane, over the shown pane, at that
// pane's size and not resizable. Closing only hides it; the window and its panes live for the run.
class PreferencesWindow : public Gtk::Window, public PreferencesView, private MASPreferencesWindowController::Window {
public:
    // The widget of a pane that has no pane of its own (the device link's status), or nullptr:
    // the pane then stays empty. Installed by the library that owns the pane.
    using PaneContents = std::function<Gtk::Widget*(const std::string& identifier)>;
    static void setPaneContents(PaneContents contents);
    // The widget of one pane, from a library of its own; it goes before the general contents, so
    // that each installs without knowing of the other.
    static void addPaneContents(const std::string& identifier, std::function<Gtk::Widget*()> contents);
    // Makes the panes of their own; installed at start-up.
    static void setPaneFactory(PreferencePaneFactory factory);

    PreferencesWindow(std::span<const PreferencePaneInfo> panes, double minimumWidth);
    ~PreferencesWindow() override;

    MASPreferencesWindowController& controller() { return *_controller; }
    std::string selectedPane() const;
    std::vector<std::string> paneIdentifiers() const;
    // The toolbar item of the pane (a test clicks it).
    Gtk::RadioToolButton* toolbarItem(const std::string& identifier);
    Gtk::Toolbar& toolbar() { return _toolbar; }

    // PreferencesView
    void selectPane(const std::string& identifier) override;
    void show() override;
    void close() override;

protected:
    bool on_delete_event(GdkEventAny* event) override;
    bool on_configure_event(GdkEventConfigure* event) override;
    bool on_key_press_event(GdkEventKey* event) override;

private:
    // MASPreferencesWindowController::Window
    void setTitle(const std::string& title) override;
    void setSelectedToolbarItem(const std::string& identifier) override;
    size_t toolbarItemCount() const override;
    size_t visibleToolbarItemCount(double windowWidth) const override;
    Rect frame() const override;
    Size frameSizeForContentSize(Size contentSize) const override;
    void setFrame(const Rect& frame, bool animate) override;
    bool isVisible() const override;
    double screenWidth() const override;
    std::vector<Rect> monitorAreas() const override;
    Size fittingSize(MASPreferencesViewController& pane) override;
    void showPane(MASPreferencesViewController& pane, Size contentSize) override;
    void clearContent() override;
    void focusInitialKeyView(MASPreferencesViewController& pane) override;

    bool placesItsWindows() const;
    double toolbarHeight() const;

    std::unique_ptr<MASPreferencesWindowController> _controller;
    Gtk::Box _box{Gtk::ORIENTATION_VERTICAL, 0};
    Gtk::Toolbar _toolbar;
    Gtk::Box _content{Gtk::ORIENTATION_VERTICAL, 0};
    // In the items' group but never shown: active when no pane is selected.
    Gtk::RadioToolButton _noItem;
    std::vector<std::unique_ptr<Gtk::ToolItem>> _items;
    std::map<std::string, Gtk::RadioToolButton*> _itemsByIdentifier;
    Size _contentSize;
    bool _updatingToolbar = false;
    Point _lastTopLeft{-1e9, -1e9};
    bool _closedOnce = false;
};
