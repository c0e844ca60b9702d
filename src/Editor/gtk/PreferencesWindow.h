#pragma once

#include "Editor/ApplicationActions.h"

#include <gtkmm/box.h>
#include <gtkmm/stack.h>
#include <gtkmm/stackswitcher.h>
#include <gtkmm/window.h>

#include <functional>
#include <span>
#include <string>

// The preferences window: a row of pane buttons over the shown pane, titled after it. Closing only
// hides it; the window and its panes live for the run.
class PreferencesWindow : public Gtk::Window, public PreferencesView {
public:
    // The widget of a pane, or nullptr while the pane has no contents of its own: the window then
    // shows a placeholder there. The panes' own library installs it at start-up.
    using PaneContents = std::function<Gtk::Widget*(const std::string& identifier)>;
    static void setPaneContents(PaneContents contents);
    // The widget of one pane, from a library of its own; it goes before the general contents, so
    // that each installs without knowing of the other.
    static void addPaneContents(const std::string& identifier, std::function<Gtk::Widget*()> contents);

    PreferencesWindow(std::span<const PreferencePaneInfo> panes, double minimumWidth, Gtk::Window* parent);

    std::string selectedPane() const;
    std::vector<std::string> paneIdentifiers() const;

    // PreferencesView
    void selectPane(const std::string& identifier) override;
    void show() override;
    void close() override;

private:
    void updateTitle();

    Gtk::Box _box{Gtk::ORIENTATION_VERTICAL, 0};
    Gtk::StackSwitcher _switcher;
    Gtk::Stack _stack;
    std::vector<std::pair<std::string, std::string>> _titles;
};
