#include "MindMaps/RearrangeMarkerHitTester.h"

namespace {

RearrangeMarkerHitTester*& installedHitTester()
{
    static RearrangeMarkerHitTester* hitTester = nullptr;
    return hitTester;
}

} // namespace

bool RearrangeMarkerHitTester::hitTestRearrangeMarker(MindMap&, MindMapNode*, MindMapNode*,
                                                      const std::vector<MindMapNode*>&)
{
    return false;
}

RearrangeMarkerHitTester& RearrangeMarkerHitTester::shared()
{
    static RearrangeMarkerHitTester none;
    RearrangeMarkerHitTester* installed = installedHitTester();
    return installed ? *installed : none;
}

void RearrangeMarkerHitTester::install(RearrangeMarkerHitTester* hitTester)
{
    installedHitTester() = hitTester;
}
