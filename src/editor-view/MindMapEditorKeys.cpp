#include "editor-view/EditorKeyBindings.h"
#include "editor-view/MindMapEditor.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapElement.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/GregorianCalendar.h"

#include <cmath>

namespace {

// The arrow commands and the keys the keyboard navigation takes for them.
constexpr std::pair<const char*, int32_t> ArrowCommands[] = {
    {"moveUp:", KeyboardHandler::KeyUp},
    {"moveDown:", KeyboardHandler::KeyDown},
    {"moveLeft:", KeyboardHandler::KeyLeft},
    {"moveRight:", KeyboardHandler::KeyRight},
};

Rect roundedRect(const Rect& rect)
{
    const double x = std::round(rect.minX());
    const double y = std::round(rect.minY());
    return {x, y, std::round(rect.maxX()) - x, std::round(rect.maxY()) - y};
}

} // namespace

// ---- Keys ----

bool MindMapEditor::keyDown(const KeyEvent& event)
{
    _currentModifiers = event.modifiers;
    if (trackingGesture()) {
        if (event.keyValue == KeyValues::Escape) cancelGesture();
        return true;
    }
    if (!enabled()) return false;
    const std::optional<std::string> command = EditorKeyBindings::standard().commandForKey(event);
    return command && performKeyCommand(*command);
}

bool MindMapEditor::performKeyCommand(const std::string& command)
{
    // The map's commands check the read-only state and the selection themselves.
    if (!enabled()) return false;
    MindMap& map = *_mindMap;
    if (command == "insertTab:") {
        map.addChildNode();
        return true;
    }
    if (command == "insertNewline:") {
        map.addSiblingNode();
        return true;
    }
    if (command == "insertLineBreak:") {
        map.insertNode();
        return true;
    }
    if (command == "deleteBackward:" || command == "deleteForward:") {
        if (!_readOnly) map.delete_();
        return true;
    }
    if (command == "deleteWordBackward:") {
        if (!_readOnly) map.deleteAlt();
        return true;
    }
    for (const auto& [name, key] : ArrowCommands) {
        if (command != name) continue;
        _keyboardHandler.arrowKeyPressed(key);
        return true;
    }
    // The rest are the editor's own actions: Escape, scrolling and zooming.
    return performAction(command, nullptr);
}

void MindMapEditor::cancelOperation()
{
    if (_crossLinkSource || popoverShown()) {
        cancelEditorModes(true);
        return;
    }
    if (!_mindMap || !_mindMap->selectedElement()) {
        NotificationCenter::defaultCenter().post(EscapePressedNotification, this);
        return;
    }
    clearSelectionTimerTick();
}

// ---- Popovers ----

bool MindMapEditor::isActionBarVisible() const
{
    return (_actionBarPresenter && _actionBarPresenter->isActionBarShown()) || datePickerShown();
}

void MindMapEditor::closePopovers()
{
    if (_actionBarPresenter && _actionBarPresenter->isActionBarShown()) _actionBarPresenter->closeActionBars();
    if (std::shared_ptr<PopoverPresenter::Popover> popover = std::move(_datePickerPopover)) {
        _datePickerPopover.reset();
        if (popover->isShown()) popover->close();
    }
}

void MindMapEditor::invokeElementActionBar()
{
    cancelEditorModes(true);
    if (!_mindMap) return;
    MindMapElement* element = _mindMap->selectedElement();
    if (!element) return;
    ElementActionBarPresenter::Kind kind;
    switch (element->elementType()) {
    case ElementTypeNode:
        kind = ElementActionBarPresenter::Kind::Node;
        break;
    case ElementTypeCrossLink:
    case ElementTypeParentRelation:
        kind = ElementActionBarPresenter::Kind::Relation;
        break;
    case ElementTypeImage:
        kind = ElementActionBarPresenter::Kind::Image;
        break;
    case ElementTypeText:
        kind = ElementActionBarPresenter::Kind::Text;
        break;
    default:
        return;
    }
    if (!_actionBarPresenter) return;
    const Size content = _actionBarPresenter->contentSize(kind);
    Rect rect = mapRectToViewRect(_actionBarPresenter->elementPopupBounds(kind, element));
    // Room above the element for the bar: the map moves down until it fits.
    const double room = content.height + ActionBarTopMargin;
    if (rect.minY() < room) {
        const double before = _position.y;
        scrollBy(0, rect.minY() - room);
        rect.origin.y -= _position.y - before;
    }
    _actionBarPresenter->showActionBar(kind, roundedRect(rect));
    if (_host) _host->focusEditor();
}

void MindMapEditor::invokeDatePicker()
{
    cancelEditorModes(true);
    if (!_mindMap) return;
    MindMapNode* topic = _mindMap->selectedNode();
    if (!topic) return;
    scrollSelectedElementVisible();
    _datePickerInitialDate = topic->date().value_or(std::chrono::system_clock::now());
    _datePickerPopover.reset();
    if (!_popoverPresenter) return;
    PopoverPresenter::Request request;
    request.content = DatePickerContent;
    request.relativeTo = mapRectToViewRect(topic->bounds());
    request.preferredEdge = PopoverPresenter::Edge::Bottom;
    request.behavior = PopoverPresenter::Behavior::Semitransient;
    auto shown = std::make_shared<std::weak_ptr<PopoverPresenter::Popover>>();
    _datePickerPopover = _popoverPresenter->showPopover(request, [this, shown] {
        // Only the picker that closed is let go: a later one may have taken its place.
        if (_datePickerPopover && _datePickerPopover == shown->lock()) _datePickerPopover.reset();
    });
    *shown = _datePickerPopover;
}

void MindMapEditor::popoverDatePicked(std::optional<Date> date)
{
    cancelEditorModes(true);
    if (_mindMap) _mindMap->applyDate(date);
}

MindMapEditor::Date MindMapEditor::dateForPickedDay(Date initialDate, int year, int month, int day)
{
    const GregorianCalendar calendar;
    DateComponents components = calendar.components(initialDate);
    const auto onPickedDay = [&](const std::optional<Date>& date) {
        if (!date) return false;
        const DateComponents got = calendar.components(*date);
        return got.year == year && got.month == month && got.day == day;
    };
    // A day that carried over into another (the 31st of a shorter month) is no day of the picker.
    if (!onPickedDay(calendar.dateFromComponents({year, month, day, 12, 0, 0}))) return initialDate;
    // A time of day the clocks skip on that day (a change to summer time, some zones change at
    // midnight) comes back shifted by the skip, possibly into the day before: step forward past
    // the skip, or, late in the day, back before it.
    constexpr int StepMinutes = 15;
    constexpr int MaxSteps = 24 * 60 / StepMinutes;
    for (int step = 0; step <= MaxSteps; ++step) {
        for (const int sign : {1, -1}) {
            const DateComponents wanted{year,
                                        month,
                                        day,
                                        components.hour,
                                        components.minute + sign * step * StepMinutes,
                                        step == 0 ? components.second : 0};
            const std::optional<Date> date = calendar.dateFromComponents(wanted);
            if (onPickedDay(date)) return *date;
            if (step == 0) break;
        }
    }
    return initialDate;
}
