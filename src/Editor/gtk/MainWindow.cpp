#include "Editor/gtk/MainWindow.h"

#include "Editor/CommandRouter.h"
#include "Editor/ErrorAlert.h"
#include "Editor/SegmentedControlItem.h"
#include "Editor/ToolbarSegment.h"
#include "Editor/WindowFrameDefaults.h"
#include "Editor/gtk/FeedbackLogView.h"
#include "Editor/gtk/MainWindowActions.h"
#include "Editor/gtk/MenuBarAdapter.h"
#include "Editor/gtk/MonitorWorkAreas.h"
#include "Editor/gtk/SegmentedControlWidget.h"
#include "MindMaps/MindMap.h"
#include "platform/AlertPanel.h"
#include "platform/Clock.h"
#include "platform/Localizer.h"
#include "platform/Menu.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/KeptCellEdits.h"

#include <atkmm/object.h>
#include <glibmm/main.h>
#include <glibmm/miscutils.h>
#include <gtkmm/entry.h>
#include <gtkmm/image.h>
#include <gtkmm/menuitem.h>
#include <gtkmm/separatormenuitem.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>

namespace {

// What a first start gives the side bar, the inspector and the open activity pane before the
// controller closes it.
constexpr int SidePaneWidth = 260;
constexpr int InspectorWidth = 240;
constexpr int FirstActivityHeight = 150;
// What a closed activity pane keeps below its caption.
constexpr int ClosedActivityMargin = 3;
constexpr const char* ExplorerPagePrefix = "explorer";
constexpr const char* InspectorPagePrefix = "inspector";
// Pane positions beyond this are no window's: a hand-edited value must not overflow an int.
constexpr double LargestPosition = 100000;

MainWindowSidePaneFactory& sidePaneFactory()
{
    static MainWindowSidePaneFactory factory;
    return factory;
}

std::map<int, MainWindow::InspectorPageFactory>& inspectorPageFactories()
{
    static std::map<int, MainWindow::InspectorPageFactory> factories;
    return factories;
}

int position(double value)
{
    return static_cast<int>(std::clamp(value, 0.0, LargestPosition));
}

// Forwards the clicks of a strip's segments to a function.
class SegmentTarget : public Responder {
public:
    SegmentTarget(const std::string& action, ActionHandler handler) { addAction(action, std::move(handler)); }
};

// The side bar's one tab when the pane brings no list of tabs: the local explorer.
class SinglePaneItem : public ExplorerNavigationItem {
public:
    std::string iconName() const override { return "tw-icon-16x16"; }
    std::string title() const override { return localized("provider_local_title"); }
};

bool isWayland(const Glib::RefPtr<Gdk::Display>& display)
{
    return display && std::strstr(G_OBJECT_TYPE_NAME(display->gobj()), "Wayland") != nullptr;
}

int& inputHolds()
{
    static int holds = 0;
    return holds;
}

int& documentHolds()
{
    static int holds = 0;
    return holds;
}

bool anyHolds()
{
    return inputHolds() > 0 || documentHolds() > 0;
}

// What the user did while an InputHold lived, in order.
std::vector<GdkEvent*>& heldInput()
{
    static std::vector<GdkEvent*> events;
    return events;
}

// Input that acts: pointer motion and crossings only move the pointer, and focus changes follow
// the window manager.
bool isActingInput(GdkEventType type)
{
    switch (type) {
    case GDK_KEY_PRESS:
    case GDK_KEY_RELEASE:
    case GDK_BUTTON_PRESS:
    case GDK_2BUTTON_PRESS:
    case GDK_3BUTTON_PRESS:
    case GDK_BUTTON_RELEASE:
    case GDK_SCROLL:
    case GDK_TOUCH_BEGIN:
    case GDK_TOUCH_UPDATE:
    case GDK_TOUCH_END:
    case GDK_TOUCH_CANCEL:
    case GDK_TOUCHPAD_SWIPE:
    case GDK_TOUCHPAD_PINCH:
        return true;
    default:
        return false;
    }
}

std::vector<MainWindow*>& mainWindows()
{
    static std::vector<MainWindow*> windows;
    return windows;
}

// Another window (a dialog) holds the input of the window's group.
bool inputHeldElsewhere(Gtk::Window& window)
{
    GtkWidget* grab = gtk_window_group_get_current_grab(gtk_window_get_group(window.gobj()));
    return grab && gtk_widget_get_toplevel(grab) != GTK_WIDGET(window.gobj());
}

// While a dialog holds a main window's input, GTK drops what reaches that window, as the user
// expects of a window beneath a dialog: only input the window would act on is held.
bool reachesFreeMainWindow(const GdkEvent* event)
{
    if (!event->any.window) return false;
    GdkWindow* toplevel = gdk_window_get_toplevel(event->any.window);
    for (MainWindow* window : mainWindows())
        if (window->get_window() && window->get_window()->gobj() == toplevel) return !inputHeldElsewhere(*window);
    return false;
}

constexpr int DefaultWidth = 1200;
constexpr int DefaultHeight = 760;

// A button that shows only a themed picture holds it as its one child. The button's own picture
// slot would wrap it in two more widgets, each styled and laid out with the window, and look the
// spacing beside a label up in the theme, all for no label.
void showPictureAlone(Gtk::Button& button, Gtk::Image& picture, const char* iconName)
{
    picture.set_from_icon_name(iconName, Gtk::ICON_SIZE_MENU);
    picture.show();
    button.add(picture);
    button.get_style_context()->add_class("image-button");
}

// Such a button's tool tip is also its name to screen readers, which read no picture.
void describePictureButton(Gtk::Button& button, const std::string& text)
{
    button.set_tooltip_text(text);
    button.get_accessible()->set_name(text);
}

void markSelected(SegmentedControlWidget* widget, size_t segments, int selected)
{
    if (!widget) return;
    for (size_t index = 0; index < segments; ++index) {
        Gtk::Button& button = widget->button(index);
        if (int(index) == selected) button.set_state_flags(Gtk::STATE_FLAG_CHECKED, false);
        else button.unset_state_flags(Gtk::STATE_FLAG_CHECKED);
    }
}

} // namespace

void MainWindow::setSidePaneFactory(MainWindowSidePaneFactory factory)
{
    sidePaneFactory() = std::move(factory);
}

bool MainWindow::sidePaneHasFocus()
{
    Gtk::Widget* focus = get_focus();
    return _sidePane && focus && focus->is_ancestor(_explorerContainer);
}

void MainWindow::setInspectorResponder(int index, Responder* responder)
{
    if (responder) _inspectorResponders[index] = responder;
    else _inspectorResponders.erase(index);
}

Responder* MainWindow::focusedInspectorResponder()
{
    Gtk::Widget* focus = get_focus();
    if (!focus || !focus->is_ancestor(_inspectorContainer)) return nullptr;
    const auto found = _inspectorResponders.find(_controller.selectedInspectorTab());
    return found == _inspectorResponders.end() ? nullptr : found->second;
}

MainWindowResponders MainWindow::responders()
{
    MainWindowResponders links;
    Responder* explorer = explorerResponder();
    if (explorer && sidePaneHasFocus()) {
        links.focusedView = explorer;
    } else if (Responder* inspector = focusedInspectorResponder()) {
        links.focusedView = inspector;
        links.editor = &editor();
    } else {
        links.focusedView = editor().focusedResponder();
        links.editor = &editor();
    }
    links.window = &_controller;
    links.explorer = explorer;
    return links;
}

Responder* MainWindow::explorerResponder() const
{
    if (!_sidePane) return nullptr;
    const int tab = _controller.selectedExplorerTab();
    return tab >= 0 ? _sidePane->responder(size_t(tab)) : _sidePane->responder();
}

MainWindow::MainWindow(MainMenu& menu, CommandRouter& router, bool showNow)
    : _controller(UserDefaults::standard()),
      _scheduler(MonotonicClock::shared()),
      _canvas(&_scheduler, MonotonicClock::shared())
{
    // Wide enough for the explorer, the inspector and the style toolbar over the canvas between
    // them; a saved frame replaces it.
    restoreFrame();
    mainWindows().push_back(this);
    static const bool dispatching = (gdk_event_handler_set(&MainWindow::dispatchEvent, nullptr, nullptr), true);
    (void)dispatching;
    _controller.setView(this);
    _controller.setEditor(&_canvas.editorView());
    _controller.setApplicationName(Glib::get_application_name());
    _menuBar = std::make_unique<MenuBarAdapter>(menu.bar, router);
    // The bar's titles are in the first frame; its menus are made once the frame is painted, for
    // the map opened by then.
    _menuBar->holdRefills();
    afterFirstFrame([this] { _menuBar->releaseRefills(); });
    // The canvas's context menu copies these menus and sends its actions the menu bar's way.
    EditorMenuSource menus;
    menus.editMenu = [&menu] { return static_cast<const Menu*>(menu.editMenu); };
    menus.styleMenu = [&menu] { return static_cast<const Menu*>(menu.styleMenu); };
    menus.expansionMenu = [&menu] { return static_cast<const Menu*>(menu.expansionMenu); };
    menus.zoomMenu = [&menu] { return static_cast<const Menu*>(menu.zoomMenu); };
    menus.checkboxMenu = [&menu]() -> Menu* {
        for (const auto& item : menu.editMenu->items())
            if (item->action() == "setupCheckboxes:") return item->submenu();
        return nullptr;
    };
    menus.validateMenu = [&router](Menu& shown) { router.validateMenu(shown); };
    menus.sendAction = [&router](MenuItem& item) { router.sendAction(item.action(), nullptr, &item); };
    _canvas.editorView().setMenuSource(std::move(menus));
    _box.pack_start(_menuBar->menuBar(), Gtk::PACK_SHRINK);
    _box.pack_start(_toolbarSlot, Gtk::PACK_SHRINK);
    _canvas.signal_draw().connect(
        [this](const Cairo::RefPtr<Cairo::Context>&) {
            // Pages out of sight wait until the window is on screen.
            if (!_unmadeInspectorPages.empty() && !_inspectorPagesIdle.connected())
                _inspectorPagesIdle = Glib::signal_idle().connect(
                    [this] {
                        makeRemainingInspectorPages();
                        return false;
                    },
                    Glib::PRIORITY_LOW);
            if (!_framePainted) {
                // The frame counts as painted once GTK has handed it to the display.
                _framePainted = true;
                scheduleAfterFirstFrame();
            }
            return false;
        },
        false);
    _notificationPresenter =
        std::make_unique<EditorNotificationPresenter>(FeedbackCenter::feedbackCenter(), _scheduler, _notificationBar);
    _notificationBar.setDismissHandler([this] { _notificationPresenter->dismiss(); });
    _controller.setNotificationDelegate(_notificationPresenter.get());

    buildEditorPane();
    buildInspector();
    buildLeftPane();
    _navigator.pack_start(_leftPane, Gtk::PACK_EXPAND_WIDGET);
    _split.pack1(_navigator, false, false);
    // A closed explorer leaves no empty strip and no divider behind.
    _leftPane.property_visible().signal_changed().connect([this] { updateNavigatorVisibility(); });
    _split.pack2(_editorSplit, true, false);
    _editorSplit.pack1(_editorContainer, true, false);
    _editorSplit.pack2(_inspectorContainer, false, false);
    _split.set_position(SidePaneWidth);
    _box.pack_start(_split, Gtk::PACK_EXPAND_WIDGET);
    add(_box);
    installSidePane();
    installInspectorPages();

    EditorWindowController::SetupHooks hooks;
    hooks.setupActivityMenu = [this] { buildActivityMenu(); };
    hooks.becomeFeedbackDelegate = [this] { FeedbackCenter::feedbackCenter().setDelegate(&_controller); };
    hooks.registerObservers = [this] {
        NotificationCenter& center = NotificationCenter::defaultCenter();
        _observations.push_back(center.addObserver(AfterChangingMindMapNotification, nullptr,
                                                   [this](const Notification&) { scheduleValidation(); }));
        _observations.push_back(center.addObserver(MindMapEditor::UserScaleChangedNotification, &editor(),
                                                   [this](const Notification&) { scheduleValidation(); }));
        _observations.push_back(
            center.addObserver(MindMap::InvokeIconPickerNotification, nullptr, [this](const Notification&) {
                _controller.performAction("showIconPickerPanel:", nullptr);
            }));
    };
    _controller.setSetupHooks(std::move(hooks));
    // Shown last: a window lays itself out as it shows, and its first layout sets the panes up.
    if (showNow) show_all();
    else _box.show_all();
    _progressIndicator.hide();
    _progressLabel.hide();
    if (!_sidePane) _leftPane.hide();
    for (Gtk::Widget* pane : {static_cast<Gtk::Widget*>(&_leftPane), static_cast<Gtk::Widget*>(&_activityPane),
                              static_cast<Gtk::Widget*>(&_inspectorContainer)})
        pane->signal_size_allocate().connect([this](Gtk::Allocation&) { resized(); }, true);

    _canvas.editorView().setInterfaceChangeHandler(
        [this](MindMapEditor::InterfaceChange change) { editorInterfaceChanged(change); });
    // Coming back from another window (a dialog, another application) may find another state.
    property_is_active().signal_changed().connect([this] { scheduleValidation(); });
    // Keys go to the map until the user clicks elsewhere.
    _canvas.grab_focus();
    // The window's own commands, after the editor's in the responder chain.
    _controller.addWindowAction("performMiniaturize:", [this](const ActionSender*) { iconify(); });
    _controller.addWindowAction("performZoom:", [this](const ActionSender*) {
        if (is_maximized()) unmaximize();
        else maximize();
    });
    _windowActions = std::make_unique<MainWindowActions>(*this);
    // The find bar and the cross-link bar come on first use, over the canvas's top corners.
    _editorOverlays =
        std::make_unique<EditorOverlays>(editor(), [this](Gtk::Widget& widget, Gtk::Align halign, Gtk::Align valign) {
            addEditorOverlay(widget, halign, valign);
        });
    _actionBars = std::make_unique<ElementActionBars>(editor(), _canvas.popoverPresenter());
    _controller.addWindowAction("showMapSearchbar:",
                                [this](const ActionSender*) { _editorOverlays->showMapSearchbar(); });
    _controller.addWindowAction("toggleMapSearchbar:",
                                [this](const ActionSender*) { _editorOverlays->toggleMapSearchbar(); });
}

MainWindow::~MainWindow()
{
    // Taking the widgets down moves the focus and lets grabs go, which would ask for a pass.
    _closing = true;
    std::erase(mainWindows(), this);
    _pendingCloseIdle.disconnect();
    _canvas.editorView().setInterfaceChangeHandler(nullptr);
    _validationIdle.disconnect();
    stopValidatingInFrame();
    _resizeIdle.disconnect();
    _inspectorPagesIdle.disconnect();
    _afterFirstFrameIdle.disconnect();
    // The inspector's pages listen to the canvas's editor: they go while it is still there, and
    // it keeps no pointer to them.
    _inspectorResponders.clear();
    _inspectorPages.clear();
    if (FeedbackCenter::feedbackCenter().delegate() == &_controller)
        FeedbackCenter::feedbackCenter().setDelegate(nullptr);
    _controller.setView(nullptr);
    // The pane's items go with it, before the controller.
    _controller.setExplorerNavigationItems({});
}

void MainWindow::afterFirstFrame(std::function<void()> handler)
{
    if (!handler) return;
    _afterFirstFrame.push_back(std::move(handler));
    if (_framePainted) scheduleAfterFirstFrame();
}

void MainWindow::scheduleAfterFirstFrame()
{
    // One turn of the loop runs what waits, in order; it goes with the window.
    if (_afterFirstFrameIdle.connected() || _afterFirstFrame.empty()) return;
    _afterFirstFrameIdle = Glib::signal_idle().connect([this] {
        // What a handler asks for in turn gets a turn of its own.
        std::vector<std::function<void()>> handlers = std::exchange(_afterFirstFrame, {});
        _afterFirstFrameIdle.disconnect();
        for (std::function<void()>& handler : handlers) handler();
        return false;
    });
}

void MainWindow::setInspectorPageFactory(int index, InspectorPageFactory factory)
{
    if (factory) inspectorPageFactories()[index] = std::move(factory);
}

void MainWindow::installInspectorPages()
{
    // Only the page on screen is made now: the others cost the start-up time without being seen.
    _unmadeInspectorPages = inspectorPageFactories();
    makeInspectorPage(0);
}

void MainWindow::makeInspectorPage(int index)
{
    const auto found = _unmadeInspectorPages.find(index);
    if (found == _unmadeInspectorPages.end()) return;
    // Out of the list first: a factory that selects its own tab must not come back here.
    const InspectorPageFactory factory = std::move(found->second);
    _unmadeInspectorPages.erase(found);
    std::unique_ptr<Gtk::Widget> page = factory(*this);
    if (!page) return;
    setInspectorPage(index, *page);
    _inspectorPages.push_back(std::move(page));
}

void MainWindow::makeRemainingInspectorPages()
{
    while (!_unmadeInspectorPages.empty()) makeInspectorPage(_unmadeInspectorPages.begin()->first);
}

void MainWindow::installSidePane()
{
    if (sidePaneFactory()) _sidePane = sidePaneFactory()(*this);
    // Without a pane, nothing to explore: the editor takes the window's left side.
    if (!_sidePane) return;
    std::vector<ExplorerNavigationItem*> items = _sidePane->navigationItems();
    if (items.empty()) {
        static SinglePaneItem single;
        items.push_back(&single);
        _explorerTabs.add(_sidePane->widget(), std::string(ExplorerPagePrefix) + "0");
    } else {
        for (size_t index = 0; index < items.size(); ++index) {
            Gtk::Widget* page = _sidePane->page(index);
            if (page) _explorerTabs.add(*page, ExplorerPagePrefix + std::to_string(index));
        }
    }
    _explorerTabs.show_all();
    _controller.setExplorerNavigationItems(std::move(items));
    _controller.explorerSegmentsChanged(0);
}

void MainWindow::buildLeftPane()
{
    _explorerStrip.set_border_width(5);
    _explorerStrip.set_name("explorerTabsToolbar");
    _explorerContainer.pack_start(_explorerStrip, Gtk::PACK_SHRINK);
    _explorerTabs.set_transition_type(Gtk::STACK_TRANSITION_TYPE_NONE);
    _explorerContainer.pack_start(_explorerTabs, Gtk::PACK_EXPAND_WIDGET);
    _segmentTarget = std::make_unique<SegmentTarget>("explorerSegmentsChanged:", [this](const ActionSender* sender) {
        if (!_explorerSegmentsItem) return;
        const auto& segments = _explorerSegmentsItem->segments();
        for (size_t index = 0; index < segments.size(); ++index)
            if (segments[index].get() == sender && index < _explorerSegmentList.size())
                _controller.explorerSegmentsChanged(_explorerSegmentList[index].tag);
    });
    buildActivityPane();
    _leftPane.pack1(_explorerContainer, true, false);
    _leftPane.pack2(_activityPane, false, true);
}

void MainWindow::buildActivityPane()
{
    _activityCaption.set_name("activityCaption");
    _activityCaption.set_spacing(6);
    _activityCaption.set_border_width(3);
    _activityCaptionLabel.set_xalign(0);
    _activityCaptionLabel.set_ellipsize(Pango::ELLIPSIZE_END);
    _progressLabel.set_xalign(0);
    _progressLabel.set_ellipsize(Pango::ELLIPSIZE_END);
    _activityCaption.pack_start(_activityCaptionLabel, Gtk::PACK_EXPAND_WIDGET);
    _activityCaption.pack_start(_progressIndicator, Gtk::PACK_SHRINK);
    _activityCaption.pack_start(_progressLabel, Gtk::PACK_EXPAND_WIDGET);
    _feedbackDisclosureButton.set_relief(Gtk::RELIEF_NONE);
    showPictureAlone(_feedbackDisclosureButton, _feedbackDisclosurePicture, "pan-up-symbolic");
    _feedbackDisclosureButton.signal_clicked().connect([this] { _controller.feedbackDisclosureClicked(); });
    _activityCaption.pack_end(_feedbackDisclosureButton, Gtk::PACK_SHRINK);
    _activityPane.pack_start(_activityCaption, Gtk::PACK_SHRINK);
    _feedbackTable = std::make_unique<FeedbackLogView>(_feedbackController);
    _feedbackTable->set_min_content_height(0);
    _activityPane.pack_start(*_feedbackTable, Gtk::PACK_EXPAND_WIDGET);
}

void MainWindow::buildActivityMenu()
{
    struct Entry {
        const char* title;
        const char* action;
    };
    static constexpr Entry Entries[] = {
        {"action_show_message_details", "showDetails:"}, {"topic_menu_copy", "copy:"},
        {"action_open_mind_map", "navigateToMindMap:"},  {nullptr, nullptr},
        {"editor_menu_delete", "deleteSelected:"},       {"editor_menu_delete_all", "clear:"},
    };
    for (const Entry& entry : Entries) {
        if (!entry.title) {
            _activityMenu.append(*Gtk::manage(new Gtk::SeparatorMenuItem()));
            continue;
        }
        auto* item = Gtk::manage(new Gtk::MenuItem(localized(entry.title), false));
        const std::string action = entry.action;
        item->set_name(action);
        item->signal_activate().connect([this, action] {
            if (_feedbackController.validateUserInterfaceItem(MenuItem("", action)).enabled)
                _feedbackController.performAction(action, nullptr);
        });
        _activityMenu.append(*item);
    }
    _activityMenu.show_all();
    _activityMenu.attach_to_widget(*_feedbackTable);
    _feedbackTable->treeView().signal_button_press_event().connect(
        [this](GdkEventButton* event) {
            if (event->type != GDK_BUTTON_PRESS || event->button != 3) return false;
            // The row under the pointer is the one the menu acts on.
            Gtk::TreeModel::Path path;
            if (_feedbackTable->treeView().get_path_at_pos(int(event->x), int(event->y), path))
                _feedbackTable->treeView().get_selection()->select(path);
            for (Gtk::Widget* child : _activityMenu.get_children())
                if (auto* item = dynamic_cast<Gtk::MenuItem*>(child); item && !item->get_name().empty())
                    item->set_sensitive(
                        _feedbackController.validateUserInterfaceItem(MenuItem("", item->get_name())).enabled);
            _activityMenu.popup_at_pointer(reinterpret_cast<GdkEvent*>(event));
            return true;
        },
        false);
}

void MainWindow::buildEditorPane()
{
    _styleToolbarRevealer.set_transition_type(Gtk::REVEALER_TRANSITION_TYPE_SLIDE_DOWN);
    _styleToolbarRevealer.set_reveal_child(true);
    _editorContainer.pack_start(_styleToolbarRevealer, Gtk::PACK_SHRINK);
    _canvasOverlay.add(_canvas);
    _canvasOverlay.add_overlay(_notificationBar.notificationWidget());
    _canvasOverlay.add_overlay(_notificationBar.progressWidget());
    _editorContainer.pack_start(_canvasOverlay, Gtk::PACK_EXPAND_WIDGET);

    // The toggles of the three panes, along the editor's bottom edge.
    auto setUp = [this](Gtk::ToggleButton& button, Gtk::Image& picture, const char* icon, const char* name,
                        std::function<void()> toggle) {
        showPictureAlone(button, picture, icon);
        button.set_relief(Gtk::RELIEF_NONE);
        button.set_name(name);
        button.set_active(true);
        button.signal_toggled().connect([this, toggle = std::move(toggle)] {
            if (!_updatingButtons) toggle();
        });
    };
    setUp(_hideExplorerButton, _hideExplorerPicture, "sidebar-show-symbolic", "hideExplorerButton",
          [this] { _controller.toggleMindMapExplorer(); });
    setUp(_hideStyleToolsButton, _hideStyleToolsPicture, "format-text-rich-symbolic", "hideStyleToolsButton",
          [this] { _controller.toggleStyleToolbar(); });
    setUp(_hideInspectorButton, _hideInspectorPicture, "sidebar-show-right-symbolic", "hideInspectorButton",
          [this] { _controller.toggleInspectorPanel(); });
    _editorBar.set_name("editorBar");
    _editorBar.pack_start(_hideExplorerButton, Gtk::PACK_SHRINK);
    _editorBar.pack_end(_hideInspectorButton, Gtk::PACK_SHRINK);
    _editorBar.pack_end(_hideStyleToolsButton, Gtk::PACK_SHRINK);
    _editorContainer.pack_start(_editorBar, Gtk::PACK_SHRINK);
}

void MainWindow::buildInspector()
{
    static constexpr const char* Titles[] = {"outliner_title", "note_tab_title", "icon_picker_tab_title"};
    _inspectorTarget = std::make_unique<SegmentTarget>("inspectorSegmentsChanged:", [this](const ActionSender* sender) {
        for (size_t index = 0; index < _inspectorSegmentList.size(); ++index)
            if (_inspectorSegmentList[index].get() == sender) _controller.inspectorSegmentsChanged(int(index));
    });
    for (const char* title : Titles) {
        auto segment = ToolbarSegment::toolbarSegment("", _inspectorTarget.get(), "inspectorSegmentsChanged:", "");
        segment->setLabel(localized(title));
        _inspectorSegmentList.push_back(segment);
    }
    _inspectorSegmentsItem = std::make_unique<SegmentedControlItem>(_inspectorSegmentList);
    _inspectorSegments = std::make_unique<SegmentedControlWidget>(*_inspectorSegmentsItem);
    _inspectorStrip.set_name("inspectorTabsToolbar");
    _inspectorStrip.set_border_width(5);
    _inspectorStrip.set_center_widget(*_inspectorSegments);
    _inspectorContainer.pack_start(_inspectorStrip, Gtk::PACK_SHRINK);
    for (size_t index = 0; index < std::size(Titles); ++index) {
        // Until the panels exist, a tab says what it will hold.
        auto placeholder = std::make_unique<Gtk::Label>(localized(Titles[index]));
        placeholder->set_sensitive(false);
        _inspectorTabs.add(*placeholder, InspectorPagePrefix + std::to_string(index));
        _placeholderPages.push_back(std::move(placeholder));
    }
    _inspectorContainer.set_name("inspectorContainer");
    _inspectorContainer.pack_start(_inspectorTabs, Gtk::PACK_EXPAND_WIDGET);
    markSelected(_inspectorSegments.get(), _inspectorSegmentList.size(), 0);
}

void MainWindow::setMainToolbar(Gtk::Widget& toolbar)
{
    for (Gtk::Widget* child : _toolbarSlot.get_children()) _toolbarSlot.remove(*child);
    _toolbarSlot.pack_start(toolbar, Gtk::PACK_SHRINK);
    toolbar.show();
}

void MainWindow::setLeftPaneHiddenForPresentation(bool hidden)
{
    _leftPaneHiddenForPresentation = hidden;
    updateNavigatorVisibility();
}

void MainWindow::updateNavigatorVisibility()
{
    _navigator.set_visible(_leftPane.get_visible() && !_leftPaneHiddenForPresentation);
}

void MainWindow::setMainToolbarHidden(bool hidden)
{
    _toolbarSlot.set_visible(!hidden);
}

void MainWindow::setStyleToolbar(Gtk::Widget& strip)
{
    if (_styleToolbarRevealer.get_child()) _styleToolbarRevealer.remove();
    _styleToolbarRevealer.add(strip);
    strip.show();
}

void MainWindow::addEditorOverlay(Gtk::Widget& widget, Gtk::Align halign, Gtk::Align valign)
{
    widget.set_halign(halign);
    widget.set_valign(valign);
    _canvasOverlay.add_overlay(widget);
}

void MainWindow::addValidator(std::function<void()> validate)
{
    if (validate) _validators.push_back(std::move(validate));
    scheduleValidation();
}

void MainWindow::scheduleValidation()
{
    if (_validationPending || _validating > 0 || _closing) return;
    _validationPending = true;
    _validationIdle = Glib::signal_idle().connect([this] {
        runValidators();
        return false;
    });
    // A frame that begins first, as after a key, validates before it lays out and paints: the
    // bars' answer to an edit shows in the frame that shows the edit, not in one of its own. After
    // the canvas's own work there, which may change what the bars answer.
    if (_validationFrameHandler) return;
    GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(gobj()));
    if (!clock) return;
    _validationFrameClock = GDK_FRAME_CLOCK(g_object_ref(clock));
    _validationFrameHandler =
        g_signal_connect_data(clock, "before-paint", G_CALLBACK(+[](MainWindow* self) {
                                  self->stopValidatingInFrame();
                                  if (self->_validationPending && self->_validating == 0 && !self->_closing)
                                      self->runValidators();
                              }),
                              this, nullptr, GConnectFlags(G_CONNECT_SWAPPED | G_CONNECT_AFTER));
}

void MainWindow::stopValidatingInFrame()
{
    if (!_validationFrameClock) return;
    g_signal_handler_disconnect(_validationFrameClock, _validationFrameHandler);
    g_object_unref(_validationFrameClock);
    _validationFrameClock = nullptr;
    _validationFrameHandler = 0;
}

void MainWindow::runValidators()
{
    _validationIdle.disconnect();
    stopValidatingInFrame();
    _validationPending = false;
    _mapChanging = false;
    ++_validating;
    ++_validationPasses;
    for (const std::function<void()>& validate : _validators) validate();
    if (_sidePane && _controller.selectedExplorerTab() >= 0) {
        const auto& items = _controller.explorerNavigationItems();
        items[_controller.selectedExplorerTab()]->windowDidUpdate();
    }
    if (_actionBars)
        if (EditorActionBar* bar = _actionBars->shownBar()) bar->controller().validateSegments();
    for (SegmentedControlItem* tabs : {_explorerSegmentsItem.get(), _inspectorSegmentsItem.get()})
        if (tabs) tabs->validate();
    --_validating;
}

void MainWindow::editorInterfaceChanged(MindMapEditor::InterfaceChange change)
{
    if (change == MindMapEditor::InterfaceChange::Map) _mapChanging = true;
    // A selection made on the map while the side bar has the keyboard (Select All from the menu
    // or its key, a drop) is what the user acts on next: the keyboard and the Edit menu go to the
    // canvas that shows it, not to the map listed in the side bar. A map opened from the side bar
    // comes with its own selection, and the side bar keeps the keyboard to go on browsing.
    if (change == MindMapEditor::InterfaceChange::Selection && !_mapChanging && sidePaneHasFocus())
        _canvas.grab_focus();
    scheduleValidation();
}

void MainWindow::setInspectorPage(int index, Gtk::Widget& page)
{
    if (index < 0 || index >= int(_placeholderPages.size())) return;
    // A page given from outside replaces the one a factory would make later.
    _unmadeInspectorPages.erase(index);
    const std::string name = InspectorPagePrefix + std::to_string(index);
    const bool shown = _inspectorTabs.get_visible_child_name() == name;
    if (Gtk::Widget* old = _inspectorTabs.get_child_by_name(name)) _inspectorTabs.remove(*old);
    _inspectorTabs.add(page, name);
    // The stack keeps its pages in the order added; the tabs keep theirs.
    _inspectorTabs.child_property_position(page) = index;
    page.show();
    if (shown) _inspectorTabs.set_visible_child(name);
}

void MainWindow::on_size_allocate(Gtk::Allocation& allocation)
{
    Gtk::ApplicationWindow::on_size_allocate(allocation);
    _dividersMoved = false;
    // The set-up moves dividers and shows and hides panes, which may lay the window out again
    // before it is over.
    if (_controller.windowLoaded() || _loading) return;
    _loading = true;
    // The panes' sizes are the controller's to set, and they need the window's: its set-up runs in
    // the first layout, and the window lays out again with them before anything is painted.
    _editorSplit.set_position(std::max(0, _editorSplit.get_allocated_width() - InspectorWidth));
    _leftPane.set_position(std::max(0, _leftPane.get_allocated_height() - FirstActivityHeight));
    _dividersMoved = true;
    _controller.windowDidLoad();
    Gtk::ApplicationWindow::on_size_allocate(allocation);
    _dividersMoved = false;
    _loading = false;
}

bool MainWindow::on_event(GdkEvent* event)
{
    switch (event->type) {
    case GDK_KEY_PRESS:
    case GDK_KEY_RELEASE:
    case GDK_BUTTON_PRESS:
    case GDK_BUTTON_RELEASE:
    case GDK_SCROLL:
    case GDK_TOUCH_END:
        scheduleValidation();
        break;
    case GDK_CONFIGURE:
    case GDK_WINDOW_STATE:
        rememberNormalFrame();
        break;
    default:
        break;
    }
    return Gtk::ApplicationWindow::on_event(event);
}

void MainWindow::on_set_focus(Gtk::Widget* focus)
{
    Gtk::ApplicationWindow::on_set_focus(focus);
    // The first responder changed: a command now goes elsewhere.
    scheduleValidation();
}

void MainWindow::on_grab_notify(bool wasGrabbed)
{
    Gtk::ApplicationWindow::on_grab_notify(wasGrabbed);
    // A menu, popover or dialog that held the input let it go: what it did shows now.
    if (wasGrabbed) scheduleValidation();
    if (wasGrabbed) closeWhenFree();
}

MainWindow::InputHold::InputHold()
{
    ++inputHolds();
}

MainWindow::InputHold::~InputHold()
{
    --inputHolds();
    releaseHeldInput();
}

MainWindow::DocumentHold::DocumentHold()
{
    ++documentHolds();
}

MainWindow::DocumentHold::~DocumentHold()
{
    --documentHolds();
    releaseHeldInput();
}

void MainWindow::releaseHeldInput()
{
    if (anyHolds()) return;
    // Back into GDK's queue, dispatched once the work that held them gives the main loop back.
    for (GdkEvent* event : std::exchange(heldInput(), {})) {
        gdk_event_put(event);
        gdk_event_free(event);
    }
    for (MainWindow* window : mainWindows()) window->closeWhenFree();
}

void MainWindow::dispatchEvent(GdkEvent* event, gpointer)
{
    if (isActingInput(event->type) && (inputHolds() > 0 || (documentHolds() > 0 && reachesFreeMainWindow(event)))) {
        heldInput().push_back(gdk_event_copy(event));
        return;
    }
    if (event->type == GDK_DELETE) {
        for (MainWindow* window : mainWindows()) {
            if (!window->get_window() || window->get_window()->gobj() != event->any.window) continue;
            // GTK would drop it: it waits for the dialog instead.
            if (inputHeldElsewhere(*window)) {
                window->_closePending = true;
                return;
            }
        }
    }
    gtk_main_do_event(event);
}

void MainWindow::closeWhenFree()
{
    if (!_closePending || _closing || anyHolds() || _pendingCloseIdle.connected()) return;
    // From the main loop: whoever let go of the input or the hold is done first.
    _pendingCloseIdle = Glib::signal_idle().connect([this] {
        if (_closePending && !anyHolds() && !inputHeldElsewhere(*this)) {
            _closePending = false;
            close();
        }
        return false;
    });
}

bool MainWindow::on_key_press_event(GdkEventKey* event)
{
    // A text field (the explorer's search field, a name being edited) takes its own keys first:
    // Delete there deletes a letter, not a topic.
    if (dynamic_cast<Gtk::Entry*>(get_focus()) && gtk_window_propagate_key_event(GTK_WINDOW(gobj()), event))
        return true;
    // Menu keys act before the focused widget sees them, as the menu bar's items would.
    if (_menuBar->handleKeyPress(*event)) return true;
    return Gtk::ApplicationWindow::on_key_press_event(event);
}

bool MainWindow::on_delete_event(GdkEventAny* event)
{
    if (anyHolds() || inputHeldElsewhere(*this)) {
        _closePending = true;
        return true;
    }
    _closePending = false;
    saveWindowState();
    // The open map is committed while the window and its editor still exist; a map that cannot
    // be may keep the window.
    if (_close && !_close()) return true;
    return Gtk::ApplicationWindow::on_delete_event(event);
}

void MainWindow::saveWindowState()
{
    saveFrame();
    _controller.windowWillClose();
}

void MainWindow::restoreFrame()
{
    const std::string name = EditorWindowController::WindowFrameName;
    const WindowFrameDefaults::MainWindowPlacement saved = WindowFrameDefaults::savedMainWindowPlacement(name);
    const RestoredWindowFrame restored = WindowFrameDefaults::openingFrame(
        saved.frame, DefaultWidth, DefaultHeight, monitorWorkAreas(), isWayland(Gdk::Display::get_default()));
    _userFrame = WindowFrameDefaults::UserFrameTracker(
        saved.frame.value_or(WindowFrame{0, 0, DefaultWidth, DefaultHeight}), *restored.frame);
    set_default_size(restored.frame->width, restored.frame->height);
    if (restored.moves) move(restored.frame->x, restored.frame->y);
    if (saved.maximized) maximize();
}

void MainWindow::rememberNormalFrame()
{
    if (!get_realized() || !get_window()) return;
    _userFrame.sample(windowFrameSample(*this));
}

void MainWindow::saveFrame()
{
    if (!get_realized() || !get_window()) return;
    // Maximised (or full screen over a maximised window), the window keeps the frame it had
    // before, to come back to it when the next start is un-maximised.
    const bool maximized = get_window()->get_state() & Gdk::WINDOW_STATE_MAXIMIZED;
    WindowFrameDefaults::saveMainWindowPlacement(EditorWindowController::WindowFrameName,
                                                 {_userFrame.frameAtClose(windowFrameSample(*this)), maximized});
}

void MainWindow::showFeedbackTable(bool shown)
{
    if (_feedbackTable) _feedbackTable->set_visible(shown);
}

void MainWindow::resized()
{
    if (_resizePending) return;
    _resizePending = true;
    _resizeIdle = Glib::signal_idle().connect([this] {
        _resizePending = false;
        // Dragged open, the pane shows its log again.
        if (_feedbackTable && !_feedbackTable->get_visible() && !_controller.areFeedbackDetailsClosed())
            showFeedbackTable(true);
        _controller.splitViewDidResizeSubviews();
        return false;
    });
}

void MainWindow::showMindMap(std::shared_ptr<MindMap> mindMap)
{
    const bool shown = mindMap != nullptr;
    _mapChanging = true;
    _canvas.editorView().setMindMap(std::move(mindMap));
    if (_editorOverlays) _editorOverlays->editorMindMapChanged();
    scheduleValidation();
    if (!shown) return;
    // The map opens centred, which needs the canvas's size: before the window is first laid
    // out, the centring waits for it.
    _centreOnAllocation.disconnect();
    if (_canvas.get_realized() && _canvas.get_allocated_width() > 1) {
        _canvas.editorView().mindMapLoaded(MindMapLoadedDocument);
        return;
    }
    _centreOnAllocation = _canvas.signal_size_allocate().connect([this](Gtk::Allocation&) {
        _centreOnAllocation.disconnect();
        _canvas.editorView().mindMapLoaded(MindMapLoadedDocument);
    });
}

void MainWindow::setWindowTitle(const std::string& title)
{
    set_title(_controller.windowTitleForDocumentDisplayName(title));
    // Another map may hide other menu entries.
    _menuBar->refillMenus();
    // The map's name is what a screen reader announces for the canvas.
    _canvas.get_accessible()->set_name(title);
}

bool MainWindow::canAutoSave()
{
    // A rename being typed into one of the lists stays open: the autosave writes the map without it.
    return _canvas.editorView().canAutoSave();
}

void MainWindow::commitCellEdits()
{
    commitCellEditsInside(*this);
}

void MainWindow::presentError(const Error& error)
{
    if (_errorHandler) {
        _errorHandler(error);
        return;
    }
    AlertPanel::shared().runModal(ErrorAlert::request(error));
}

// The controller's view of the window.

void MainWindow::setActivityCaption(const std::string& text)
{
    _activityCaptionLabel.set_text(text);
}

void MainWindow::setHideExplorerToolTip(const std::string& text)
{
    describePictureButton(_hideExplorerButton, text);
}

void MainWindow::setHideStyleToolsToolTip(const std::string& text)
{
    describePictureButton(_hideStyleToolsButton, text);
}

void MainWindow::setHideInspectorToolTip(const std::string& text)
{
    describePictureButton(_hideInspectorButton, text);
}

void MainWindow::setInspectorSegmentToolTip(int segment, const std::string& text)
{
    if (segment >= 0 && segment < int(_inspectorSegmentList.size()))
        _inspectorSegments->button(size_t(segment)).set_tooltip_text(text);
}

double MainWindow::windowWidth() const
{
    return _split.get_allocated_width();
}

// A moved divider takes its position at once, while the panes' allocations catch up only at the
// next layout: until then the sizes follow from the positions.

int MainWindow::handleSize(const Gtk::Paned& paned)
{
    // The theme draws the handle; what is left between the two panes is its size.
    Gtk::Widget* first = const_cast<Gtk::Paned&>(paned).get_child1();
    Gtk::Widget* second = const_cast<Gtk::Paned&>(paned).get_child2();
    if (!first || !second || !first->get_visible() || !second->get_visible()) return 1;
    const bool vertical = paned.get_orientation() == Gtk::ORIENTATION_VERTICAL;
    const int whole = vertical ? paned.get_allocated_height() : paned.get_allocated_width();
    const int parts = vertical ? first->get_allocated_height() + second->get_allocated_height()
                               : first->get_allocated_width() + second->get_allocated_width();
    return std::clamp(whole - parts, 0, 20);
}

double MainWindow::leftPaneWidth() const
{
    return _split.get_position();
}

double MainWindow::leftPaneHeight() const
{
    return _leftPane.get_allocated_height();
}

double MainWindow::activityPaneHeight() const
{
    if (!_dividersMoved) return _activityPane.get_allocated_height();
    return std::max(0, _leftPane.get_allocated_height() - _leftPane.get_position() - handleSize(_leftPane));
}

double MainWindow::activityCaptionHeight() const
{
    // The strip's whole height, its border included: what the pane must keep to show it.
    int minimum = 0, natural = 0;
    _activityCaption.get_preferred_height(minimum, natural);
    return std::max(minimum, _activityCaption.get_allocated_height());
}

double MainWindow::inspectorWidth() const
{
    if (!_dividersMoved) return _inspectorContainer.get_allocated_width();
    return std::max(0, _editorSplit.get_allocated_width() - _editorSplit.get_position() - handleSize(_editorSplit));
}

void MainWindow::setSideBarDivider(double value)
{
    _split.set_position(position(value));
}

void MainWindow::setInspectorDivider(double value)
{
    _dividersMoved = true;
    // The divider is given in the window's width; the inspector is the inner split's second pane.
    const double inspector = windowWidth() - value;
    _editorSplit.set_position(position(_editorSplit.get_allocated_width() - inspector - handleSize(_editorSplit)));
}

void MainWindow::setActivityDivider(double value)
{
    _dividersMoved = true;
    // A closed pane is its caption alone: the log, which cannot be made that small, goes.
    showFeedbackTable(leftPaneHeight() - value > activityCaptionHeight() + ClosedActivityMargin);
    _leftPane.set_position(position(value - handleSize(_leftPane)));
}

bool MainWindow::isExplorerCollapsed() const
{
    return !_leftPane.get_visible();
}

void MainWindow::setExplorerCollapsed(bool collapsed)
{
    if (!_sidePane) return;
    _leftPane.set_visible(!collapsed);
}

bool MainWindow::isInspectorCollapsed() const
{
    return !_inspectorContainer.get_visible();
}

void MainWindow::setInspectorCollapsed(bool collapsed)
{
    _inspectorContainer.set_visible(!collapsed);
    // The split maps a pane that comes back only in its next layout, in the middle of sizing its
    // children: a page that fills itself as it is mapped (the icon picker) was then given the
    // room of the page before it, less than it needs. Mapped now, it is measured with what it holds.
    if (!collapsed) _inspectorContainer.set_child_visible(true);
}

void MainWindow::setHideExplorerButtonOn(bool on)
{
    _updatingButtons = true;
    _hideExplorerButton.set_active(on);
    _updatingButtons = false;
}

void MainWindow::setHideInspectorButtonOn(bool on)
{
    _updatingButtons = true;
    _hideInspectorButton.set_active(on);
    _updatingButtons = false;
}

void MainWindow::setFeedbackDisclosure(bool on, const std::string& toolTip)
{
    // On: the details are closed and the button opens them upward.
    // Set again as the window is resized: a picture named anew is looked up and measured anew.
    const Glib::ustring icon = on ? "pan-up-symbolic" : "pan-down-symbolic";
    if (_feedbackDisclosurePicture.property_icon_name().get_value() != icon)
        _feedbackDisclosurePicture.set_from_icon_name(icon, Gtk::ICON_SIZE_MENU);
    describePictureButton(_feedbackDisclosureButton, toolTip);
}

void MainWindow::selectInspectorTab(int index)
{
    makeInspectorPage(index);
    _inspectorTabs.set_visible_child(InspectorPagePrefix + std::to_string(index));
    markSelected(_inspectorSegments.get(), _inspectorSegmentList.size(), index);
}

void MainWindow::setExplorerSegments(const std::vector<ExplorerSegment>& segments, int selected)
{
    // The window's set-up hands the same segments over again in its first layout: they keep
    // their buttons, which made anew there would be styled and measured inside that layout.
    if (_explorerSegments && segments == _explorerSegmentList) {
        _selectedExplorerSegment = selected;
        markSelected(_explorerSegments.get(), segments.size(), selected);
        return;
    }
    _explorerSegmentList = segments;
    if (_explorerSegments) _explorerStrip.remove(*_explorerSegments);
    _explorerSegments.reset();
    std::vector<std::shared_ptr<ToolbarSegment>> toolbarSegments;
    for (const ExplorerSegment& segment : segments)
        toolbarSegments.push_back(ToolbarSegment::toolbarSegment(segment.iconName, _segmentTarget.get(),
                                                                 "explorerSegmentsChanged:", segment.toolTip));
    _explorerSegmentsItem = std::make_unique<SegmentedControlItem>(std::move(toolbarSegments));
    _explorerSegments = std::make_unique<SegmentedControlWidget>(*_explorerSegmentsItem);
    _explorerStrip.set_center_widget(*_explorerSegments);
    _explorerSegments->show_all();
    _selectedExplorerSegment = selected;
    markSelected(_explorerSegments.get(), segments.size(), selected);
}

void MainWindow::selectExplorerTab(int index)
{
    _explorerTabs.set_visible_child(ExplorerPagePrefix + std::to_string(index));
    for (size_t segment = 0; segment < _explorerSegmentList.size(); ++segment)
        if (_explorerSegmentList[segment].tag == index) _selectedExplorerSegment = int(segment);
    markSelected(_explorerSegments.get(), _explorerSegmentList.size(), _selectedExplorerSegment);
}

void MainWindow::setProgressVisible(bool visible)
{
    _activityCaptionLabel.set_visible(!visible);
    _progressLabel.set_visible(visible);
    _progressIndicator.set_visible(visible);
    if (visible) _progressIndicator.start();
    else _progressIndicator.stop();
}

void MainWindow::setProgressTitle(const std::string& title)
{
    _progressLabel.set_text(title);
}

void MainWindow::setStyleToolbarVisible(bool visible, bool animated)
{
    _styleToolbarRevealer.set_transition_duration(animated ? 250 : 0);
    _styleToolbarRevealer.set_reveal_child(visible);
    _updatingButtons = true;
    _hideStyleToolsButton.set_active(visible);
    _updatingButtons = false;
}
