#include "editor-view/MindMapEditor.h"

#include "MindMaps/ContainedElement.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapStyle.h"
#include "platform/AttributedString.h"
#include "platform/Font.h"
#include "platform/GraphicsContext.h"
#include "platform/Localizer.h"
#include "render/MindMapPaintSelection.h"
#include "render/MindMapPainter.h"

#include <cmath>

namespace {

// The painter draws this much of the map beyond the view, so that nothing that reaches into the
// view from just outside (a shadow, a thick line) is cut off at its edge.
constexpr double ClipOutset = 10;
// Below this zoom a busy editor paints fine dashes as plain lines; at or below the second one it
// always does.
constexpr double BusyFineDashesScale = 0.7;
constexpr double IdleFineDashesScale = 0.5;

// Beside the painter's flags in what decides a whole canvas picture: the recycler's picture.
constexpr uint32_t RecyclerPictureFlag = 0x80000000;

constexpr double EmptyTextSize = 12;
constexpr double EmptyTextPadding = 5;
constexpr double EmptyTextTop = 16;
const Color EmptyEditorFill(0.5, 0.5, 0.5);
const Color EmptyTextColor(1.0 / 3.0, 1.0 / 3.0, 1.0 / 3.0);

BezierPath rectPath(const Rect& rect)
{
    BezierPath path;
    path.appendRect(rect);
    return path;
}

} // namespace

bool MindMapEditor::editorBusy() const
{
    return _scrolling || _activity.elementToolDragging || _elementTools.isDragging() || moverDragging() ||
        inplaceEditOpen();
}

uint32_t MindMapEditor::painterFlags() const
{
    uint32_t flags = PaintFlagDesigning;
    if (moverActive() || moverDragging()) flags |= PaintFlagShowAnchors;
    const bool busy = editorBusy();
    if (busy) flags |= PaintFlagSimplifyLines;
    if ((busy && _scaleFactor < BusyFineDashesScale) || _scaleFactor <= IdleFineDashesScale)
        flags |= PaintFlagSimplifyFineDashes;
    if (_autoFocusser.enabled()) flags |= PaintFlagAutoFocus;
    return flags;
}

Rect MindMapEditor::paintClipRect() const
{
    return insetRect(getMapClipRect(), -ClipOutset, -ClipOutset);
}

void MindMapEditor::draw(GraphicsContext& context, const Rect& dirtyRect)
{
    if (!enabled()) {
        _canvasPicture.release();
        drawEmptyEditor(context, dirtyRect);
        updateToolTips();
        return;
    }
    // A window is drawn from the canvas picture; any other context gets the map painted into it.
    bool drawn = false;
    if (context.surfaceKind() == GraphicsSurfaceKind::Screen) {
        CanvasPicture::View view;
        view.frameSize = _frameSize;
        view.backingScale = _backingScaleFactor;
        view.scale = _scaleFactor;
        view.position = _position;
        view.content = _mindMap.get();
        view.flags = painterFlags() | (_isRecyclerMap ? RecyclerPictureFlag : 0u);
        view.background = _mindMap->style()->backgroundColor();
        drawn = _canvasPicture.draw(context, dirtyRect, view,
                                    [this](GraphicsContext& picture, const Rect& area) { drawMap(picture, area); });
    }
    if (!drawn) drawMap(context, dirtyRect);
    updateToolTips();
}

void MindMapEditor::drawMap(GraphicsContext& context, const Rect& dirtyRect)
{
    context.fillPath(rectPath(dirtyRect), _mindMap->style()->backgroundColor());
    if (_isRecyclerMap) drawRecyclerImage(context);

    // The marks the painter dims by follow the selection as it is now.
    if (_autoFocusser.enabled()) _autoFocusser.updateMindMap(*_mindMap);
    context.save();
    context.translate(-_position.x, -_position.y);
    context.scale(_scaleFactor, _scaleFactor);
    const auto selection = MindMapPaintSelection::mindMapPaintSelection(*_mindMap, false);
    // Only what the dirty rectangle shows, and the outset round it.
    const Rect dirtyMapRect{viewToMapSpace(dirtyRect.origin),
                            Size{dirtyRect.width() / _scaleFactor, dirtyRect.height() / _scaleFactor}};
    Rect clip = intersectionRect(paintClipRect(), insetRect(dirtyMapRect, -ClipOutset, -ClipOutset));
    if (clip.isEmpty()) clip = paintClipRect();
    MindMapPainter::paintMindMap(context, *selection, painterFlags(), clip, &_branchBounds);
    context.restore();
}

void MindMapEditor::drawEmptyEditor(GraphicsContext& context, const Rect& dirtyRect)
{
    context.fillPath(rectPath(dirtyRect), EmptyEditorFill);
    TextAttributes attributes;
    attributes.font = Font(Font::fallbackFamily(), EmptyTextSize);
    attributes.color = EmptyTextColor;
    attributes.alignment = TextAlignment::Center;
    const AttributedString text(localized("editor_no_mindmap_selected"), attributes);
    // On whole device pixels, so that the text is as sharp as the toolkit's own.
    const double pixels = _backingScaleFactor;
    const Point origin{std::round(EmptyTextPadding * pixels) / pixels, std::round(EmptyTextTop * pixels) / pixels};
    context.drawText(text, origin, std::max(1.0, _frameSize.width - 2 * EmptyTextPadding));
}

void MindMapEditor::drawRecyclerImage(GraphicsContext& context)
{
    if (!_recyclerImageLoaded) {
        _recyclerImage = Image::fromResource("recyclebin_128");
        _recyclerImageLoaded = true;
    }
    if (_recyclerImage.isNull()) return;
    const Size size = _recyclerImage.size();
    const Rect destination{(_frameSize.width - size.width) / 2, (_frameSize.height - size.height) / 2, size.width,
                           size.height};
    context.drawImage(_recyclerImage, destination, 1.0);
}

// ---- Tooltips ----

void MindMapEditor::updateToolTips()
{
    _toolTipRects.clear();
    if (!enabled() || inplaceEditOpen()) return;
    const Rect viewBounds{0, 0, _frameSize.width, _frameSize.height};
    // Depth first, parents before their children, without recursion: a map read from a file may
    // nest deeper than the stack.
    std::vector<MindMapNode*> pending(_mindMap->centralThemes().rbegin(), _mindMap->centralThemes().rend());
    while (!pending.empty()) {
        MindMapNode* node = pending.back();
        pending.pop_back();
        if (!node->isVisible()) continue;
        insertToolTipsForNode(node, viewBounds);
        const auto& children = node->children();
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
}

void MindMapEditor::insertToolTipsForNode(MindMapNode* node, const Rect& viewBounds)
{
    if (node->hasNote()) {
        const Rect rect = mapRectToViewRect(node->bounds());
        if (intersectsRect(rect, viewBounds)) _toolTipRects.push_back({rect, node});
    }
    for (ContainedElement* element : node->containedElements()) {
        if (element->elementType() != ElementTypeImage) continue;
        const Rect rect = mapRectToViewRect(element->bounds());
        if (intersectsRect(rect, viewBounds)) _toolTipRects.push_back({rect, element});
    }
}

std::optional<std::string> MindMapEditor::toolTipAt(Point viewPoint, Rect* area) const
{
    // The last rectangle added lies on top: images above their topic, children above parents.
    for (auto it = _toolTipRects.rbegin(); it != _toolTipRects.rend(); ++it) {
        if (!pointInRect(viewPoint, it->viewRect)) continue;
        std::string text =
            it->owner->stringForToolTip(const_cast<MindMapEditor*>(this), viewToMapSpace(viewPoint), nullptr);
        if (text.empty()) return std::nullopt;
        if (area) *area = it->viewRect;
        return text;
    }
    return std::nullopt;
}
