#include "Editor/EditorWindowController.h"

#include "Editor/EditorDocument.h"
#include "Editor/MailMapAction.h"
#include "MindMaps/MindMap.h"
#include "platform/Localizer.h"
#include "platform/Menu.h"
#include "platform/TextExcerpt.h"
#include "platform/UserDefaults.h"

#include <algorithm>
#include <cmath>

namespace {

// What the activity pane keeps of its caption when closed, and what a first opening adds to it.
constexpr double ClosedActivityMargin = 3;
constexpr double FirstActivityOpening = 80;

} // namespace

EditorWindowController::EditorWindowController(UserDefaults& defaults) : _defaults(defaults)
{
    addAction("toggleStyleToolbar:", [this](const ActionSender*) { toggleStyleToolbar(); });
    addAction("toggleMindMapExplorer:", [this](const ActionSender*) { toggleMindMapExplorer(); });
    addAction("toggleInspectorPanel:", [this](const ActionSender*) { toggleInspectorPanel(); });
    addAction("hideInspectorPanel:", [this](const ActionSender*) { hideInspectorPanel(); });
    addAction("showOutlinerPanel:",
              [this](const ActionSender*) { showInspectorPanelWithIdentifier(InspectorTabIdentifiers[OutlinerTab]); });
    addAction("showNotePanel:",
              [this](const ActionSender*) { showInspectorPanelWithIdentifier(InspectorTabIdentifiers[NoteTab]); });
    addAction("showIconPickerPanel:",
              [this](const ActionSender*) { showInspectorPanelWithIdentifier(InspectorTabIdentifiers[IconTab]); });
    addAction("sendEmailMessage:", [this](const ActionSender*) {
        if (EditorDocument* current = document()) MailMapAction::forDocument(*current).sendEmailMessage();
    });
    // Mail Mind Map, and Select Icon, whose icons go on the map's topics, are enabled while a map
    // is. The inspector's own tab buttons show the icon tab at any time.
    addValidationRule([this](const ValidatedUserInterfaceItem& item) -> std::optional<ItemValidation> {
        if (item.action() != "sendEmailMessage:" && item.action() != "showIconPickerPanel:") return std::nullopt;
        const EditorDocument* current = document();
        return ItemValidation::enabledIf(current && current->mindMap() && current->mindMap()->enabled());
    });
}

EditorWindowController::~EditorWindowController() = default;

void EditorWindowController::addValidationRule(ValidationRule rule)
{
    if (rule) _rules.push_back(std::move(rule));
}

ItemValidation EditorWindowController::validateUserInterfaceItem(const ValidatedUserInterfaceItem& item)
{
    const std::string action = item.action();
    if (action == "toggleMindMapExplorer:") {
        ItemValidation validation;
        if (dynamic_cast<const MenuItem*>(&item))
            validation.title =
                localized(isExplorerCollapsed() ? "action_show_mindmap_explorer" : "action_hide_mindmap_explorer");
        return validation;
    }
    for (const ValidationRule& rule : _rules)
        if (std::optional<ItemValidation> validation = rule(item)) return *validation;
    if (_fallbackValidation)
        if (std::optional<ItemValidation> validation = _fallbackValidation(item)) return *validation;
    return {};
}

std::string EditorWindowController::appendActionShortcut(const std::string& text, const std::string& shortcut)
{
    return formatText("%@  (%@)", {text, shortcut});
}

std::string EditorWindowController::windowTitleForDocumentDisplayName(const std::string&) const
{
    return _applicationName;
}

std::optional<double> EditorWindowController::storedSize(const UserDefaults& defaults, const std::string& key)
{
    const PropertyList value = defaults.objectForKey(key);
    if (value.type() != PropertyList::Type::Integer && value.type() != PropertyList::Type::Real) return std::nullopt;
    const double size = value.realValue();
    if (!std::isfinite(size) || size <= 1) return std::nullopt;
    return size;
}

bool EditorWindowController::storedFlag(const UserDefaults& defaults, const std::string& key)
{
    const PropertyList value = defaults.objectForKey(key);
    switch (value.type()) {
    case PropertyList::Type::Boolean:
    case PropertyList::Type::Integer:
        return value.boolValue();
    default:
        return false;
    }
}

std::optional<int> EditorWindowController::inspectorTabForIdentifier(const UserDefaults& defaults)
{
    const PropertyList value = defaults.objectForKey(InspectorActiveTabKey);
    if (value.type() != PropertyList::Type::String) return std::nullopt;
    const std::string identifier = value.stringValue();
    for (int tab = 0; tab < int(std::size(InspectorTabIdentifiers)); ++tab)
        if (identifier == InspectorTabIdentifiers[tab]) return tab;
    return std::nullopt;
}

void EditorWindowController::windowDidLoad()
{
    if (!_view) return;
    EditorWindowView& view = *_view;
    view.setActivityCaption(localized("activity_panel_caption_mac"));
    view.setHideExplorerToolTip(appendActionShortcut(localized("action_hide_mindmap_explorer"), ToggleExplorerKey));
    view.setHideStyleToolsToolTip(
        appendActionShortcut(localized("action_toggle_style_toolbar"), ToggleStyleToolbarKey));
    view.setHideInspectorToolTip(appendActionShortcut(localized("action_toggle_inspector"), ToggleInspectorKey));
    view.setInspectorSegmentToolTip(OutlinerTab,
                                    appendActionShortcut(localized("outliner_title"), InspectorTabKeys[OutlinerTab]));
    view.setInspectorSegmentToolTip(NoteTab,
                                    appendActionShortcut(localized("note_tab_title"), InspectorTabKeys[NoteTab]));
    view.setInspectorSegmentToolTip(
        IconTab, appendActionShortcut(localized("icon_picker_tab_title"), InspectorTabKeys[IconTab]));

    if (_hooks.setupToolbar) _hooks.setupToolbar();
    if (_hooks.setupStyleToolbar) _hooks.setupStyleToolbar();
    syncExplorerSegments();
    if (_hooks.setupActivityMenu) _hooks.setupActivityMenu();

    view.restoreWindowFrame();
    if (std::optional<double> width = storedSize(_defaults, SideBarWidthKey)) view.setSideBarDivider(*width);
    if (std::optional<double> height = storedSize(_defaults, ActivityPaneHeightKey)) {
        view.setActivityDivider(view.leftPaneHeight() - *height);
    } else if (!areFeedbackDetailsClosed()) {
        // A first start shows the activity pane closed to its caption; the height the layout gave
        // it is no user's, so the first opening gives the log its own room.
        feedbackDisclosureClicked();
        _activityPaneHeight = 0;
    }
    if (storedFlag(_defaults, ExplorerClosedKey)) hideMindMapExplorer();
    updateExplorerVisibility();
    if (std::optional<double> width = storedSize(_defaults, InspectorWidthKey))
        view.setInspectorDivider(view.windowWidth() - *width);
    if (storedFlag(_defaults, InspectorClosedKey)) hideInspectorPanel();
    if (std::optional<int> tab = inspectorTabForIdentifier(_defaults)) inspectorSegmentsChanged(*tab);
    updateFeedbackDisclosureButtonState();
    updateInspectorVisibility();
    _progressVisible = true;
    setProgressIndicatorVisible(false);
    if (_hooks.becomeFeedbackDelegate) _hooks.becomeFeedbackDelegate();
    if (_hooks.registerObservers) _hooks.registerObservers();
    if (_hooks.showDocumentMindMap) _hooks.showDocumentMindMap();
    _windowLoaded = true;
}

void EditorWindowController::updateStyleToolbarVisibility(bool show, bool animated)
{
    if (_styleToolbarVisible == show) return;
    _styleToolbarVisible = show;
    if (_view) _view->setStyleToolbarVisible(show, animated);
}

void EditorWindowController::hideStyleToolbar()
{
    updateStyleToolbarVisibility(false, true);
    _styleToolsState = StyleToolsHiddenByUser;
}

void EditorWindowController::toggleStyleToolbar()
{
    if (_styleToolsState != StyleToolsShown) {
        updateStyleToolbarVisibility(true, true);
        _styleToolsState = StyleToolsShown;
    } else {
        updateStyleToolbarVisibility(false, true);
        _styleToolsState = StyleToolsHiddenByUser;
    }
}

void EditorWindowController::setExplorerNavigationItems(std::vector<ExplorerNavigationItem*> items)
{
    // The explorers let go of the field the window handed out.
    for (ExplorerNavigationItem* item : _navigationItems)
        if (item->takesSearchField()) item->setSearchField(nullptr);
    _navigationItems = std::move(items);
    _selectedExplorerTab = -1;
    syncExplorerSegments();
}

void EditorWindowController::syncExplorerSegments()
{
    const int current = _selectedExplorerTab >= 0 ? _selectedExplorerTab : 0;
    std::vector<ExplorerSegment> segments;
    int selected = 0;
    for (int index = 0; index < int(_navigationItems.size()); ++index) {
        const ExplorerNavigationItem& item = *_navigationItems[index];
        if (!item.enabled()) continue;
        if (index == current) selected = int(segments.size());
        segments.push_back({item.iconName(), item.title(), index});
    }
    if (_view) _view->setExplorerSegments(segments, selected);
}

void EditorWindowController::explorerSegmentsChanged(int tag)
{
    if (tag < 0 || tag >= int(_navigationItems.size())) return;
    if (_view) _view->selectExplorerTab(tag);
    explorerTabSelected(tag);
}

void EditorWindowController::explorerTabSelected(int index)
{
    if (index < 0 || index >= int(_navigationItems.size())) return;
    _selectedExplorerTab = index;
    for (int i = 0; i < int(_navigationItems.size()); ++i) _navigationItems[i]->setActive(i == index);
    for (ExplorerNavigationItem* item : _navigationItems)
        if (item->takesSearchField()) item->setSearchField(nullptr);
    if (!_searchBar) return;
    ExplorerNavigationItem& selected = *_navigationItems[index];
    _searchBar->clearText();
    _searchBar->setEnabled(selected.takesSearchField());
    if (selected.takesSearchField()) selected.setSearchField(_searchBar);
}

void EditorWindowController::setSearchBar(EditorSearchField* field)
{
    _searchBar = field;
    if (_selectedExplorerTab >= 0) {
        explorerTabSelected(_selectedExplorerTab);
    } else if (!field) {
        for (ExplorerNavigationItem* item : _navigationItems)
            if (item->takesSearchField()) item->setSearchField(nullptr);
    }
}

void EditorWindowController::currentMindMapChanged(const std::string& providerId)
{
    if (providerId.empty()) return;
    // The set-up tab stays while the user is setting up a provider.
    if (_selectedExplorerTab >= 0 && _navigationItems[_selectedExplorerTab]->providerId().empty()) return;
    for (int index = 0; index < int(_navigationItems.size()); ++index) {
        if (_navigationItems[index]->providerId() != providerId) continue;
        // Only an enabled item has a segment to select.
        if (!_navigationItems[index]->enabled()) return;
        explorerSegmentsChanged(index);
        syncExplorerSegments();
        return;
    }
}

void EditorWindowController::hideMindMapExplorer()
{
    if (_view) _view->setExplorerCollapsed(true);
    updateExplorerVisibility();
}

void EditorWindowController::toggleMindMapExplorer()
{
    if (_view) _view->setExplorerCollapsed(!_view->isExplorerCollapsed());
    updateExplorerVisibility();
}

void EditorWindowController::updateExplorerVisibility()
{
    if (_view) _view->setHideExplorerButtonOn(!isExplorerCollapsed());
}

void EditorWindowController::inspectorSegmentsChanged(int index)
{
    if (index < 0 || index >= int(std::size(InspectorTabIdentifiers))) return;
    _selectedInspectorTab = index;
    if (_view) _view->selectInspectorTab(index);
    updateOutlinerVisibility();
}

void EditorWindowController::updateOutlinerVisibility()
{
    const bool shown = !isInspectorCollapsed();
    if (_inspectorVisibility)
        _inspectorVisibility(shown && _selectedInspectorTab == OutlinerTab, shown && _selectedInspectorTab == NoteTab);
}

void EditorWindowController::hideInspectorPanel()
{
    if (_view) _view->setInspectorCollapsed(true);
    updateInspectorVisibility();
}

void EditorWindowController::toggleInspectorPanel()
{
    if (_view) _view->setInspectorCollapsed(!_view->isInspectorCollapsed());
    updateInspectorVisibility();
}

void EditorWindowController::updateInspectorVisibility()
{
    if (_view) _view->setHideInspectorButtonOn(!isInspectorCollapsed());
    updateOutlinerVisibility();
}

void EditorWindowController::showInspectorPanelWithIdentifier(const std::string& identifier)
{
    if (isInspectorCollapsed()) toggleInspectorPanel();
    for (int tab = 0; tab < int(std::size(InspectorTabIdentifiers)); ++tab)
        if (identifier == InspectorTabIdentifiers[tab]) inspectorSegmentsChanged(tab);
}

bool EditorWindowController::areFeedbackDetailsClosed() const
{
    if (!_view) return true;
    return _view->activityCaptionHeight() + ClosedActivityMargin >= _view->activityPaneHeight();
}

void EditorWindowController::updateFeedbackDisclosureButtonState()
{
    if (!_view) return;
    const bool closed = areFeedbackDetailsClosed();
    _view->setFeedbackDisclosure(closed, localized(closed ? "action_show_messages" : "action_hide_messages"));
}

void EditorWindowController::feedbackDisclosureClicked()
{
    if (!_view) return;
    const double leftPane = _view->leftPaneHeight();
    const double pane = _view->activityPaneHeight();
    const double caption = _view->activityCaptionHeight();
    double height;
    if (pane <= caption + ClosedActivityMargin) {
        height = _activityPaneHeight > 0 ? _activityPaneHeight : caption + FirstActivityOpening;
        height = std::min(height, leftPane);
    } else {
        _activityPaneHeight = pane;
        height = caption + ClosedActivityMargin;
    }
    _view->setActivityDivider(leftPane - height);
}

void EditorWindowController::startProgress(double, const std::string& title)
{
    if (_view) _view->setProgressTitle(TextExcerpt::excerpt(title, TextExcerpt::Name));
    setProgressIndicatorVisible(true);
}

void EditorWindowController::progress(double, const std::string& title)
{
    if (_view) _view->setProgressTitle(TextExcerpt::excerpt(title, TextExcerpt::Name));
}

void EditorWindowController::endProgress()
{
    setProgressIndicatorVisible(false);
}

void EditorWindowController::showEditorNotification(const std::shared_ptr<FeedbackItem>& item, double duration)
{
    if (_notificationDelegate) _notificationDelegate->showEditorNotification(item, duration);
}

void EditorWindowController::setProgressIndicatorVisible(bool visible)
{
    if (_progressVisible == visible) return;
    _progressVisible = visible;
    if (_view) _view->setProgressVisible(visible);
}

void EditorWindowController::splitViewDidResizeSubviews()
{
    if (!_windowLoaded || !_view) return;
    // A collapsed pane keeps the size it had open: that is the one to come back to.
    if (!_view->isExplorerCollapsed()) {
        _defaults.setDouble(SideBarWidthKey, _view->leftPaneWidth());
        _defaults.setDouble(ActivityPaneHeightKey, _view->activityPaneHeight());
    }
    if (!_view->isInspectorCollapsed()) _defaults.setDouble(InspectorWidthKey, _view->inspectorWidth());
    updateFeedbackDisclosureButtonState();
    updateInspectorVisibility();
    updateExplorerVisibility();
}

void EditorWindowController::windowWillClose()
{
    _defaults.setBool(ExplorerClosedKey, isExplorerCollapsed());
    _defaults.setBool(InspectorClosedKey, isInspectorCollapsed());
    if (_selectedInspectorTab >= 0 && _selectedInspectorTab < int(std::size(InspectorTabIdentifiers)))
        _defaults.setString(InspectorActiveTabKey, InspectorTabIdentifiers[_selectedInspectorTab]);
}

std::optional<WindowFrame> WindowFrame::fromPropertyList(const PropertyList& value)
{
    // Past this a number is no screen position but a typo, and would overflow the sums below.
    constexpr double Limit = 1e6;
    const PropertyList::Array* numbers = value.arrayValue();
    if (!numbers || numbers->size() != 4) return std::nullopt;
    int figures[4];
    for (size_t i = 0; i < 4; ++i) {
        const PropertyList& number = (*numbers)[i];
        if (number.type() != PropertyList::Type::Real && number.type() != PropertyList::Type::Integer)
            return std::nullopt;
        const double figure = number.realValue();
        if (!std::isfinite(figure) || std::fabs(figure) > Limit) return std::nullopt;
        figures[i] = static_cast<int>(std::lround(figure));
    }
    if (figures[2] <= 0 || figures[3] <= 0) return std::nullopt;
    return WindowFrame{figures[0], figures[1], figures[2], figures[3]};
}

PropertyList WindowFrame::propertyList() const
{
    return PropertyList(PropertyList::Array{x, y, width, height});
}

WindowFrame WindowFrame::clamp(WindowFrame frame, const std::vector<WindowFrame>& workAreas)
{
    if (workAreas.empty()) return frame;
    auto overlap = [](const WindowFrame& a, const WindowFrame& b) {
        const int64_t w = std::min<int64_t>(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
        const int64_t h = std::min<int64_t>(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
        return w > 0 && h > 0 ? w * h : 0;
    };
    auto distance = [](const WindowFrame& a, const WindowFrame& b) {
        const double dx = (a.x + a.width / 2.0) - (b.x + b.width / 2.0);
        const double dy = (a.y + a.height / 2.0) - (b.y + b.height / 2.0);
        return dx * dx + dy * dy;
    };
    const WindowFrame* best = &workAreas.front();
    for (const WindowFrame& area : workAreas) {
        const int64_t a = overlap(frame, area), b = overlap(frame, *best);
        if (a > b || (a == b && a == 0 && distance(frame, area) < distance(frame, *best))) best = &area;
    }
    const WindowFrame& area = *best;
    frame.width = std::min(frame.width, area.width);
    frame.height = std::min(frame.height, area.height);
    frame.x = std::clamp(frame.x, area.x, area.x + area.width - frame.width);
    frame.y = std::clamp(frame.y, area.y, area.y + area.height - frame.height);
    return frame;
}

RestoredWindowFrame restoreWindowFrame(const PropertyList& saved, const std::vector<WindowFrame>& workAreas,
                                       bool serverPlacesWindows)
{
    const std::optional<WindowFrame> frame = WindowFrame::fromPropertyList(saved);
    if (!frame) return {};
    return {WindowFrame::clamp(*frame, workAreas), !serverPlacesWindows};
}
