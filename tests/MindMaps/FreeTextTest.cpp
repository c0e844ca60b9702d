#include "MindMapTestSupport.h"

#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StyleHelpers.h"
#include "MindMaps/StyleSheet.h"
#include "MindMaps/TextStyle.h"
#include "platform/TextMeasurer.h"
#include "support/FakeTextMeasurer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>

using namespace maptest;

namespace {

// Measures with the fake measurer: a character is 0.6 and a line 1.2 font sizes, so in the
// default text font (14 points) a character is 8.4 wide and a line 16.8 high, and the minimum
// text size (of "Wyg") is 25.2 x 16.8.
class FreeTextTest : public ::testing::Test {
protected:
    static constexpr double CharWidth = 8.4;
    static constexpr double LineHeight = 16.8;

    void SetUp() override
    {
        TextMeasurer::setShared(&measurer);
        StyleSheet::restoreDefaultFonts();
        // The kept sizes of the user fonts must come from this measurer.
        NotificationCenter::defaultCenter().post(StyleSheet::FontsChangeNotification);
        map.setNodeEditor(&editor);
        map.newMindMap("", false, std::nullopt);
        topic = addTopic(map, nullptr, Point{100, 100}, "theme");
        map.validateElementStates();
        log.clear();
    }

    void TearDown() override
    {
        TextMeasurer::setShared(nullptr);
        NotificationCenter::defaultCenter().post(StyleSheet::FontsChangeNotification);
    }

    MindMapText* addText(const std::string& words = {})
    {
        MindMapText* text = topic->addText();
        if (!words.empty()) text->setText(words);
        text->validateState();
        log.clear();
        map.setNeedsLayout(false);
        return text;
    }

    // A text in 10 points, whose sizes the fake measurer gives exactly: a character is 6 wide, a
    // line 12 high, the minimum size 18 x 12.
    MindMapText* addTenPointText(const std::string& words)
    {
        MindMapText* text = topic->addText();
        text->style()->changeFontSize(10, 0, 14);
        text->setText(words);
        text->validateState();
        log.clear();
        return text;
    }

    static std::string repeated(char c, size_t count) { return std::string(count, c); }

    FakeTextMeasurer measurer;
    CallLog log;
    RecordingNodeEditor editor{log};
    MindMap map;
    MindMapNode* topic = nullptr;
};

void expectSize(Size actual, double width, double height)
{
    EXPECT_NEAR(actual.width, width, 1e-9);
    EXPECT_NEAR(actual.height, height, 1e-9);
}

} // namespace

TEST_F(FreeTextTest, EmptyTextHasTheMinimumSizePlusMargins)
{
    MindMapText* text = addText();
    EXPECT_EQ(text->updateState(), 0u);
    expectSize(text->textSize(), 3 * CharWidth, LineHeight);
    // Width: 25.2 + 6 + 16.8 / 4; height: 16.8 + 6 = 22.8, raised to 24.
    expectSize(text->size(), 25.2 + 6 + 4.2, 24);

    text->setText(" \t\n \r\n\u3000 "); // white space only becomes empty
    EXPECT_TRUE(text->isEmpty());
    text->setText("i");
    text->validateState();
    expectSize(text->textSize(), 3 * CharWidth, LineHeight); // never below the minimum size
}

TEST_F(FreeTextTest, MinimumSizeThatIsNoNumberDoesNotBreakValidation)
{
    MindMapText* text = addText("abc");
    text->setMinSize(Size{std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()});
    text->validateState();
    EXPECT_EQ(text->updateState(), 0u);
    EXPECT_GE(text->size().width, MindMapText::MinimumSide);
    EXPECT_GE(text->size().height, MindMapText::MinimumSide);
}

TEST_F(FreeTextTest, TextDestroyedWhileWrappingLeavesNothingBehind)
{
    MindMapText* text = addText("aaaa bbbb");
    text->wordWrappingStarted();
    std::unique_ptr<ContainedElement> removed = text->remove();
    ASSERT_EQ(removed.get(), text);
    removed.reset();
    EXPECT_FALSE(topic->hasContainedElements());
    map.validateElementStates();
}
