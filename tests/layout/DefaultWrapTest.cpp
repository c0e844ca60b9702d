// The default wrap of topics and free texts, which breaks their text through the layout library's
// word wrap.

#include "MindMaps/MindMapNodeTestSupport.h"

#include "MindMaps/MapLayouter.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/TextStyle.h"
#include "layout/LayoutInstallation.h"
#include "support/FakeTextMeasurer.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

class DefaultWrapTest : public nodetest::NodeTest {
protected:
    void SetUp() override
    {
        NodeTest::SetUp();
        installLayout();
        topic = theme("theme");
        map.validateElementStates();
    }
    void TearDown() override
    {
        MapLayouter::install(nullptr);
        NodeTest::TearDown();
    }

    // A free text in 10 points: a character is 6 wide, a line 12 high, the minimum size 18 x 12.
    MindMapText* addTenPointText(const std::string& words)
    {
        MindMapText* text = topic->addText();
        text->style()->changeFontSize(10, 0, 14);
        text->setText(words);
        text->validateState();
        return text;
    }

    static std::string repeated(char c, size_t count) { return std::string(count, c); }

    MindMapNode* topic = nullptr;
};

} // namespace

TEST_F(DefaultWrapTest, TopicDefaultWrapBreaksOnlyLongOneLineTexts)
{
    // 22 characters of 6 x 12: a ratio of exactly 11.
    MindMapNode* node = theme("aaaa bbbb cccc dddd ee");
    settle(node);
    ASSERT_DOUBLE_EQ(node->textSize().width / node->textSize().height, 11);
    node->applyDefaultWrap();
    // Factor 1.2 / (11 / 30 + 2) = 0.6: a wrap width of 79 points, 13 characters.
    EXPECT_EQ(node->text(), "aaaa bbbb\ncccc dddd ee");

    // A ratio of 10 is not enough.
    MindMapNode* shorter = theme("aaaa bbbb cccc ddd e");
    settle(shorter);
    shorter->applyDefaultWrap();
    EXPECT_EQ(shorter->text(), "aaaa bbbb cccc ddd e");

    // A text that has line breaks already is left alone.
    MindMapNode* broken = theme("aaaa bbbb cccc dddd eeee ffff gggg hhhh\nx");
    settle(broken);
    broken->applyDefaultWrap();
    EXPECT_EQ(broken->text(), "aaaa bbbb cccc dddd eeee ffff gggg hhhh\nx");

    // An empty text is never wrapped.
    MindMapNode* empty = theme();
    settle(empty);
    empty->applyDefaultWrap(true);
    EXPECT_EQ(empty->text(), "");
}

TEST_F(DefaultWrapTest, TopicForcedDefaultWrapMeasuresTheRejoinedParagraph)
{
    MindMapNode* node = theme("aaaa bbbb cccc dddd\nee");
    settle(node);
    node->applyDefaultWrap(true);
    // A single line break is a soft one: the words make one paragraph of 22 characters (132),
    // ratio 132 / 12 = 11, factor 0.6, wrap width 79. The text's own widest line (114) would
    // have given 68 and three lines.
    EXPECT_EQ(node->text(), "aaaa bbbb\ncccc dddd ee");
}

TEST_F(DefaultWrapTest, FreeTextDefaultWrapBreaksARatioOfTenAndAHalfButNotOfTen)
{
    const std::string ten = repeated('a', 9) + " " + repeated('b', 10); // 120 x 12
    MindMapText* unwrapped = addTenPointText(ten);
    unwrapped->applyDefaultWrap();
    EXPECT_EQ(unwrapped->text(), ten);

    // 21 characters, ratio 10.5, which rounds to 11: 1.2 / 2 of the width 126 is 76.
    MindMapText* text = addTenPointText(repeated('a', 10) + " " + repeated('b', 10));
    ASSERT_EQ(text->textSize(), Size({126, 12}));
    text->applyDefaultWrap();
    EXPECT_EQ(text->text(), repeated('a', 10) + "\n" + repeated('b', 10));
    EXPECT_FALSE(text->isWordWrapping());
}

TEST_F(DefaultWrapTest, FreeTextForcedDefaultWrapUsesTheLargestWrapWidth)
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

// Wrapped side by side in batches, every topic that gets a default wrap is measured ahead of its
// wrap, the topics around a batch's end and those of a last, partial batch included, and comes
// out with the text its own wrap gives it.
TEST_F(DefaultWrapTest, WrapsInBatchesMeasureAheadAndGiveEachTopicItsOwnWrap)
{
    struct AheadRecordingMeasurer : FakeTextMeasurer {
        bool ahead = false;
        bool recording = false;
        std::set<std::string> measuredAhead;
        std::vector<std::string> missed;
        Size sizeForText(const std::string& text, const Font& font, double wrapWidth) override
        {
            if (ahead) measuredAhead.insert(text);
            else if (recording && wrapWidth <= 0 && !measuredAhead.count(text)) missed.push_back(text);
            return FakeTextMeasurer::sizeForText(text, font, wrapWidth);
        }
        void measureTextsAhead(size_t count, const std::function<void(size_t, PlainTextSizer&)>& measure) override
        {
            ahead = true;
            FakeTextMeasurer::measureTextsAhead(count, measure);
            ahead = false;
        }
    };
    // A text of its own for each topic, so that no topic finds another's lines, of lengths that
    // wrap at several widths; every fifth topic besides is too short for a wrap.
    const auto fill = [](MindMap& map, size_t wrapped) {
        map.newMindMap("", false, std::nullopt);
        MindMapNode* parent = map.internalAddCentralTheme("theme");
        for (size_t i = 0; i < wrapped; ++i) {
            std::string text = "topic " + std::to_string(i) + " says rather more than fits on a line of its own";
            for (size_t more = 0; more < i % 4; ++more) text += " and then some";
            map.addMindMapNodeAsChild(parent, Point{0, 0})->setText(text);
            if (i % 5 == 0) map.addMindMapNodeAsChild(parent, Point{0, 0})->setText("short");
        }
        map.validateElementStates();
    };
    // Batches as small as this find the same boundaries as the program's, in a moment also under the sanitizers.
    constexpr size_t Batch = 8;
    // How many topics get a wrap.
    const struct {
        size_t wrapped;
    } cases[] = {{1}, {Batch}, {Batch + 1}, {2 * Batch + 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.wrapped);
        AheadRecordingMeasurer recorder;
        TextMeasurer::setShared(&recorder);
        MindMap batched, alone;
        fill(batched, c.wrapped);
        fill(alone, c.wrapped);
        recorder.recording = true;
        MindMapNode::applyDefaultWraps(batched.nodes(), Batch);
        recorder.recording = false;
        for (MindMapNode* node : alone.nodes()) node->applyDefaultWrap();
        TextMeasurer::setShared(&measurer);
        EXPECT_TRUE(recorder.missed.empty()) << recorder.missed.size() << " lines, first: " << recorder.missed.front();
        ASSERT_EQ(batched.nodes().size(), alone.nodes().size());
        size_t wrappedTopics = 0, differing = 0;
        for (size_t i = 0; i < alone.nodes().size(); ++i) {
            if (batched.nodes()[i]->text().find('\n') != std::string::npos) ++wrappedTopics;
            if (batched.nodes()[i]->text() != alone.nodes()[i]->text()) ++differing;
        }
        EXPECT_EQ(wrappedTopics, c.wrapped);
        EXPECT_EQ(differing, 0u);
    }
}
