#include "render/MindMapPainter.h"

#include "MindMaps/MindMapNodeTestSupport.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/TextStyle.h"
#include "render/MindMapPaintSelection.h"
#include "support/RecordingGraphicsContext.h"

#include <pango/pango.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Traits {
    PangoWeight weight;
    PangoStyle style;
    friend bool operator==(const Traits&, const Traits&) = default;
};

std::ostream& operator<<(std::ostream& out, const Traits& traits)
{
    return out << "weight " << int(traits.weight) << (traits.style == PANGO_STYLE_NORMAL ? " upright" : " slanted");
}

const Traits Regular{PANGO_WEIGHT_NORMAL, PANGO_STYLE_NORMAL};
const Traits Bold{PANGO_WEIGHT_BOLD, PANGO_STYLE_NORMAL};
const Traits Italic{PANGO_WEIGHT_NORMAL, PANGO_STYLE_ITALIC};
const Traits BoldItalic{PANGO_WEIGHT_BOLD, PANGO_STYLE_ITALIC};

// The weight and style Pango is given for the character at the byte offset.
std::optional<Traits> pangoTraitsAt(const AttributedString& text, size_t offset)
{
    PangoAttrList* list = text.newPangoAttrList();
    std::optional<Traits> traits;
    PangoAttrIterator* iterator = pango_attr_list_get_iterator(list);
    do {
        int start = 0, end = 0;
        pango_attr_iterator_range(iterator, &start, &end);
        if (size_t(start) > offset || offset >= size_t(end)) continue;
        if (auto* font = reinterpret_cast<PangoAttrFontDesc*>(pango_attr_iterator_get(iterator, PANGO_ATTR_FONT_DESC)))
            traits =
                Traits{pango_font_description_get_weight(font->desc), pango_font_description_get_style(font->desc)};
    } while (pango_attr_iterator_next(iterator));
    pango_attr_iterator_destroy(iterator);
    pango_attr_list_unref(list);
    return traits;
}

// Keeps the texts it was asked to measure.
class RecordingMeasurer : public FakeTextMeasurer {
public:
    Size sizeForAttributedString(const AttributedString& text, double wrapWidth) override
    {
        measured.push_back(text);
        return FakeTextMeasurer::sizeForAttributedString(text, wrapWidth);
    }
    std::vector<AttributedString> measured;
};

// Style sheet fonts of a family the machine lacks, as the default sheets' are on most desktops.
class FontTraitsTest : public nodetest::NodeTest {
protected:
    void SetUp() override
    {
        NodeTest::SetUp();
        TextMeasurer::setShared(&recorder);
        _textFont = StyleSheet::textFont();
    }
    // The fixture gives back the topics' fonts; the free texts' is this test's own to give back.
    void TearDown() override
    {
        StyleSheet::changeStyleSheetFonts(std::nullopt, std::nullopt, std::nullopt, _textFont, std::nullopt);
        NodeTest::TearDown();
    }
    static Font sheetFont(bool bold) { return Font("Tarnwick Missing Sans", 16, bold); }

    RecordingMeasurer recorder;
    RecordingGraphicsContext context;
    MindMapPaintSelection selection{&map};

private:
    Font _textFont;
};

} // namespace

TEST_F(FontTraitsTest, BoldAndItalicReachPangoFromStylesOwnFontsAndSpansWhenMeasuredAndDrawn)
{
    struct Row {
        bool freeText;
        bool sheetBold;
        std::optional<uint64_t> ownFontStyle; // the topic's own font element: bold 1, italic 2
        const char* text;
        size_t offset;
        Traits expected;
    };
    const Row rows[] = {
        {false, true, std::nullopt, "Methods", 0, Bold}, {false, false, std::nullopt, "Methods", 0, Regular},
        {false, false, 1, "Methods", 0, Bold},           {false, true, 1 | 2, "Methods", 0, BoldItalic},
        {false, true, 2, "Methods", 0, Italic},          {false, true, 0, "Methods", 0, Regular},
        {false, false, 2 | 4 | 8, "Methods", 0, Italic}, {false, false, std::nullopt, "_a_ b", 0, Italic},
        {false, false, 1, "_a_ b", 0, BoldItalic},       {false, false, 1, "_a_ b", 2, Bold},
        {false, false, 2, "*a* b", 0, BoldItalic},       {false, true, 2, "*a* b", 2, Italic},
        {true, false, 1 | 2, "label", 0, BoldItalic},    {true, false, 2, "*a* b", 0, BoldItalic},
    };
    for (const Row& row : rows) {
        // Each row's text is its own, so that topics of the rows before, measured again for the new
        // sheet fonts, are not taken for it.
        const std::string source = row.text + std::string(" ") + std::to_string(&row - rows);
        const std::string what = std::string(row.freeText ? "text " : "topic ") + source + " sheet bold " +
            std::to_string(row.sheetBold) + " own " + (row.ownFontStyle ? std::to_string(*row.ownFontStyle) : "-") +
            " at " + std::to_string(row.offset);
        const Font sheet = sheetFont(row.sheetBold);
        StyleSheet::changeStyleSheetFonts(sheet, sheet, sheet, sheet, std::nullopt);
        postFontsChanged();

        MindMapNode* node = theme(row.freeText ? "host" : source);
        MindMapText* text = row.freeText ? node->addText() : nullptr;
        if (text) text->setText(source);
        TextStyle* style = text ? text->style() : node->style();
        if (row.ownFontStyle) {
            // What reading <font bold=… italic=… scale="1.71"/> leaves in the style.
            style->setFontStyle(*row.ownFontStyle);
            style->setFontScale(1.71);
            style->setPropCustomized(TextStyle::FontMask, true);
        }
        recorder.measured.clear();
        map.validateElementStates();

        context.clear();
        MindMapPainter painter(context, selection, 0, Rect());
        if (text) painter.paintText(*text);
        else painter.paintMindMapNode(*node);
        const auto drawn = context.entriesOfKind(RecordingGraphicsContext::Kind::Text);
        ASSERT_EQ(drawn.size(), 1u) << what;
        const AttributedString& shown = drawn[0]->attributedText;
        EXPECT_EQ(pangoTraitsAt(shown, row.offset), row.expected) << "drawn: " << what;
        const auto measured = std::find_if(recorder.measured.rbegin(), recorder.measured.rend(),
                                           [&](const AttributedString& one) { return one.string() == shown.string(); });
        ASSERT_NE(measured, recorder.measured.rend()) << what;
        EXPECT_EQ(pangoTraitsAt(*measured, row.offset), row.expected) << "measured: " << what;
    }
}
