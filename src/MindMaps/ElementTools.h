#pragma once

#include "platform/Geometry.h"

#include <cstdint>

class MindMapElement;

// The handles the editor shows round the selected element. The indices are fixed: the tools, the
// mouse handling and the painter use the same numbers.
enum ElementToolIndex : int64_t {
    ElementToolNone = -1,
    ElementToolCreator = 0,
    ElementToolWordWrap = 1,
    ElementToolActionBar = 2,
    ElementToolNote = 3,
    ElementToolAddSibling = 4,
    ElementToolResize = 5,
    ElementToolCollapse = 6,
    ElementToolRelinkSource = 7,
    ElementToolRelinkTarget = 8,
    ElementToolHideTopic = 9,
    ElementToolRotate = 10,
    ElementToolCount = 11,
};

// Half the side of a tool handle: every handle is a square of twice this round its location.
inline constexpr double NodeToolRadius = 7.0;

// One handle: where it sits relative to the attached element's location, whether it is shown and
// whether a gesture runs on it.
struct ElementToolState {
    Point offset;
    bool visible = false;
    bool active = false;
};

// The handle's location in map coordinates: the element's location plus the tool's offset; the
// zero point without an element.
Point NodeToolLocation(const ElementToolState& tool, const MindMapElement* element);

// What the painter reads of the editor's element tools. The editor view owns the implementation;
// the map reaches it through its node editor.
class ElementTools {
public:
    virtual ~ElementTools() = default;

    // The whole set is shown.
    virtual bool visible() const = 0;
    // A copy of the tool's state, active when a gesture runs on it; a negative index gives the
    // all-zero null tool.
    virtual ElementToolState getToolStateAtIndex(int64_t index) const = 0;
    // The top of the text whose wrap width is being dragged (map coordinates).
    virtual double wrapToolTop() const = 0;

    ElementToolState getCreatorTool() const { return getToolStateAtIndex(ElementToolCreator); }
    ElementToolState getAddSiblingTool() const { return getToolStateAtIndex(ElementToolAddSibling); }
    ElementToolState getCollapseTool() const { return getToolStateAtIndex(ElementToolCollapse); }
    ElementToolState getWordWrapTool() const { return getToolStateAtIndex(ElementToolWordWrap); }
    ElementToolState getActionBarTool() const { return getToolStateAtIndex(ElementToolActionBar); }
    ElementToolState getNoteTool() const { return getToolStateAtIndex(ElementToolNote); }
    ElementToolState getResizeTool() const { return getToolStateAtIndex(ElementToolResize); }
    ElementToolState getRelinkRelationSourceTool() const { return getToolStateAtIndex(ElementToolRelinkSource); }
    ElementToolState getRelinkRelationTargetTool() const { return getToolStateAtIndex(ElementToolRelinkTarget); }
    ElementToolState getHideTopicTool() const { return getToolStateAtIndex(ElementToolHideTopic); }
    ElementToolState getRotateTool() const { return getToolStateAtIndex(ElementToolRotate); }
};
