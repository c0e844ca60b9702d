#include "formats/MindMapFormatDetector.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

int32_t detect(std::string_view text)
{
    MindMapFormatDetector detector;
    return detector.detectMindMapFormat(bytesOf(text));
}

Bytes utf16(std::string_view ascii, bool littleEndian, bool withMark)
{
    Bytes out;
    auto put = [&](uint16_t unit) {
        if (littleEndian) {
            out.push_back(static_cast<uint8_t>(unit));
            out.push_back(static_cast<uint8_t>(unit >> 8));
        } else {
            out.push_back(static_cast<uint8_t>(unit >> 8));
            out.push_back(static_cast<uint8_t>(unit));
        }
    };
    if (withMark) put(0xFEFF);
    for (char c : ascii) put(static_cast<uint8_t>(c));
    return out;
}

struct DetectionCase {
    std::string_view text;
    int32_t format;
};

TEST(MindMapFormatDetector, DecidesByTheFirstElementAfterAValidPrologue)
{
    const DetectionCase cases[] = {
        // Each format by its root element; OPML and FreeMind in any letter case, the others exactly.
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tarnwick-mindmaps "
         "doc-version=\"3\"><mindmap/></tarnwick-mindmaps>",
         2},
        {"<?xml version=\"1.0\"?><!DOCTYPE plist SYSTEM \"plist.dtd\"><plist version=\"1.0\"><dict/></plist>", 1},
        {"<opml version=\"2.0\"><head/><body/></opml>", 4},
        {"<map version=\"1.0.1\"><node TEXT=\"x\"/></map>", 5},
        {"<mAp/>", 5},
        {"<Tarnwick-Mindmaps/>", 0},
        {"<x:opml xmlns:x=\"urn:x\"/>", 0},
        // Nothing recognisable, or a first start tag that is not complete.
        {"", 0},
        {"text before <opml/>", 0},
        {"<opml version=\"2.0\"", 0},
        {"<opml a=\"1\"b=\"2\">", 0},
        {"<opml\n\tversion = '2.0'\n/>", 4},
        // Comments, instructions and a document type are passed over; a broken prologue is not.
        {"\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- a <map> in a comment -->\n<?xml-stylesheet "
         "href=\"s.xsl\"?>\n<opml/>",
         4},
        {"<!DOCTYPE map [\n  <!ENTITY e \"<opml> ] >\">\n  <!-- ]> -->\n  <?pi ]>?>\n]>\n<map/>", 5},
        {"<!-- never closed <opml/>", 0},
        {"\n<?xml version=\"1.0\"?><opml/>", 0}, // the declaration belongs at the very start
        {"<!DOCTYPE opml [ <!ENTITY e \"unterminated ]><opml/>", 0},
        // The zip signature decides without parsing, but only when whole.
        {"PK\x03", 0},
    };
    for (const DetectionCase& c : cases) {
        EXPECT_EQ(detect(c.text), c.format) << c.text;
    }
    Bytes zip{'P', 'K', 3, 4};
    zip.insert(zip.end(), 100, 0xFF);
    EXPECT_EQ(MindMapFormatDetector().detectMindMapFormat(zip), 3);
}

TEST(MindMapFormatDetector, DecidesAtTheFirstElementWithoutReadingTheRest)
{
    // Everything after the first start tag is broken; a detector reading the whole document
    // would reject it.
    EXPECT_EQ(detect("<opml><<<</broken"), 4);
    std::string huge = "<map>";
    huge.append(64u << 20, '<');
    EXPECT_EQ(detect(huge), 5);
}

TEST(MindMapFormatDetector, EntitiesAreNeverExpanded)
{
    std::string bomb = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n <!ENTITY lol \"lol\">\n";
    for (int i = 1; i < 10; ++i) {
        bomb += " <!ENTITY lol" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j) bomb += "&lol" + (i > 1 ? std::to_string(i - 1) : std::string()) + ";";
        bomb += "\">\n";
    }
    bomb += "]>\n<opml>&lol9;</opml>";
    EXPECT_EQ(detect(bomb), 4);
    EXPECT_EQ(detect("<!DOCTYPE map SYSTEM \"file:///dev/zero\"><map/>"), 5);
}

TEST(MindMapFormatDetector, Utf16DocumentsWithAndWithoutByteOrderMark)
{
    MindMapFormatDetector detector;
    EXPECT_EQ(detector.detectMindMapFormat(utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?><opml/>", true, true)), 4);
    EXPECT_EQ(detector.detectMindMapFormat(utf16("<map/>", false, true)), 5);
    EXPECT_EQ(detector.detectMindMapFormat(utf16("<tarnwick-mindmaps/>", true, false)), 2);
    EXPECT_EQ(detector.detectMindMapFormat(utf16("<plist>", false, false)), 1);
    Bytes odd = utf16("<map/>", true, true);
    odd.resize(odd.size() - 1);
    EXPECT_EQ(detector.detectMindMapFormat(odd), 0);
}

} // namespace
