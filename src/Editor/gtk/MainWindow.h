#pragma once

#include "Editor/CommandRouter.h"
#include "Editor/EditorDocument.h"
#include "Editor/EditorNotificationPresenter.h"
#include "Editor/EditorWindowController.h"
#include "Editor/FeedbackController.h"
#include "Editor/MainMenu.h"
#include "Editor/WindowFrameDefaults.h"
#include "Editor/gtk/EditorNotificationBar.h"
#include "Editor/gtk/EditorOverlays.h"
#include "Editor/gtk/ElementActionBars.h"
#include "editor-view/gtk/MindMapEditorCanvas.h"
#include "platform/NotificationCenter.h"
#include "platform/Responder.h"
#include "platform/gtk/MainLoopScheduler.h"

#include <gtkmm/applicationwindow.h>
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/image.h>
#include <gtkmm/label.h>
#include <gtkmm/menu.h>
#include <gtkmm/overlay.h>
#include <gtkmm/paned.h>
#include <gtkmm/revealer.h>
#include <gtkmm/spinner.h>
#include <gtkmm/stack.h>
#include <gtkmm/togglebutton.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class CommandRouter;
class FeedbackLogView;
class MainWindow;
class MainWindowActions;
class MenuBarAdapter;
class MindMap;
class SegmentedControlItem;
class SegmentedControlWidget;
class ToolbarSegment;

// What a library above the shell shows in the explorer side bar (the local explorer, later the
// cloud explorers and their set-up pane). The window owns it; the library installs the factory at
// start-up.
class MainWindowSidePane {
public:
    virtual ~MainWindowSidePane() = default;
    virtual Gtk::Widget& widget() = 0;
    // The pane's commands, after the window's in the responder chain; first while the keyboard
    // focus is in the pane.
    virtual Responder* responder() = 0;
    // The side bar's tabs: one page and one navigation item each, in the order of the items.
    // A pane without tabs shows widget() as the one page.
    virtual std::vector<ExplorerNavigationItem*> navigationItems() { return {}; }
    virtual Gtk::Widget* page(size_t /*index*/) { return nullptr; }
    // The responder of the tab shown.
    virtual Responder* responder(size_t /*index*/) { return responder(); }
};
using MainWindowSidePaneFactory = std::function<std::unique_ptr<MainWindowSidePane>(MainWindow& window)>;

// The main window: menu bar and toolbar above a three-way split of the explorer side (explorer tabs
// over the activity pane), the editor (the canvas under the style toolbar, with its overlays) and
// the inspector. The plain controller decides; this window lays out and reports sizes.
class MainWindow : public Gtk::ApplicationWindow, public EditorDocumentWindow, private EditorWindowView {
public:
    // Shown at once unless `showNow` is false: a caller that adds its toolbars first presents the
    // window itself, and everything is styled, laid out and mapped once.
    MainWindow(MainMenu& menu, CommandRouter& router, bool showNow = true);
    ~MainWindow() override;

    // The window's controller: the "window" link of the responder chain.
    EditorWindowController& controller() { return _controller; }

    // Shows the map on the canvas, centred as a loaded document; nullptr shows the empty state.
    void showMindMap(std::shared_ptr<MindMap> mindMap);
    // The map editor of the canvas, the first link of the responder chain.
    MindMapEditor& editor() { return _canvas.editorView(); }
    MindMapEditorCanvas& canvas() { return _canvas; }
    ElementActionBars& actionBars() { return *_actionBars; }
    // The scheduler of the window's main loop, the document's timers run on it.
    MainLoopScheduler& scheduler() { return _scheduler; }
    // Writes the frame and the panes' states; the window closes or the application quits.
    void saveWindowState();
    // Called when the user closes the window, before it goes; false keeps the window.
    void setCloseHandler(std::function<bool()> handler) { _close = std::move(handler); }
    // Where the document's errors go; without a handler the window shows them itself.
    void setErrorHandler(std::function<void(const Error&)> handler) { _errorHandler = std::move(handler); }
    EditorNotificationPresenter& notificationPresenter() { return *_notificationPresenter; }
    EditorNotificationBar& notificationBar() { return _notificationBar; }
    // The find bar and the cross-link bar over the canvas.
    EditorOverlays& editorOverlays() { return *_editorOverlays; }
    FeedbackController& feedbackController() { return _feedbackController; }

    // The main toolbar, under the menu bar.
    void setMainToolbar(Gtk::Widget& toolbar);
    // The style toolbar along the canvas's top edge; it slides away when hidden.
    void setStyleToolbar(Gtk::Widget& strip);
    // A bar or box over the canvas, placed by its alignment.
    void addEditorOverlay(Gtk::Widget& widget, Gtk::Align halign, Gtk::Align valign);
    // Runs with the others in the window's one validation pass. The pass runs when the main loop is
    // idle after anything that may change what is enabled (input, the selection, the keyboard
    // focus, the map and its undo steps, a menu or popover closing, a pane's own news), at most
    // once a turn of the loop however many changes came: the bars never show an earlier moment.
    void addValidator(std::function<void()> validate);
    void scheduleValidation();
    // How many passes have run, for whoever checks that changes are coalesced.
    uint64_t validationPasses() const { return _validationPasses; }
    // The inspector's pages: outliner 0, note 1, icons 2.
    void setInspectorPage(int index, Gtk::Widget& page);
    // The styling, zoom, auto-focus and full-screen actions registered on the controller.
    MainWindowActions& windowActions() { return *_windowActions; }
    // Presenting puts the explorer side and the toolbar out of the way, whatever the user's own
    // choice for them, which stays as it was for afterwards.
    void setLeftPaneHiddenForPresentation(bool hidden);
    void setMainToolbarHidden(bool hidden);

    // EditorDocumentWindow
    void setWindowTitle(const std::string& title) override;
    void updateWindows() override { scheduleValidation(); }
    void mindMapWillChange() override { _mapChanging = true; }
    void commitCellEdits() override;
    bool canAutoSave() override;
    void presentError(const Error& error) override;
    void setIsRecyclerMap(bool isRecyclerMap) override { _canvas.editorView().setIsRecyclerMap(isRecyclerMap); }

    // The pane each new window gets; none when nothing is installed.
    static void setSidePaneFactory(MainWindowSidePaneFactory factory);
    // The inspector page each new window gets at the index (outliner 0, note 1, icons 2), made by
    // the library that owns it; the window keeps the widget for its life.
    using InspectorPageFactory = std::function<std::unique_ptr<Gtk::Widget>(MainWindow& window)>;
    static void setInspectorPageFactory(int index, InspectorPageFactory factory);
    MainWindowSidePane* sidePane() const { return _sidePane.get(); }
    // The responder of the explorer tab shown.
    Responder* explorerResponder() const;
    // The keyboard focus is in the side pane (its list or its search field).
    bool sidePaneHasFocus();
    // The window's links of the responder chain as the keyboard focus stands: the side pane's
    // explorer first while it has the focus (the canvas's editor takes no keys then), else the
    // focused inspector page or the text edited in place, then the editor and the window.
    MainWindowResponders responders();
    // The commands of an inspector page (the outliner's edit and fold commands) answer first while
    // the keyboard focus is inside that page.
    void setInspectorResponder(int index, Responder* responder);
    Responder* focusedInspectorResponder();

    // Runs `handler` once the canvas's first frame has been handed to the display (at once, from
    // the main loop, when it already was): work the user does not see first waits for it.
    void afterFirstFrame(std::function<void()> handler);

    // While one lives, the user's input waits, to be carried out in its order once the last is
    // gone: a close of the main window, keys, clicks and scrolls. Held around work that runs the
    // main loop for a moment of its own, where a close, a key or a click in the side bar would
    // take the document, or the map the work is for, from under it.
    class InputHold {
    public:
        InputHold();
        ~InputHold();
        InputHold(const InputHold&) = delete;
        InputHold& operator=(const InputHold&) = delete;
    };

    // While one lives, what would take the open map from under work that runs dialogs of its own
    // (a print, whose pages are made of the map's topics) waits as under an InputHold: a close of
    // a main window, and the windows' keys, clicks and scrolls. The dialogs take their input
    // meanwhile, and a main window beneath one drops its own as ever.
    class DocumentHold {
    public:
        DocumentHold();
        ~DocumentHold();
        DocumentHold(const DocumentHold&) = delete;
        DocumentHold& operator=(const DocumentHold&) = delete;
    };

private:
    void scheduleAfterFirstFrame();
    // A close asked for while a dialog held the input or a hold lived is carried out once neither
    // is so: GTK itself drops a close that comes while another window holds the input.
    void closeWhenFree();
    // Once no hold lives, the held input goes back to GDK and held closes are carried out.
    static void releaseHeldInput();
    static void dispatchEvent(GdkEvent* event, gpointer);
    void rememberNormalFrame();
    bool on_key_press_event(GdkEventKey* event) override;
    bool on_delete_event(GdkEventAny* event) override;
    bool on_event(GdkEvent* event) override;
    void on_set_focus(Gtk::Widget* focus) override;
    void on_grab_notify(bool wasGrabbed) override;
    void on_size_allocate(Gtk::Allocation& allocation) override;

    void buildLeftPane();
    void buildEditorPane();
    void buildInspector();
    void buildActivityPane();
    void buildActivityMenu();
    void installSidePane();
    void installInspectorPages();
    void makeInspectorPage(int index);
    void makeRemainingInspectorPages();
    void restoreFrame();
    void saveFrame();
    void runValidators();
    void stopValidatingInFrame();
    void editorInterfaceChanged(MindMapEditor::InterfaceChange change);
    void resized();
    void updateNavigatorVisibility();
    void showFeedbackTable(bool shown);
    static int handleSize(const Gtk::Paned& paned);

    // EditorWindowView
    void setActivityCaption(const std::string& text) override;
    void setHideExplorerToolTip(const std::string& text) override;
    void setHideStyleToolsToolTip(const std::string& text) override;
    void setHideInspectorToolTip(const std::string& text) override;
    void setInspectorSegmentToolTip(int segment, const std::string& text) override;
    double windowWidth() const override;
    double leftPaneWidth() const override;
    double leftPaneHeight() const override;
    double activityPaneHeight() const override;
    double activityCaptionHeight() const override;
    double inspectorWidth() const override;
    void setSideBarDivider(double position) override;
    void setInspectorDivider(double position) override;
    void setActivityDivider(double position) override;
    bool isExplorerCollapsed() const override;
    void setExplorerCollapsed(bool collapsed) override;
    bool isInspectorCollapsed() const override;
    void setInspectorCollapsed(bool collapsed) override;
    void setHideExplorerButtonOn(bool on) override;
    void setHideInspectorButtonOn(bool on) override;
    void setFeedbackDisclosure(bool on, const std::string& toolTip) override;
    void selectInspectorTab(int index) override;
    void setExplorerSegments(const std::vector<ExplorerSegment>& segments, int selected) override;
    void selectExplorerTab(int index) override;
    void setProgressVisible(bool visible) override;
    void setProgressTitle(const std::string& title) override;
    void setStyleToolbarVisible(bool visible, bool animated) override;
    void setNeedsValidation() override { scheduleValidation(); }

    EditorWindowController _controller;
    Gtk::Box _box{Gtk::ORIENTATION_VERTICAL};
    Gtk::Box _toolbarSlot{Gtk::ORIENTATION_VERTICAL};
    // explorer side | (editor | inspector)
    Gtk::Paned _split{Gtk::ORIENTATION_HORIZONTAL};
    Gtk::Paned _editorSplit{Gtk::ORIENTATION_HORIZONTAL};
    // Holds the left pane, so that presenting hides it without closing the explorer.
    Gtk::Box _navigator{Gtk::ORIENTATION_VERTICAL};
    bool _leftPaneHiddenForPresentation = false;
    // explorer over activity pane
    Gtk::Paned _leftPane{Gtk::ORIENTATION_VERTICAL};
    Gtk::Box _explorerContainer{Gtk::ORIENTATION_VERTICAL};
    Gtk::Box _explorerStrip{Gtk::ORIENTATION_HORIZONTAL};
    Gtk::Stack _explorerTabs;
    std::unique_ptr<MainWindowSidePane> _sidePane;
    std::vector<std::unique_ptr<Gtk::Widget>> _inspectorPages;
    // The factories of the pages not made yet, as installed when the window was made.
    std::map<int, InspectorPageFactory> _unmadeInspectorPages;
    sigc::connection _inspectorPagesIdle;
    std::map<int, Responder*> _inspectorResponders;
    std::vector<ExplorerSegment> _explorerSegmentList;
    std::unique_ptr<Responder> _segmentTarget;
    std::unique_ptr<SegmentedControlItem> _explorerSegmentsItem;
    std::unique_ptr<SegmentedControlWidget> _explorerSegments;
    int _selectedExplorerSegment = 0;

    Gtk::Box _activityPane{Gtk::ORIENTATION_VERTICAL};
    Gtk::Box _activityCaption{Gtk::ORIENTATION_HORIZONTAL};
    Gtk::Label _activityCaptionLabel;
    Gtk::Spinner _progressIndicator;
    Gtk::Label _progressLabel;
    Gtk::Image _feedbackDisclosurePicture;
    Gtk::Button _feedbackDisclosureButton;
    FeedbackController _feedbackController;
    std::unique_ptr<FeedbackLogView> _feedbackTable;
    Gtk::Menu _activityMenu;

    Gtk::Box _editorContainer{Gtk::ORIENTATION_VERTICAL};
    Gtk::Revealer _styleToolbarRevealer;
    Gtk::Box _editorBar{Gtk::ORIENTATION_HORIZONTAL};
    Gtk::Image _hideExplorerPicture;
    Gtk::Image _hideStyleToolsPicture;
    Gtk::Image _hideInspectorPicture;
    Gtk::ToggleButton _hideExplorerButton;
    Gtk::ToggleButton _hideStyleToolsButton;
    Gtk::ToggleButton _hideInspectorButton;

    Gtk::Box _inspectorContainer{Gtk::ORIENTATION_VERTICAL};
    Gtk::Box _inspectorStrip{Gtk::ORIENTATION_HORIZONTAL};
    std::vector<std::shared_ptr<ToolbarSegment>> _inspectorSegmentList;
    std::unique_ptr<Responder> _inspectorTarget;
    std::unique_ptr<SegmentedControlItem> _inspectorSegmentsItem;
    std::unique_ptr<SegmentedControlWidget> _inspectorSegments;
    Gtk::Stack _inspectorTabs;
    std::vector<std::unique_ptr<Gtk::Widget>> _placeholderPages;

    std::unique_ptr<MenuBarAdapter> _menuBar;
    MainLoopScheduler _scheduler;
    Gtk::Overlay _canvasOverlay;
    MindMapEditorCanvas _canvas;
    EditorNotificationBar _notificationBar;
    std::unique_ptr<EditorNotificationPresenter> _notificationPresenter;
    std::unique_ptr<EditorOverlays> _editorOverlays;
    // The bars of the selected element; they go before the canvas they show over.
    std::unique_ptr<ElementActionBars> _actionBars;
    std::vector<std::function<void()>> _validators;
    bool _validationPending = false;
    // Raised while the pass runs: what a validator changes asks for no pass of its own.
    int _validating = 0;
    uint64_t _validationPasses = 0;
    // The map was shown, emptied or read anew since the last pass: the selection it comes with is
    // the map's, not one the user just made.
    bool _mapChanging = false;
    bool _closing = false;
    bool _resizePending = false;
    bool _updatingButtons = false;
    bool _dividersMoved = false;
    bool _loading = false;
    std::vector<ObservationToken> _observations;
    std::vector<std::function<void()>> _afterFirstFrame;
    sigc::connection _afterFirstFrameIdle;
    bool _framePainted = false;
    std::function<bool()> _close;
    std::function<void(const Error&)> _errorHandler;
    sigc::connection _centreOnAllocation;
    sigc::connection _validationIdle;
    // The frame clock whose next frame validates, while a pass is pending.
    GdkFrameClock* _validationFrameClock = nullptr;
    gulong _validationFrameHandler = 0;
    sigc::connection _resizeIdle;
    bool _closePending = false;
    sigc::connection _pendingCloseIdle;
    // The last frame the user gave the window, to be saved.
    WindowFrameDefaults::UserFrameTracker _userFrame;
    // Its actions reach the canvas and the controller: it goes first.
    std::unique_ptr<MainWindowActions> _windowActions;
};
