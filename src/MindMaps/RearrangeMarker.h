#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <memory>

class MindMap;
class MindMapNode;
struct RearrangeHitCache;

// Where a topic dragged inside an automatically laid-out branch would be inserted: the parent
// it would get, the child index, the kind of position and the bar to draw. Each map owns one.
class RearrangeMarker {
public:
    explicit RearrangeMarker(MindMap* mindMap = nullptr);
    ~RearrangeMarker();
    RearrangeMarker(const RearrangeMarker&) = delete;
    RearrangeMarker& operator=(const RearrangeMarker&) = delete;

    // No reference node, not visible; what the hit tests kept is dropped.
    void clear();

    // While a drag runs, the topics that are not dragged stand still (the drag locks automatic
    // layout): the hit tests keep what they work out about them from one pointer step to the
    // next, so that a step costs what lies near the pointer rather than the whole branch. The drag
    // ends the session on every way out; topics leaving the map drop what was kept.
    void beginDragSession();
    void endDragSession();
    void dropHitCache();
    // What was kept, while a session runs; nullptr outside one.
    RearrangeHitCache* hitCache() const { return _hitCache.get(); }

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
    std::unique_ptr<RearrangeHitCache> _hitCache;
};
