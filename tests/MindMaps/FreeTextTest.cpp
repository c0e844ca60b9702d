#include "MindMapTestSupport.h"

#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StyleHelpers.h"
#include "MindMaps/StyleSheet.h"
#include "MindMaps/TextStyle.h"
#include "layout/WordWrapState.h"
#include "platform/FakeTextMeasurer.h"
#include "platform/TextMeasurer.h"

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

    int editorReports() const { return static_cast<int>(std::count(log.begin(), log.end(), "editor.mindMapChanged")); }

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

// ---- A new text ----

TEST_F(FreeTextTest, NewTextIsEmptyAndPendingInTheTextFont)
{
    MindMapText* text = topic->addText();
    EXPECT_EQ(text->elementType(), 16);
    EXPECT_TRUE(text->isEmpty());
    EXPECT_EQ(text->text(), "");
    EXPECT_EQ(text->updateState(), 3u);
    ASSERT_TRUE(text->font().has_value());
    EXPECT_EQ(*text->font(), StyleSheet::textFont());
    expectSize(text->minTextSize(), 3 * CharWidth, LineHeight);
    EXPECT_FALSE(text->isEditing());
    EXPECT_EQ(text->container(), topic);
}

TEST_F(FreeTextTest, NewTextStyleInheritsFromTheMapsTextStyle)
{
    MindMapText* text = addText("x");
    EXPECT_EQ(text->style()->customizedProps(), 0u);
    map.style()->textStyle()->setPropCustomized(TextStyle::AlignmentMask, true);
    map.style()->textStyle()->setAlignment(2);
    EXPECT_EQ(text->style()->alignment(), 2);
    EXPECT_EQ(text->style()->listener(), text);
}

TEST_F(FreeTextTest, TheMapValidatesANewText)
{
    MindMapText* text = topic->addText();
    map.validateElementStates();
    EXPECT_EQ(text->updateState(), 0u);
    EXPECT_GT(text->size().width, 0);
}

// ---- Sizes ----

TEST_F(FreeTextTest, EmptyTextHasTheMinimumSizePlusMargins)
{
    MindMapText* text = addText();
    EXPECT_EQ(text->updateState(), 0u);
    expectSize(text->textSize(), 3 * CharWidth, LineHeight);
    // Width: 25.2 + 6 + 16.8 / 4; height: 16.8 + 6 = 22.8, raised to 24.
    expectSize(text->size(), 25.2 + 6 + 4.2, 24);
    EXPECT_EQ(text->displayText().string(), "");
}

TEST_F(FreeTextTest, WhiteSpaceOnlyTextBecomesEmpty)
{
    MindMapText* text = topic->addText();
    text->setText(" \t\n \r\n\u3000 ");
    EXPECT_EQ(text->text(), "");
    EXPECT_TRUE(text->isEmpty());
    text->validateState();
    expectSize(text->size(), 25.2 + 6 + 4.2, 24);
}

TEST_F(FreeTextTest, TextSizeIsTheMeasuredDisplayTextPlusMargins)
{
    MindMapText* text = addText("Hello");
    expectSize(text->textSize(), 5 * CharWidth, LineHeight);
    expectSize(text->size(), 5 * CharWidth + 6 + LineHeight / 4, 24);

    text->setText("Hello\nagain");
    text->validateState();
    expectSize(text->textSize(), 5 * CharWidth, 2 * LineHeight);
    expectSize(text->size(), 5 * CharWidth + 6 + LineHeight / 4, 2 * LineHeight + 6);
}

TEST_F(FreeTextTest, TextSizeIsNeverBelowTheMinimumSize)
{
    MindMapText* text = addText("i");
    expectSize(text->textSize(), 3 * CharWidth, LineHeight);
}

TEST_F(FreeTextTest, BoundsAndTextBoundsAreCentredOnTheLocation)
{
    MindMapText* text = addText("Hello");
    text->setRelLocation(Point{0, 50});
    const Size size = text->size();
    const Size textSize = text->textSize();
    EXPECT_EQ(text->bounds(), Rect(100 - size.width / 2, 150 - size.height / 2, size.width, size.height));
    EXPECT_EQ(text->textBounds(),
              Rect(100 - textSize.width / 2, 150 - textSize.height / 2, textSize.width, textSize.height));
    EXPECT_TRUE(text->hitTest(Point{100, 150}));
    EXPECT_FALSE(text->hitTest(Point{100, 100}));
}

TEST_F(FreeTextTest, ValidationReportsTheNewBounds)
{
    MindMapText* text = addText("Hello");
    text->setText("Hello world");
    map.setNeedsLayout(false);
    text->validateState();
    EXPECT_TRUE(map.needsLayout());
}

// ---- Text ----

TEST_F(FreeTextTest, TextIsTrimmedAndValidated)
{
    MindMapText* text = addText();
    text->setText("  one\r\ntwo\tthree\x01" "four \n ");
    EXPECT_EQ(text->text(), "one\ntwo three four");
}

TEST_F(FreeTextTest, TextThatIsNotUtf8IsMadeValid)
{
    MindMapText* text = addText();
    text->setText(std::string("a\xff" "b", 3));
    EXPECT_EQ(text->text(), "a\xEF\xBF\xBD" "b");
    text->validateState();
    EXPECT_EQ(text->updateState(), 0u);
}

TEST_F(FreeTextTest, HugeTextIsTakenAndMeasured)
{
    MindMapText* text = addText();
    text->setText(repeated('w', 200000));
    text->validateState();
    EXPECT_EQ(text->text().size(), 200000u);
    EXPECT_NEAR(text->textSize().width, 200000 * CharWidth, 1e-3);
}

TEST_F(FreeTextTest, ChangedTextIsPendingAndReportedOnce)
{
    MindMapText* text = addText("before");
    text->setText("after");
    EXPECT_EQ(text->updateState(), 1u);
    const int reports = editorReports();
    EXPECT_GT(reports, 0);

    log.clear();
    text->setText("after");
    EXPECT_TRUE(log.empty());
}

TEST_F(FreeTextTest, UpdateBitsReportTheTextOnlyWhenItWasValid)
{
    MindMapText* text = addText("words");
    text->includeTextUpdateState(MindMapText::UpdateText);
    EXPECT_EQ(editorReports(), 1);
    text->includeTextUpdateState(MindMapText::UpdateText);
    text->includeTextUpdateState(MindMapText::UpdateFont);
    EXPECT_EQ(editorReports(), 1);
    EXPECT_EQ(text->updateState(), 3u);

    text->validateState();
    EXPECT_EQ(text->updateState(), 0u);
}

TEST_F(FreeTextTest, NewTextIsSearchedAgain)
{
    MindMapText* text = addText("hay");
    MindMapSearchData criteria("needle");
    criteria.setScope(SearchScopeText);
    map.setSearchData(&criteria);
    EXPECT_FALSE(text->searchMatch());

    text->setText("hay with a needle");
    EXPECT_TRUE(text->searchMatch());
    text->setText("hay");
    EXPECT_FALSE(text->searchMatch());
}

// ---- Display text ----

TEST_F(FreeTextTest, DisplayTextIsTheMarkdownInTheTextFont)
{
    MindMapText* text = addText("*bold* rest");
    EXPECT_EQ(text->displayText().string(), "bold rest");
    const TextAttributes bold = text->displayText().attributesAt(0);
    ASSERT_TRUE(bold.font.has_value());
    EXPECT_TRUE(bold.font->isBold());
    const TextAttributes rest = text->displayText().attributesAt(6);
    ASSERT_TRUE(rest.font.has_value());
    EXPECT_FALSE(rest.font->isBold());
    EXPECT_EQ(rest.font->pointSize(), StyleSheet::textFont().pointSize());
    // The width is that of the text without its markers.
    EXPECT_NEAR(text->textSize().width, 9 * CharWidth, 1e-9);
}

TEST_F(FreeTextTest, DisplayTextIsAlignedAsTheStyleSays)
{
    MindMapText* text = addText("one\ntwo");
    const TextRange whole{0, text->displayText().length()};
    TextRange range;
    EXPECT_EQ(text->displayText().attributesAt(0, &range).alignment, TextAlignment::Center);
    EXPECT_EQ(range, whole);

    text->style()->changeAlignment(1);
    text->validateState();
    EXPECT_EQ(text->displayText().attributesAt(0, &range).alignment, TextAlignment::Left);
    EXPECT_EQ(range, whole);

    text->style()->changeAlignment(2);
    text->validateState();
    EXPECT_EQ(text->displayText().attributesAt(5).alignment, TextAlignment::Right);
}

TEST_F(FreeTextTest, StyleEffectsApplyOnlyWhenTheStyleCustomisesTheFont)
{
    MindMapText* text = addText("plain");
    // The raw value alone, without the font property customised, does not count.
    text->style()->setFontStyle(8 | 4);
    text->validateState();
    EXPECT_EQ(text->fontEffects(), 0u);
    EXPECT_EQ(text->displayText().attributesAt(0).underline, 0);
    EXPECT_EQ(text->displayText().attributesAt(0).strikethrough, 0);

    text->style()->setPropCustomized(TextStyle::FontMask, true);
    EXPECT_EQ(text->fontEffects(), 12u);
    text->validateState();
    EXPECT_NE(text->displayText().attributesAt(0).underline, 0);
    EXPECT_NE(text->displayText().attributesAt(0).strikethrough, 0);
}

TEST_F(FreeTextTest, StyleFontSizeGivesTheFontAndTheMinimumSize)
{
    MindMapText* text = addText("abc");
    text->style()->changeFontSize(28, 0, 14);
    EXPECT_EQ(text->updateState(), 2u);
    text->validateState();
    ASSERT_TRUE(text->font().has_value());
    EXPECT_EQ(text->font()->pointSize(), 28);
    expectSize(text->minTextSize(), 3 * 0.6 * 28, 1.2 * 28);
    expectSize(text->textSize(), 3 * 0.6 * 28, 1.2 * 28);

    text->clearStyleCustomization();
    text->validateState();
    EXPECT_EQ(*text->font(), StyleSheet::textFont());
    expectSize(text->minTextSize(), 3 * CharWidth, LineHeight);
}

TEST_F(FreeTextTest, MapTextStyleChangeInvalidatesTheText)
{
    MindMapText* text = addText("abc");
    map.invalidateTextStyles();
    EXPECT_EQ(text->updateState() & MindMapText::UpdateFont, static_cast<uint32_t>(MindMapText::UpdateFont));
    text->validateState();
    EXPECT_EQ(text->updateState(), 0u);
}

TEST_F(FreeTextTest, TextOfAParentRelationAndOfACrossLinkValidates)
{
    MindMapNode* child = addTopic(map, topic, Point{300, 100}, "child");
    CrossLink* link = map.internalAddCrossLinkFromSource(topic, addTopic(map, nullptr, Point{0, 400}, "other"));
    MindMapText* onRelation = child->parentRelation()->addText();
    MindMapText* onLink = link->addText();
    onRelation->setText("on the line");
    onLink->setText("on the link");
    map.validateElementStates();
    EXPECT_EQ(onRelation->updateState(), 0u);
    EXPECT_EQ(onLink->updateState(), 0u);
    EXPECT_EQ(onLink->displayText().string(), "on the link");
}

// ---- Colours and styles ----

TEST_F(FreeTextTest, ColourCustomisesTheFill)
{
    MindMapText* text = addText("abc");
    const Color red(1, 0, 0);
    text->setColor(red);
    EXPECT_TRUE(text->style()->isPropCustomized(TextStyle::FillColorMask));
    EXPECT_EQ(text->style()->fillColor(), red);
    EXPECT_EQ(text->updateState(), 2u);

    const uint64_t props = text->style()->customizedProps();
    text->setColor(std::nullopt);
    EXPECT_EQ(text->style()->customizedProps(), props);
    EXPECT_EQ(text->style()->fillColor(), red);
}

TEST_F(FreeTextTest, ResolvedTextColourIsTheStylesElseTheSchemeFontColour)
{
    MindMapText* text = addText("abc");
    ASSERT_NE(map.styleSheet(), nullptr);
    ASSERT_NE(map.styleSheet()->colorScheme(), nullptr);
    const Color schemeColor = map.styleSheet()->colorScheme()->fontColor();

    const Color blue(0, 0, 1);
    text->style()->setPropCustomized(TextStyle::TextColorMask, true);
    text->style()->setTextColor(blue);
    EXPECT_EQ(text->resolvedTextColor(), blue);

    // A style that customises the text colour to none leaves the scheme's.
    text->style()->setTextColor(std::nullopt);
    ASSERT_FALSE(text->style()->textColor().has_value());
    EXPECT_EQ(text->resolvedTextColor(), schemeColor);
}

TEST_F(FreeTextTest, ClearingTheCustomisationResetsTheStyle)
{
    MindMapText* text = addText("abc");
    text->setColor(Color(1, 0, 0));
    text->style()->changeAlignment(2);
    text->clearStyleCustomization();
    EXPECT_EQ(text->style()->customizedProps(), 0u);
    EXPECT_EQ(text->style()->alignment(), map.style()->textStyle()->alignment());
}

TEST_F(FreeTextTest, AssignToStyleTakesTheFontWhenTheStyleDoesNotCustomiseIt)
{
    MindMapText* text = addText("abc");
    text->setFont(Font("Arial", 20, true, false));
    TextStyle target;
    text->assignToStyle(&target);
    EXPECT_EQ(target.textColor(), text->resolvedTextColor());
    // Bold is trait 2 of the font manager and bit 1 of a style.
    EXPECT_EQ(target.fontStyle(), 1u);
    EXPECT_EQ(target.fontSize(), 20);
    EXPECT_EQ(target.customizedProps(), text->style()->customizedProps());

    text->setFont(Font("Arial", 12, false, true));
    text->assignToStyle(&target);
    EXPECT_EQ(target.fontStyle(), 2u);
    EXPECT_EQ(target.fontSize(), 12);
}

TEST_F(FreeTextTest, AssignToStyleKeepsACustomisedFontStyle)
{
    MindMapText* text = addText("abc");
    text->style()->changeFontStyleAspect(8, true, 0, 14);
    text->style()->changeFontSize(18, 0, 14);
    text->validateState();
    TextStyle target;
    text->assignToStyle(&target);
    EXPECT_TRUE(target.isPropCustomized(TextStyle::FontMask));
    EXPECT_EQ(target.fontStyle(), 8u);
    EXPECT_DOUBLE_EQ(target.fontSize(), 18);

    text->assignToStyle(nullptr);
}

TEST_F(FreeTextTest, TextPresetIsMergedOtherStylesAreIgnored)
{
    MindMapText* text = addText("abc");
    TextStyle preset;
    preset.setPropCustomized(TextStyle::AlignmentMask, true);
    preset.setAlignment(1);
    text->applyPreset(&preset);
    EXPECT_EQ(text->style()->alignment(), 1);
    EXPECT_EQ(text->updateState(), 2u);

    RelationStyle relation;
    relation.setCustomizedProps(0xFF);
    const uint64_t props = text->style()->customizedProps();
    text->applyPreset(&relation);
    text->applyPreset(nullptr);
    EXPECT_EQ(text->style()->customizedProps(), props);
}

TEST_F(FreeTextTest, TopicPresetGivesOnlyItsTextProperties)
{
    MindMapText* text = addText("abc");
    NodeStyle preset;
    preset.setCustomizedProps(TextStyle::FillColorMask | NodeStyle::StrokeColorMask | NodeStyle::BorderStyleMask);
    preset.setFillColor(Color(0, 1, 0));
    preset.setBorderStyle(3);
    text->applyPreset(&preset);
    EXPECT_EQ(text->style()->customizedProps(), TextStyle::FillColorMask);
    EXPECT_EQ(text->style()->fillColor(), Color(0, 1, 0));
}

// ---- Editing ----

TEST_F(FreeTextTest, EditingStateAboveOneMeansEditing)
{
    MindMapText* text = addText("abc");
    text->setEditingState(1);
    EXPECT_FALSE(text->isEditing());
    text->setEditingState(2);
    EXPECT_TRUE(text->isEditing());
    EXPECT_EQ(text->editingState(), 2);
}

// ---- Word wrap ----

TEST_F(FreeTextTest, WithoutAWrapStateTheWrapRangeIsTheRoundedTextWidth)
{
    MindMapText* text = addText("abcde");
    EXPECT_FALSE(text->isWordWrapping());
    EXPECT_EQ(text->maxWrapWidth(), 42);
    EXPECT_EQ(text->minWrapWidth(), 42);
    text->setWrapWidth(10);
    EXPECT_EQ(text->text(), "abcde");
}

TEST_F(FreeTextTest, InteractiveWrapBreaksTheTextAndEnds)
{
    MindMapText* text = addText("aaaa bbbb cccc");
    text->wordWrappingStarted();
    ASSERT_TRUE(text->isWordWrapping());
    EXPECT_EQ(text->maxWrapWidth(), 118); // 14 characters
    EXPECT_EQ(text->minWrapWidth(), 34);  // one word, 33.6
    text->setWrapWidth(40);
    EXPECT_EQ(text->text(), "aaaa\nbbbb\ncccc");
    EXPECT_EQ(text->updateState() & MindMapText::UpdateText, static_cast<uint32_t>(MindMapText::UpdateText));

    text->wordWrappingEnded();
    EXPECT_FALSE(text->isWordWrapping());
    text->validateState();
    EXPECT_EQ(text->maxWrapWidth(), 34);
}

TEST_F(FreeTextTest, WrappedTextIsTakenAsText)
{
    MindMapText* text = addText("abc");
    text->applyWrappedText("  one\ntwo  ");
    EXPECT_EQ(text->text(), "one\ntwo");
}

TEST_F(FreeTextTest, DefaultWrapLeavesARatioOfTenUnwrapped)
{
    // 20 characters: 120 wide, 12 high.
    const std::string words = repeated('a', 9) + " " + repeated('b', 10);
    MindMapText* text = addTenPointText(words);
    ASSERT_EQ(text->textSize(), Size(120, 12));
    text->applyDefaultWrap();
    EXPECT_EQ(text->text(), words);
}

TEST_F(FreeTextTest, DefaultWrapBreaksARatioOfTenAndAHalf)
{
    // 21 characters, ratio 10.5, which rounds to 11: 1.2 / 2 of the width 126 is 76.
    MindMapText* text = addTenPointText(repeated('a', 10) + " " + repeated('b', 10));
    ASSERT_EQ(text->textSize(), Size(126, 12));
    text->applyDefaultWrap();
    EXPECT_EQ(text->text(), repeated('a', 10) + "\n" + repeated('b', 10));
    EXPECT_FALSE(text->isWordWrapping());
}

TEST_F(FreeTextTest, DefaultWrapOfARatioOfFortyUsesAFactorOfPointFour)
{
    // 80 characters, ratio 40: 40 / 30 + 2 = 3 steps, so 0.4 of the width 480 (32 characters).
    std::string words = repeated('a', 10);
    for (int i = 0; i < 7; ++i) words += " " + repeated('b', 9);
    ASSERT_EQ(words.size(), 80u);
    MindMapText* text = addTenPointText(words);
    ASSERT_EQ(text->textSize(), Size(480, 12));

    MindMapText* expected = addTenPointText(words);
    expected->wordWrappingStarted();
    expected->setWrapWidth(192);
    MindMapText* tooWide = addTenPointText(words);
    tooWide->wordWrappingStarted();
    tooWide->setWrapWidth(288);
    ASSERT_NE(expected->text(), tooWide->text());

    text->applyDefaultWrap();
    EXPECT_EQ(text->text(), expected->text());
}

TEST_F(FreeTextTest, UnforcedDefaultWrapLeavesTextsWithLineBreaksOrWithoutSpaces)
{
    const std::string withBreak = repeated('a', 30) + " " + repeated('b', 30) + "\nc";
    MindMapText* broken = addTenPointText(withBreak);
    broken->applyDefaultWrap();
    EXPECT_EQ(broken->text(), withBreak);

    const std::string oneWord = repeated('a', 60);
    MindMapText* word = addTenPointText(oneWord);
    word->applyDefaultWrap();
    word->applyDefaultWrap(true); // no space and no line break: nothing even when forced
    EXPECT_EQ(word->text(), oneWord);

    MindMapText* empty = addText();
    empty->applyDefaultWrap(true);
    EXPECT_EQ(empty->text(), "");
}

TEST_F(FreeTextTest, ForcedDefaultWrapUsesTheLargestWrapWidth)
{
    // 15 characters, ratio 7.5: left alone unforced. Forced: the largest useful width 90 over the
    // minimum height 12 is 7.5, which rounds to 8: 0.6 x 90 gives 54, nine characters.
    const std::string words = repeated('a', 7) + " " + repeated('b', 7);
    MindMapText* text = addTenPointText(words);
    text->applyDefaultWrap();
    EXPECT_EQ(text->text(), words);
    text->applyDefaultWrap(true);
    EXPECT_EQ(text->text(), repeated('a', 7) + "\n" + repeated('b', 7));
}

TEST_F(FreeTextTest, ForcedDefaultWrapOfOneWordLinesKeepsThem)
{
    const std::string words = repeated('a', 10) + "\n" + repeated('b', 10);
    MindMapText* text = addTenPointText(words);
    text->applyDefaultWrap(true);
    EXPECT_EQ(text->text(), words);
}

TEST_F(FreeTextTest, DefaultWrapValidatesFirst)
{
    MindMapText* text = topic->addText();
    text->setText(repeated('a', 10) + " " + repeated('b', 10));
    ASSERT_NE(text->updateState(), 0u);
    // 21 characters at 14 points: ratio 10.5 as well.
    text->applyDefaultWrap();
    EXPECT_EQ(text->text(), repeated('a', 10) + "\n" + repeated('b', 10));
}

// ---- Bad input and lifetimes ----

TEST_F(FreeTextTest, MinimumSizeThatIsNoNumberDoesNotBreakValidation)
{
    MindMapText* text = addText("abc");
    text->setMinSize(Size(std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()));
    text->validateState();
    EXPECT_EQ(text->updateState(), 0u);
    EXPECT_GE(text->size().width, MindMapText::MinimumSide);
    EXPECT_GE(text->size().height, MindMapText::MinimumSide);
}

TEST_F(FreeTextTest, TextOutsideAnyMapWorksAlone)
{
    MindMapText text(nullptr);
    EXPECT_EQ(text.mindMap(), nullptr);
    text.setText("alone");
    text.validateState();
    expectSize(text.textSize(), 5 * CharWidth, LineHeight);
    EXPECT_EQ(text.resolvedTextColor(), Color::black());
    text.applyDefaultWrap(true);
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
