#pragma once

#include "Editor/EditorDocument.h"
#include "Editor/EditorNotificationPresenter.h"
#include "Editor/MainMenu.h"
#include "Editor/gtk/EditorNotificationBar.h"
#include "editor-view/gtk/MindMapEditorCanvas.h"
#include "platform/Responder.h"
#include "platform/gtk/MainLoopScheduler.h"

#include <gtkmm/applicationwindow.h>
#include <gtkmm/box.h>
#include <gtkmm/overlay.h>
#include <gtkmm/paned.h>

#include <functional>
#include <memory>

class CommandRouter;
class MainWindow;
class MenuBarAdapter;
class MindMap;

// What a library above the shell shows left of the canvas (the explorer of the local store). The
// window owns it; the library installs the factory at start-up.
class MainWindowSidePane {
public:
    virtual ~MainWindowSidePane() = default;
    virtual Gtk::Widget& widget() = 0;
    // The pane's commands, after the window's in the responder chain; first while the keyboard
    // focus is in the pane.
    virtual Responder* responder() = 0;
};
using MainWindowSidePaneFactory = std::function<std::unique_ptr<MainWindowSidePane>(MainWindow& window)>;

// The main window: the menu bar above the canvas, and over the canvas's top the bar that shows the
// feedback centre's notifications. The system does not restore it between runs; the document
// controller reopens the last map itself.
class MainWindow : public Gtk::ApplicationWindow, public EditorDocumentWindow, public Responder {
public:
    MainWindow(MainMenu& menu, CommandRouter& router);
    ~MainWindow() override;

    // Shows the map on the canvas, centred as a loaded document; nullptr shows the empty state.
    void showMindMap(std::shared_ptr<MindMap> mindMap);
    // The map editor of the canvas, the first link of the responder chain.
    MindMapEditor& editor() { return _canvas.editorView(); }
    // The scheduler of the window's main loop, the document's timers run on it.
    MainLoopScheduler& scheduler() { return _scheduler; }
    // Called when the user closes the window, before it goes.
    void setCloseHandler(std::function<void()> handler) { _close = std::move(handler); }
    // Where the document's errors go; without a handler the window shows them itself.
    void setErrorHandler(std::function<void(const Error&)> handler) { _errorHandler = std::move(handler); }
    EditorNotificationPresenter& notificationPresenter() { return *_notificationPresenter; }
    EditorNotificationBar& notificationBar() { return _notificationBar; }

    // EditorDocumentWindow
    void setWindowTitle(const std::string& title) override;
    bool canAutoSave() override;
    void presentError(const Error& error) override;

    // The pane each new window gets; none when nothing is installed.
    static void setSidePaneFactory(MainWindowSidePaneFactory factory);
    MainWindowSidePane* sidePane() const { return _sidePane.get(); }
    // The keyboard focus is in the side pane (its list or its search field).
    bool sidePaneHasFocus();

    // Called once, after the first frame has been drawn.
    void setFirstFrameHandler(std::function<void()> handler) { _firstFrame = std::move(handler); }

private:
    bool on_key_press_event(GdkEventKey* event) override;
    bool on_delete_event(GdkEventAny* event) override;

    Gtk::Box _box{Gtk::ORIENTATION_VERTICAL};
    Gtk::Paned _paned{Gtk::ORIENTATION_HORIZONTAL};
    std::unique_ptr<MainWindowSidePane> _sidePane;
    std::unique_ptr<MenuBarAdapter> _menuBar;
    MainLoopScheduler _scheduler;
    Gtk::Overlay _canvasOverlay;
    MindMapEditorCanvas _canvas;
    EditorNotificationBar _notificationBar;
    std::unique_ptr<EditorNotificationPresenter> _notificationPresenter;
    std::function<void()> _firstFrame;
    std::function<void()> _close;
    std::function<void(const Error&)> _errorHandler;
    sigc::connection _centreOnAllocation;
};
