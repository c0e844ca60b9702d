#include "MindMaps/MindMapTestSupport.h"
#include "MindMaps/MindMapText.h"
#include "render/MindMapPaintSelection.h"

#include <gtest/gtest.h>

using namespace maptest;

namespace {

class PaintSelectionTest : public ::testing::Test, protected TwoThemeTopics {
protected:
    void SetUp() override
    {
        map.newMindMap("", false, std::nullopt);
        addTo(map);
        map.setSelectedElement(nullptr);
    }

    std::unique_ptr<MindMapPaintSelection> build(bool selectionOnly)
    {
        return MindMapPaintSelection::mindMapPaintSelection(map, selectionOnly);
    }

    MindMap map;
};

} // namespace

TEST_F(PaintSelectionTest, WholeMapHasEveryThemeAndVisibleLink)
{
    CrossLink* inside = map.internalAddCrossLinkFromSource(a1a, a2);
    CrossLink* across = map.internalAddCrossLinkFromSource(a2, b1);
    CrossLink* hidden = map.internalAddCrossLinkFromSource(a1b, b);
    a1->setCollapsed(true); // a1a and a1b are no longer visible

    const auto selection = build(false);
    EXPECT_EQ((std::vector<MindMapNode*>{a, b}), selection->roots());
    EXPECT_EQ((std::vector<CrossLink*>{across}), selection->crossLinks());
    EXPECT_EQ(map.getVisualArea(false), selection->visualArea());
    (void)inside, (void)hidden;
}

TEST_F(PaintSelectionTest, NothingSelectedPaintsNothing)
{
    map.internalAddCrossLinkFromSource(a2, b1);
    const auto selection = build(true);
    EXPECT_TRUE(selection->roots().empty());
    EXPECT_TRUE(selection->crossLinks().empty());
    EXPECT_EQ(Rect(), selection->visualArea());
}

TEST_F(PaintSelectionTest, OnlyLinksWithBothEndsInsideTheSelectedSubtreesCount)
{
    CrossLink* inside = map.internalAddCrossLinkFromSource(a1a, a2);
    CrossLink* outward = map.internalAddCrossLinkFromSource(a2, b1);
    CrossLink* inward = map.internalAddCrossLinkFromSource(b1, a1b);
    MindMapText* label = inside->addText();
    label->setText("far label");
    label->setLocation(Point{900, 900});
    MindMapText* outwardLabel = outward->addText();
    outwardLabel->setText("elsewhere");
    outwardLabel->setLocation(Point{-900, -900});
    map.validateElementStates();

    map.setSelectedElement(a1);
    map.toggleSelection(a2, false);
    map.toggleSelection(a1a, false); // inside a selected subtree: not a root of its own
    const auto selection = build(true);
    EXPECT_EQ((std::vector<MindMapNode*>{a1, a2}), selection->roots());
    EXPECT_EQ((std::vector<CrossLink*>{inside}), selection->crossLinks());
    // The label of the link inside widens the area; nothing of the others does.
    EXPECT_TRUE(containsRect(selection->visualArea(), label->bounds()));
    EXPECT_LT(selection->visualArea().maxY(), 1000);
    EXPECT_GT(selection->visualArea().minX(), 0);
    (void)inward;
}

TEST_F(PaintSelectionTest, HiddenNodesOfACollapsedBranchDoNotWidenTheArea)
{
    MindMapNode* far = addTopic(map, a2, Point{5000, 5000}, "far");
    a2->setCollapsed(true);
    map.setSelectedElement(a);
    const auto selection = build(true);
    EXPECT_FALSE(containsRect(selection->visualArea(), far->bounds()));
    EXPECT_TRUE(containsRect(selection->visualArea(), a2->bounds()));
}
