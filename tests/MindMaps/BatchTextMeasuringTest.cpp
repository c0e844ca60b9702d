#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/StyleSheet.h"
#include "platform/PangoTextMeasurer.h"
#include "support/FakeTextMeasurer.h"
#include "support/LaidOutTextMeasurer.h"
#include "support/MixedTopicTexts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

// Counts the texts measured one at a time and those measured in batches.
struct CountingMeasurer : FakeTextMeasurer {
    size_t alone = 0;
    size_t batched = 0;
    size_t batches = 0;
    Size sizeForAttributedString(const AttributedString& text, double wrapWidth) override
    {
        ++alone;
        return FakeTextMeasurer::sizeForAttributedString(text, wrapWidth);
    }
    std::vector<Size> sizesForAttributedStrings(const std::vector<const AttributedString*>& texts,
                                                double wrapWidth) override
    {
        ++batches;
        batched += texts.size();
        std::vector<Size> sizes;
        for (const AttributedString* text : texts)
            sizes.push_back(FakeTextMeasurer::sizeForAttributedString(*text, wrapWidth));
        return sizes;
    }
};

// Topics of mixed scripts and markdown, a style sheet font of another family per level, every
// third topic with a font size and style of its own, every tenth with a free text.
void buildMixedMap(MindMap& map, size_t count)
{
    const std::vector<std::string> texts = MixedTopicTexts::texts(count, 3);
    map.newMindMap("", false, std::nullopt);
    MindMap::UpdateGuard update(map);
    std::vector<MindMapNode*> parents;
    for (size_t i = 0; i < count; ++i) {
        MindMapNode* node = parents.size() < 3
            ? map.internalAddCentralTheme(texts[i])
            : map.addMindMapNodeAsChild(parents[(i * 7) % parents.size()], Point{0, 0});
        node->setText(texts[i]);
        if (i % 3 == 1) {
            NodeStyle* style = node->style();
            ElementStyle::UpdateGuard batch(*style);
            style->setPropCustomized(TextStyle::FontMask, true);
            style->setFontStyle(i % 4);
            style->setFontSize(MixedTopicTexts::font(i).pointSize());
        }
        if (i % 10 == 0) node->addText()->setText(texts[count - 1 - i]);
        if (i % 10 == 5) node->parentRelation()->addText()->setText(texts[count - 1 - i]);
        parents.push_back(node);
    }
}

struct MeasuredTopic {
    Size text;
    Size outer;
    Size freeText;
    Size relationLabel;
    friend bool operator==(const MeasuredTopic&, const MeasuredTopic&) = default;
};

std::vector<MeasuredTopic> measuredTopics(TextMeasurer& measurer, size_t count)
{
    TextMeasurer::setShared(&measurer);
    MindMap map;
    buildMixedMap(map, count);
    map.validateElementStates();
    std::vector<MeasuredTopic> topics;
    for (MindMapNode* node : map.nodes()) {
        MeasuredTopic topic{node->textSize(), node->size(), Size(), Size()};
        for (ContainedElement* element : node->containedElements()) {
            if (auto* freeText = dynamic_cast<MindMapText*>(element)) topic.freeText = freeText->size();
        }
        for (ContainedElement* element : node->parentRelation()->containedElements()) {
            if (auto* label = dynamic_cast<MindMapText*>(element)) topic.relationLabel = label->size();
        }
        topics.push_back(topic);
    }
    TextMeasurer::setShared(nullptr);
    return topics;
}

} // namespace

// The batch measured on several threads gives every topic and free text the sizes that measuring
// its text alone, one after another, gives.
TEST(BatchTextMeasuring, TopicsGetTheSizesOfTextsMeasuredOneByOne)
{
    StyleSheet::changeStyleSheetFonts(Font("DejaVu Serif", 20, true), Font("DejaVu Sans Mono", 16),
                                      Font("Helvetica", 13.5, false, true), std::nullopt, std::nullopt);
    constexpr size_t Count = 10000;
    LaidOutTextMeasurer oneByOne;
    const std::vector<MeasuredTopic> expected = measuredTopics(oneByOne, Count);
    PangoTextMeasurer batching;
    const std::vector<MeasuredTopic> measured = measuredTopics(batching, Count);
    StyleSheet::restoreDefaultFonts();

    ASSERT_EQ(measured.size(), Count);
    ASSERT_EQ(expected.size(), Count);
    size_t differing = 0;
    for (size_t i = 0; i < Count; ++i) {
        if (!(measured[i] == expected[i]) && ++differing < 5)
            ADD_FAILURE() << "topic " << i << ": " << measured[i].text.width << " x " << measured[i].text.height
                          << " one by one " << expected[i].text.width << " x " << expected[i].text.height;
    }
    EXPECT_EQ(differing, 0u);
}

// Labels on parent relations and cross links wait for the batch too, rather than being laid out
// one by one afterwards.
TEST(BatchTextMeasuring, RelationLabelsAreMeasuredInTheBatch)
{
    CountingMeasurer measurer;
    TextMeasurer::setShared(&measurer);
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    MindMapNode* theme = map.internalAddCentralTheme("theme");
    MindMapNode* child = map.addMindMapNodeAsChild(theme, Point{100, 0});
    child->setText("child");
    child->parentRelation()->addText()->setText("parent label");
    MindMapNode* other = map.addMindMapNodeAsChild(theme, Point{-100, 0});
    other->setText("other");
    CrossLink* link = map.addCrossLinkFromSource(child, other);
    ASSERT_NE(link, nullptr);
    link->addText()->setText("cross label");
    measurer.alone = measurer.batched = 0;
    map.validateElementStates();
    TextMeasurer::setShared(nullptr);
    EXPECT_EQ(measurer.alone, 0u);
    EXPECT_EQ(measurer.batched, 5u);
}

// A topic whose text changes after the batch built its display text is measured afresh.
TEST(BatchTextMeasuring, AChangeAfterTheBatchIsMeasuredAgain)
{
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    MindMapNode* theme = map.internalAddCentralTheme("short");
    MindMapText* freeText = theme->addText();
    freeText->setText("short");
    map.validateElementStates();
    const Size shortSize = theme->textSize();
    const Size shortFreeSize = freeText->size();
    theme->setText("a much longer text than before");
    freeText->setText("a much longer text than before");
    MindMapNode::measureTextsAhead(map.nodes());
    theme->setText("short");
    freeText->setText("short");
    map.validateElementStates();
    EXPECT_EQ(theme->textSize(), shortSize);
    EXPECT_EQ(freeText->size(), shortFreeSize);
}

// A large map is measured in batches: every topic and free text still gets its own size from a
// batch, around a batch's end and in the last batch, and none is left to be measured alone
// afterwards.
TEST(BatchTextMeasuring, LargeMapsAreMeasuredInBatchesThatMissNoText)
{
    constexpr size_t Batch = MindMapNode::AheadMeasureBatchSize;
    // Free texts on the topics around the first batch's end. The last batch takes the topics
    // left over when they are fewer than a batch: alone, it would be a small one.
    const struct {
        const char* name;
        size_t topics; // besides the central theme
        size_t firstFreeText;
        size_t freeTexts;
        size_t batches;
    } cases[] = {
        {"free texts at a batch's end", 2 * Batch + 5, Batch - 4, 6, 2},
        {"a batch and a few", Batch + 7, Batch - 1, 2, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CountingMeasurer measurer;
        TextMeasurer::setShared(&measurer);
        {
            MindMap map;
            map.newMindMap("", false, std::nullopt);
            MindMap::UpdateGuard update(map);
            MindMapNode* theme = map.internalAddCentralTheme("t");
            std::vector<MindMapText*> freeTexts;
            for (size_t i = 0; i < c.topics; ++i) {
                // Texts of many lengths, so that a size given to the wrong topic shows.
                MindMapNode* node = map.addMindMapNodeAsChild(theme, Point{0, 0});
                node->setText(std::string(1 + i % 97, 'x'));
                if (i >= c.firstFreeText && i < c.firstFreeText + c.freeTexts) freeTexts.push_back(node->addText());
            }
            for (size_t i = 0; i < freeTexts.size(); ++i) freeTexts[i]->setText(std::string(3 + i, 'y'));
            map.validateElementStates();
            EXPECT_EQ(measurer.alone, 0u);
            EXPECT_EQ(measurer.batches, c.batches);
            EXPECT_EQ(measurer.batched, c.topics + 1 + c.freeTexts);
            size_t wrongSizes = 0;
            for (MindMapNode* node : map.nodes()) {
                const Size expected = FakeTextMeasurer().sizeForText(node->text(), *node->font());
                if (node->textSize().width != std::max(expected.width, node->minTextSize().width)) ++wrongSizes;
            }
            for (size_t i = 0; i < freeTexts.size(); ++i) {
                const Size expected = FakeTextMeasurer().sizeForText(freeTexts[i]->text(), *freeTexts[i]->font());
                if (freeTexts[i]->textSize().width != std::max(expected.width, freeTexts[i]->minTextSize().width))
                    ++wrongSizes;
            }
            EXPECT_EQ(wrongSizes, 0u);
        }
        TextMeasurer::setShared(nullptr);
    }
}
