#include "editor-view/AutoFocusser.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/ParentRelation.h"
#include "support/MemoryImageStore.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using Focused = std::vector<const MindMapElement*>;

// theme - A - A1 - A1a;  A - A2;  theme - B. A text on A and on the relation to A1; cross links
// A1-A2 and A-B.
class AutoFocusserTest : public ::testing::Test, public AutoFocusserDelegate {
protected:
    void autoFocusChanged(AutoFocusser*) override { ++notifications; }

    Focused focusedAfterSelecting(MindMapElement* element)
    {
        map.setSelectedElement(element);
        focusser.updateMindMap(map);
        const Focused all{T, A, A1, A1a, A2, B, r1, r2, r1a, textOnA, relationText, siblingsLink, outwardLink};
        Focused focused;
        for (const MindMapElement* e : all) {
            if (e->isAutoFocused()) focused.push_back(e);
        }
        return focused;
    }

    MindMap map{std::make_shared<MemoryImageStore>()};
    AutoFocusser focusser{this};
    int notifications = 0;
    MindMapNode* T = map.internalAddCentralTheme("theme");
    MindMapNode* A = map.addMindMapNodeAsChild(T, {100, 0});
    MindMapNode* A1 = map.addMindMapNodeAsChild(A, {200, 0});
    MindMapNode* A1a = map.addMindMapNodeAsChild(A1, {300, 0});
    MindMapNode* A2 = map.addMindMapNodeAsChild(A, {200, 50});
    MindMapNode* B = map.addMindMapNodeAsChild(T, {100, 100});
    MindMapElement *r1 = A1->parentRelation(), *r2 = A2->parentRelation(), *r1a = A1a->parentRelation();
    MindMapText* textOnA = A->addText();
    MindMapText* relationText = A1->parentRelation()->addText();
    CrossLink* siblingsLink = map.internalAddCrossLinkFromSource(A1, A2);
    CrossLink* outwardLink = map.internalAddCrossLinkFromSource(A, B);
};

TEST_F(AutoFocusserTest, ModesSetTheirLevelsAndNotifyOnlyOnAChange)
{
    const struct {
        int32_t mode;
        int64_t levels;
    } modes[] = {{1, 0}, {2, 1}, {3, 9223372036854775807}, {0, 0}};
    int expected = 0;
    for (const auto& m : modes) {
        focusser.setAutoFocusMode(m.mode);
        focusser.setAutoFocusMode(m.mode);
        EXPECT_EQ(notifications, ++expected) << m.mode;
        EXPECT_EQ(focusser.enabled(), m.mode != 0);
        EXPECT_EQ(focusser.childLevel(), m.levels);
    }
    focusser.setAutoFocusMode(4);
    EXPECT_EQ(notifications, expected);
    EXPECT_EQ(focusser.autoFocusMode(), 0);
}

TEST_F(AutoFocusserTest, EachModeMarksItsShareOfTheMap)
{
    focusser.setAutoFocusMode(1);
    EXPECT_EQ(focusedAfterSelecting(A), (Focused{A, textOnA}));
    focusser.setAutoFocusMode(2);
    EXPECT_EQ(focusedAfterSelecting(A), (Focused{A, A1, A2, r1, r2, textOnA, relationText, siblingsLink}));
    focusser.setAutoFocusMode(3);
    EXPECT_EQ(focusedAfterSelecting(A1), (Focused{A1, A1a, r1a}));
    focusser.setAutoFocusMode(0);
    EXPECT_EQ(focusedAfterSelecting(B), (Focused{A1, A1a, r1a})); // off: the marks stay as they were
}

TEST_F(AutoFocusserTest, ARelationsTextLosesItsMarkWhenTheSelectionMovesOn)
{
    focusser.setAutoFocusMode(1);
    EXPECT_EQ(focusedAfterSelecting(relationText), (Focused{relationText}));
    EXPECT_EQ(focusedAfterSelecting(B), (Focused{B}));
}

} // namespace
