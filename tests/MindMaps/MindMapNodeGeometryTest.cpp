#include "MindMapNodeTestSupport.h"

#include "MindMaps/ContainedElement.h"
#include "MindMaps/DiagramLink.h"
#include "MindMaps/EmbeddedImage.h"
#include "MindMaps/NodeIcon.h"
#include "editor-view/TopicHideTool.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

namespace {

using nodetest::NodeTest;
using nodetest::ScopedTimeLocale;
using maptest::Box;

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
        iconHash = storeImage(32, 32);      // a custom icon of 20 x 20
        contactHash = storeImage(16, 32);   // a contact picture of 10 x 20, plus 3 either side
        pictureHash = storeImage(120, 60);  // an embedded picture of 120 x 60
        ASSERT_FALSE(iconHash.empty() || contactHash.empty() || pictureHash.empty());
    }

    std::string iconHash;
    std::string contactHash;
    std::string pictureHash;
};

TEST_F(MindMapNodeGeometryTest, AdornmentsLineUpWithTheirGapsAroundTheText)
{
    // Every adornment of the text line: icon, checkbox, auto-number box, text, link icon, voice memo.
    map.setAutoNumberStyle(AutoNumberInside);
    MindMapNode* node = child(theme("Root"), {200, 100});
    node->setText("Hello");
    node->setIconName("#" + iconHash);
    node->setShowCheckbox(true);
    node->linkToPhoneContact("+1 555 0100", contactHash);
    node->setVoiceMemo("memo");
    settle(node);
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
    MindMapNode* node = child(theme("Root"), {200, 100});
    node->setText("Hello");
    node->setEmbeddedImageName(pictureHash);
    node->setDate(someDay());
    settle(node);
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

} // namespace
