#pragma once

#include "Editor/FeedbackCenter.h"
#include "platform/PropertyList.h"
#include "platform/Responder.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class EditorDocument;
class MindMapEditor;
class UserDefaults;

// The toolbar's search field as the window hands it to the explorers.
class EditorSearchField {
public:
    virtual ~EditorSearchField() = default;
    virtual void clearText() = 0;
    virtual void setEnabled(bool enabled) = 0;
};

// One entry of the explorer side bar: a provider's explorer or the cloud set-up pane. The
// explorers' library makes them; the window only orders, shows and activates them.
class ExplorerNavigationItem {
public:
    virtual ~ExplorerNavigationItem() = default;
    virtual std::string iconName() const { return {}; }
    virtual std::string title() const { return {}; }
    virtual bool enabled() const { return true; }
    virtual void setActive(bool /*active*/) {}
    // Empty for the set-up pane, which shows no provider's maps.
    virtual std::string providerId() const { return {}; }
    // Whether the pane searches with the toolbar's search field; it gets the field (or nullptr)
    // through setSearchField.
    virtual bool takesSearchField() const { return false; }
    virtual void setSearchField(EditorSearchField* /*field*/) {}
    virtual void windowDidUpdate() {}
};

// One segment of the explorer strip: the navigation item it stands for is the tag.
struct ExplorerSegment {
    std::string iconName;
    std::string toolTip;
    int tag = 0;
    friend bool operator==(const ExplorerSegment&, const ExplorerSegment&) = default;
};

// A window's frame in screen pixels, top-left based; the user defaults keep it as the panels' frames
// are kept, an array of four numbers.
struct WindowFrame {
    int x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const WindowFrame&, const WindowFrame&) = default;

    // nullopt for anything but four finite numbers with a positive size (the file may have been
    // edited by hand).
    static std::optional<WindowFrame> fromPropertyList(const PropertyList& value);
    PropertyList propertyList() const;
    // Where a saved frame goes on monitors with these work areas: never larger than the work area
    // it ends up on, and onto the nearest one when it lies off every monitor. Without work areas
    // the frame stays as it is.
    static WindowFrame clamp(WindowFrame frame, const std::vector<WindowFrame>& workAreas);
};

// What of a saved frame a window takes at start: nothing of a value that is no frame, only the size
// where the display server places windows itself (Wayland), else the clamped frame.
struct RestoredWindowFrame {
    std::optional<WindowFrame> frame;
    bool moves = false;
};
RestoredWindowFrame restoreWindowFrame(const PropertyList& saved, const std::vector<WindowFrame>& workAreas,
                                       bool serverPlacesWindows);

// What the window controller drives in the window. Sizes are in logical pixels; the GTK window
// implements it with nested panes, tests with a record of calls.
class EditorWindowView {
public:
    virtual ~EditorWindowView() = default;

    virtual void restoreWindowFrame() {}
    virtual void setActivityCaption(const std::string& /*text*/) {}
    virtual void setHideExplorerToolTip(const std::string& /*text*/) {}
    virtual void setHideStyleToolsToolTip(const std::string& /*text*/) {}
    virtual void setHideInspectorToolTip(const std::string& /*text*/) {}
    virtual void setInspectorSegmentToolTip(int /*segment*/, const std::string& /*text*/) {}

    virtual double windowWidth() const { return 0; }
    // The left pane: explorer above the activity pane.
    virtual double leftPaneWidth() const { return 0; }
    virtual double leftPaneHeight() const { return 0; }
    virtual double activityPaneHeight() const { return 0; }
    virtual double activityCaptionHeight() const { return 0; }
    virtual double inspectorWidth() const { return 0; }
    // Divider 0 of the window's split: the width of the left pane.
    virtual void setSideBarDivider(double /*position*/) {}
    // Divider 1 of the window's split: where the inspector begins.
    virtual void setInspectorDivider(double /*position*/) {}
    // The left pane's divider: where the activity pane begins, from the top.
    virtual void setActivityDivider(double /*position*/) {}

    virtual bool isExplorerCollapsed() const { return false; }
    virtual void setExplorerCollapsed(bool /*collapsed*/) {}
    virtual bool isInspectorCollapsed() const { return false; }
    virtual void setInspectorCollapsed(bool /*collapsed*/) {}
    virtual void setHideExplorerButtonOn(bool /*on*/) {}
    virtual void setHideInspectorButtonOn(bool /*on*/) {}
    virtual void setFeedbackDisclosure(bool /*on*/, const std::string& /*toolTip*/) {}

    virtual void selectInspectorTab(int /*index*/) {}
    virtual void setExplorerSegments(const std::vector<ExplorerSegment>& /*segments*/, int /*selected*/) {}
    virtual void selectExplorerTab(int /*index*/) {}

    virtual void setProgressVisible(bool /*visible*/) {}
    virtual void setProgressTitle(const std::string& /*title*/) {}
    virtual void setStyleToolbarVisible(bool /*visible*/, bool /*animated*/) {}
    // What the window's controls show may have changed outside any input event (a listing that
    // ended, the network): they are validated once the main loop is idle.
    virtual void setNeedsValidation() {}
};

// The controller of the one main window: the panes' sizes and states and what the user defaults
// keep of them, the explorer tabs, the activity pane's disclosure and the window's own actions. It
// is the responder between the editor and the document.
class EditorWindowController : public Responder, public FeedbackProgressDelegate {
public:
    static constexpr const char* SideBarWidthKey = "mainwindow.sidebar.width";
    static constexpr const char* ActivityPaneHeightKey = "mainwindow.activityPane.height";
    static constexpr const char* InspectorWidthKey = "mainwindow.inspector.width";
    static constexpr const char* ExplorerClosedKey = "mainwindow.explorer.closed";
    static constexpr const char* InspectorClosedKey = "mainwindow.inspector.closed";
    static constexpr const char* InspectorActiveTabKey = "mainwindow.inspector.activetab";
    static constexpr const char* WindowFrameName = "Tarnwick.MainWindowFrame";

    enum InspectorTab { OutlinerTab = 0, NoteTab = 1, IconTab = 2 };
    // The identifiers the active inspector tab is stored under, by tab index.
    static constexpr const char* InspectorTabIdentifiers[] = {"outliner", "note", "icons"};

    // The style toolbar's states.
    enum StyleToolsState { StyleToolsShown = 0, StyleToolsHiddenByUser = 1, StyleToolsHiddenForPresentation = 2 };

    using ValidationRule = std::function<std::optional<ItemValidation>(const ValidatedUserInterfaceItem& item)>;

    explicit EditorWindowController(UserDefaults& defaults);
    ~EditorWindowController() override;
    EditorWindowController(const EditorWindowController&) = delete;
    EditorWindowController& operator=(const EditorWindowController&) = delete;

    void setView(EditorWindowView* view) { _view = view; }
    EditorWindowView* view() const { return _view; }

    // The editor and the document the window shows; either may be missing (tests, quitting).
    MindMapEditor* editor() const { return _editor; }
    void setEditor(MindMapEditor* editor) { _editor = editor; }
    EditorDocument* document() const { return _document ? _document() : nullptr; }
    void setDocumentProvider(std::function<EditorDocument*()> document) { _document = std::move(document); }

    // The window's actions come from several builders (toolbar, styling, modes); each registers
    // its own here and answers its items' validation through a rule.
    void addWindowAction(const std::string& action, ActionHandler handler) { addAction(action, std::move(handler)); }
    // Rules are asked in the order added; the first that answers wins.
    void addValidationRule(ValidationRule rule);
    // Asked when no rule answers: the map's own validation.
    void setFallbackValidation(ValidationRule rule) { _fallbackValidation = std::move(rule); }
    ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem& item) override;

    // Called by the builders of the style toolbar and the presentation mode.
    int styleToolsState() const { return _styleToolsState; }
    void setStyleToolsState(int state) { _styleToolsState = state; }
    void updateStyleToolbarVisibility(bool show, bool animated);
    void hideStyleToolbar();
    void toggleStyleToolbar();

    bool isExplorerCollapsed() const { return _view && _view->isExplorerCollapsed(); }
    bool isInspectorCollapsed() const { return _view && _view->isInspectorCollapsed(); }

    // The window's text for an action with its key: "text  (key)".
    static std::string appendActionShortcut(const std::string& text, const std::string& shortcut);
    // The window's title is the application's name, whatever the document is called.
    void setApplicationName(std::string name) { _applicationName = std::move(name); }
    std::string windowTitleForDocumentDisplayName(const std::string& displayName) const;

    // The keys of the window's toggles, as the tool tips show them (the menu binds the same).
    static constexpr const char* ToggleExplorerKey = "F9";
    static constexpr const char* ToggleStyleToolbarKey = "Ctrl+Shift+T";
    static constexpr const char* ToggleInspectorKey = "Ctrl+Shift+I";
    static constexpr const char* InspectorTabKeys[] = {"Ctrl+1", "Ctrl+2", "Ctrl+3"};

    // Set-up, once the window's widgets exist: the steps of a window's first load, in order.
    // The hooks below run at their places in it.
    void windowDidLoad();
    bool windowLoaded() const { return _windowLoaded; }
    struct SetupHooks {
        std::function<void()> setupToolbar;
        std::function<void()> setupStyleToolbar;
        std::function<void()> setupActivityMenu;
        std::function<void()> becomeFeedbackDelegate;
        std::function<void()> registerObservers;
        std::function<void()> showDocumentMindMap;
    };
    void setSetupHooks(SetupHooks hooks) { _hooks = std::move(hooks); }

    // The explorer side bar: one tab per navigation item, in order, whether enabled or not. The
    // items are not owned; whoever owns them hands an empty list before they go.
    void setExplorerNavigationItems(std::vector<ExplorerNavigationItem*> items);
    const std::vector<ExplorerNavigationItem*>& explorerNavigationItems() const { return _navigationItems; }
    void syncExplorerSegments();
    // A pane's state changed by itself: the window validates its controls when idle.
    void setNeedsValidation()
    {
        if (_view) _view->setNeedsValidation();
    }
    // The user chose the segment with this tag.
    void explorerSegmentsChanged(int tag);
    // The explorer tab view shows the tab now.
    void explorerTabSelected(int index);
    int selectedExplorerTab() const { return _selectedExplorerTab; }
    void setSearchBar(EditorSearchField* field);
    EditorSearchField* searchBar() const { return _searchBar; }
    // After every switch of map: the explorer of the map's provider comes forward, unless the
    // set-up tab is shown. An empty id means no map.
    void currentMindMapChanged(const std::string& providerId);

    void hideMindMapExplorer();
    void toggleMindMapExplorer();
    void updateExplorerVisibility();

    // The inspector: outliner, note, icons.
    void inspectorSegmentsChanged(int index);
    int selectedInspectorTab() const { return _selectedInspectorTab; }
    void hideInspectorPanel();
    void toggleInspectorPanel();
    void updateInspectorVisibility();
    void showInspectorPanelWithIdentifier(const std::string& identifier);
    // Told when the outliner's and the note's visibility changes (they stop work while hidden).
    void setInspectorVisibilityHandler(std::function<void(bool outlinerShown, bool noteShown)> handler)
    {
        _inspectorVisibility = std::move(handler);
    }

    // The activity pane below the explorer.
    bool areFeedbackDetailsClosed() const;
    void updateFeedbackDisclosureButtonState();
    void feedbackDisclosureClicked();
    double rememberedActivityPaneHeight() const { return _activityPaneHeight; }

    // The feedback centre's progress shows in the activity pane; its editor notifications go on
    // to the delegate that shows them over the canvas.
    void startProgress(double progress, const std::string& title) override;
    void progress(double progress, const std::string& title) override;
    void endProgress() override;
    void showEditorNotification(const std::shared_ptr<FeedbackItem>& item, double duration) override;
    void setNotificationDelegate(FeedbackProgressDelegate* delegate) { _notificationDelegate = delegate; }
    void setProgressIndicatorVisible(bool visible);

    // A split view was resized (by the user or the window): once loaded, the sizes are stored.
    void splitViewDidResizeSubviews();
    // The window closes: what only the close writes.
    void windowWillClose();

    // The user defaults keep numbers the user may have edited: only finite numbers count.
    static std::optional<double> storedSize(const UserDefaults& defaults, const std::string& key);
    static bool storedFlag(const UserDefaults& defaults, const std::string& key);
    static std::optional<int> inspectorTabForIdentifier(const UserDefaults& defaults);

private:
    void updateOutlinerVisibility();

    UserDefaults& _defaults;
    EditorWindowView* _view = nullptr;
    MindMapEditor* _editor = nullptr;
    std::function<EditorDocument*()> _document;
    std::vector<ValidationRule> _rules;
    ValidationRule _fallbackValidation;
    SetupHooks _hooks;
    std::string _applicationName = "Tarnwick";
    std::function<void(bool, bool)> _inspectorVisibility;
    std::vector<ExplorerNavigationItem*> _navigationItems;
    EditorSearchField* _searchBar = nullptr;
    FeedbackProgressDelegate* _notificationDelegate = nullptr;
    int _selectedExplorerTab = -1;
    int _selectedInspectorTab = OutlinerTab;
    int _styleToolsState = StyleToolsShown;
    bool _styleToolbarVisible = true;
    double _activityPaneHeight = 0;
    bool _progressVisible = false;
    bool _windowLoaded = false;
};
