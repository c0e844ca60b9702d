#include "editor-view/NodeCreatorTools.h"

#include "MindMaps/EmbeddedImage.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapElement.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapNodeEditor.h"
#include "MindMaps/MindMapRelation.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/TopicHideTool.h"
#include "Utils/FeedbackSink.h"
#include "Utils/GeometryHelpers.h"
#include "platform/Localizer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// The resize presets are 300 divided by each of these.
constexpr std::array<double, NodeCreatorTools::ScalePresetCount> ScalePresetDivisors{300, 270, 240, 210, 180, 160, 145,
                                                                                     130, 120, 112, 106, 100, 96};

constexpr double R = NodeToolRadius;
// The action bar handle keeps at least this far left of a node's centre.
constexpr double ActionBarMinimumLeft = R + 2.0;
// A note handle closer to the centre than this leaves no room for the rotate handle beside it.
constexpr double NarrowNoteHandleX = 15.4;
constexpr double RotateHandleNarrowDrop = 23.0;
constexpr double RotateHandleMinimumDrop = 30.0;
// With the collapse handle on its side the creator steps over it by a handle and a gap.
constexpr double CreatorStepOverCollapse = 2 * R + 4.0;
// A parent relation's hide handle this close (squared) to its action bar moves to the line's end.
constexpr double HideHandleCrowdingSquared = 78.4;
constexpr double HideHandleTargetInset = 4.0;
// The word-wrap handle sits inside the text's right edge and below it.
constexpr double WrapHandleInset = 4.0;
constexpr double WrapHandleBelowBounds = 4.0;
constexpr double WrapHandleBelowText = 8.0;
// The resize handle sits just outside a picture's top-right corner.
constexpr double ResizeHandleRight = 4.0;
constexpr double ResizeHandleUp = 7.0;

constexpr const char* WordWrapUndoName = "undoable_op_word_wrap";
constexpr const char* RotateUndoName = "undoable_op_rotate";
constexpr const char* WordWrapHintKey = "word_wrap_tool_tapped_hint";

bool isNode(const MindMapElement* element)
{
    return element && element->elementType() == ElementTypeNode;
}

bool isText(const MindMapElement* element)
{
    return element && element->elementType() == ElementTypeText;
}

// Topics and free texts wrap alike but share no base for it.
struct Wrappable {
    MindMapNode* node = nullptr;
    MindMapText* text = nullptr;

    explicit operator bool() const { return node || text; }
    Rect textBounds() const { return node ? node->textBounds() : text->textBounds(); }
    Size textSize() const { return node ? node->textSize() : text->textSize(); }
    bool isWordWrapping() const { return node ? node->isWordWrapping() : text->isWordWrapping(); }
    void wordWrappingStarted() const { node ? node->wordWrappingStarted() : text->wordWrappingStarted(); }
    void wordWrappingEnded() const { node ? node->wordWrappingEnded() : text->wordWrappingEnded(); }
    void setWrapWidth(int64_t width) const { node ? node->setWrapWidth(width) : text->setWrapWidth(width); }
    int64_t minWrapWidth() const { return node ? node->minWrapWidth() : text->minWrapWidth(); }
    int64_t maxWrapWidth() const { return node ? node->maxWrapWidth() : text->maxWrapWidth(); }
};

Wrappable wrappable(MindMapElement* element)
{
    Wrappable result;
    if (isNode(element)) result.node = static_cast<MindMapNode*>(element);
    else if (isText(element)) result.text = static_cast<MindMapText*>(element);
    return result;
}

bool isSpaceOrLineEnd(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Characters, not bytes: continuation bytes of UTF-8 are not counted.
size_t characterCount(std::string_view text)
{
    return size_t(std::count_if(text.begin(), text.end(), [](char c) { return (uint8_t(c) & 0xC0) != 0x80; }));
}

Point tipRelativeTo(const ArrowPosition& arrow, Point origin)
{
    return arrow.position - origin;
}

} // namespace

NodeCreatorTools::NodeCreatorTools(MindMapNodeEditor* nodeEditor, IEditorSnapEngineAccess* snapAccess)
    : _nodeEditor(nodeEditor), _snapAccess(snapAccess)
{
    for (ElementToolState& tool : _tools) tool.visible = true;
    for (size_t i = 0; i < ScalePresetCount; ++i) _scalePresets[i] = 300.0 / ScalePresetDivisors[i];
}

NodeCreatorTools::~NodeCreatorTools() = default;

// ---- State ----

ElementToolState NodeCreatorTools::getToolStateAtIndex(int64_t index) const
{
    if (index < 0 || index >= ElementToolCount) return _nullTool;
    ElementToolState state = _tools[size_t(index)];
    state.active = index == _activeTool;
    return state;
}

int64_t NodeCreatorTools::hitTest(Point point) const
{
    MindMapElement* element = attachedElement();
    if (!_visible || !element) return ElementToolNone;
    for (int64_t index = 0; index < ElementToolCount; ++index) {
        const ElementToolState& tool = _tools[size_t(index)];
        if (!tool.visible) continue;
        const Point location = NodeToolLocation(tool, element);
        if (std::abs(point.x - location.x) <= R && std::abs(point.y - location.y) <= R) return index;
    }
    return ElementToolNone;
}

Point NodeCreatorTools::toolLocation(int64_t index) const
{
    return NodeToolLocation(getToolStateAtIndex(index), attachedElement());
}

void NodeCreatorTools::setVisible(bool visible)
{
    if (_visible == visible) return;
    _visible = visible;
    mindMapChanged();
}

bool NodeCreatorTools::isClickOnlyTool(int64_t index)
{
    return index == ElementToolActionBar || index == ElementToolNote || index == ElementToolCollapse ||
        index == ElementToolHideTopic;
}

double NodeCreatorTools::getScalePreset(double scale) const
{
    for (size_t i = 0; i + 1 < ScalePresetCount; ++i)
        if ((_scalePresets[i] + _scalePresets[i + 1]) / 2 > scale) return _scalePresets[i];
    return _scalePresets[ScalePresetCount - 1];
}

bool NodeCreatorTools::isTextWrappable(const std::string& text)
{
    size_t first = 0, last = text.size();
    while (first < last && isSpaceOrLineEnd(text[first])) ++first;
    while (last > first && isSpaceOrLineEnd(text[last - 1])) --last;
    const std::string_view trimmed(text.data() + first, last - first);
    return characterCount(trimmed) >= 6 && std::any_of(trimmed.begin(), trimmed.end(), isSpaceOrLineEnd);
}

bool NodeCreatorTools::supportsAutoScroll() const
{
    if (!_dragging) return false;
    return _activeTool == ElementToolCreator || _activeTool == ElementToolAddSibling ||
        _activeTool == ElementToolRelinkSource || _activeTool == ElementToolRelinkTarget;
}

SnapEngine* NodeCreatorTools::getSnapEngine()
{
    return _snapAccess ? _snapAccess->getSnapEngine() : nullptr;
}

// ---- The selection ----

MindMap* NodeCreatorTools::mindMap() const
{
    return _nodeEditor ? _nodeEditor->mindMap() : nullptr;
}

MindMapElement* NodeCreatorTools::attachedElement() const
{
    MindMap* map = mindMap();
    return map ? map->selectedElement() : nullptr;
}

MindMapNode* NodeCreatorTools::attachedNode() const
{
    MindMap* map = mindMap();
    return map ? map->selectedNode() : nullptr;
}

MindMapImage* NodeCreatorTools::attachedImage() const
{
    MindMap* map = mindMap();
    return map ? map->selectedImage() : nullptr;
}

MindMapRelation* NodeCreatorTools::attachedRelation() const
{
    MindMap* map = mindMap();
    return map ? map->selectedRelation() : nullptr;
}

void NodeCreatorTools::mindMapChanged()
{
    if (_nodeEditor) _nodeEditor->mindMapChanged();
}

bool NodeCreatorTools::gestureMapGone() const
{
    return _gestureMap && _gestureMap != mindMap();
}

void NodeCreatorTools::attachToSelection()
{
    placeTools();
    if (isActive()) resetActiveState();
    else updateToolsVisibility();
}

void NodeCreatorTools::placeTools()
{
    for (ElementToolState& tool : _tools) tool.offset = Point{};
    MindMapElement* element = attachedElement();
    if (!element) return;
    switch (element->elementType()) {
    case ElementTypeNode:
        placeNodeTools(static_cast<MindMapNode*>(element));
        break;
    case ElementTypeCrossLink:
    case ElementTypeParentRelation:
        placeRelationTools(static_cast<MindMapRelation*>(element));
        break;
    case ElementTypeImage: {
        const Rect b = element->bounds();
        _tools[ElementToolActionBar].offset = {std::min(7.0 - b.width() / 2, -5.0), -7.0 - b.height() / 2};
        _tools[ElementToolResize].offset = {b.width() / 2 + ResizeHandleRight, -ResizeHandleUp - b.height() / 2};
        break;
    }
    case ElementTypeText: {
        const Rect b = element->bounds();
        _tools[ElementToolActionBar].offset = {std::min(7.0 - b.width() / 2, -5.0), -7.0 - b.height() / 2};
        placeWordWrapTool(element);
        break;
    }
    default:
        break;
    }
}

void NodeCreatorTools::placeNodeTools(MindMapNode* node)
{
    const Size size = node->size();
    const double w = size.width, h = size.height;
    const double d = node->collapseMarkerDirection() < 0 ? -1.0 : 1.0;
    const double a = (R + w / 2) * d;

    _tools[ElementToolCreator].offset = {a, 0};
    _tools[ElementToolCollapse].offset = {-a, 0};
    const double actionBarX = std::min(2 * R - w / 2, -ActionBarMinimumLeft);
    const double aboveY = -7.0 - h / 2;
    _tools[ElementToolActionBar].offset = {actionBarX, aboveY};
    _tools[ElementToolNote].offset = {-actionBarX, aboveY};
    _tools[ElementToolAddSibling].offset = {actionBarX, 7.0 + h / 2};

    double v = 7.0 + h / 2;
    if (_tools[ElementToolNote].offset.x < NarrowNoteHandleX) v = RotateHandleNarrowDrop + h / 2;
    v = std::max(v, RotateHandleMinimumDrop);
    _rotateToolVOffset = v;
    _tools[ElementToolRotate].offset = {0, v};

    if (topicHasHideTool()) {
        _tools[ElementToolHideTopic].offset = {a, 0};
        double creatorX = -a;
        if (!node->collapsed() && node->childCount() > 0) creatorX -= CreatorStepOverCollapse * d;
        _tools[ElementToolCreator].offset = {creatorX, 0};
    }

    if (node->hasEmbeddedImage()) {
        const Rect image = node->embeddedImageBounds();
        const Point location = node->location();
        _tools[ElementToolResize].offset = {image.maxX() - location.x - ResizeHandleRight,
                                            image.minY() - location.y + ResizeHandleUp};
    }
    placeWordWrapTool(node);
}

void NodeCreatorTools::placeRelationTools(MindMapRelation* relation)
{
    const Point origin = relation->location();
    const RelationPath& path = relation->relationPath();
    _tools[ElementToolActionBar].offset = Point{};
    if (MindMapNode* source = relation->sourceNode())
        _tools[ElementToolRelinkSource].offset = tipRelativeTo(path.calcSourceArrowPosition(source->bounds()), origin);
    MindMapNode* target = relation->targetNode();
    if (!target) return;
    if (relation->elementType() == ElementTypeCrossLink) {
        _tools[ElementToolRelinkTarget].offset = tipRelativeTo(path.calcTargetArrowPosition(target->bounds()), origin);
        return;
    }
    Point hide = path.endPoint();
    if (!target->isHidden()) {
        Rect bounds = insetRect(target->bounds(), HideHandleTargetInset, HideHandleTargetInset);
        bounds.size.width = std::max(bounds.size.width, 1.0);
        bounds.size.height = std::max(bounds.size.height, 1.0);
        const Point tip = path.calcTargetArrowPosition(bounds).position;
        if (PointDistanceSquared(tip, origin + _tools[ElementToolActionBar].offset) >= HideHandleCrowdingSquared)
            hide = tip;
    }
    _tools[ElementToolHideTopic].offset = hide - origin;
}

void NodeCreatorTools::placeWordWrapTool(MindMapElement* element)
{
    const Wrappable wrap = wrappable(element);
    if (!wrap) return;
    const Rect t = wrap.textBounds();
    const Rect b = element->bounds();
    const Point location{t.maxX() - WrapHandleInset,
                         std::max(b.maxY() + WrapHandleBelowBounds, t.maxY() + WrapHandleBelowText)};
    _tools[ElementToolWordWrap].offset = location - element->location();
    _wrapToolTop = t.minY();
}

void NodeCreatorTools::updateToolsVisibility()
{
    MindMap* map = mindMap();
    _readOnly = _nodeEditor && _nodeEditor->isReadOnly();
    const bool ro = _readOnly;
    const bool multi = map && map->hasMultipleSelection();
    MindMapNode* n = map ? map->selectedNode() : nullptr;
    MindMapImage* image = map ? map->selectedImage() : nullptr;
    MindMapText* text = map ? map->selectedTextElement() : nullptr;
    MindMapRelation* relation = map ? map->selectedRelation() : nullptr;
    const bool crossLink = relation && relation->elementType() == ElementTypeCrossLink;
    const bool hideTool = topicHasHideTool();
    const bool single = !multi;

    auto show = [this](int64_t index, bool visible) { _tools[size_t(index)].visible = visible; };
    show(ElementToolCreator, n && !ro && single && !n->collapsed());
    show(ElementToolAddSibling, n && !ro && single && n->parent());
    show(ElementToolCollapse, n && single && n->childCount() > 0);
    show(ElementToolActionBar, !ro && ((relation && single) || n || image || text));
    show(ElementToolNote, n && single && (!ro || n->hasNote()));
    const bool imageLoaded = image && image->image();
    const bool embeddedLoaded = n && n->embeddedImage() && n->embeddedImage()->image();
    show(ElementToolResize, !ro && single && (imageLoaded || embeddedLoaded));
    show(ElementToolRelinkSource, !ro && single && relation);
    show(ElementToolRelinkTarget, !ro && single && crossLink);
    show(ElementToolHideTopic,
         single && ((relation && !crossLink) || (hideTool && n && n->isVisible() && n->parent())));
    bool wrappableText = false;
    if (n) wrappableText = isTextWrappable(n->text());
    else if (text) wrappableText = isTextWrappable(text->text());
    show(ElementToolWordWrap, !ro && single && wrappableText);
    show(ElementToolRotate, n && !ro && single && n->childCount() > 0 && !n->isAutoLayout() && n->layoutMode() == 0);
}

void NodeCreatorTools::hideOtherTools()
{
    for (int64_t index = 0; index < ElementToolCount; ++index) _tools[size_t(index)].visible = index == _activeTool;
}

void NodeCreatorTools::resetActiveState()
{
    _activeTool = ElementToolNone;
    endLayoutLock();
    cancelGuideLines();
    _currentRotation = 0;
    _dragging = false;
    dropUndoState();
    _gestureMap = nullptr;
    updateToolsVisibility();
    if (MindMap* map = mindMap()) map->setDropTarget(nullptr);
}

void NodeCreatorTools::endLayoutLock()
{
    if (!_layoutLocked) return;
    _layoutLocked = false;
    // The lock belongs to the map it was taken on; a map that has since gone took it with it.
    MindMap* map = mindMap();
    if (map && (!_gestureMap || map == _gestureMap)) map->unlockAutoLayout();
}

void NodeCreatorTools::dropUndoState()
{
    if (!_undoState) return;
    MindMap* map = mindMap();
    if (map && !gestureMapGone()) map->dropDelayedUndoableOperation(_undoState);
    _undoState.reset();
}

void NodeCreatorTools::cancelGuideLines()
{
    if (SnapEngine* engine = getSnapEngine()) engine->cancelGuideLines();
}

// ---- The gesture ----

void NodeCreatorTools::beginToolMove(int64_t tool, Point dragStart)
{
    resetActiveState();
    MindMap* map = mindMap();
    MindMapElement* element = attachedElement();
    if (!_visible || !map || !element || tool < 0 || tool >= ElementToolCount) return;
    _activeTool = tool;
    _gestureMap = map;
    _dragStart = _lastMovedLocation = dragStart;
    _dragOffset = toolLocation(tool) - dragStart;

    if (tool == ElementToolWordWrap && (isNode(element) || isText(element))) {
        _undoState = map->prepareDelayedUndoableOperation(localized(WordWrapUndoName));
        _initialTextWidth = wrappable(element).textSize().width;
    } else if (tool == ElementToolResize && element->elementType() == ElementTypeImage) {
        auto* image = static_cast<MindMapImage*>(element);
        const Rect bounds = image->bounds();
        _startImageScale = image->scale();
        _startImageDistance = std::hypot(bounds.width() / 2, bounds.height() / 2);
        _undoState = map->imageTransformBegan();
    } else if (tool == ElementToolRotate && isNode(element)) {
        startRotateBranch(static_cast<MindMapNode*>(element));
    } else if (tool == ElementToolResize && isNode(element)) {
        if (EmbeddedImage* embedded = static_cast<MindMapNode*>(element)->embeddedImage()) {
            const Size size = embedded->size();
            _startImageScale = embedded->scale();
            _startImageDistance = std::hypot(size.width / 2, size.height / 2);
            _undoState = map->imageTransformBegan();
        }
    }
}

bool NodeCreatorTools::moveActiveToolTo(Point point)
{
    if (!isActive() || gestureMapGone()) return false;
    MindMap* map = mindMap();
    MindMapElement* element = attachedElement();
    if (!map || !element) return false;
    _lastMovedLocation = point;

    MindMapNode* node = isNode(element) ? static_cast<MindMapNode*>(element) : nullptr;
    if (isClickOnlyTool(_activeTool)) return true;
    if (_activeTool == ElementToolAddSibling && node && node->isAutoLayout()) return true;

    if (!_dragging) {
        const double threshold = _activeTool == ElementToolResize ? ResizeDragThresholdSquared : DragThresholdSquared;
        if (PointDistanceSquared(point, _dragStart) < threshold) return true;
        _dragging = true;
        hideOtherTools();
        if (_activeTool == ElementToolWordWrap) {
            if (const Wrappable wrap = wrappable(element)) {
                map->lockAutoLayout();
                _layoutLocked = true;
                wrap.wordWrappingStarted();
                _initialTextWidth = wrap.textSize().width;
            }
        } else if (_activeTool == ElementToolResize) {
            map->lockAutoLayout();
            _layoutLocked = true;
        }
    }

    Point p = point + _dragOffset;
    switch (_activeTool) {
    case ElementToolCreator:
    case ElementToolAddSibling:
        if (!node) break;
        if (!node->isAutoLayout() && node->layoutMode() == 0)
            if (SnapEngine* engine = getSnapEngine()) p = engine->snap(*map, nullptr, p, false);
        _tools[size_t(_activeTool)].offset = p - node->location();
        if (_nodeEditor) _nodeEditor->createToolMoved(_activeTool);
        break;
    case ElementToolWordWrap:
        moveWordWrapTool(element, point);
        break;
    case ElementToolResize:
        if (node) resizeEmbeddedImage(node, p);
        else if (element->elementType() == ElementTypeImage) resizeImage(static_cast<MindMapImage*>(element), p);
        break;
    case ElementToolRotate:
        if (node) rotateBranch(point, node);
        break;
    case ElementToolRelinkSource:
    case ElementToolRelinkTarget:
        if (!element->isLinkType()) break;
        _tools[size_t(_activeTool)].offset = p - element->location();
        if (_nodeEditor)
            _nodeEditor->relinkRelationToolMoved(_activeTool == ElementToolRelinkSource, toolLocation(_activeTool));
        break;
    default:
        break;
    }
    return true;
}

void NodeCreatorTools::moveWordWrapTool(MindMapElement* element, Point point)
{
    const Wrappable wrap = wrappable(element);
    if (!wrap) return;
    // Rounded in single precision, as the widths stored with maps always were.
    const auto requested = int64_t(std::lround(float(_initialTextWidth + 2.0 * (point.x - _dragStart.x))));
    wrap.setWrapWidth(requested);
    const int64_t clamped = std::min(std::max(requested, wrap.minWrapWidth()), wrap.maxWrapWidth());
    const Size textSize = wrap.textSize();
    const Point location = element->location();
    if (wrap.node) {
        const Rect t = wrap.textBounds();
        _tools[ElementToolWordWrap].offset = {t.minX() + (double(clamped) + textSize.width) / 2 - WrapHandleInset -
                                                  location.x,
                                              t.maxY() + WrapHandleBelowText - location.y};
    } else {
        _tools[ElementToolWordWrap].offset = {double(clamped / 2) - WrapHandleInset,
                                              textSize.height / 2 + WrapHandleBelowText};
    }
    _wrapToolTop = location.y - textSize.height / 2;
    mindMapChanged();
}

double NodeCreatorTools::scaleForDistance(double distance) const
{
    const double scale =
        distance == 0 || !(_startImageDistance > 0) ? 0.0 : distance / _startImageDistance * _startImageScale;
    return getScalePreset(scale);
}

void NodeCreatorTools::resizeEmbeddedImage(MindMapNode* node, Point p)
{
    EmbeddedImage* embedded = node->embeddedImage();
    if (!embedded) return;
    const Point q = p + Point{ResizeHandleRight, -ResizeHandleUp};
    const Rect bounds = node->embeddedImageBounds();
    const Point centre{bounds.midX(), bounds.midY()};
    embedded->setScale(scaleForDistance(std::hypot(centre.x - q.x, centre.y - q.y)));
    placeTools();
    hideOtherTools();
}

void NodeCreatorTools::resizeImage(MindMapImage* image, Point p)
{
    const Rect bounds = image->bounds();
    const double aspect = std::max(bounds.width() / std::max(bounds.height(), 0.1), 0.001);
    const Point v = p - image->location();
    const double ex = std::abs(v.x) - ResizeHandleRight, ey = std::abs(v.y) - ResizeHandleUp;
    double width = ex, height = ex / aspect;
    if (aspect * ey > ex) width = aspect * ey, height = ey;
    image->setScale(scaleForDistance(std::hypot(width, height)));
    const Rect scaled = image->bounds();
    _tools[ElementToolResize].offset = {scaled.width() / 2 + ResizeHandleRight,
                                        -(scaled.height() / 2 + ResizeHandleUp)};
}

bool NodeCreatorTools::endToolMove()
{
    const int64_t tool = _activeTool;
    if (tool < 0 || tool >= ElementToolCount) return false;
    MindMap* map = mindMap();
    if (!map || gestureMapGone()) {
        // The map went while the button was down: nothing of the gesture may touch it.
        _undoState.reset();
        _layoutLocked = false;
        _gestureMap = nullptr;
        resetActiveState();
        return false;
    }
    if (isClickOnlyTool(tool) && PointDistanceSquared(_dragStart, _lastMovedLocation) > ClickSlopSquared) {
        resetActiveState();
        return false;
    }

    const bool dragged = _dragging;
    const Point location = toolLocation(tool);
    MindMapElement* element = attachedElement();
    MindMapNode* node = map->selectedNode();
    switch (tool) {
    case ElementToolCreator:
        resetActiveState();
        if (!dragged) map->addChildNode();
        else if (_nodeEditor) _nodeEditor->createToolInvokedAt(location);
        break;
    case ElementToolWordWrap: {
        const UndoState undoState = std::move(_undoState);
        _undoState.reset();
        const Wrappable wrap = wrappable(element);
        const bool wrapping = wrap && wrap.isWordWrapping();
        if (wrap) wrap.wordWrappingEnded();
        if (!wrapping) {
            // A plain click: the snapshot goes unused, and the user learns what the handle does.
            _undoState = undoState;
            resetActiveState();
            attachToSelection();
            feedbackSinkInstance().showEditorNotification(localized(WordWrapUndoName), localized(WordWrapHintKey),
                                                          FeedbackStateInformation, WordWrapHintDuration);
        } else {
            resetActiveState();
            map->pushDelayedUndoableOperation(undoState);
        }
        break;
    }
    case ElementToolActionBar:
        resetActiveState();
        if (_nodeEditor) _nodeEditor->invokeElementActionBar();
        break;
    case ElementToolNote:
        resetActiveState();
        map->editProperties();
        break;
    case ElementToolAddSibling:
        resetActiveState();
        if (!dragged) map->addSiblingNode();
        else map->addSiblingNodeAtLocation(location);
        break;
    case ElementToolResize:
    case ElementToolRotate: {
        if (dragged && _undoState) {
            const UndoState undoState = std::move(_undoState);
            _undoState.reset();
            resetActiveState();
            map->pushDelayedUndoableOperation(undoState);
        }
        resetActiveState();
        break;
    }
    case ElementToolCollapse:
        resetActiveState();
        map->toggleCollapsed();
        break;
    case ElementToolRelinkSource:
    case ElementToolRelinkTarget:
        resetActiveState();
        if (dragged && _nodeEditor) _nodeEditor->relinkRelationTo(tool == ElementToolRelinkSource, location);
        break;
    case ElementToolHideTopic:
        resetActiveState();
        hideOrShowTopic(node, map);
        break;
    default:
        break;
    }
    resetActiveState();
    attachToSelection();
    mindMapChanged();
    return true;
}

void NodeCreatorTools::hideOrShowTopic(MindMapNode* node, MindMap* map)
{
    if (topicHasHideTool() && node) {
        map->hideTopic(node);
        return;
    }
    MindMapRelation* relation = map->selectedRelation();
    MindMapNode* target = relation ? relation->targetNode() : nullptr;
    if (!target) return;
    if (target->isHidden()) {
        map->showTopic(target);
        return;
    }
    map->hideTopic(target);
    // Hiding leaves the editor's modes first, which may have read the map anew: the relation is
    // only selected again while it is still the map's.
    if (map->containsElement(relation)) map->setSelectedElement(relation);
}

void NodeCreatorTools::cancelToolMove()
{
    if (!isActive()) return;
    cancelGuideLines();
    if (gestureMapGone()) {
        // The snapshot and the layout lock went with their map.
        _undoState.reset();
        _layoutLocked = false;
        _gestureMap = nullptr;
        resetActiveState();
        attachToSelection();
        mindMapChanged();
        return;
    }
    endLayoutLock();
    MindMap* map = mindMap();
    if ((_activeTool == ElementToolResize || _activeTool == ElementToolRotate) && !_dragging) dropUndoState();
    if (_activeTool == ElementToolWordWrap)
        if (const Wrappable wrap = wrappable(attachedElement()); wrap && wrap.isWordWrapping())
            wrap.wordWrappingEnded();
    if (_undoState && map &&
        (_activeTool == ElementToolWordWrap || _activeTool == ElementToolResize || _activeTool == ElementToolRotate)) {
        const UndoState undoState = std::move(_undoState);
        _undoState.reset();
        // Reads the map back as it was at the press: every element is new afterwards.
        map->cancelDelayedUndoableOperation(undoState);
    }
    attachToSelection();
    mindMapChanged();
}

// ---- Rotating a free branch ----

void NodeCreatorTools::startRotateBranch(MindMapNode* node)
{
    MindMap* map = mindMap();
    if (!node || !map) return;
    _undoState = map->prepareDelayedUndoableOperation(localized(RotateUndoName));
    _currentRotation = 0;
    std::vector<MindMapNode*> nodes;
    node->collectNodeAndChildrenInArray(nodes);
    for (MindMapNode* each : nodes) each->setDragOffset(each->location());
}

void NodeCreatorTools::rotateBranch(Point point, MindMapNode* node)
{
    MindMap* map = mindMap();
    if (!node || !map) return;
    const Point centre = node->location();
    const Point v = point + _dragOffset - centre;
    if (std::hypot(v.x, v.y) < 1.0) return;
    double angle;
    if (v.y == 0) angle = v.x >= 0 ? std::numbers::pi / 2 : -std::numbers::pi / 2;
    else angle = std::atan(v.x / v.y) + (v.y < 0 ? std::numbers::pi : 0.0);
    angle = RotationStep * std::round(angle / RotationStep + 0.4999);
    if (angle == _currentRotation) return;
    _currentRotation = angle;
    _tools[ElementToolRotate].offset = {_rotateToolVOffset * std::sin(angle), _rotateToolVOffset * std::cos(angle)};

    std::vector<MindMapNode*> nodes;
    node->collectNodeAndChildrenInArray(nodes);
    MindMap::UpdateGuard update(*map);
    for (MindMapNode* each : nodes) {
        if (each == node || each->isAutoLayout()) continue;
        const Point start = each->dragOffset();
        const double distance = PointDistance(centre, start);
        if (distance == 0) continue;
        each->setLocation(PointAtAngle(centre, LineAngle(centre, start) - angle, distance));
    }
}
