#include "ArchiveTestSupport.h"
#include "FilerTestSupport.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/TopicDepthLimit.h"
#include "formats/FreemindMindMapImporter.h"
#include "formats/MindMapConverter.h"
#include "formats/OpmlMindMapImporter.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/Localizer.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <chrono>
#include <ostream>
#include <string>

using namespace filertest;

namespace {

pugi::xml_document parsed(const std::string& text)
{
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(text.c_str())) << text;
    return document;
}

std::string importedTree(std::string_view document, MindMapReadFormat format)
{
    MindMap map;
    Error error;
    EXPECT_TRUE(readAs(map, document, format, &error)) << error.localizedDescription << "\n" << document;
    return treeOf(map);
}

// Every special character of XML, a line break, a tab and text beyond ASCII, an empty topic.
const std::string SampleBranch = "<&> \"q\" 's'\n"
                                 "  Two/lines | note one/note two\n"
                                 "    \xE2\x82\xAC uro | \xC3\xA4\n"
                                 "  \n"
                                 "  Last | x  y\n";
const std::string SampleTree = SampleBranch + "Second theme\n";

// ---- Exports ----

TEST(OpmlExport, StartsWithTheDeclarationAndNestsOutlines)
{
    MindMap map;
    buildMap(map, SampleTree);
    const std::string text = withoutBom(MindMapConverter::exportToOpml(map));
    EXPECT_TRUE(text.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>")) << text;
    pugi::xml_document document = parsed(text);
    pugi::xml_node opml = document.child("opml");
    EXPECT_STREQ(opml.attribute("version").value(), "1.0");
    EXPECT_EQ(opml.child("head").child("title").text().as_string(), map.title());
    pugi::xml_node theme = opml.child("body").child("outline");
    EXPECT_STREQ(theme.attribute("text").value(), "<&> \"q\" 's'");
    EXPECT_FALSE(theme.attribute("_note"));
    pugi::xml_node two = theme.child("outline");
    EXPECT_STREQ(two.attribute("text").value(), "Two\nlines");
    EXPECT_STREQ(two.attribute("_note").value(), "note one\nnote two");
    pugi::xml_node empty = two.next_sibling("outline");
    ASSERT_TRUE(empty.attribute("text"));
    EXPECT_STREQ(empty.attribute("text").value(), "");
    EXPECT_STREQ(theme.next_sibling("outline").attribute("text").value(), "Second theme");
}

TEST(FreemindExport, StartsWithTheMapElementAndWritesNotesAsParagraphs)
{
    MindMap map;
    buildMap(map, SampleBranch);
    const std::string text = withoutBom(MindMapConverter::exportToFreemind(map));
    EXPECT_TRUE(text.starts_with("<map version=\"0.9.0\">")) << text;
    pugi::xml_document document = parsed(text);
    pugi::xml_node theme = document.child("map").child("node");
    EXPECT_STREQ(theme.attribute("TEXT").value(), "<&> \"q\" 's'");
    EXPECT_FALSE(theme.child("richcontent"));
    pugi::xml_node two = theme.child("node");
    pugi::xml_node note = two.first_child();
    ASSERT_STREQ(note.name(), "richcontent");
    EXPECT_STREQ(note.attribute("TYPE").value(), "NOTE");
    pugi::xml_node html = note.child("html");
    EXPECT_TRUE(html.child("head"));
    EXPECT_FALSE(html.child("head").first_child());
    pugi::xml_node paragraph = html.child("body").child("p");
    EXPECT_STREQ(paragraph.text().as_string(), "note one");
    EXPECT_STREQ(paragraph.next_sibling("p").text().as_string(), "note two");
    EXPECT_STREQ(note.next_sibling().name(), "node");
}

// The format has one root node, and other programs fail on files with several.
TEST(FreemindExport, SeveralCentralThemesHangUnderOneRootNamedAfterTheMap)
{
    using ArchiveTest::PythonTool;
    if (!ArchiveTest::toolAvailable(PythonTool)) GTEST_SKIP() << "python3 is not installed";
    MindMap map;
    buildMap(map, "A\n  A1\nB | note\nC\n");
    map.setCustomTitle("Plans & <ideas>");
    TempDir dir;
    ArchiveTest::writeBytes(dir.file("map.mm"), MindMapConverter::exportToFreemind(map));
    const char* script =
        "import sys, xml.etree.ElementTree as E\n"
        "m = E.parse(sys.argv[1]).getroot()\n"
        "roots = m.findall('node')\n"
        "print(m.tag, len(roots), roots[0].get('TEXT'), [n.get('TEXT') for n in roots[0].findall('node')],"
        " roots[0].find('node/node').get('TEXT'))\n";
    const auto read = ArchiveTest::runCommand(std::string(PythonTool) + " -c " + ArchiveTest::shellQuoted(script) +
                                              " " + ArchiveTest::shellQuoted(dir.file("map.mm")));
    EXPECT_EQ(read.status, 0) << read.output;
    EXPECT_EQ(read.output, "map 1 Plans & <ideas> ['A', 'B', 'C'] A1\n");

    MindMap back;
    ASSERT_TRUE(readAs(back, textOf(MindMapConverter::exportToFreemind(map)), MindMapReadFormat::FreeMind));
    EXPECT_EQ(treeOf(back), "Plans & <ideas>\n  A\n    A1\n  B | note\n  C\n");
}

// A topic that merely begins like an HTML page must not come back as the page's visible text.
TEST(FreemindExport, TextsThatLookLikeAnHtmlPageComeBackAsWritten)
{
    MindMap map;
    buildMap(map, "<html lang> is a tag\n  <HTML>x</HTML>\n");
    MindMap back;
    ASSERT_TRUE(readAs(back, textOf(MindMapConverter::exportToFreemind(map)), MindMapReadFormat::FreeMind));
    EXPECT_EQ(treeOf(back), "<html lang> is a tag\n  <HTML>x</HTML>\n");
}

// ---- Imports ----

struct ImportCase {
    const char* name;
    MindMapReadFormat format;
    std::string_view document;
    std::string tree;

    friend void PrintTo(const ImportCase& value, std::ostream* out) { *out << value.name; }
};

class XmlImport : public ::testing::TestWithParam<ImportCase> {};

TEST_P(XmlImport, GivesTheTree)
{
    EXPECT_EQ(importedTree(GetParam().document, GetParam().format), GetParam().tree);
}

constexpr MindMapReadFormat Opml = MindMapReadFormat::Opml;
constexpr MindMapReadFormat FreeMind = MindMapReadFormat::FreeMind;

INSTANTIATE_TEST_SUITE_P(
    Documents, XmlImport,
    ::testing::Values(
        ImportCase{"OpmlBodyWithoutOutlines", Opml, "<opml version=\"2.0\"><head/><body/></opml>", ""},
        ImportCase{"OpmlOutlineWithoutText", Opml, "<opml><body><outline _note=\"n\"/></body></opml>", "unnamed | n\n"},
        ImportCase{"OpmlTitleStandsInForAMissingText", Opml,
                   "<opml><body><outline title=\"T\"><outline text=\"A\" title=\"not shown\"/></outline></body></opml>",
                   "T\n  A\n"},
        ImportCase{"FreemindTextAndChildren", FreeMind,
                   "<map version=\"1.0.1\"><node TEXT=\"A\"><node TEXT=\"B\"/><node/></node></map>",
                   "A\n  B\n  unnamed\n"},
        ImportCase{"FreemindRichTextReplacesText", FreeMind,
                   "<map><node TEXT=\"old\"><richcontent TYPE=\"NODE\"><html><head/><body><p>first</p>"
                   "<p>second <b>bold</b></p></body></html></richcontent></node></map>",
                   "first/second bold\n"},
        // Older programs put a whole HTML page into the attribute.
        ImportCase{
            "FreemindHtmlInTheTextAttribute", FreeMind,
            "<map><node TEXT=\"&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Plan &lt;b&gt;now&lt;/b&gt;&lt;/p&gt;"
            "&lt;p&gt;then&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;\"><node TEXT=\" &lt;HTML&gt;&lt;p&gt;x&lt;br&gt;y\"/>"
            "<node TEXT=\"&lt;html5&gt; rocks\"/></node></map>",
            "Plan now/then\n  x/y\n  <html5> rocks\n"},
        // A page that is not well-formed XML ("<br>" never closed, a paragraph left open) is read
        // whole, and its character references are decoded once.
        ImportCase{"FreemindHtmlPagesKeepEveryParagraph", FreeMind,
                   "<map><node TEXT=\"&lt;html&gt;&#10;  &lt;head&gt;&#10;    &lt;style type=&quot;text/css&quot;&gt;p "
                   "{ margin-top: 0 }&lt;/style&gt;&#10;  &lt;/head&gt;&#10;  &lt;body&gt;&#10;    &lt;p&gt;&#10;      "
                   "Works with version&lt;br&gt;&#10;    &lt;/p&gt;&#10;    &lt;p&gt;&#10;      &amp;gt;= 1.3.x&#10;   "
                   " &lt;/p&gt;&#10;  &lt;/body&gt;&#10;&lt;/html&gt;\"><node "
                   "TEXT=\"&lt;html&gt;&lt;body&gt;&lt;p&gt;one&lt;p&gt;two &amp;amp;gt; three&lt;!-- not "
                   "&lt;p&gt;shown&lt;/p&gt; --&gt;&lt;/body&gt;&lt;/html&gt;\"/><node "
                   "TEXT=\"&lt;HTML&gt;&lt;BODY&gt;&lt;P&gt;a&amp;nbsp;b&lt;/P&gt;&lt;P&gt;&amp;#x3E;&amp;#62; c "
                   "&amp;bogus; d&lt;/P&gt;&lt;/BODY&gt;&lt;/HTML&gt;\"/></node></map>",
                   "Works with version/>= 1.3.x\n  one/two &gt; three\n  a\u00A0b/>> c &bogus; d\n"},
        // No-break and ideographic spaces separate words as well as blanks do.
        ImportCase{"FreemindUnicodeSpacesNextToMarkupKeepWordsApart", FreeMind,
                   "<map><node><richcontent TYPE=\"NOTE\"><html><body><p><b>bold</b>&#160;word&#12288;<a "
                   "href=\"x\">link</a>&#160;"
                   "<i>it</i>&#12288;&#160;end</p></body></html></richcontent></node></map>",
                   "unnamed | bold word link it end\n"},
        // Inline formatting used to split a sentence into as many lines as it had text pieces.
        ImportCase{
            "FreemindInlineFormattingStaysInItsLine", FreeMind,
            "<map><node><richcontent TYPE=\"NOTE\"><html><body><p>Call <b>Bob</b>, <font color=\"red\">n</font>ow "
            "<i>or</i> <b>never</b>"
            "<br/>then <i>Ann</i></p><ul><li>one</li><li>two</li></ul>tail</body></html></richcontent></node></map>",
            "unnamed | Call Bob, now or never/then Ann/one/two/tail\n"},
        // Nothing a document declares is expanded or fetched.
        ImportCase{
            "DeclaredEntitiesStayText", Opml,
            "<!DOCTYPE opml [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;\"><!ENTITY f SYSTEM \"file:///etc/hostname\">]>"
            "<opml><body><outline text=\"&b;&f;\"/></body></opml>",
            "&b;&f;\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// The caller's loading applies the style sheet once; the importers themselves do not, unlike
// the plain text import.
TEST(XmlImportResult, StyleSheetIsNotAppliedAgain)
{
    static const Color Marker = Color::rgb255(1, 2, 3);
    auto importAndSeeStyle = [](auto importer, std::string_view data) {
        MindMap map;
        map.beginLoading();
        map.defaultStyle()->setBackgroundColor(Marker);
        EXPECT_TRUE(importer(map, bytes(data)));
        return map.defaultStyle()->backgroundColor() == Marker;
    };
    EXPECT_TRUE(importAndSeeStyle(
        [](MindMap& map, const MindMapData& data) { return MindMapConverter::importFromOpml(map, data); },
        "<opml><body><outline text=\"A\"/></body></opml>"));
    EXPECT_TRUE(importAndSeeStyle(
        [](MindMap& map, const MindMapData& data) { return MindMapConverter::importFromFreemind(map, data); },
        "<map><node TEXT=\"A\"/></map>"));
    EXPECT_FALSE(importAndSeeStyle(
        [](MindMap& map, const MindMapData& data) { return MindMapConverter::importFromText(map, data); }, "A"));
}

// ---- Round trips ----

TEST(XmlRoundTrip, OpmlAndFreemindKeepTreeTextsAndNotes)
{
    MindMap map;
    buildMap(map, SampleTree);
    MindMap fromOpml;
    ASSERT_TRUE(readAs(fromOpml, textOf(MindMapConverter::exportToOpml(map)), Opml));
    EXPECT_EQ(treeOf(fromOpml), treeOf(map));
    MindMap oneTheme;
    buildMap(oneTheme, SampleBranch);
    MindMap fromFreemind;
    ASSERT_TRUE(readAs(fromFreemind, textOf(MindMapConverter::exportToFreemind(oneTheme)), FreeMind));
    EXPECT_EQ(treeOf(fromFreemind), SampleBranch);
}

// Texts that look like markup, in each place an export writes a text: every export brings them
// back as written. The FreeMind format holds several themes under a root named after the map.
struct WrittenTextCase {
    const char* name;
    std::string title; // empty: the map's own
    std::string topic;
    std::string note;
    std::string url;

    friend void PrintTo(const WrittenTextCase& value, std::ostream* out) { *out << value.name; }
};

class XmlWrittenTexts : public ::testing::TestWithParam<WrittenTextCase> {};

TEST_P(XmlWrittenTexts, ComeBackAsWritten)
{
    const WrittenTextCase& row = GetParam();
    MindMap map;
    const auto nodes = buildMap(map, "Theme\n  Child\nSecond theme\n");
    if (!row.topic.empty()) nodes[0]->setText(row.topic);
    if (!row.note.empty()) nodes[0]->setNote(row.note);
    if (!row.url.empty()) nodes[0]->linkToURL(row.url);
    if (!row.title.empty()) map.setCustomTitle(row.title);
    const std::string tree = treeOf(map);

    MindMap fromFreemind;
    ASSERT_TRUE(readAs(fromFreemind, textOf(MindMapConverter::exportToFreemind(map)), FreeMind));
    std::string underRoot = map.singleLineTitle() + "\n";
    for (size_t start = 0; start < tree.size(); start = tree.find('\n', start) + 1)
        underRoot += "  " + tree.substr(start, tree.find('\n', start) + 1 - start);
    // Opening wraps a long text again, at a blank.
    EXPECT_EQ(treeOf(fromFreemind, ' '), underRoot);

    const std::string opml = withoutBom(MindMapConverter::exportToOpml(map));
    EXPECT_EQ(parsed(opml).child("opml").child("head").child("title").text().as_string(), map.title());
    MindMap fromOpml;
    ASSERT_TRUE(readAs(fromOpml, opml, Opml));
    EXPECT_EQ(treeOf(fromOpml), tree);

    const pugi::xml_document html = parsed(withoutBom(MindMapConverter::exportToHtmlOutline(map, false)));
    EXPECT_EQ(html.child("html").child("head").child("title").text().as_string(), map.title());
    const pugi::xml_node item = html.child("html").child("body").child("ol").child("li");
    EXPECT_EQ(item.first_child().value(), nodes[0]->text());
    EXPECT_EQ(item.child("p").text().as_string(), row.note);
    EXPECT_EQ(item.child("a").attribute("href").value(), row.url);
    EXPECT_EQ(item.child("a").text().as_string(), row.url);
}

INSTANTIATE_TEST_SUITE_P(
    Places, XmlWrittenTexts,
    ::testing::Values(
        // An HTML reader once took the map's title for a page and kept only its visible words.
        WrittenTextCase{"TitleLikeAnHtmlPage", "<html t;<body><p>Plan <b>now</b>&#160?x<br>y</p></body></html>", "", "",
                        ""},
        WrittenTextCase{"TopicLikeAnHtmlPageNamesTheMap", "", "<HTML><body><p>Plan</p></body></HTML>", "", ""},
        WrittenTextCase{"NoteLikeAnHtmlPage", "", "", "<html><body><p>n &amp; m</p></body></html>", ""},
        WrittenTextCase{"ReferencesAndSectionEnds", "&amp; &#160; ]]> <![CDATA[x]]>", "&lt;b&gt; ]]>",
                        "<![CDATA[<p>]]> &nbsp;", "https://example.org/<html>?a=&#160;&b=</a>\"'"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Bad input ----

struct BadCase {
    const char* name;
    MindMapReadFormat format;
    std::string_view document;
    // What the error says: nothing (""), the parser's finding ("parser") or the document's root
    // element for a well-formed document that holds no map of the format.
    const char* says;

    friend void PrintTo(const BadCase& value, std::ostream* out) { *out << value.name; }
};

class XmlBadInput : public ::testing::TestWithParam<BadCase> {};

TEST_P(XmlBadInput, FailsAndLeavesTheMapEmpty)
{
    MindMap map;
    Error error;
    EXPECT_FALSE(readAs(map, GetParam().document, GetParam().format, &error));
    EXPECT_TRUE(map.isEmpty());
    EXPECT_FALSE(map.enabled());
    const std::string_view says = GetParam().says;
    if (says == "parser") {
        EXPECT_EQ(error.domain, TwkxMindMapReader::XmlErrorDomain);
        EXPECT_FALSE(error.localizedDescription.empty());
        EXPECT_NE(error.failureReason.find(" at offset "), std::string::npos) << error.failureReason;
    } else if (says.empty()) {
        EXPECT_TRUE(error.isEmpty()) << error.localizedDescription;
    } else {
        EXPECT_EQ(error.failureReason, localizedFormat("map_import_foreign_root_reason", {std::string(says)}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Documents, XmlBadInput,
    ::testing::Values(BadCase{"Empty", Opml, "", ""},
                      BadCase{"OpmlWithoutBody", Opml, "<opml version=\"1.0\"><head><title>t</title></head></opml>",
                              "opml"},
                      BadCase{"FreemindWrongRoot", FreeMind, "<opml><body><outline text=\"A\"/></body></opml>", "opml"},
                      BadCase{"OpmlTruncated", Opml, "<opml><body><outline text=\"A\">", "parser"},
                      BadCase{"FreemindTruncated", FreeMind, "<map><node TEXT=\"A", "parser"},
                      BadCase{"OpmlCommentOnly", Opml, "<!-- nothing -->", "parser"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(XmlBadInputMap, MapWithTopicsIsRefused)
{
    MindMap map;
    buildMap(map, "Existing");
    OpmlMindMapImporter opml(map);
    EXPECT_FALSE(opml.importMindMapFromData(bytes("<opml><body><outline text=\"A\"/></body></opml>")));
    FreemindMindMapImporter freemind(map);
    EXPECT_FALSE(freemind.importMindMapFromData(bytes("<map><node TEXT=\"A\"/></map>")));
    EXPECT_EQ(treeOf(map), "Existing\n");
}

// Nesting as deep as a map may be, through import, export and reading the export again; and
// exports of a branch far deeper than any stack would allow for a walk by recursion.
TEST(XmlBadInputMap, VeryDeepNestingIsReadAndWritten)
{
    ScopedFakeMeasurer measurer;
    constexpr int Depth = int(TopicDepthLimit::MaximumLevels);
    // Indenting each line by its depth would make the exports quadratic in the depth: they are
    // kept linear (under 50 bytes a topic here).
    std::string opml = "<opml><body>";
    for (int i = 0; i < Depth; ++i) opml += "<outline text=\"x\">";
    for (int i = 0; i < Depth; ++i) opml += "</outline>";
    opml += "</body></opml>";
    MindMap map;
    ASSERT_TRUE(readAs(map, opml, Opml));
    EXPECT_EQ(deepestLevel(map), Depth - 1);

    const MindMapData freemind = MindMapConverter::exportToFreemind(map);
    EXPECT_LT(freemind.size(), 50u * Depth);
    MindMap fromFreemind;
    ASSERT_TRUE(readAs(fromFreemind, textOf(freemind), FreeMind));
    EXPECT_EQ(deepestLevel(fromFreemind), Depth - 1);
    MindMap fromOpml;
    ASSERT_TRUE(readAs(fromOpml, textOf(MindMapConverter::exportToOpml(map)), Opml));
    EXPECT_EQ(deepestLevel(fromOpml), Depth - 1);
    EXPECT_LT(MindMapConverter::exportToHtmlOutline(map, false).size(), 50u * Depth);

    constexpr size_t Deeper = 100000;
    // Built as a reader builds a map: editing stops at the depth limit, and refusing each of the
    // many adds below it would only measure the refusals.
    MindMap chain;
    chain.beginLoading();
    MindMapNode* last = chain.addNodeLoadingAtLocation(Point{});
    for (size_t i = 1; i < Deeper; ++i) {
        MindMapNode* node = chain.addNodeLoadingAtLocation(Point{});
        node->setParent(last);
        last = node;
    }
    chain.nodesLoadedFromIndex(0);
    chain.loadingCompleted();
    ASSERT_EQ(deepestLevel(chain), int(Deeper) - 1);
    EXPECT_LT(MindMapConverter::exportToFreemind(chain).size(), 50u * Deeper);
    EXPECT_LT(MindMapConverter::exportToOpml(chain).size(), 50u * Deeper);
    EXPECT_LT(MindMapConverter::exportToHtmlOutline(chain, false).size(), 50u * Deeper);
}

} // namespace
