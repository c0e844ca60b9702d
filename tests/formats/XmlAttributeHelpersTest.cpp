#include "formats/XmlAttributeHelpers.h"

#include "TwkxTestSupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <utility>

namespace {

using twkxtest::outerXml;
using twkxtest::XmlFragment;

// ---- Text escaping ----

TEST(XmlAttributeEscaping, EscapesLineBreaksAndBackslashesAndDropsWhatXmlCannotCarry)
{
    const std::pair<std::string, std::string> cases[] = {
        {"a\r\nb\rc\fd\ve", "a\\N\\Nb\\Nc\\Nd\\Ne"},
        {"a\u2029b\u2028c\u0085d", "a\\Nb\\Nc\\Nd"},
        {"C:\\dir\\N", "C:\\\\dir\\\\N"},
        {"tab\there \u00e9\U0001F600 <&>\"", "tab\there \u00e9\U0001F600 <&>\""},
        {std::string("a") + '\0' + "\x01\x08\x0E\x1F" + "b\uFFFE\uFFFFc", "abc"},
        // Bytes that are not UTF-8 become replacement characters.
        {"a\xFF"
         "b\xC3",
         "a\uFFFDb\uFFFD"},
    };
    for (const auto& [text, escaped] : cases) EXPECT_EQ(EscapeXmlText(text), escaped) << text;
    EXPECT_EQ(xmlSafeText("\xED\xA0\x80"), "\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(EscapeXmlText("\x7F"), "\x7F");
    EXPECT_EQ(xmlSafeText(std::string("a\tb\nc\rd\x0By\x0Cz")), "a\tb\nc\rdyz");
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

// ---- Dates ----

TEST(XmlAttributeValues, DatesCountSecondsFromTheReferenceDate)
{
    XmlFragment e(R"(<e zero="0" day="86400.5" bad="soon" far="1e300"/>)");
    const auto zero = attributeAsDate(e.root, "zero");
    ASSERT_TRUE(zero.has_value());
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(zero->time_since_epoch()).count(), 978307200);
    EXPECT_FALSE(attributeAsDate(e.root, "bad").has_value());
    EXPECT_FALSE(attributeAsDate(e.root, "missing").has_value());
    EXPECT_TRUE(attributeAsDate(e.root, "far").has_value());

    XmlFragment out("<e/>");
    addDateAttribute(out.root, "d", attributeAsDate(e.root, "day"));
    addDateAttribute(out.root, "none", std::nullopt);
    EXPECT_EQ(outerXml(out.root), R"(<e d="86400.500000"/>)");
}

// ---- Colours ----

TEST(XmlAttributeColors, AColourNeedsAllThreeComponents)
{
    XmlFragment e(
        R"(<e><partial r="10" g="20"/><odd r="x" g="-5" b="900"/><empty/><both r="1" g="2" b="3" none="true"/></e>)");
    EXPECT_FALSE(getNamedColor(e.root, "partial").has_value());
    EXPECT_FALSE(getNamedColor(e.root, "empty").has_value());
    EXPECT_FALSE(getNamedColor(e.root, "missing").has_value());
    EXPECT_EQ(getNamedColor(e.root, "odd"), std::optional<Color>(Color(0, 0, 1, 1)));
    EXPECT_EQ(getNamedColor(e.root, "both"), std::optional<Color>(Color::rgb255(1, 2, 3)));
}

TEST(XmlAttributeColors, ComponentsOutsideTheRangeAreClampedWhenWriting)
{
    XmlFragment e("<e/>");
    setColor(e.root, Color(1.5, -0.2, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(outerXml(e.root), R"(<e r="255" g="0" b="0"/>)");
}

} // namespace
