#pragma once

#include "platform/Geometry.h"

#include <cstdint>

class MindMap;
class MindMapNode;

// Where a topic dragged inside an automatically laid-out branch would be inserted: the parent
// it would get, the child index, the kind of position and the bar to draw. Each map owns one.
class RearrangeMarker {
public:
    explicit RearrangeMarker(MindMap* mindMap = nullptr) : _mindMap(mindMap) {}

    // No reference node, not visible.
    void clear();

    MindMap* mindMap() const { return _mindMap; }

    // The node that becomes the dragged topics' parent. Not owned: the map owns its nodes and
    // clears the marker before it lets one go.
    MindMapNode* refNode() const { return _refNode; }
    void setRefNode(MindMapNode* refNode) { _refNode = refNode; }

    int64_t index() const { return _index; }
    void setIndex(int64_t index) { _index = index; }

    int32_t info() const { return _info; }
    void setInfo(int32_t info) { _info = info; }

    const Rect& bounds() const { return _bounds; }
    void setBounds(const Rect& bounds) { _bounds = bounds; }

    // A lying bar (true) or a standing one.
    bool horizontal() const { return _horizontal; }
    void setHorizontal(bool horizontal) { _horizontal = horizontal; }

    bool visible() const { return _visible; }
    void setVisible(bool visible) { _visible = visible; }

private:
    MindMap* _mindMap;
    MindMapNode* _refNode = nullptr;
    int64_t _index = 0;
    int32_t _info = 0;
    Rect _bounds;
    bool _horizontal = false;
    bool _visible = false;
};
