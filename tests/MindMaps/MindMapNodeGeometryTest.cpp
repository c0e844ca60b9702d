#include "MindMapNodeTestSupport.h"

#include "MindMaps/ContainedElement.h"
#include "MindMaps/DiagramLink.h"
#include "MindMaps/EmbeddedImage.h"
#include "MindMaps/NodeIcon.h"
#include "MindMaps/TopicHideTool.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

namespace {

using maptest::Box;
using nodetest::NodeTest;
using nodetest::ScopedTimeLocale;

MindMapNode::Date someDay()
{
    using namespace std::chrono;
    return sys_days{year{2024} / March / 14} + hours{12};
}

class MindMapNodeGeometryTest : public NodeTest {
protected:
    void SetUp() override
    {
        NodeTest::SetUp();
        iconHash = storeImage(32, 32);     // a custom icon of 20 x 20
        contactHash = storeImage(16, 32);  // a contact picture of 10 x 20, plus 3 either side
        pictureHash = storeImage(120, 60); // an embedded picture of 120 x 60
        ASSERT_FALSE(iconHash.empty() || contactHash.empty() || pictureHash.empty());
    }

    // A topic at (200, 100) with every adornment of the text line: icon, checkbox, auto-number
    // box, text, link icon and voice memo.
    MindMapNode* adornedTopic()
    {
        map.setAutoNumberStyle(AutoNumberInside);
        MindMapNode* node = child(theme("Root"), {200, 100});
        node->setText("Hello");
        node->setIconName("#" + iconHash);
        node->setShowCheckbox(true);
        node->linkToPhoneContact("+1 555 0100", contactHash);
        node->setVoiceMemo("memo");
        settle(node);
        return node;
    }

    // A topic at (200, 100) with a picture above its text and a date below.
    MindMapNode* pictureTextAndDateTopic()
    {
        MindMapNode* node = child(theme("Root"), {200, 100});
        node->setText("Hello");
        node->setEmbeddedImageName(pictureHash);
        node->setDate(someDay());
        settle(node);
        return node;
    }

    std::string iconHash;
    std::string contactHash;
    std::string pictureHash;
};

TEST_F(MindMapNodeGeometryTest, AdornmentsLineUpWithTheirGapsAroundTheText)
{
    MindMapNode* node = adornedTopic();
    const Rect text = node->textBounds();
    const Size icon = node->icon()->size();
    const Size link = node->diagramLink()->icon()->size();
    const Size box = node->autoNumberIconSize();
    ASSERT_EQ(icon, (Size{20, 20}));
    ASSERT_EQ(link, (Size{16, 20}));
    ASSERT_DOUBLE_EQ(box.width, 16);

    EXPECT_DOUBLE_EQ(node->iconOrigin().x + icon.width + 2, node->checkboxOrigin().x);
    EXPECT_DOUBLE_EQ(node->checkboxOrigin().x + 18, node->autoNumberIconOrigin().x);
    EXPECT_DOUBLE_EQ(node->autoNumberIconOrigin().x + box.width + 2, text.minX());
    EXPECT_DOUBLE_EQ(node->diagramLinkOrigin().x, text.maxX() + 2);
    EXPECT_DOUBLE_EQ(node->voiceMemoOrigin().x, node->diagramLinkOrigin().x + link.width + 2);

    // The whole line is centred on the location.
    const double lineWidth = node->calculateTextContentSize().width;
    EXPECT_DOUBLE_EQ(lineWidth, 30 + 22 + 18 + 18 + 18 + 18);
    EXPECT_DOUBLE_EQ(node->iconOrigin().x, 200 - lineWidth / 2);
    // The voice memo box is 16 wide; its gap of 2 stands before it.
    EXPECT_DOUBLE_EQ(node->voiceMemoOrigin().x + 16, 200 + lineWidth / 2);

    // Every part is centred on the text's middle line.
    const double middle = text.midY();
    EXPECT_DOUBLE_EQ(node->iconOrigin().y, middle - 10);
    EXPECT_DOUBLE_EQ(node->checkboxOrigin().y, middle - 8);
    EXPECT_DOUBLE_EQ(node->voiceMemoOrigin().y, middle - 8);
    EXPECT_DOUBLE_EQ(middle, 100);
}

TEST_F(MindMapNodeGeometryTest, PictureTextAndDateAreStackedWithGapsOfFour)
{
    ScopedTimeLocale locale("en_US.UTF-8");
    MindMapNode* node = pictureTextAndDateTopic();
    const Rect picture = node->embeddedImageBounds();
    const Rect text = node->textBounds();
    const Rect date = node->dateTextBounds();
    ASSERT_EQ(picture.size, (Size{120, 60}));
    EXPECT_DOUBLE_EQ(picture.maxY() + 4, text.minY());
    EXPECT_DOUBLE_EQ(text.maxY() + 4, date.minY());
    const double contentHeight = 60 + 4 + 12 + 4 + node->dateTextSize().height;
    EXPECT_DOUBLE_EQ(picture.minY(), 100 - contentHeight / 2);
    EXPECT_DOUBLE_EQ(date.maxY(), 100 + contentHeight / 2);
    // Each row is centred horizontally.
    EXPECT_DOUBLE_EQ(picture.midX(), 200);
    EXPECT_DOUBLE_EQ(date.midX(), 200);
}

// The link icon's margins are not part of it.
TEST_F(MindMapNodeGeometryTest, HitCodesOfTheTextLine)
{
    MindMapNode* node = adornedTopic();
    const Point inside{1, 1};
    const Point link = node->diagramLinkOrigin();
    const Rect bounds = node->bounds();
    const std::pair<Point, int32_t> cases[] = {
        {node->checkboxOrigin() + inside, MindMapNode::HitCheckbox},
        {node->iconOrigin() + inside, MindMapNode::HitIcon},
        {link + Point{1, 5}, MindMapNode::HitBody},
        {link + Point{4, 5}, MindMapNode::HitLinkIcon},
        {node->voiceMemoOrigin() + inside, MindMapNode::HitVoiceMemo},
        {node->textBounds().center(), MindMapNode::HitBody},
        {node->autoNumberIconOrigin() + inside, MindMapNode::HitBody},
        {{bounds.maxX() + 1, bounds.midY()}, MindMapNode::HitOutside},
        {{bounds.minX(), bounds.minY()}, MindMapNode::HitBody},
    };
    for (const auto& [point, code] : cases) EXPECT_EQ(node->getHitTestInfo(point), code) << point.x << ", " << point.y;
}

// Left in the date box within the square of its height the icon, further right the text, below
// it the body.
TEST_F(MindMapNodeGeometryTest, HitCodesOfPictureAndDate)
{
    ScopedTimeLocale locale("en_US.UTF-8");
    MindMapNode* node = pictureTextAndDateTopic();
    const Rect date = node->dateTextBounds();
    const double side = date.height();
    ASSERT_LT(date.maxY() + 1, node->bounds().maxY());
    const std::pair<Point, int32_t> cases[] = {
        {node->embeddedImageBounds().center(), MindMapNode::HitEmbeddedImage},
        {{date.minX() + 1, date.midY()}, MindMapNode::HitDateIcon},
        {{date.minX() + side - 0.5, date.midY()}, MindMapNode::HitDateIcon},
        {{date.minX() + side + 0.5, date.midY()}, MindMapNode::HitDateText},
        {{date.midX(), date.maxY() + 1}, MindMapNode::HitBody},
        {{date.maxX() + 2, date.midY()}, MindMapNode::HitBody},
    };
    for (const auto& [point, code] : cases) EXPECT_EQ(node->getHitTestInfo(point), code) << point.x << ", " << point.y;
}

TEST_F(MindMapNodeGeometryTest, LayoutCodesBeyondAByteStayAsUnknownAsTheyAre)
{
    MindMapNode* root = theme("Root");
    MindMapNode* main = child(root, {-200, 0});
    MindMapNode* leaf = child(main, {-300, 0});
    // Codes whose low byte is free form, a list growing to the left or a right-to-left tree.
    for (int32_t code : {256, 257, 260, -255, 1 << 20}) {
        SCOPED_TRACE(code);
        main->setLayoutMode(code);
        EXPECT_NE(leaf->effectiveLayoutMode(), 0);
        EXPECT_EQ(main->layoutMode() < 0, code < 0);
        for (int32_t mode : {3, 4}) {
            main->setLayoutMode(mode);
            main->setLayoutDirection(99);
            const bool listLeftToRight = MindMapNode::isListLayoutLeftToRight(leaf);
            const bool treeLeftToRight = MindMapNode::isTopdownLayoutLeftToRight(leaf);
            main->setLayoutDirection(code);
            EXPECT_EQ(MindMapNode::isListLayoutLeftToRight(leaf), listLeftToRight);
            EXPECT_EQ(MindMapNode::isTopdownLayoutLeftToRight(leaf), treeLeftToRight);
        }
    }
}

TEST_F(MindMapNodeGeometryTest, CollapseMarkerSideFollowsTheLayout)
{
    MindMapNode* root = theme("Root");
    root->setLocation({0, 0});
    MindMapNode* main = child(root, {-200, 0});
    MindMapNode* leaf = child(main, {-300, 0});
    child(leaf, {-400, 0});
    settle(leaf);
    // Free layout: a child left of its parent has its marker on its right.
    EXPECT_EQ(leaf->collapseMarkerDirection(), -1);
    main->setLayoutMode(2);
    EXPECT_EQ(leaf->collapseMarkerDirection(), 1);
    main->setLayoutMode(3);
    EXPECT_EQ(leaf->collapseMarkerDirection(), -1); // the list grows to the left
    main->setLayoutDirection(2);
    EXPECT_EQ(leaf->collapseMarkerDirection(), 1);
    main->setLayoutMode(4);
    main->setLayoutDirection(6);
    EXPECT_EQ(leaf->collapseMarkerDirection(), -1);
    setTopicHasHideTool(true);
    EXPECT_EQ(leaf->collapseMarkerDirection(), 1);
    setTopicHasHideTool(false);

    const Rect marker = leaf->getCollapseMarkerBounds();
    EXPECT_EQ(marker.size, (Size{16, 16}));
    EXPECT_DOUBLE_EQ(marker.midX(), -300 + (leaf->size().width + 16) / 2);
    EXPECT_DOUBLE_EQ(marker.midY(), 0);
}

} // namespace
