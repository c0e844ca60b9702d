#pragma once

#include "Editor/gtk/ModelessPanelWindow.h"
#include "explorers/ExplorerBrowserController.h"
#include "explorers/MindMapSearchField.h"
#include "explorers/gtk/ExplorerSearchEntry.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>

#include <memory>

// The pick browser's GTK window: the search field (local store only), the explorer, and a row
// with the target caption, Cancel and OK.
class GtkExplorerBrowserWindow : public ExplorerBrowserWindow {
public:
    explicit GtkExplorerBrowserWindow(const std::shared_ptr<ExplorerBrowserController>& controller);
    ~GtkExplorerBrowserWindow() override;

    Gtk::Window& window() { return *_window; }
    Gtk::Button& okButton() { return _ok; }
    Gtk::Button& cancelButton() { return _cancel; }
    Gtk::Label& targetLabel() { return _label; }
    Gtk::Widget* explorerWidget() const { return _explorerWidget.get(); }
    ExplorerSearchEntry* searchEntry() const { return _searchEntry.get(); }

    // PanelWindow
    Rect frame() const override { return _window->frame(); }
    void setFrame(const Rect& frame) override { _window->setFrame(frame); }
    void center() override { _window->center(); }
    void close() override { _window->close(); }
    void setZoomable(bool zoomable) override { _window->setZoomable(zoomable); }
    std::string frameAutosaveName() const override { return _window->frameAutosaveName(); }

    // ExplorerBrowserWindow
    void setTitle(const std::string& title) override { _window->set_title(title); }
    void setTargetLabel(const std::string& label) override { _label.set_text(label); }
    void setOkEnabled(bool enabled) override { _ok.set_sensitive(enabled); }
    void setButtonTitles(const std::string& ok, const std::string& cancel) override;
    MindMapSearchField* searchField() override { return _searchField.get(); }
    void removeSearchField() override;
    void embedExplorer(MindMapExplorerBase& explorer) override;
    void focusExplorer() override;
    void show() override;

private:
    void scheduleUpdate();

    std::weak_ptr<ExplorerBrowserController> _controller;
    std::unique_ptr<ModelessPanelWindow> _window;
    Gtk::Box _box{Gtk::ORIENTATION_VERTICAL};
    Gtk::Box _buttons{Gtk::ORIENTATION_HORIZONTAL};
    Gtk::Label _label;
    Gtk::Button _cancel;
    Gtk::Button _ok;
    std::unique_ptr<MindMapSearchField> _searchField;
    std::unique_ptr<ExplorerSearchEntry> _searchEntry;
    std::unique_ptr<Gtk::Widget> _explorerWidget;
    sigc::connection _update;
};
