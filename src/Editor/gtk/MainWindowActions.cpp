#include "Editor/gtk/MainWindowActions.h"

#include "Editor/ColorPanel.h"
#include "Editor/EditorDocument.h"
#include "Editor/FeedbackCenter.h"
#include "Editor/FontPanel.h"
#include "Editor/gtk/GtkPopoverColorPicker.h"
#include "Editor/gtk/MainWindow.h"
#include "MindMaps/MindMap.h"
#include "editor-view/MindMapEditor.h"

namespace {

MainWindowActions::StylePresetPicker& stylePresetPicker()
{
    static MainWindowActions::StylePresetPicker picker;
    return picker;
}

struct CustomStyleEditorSeam {
    MainWindowActions::CustomStyleEditorOpener open;
    std::function<void()> close;
};

CustomStyleEditorSeam& customStyleEditor()
{
    static CustomStyleEditorSeam seam;
    return seam;
}

} // namespace

void MainWindowActions::setCustomStyleEditor(CustomStyleEditorOpener open, std::function<void()> close)
{
    customStyleEditor() = {std::move(open), std::move(close)};
}

void MainWindowActions::closeCustomStyleEditor()
{
    if (customStyleEditor().close) customStyleEditor().close();
}

void MainWindowActions::setStylePresetPicker(StylePresetPicker picker)
{
    stylePresetPicker() = std::move(picker);
}

MainWindowActions::MainWindowActions(MainWindow& window) : _window(window), _modes(*this, window.scheduler())
{
    EditorWindowController& controller = window.controller();
    EditorWindowActionsServices services;
    services.editor = [this]() -> MindMapEditor* { return &_window.editor(); };
    // Styling acts on the map's selection only while the map has the keyboard: not while the
    // user types into a search field or a panel of the window.
    services.editorIsFirstResponder = [this] {
        Gtk::Widget* focus = _window.get_focus();
        return !focus || focus == &_window.canvas();
    };
    services.makeColorPicker = [this] { return std::make_unique<GtkPopoverColorPicker>(_window.canvas()); };
    services.setZoomFactorText = [this](const std::string& text) {
        if (_zoomFactorText) _zoomFactorText(text);
    };
    services.modes = &_modes;
    if (stylePresetPicker()) {
        services.pickStylePreset = [](MindMapElement& element, std::function<void(const StylePreset&)> picked) {
            if (StylePreset* preset = stylePresetPicker()(element)) picked(*preset);
        };
    }
    _actions = std::make_unique<EditorWindowActions>(std::move(services));
    _actions->registerActions([&controller](const std::string& action, Responder::ActionHandler handler) {
        controller.addWindowAction(action, std::move(handler));
    });
    controller.addValidationRule([this](const ValidatedUserInterfaceItem& item) -> std::optional<ItemValidation> {
        if (item.action() == "toggleToolbarShown:") return ItemValidation{};
        return _actions->validate(item);
    });
    // Branches as maps, topic links and the cloud export, on the map the window shows.
    WindowMapContext mapContext = MapFromSelectionActions::contextForController(controller);
    mapContext.editor = [this]() -> MindMapEditor* { return &_window.editor(); };
    mapContext.editorIsFirstResponder = [this] {
        Gtk::Widget* focus = _window.get_focus();
        return !focus || focus == &_window.canvas();
    };
    _mapActions = std::make_unique<MapFromSelectionActions>(std::move(mapContext));
    _mapActions->registerOn(controller);
    if (customStyleEditor().open) {
        controller.addWindowAction("showCustomStyleEditor:", [this](const ActionSender*) {
            if (MindMap* map = _window.editor().mindMap()) customStyleEditor().open(map->sharedStyleSheet());
        });
    }
    controller.addWindowAction("toggleToolbarShown:", [this](const ActionSender*) {
        _toolbarShown = !_toolbarShown;
        updateToolbarVisibility();
    });

    NotificationCenter& center = NotificationCenter::defaultCenter();
    MindMapEditor* editor = &window.editor();
    _observations.push_back(center.addObserver(MindMapEditor::EscapePressedNotification, editor,
                                               [this](const Notification&) { _modes.editorEscapePressed(); }));
    _observations.push_back(
        center.addObserver(MindMapEditor::UserScaleChangedNotification, editor,
                           [this](const Notification&) { _actions->zoomFactorChangedNotification(); }));
    // GTK has no "will" and "did" for full screen: the window manager's new state is both.
    _windowState = window.signal_window_state_event().connect(
        [this](GdkEventWindowState* event) {
            if (event->changed_mask & GDK_WINDOW_STATE_FULLSCREEN)
                _modes.windowFullScreenChanged((event->new_window_state & GDK_WINDOW_STATE_FULLSCREEN) != 0);
            return false;
        },
        false);
}

MainWindowActions::~MainWindowActions()
{
    _windowState.disconnect();
}

void MainWindowActions::setZoomFactorTextHandler(std::function<void(const std::string& text)> handler)
{
    _zoomFactorText = std::move(handler);
    _actions->zoomFactorChangedNotification();
}

void MainWindowActions::requestFullScreen(bool fullScreen)
{
    if (fullScreen) _window.fullscreen();
    else _window.unfullscreen();
}

void MainWindowActions::commitEditor()
{
    EditorDocument* document = _window.controller().document();
    if (!document) return;
    document->commitModelessEditors();
    document->saveDocument();
}

void MainWindowActions::focusEditor()
{
    _window.canvas().grab_focus();
}

void MainWindowActions::setLeftPaneHidden(bool hidden)
{
    _window.setLeftPaneHiddenForPresentation(hidden);
}

void MainWindowActions::addReadOnlyFollower(std::function<void(bool readOnly)> follower)
{
    if (!follower) return;
    follower(_window.editor().readOnly());
    _readOnlyFollowers.push_back(std::move(follower));
}

void MainWindowActions::setReadOnly(bool readOnly)
{
    _window.editor().setReadOnly(readOnly);
    for (const auto& follower : _readOnlyFollowers) follower(readOnly);
}

void MainWindowActions::closeColorPanels()
{
    if (PopoverColorPicker* picker = _actions->colorPicker()) picker->close();
    if (ColorPanel::sharedColorPanelExists()) ColorPanel::shared().close();
    FontPanel::closeShared();
}

int MainWindowActions::styleToolsState() const
{
    return _window.controller().styleToolsState();
}

void MainWindowActions::setStyleToolsState(int state)
{
    _window.controller().setStyleToolsState(state);
}

void MainWindowActions::setStyleToolbarVisible(bool visible, bool animated)
{
    _window.controller().updateStyleToolbarVisibility(visible, animated);
}

void MainWindowActions::setToolbarAutoHidden(bool hidden)
{
    _toolbarAutoHidden = hidden;
    updateToolbarVisibility();
}

void MainWindowActions::updateToolbarVisibility()
{
    _window.setMainToolbarHidden(!_toolbarShown || _toolbarAutoHidden);
}

void MainWindowActions::showNotification(const std::string& title, const std::string& message, unsigned state,
                                         double duration)
{
    FeedbackCenter::feedbackCenter().showEditorNotification(title, message, state, duration);
}

void MainWindowActions::hideNotification()
{
    _window.notificationPresenter().dismiss();
}
