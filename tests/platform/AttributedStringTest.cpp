#include "platform/AttributedString.h"

#include <gtest/gtest.h>
#include <pango/pango.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

const std::string Emoji = "\xF0\x9F\x98\x80"; // U+1F600, two UTF-16 units

struct PangoAttributeCopy {
    PangoAttrType type;
    unsigned start;
    unsigned end;
    PangoAttribute* attribute;
};

class PangoAttributes {
public:
    explicit PangoAttributes(const AttributedString& text) : _list(text.newPangoAttrList())
    {
        GSList* attributes = pango_attr_list_get_attributes(_list);
        for (GSList* item = attributes; item; item = item->next) {
            auto* a = static_cast<PangoAttribute*>(item->data);
            _items.push_back({a->klass->type, a->start_index, a->end_index, a});
        }
        g_slist_free(attributes);
    }
    ~PangoAttributes()
    {
        for (auto& item : _items) pango_attribute_destroy(item.attribute);
        pango_attr_list_unref(_list);
    }
    const std::vector<PangoAttributeCopy>& items() const { return _items; }
    std::vector<PangoAttributeCopy> ofType(PangoAttrType type) const
    {
        std::vector<PangoAttributeCopy> result;
        for (auto& item : _items) {
            if (item.type == type) result.push_back(item);
        }
        return result;
    }

private:
    PangoAttrList* _list;
    std::vector<PangoAttributeCopy> _items;
};

int intValue(const PangoAttributeCopy& a)
{
    return reinterpret_cast<PangoAttrInt*>(a.attribute)->value;
}

} // namespace

TEST(AttributedStringUtf16, LengthCountsUnitsAndEachInvalidByteAsOne)
{
    const std::pair<std::string, size_t> cases[] = {
        {"abc", 3},      {"\xE2\x82\xAC", 1}, {"a" + Emoji + "b", 4},
        {"\xC0\xAF", 2}, {"\xED\xA0\x80", 3}, {"\xF0\x9F\x98", 3},
    };
    for (const auto& [text, length] : cases) EXPECT_EQ(utf16Length(text), length) << text;
}

TEST(AttributedStringUtf16, OffsetsNeverSplitACharacter)
{
    const std::string text = "a" + Emoji + "\xC3\xA4z"; // units a 0, emoji 1-2, ä 3, z 4; bytes 0, 1-4, 5-6, 7
    const std::pair<size_t, size_t> unitToByte[] = {{0, 0}, {1, 1}, {2, 1}, {3, 5}, {4, 7}, {5, 8}, {500, 8}};
    for (auto [unit, byte] : unitToByte) EXPECT_EQ(utf8OffsetForUtf16Position(text, unit), byte) << unit;
    const std::pair<size_t, size_t> byteToUnit[] = {{0, 0}, {1, 1}, {3, 1}, {5, 3}, {6, 3}, {7, 4}, {8, 5}, {80, 5}};
    for (auto [byte, unit] : byteToUnit) EXPECT_EQ(utf16PositionForUtf8Offset(text, byte), unit) << byte;
}

TEST(AttributedStringUtf16, ConversionRoundTripsAndReplacesBadInput)
{
    std::string text = "Tarn \xC3\xA4 \xE2\x82\xAC " + Emoji + " \xF4\x8F\xBF\xBF";
    std::u16string utf16 = toUtf16(text);
    EXPECT_EQ(utf16.size(), utf16Length(text));
    EXPECT_EQ(utf16[9], char16_t(0xD83D));
    EXPECT_EQ(utf16[10], char16_t(0xDE00));
    EXPECT_EQ(toUtf8(utf16), text);

    EXPECT_EQ(toUtf16("\xF0\x9F\x98"), (std::u16string{0xFFFD, 0xFFFD, 0xFFFD}));
    EXPECT_EQ(toUtf8(std::u16string{0xDE00, 0xD83D}), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(makeValidUtf8("a\xC0\xAF"
                            "b"),
              "a\xEF\xBF\xBD\xEF\xBF\xBD"
              "b");
}

TEST(AttributedString, InvalidBytesAreReplacedWithoutMovingPositions)
{
    AttributedString text("a\xFF"
                          "b");
    EXPECT_EQ(text.string(),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(text.length(), 3u);
    text.setUnderline({2, 1}, 1);
    EXPECT_EQ(text.attributesAt(2).underline, 1);
    PangoAttributes pango(text);
    ASSERT_EQ(pango.items().size(), 1u);
    EXPECT_EQ(pango.items()[0].start, 4u);
    EXPECT_EQ(pango.items()[0].end, 5u);
}

TEST(AttributedString, RangesPastTheEndAreClippedWithoutOverflow)
{
    AttributedString text("abc");
    text.setUnderline({1, 100}, 1);
    text.setStrikethrough({3, 1}, 1);
    text.setStrikethrough({50, 1}, 1);
    text.setSuperscript({1, SIZE_MAX}, 2);
    auto runs = text.runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].range, (TextRange{1, 2}));
    EXPECT_EQ(runs[0].attributes.strikethrough, 0);
    EXPECT_EQ(runs[0].attributes.superscript, 2);
}

TEST(AttributedString, RangesNeverSplitACharacterOutsideTheBasicPlane)
{
    AttributedString text("a" + Emoji + "b" + Emoji); // units: a 0, emoji 1-2, b 3, emoji 4-5
    text.setUnderline({2, 1}, 1);
    text.setStrikethrough({3, 2}, 1);
    auto runs = text.runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].range, (TextRange{1, 2}));
    EXPECT_EQ(runs[1].range, (TextRange{3, 3}));
}

// Runs must be maximal, leave out plain text, and agree with a per-unit model after any edits.
TEST(AttributedString, AgreesWithAPerUnitModelAfterManyChanges)
{
    const size_t length = 200;
    AttributedString text(std::string(length, 'x'));
    std::vector<TextAttributes> model(length);
    std::mt19937 random(3);
    for (int step = 0; step < 500; ++step) {
        TextRange range{random() % (length + 10), random() % 60};
        int value = int(random() % 3);
        size_t end = std::min(range.end(), length);
        switch (random() % 4) {
        case 0:
            text.setUnderline(range, value);
            for (size_t i = range.location; i < end; ++i) model[i].underline = value;
            break;
        case 1:
            text.setSuperscript(range, value - 1);
            for (size_t i = range.location; i < end; ++i) model[i].superscript = value - 1;
            break;
        case 2:
            text.setFont(range, Font("F", 10 + value));
            for (size_t i = range.location; i < end; ++i) model[i].font = Font("F", 10 + value);
            break;
        default:
            text.setColor(range, Color(value, 0, 0));
            for (size_t i = range.location; i < end; ++i) model[i].color = Color(value, 0, 0);
            break;
        }
    }
    for (size_t i = 0; i < length; ++i) {
        TextRange range;
        ASSERT_EQ(text.attributesAt(i, &range), model[i]) << i;
        ASSERT_TRUE(range.location == 0 || !(model[range.location - 1] == model[i])) << "runs are maximal";
        ASSERT_TRUE(range.end() >= length || !(model[range.end()] == model[i])) << "runs are maximal";
    }

    size_t covered = 0;
    for (const auto& run : text.runs()) {
        EXPECT_FALSE(run.attributes.isEmpty());
        covered += run.range.length;
    }
    size_t attributed = 0;
    for (const auto& a : model) attributed += !a.isEmpty();
    EXPECT_EQ(covered, attributed);
}

// The markup applies one range per span, left to right, then whole-text attributes: a long text
// of alternating emphasis, with characters of two units among them, ends up exact.
TEST(AttributedString, LongAlternatingRunsStayExact)
{
    const size_t pairs = 20000;
    std::string text;
    for (size_t i = 0; i < pairs; ++i) text += i % 3 == 0 ? Emoji : "a";
    AttributedString attributed(text);
    const Font plain("F", 10);
    const Font italic("F", 10, false, true);
    std::vector<size_t> starts; // of each character, in units
    size_t position = 0;
    for (size_t i = 0; i < pairs; ++i) {
        starts.push_back(position);
        position += i % 3 == 0 ? 2 : 1;
    }
    starts.push_back(position);
    ASSERT_EQ(attributed.length(), position);
    for (size_t i = 0; i < pairs; ++i)
        attributed.setFont({starts[i], starts[i + 1] - starts[i]}, i % 2 ? italic : plain);
    // A range ending inside a pair takes the whole pair.
    attributed.setUnderline({starts[3], 1}, 1);
    attributed.setColor({0, attributed.length()}, Color(1, 0, 0));

    const auto runs = attributed.runs();
    ASSERT_EQ(runs.size(), pairs);
    for (size_t i = 0; i < pairs; ++i) {
        ASSERT_EQ(runs[i].range, (TextRange{starts[i], starts[i + 1] - starts[i]})) << i;
        ASSERT_EQ(runs[i].attributes.font, i % 2 ? italic : plain) << i;
        ASSERT_EQ(runs[i].attributes.underline, i == 3 ? 1 : 0) << i;
        ASSERT_EQ(runs[i].attributes.color, Color(1, 0, 0)) << i;
    }
    // Text layout walks its drawing attributes once per run: the colour shared by every run is one.
    const PangoAttributes pango(attributed);
    EXPECT_EQ(pango.ofType(PANGO_ATTR_FONT_DESC).size(), pairs);
    EXPECT_EQ(pango.ofType(PANGO_ATTR_FOREGROUND).size(), 1u);
    EXPECT_EQ(pango.ofType(PANGO_ATTR_UNDERLINE).size(), 1u);
}

// Texts share equal attributes, so a change to one text, or to a copy of it, must leave every
// other text as it was, whichever attribute changes.
TEST(AttributedString, TextsOfEqualAttributesAndCopiesChangeApart)
{
    TextAttributes base;
    base.font = Font("F", 12);
    base.color = Color(0, 0, 1);
    struct Change {
        const char* name;
        std::function<void(AttributedString&)> apply;
    };
    const std::vector<Change> changes = {
        {"font",
         [](AttributedString& s) {
             s.setFont({0, 2}, Font("G", 20, true));
         }},
        {"underline",
         [](AttributedString& s) {
             s.setUnderline({0, 2}, 1);
         }},
        {"strikethrough",
         [](AttributedString& s) {
             s.setStrikethrough({1, 2}, 1);
         }},
        {"superscript",
         [](AttributedString& s) {
             s.setSuperscript({0, 4}, 1);
         }},
        {"alignment",
         [](AttributedString& s) {
             s.setAlignment({0, 4}, TextAlignment::Right);
         }},
        {"colour",
         [](AttributedString& s) {
             s.setColor({2, 2}, Color(1, 0, 0));
         }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        AttributedString first("abcd", base);
        AttributedString second("wxyz", base);
        const AttributedString copy = first;
        AttributedString changedCopy = first;
        change.apply(changedCopy);
        change.apply(first);
        EXPECT_EQ(first, changedCopy);
        EXPECT_NE(first.runs(), copy.runs());
        for (const AttributedString* untouched : {static_cast<const AttributedString*>(&second), &copy}) {
            const auto runs = untouched->runs();
            ASSERT_EQ(runs.size(), 1u);
            EXPECT_EQ(runs[0].range, (TextRange{0, 4}));
            EXPECT_EQ(runs[0].attributes, base);
        }
        // Changing back joins the runs again.
        AttributedString restored("abcd", base);
        restored.setColor({0, 4}, Color(1, 0, 0));
        restored.setColor({0, 4}, Color(0, 0, 1));
        EXPECT_EQ(restored.runs(), copy.runs());
    }
}

// A text in one set of attributes and a text of several runs are kept apart: every change that
// moves a text from one to the other, on the text or on a copy, answers as a text built directly
// in the attributes it ends with.
TEST(AttributedString, OneRunAndSeveralRunsTurnIntoEachOther)
{
    const Font font("F", 12);
    TextAttributes base;
    base.font = font;
    TextAttributes red = base;
    red.color = Color(1, 0, 0);
    struct Case {
        const char* name;
        std::function<void(AttributedString&)> change;
        std::vector<AttributedString::Run> expected;
    };
    const std::vector<Case> cases = {
        {"whole text",
         [](AttributedString& s) {
             s.setColor({0, 6}, Color(1, 0, 0));
         },
         {{{0, 6}, red}}},
        {"part",
         [](AttributedString& s) {
             s.setColor({2, 2}, Color(1, 0, 0));
         },
         {{{0, 2}, base}, {{2, 2}, red}, {{4, 2}, base}}},
        {"part and back",
         [](AttributedString& s) {
             s.setColor({2, 2}, Color(1, 0, 0));
             s.setColor({0, 6}, Color(0, 0, 1));
             s.setColor({0, 6}, Color(1, 0, 0));
         },
         {{{0, 6}, red}}},
        {"parts that meet",
         [](AttributedString& s) {
             s.setColor({0, 3}, Color(1, 0, 0));
             s.setColor({3, 3}, Color(1, 0, 0));
         },
         {{{0, 6}, red}}},
        {"past the end",
         [](AttributedString& s) {
             s.setColor({4, 100}, Color(1, 0, 0));
         },
         {{{0, 4}, base}, {{4, 2}, red}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AttributedString text("abcdef", base);
        const AttributedString before = text;
        c.change(text);
        EXPECT_EQ(text.runs(), c.expected);
        AttributedString copy = text;
        EXPECT_EQ(copy, text);
        copy.setUnderline({0, 1}, 1);
        EXPECT_EQ(text.runs(), c.expected) << "a copy changes apart";
        EXPECT_EQ(before.runs(), (std::vector<AttributedString::Run>{{{0, 6}, base}}));
        TextRange range;
        EXPECT_EQ(text.attributesAt(5, &range), c.expected.back().attributes);
        EXPECT_EQ(range, c.expected.back().range);
        const PangoAttributes pango(text);
        EXPECT_EQ(pango.ofType(PANGO_ATTR_FONT_DESC).size(), 1u);
    }
}

// Characters of two units stay whole however the runs over them were split and joined, in the
// text and in its copies.
TEST(AttributedString, CharactersOfTwoUnitsStayWholeWhateverTheRunsDid)
{
    struct Case {
        const char* name;
        std::function<void(AttributedString&)> change;
    };
    const Case cases[] = {
        {"one run", [](AttributedString&) {}},
        {"split",
         [](AttributedString& s) {
             s.setColor({0, 3}, Color(1, 0, 0));
         }},
        {"split, then joined",
         [](AttributedString& s) {
             s.setColor({0, 3}, Color(1, 0, 0));
             s.setColor({3, 3}, Color(1, 0, 0));
         }},
        {"split twice, then joined",
         [](AttributedString& s) {
             s.setUnderline({0, 1}, 1);
             s.setColor({3, 1}, Color(1, 0, 0));
             s.setUnderline({0, 1}, 0);
             s.setColor({3, 1}, Color(0, 0, 0));
         }},
    };
    TextAttributes base;
    base.font = Font("F", 12);
    base.color = Color(0, 0, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AttributedString text("a" + Emoji + "b" + Emoji, base); // units: a 0, emoji 1-2, b 3, emoji 4-5
        c.change(text);
        AttributedString copy = text;
        AttributedString assigned;
        assigned = text;
        for (AttributedString* changed : {&text, &copy, &assigned}) {
            changed->setSuperscript({5, 1}, 1);
            TextRange range;
            EXPECT_EQ(changed->attributesAt(5, &range).superscript, 1);
            EXPECT_EQ(range.location, 4u);
            EXPECT_EQ(changed->attributesAt(3).superscript, 0);
            changed->setSuperscript({0, 2}, 2);
            EXPECT_EQ(changed->attributesAt(2, &range).superscript, 2);
            EXPECT_EQ(range, (TextRange{0, 3}));
        }
    }
}

TEST(AttributedStringPango, RangesBecomeByteOffsets)
{
    AttributedString text("\xC3\xA4" + Emoji + "xy"); // ä 0, emoji 1-2, x 3, y 4; bytes 0-1, 2-5, 6, 7
    text.setUnderline({1, 3}, 1);
    auto underlines = PangoAttributes(text).ofType(PANGO_ATTR_UNDERLINE);
    ASSERT_EQ(underlines.size(), 1u);
    EXPECT_EQ(underlines[0].start, 2u);
    EXPECT_EQ(underlines[0].end, 7u);
    EXPECT_EQ(intValue(underlines[0]), PANGO_UNDERLINE_SINGLE);
}

TEST(AttributedStringPango, FontAndEffects)
{
    AttributedString text("bold plain");
    text.setFont({0, 4}, Font("DejaVu Sans", 14, true));
    text.setStrikethrough({5, 5}, 1);
    PangoAttributes pango(text);
    auto fonts = pango.ofType(PANGO_ATTR_FONT_DESC);
    ASSERT_EQ(fonts.size(), 1u);
    EXPECT_EQ(fonts[0].end, 4u);
    PangoFontDescription* d = reinterpret_cast<PangoAttrFontDesc*>(fonts[0].attribute)->desc;
    EXPECT_STREQ(pango_font_description_get_family(d), "DejaVu Sans");
    EXPECT_EQ(pango_font_description_get_weight(d), PANGO_WEIGHT_BOLD);
    EXPECT_EQ(pango_font_description_get_size(d), 14 * PANGO_SCALE);
    auto strikes = pango.ofType(PANGO_ATTR_STRIKETHROUGH);
    ASSERT_EQ(strikes.size(), 1u);
    EXPECT_EQ(strikes[0].start, 5u);
    EXPECT_TRUE(intValue(strikes[0]));
}

TEST(AttributedStringPango, SuperscriptRaisesByThirdsOfTheFontSizeInASmallerSize)
{
    AttributedString text("x2y3z");
    text.setFont({0, 5}, Font("DejaVu Sans", 12));
    text.setSuperscript({1, 1}, 1);
    text.setSuperscript({3, 1}, -2);
    PangoAttributes pango(text);
    auto rises = pango.ofType(PANGO_ATTR_RISE);
    ASSERT_EQ(rises.size(), 2u);
    EXPECT_EQ(intValue(rises[0]), 4 * PANGO_SCALE);
    EXPECT_EQ(intValue(rises[1]), -8 * PANGO_SCALE);
    auto sizes = pango.ofType(PANGO_ATTR_SIZE);
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_EQ(reinterpret_cast<PangoAttrSize*>(sizes[0].attribute)->size, 8 * PANGO_SCALE);
}

TEST(AttributedStringPango, ColourAndAlpha)
{
    AttributedString text("abc");
    text.setColor({0, 1}, Color(1, 0, 0));
    text.setColor({1, 1}, Color(0, 0, 1, 0.5));
    text.setColor({2, 1}, Color::normalizedClearColor());
    PangoAttributes pango(text);
    auto colours = pango.ofType(PANGO_ATTR_FOREGROUND);
    ASSERT_EQ(colours.size(), 3u);
    PangoColor red = reinterpret_cast<PangoAttrColor*>(colours[0].attribute)->color;
    EXPECT_EQ(red.red, 65535);
    EXPECT_EQ(red.green, 0);
    auto alphas = pango.ofType(PANGO_ATTR_FOREGROUND_ALPHA);
    ASSERT_EQ(alphas.size(), 2u); // the opaque colour needs none
    EXPECT_EQ(intValue(alphas[0]), 32768);
    // Pango reads an alpha of 0 as "not set": a transparent colour gets the smallest alpha instead.
    EXPECT_EQ(intValue(alphas[1]), 1);
}

// Texts of every kind (empty, one set, one set over characters of two units, several runs with and
// without them) copied and moved over each other take the text they were given whole, and change
// apart from it.
TEST(AttributedString, CopiesAndMovesBetweenKindsStayExact)
{
    TextAttributes base;
    base.font = Font("F", 12);
    const std::string combining = "e\xCC\x81"; // e and a combining acute, two units of one unit each
    struct Kind {
        const char* name;
        std::function<AttributedString()> make;
    };
    const Kind kinds[] = {
        {"empty", [] { return AttributedString(); }},
        {"one set", [&] { return AttributedString("plain", base); }},
        {"combining marks", [&] { return AttributedString(combining + combining, base); }},
        {"pairs in one set", [&] { return AttributedString("a" + Emoji + combining, base); }},
        {"runs",
         [&] {
             AttributedString s("abcdef", base);
             s.setUnderline({1, 2}, 1);
             return s;
         }},
        {"runs over pairs",
         [&] {
             AttributedString s(Emoji + combining + Emoji, base);
             s.setColor({0, 1}, Color(1, 0, 0));
             return s;
         }},
    };
    for (const Kind& from : kinds) {
        const AttributedString given = from.make();
        for (const Kind& over : kinds) {
            SCOPED_TRACE(std::string(from.name) + " over " + over.name);
            AttributedString copied = over.make();
            copied = given;
            AttributedString moved = over.make();
            moved = from.make();
            AttributedString constructed(given);
            for (const AttributedString* s : {&copied, &moved, &constructed}) {
                EXPECT_EQ(s->string(), given.string());
                EXPECT_EQ(s->length(), given.length());
                EXPECT_EQ(s->runs(), given.runs());
            }
            const auto runs = given.runs();
            copied.setStrikethrough({0, copied.length()}, 1);
            copied.setSuperscript({1, 1}, 1);
            EXPECT_EQ(given.runs(), runs);
            EXPECT_EQ(moved, given);
        }
    }
}
