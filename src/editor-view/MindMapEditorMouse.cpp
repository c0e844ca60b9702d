#include "editor-view/MindMapEditor.h"

#include "MindMaps/CompositeElement.h"
#include "MindMaps/ContainedElement.h"
#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapElement.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapRelation.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RearrangeMarker.h"
#include "Utils/GeometryHelpers.h"
#include "platform/Localizer.h"
#include "platform/Menu.h"
#include "platform/UserDefaults.h"

#include <cmath>

namespace {

Point rounded(Point point)
{
    return {std::round(point.x), std::round(point.y)};
}

bool pastThreshold(Point a, Point b)
{
    return std::abs(a.x - b.x) >= MindMapEditor::DragThreshold || std::abs(a.y - b.y) >= MindMapEditor::DragThreshold;
}

// One axis of the auto-scroll vector: toward the edge the pointer is near, faster beyond it.
double autoScrollStep(double value, double extent)
{
    if (value < MindMapEditor::AutoScrollBand)
        return value > 0 ? -MindMapEditor::AutoScrollStep : -MindMapEditor::AutoScrollOutsideStep;
    if (value > extent - MindMapEditor::AutoScrollBand)
        return value < extent ? MindMapEditor::AutoScrollStep : MindMapEditor::AutoScrollOutsideStep;
    return 0;
}

std::shared_ptr<Menu> copyMenu(const Menu& menu)
{
    auto copy = std::make_shared<Menu>(menu.title());
    for (const std::shared_ptr<MenuItem>& item : menu.items()) {
        if (item->isSeparatorItem()) {
            copy->addItem(MenuItem::separatorItem());
            continue;
        }
        auto itemCopy = std::make_shared<MenuItem>(item->title(), item->action(), item->keyEquivalent());
        itemCopy->setKeyEquivalentModifiers(item->keyEquivalentModifiers());
        itemCopy->setTag(item->tag());
        itemCopy->setRepresentedValue(item->representedValue());
        itemCopy->setHidden(item->isHidden());
        if (const Menu* submenu = item->submenu()) itemCopy->setSubmenu(copyMenu(*submenu));
        copy->addItem(std::move(itemCopy));
    }
    return copy;
}

struct MenuEntry {
    const char* title;
    const char* action;
};

std::shared_ptr<Menu> toolMenu(const char* title, std::initializer_list<MenuEntry> entries)
{
    auto menu = std::make_shared<Menu>(localized(title));
    for (const MenuEntry& entry : entries) {
        if (!*entry.title) menu->addItem(MenuItem::separatorItem());
        else menu->addItem(localized(entry.title), entry.action);
    }
    return menu;
}

} // namespace

// ---- Settings ----

void MindMapEditor::setFocused(bool focused)
{
    const bool changed = focused != _focused;
    _focused = focused;
    if (!focused) cancelGesture();
    if (changed) interfaceChanged(InterfaceChange::Focus);
}

void MindMapEditor::setDoubleClickInterval(double seconds)
{
    if (std::isfinite(seconds) && seconds >= 0) _doubleClickInterval = seconds;
}

void MindMapEditor::setMenuSource(EditorMenuSource source)
{
    _menuSource = std::move(source);
    // Built again from the new menus when next asked for.
    _contextMenu.reset();
    _readOnlyMenu.reset();
}

double MindMapEditor::childMoveDelay()
{
    UserDefaults& defaults = UserDefaults::standard();
    if (defaults.objectForKey(ChildMoveDelayKey).isNone()) return DefaultChildMoveDelay;
    const auto delay = static_cast<float>(defaults.doubleForKey(ChildMoveDelayKey));
    if (!std::isfinite(delay)) return DefaultChildMoveDelay;
    return std::clamp(static_cast<double>(delay), MinimumChildMoveDelay, MaximumChildMoveDelay);
}

Point MindMapEditor::calculateAutoScrollVector(Point viewPoint) const
{
    return {autoScrollStep(viewPoint.x, _frameSize.width), autoScrollStep(viewPoint.y, _frameSize.height)};
}

void MindMapEditor::setPointingHandCursor(bool pointingHand)
{
    if (_host) _host->setPointingHandCursor(pointingHand);
}

// ---- Dispatch ----

bool MindMapEditor::pointerEvent(const PointerEvent& event)
{
    _currentModifiers = event.modifiers;
    if (trackingGesture()) {
        // Another button pressed or let go during a drag changes nothing; the drag's own button
        // ends it.
        if (event.kind == PointerEventKind::Motion ||
            (event.kind == PointerEventKind::Release && event.button == _gesture.button))
            gestureEvent(event);
        return true;
    }
    if (event.kind != PointerEventKind::Press) return false;
    if (event.button == SecondaryButton) rightMouseDown(event);
    else mouseDown(event);
    return true;
}

void MindMapEditor::mouseDown(const PointerEvent& event)
{
    const bool busy = inplaceEditOpen() || _ignoreMouseDown || popoverShown();
    // Also commits an open in-place edit and closes the bars: such a press does nothing more.
    cancelEditorModes(false);
    if (busy || !enabled()) return;
    MindMap& map = *_mindMap;
    const Point point = viewToMapSpace(event.viewPoint);
    const bool leftButton = event.button == PrimaryButton;

    if (const int64_t tool = _elementTools.hitTest(point); tool >= 0) {
        if (_crossLinkSource) externalCancelCrossLinkMode();
        handleElementToolsWithEvent(event, tool);
        return;
    }

    if (_crossLinkSource && !leftButton) {
        externalCancelCrossLinkMode();
        return;
    }

    MindMapElement* hit = map.hitTestNodes(point, nullptr, true);
    if (!hit) {
        if (MindMapNode* marked = map.hitTestMarkerTools(point)) {
            cancelEditorModes(true);
            if (marked->isVisible()) {
                map.setSelectedElement(marked);
                map.toggleCollapsed();
            } else {
                map.setSelectedElement(marked->parentRelation());
                map.showTopic(marked);
                map.setSelectedElement(marked);
            }
            return;
        }
        hit = map.hitTestRelations(point);
    }
    if (!hit) {
        if (!leftButton) return;
        if (event.clickCount >= 2) {
            if (_crossLinkSource) externalCancelCrossLinkMode();
            if (_readOnly) return;
            if (map.selectedElement()) {
                if (ContainedElement* contained = map.selectedContainedElement())
                    map.setSelectedElement(contained->container());
                map.addChildNodeAtLocation(point);
            } else {
                map.addCentralThemeAtLocation(point);
            }
            return;
        }
        if (event.modifiers & ControlModifier) {
            startLassoSelectionWithEvent(event);
            return;
        }
        if (_scheduler)
            _clearSelectionCall = _scheduler->performAfterDelay(_doubleClickInterval + ClearSelectionExtraDelay,
                                                                [this] { clearSelectionTimerTick(); });
        startScrollingWithEvent(event);
        return;
    }

    if (_crossLinkSource) {
        if (hit->elementType() == ElementTypeNode && handleCrossLinkCreation(static_cast<MindMapNode*>(hit))) return;
        externalCancelCrossLinkMode();
    }

    if (!leftButton) {
        const auto& selection = map.selection();
        const bool keep = !_readOnly && map.hasMultipleSelection() &&
            std::find(selection.begin(), selection.end(), hit) != selection.end();
        if (!keep) map.setSelectedElement(hit);
        return;
    }

    if (event.clickCount < 2) {
        if (!(event.modifiers & (ControlModifier | AltModifier)) && handleNodeDetailsClick(hit, point)) return;
        if (_readOnly) {
            map.setSelectedElement(hit);
            startScrollingWithEvent(event);
        } else {
            moveSelectedElement(hit, event);
        }
        return;
    }

    map.setSelectedElement(hit);
    if (_readOnly) {
        if (hit->elementType() == ElementTypeImage) openFullSizeImage();
    } else {
        switch (hit->elementType()) {
        case ElementTypeNode:
        case ElementTypeText:
            map.editText();
            break;
        case ElementTypeCrossLink:
        case ElementTypeParentRelation:
            map.editRelation(static_cast<MindMapRelation*>(hit));
            break;
        case ElementTypeImage:
            openFullSizeImage();
            break;
        default:
            break;
        }
    }
    updateElementToolsVisibility();
}

void MindMapEditor::rightMouseDown(const PointerEvent& event)
{
    popUpMenu(menuForEvent(event), event.viewPoint);
}

bool MindMapEditor::handleCrossLinkCreation(MindMapNode* topic)
{
    if (!_crossLinkSource || !_mindMap) return false;
    MindMapNode* source = _crossLinkSource;
    externalCancelCrossLinkMode();
    if (topic == source) return true;
    if (CrossLink* link = _mindMap->addCrossLinkFromSource(source, topic)) _mindMap->setSelectedElement(link);
    return true;
}

// ---- Details of a topic ----

bool MindMapEditor::handleNodeDetailsClick(MindMapElement* element, Point mapPoint)
{
    if (!element || element->elementType() != ElementTypeNode) return false;
    auto* topic = static_cast<MindMapNode*>(element);
    bool acted = false;
    switch (topic->getHitTestInfo(mapPoint)) {
    case MindMapNode::HitIcon:
        acted = handleIconClick(topic);
        break;
    case MindMapNode::HitCheckbox:
        acted = handleCheckboxClick(topic, mapPoint);
        break;
    case MindMapNode::HitDateIcon:
        acted = handleDateClick(topic, true);
        break;
    case MindMapNode::HitDateText:
        acted = handleDateClick(topic, false);
        break;
    case MindMapNode::HitLinkIcon:
        acted = handleLinkClick(topic);
        break;
    case MindMapNode::HitVoiceMemo:
        acted = handleVoiceMemoClick(topic);
        break;
    default:
        break;
    }
    if (!acted) return false;
    // The second press of a double click on the detail must not act again.
    _ignoreMouseDown = true;
    if (_scheduler)
        _resetIgnoreMouseDownCall =
            _scheduler->performAfterDelay(_doubleClickInterval, [this] { resetIgnoreMouseDown(); });
    return true;
}

bool MindMapEditor::handleIconClick(MindMapNode* topic)
{
    if (_readOnly) return false;
    _mindMap->setSelectedElement(topic);
    _mindMap->showIconPickerPanel();
    return true;
}

bool MindMapEditor::handleCheckboxClick(MindMapNode* topic, Point mapPoint)
{
    if (_readOnly) return false;
    _mindMap->setSelectedElement(topic);
    if (topic->checkboxMode() == 1) {
        _mindMap->toggleCheckedState();
    } else if (Menu* menu = _menuSource.checkboxMenu ? _menuSource.checkboxMenu() : nullptr) {
        // The application's own menu, shared without being owned.
        popUpMenu(std::shared_ptr<Menu>(std::shared_ptr<Menu>(), menu), mapToViewSpace(mapPoint));
    }
    return true;
}

bool MindMapEditor::handleDateClick(MindMapNode* topic, bool onIcon)
{
    if (_readOnly) return false;
    if (!onIcon && topic->showsOnlyDate()) return false;
    _mindMap->setSelectedElement(topic);
    _mindMap->showDatePickerPanel();
    return true;
}

void MindMapEditor::clearSelectionTimerTick()
{
    if (!_mindMap) return;
    if (_mindMap->hasMultipleSelection()) _mindMap->forceSingleSelection();
    else _mindMap->setSelectedElement(nullptr);
}

void MindMapEditor::resetIgnoreMouseDown()
{
    _ignoreMouseDown = false;
}

// ---- Gestures ----

void MindMapEditor::beginGesture(EditorGesture kind, const PointerEvent& event)
{
    _gesture = GestureSession();
    _gesture.kind = kind;
    _gesture.button = event.button;
    _gesture.pressView = event.viewPoint;
    _gesture.lastView = event.viewPoint;
    _gesture.lastMap = viewToMapSpace(event.viewPoint);
    if (_scheduler) _gesture.mode = _scheduler->enterMode(EventTrackingRunLoopMode);
    if (_host && kind != EditorGesture::Scroll) _host->setPeriodicTicks(true);
    interfaceChanged(InterfaceChange::Gesture);
}

void MindMapEditor::moveSelectedElement(MindMapElement* element, const PointerEvent& event)
{
    beginGesture(EditorGesture::Move, event);
    _gesture.branchDeadline = event.time + childMoveDelay();
    bool canSelectBranch = false;
    _elementMover.beginMoveOperation(element, event.modifiers, _gesture.lastMap, canSelectBranch);
    _gesture.canSelectBranch = canSelectBranch;
}

// The scroll and lasso gestures step in whole points; whether the drag has started is measured
// unrounded, so that a drag of 2.9 points never counts as 3.
void MindMapEditor::startScrollingWithEvent(const PointerEvent& event)
{
    setScrolling(false);
    beginGesture(EditorGesture::Scroll, event);
    _gesture.lastView = rounded(event.viewPoint);
}

void MindMapEditor::startLassoSelectionWithEvent(const PointerEvent& event)
{
    beginGesture(EditorGesture::Lasso, event);
    _gesture.lastView = rounded(event.viewPoint);
    _dragSelector.beginMoveOperation(viewToMapSpace(_gesture.lastView), event.modifiers & ShiftModifier);
}

void MindMapEditor::handleElementToolsWithEvent(const PointerEvent& event, int64_t tool)
{
    if (!_mindMap || !_mindMap->selectedElement()) return;
    beginGesture(EditorGesture::Tool, event);
    _gesture.tool = tool;
    _gesture.longPressApplies = tool == ElementToolCollapse || tool == ElementToolRotate ||
        tool == ElementToolHideTopic || tool == ElementToolWordWrap;
    _gesture.longPressDeadline = event.time + (tool == ElementToolRotate ? RotateLongPressDelay : LongPressDelay);
    _elementTools.beginToolMove(tool, _gesture.lastMap);
}

void MindMapEditor::gestureEvent(const PointerEvent& event)
{
    switch (_gesture.kind) {
    case EditorGesture::Move:
        moveStep(event);
        break;
    case EditorGesture::Scroll:
        scrollStep(event);
        break;
    case EditorGesture::Lasso:
        lassoStep(event);
        break;
    case EditorGesture::Tool:
        toolStep(event);
        break;
    default:
        break;
    }
    if (event.kind == PointerEventKind::Release) endGesture(false);
}

void MindMapEditor::moveStep(const PointerEvent& event)
{
    const Point view = event.viewPoint;
    _gesture.autoScrollVector = calculateAutoScrollVector(view);
    const Point point = viewToMapSpace(view);
    if (!_elementMover.isDragging() && pastThreshold(view, _gesture.pressView)) {
        _gesture.canSelectBranch = false;
        _elementMover.startMoving();
        updateElementToolsVisibility();
    }
    if (_elementMover.isDragging() && point != _gesture.lastMap) {
        // A step redraws what it changed, not the whole view: on a large map a whole repaint
        // costs many frames.
        const std::optional<Rect> before = dragStepDamage();
        ++_displayBatch;
        _displayRequested = false;
        _elementMover.moveSelection(point);
        // The lines to the moved topics are routed as the paint would route them.
        if (_displayRequested && _mindMap) _mindMap->validateElementStates();
        --_displayBatch;
        if (_displayRequested) {
            const std::optional<Rect> after = dragStepDamage();
            if (before && after) setNeedsDisplayInRect(unionRect(*before, *after));
            else setNeedsDisplay();
        }
    }
    _gesture.lastMap = point;
    _gesture.lastView = view;
}

std::optional<Rect> MindMapEditor::dragStepDamage() const
{
    // Room for what is drawn beside a topic's bounds: shadows, the selection frame, fold markers,
    // numbers below it; the drop target also glows.
    constexpr double Margin = 30;
    constexpr double GlowMargin = 44;
    constexpr size_t MaximumTopics = 200;
    if (!_mindMap) return std::nullopt;
    const MindMap& map = *_mindMap;
    const std::vector<MindMapElement*>& selected = map.selectionWithMask(ElementTypeNode);
    if (selected.empty() || selected.size() > MaximumTopics) return std::nullopt;
    Rect area;
    auto add = [&area](const Rect& rect, double margin) {
        if (rect.width() >= 0 && rect.height() >= 0) area = unionRect(area, insetRect(rect, -margin, -margin));
    };
    auto addRelation = [&](const MindMapRelation* relation) {
        if (relation) add(relation->unionContainedElementBounds(relation->bounds()), Margin);
    };
    for (const MindMapElement* element : selected) {
        const auto* node = static_cast<const MindMapNode*>(element);
        // A hull round the topic or a branch above it changes shape with every step.
        for (const MindMapNode* up = node; up; up = up->parent())
            if (up->showHull()) return std::nullopt;
        // The neighbours stay; the lines to them move with the topic.
        add(node->boundsIncludingContainedElements(), Margin);
        if (node->parent()) addRelation(node->parentRelation());
        for (const MindMapNode* child : node->children()) addRelation(child->parentRelation());
    }
    for (const CrossLink* link : map.crossLinks()) {
        const MindMapNode* source = link->sourceNode();
        const MindMapNode* target = link->targetNode();
        if ((source && source->isSelected()) || (target && target->isSelected())) addRelation(link);
    }
    if (const RearrangeMarker* marker = map.rearrangeMarker(); marker && marker->visible())
        add(marker->bounds(), Margin);
    if (const MindMapNode* target = map.dropTarget()) add(target->bounds(), GlowMargin);
    for (size_t i = 0; i < _snapEngine.getGuideLineCount(); ++i) {
        const GuideLine& line = _snapEngine.getGuideLineAtIndex(i);
        add(RectFromPoints(line.anchor(), line.endPoint()), Margin);
    }
    return mapRectToViewRect(area);
}

void MindMapEditor::scrollStep(const PointerEvent& event)
{
    const Point point = rounded(event.viewPoint);
    if (!_scrolling && pastThreshold(event.viewPoint, _gesture.pressView)) setScrolling(true);
    if (_scrolling && point != _gesture.lastView) {
        // The map follows the pointer.
        scrollBy(_gesture.lastView.x - point.x, _gesture.lastView.y - point.y);
        _gesture.lastView = point;
    }
}

void MindMapEditor::lassoStep(const PointerEvent& event)
{
    const Point view = rounded(event.viewPoint);
    if (!_dragSelector.isSelecting() && pastThreshold(event.viewPoint, _gesture.pressView)) _dragSelector.startMoving();
    if (!_dragSelector.isSelecting()) return;
    _gesture.autoScrollVector = calculateAutoScrollVector(view);
    if (view != _gesture.lastView) {
        _dragSelector.moveSelection(viewToMapSpace(view));
        _gesture.lastView = view;
    }
}

void MindMapEditor::toolStep(const PointerEvent& event)
{
    _gesture.autoScrollVector = calculateAutoScrollVector(event.viewPoint);
    _gesture.lastView = event.viewPoint;
    _gesture.lastMap = viewToMapSpace(event.viewPoint);
    _elementTools.moveActiveToolTo(_gesture.lastMap);
}

void MindMapEditor::tick(const TickEvent& event)
{
    switch (_gesture.kind) {
    case EditorGesture::Move:
        if (_gesture.canSelectBranch && event.time >= _gesture.branchDeadline) {
            _gesture.canSelectBranch = false;
            _elementMover.branchSelectionTimerTick();
        } else if (_elementMover.isDragging() && autoScrollWithVector(_gesture.autoScrollVector)) {
            _elementMover.moveSelection(viewToMapSpace(_gesture.lastView));
        }
        break;
    case EditorGesture::Lasso:
        if (_dragSelector.isSelecting() && autoScrollWithVector(_gesture.autoScrollVector))
            _dragSelector.moveSelection(viewToMapSpace(_gesture.lastView));
        break;
    case EditorGesture::Tool:
        if (_gesture.longPressApplies && event.time >= _gesture.longPressDeadline) {
            // A held fold or hide handle opens its menu even after a small move; a wrap or turn
            // handle that is being dragged keeps dragging.
            const bool clickOnly = _gesture.tool == ElementToolCollapse || _gesture.tool == ElementToolHideTopic;
            if (clickOnly || !_elementTools.isDragging()) {
                _gesture.longPressFired = true;
                endGesture(false);
                return;
            }
            _gesture.longPressApplies = false;
        }
        if (_elementTools.supportsAutoScroll() && autoScrollWithVector(_gesture.autoScrollVector))
            _elementTools.moveActiveToolTo(viewToMapSpace(_gesture.lastView));
        break;
    default:
        break;
    }
}

void MindMapEditor::cancelGesture()
{
    if (trackingGesture()) endGesture(true);
}

void MindMapEditor::endGesture(bool cancelled)
{
    // Cleared first: what the end does may ask whether a gesture runs.
    const EditorGesture kind = _gesture.kind;
    const int64_t tool = _gesture.tool;
    // Putting the map back reads it anew, which would scroll it as a freshly opened one.
    const Point position = _position;
    const bool longPressed = _gesture.longPressFired && !cancelled;
    _gesture.kind = EditorGesture::None;
    _gesture.canSelectBranch = false;
    if (_host) _host->setPeriodicTicks(false);
    switch (kind) {
    case EditorGesture::Move:
        if (cancelled) _elementMover.cancelMoveOperation();
        _elementMover.endMoveOperation();
        updateElementToolsVisibility();
        break;
    case EditorGesture::Scroll:
        // The painter's simplified lines end with the scrolling.
        setScrolling(false);
        break;
    case EditorGesture::Lasso:
        if (cancelled) _dragSelector.cancelMoveOperation();
        _dragSelector.endMoveOperation();
        break;
    case EditorGesture::Tool:
        if (_mindMap) _mindMap->setDropTarget(nullptr);
        if (cancelled || longPressed) _elementTools.cancelToolMove();
        else _elementTools.endToolMove();
        break;
    default:
        break;
    }
    if (cancelled && _position != position) setPosition(position);
    // The held-back calls (autosave, the clear-selection tick) may run from here on.
    _gesture.mode.end();
    interfaceChanged(InterfaceChange::Gesture);
    if (longPressed) toolLongPressed(tool);
}

void MindMapEditor::toolLongPressed(int64_t tool)
{
    const Point at = mapToViewSpace(_elementTools.toolLocation(tool));
    switch (tool) {
    case ElementToolCollapse:
        popUpMenu(collapseToolMenu(), at);
        break;
    case ElementToolRotate:
        popUpMenu(rotateToolMenu(), at);
        break;
    case ElementToolHideTopic:
        popUpMenu(hideTopicToolMenu(), at);
        break;
    case ElementToolWordWrap:
        if (_mindMap) _mindMap->applyDefaultWordWrap();
        scrollSelectedElementVisible();
        break;
    default:
        break;
    }
}

// ---- Menus ----

std::shared_ptr<Menu> MindMapEditor::menuForEvent(const PointerEvent& event)
{
    cancelEditorModes(true);
    if (_mindMap && enabled()) {
        if (MindMapElement* element = _mindMap->hitTestNodes(viewToMapSpace(event.viewPoint), nullptr, true))
            _mindMap->setSelectedElement(element);
    }
    return _readOnly ? readOnlyEditorMenu() : readWriteEditorMenu();
}

std::shared_ptr<Menu> MindMapEditor::readOnlyEditorMenu()
{
    if (_readOnlyMenu) return _readOnlyMenu;
    _readOnlyMenu = std::make_shared<Menu>();
    // Ctrl+Alt+P: the command and control keys of the platform the shortcut comes from.
    _readOnlyMenu->addItem(localized("action_exit_presentation_mode"), "togglePresentationMode:", "p")
        .setKeyEquivalentModifiers(ControlKeyModifier | AlternateKeyModifier);
    _readOnlyMenu->addItem(MenuItem::separatorItem());
    for (const auto& source : {_menuSource.expansionMenu, _menuSource.zoomMenu}) {
        const Menu* menu = source ? source() : nullptr;
        if (!menu) continue;
        _readOnlyMenu->addItem(menu->title(), "").setSubmenu(copyMenu(*menu));
    }
    return _readOnlyMenu;
}

std::shared_ptr<Menu> MindMapEditor::readWriteEditorMenu()
{
    if (_contextMenu) return _contextMenu;
    const Menu* edit = _menuSource.editMenu ? _menuSource.editMenu() : nullptr;
    _contextMenu = edit ? copyMenu(*edit) : std::make_shared<Menu>();
    if (const Menu* style = _menuSource.styleMenu ? _menuSource.styleMenu() : nullptr) {
        _contextMenu->addItem(MenuItem::separatorItem());
        const std::shared_ptr<Menu> styleCopy = copyMenu(*style);
        for (const std::shared_ptr<MenuItem>& item : styleCopy->items()) _contextMenu->addItem(item);
    }
    return _contextMenu;
}

std::shared_ptr<Menu> MindMapEditor::collapseToolMenu()
{
    return toolMenu("collapse_menu_title",
                    {{"collapse_children", "collapseChildren:"},
                     {"expand_children", "expandChildren:"},
                     {"collapse_full", "fullCollapse:"},
                     {"expand_full", "fullExpand:"}});
}

std::shared_ptr<Menu> MindMapEditor::hideTopicToolMenu()
{
    return toolMenu("hide_show_menu_title",
                    {{"hide_selected", "hideSelected:"},
                     {"hide_children", "hideChildren:"},
                     {"hide_full", "fullHide:"},
                     {"", ""},
                     {"show_selected", "showSelected:"},
                     {"show_children", "showChildren:"},
                     {"show_full", "fullShow:"}});
}

std::shared_ptr<Menu> MindMapEditor::rotateToolMenu()
{
    return toolMenu("rotate_flip_title",
                    {{"rotate_90_right", "rotate90CW:"},
                     {"rotate_90_left", "rotate90CCW:"},
                     {"rotate_180", "rotate180:"},
                     {"flip_horizontal", "flipBranchHorizontal:"},
                     {"flip_vertical", "flipBranchVertical:"}});
}

void MindMapEditor::popUpMenu(const std::shared_ptr<Menu>& menu, Point viewPoint)
{
    if (!menu || !_menuPresenter) return;
    if (_menuSource.validateMenu) _menuSource.validateMenu(*menu);
    _shownMenu = menu;
    _menuPresenter->popUpMenu(*menu, viewPoint, -1, [this](MenuItem& item) {
        if (_menuSource.sendAction) _menuSource.sendAction(item);
        else performAction(item.action(), &item);
    });
}
