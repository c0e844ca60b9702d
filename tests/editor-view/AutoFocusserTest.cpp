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

// theme - A - A1 - A1a
//           - A2
//       - B
// A text on A and on the relation to A1; cross links A1-A2 and A-B.
class AutoFocusserTest : public ::testing::Test, public AutoFocusserDelegate {
protected:
    void SetUp() override
    {
        T = map.internalAddCentralTheme("theme");
        A = map.addMindMapNodeAsChild(T, {100, 0});
        A1 = map.addMindMapNodeAsChild(A, {200, 0});
        A1a = map.addMindMapNodeAsChild(A1, {300, 0});
        A2 = map.addMindMapNodeAsChild(A, {200, 50});
        B = map.addMindMapNodeAsChild(T, {100, 100});
        textOnA = A->addText();
        relationText = A1->parentRelation()->addText();
        siblingsLink = map.internalAddCrossLinkFromSource(A1, A2);
        outwardLink = map.internalAddCrossLinkFromSource(A, B);
    }

    void autoFocusChanged(AutoFocusser* changed) override
    {
        EXPECT_EQ(changed, &focusser);
        ++notifications;
    }

    // The focused elements among the named ones.
    std::vector<const MindMapElement*> focusedAfterSelecting(MindMapElement* element)
    {
        map.setSelectedElement(element);
        focusser.updateMindMap(map);
        std::vector<const MindMapElement*> focused;
        for (const MindMapElement* e : all()) {
            if (e->isAutoFocused()) focused.push_back(e);
        }
        return focused;
    }
    std::vector<const MindMapElement*> all() const
    {
        return {T,
                A,
                A1,
                A1a,
                A2,
                B,
                A1->parentRelation(),
                A2->parentRelation(),
                A1a->parentRelation(),
                textOnA,
                relationText,
                siblingsLink,
                outwardLink};
    }

    MindMap map{std::make_shared<MemoryImageStore>()};
    AutoFocusser focusser{this};
    int notifications = 0;
    MindMapNode *T, *A, *A1, *A1a, *A2, *B;
    MindMapText *textOnA, *relationText;
    CrossLink *siblingsLink, *outwardLink;
};

using Focused = std::vector<const MindMapElement*>;

TEST_F(AutoFocusserTest, ModesSetTheirLevelsAndNotifyOnlyOnAChange)
{
    const struct {
        int32_t mode;
        bool enabled;
        int64_t levels;
    } modes[] = {{1, true, 0}, {2, true, 1}, {3, true, 9223372036854775807}, {0, false, 0}};
    int expected = 0;
    for (const auto& m : modes) {
        focusser.setAutoFocusMode(m.mode);
        EXPECT_EQ(notifications, ++expected);
        focusser.setAutoFocusMode(m.mode);
        EXPECT_EQ(notifications, expected) << m.mode;
        EXPECT_EQ(focusser.autoFocusMode(), m.mode);
        EXPECT_EQ(focusser.enabled(), m.enabled);
        EXPECT_EQ(focusser.childLevel(), m.levels);
    }
    focusser.setAutoFocusMode(4);
    focusser.setAutoFocusMode(-1);
    EXPECT_EQ(notifications, expected);
    EXPECT_EQ(focusser.autoFocusMode(), 0);
}

TEST_F(AutoFocusserTest, EachModeMarksItsShareOfTheMap)
{
    focusser.setAutoFocusMode(1);
    EXPECT_EQ(focusedAfterSelecting(A), (Focused{A, textOnA}));

    focusser.setAutoFocusMode(2);
    EXPECT_EQ(focusedAfterSelecting(A),
              (Focused{A, A1, A2, A1->parentRelation(), A2->parentRelation(), textOnA, relationText, siblingsLink}));

    focusser.setAutoFocusMode(3);
    EXPECT_EQ(focusedAfterSelecting(A1), (Focused{A1, A1a, A1a->parentRelation()}));
    EXPECT_EQ(focusedAfterSelecting(A),
              (Focused{A, A1, A1a, A2, A1->parentRelation(), A2->parentRelation(), A1a->parentRelation(), textOnA,
                       relationText, siblingsLink}));

    focusser.setAutoFocusMode(1);
    EXPECT_EQ(focusedAfterSelecting(outwardLink), (Focused{outwardLink}));
}

TEST_F(AutoFocusserTest, ARelationsTextLosesItsMarkWhenTheSelectionMovesOn)
{
    focusser.setAutoFocusMode(1);
    EXPECT_EQ(focusedAfterSelecting(relationText), (Focused{relationText}));
    EXPECT_EQ(focusedAfterSelecting(B), (Focused{B}));
}

TEST_F(AutoFocusserTest, WhenOffTheMarksStayAsLastComputed)
{
    focusser.setAutoFocusMode(1);
    EXPECT_EQ(focusedAfterSelecting(A), (Focused{A, textOnA}));
    focusser.setAutoFocusMode(0);
    EXPECT_EQ(focusedAfterSelecting(B), (Focused{A, textOnA}));
}

} // namespace
