#include "layout/LayoutInstallation.h"

#include "MindMaps/MapLayouter.h"
#include "layout/NodeLayouter.h"
#include "layout/ParentRelationRouter.h"
#include "layout/StrictNodeLayouter.h"
#include "layout/WordWrapState.h"

namespace {

class LibraryLayouter : public MapLayouter {
public:
    Point newCentralThemeLocation(MindMap& mindMap) override { return NodeLayouter::newCentralThemeLocation(mindMap); }
    void assignDefaultNodeLocation(MindMapNode* node) override { NodeLayouter::assignDefaultNodeLocation(node); }
    void avoidOverlap(MindMapNode* node) override { NodeLayouter::avoidOverlap(node); }
    void positionBranch(MindMapNode* node) override { NodeLayouter::positionBranch(node); }
    void layoutSubTree(MindMapNode* node, bool includeNode) override { NodeLayouter::layoutSubTree(node, includeNode); }
    void layoutBranch(MindMapNode* node, int32_t layoutMode) override
    {
        StrictNodeLayouter::layoutBranch(node, layoutMode);
    }
    std::unique_ptr<WordWrapping> wordWrapping(WordWrappableElement* element) override
    {
        return std::make_unique<WordWrapState>(element);
    }
    void updateParentRelationPaths(MindMap& mindMap) override { ParentRelationRouter::updateParentRelations(mindMap); }
};

} // namespace

void installLayout()
{
    static LibraryLayouter layouter;
    MapLayouter::install(&layouter);
}
