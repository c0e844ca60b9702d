#include "formats/XmlAttributeHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// An element <e .../> with the given attributes text.
class Element {
public:
    explicit Element(const std::string& xml = "<e/>")
    {
        _document.load_string(xml.c_str());
        node = _document.document_element();
    }
    pugi::xml_node node;

private:
    pugi::xml_document _document;
};

std::string outerXml(pugi::xml_node node)
{
    struct Writer : pugi::xml_writer {
        std::string text;
        void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
    } writer;
    node.print(writer, "", pugi::format_raw);
    return writer.text;
}

// ---- Text escaping ----

TEST(XmlAttributeEscaping, LineBreaksBecomeBackslashN)
{
    EXPECT_EQ(EscapeXmlText("a\nb"), "a\\Nb");
    EXPECT_EQ(EscapeXmlText("a\r\nb"), "a\\N\\Nb");
    EXPECT_EQ(EscapeXmlText("a\rb"), "a\\Nb");
    EXPECT_EQ(EscapeXmlText("a\fb\vc"), "a\\Nb\\Nc");
    EXPECT_EQ(EscapeXmlText("a\u2029b\u2028c\u0085d"), "a\\Nb\\Nc\\Nd");
}

TEST(XmlAttributeEscaping, BackslashDoublesAndEverythingElseStays)
{
    EXPECT_EQ(EscapeXmlText("C:\\dir\\N"), "C:\\\\dir\\\\N");
    EXPECT_EQ(EscapeXmlText("tab\there \u00e9\u4e2d\U0001F600 <&>\""), "tab\there \u00e9\u4e2d\U0001F600 <&>\"");
    EXPECT_EQ(EscapeXmlText(""), "");
}

TEST(XmlAttributeEscaping, CharactersXmlCannotCarryAreDropped)
{
    const std::string controls = std::string("a") + '\0' + "\x01\x08\x0E\x1F" + "b\uFFFE\uFFFFc";
    EXPECT_EQ(EscapeXmlText(controls), "abc");
    EXPECT_EQ(EscapeXmlText("\x7F"), "\x7F");
    EXPECT_EQ(xmlSafeText(std::string("a\tb\nc\rd\x0By\x0Cz")), "a\tb\nc\rdyz");
}

TEST(XmlAttributeEscaping, BytesThatAreNotUtf8BecomeReplacementCharacters)
{
    EXPECT_EQ(EscapeXmlText("a\xFF" "b\xC3"), "a\uFFFDb\uFFFD");
    EXPECT_EQ(xmlSafeText("\xED\xA0\x80"), "\uFFFD\uFFFD\uFFFD");
}

TEST(XmlAttributeEscaping, UnescapingReadsLeftToRight)
{
    EXPECT_EQ(UnescapeXmlText("a\\Nb"), "a\nb");
    EXPECT_EQ(UnescapeXmlText("a\\\\b"), "a\\b");
    EXPECT_EQ(UnescapeXmlText("\\\\N"), "\\N");
    EXPECT_EQ(UnescapeXmlText("\\\\\\N"), "\\\n");
    // Unknown escapes and a backslash at the end are kept as they stand.
    EXPECT_EQ(UnescapeXmlText("a\\xb\\"), "a\\xb\\");
    EXPECT_EQ(UnescapeXmlText("\\n"), "\\n");
    EXPECT_EQ(UnescapeXmlText(""), "");
}

TEST(XmlAttributeEscaping, RoundTripKeepsBackslashesThroughManyCycles)
{
    std::string text = "a \\ b \\\\ c\\Nd";
    for (int i = 0; i < 5; ++i) text = UnescapeXmlText(EscapeXmlText(text));
    EXPECT_EQ(text, "a \\ b \\\\ c\\Nd");
}

// ---- Numbers, booleans, strings ----

TEST(XmlAttributeValues, IntegersAreScannedFromTheStart)
{
    Element e(R"(<e a=" 42" b="-7px" c="px7" d="" e="99999999999999999999999" f="-99999999999999999999999"/>)");
    EXPECT_EQ(attributeAsInteger(e.node, "a", -1), 42);
    EXPECT_EQ(attributeAsInteger(e.node, "b", -1), -7);
    EXPECT_EQ(attributeAsInteger(e.node, "c", -1), -1);
    EXPECT_EQ(attributeAsInteger(e.node, "d", 5), 5);
    EXPECT_EQ(attributeAsInteger(e.node, "missing", 3), 3);
    EXPECT_EQ(attributeAsLong(e.node, "e", 0), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(attributeAsLong(e.node, "f", 0), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(attributeAsInteger(pugi::xml_node(), "a", 8), 8);
}

TEST(XmlAttributeValues, FloatsAreAlwaysFinite)
{
    Element e(R"(<e a="1.5e1x" b="nan" c="inf" d="-infinity" e="1e999" f="-1e999" g="0x10"/>)");
    EXPECT_DOUBLE_EQ(attributeAsDouble(e.node, "a", 0), 15.0);
    EXPECT_DOUBLE_EQ(attributeAsDouble(e.node, "b", 2), 2);
    EXPECT_DOUBLE_EQ(attributeAsDouble(e.node, "c", 2), 2);
    EXPECT_DOUBLE_EQ(attributeAsDouble(e.node, "d", 2), 2);
    EXPECT_TRUE(std::isfinite(attributeAsDouble(e.node, "e", 0)));
    EXPECT_GT(attributeAsDouble(e.node, "e", 0), 1e300);
    EXPECT_LT(attributeAsFloat(e.node, "f", 0), -1e300);
    EXPECT_DOUBLE_EQ(attributeAsFloat(e.node, "g", 7), 0);
}

TEST(XmlAttributeValues, BooleansIgnoreLetterCase)
{
    Element e(R"(<e a="TRUE" b="False" c="yes" d="1"/>)");
    EXPECT_TRUE(attributeAsBool(e.node, "a", false));
    EXPECT_FALSE(attributeAsBool(e.node, "b", true));
    EXPECT_TRUE(attributeAsBool(e.node, "c", true));
    EXPECT_FALSE(attributeAsBool(e.node, "d", false));
    EXPECT_TRUE(attributeAsBool(e.node, "missing", true));
}

TEST(XmlAttributeValues, WritingUsesFixedForms)
{
    Element e;
    addIntAttribute(e.node, "i", -12);
    addBoolAttribute(e.node, "t", true);
    addBoolAttribute(e.node, "f", false);
    addFloatAttribute(e.node, "third", 1.0 / 3.0);
    addFloatAttribute(e.node, "nan", std::numeric_limits<double>::quiet_NaN());
    addStringAttribute(e.node, "empty", "");
    addStringAttribute(e.node, "s", "x<y");
    EXPECT_EQ(outerXml(e.node), R"(<e i="-12" t="true" f="false" third="0.33" nan="0.00" s="x&lt;y"/>)");
}

TEST(XmlAttributeValues, DatesCountSecondsFromTheReferenceDate)
{
    Element e(R"(<e zero="0" day="86400.5" bad="soon" far="1e300"/>)");
    const auto zero = attributeAsDate(e.node, "zero");
    ASSERT_TRUE(zero.has_value());
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(zero->time_since_epoch()).count(), 978307200);
    EXPECT_FALSE(attributeAsDate(e.node, "bad").has_value());
    EXPECT_FALSE(attributeAsDate(e.node, "missing").has_value());
    EXPECT_TRUE(attributeAsDate(e.node, "far").has_value());

    Element out;
    addDateAttribute(out.node, "d", attributeAsDate(e.node, "day"));
    addDateAttribute(out.node, "none", std::nullopt);
    EXPECT_EQ(outerXml(out.node), R"(<e d="86400.500000"/>)");
}

TEST(XmlAttributeValues, FirstTextValueIsTrimmed)
{
    Element e("<e><a>\n  text with\nlines \t\n</a><b/><c><![CDATA[ raw <x> ]]></c></e>");
    EXPECT_EQ(getFirstTextValue(e.node.child("a")), std::optional<std::string>("text with\nlines"));
    EXPECT_FALSE(getFirstTextValue(e.node.child("b")).has_value());
    EXPECT_EQ(getFirstTextValue(e.node.child("c")), std::optional<std::string>("raw <x>"));
}

// ---- Colours ----

TEST(XmlAttributeColors, OpaqueComponentsAreWrittenWithoutAlpha)
{
    Element e;
    setColorNamed(e.node, Color(1.0, 0.5, 0.0, 0.5), "fill");
    setColorNamed(e.node, Color::normalizedClearColor(), "clear");
    setColorNamed(e.node, std::nullopt, "none");
    EXPECT_EQ(outerXml(e.node),
              R"(<e><fill r="255" g="128" b="0"/><clear none="true"/><none none="true"/></e>)");

    const auto fill = getNamedColor(e.node, "fill");
    ASSERT_TRUE(fill.has_value());
    EXPECT_EQ(*fill, Color(1.0, 128 / 255.0, 0.0, 1.0));
    const auto clear = getNamedColor(e.node, "clear");
    ASSERT_TRUE(clear.has_value());
    EXPECT_TRUE(clear->isNormalizedClearColor());
}

TEST(XmlAttributeColors, AColourNeedsAllThreeComponents)
{
    Element e(R"(<e><partial r="10" g="20"/><odd r="x" g="-5" b="900"/><empty/><both r="1" g="2" b="3" none="true"/></e>)");
    EXPECT_FALSE(getNamedColor(e.node, "partial").has_value());
    EXPECT_FALSE(getNamedColor(e.node, "empty").has_value());
    EXPECT_FALSE(getNamedColor(e.node, "missing").has_value());
    EXPECT_EQ(getNamedColor(e.node, "odd"), std::optional<Color>(Color(0, 0, 1, 1)));
    EXPECT_EQ(getNamedColor(e.node, "both"), std::optional<Color>(Color::rgb255(1, 2, 3)));
}

TEST(XmlAttributeColors, ComponentsOutsideTheRangeAreClampedWhenWriting)
{
    Element e;
    setColor(e.node, Color(1.5, -0.2, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(outerXml(e.node), R"(<e r="255" g="0" b="0"/>)");
}

// ---- Byte-order mark ----

TEST(XmlAttributeByteOrderMark, PrefixesNonEmptyDataOnly)
{
    EXPECT_EQ(prefixUTF8BOM(MindMapData{}), MindMapData{});
    EXPECT_EQ(prefixUTF8BOM(MindMapData{'a'}), (MindMapData{0xEF, 0xBB, 0xBF, 'a'}));
    EXPECT_EQ(prefixUTF8BOM(std::string_view("x")), "\xEF\xBB\xBFx");
    EXPECT_EQ(prefixUTF8BOM(std::string_view()), "");
}

} // namespace
