#include "MindMaps/MindMapNodeTestSupport.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/TextStyle.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// Style sheet fonts of a family the machine lacks, as the default sheets' are on most desktops.
class FontTraitsTest : public nodetest::NodeTest {
protected:
    void SetUp() override
    {
        NodeTest::SetUp();
        const Font missing("Tarnwick Missing Sans", 16);
        StyleSheet::changeStyleSheetFonts(missing, missing, missing, missing, std::nullopt);
        postFontsChanged();
    }
    // The fixture gives back the topics' fonts; the free texts' is this test's own to give back.
    void TearDown() override
    {
        StyleSheet::changeStyleSheetFonts(std::nullopt, std::nullopt, std::nullopt, _textFont, std::nullopt);
        NodeTest::TearDown();
    }

private:
    const Font _textFont = StyleSheet::textFont();
};

} // namespace

TEST_F(FontTraitsTest, OwnBoldAndItalicShowWithTheSpansOnTopicsAndFreeTexts)
{
    struct Row {
        bool freeText;
        uint64_t ownFontStyle; // bold 1, italic 2, as the traits expected at the first character
        const char* text;
        uint64_t expected;
    };
    const Row rows[] = {{false, 1, "Methods", 1}, {false, 2, "*a* b", 1 | 2}, {true, 1 | 2, "label", 1 | 2}};
    for (const Row& row : rows) {
        MindMapNode* node = theme(row.freeText ? "host" : row.text);
        MindMapText* text = row.freeText ? node->addText() : nullptr;
        if (text) text->setText(row.text);
        TextStyle* style = text ? text->style() : node->style();
        style->setFontStyle(row.ownFontStyle);
        style->setPropCustomized(TextStyle::FontMask, true);
        map.validateElementStates();
        const std::optional<Font> font = (text ? text->displayText() : node->displayText()).attributesAt(0).font;
        ASSERT_TRUE(font) << row.text;
        EXPECT_EQ(row.expected, (font->isBold() ? 1u : 0u) | (font->isItalic() ? 2u : 0u)) << row.text;
    }
}
