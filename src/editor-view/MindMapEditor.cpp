#include "editor-view/MindMapEditor.h"

#include "MindMaps/HierarchyListener.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapCommandValidation.h"
#include "MindMaps/MindMapEditorScrollState.h"
#include "MindMaps/MindMapElement.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/TopicHideTool.h"
#include "editor-view/MindMapSpellChecker.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

constexpr const char* GlobalScaleFactorKey = "editorGlobalScaleFactor";
constexpr const char* SuppressShadowsKey = "suppressShadows";
constexpr const char* TopicHasHideToolKey = "topicHasHideTool";
constexpr const char* ContinuousSpellCheckingKey = "continuousSpellChecking";
constexpr const char* AutomaticSpellingCorrectionKey = "automaticSpellingCorrection";
constexpr const char* RestoreZoomFactorKey = "restoreZoomFactor";

bool boolDefault(const char* key, bool absent)
{
    UserDefaults& defaults = UserDefaults::standard();
    return defaults.objectForKey(key).isNone() ? absent : defaults.boolForKey(key);
}

// The stored global factor is read in single precision. Below the smallest factor (an absent value
// reads as 0) it means "unset"; one that is no number is unset too, and one above the largest is
// taken as the largest, as setting it would.
double storedGlobalScaleFactor()
{
    const double stored = UserDefaults::standard().doubleForKey(GlobalScaleFactorKey);
    if (!(stored >= 0)) return 1.0;
    // Limited before the conversion: a value beyond the range of float has none.
    const float factor = static_cast<float>(std::min(stored, MindMapEditor::MaximumGlobalScale));
    return factor >= MindMapEditor::MinimumGlobalScale ? factor : 1.0;
}

} // namespace

MindMapEditor::MindMapEditor(Scheduler* scheduler) : _scheduler(scheduler)
{
    _monitorScaleFactor = calcDeviceScaleFactor();
    _userScaleFactor = 1.0;
    readDefaults();
    updateScaleFactors();
    observeDefaults();
    registerActions();
    registerSpellingActions();
    _datePickerObservation = NotificationCenter::defaultCenter().addObserver(
        MindMap::InvokeDatePickerNotification, nullptr, [this](const Notification& notification) {
            if (_mindMap && notification.object == _mindMap.get()) invokeDatePicker();
        });
    _contactHandler = std::make_unique<ContactHandler>(this);
    registerPictureActions();
}

MindMapEditor::~MindMapEditor()
{
    _defaultsObservations.clear();
    _datePickerObservation = ObservationToken();
    _autoFocusser.setDelegate(nullptr);
    // The window that listens may be going too: an editor that goes tells nobody.
    _host = nullptr;
    _crossLinkFeedback = nullptr;
    cancelGesture();
    // Also an operation begun without a gesture: the mover must not reach back into an editor
    // whose members are going.
    _elementMover.cancelMoveOperation();
    cancelEditorModes(true);
    setMindMap(nullptr);
    _refocusCall.cancel();
    _releaseRetiredCall.cancel();
    releaseRetiredEditors();
}

void MindMapEditor::readDefaults()
{
    UserDefaults& defaults = UserDefaults::standard();
    _globalScaleFactor = storedGlobalScaleFactor();
    _continuousSpellCheckEnabled = boolDefault(ContinuousSpellCheckingKey, true);
    _automaticSpellingCorrectionEnabled = boolDefault(AutomaticSpellingCorrectionKey, true);
    if (defaults.objectForKey(ApplyDefaultWordWrapKey).isNone()) defaults.setBool(ApplyDefaultWordWrapKey, true);
    _suppressShadows = defaults.boolForKey(SuppressShadowsKey);
    _topicHasHideTool = defaults.boolForKey(TopicHasHideToolKey);
    ::setTopicHasHideTool(_topicHasHideTool);
}

void MindMapEditor::observeDefaults()
{
    UserDefaults& defaults = UserDefaults::standard();
    _defaultsObservations.push_back(defaults.observe(SuppressShadowsKey, [this](const std::string&) {
        setSuppressShadows(UserDefaults::standard().boolForKey(SuppressShadowsKey));
    }));
    // Read as at creation: a removed value means 1, not the smallest factor.
    _defaultsObservations.push_back(defaults.observe(
        GlobalScaleFactorKey, [this](const std::string&) { setEditorGlobalScaleFactor(storedGlobalScaleFactor()); }));
    _defaultsObservations.push_back(defaults.observe(TopicHasHideToolKey, [this](const std::string&) {
        setTopicHasHideTool(UserDefaults::standard().boolForKey(TopicHasHideToolKey));
    }));
}

void MindMapEditor::setNeedsDisplay()
{
    if (_displayBatch > 0) {
        _displayRequested = true;
        return;
    }
    _canvasPicture.invalidate();
    if (_host) _host->setNeedsDisplay();
}

void MindMapEditor::setNeedsDisplayInRect(const Rect& viewRect)
{
    _canvasPicture.invalidateRect(viewRect);
    if (_host) _host->setNeedsDisplayInRect(viewRect);
}

void MindMapEditor::setNeedsDisplayForNewPosition()
{
    if (_displayBatch > 0) {
        _displayRequested = true;
        return;
    }
    if (_host) _host->setNeedsDisplay();
}

// ---- Widget ----

void MindMapEditor::setFrameSize(Size size)
{
    if (!std::isfinite(size.width) || !std::isfinite(size.height)) return;
    size.width = std::max(0.0, size.width);
    size.height = std::max(0.0, size.height);
    if (size == _frameSize) return;
    _frameSize = size;
    if (_openingPlacement >= 0) placeLoadedMindMap(_openingPlacement);
    setNeedsDisplay();
}

void MindMapEditor::setBackingScaleFactor(double factor)
{
    if (!(factor > 0) || !std::isfinite(factor) || factor == _backingScaleFactor) return;
    _backingScaleFactor = factor;
    setNeedsDisplay();
}

// ---- Map ----

void MindMapEditor::setMindMap(std::shared_ptr<MindMap> mindMap)
{
    if (mindMap == _mindMap) return;
    // A drag of the old map ends on the old map, before the editor lets go of it.
    cancelGesture();
    _elementTools.cancelToolMove();
    cancelEditorModes(true);
    _toolTipRects.clear();
    if (_mindMap) {
        // The map keeps how it was viewed, for when it is shown again.
        if (_mindMap->nodeEditor() == this) _mindMap->getEditorScrollState();
        if (_mindMap->nodeEditor() == this) _mindMap->setNodeEditor(nullptr);
        _mindMap->setModelessEditor(nullptr);
        _mindMap->setHierarchyListener(nullptr);
        // The listener's rows point into the outgoing map, which may be freed with it.
        if (_hierarchyListener) _hierarchyListener->dropSelection();
    }
    _mindMap = std::move(mindMap);
    _branchBounds.invalidate();
    _openingPlacement = -1;
    if (_mindMap) {
        // Each map is viewed at its own zoom, not at the one the map before was left at.
        const MindMapEditorScrollState* shown = _mindMap->nodeEditor() ? nullptr : _mindMap->getEditorScrollState();
        setUserScaleFactor(shown ? zoomForShownMap(*shown) : 1.0);
        // A map shown while the editor is read-only (presenting) is read-only too: its own
        // commands ask the map, not the editor.
        _mindMap->setReadOnly(_readOnly);
        _mindMap->setNodeEditor(this);
        _mindMap->setModelessEditor(_modelessEditor);
        _mindMap->setHierarchyListener(_hierarchyListener);
        if (_hierarchyListener) _hierarchyListener->hierarchyChanged();
    }
    if (_spellChecker) _spellChecker->setMindMap(_mindMap.get());
    _elementTools.attachToSelection();
    updateElementToolsVisibility();
    setNeedsDisplay();
    interfaceChanged(InterfaceChange::Map);
}

bool MindMapEditor::enabled() const
{
    return _mindMap && _mindMap->enabled();
}

void MindMapEditor::setReadOnly(bool readOnly)
{
    if (readOnly == _readOnly) return;
    _readOnly = readOnly;
    cancelGesture();
    cancelEditorModes(true);
    if (_mindMap) {
        _mindMap->forceSingleSelection();
        _mindMap->setReadOnly(readOnly);
    }
    _elementTools.attachToSelection();
    setNeedsDisplay();
    interfaceChanged(InterfaceChange::Map);
}

void MindMapEditor::setIsRecyclerMap(bool isRecyclerMap)
{
    if (isRecyclerMap == _isRecyclerMap) return;
    _isRecyclerMap = isRecyclerMap;
    setNeedsDisplay();
    interfaceChanged(InterfaceChange::Map);
}

void MindMapEditor::setModelessEditor(MindMapModelessEditor* editor)
{
    _modelessEditor = editor;
    if (_mindMap) _mindMap->setModelessEditor(editor);
}

void MindMapEditor::setHierarchyListener(HierarchyListener* listener)
{
    _hierarchyListener = listener;
    if (_mindMap) _mindMap->setHierarchyListener(listener);
}

bool MindMapEditor::canAutoSave() const
{
    if (_cancelling || _readOnly || !enabled() || trackingGesture()) return false;
    if (inplaceEditOpen() || _crossLinkSource || popoverShown()) return false;
    // A drag or a dialog is under way: saving now would write the map half-way through it.
    if (_scheduler && _scheduler->isHoldingBackDefaultMode()) return false;
    return true;
}

void MindMapEditor::setActivity(const EditorActivity& activity)
{
    _activity = activity;
    updateElementToolsVisibility();
    setNeedsDisplay();
}

void MindMapEditor::setScrolling(bool scrolling)
{
    if (scrolling == _scrolling) return;
    _scrolling = scrolling;
    setNeedsDisplay();
}

// ---- Modes ----

void MindMapEditor::cancelEditorModes(bool leaveCrossLinkMode)
{
    if (_cancelling) return;
    _cancelling = true;
    // The map may let elements go next; the tooltips must not point at them.
    _toolTipRects.clear();
    stopEditing(InplaceTextEditor::Commit);
    _dragSelector.cancelMoveOperation();
    closePopovers();
    if (_contactHandler) _contactHandler->cancelPopovers();
    if (_mindMap) _mindMap->commitModelessEditor();
    if (leaveCrossLinkMode) cancelCrossLinkMode();
    _clearSelectionCall.cancel();
    _resetIgnoreMouseDownCall.cancel();
    _ignoreMouseDown = false;
    _cancelling = false;
}

void MindMapEditor::addCrossLink()
{
    cancelEditorModes(true);
    if (!_mindMap) return;
    _mindMap->forceSingleSelection();
    MindMapNode* source = _mindMap->selectedNode();
    if (!source) return;
    _crossLinkSource = source;
    _mindMap->setDropTarget(source);
    updateElementToolsVisibility();
    if (_crossLinkFeedback) _crossLinkFeedback->showCrossLinkFeedback();
}

void MindMapEditor::cancelCrossLinkMode()
{
    if (_crossLinkSource) {
        _crossLinkSource = nullptr;
        if (_mindMap) _mindMap->setDropTarget(nullptr);
        updateElementToolsVisibility();
    }
    if (_crossLinkFeedback) _crossLinkFeedback->hideCrossLinkFeedback();
}

void MindMapEditor::externalCancelCrossLinkMode()
{
    cancelCrossLinkMode();
    updateElementToolsVisibility();
    setNeedsDisplay();
}

void MindMapEditor::updateElementToolsVisibility()
{
    _elementToolsVisible = !inplaceEditOpen() && _mindMap && _mindMap->selectedElementType() != 0 && !moverDragging() &&
        _userScaleFactor >= MinimumToolsScale && !_crossLinkSource;
    _elementTools.setVisible(_elementToolsVisible);
}

void MindMapEditor::autoFocusChanged(AutoFocusser* /*focusser*/)
{
    setNeedsDisplay();
}

void MindMapEditor::setSuppressShadows(bool suppressShadows)
{
    if (suppressShadows == _suppressShadows) return;
    _suppressShadows = suppressShadows;
    setNeedsDisplay();
}

void MindMapEditor::setTopicHasHideTool(bool topicHasHideTool)
{
    if (topicHasHideTool == _topicHasHideTool) return;
    _topicHasHideTool = topicHasHideTool;
    ::setTopicHasHideTool(topicHasHideTool);
    selectedElementChanged();
}

namespace {

// The auto-focus modes as the window's commands name them.
constexpr std::pair<const char*, int32_t> kAutoFocusActions[] = {
    {"autoFocusDisabled:", 0}, {"autoFocusSelected:", 1}, {"autoFocusChildren:", 2}, {"autoFocusBranch:", 3}};

// Markup that only a text being typed takes. The edit's own view answers them while it has the
// keys; sent from anywhere else they reach the open edit, and they stay off while none is open.
constexpr const char* kInplaceMarkupActions[] = {
    "toggleSuperscriptFontStyle:", "toggleSubscriptFontStyle:", "removeMarkdown:"};

bool isInplaceMarkupAction(const std::string& action)
{
    return std::ranges::find(kInplaceMarkupActions, action) != std::end(kInplaceMarkupActions);
}

} // namespace

void MindMapEditor::registerActions()
{
    const std::pair<const char*, void (MindMapEditor::*)()> actions[] = {
        {"zoomIn:", &MindMapEditor::zoomIn},
        {"zoomOut:", &MindMapEditor::zoomOut},
        {"zoomActualSize:", &MindMapEditor::zoomActualSize},
        {"zoomContents:", &MindMapEditor::zoomContents},
        {"scrollMapToCenter:", &MindMapEditor::scrollMapToCenter},
        {"scrollSelectedElementToCenter:", &MindMapEditor::scrollSelectedElementToCenter},
        {"scrollSelectedElementVisible:", &MindMapEditor::scrollSelectedElementVisible},
        {"scrollPageUp:", &MindMapEditor::scrollPageUp},
        {"scrollPageDown:", &MindMapEditor::scrollPageDown},
        {"scrollToBeginningOfDocument:", &MindMapEditor::scrollToBeginningOfDocument},
        {"scrollToEndOfDocument:", &MindMapEditor::scrollToEndOfDocument},
        {"addCrossLink:", &MindMapEditor::addCrossLink},
        {"cancelOperation:", &MindMapEditor::cancelOperation},
    };
    for (const auto& [action, viewMethod] : actions)
        addAction(action, [this, method = viewMethod](const ActionSender*) {
            if (enabled()) (this->*method)();
        });
    // The map decides these itself.
    const std::pair<const char*, void (MindMap::*)()> mapActions[] = {
        {"addChildNode:", &MindMap::addChildNode},
        {"addSiblingNode:", &MindMap::addSiblingNode},
        {"addText:", &MindMap::addText},
        {"delete:", &MindMap::delete_},
    };
    for (const auto& [action, mapMethod] : mapActions)
        addAction(action, [this, method = mapMethod](const ActionSender*) {
            if (enabled()) (_mindMap.get()->*method)();
        });
    for (const auto& [action, mode] : kAutoFocusActions)
        addAction(action, [this, mode = mode](const ActionSender*) {
            if (enabled()) _autoFocusser.setAutoFocusMode(mode);
        });
    for (const char* action : kInplaceMarkupActions)
        addAction(action, [this, action](const ActionSender* sender) {
            if (_inplaceEditor) _inplaceEditor->performAction(action, sender);
        });
}

ItemValidation MindMapEditor::validateUserInterfaceItem(const ValidatedUserInterfaceItem& item)
{
    return validateAction(item.action());
}

ItemValidation MindMapEditor::validateAction(const std::string& action) const
{
    if (!enabled()) return ItemValidation::enabledIf(false);
    const bool selected = _mindMap->selectedElement() != nullptr;
    auto mapDecides = [&](MindMapAction mapAction) {
        bool handled = true;
        return ItemValidation::enabledIf(_mindMap->validateUserInterfaceItem(mapAction, handled));
    };
    if (action == "deleteForward:") return ItemValidation::enabledIf(!_readOnly && selected);
    if (action == "addChildNode:") return mapDecides(MindMapAction::addChildNode);
    if (action == "addSiblingNode:") return mapDecides(MindMapAction::addSiblingNode);
    if (action == "addText:") return mapDecides(MindMapAction::addText);
    if (action == "delete:") return mapDecides(MindMapAction::delete_);
    if (action == "zoomIn:") return ItemValidation::enabledIf(_userScaleFactor < MaximumUserScale);
    if (action == "zoomOut:") return ItemValidation::enabledIf(_userScaleFactor > MinimumUserScale);
    if (action == "zoomActualSize:") return ItemValidation::enabledIf(_userScaleFactor != 1.0);
    if (action == "scrollSelectedElementToCenter:" || action == "scrollSelectedElementVisible:")
        return ItemValidation::enabledIf(selected);
    if (action == "addCrossLink:") return ItemValidation::enabledIf(!_readOnly && _mindMap->selectedNode());
    if (action == "checkSpelling:") return ItemValidation::enabledIf(!_readOnly);
    if (isInplaceMarkupAction(action))
        return _inplaceEditor ? _inplaceEditor->validateAction(action) : ItemValidation::enabledIf(false);
    ItemValidation validation;
    for (const auto& [name, mode] : kAutoFocusActions)
        if (action == name) validation.checked = _autoFocusser.autoFocusMode() == mode;
    if (action == "toggleAutomaticSpellingCorrection:") validation.checked = _automaticSpellingCorrectionEnabled;
    if (action == "toggleContinuousSpellChecking:") validation.checked = _continuousSpellCheckEnabled;
    return validation;
}

// ---- Input ----

bool MindMapEditor::scrollWheel(const ScrollEvent& event)
{
    if (!std::isfinite(event.deltaX) || !std::isfinite(event.deltaY)) return false;
    if (event.modifiers & (ControlModifier | AltModifier)) {
        // In the toolkit's sign a wheel turned away from the user is negative: it zooms in. A
        // touchpad sends the same turn as many small steps; they zoom once per whole notch.
        const double d = event.deltaX + event.deltaY;
        _zoomWheelTravel = (d < 0) == (_zoomWheelTravel < 0) ? _zoomWheelTravel + d : d;
        for (; _zoomWheelTravel <= -1; _zoomWheelTravel += 1) zoomIn();
        for (; _zoomWheelTravel >= 1; _zoomWheelTravel -= 1) zoomOut();
        return true;
    }
    // As far as the toolkit's own scrolled views go for a view of this size: a notch moves the
    // two-thirds power of the visible length, so a large window crosses a map in a few notches and
    // a small one still moves in steps a reader can follow.
    scrollBy(event.deltaX * wheelScrollStep(_frameSize.width), event.deltaY * wheelScrollStep(_frameSize.height));
    return true;
}

double MindMapEditor::wheelScrollStep(double visibleLength)
{
    return visibleLength > 0 ? std::pow(visibleLength, 2.0 / 3.0) : 0.0;
}

void MindMapEditor::magnifyWithEvent(const MagnifyEvent& event)
{
    if (!std::isfinite(event.magnification)) return;
    zoomAtCenterPoint((event.magnification + 1.0) * _userScaleFactor);
}

// ---- Node editor ----

void MindMapEditor::mindMapLoaded(int code)
{
    // The elements under check are gone with the reload.
    if (_spellChecker) _spellChecker->cancelSpellCheck();
    if (code == MindMapLoadedSelection) {
        scrollSelectedElementVisible();
        return;
    }
    placeLoadedMindMap(code);
}

void MindMapEditor::placeLoadedMindMap(int code)
{
    _placing = true;
    switch (code) {
    case MindMapLoadedNew:
        scrollSelectedElementToCenter();
        break;
    case MindMapLoadedDocument:
        scrollMapToCenter();
        scrollSelectedElementVisible();
        break;
    default:
        break;
    }
    _placing = false;
    _openingPlacement = (code == MindMapLoadedNew || code == MindMapLoadedDocument) && _mindMap ? code : -1;
}

double MindMapEditor::zoomForShownMap(const MindMapEditorScrollState& state)
{
    // A map opened anew centres its selection at actual size, or at the zoom it was last viewed
    // at when the user asks for that; a kept view comes back with the zoom its offset is in.
    double zoom = 1.0;
    if (!state.centerSelection() || UserDefaults::standard().boolForKey(RestoreZoomFactorKey)) zoom = state.zoomScale();
    return std::isfinite(zoom) ? zoom : 1.0;
}

void MindMapEditor::mindMapChanged()
{
    _toolTipRects.clear();
    setNeedsDisplay();
    interfaceChanged(InterfaceChange::Content);
}

void MindMapEditor::selectedElementChanged()
{
    _toolTipRects.clear();
    setNeedsDisplay();
    // The handles of a running tool drag stay where the drag put them.
    if (!_elementTools.isActive()) _elementTools.attachToSelection();
    updateElementToolsVisibility();
    interfaceChanged(InterfaceChange::Selection);
}

void MindMapEditor::updateElementTools(MindMapElement* /*element*/)
{
    if (!_elementTools.isActive()) _elementTools.attachToSelection();
    setNeedsDisplay();
}

void MindMapEditor::getEditorScrollState(MindMapEditorScrollState& state)
{
    state.setOffset(_position);
    state.setOffsetValid(true);
    state.setZoomScale(_userScaleFactor);
}

void MindMapEditor::setEditorScrollState(const MindMapEditorScrollState& state)
{
    if (state.centerSelection()) {
        if (UserDefaults::standard().boolForKey(RestoreZoomFactorKey)) setUserScaleFactor(state.zoomScale());
        scrollMapToCenter();
        scrollSelectedElementVisible();
    } else if (state.offsetValid()) {
        setPosition(state.offset());
    }
}

std::vector<std::pair<Point, Point>> MindMapEditor::snapGuideLines() const
{
    std::vector<std::pair<Point, Point>> lines;
    for (size_t i = 0; i < _snapEngine.getGuideLineCount(); ++i) {
        const GuideLine& line = _snapEngine.getGuideLineAtIndex(i);
        lines.emplace_back(line.anchor(), line.endPoint());
    }
    return lines;
}
