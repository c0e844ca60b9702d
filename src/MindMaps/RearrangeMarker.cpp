#include "MindMaps/RearrangeMarker.h"

#include "MindMaps/RearrangeMarkerHitTester.h"

RearrangeMarker::RearrangeMarker(MindMap* mindMap) : _mindMap(mindMap)
{
}

RearrangeMarker::~RearrangeMarker() = default;

void RearrangeMarker::clear()
{
    _refNode = nullptr;
    _visible = false;
    dropHitCache();
}

void RearrangeMarker::beginDragSession()
{
    _hitCache = std::make_unique<RearrangeHitCache>();
}

void RearrangeMarker::endDragSession()
{
    _hitCache.reset();
}

void RearrangeMarker::dropHitCache()
{
    if (_hitCache) *_hitCache = RearrangeHitCache();
}
