#include "editor-view/NodeCreatorTools.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapElement.h"
#include "MindMaps/MindMapNodeEditor.h"

#include <cmath>

namespace {

// The resize presets are 300 divided by each of these.
constexpr std::array<double, NodeCreatorTools::ScalePresetCount> ScalePresetDivisors{300, 270, 240, 210, 180, 160, 145,
                                                                                     130, 120, 112, 106, 100, 96};

} // namespace

NodeCreatorTools::NodeCreatorTools(MindMapNodeEditor* nodeEditor, IEditorSnapEngineAccess* snapAccess)
    : _nodeEditor(nodeEditor), _snapAccess(snapAccess)
{
    for (ElementToolState& tool : _tools) tool.visible = true;
    for (size_t i = 0; i < ScalePresetCount; ++i) _scalePresets[i] = 300.0 / ScalePresetDivisors[i];
}

NodeCreatorTools::~NodeCreatorTools() = default;

ElementToolState NodeCreatorTools::getToolStateAtIndex(int64_t index) const
{
    if (index < 0 || index >= ElementToolCount) return _nullTool;
    ElementToolState state = _tools[size_t(index)];
    state.active = index == _activeTool;
    return state;
}

int64_t NodeCreatorTools::hitTest(Point) const
{
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

void NodeCreatorTools::attachToSelection()
{
}
void NodeCreatorTools::updateToolsVisibility()
{
}
void NodeCreatorTools::resetActiveState()
{
    _activeTool = ElementToolNone;
    _dragging = false;
}
void NodeCreatorTools::endLayoutLock()
{
}

bool NodeCreatorTools::isTextWrappable(const std::string&)
{
    return false;
}

void NodeCreatorTools::beginToolMove(int64_t, Point)
{
}
bool NodeCreatorTools::moveActiveToolTo(Point)
{
    return false;
}
bool NodeCreatorTools::endToolMove()
{
    return false;
}
void NodeCreatorTools::cancelToolMove()
{
}
bool NodeCreatorTools::supportsAutoScroll() const
{
    return false;
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

void NodeCreatorTools::startRotateBranch(MindMapNode*)
{
}
void NodeCreatorTools::rotateBranch(Point, MindMapNode*)
{
}

SnapEngine* NodeCreatorTools::getSnapEngine()
{
    return _snapAccess ? _snapAccess->getSnapEngine() : nullptr;
}

MindMap* NodeCreatorTools::mindMap() const
{
    return _nodeEditor ? _nodeEditor->mindMap() : nullptr;
}

MindMapElement* NodeCreatorTools::attachedElement() const
{
    MindMap* map = mindMap();
    return map ? map->selectedElement() : nullptr;
}

void NodeCreatorTools::mindMapChanged()
{
    if (_nodeEditor) _nodeEditor->mindMapChanged();
}
