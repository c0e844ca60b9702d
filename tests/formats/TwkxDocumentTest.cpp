#include "TwkxTestSupport.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/DiagramLink.h"
#include "MindMaps/EmbeddedImage.h"
#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMapEditorScrollState.h"
#include "MindMaps/MindMapFormats.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeHullStyle.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/StyleSheet.h"
#include "formats/NodeDateFormatter.h"
#include "formats/XmlAttributeHelpers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <functional>
#include <locale>

using namespace twkxtest;

namespace {

// The process locale writes decimal commas while it lives.
class CommaLocale {
public:
    CommaLocale() : _previous(std::setlocale(LC_ALL, nullptr))
    {
        _active = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
        if (_active) {
            try {
                _previousGlobal = std::locale::global(std::locale("de_DE.UTF-8"));
            } catch (const std::exception&) {
            }
        }
    }
    ~CommaLocale()
    {
        std::locale::global(_previousGlobal);
        std::setlocale(LC_ALL, _previous.c_str());
    }
    bool active() const { return _active; }

private:
    std::string _previous;
    std::locale _previousGlobal = std::locale();
    bool _active = false;
};

MindMapNode* onlyNode(MindMap& map)
{
    return map.nodes().empty() ? nullptr : map.nodes().front();
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A map with one central theme of the text, written and read back into a new map.
std::string roundTripText(const std::string& text)
{
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    map.internalAddCentralTheme(text);
    MindMap copy;
    EXPECT_TRUE(loadDocument(copy, writeDocument(map)));
    return copy.nodes().empty() ? std::string("<none>") : copy.nodes().front()->text();
}

// ---- The written form ----

TEST(TwkxWriter, DocumentStartsWithByteOrderMarkAndRootAndAnEmptyMapWritesEmptyLists)
{
    MindMap map;
    map.newMindMap("ABCDEF0123456789ABCDEF01", false, std::nullopt);
    const std::string document = writeDocument(map);
    EXPECT_EQ(document.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_TRUE(contains(document, "<!DOCTYPE tarnwick-mindmaps>"));
    EXPECT_TRUE(contains(document, "<tarnwick-mindmaps doc-version=\"3\" generator=\"TarnwickOSXN\""));
    // Pretty-printed: one element per line, indented.
    EXPECT_TRUE(contains(document, "\n  <mindmap>\n    <meta>\n"));
    EXPECT_TRUE(contains(document, "<topics />"));
    EXPECT_TRUE(contains(document, "<relations />"));
    EXPECT_TRUE(contains(document, "<guid guid=\"ABCDEF0123456789ABCDEF01\" />"));
    EXPECT_FALSE(contains(document, "main-centraltheme"));
    EXPECT_FALSE(contains(document, "<selection"));
    EXPECT_FALSE(contains(document, "stylesheet"));
}

TEST(TwkxWriter, FloatsHaveTwoDecimalsWhateverTheLocale)
{
    CommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    MindMapNode* node = map.internalAddCentralTheme("third");
    node->setLocation(Point{1.0 / 3.0, -2.0 / 3.0});
    const std::string document = writeDocument(map);
    EXPECT_TRUE(contains(document, "x=\"0.33\" y=\"-0.67\""));

    MindMap copy;
    ASSERT_TRUE(loadDocument(copy, document));
    EXPECT_DOUBLE_EQ(onlyNode(copy)->location().x, 0.33);
    EXPECT_DOUBLE_EQ(onlyNode(copy)->location().y, -0.67);
}

// ---- Text escaping in documents ----

TEST(TwkxText, LineBreaksAreEscapedAndReadBackAsLineFeeds)
{
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    map.internalAddCentralTheme("one\ntwo \\ three");
    EXPECT_TRUE(contains(writeDocument(map), "text=\"one\\Ntwo \\\\ three\""));
    EXPECT_EQ(roundTripText("one\ntwo \\ three"), "one\ntwo \\ three");
    EXPECT_EQ(roundTripText("carriage\rreturn"), "carriage\nreturn");
    EXPECT_EQ(roundTripText("form\ffeed"), "form\nfeed");
    EXPECT_EQ(roundTripText("para\u2029graph"), "para\ngraph");
}

TEST(TwkxText, ACustomTitleWithABackslashSurvivesEveryCycle)
{
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    map.internalAddCentralTheme("Theme");
    map.setCustomTitle("C:\\maps\\N plans");
    std::string document = writeDocument(map);
    for (int cycle = 0; cycle < 4; ++cycle) {
        MindMap copy;
        ASSERT_TRUE(loadDocument(copy, document));
        EXPECT_EQ(copy.customTitle(), "C:\\maps\\N plans");
        document = writeDocument(copy);
    }
}

// ---- Colours ----

TEST(TwkxColors, AlphaIsNotStoredAndTheClearColourKeepsItsIdentity)
{
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    MindMapNode* node = map.internalAddCentralTheme("colours");
    node->setCustomFillColor(Color(1.0, 0.0, 0.0, 0.5), Color::normalizedClearColor(), std::nullopt);
    const std::string document = writeDocument(map);
    EXPECT_TRUE(contains(document, "<fillcolor r=\"255\" g=\"0\" b=\"0\" />"));
    EXPECT_TRUE(contains(document, "<strokecolor none=\"true\" />"));

    MindMap copy;
    ASSERT_TRUE(loadDocument(copy, document));
    const NodeStyle* style = onlyNode(copy)->style();
    ASSERT_TRUE(style->fillColor().has_value());
    EXPECT_EQ(*style->fillColor(), Color(1.0, 0.0, 0.0, 1.0));
    EXPECT_TRUE(isNormalizedClearColor(style->strokeColor()));
}

// A topic has a style of its own only once something asks to change it: the document written
// and the values read back must not depend on whether it has one.
namespace {

std::string topicsOf(const std::string& document)
{
    const size_t start = document.find("<topics>");
    return start == std::string::npos ? "" : document.substr(start, document.find("</topics>") - start);
}

} // namespace

TEST(TwkxColors, ATopicReadBackHasAStyleOfItsOwnOnlyWhenItCarriesValues)
{
    struct Case {
        const char* name;
        std::function<void(MindMapNode&)> customise;
        bool ownStyleAfterReading;
    };
    const Case cases[] = {
        {"untouched", [](MindMapNode&) {}, false},
        {"asked but left blank", [](MindMapNode& node) { node.style(); }, false},
        {"customised, then cleared",
         [](MindMapNode& node) {
             node.style()->changeBorderStyle(3);
             node.clearStyleCustomization();
         },
         false},
        {"border", [](MindMapNode& node) { node.style()->changeBorderStyle(3); }, true},
        {"custom colours",
         [](MindMapNode& node) { node.setCustomFillColor(Color(1.0, 0.0, 0.0), Color(0.0, 0.0, 1.0), std::nullopt); },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MindMap map;
        map.newMindMap("", false, std::nullopt);
        MindMapNode* node = map.internalAddCentralTheme("topic");
        c.customise(*node);
        map.validateElementStates();
        const std::string document = writeDocument(map);
        const std::string topics = topicsOf(document);
        EXPECT_EQ(contains(topics, "<style ") || contains(topics, "colorinfo=\"-1\""), c.ownStyleAfterReading);

        MindMap copy;
        ASSERT_TRUE(loadDocument(copy, document));
        const MindMapNode* read = onlyNode(copy);
        EXPECT_EQ(read->hasOwnStyle(), c.ownStyleAfterReading);
        EXPECT_TRUE(read->currentStyle().equals(&node->currentStyle()));
        EXPECT_EQ(read->currentStyle().borderStyle(), node->currentStyle().borderStyle());
        EXPECT_EQ(read->fillColor(), node->fillColor());
        EXPECT_EQ(read->strokeColor(), node->strokeColor());
        EXPECT_EQ(topicsOf(writeDocument(copy)), topics);
    }
}

TEST(TwkxColors, ColoursOfTheOlderFormWithoutAStyleElementAreStillRead)
{
    const std::string topic = R"(<topic id="0" parent="-1" text="a" palette="-1" colorinfo="-1">)"
                              R"(<fillcolor r="255" g="0" b="0"/><strokecolor r="0" g="0" b="255"/></topic>)";
    MindMap map;
    ASSERT_TRUE(loadDocument(map, documentWith(topic)));
    const MindMapNode* node = onlyNode(map);
    ASSERT_TRUE(node->hasOwnStyle());
    EXPECT_EQ(node->currentStyle().fillColor(), Color::rgb255(255, 0, 0));
    EXPECT_EQ(node->currentStyle().strokeColor(), Color::rgb255(0, 0, 255));
}

TEST(TwkxColors, PaletteEntriesBeyondThe32BitRangeColourAndReadBackAsTheLargestKeptOne)
{
    // Entries whose low 32 bits would be a negative entry (none), the first entry, or an entry
    // beyond the palette; the last one is beyond the 64-bit range as well.
    const std::vector<std::string> entries = {"2147483648", "4294967297", "5000000000", "99999999999999999999"};
    std::string topics = R"(<topic id="0" parent="-1" text="Theme"/>)"
                         R"(<topic id="1" parent="0" text="First" palette="1"/>)"
                         R"(<topic id="2" parent="0" text="Beyond" palette="99"/>)";
    for (size_t i = 0; i < entries.size(); ++i) {
        topics += "<topic id=\"" + std::to_string(i + 3) + R"(" parent="0" text=")" + entries[i] + R"(" palette=")" +
            entries[i] + R"("/>)";
    }
    const std::string document = documentWith(topics, "", R"(<style key="system.bright-palette"/>)");
    auto named = [](MindMap& map, const std::string& text) {
        for (MindMapNode* node : map.nodes()) {
            if (node->text() == text) return node;
        }
        return static_cast<MindMapNode*>(nullptr);
    };
    MindMap map;
    ASSERT_TRUE(loadDocument(map, document));
    const MindMapNode* beyond = named(map, "Beyond");
    ASSERT_TRUE(beyond);
    ASSERT_NE(beyond->fillColor(), named(map, "First")->fillColor());
    const std::string written = writeDocument(map);
    MindMap again;
    ASSERT_TRUE(loadDocument(again, written));
    for (const std::string& entry : entries) {
        SCOPED_TRACE(entry);
        for (MindMap* read : {&map, &again}) {
            const MindMapNode* node = named(*read, entry);
            ASSERT_TRUE(node);
            EXPECT_EQ(node->paletteInfo(), INT32_MAX);
            EXPECT_EQ(node->fillColor(), beyond->fillColor());
            EXPECT_EQ(node->strokeColor(), beyond->strokeColor());
        }
    }
    EXPECT_EQ(topicsOf(writeDocument(again)), topicsOf(written));
}

// ---- Positions and generators ----

TEST(TwkxGenerators, OnlyTheOldestGeneratorIsScaled)
{
    const std::string topic = R"(<topic id="0" parent="-1" x="30.00" y="-15.00"/>)";
    MindMap scaled;
    ASSERT_TRUE(loadDocument(scaled, documentWith(topic, "", "", "TarnwickOSX")));
    EXPECT_DOUBLE_EQ(onlyNode(scaled)->location().x, 40);
    EXPECT_DOUBLE_EQ(onlyNode(scaled)->location().y, -20);
    for (const char* generator : {"TarnwickOSXN", "TarnwickWin32", ""}) {
        SCOPED_TRACE(generator);
        MindMap map;
        ASSERT_TRUE(loadDocument(map, documentWith(topic, "", "", generator)));
        EXPECT_DOUBLE_EQ(onlyNode(map)->location().x, 30);
        EXPECT_DOUBLE_EQ(onlyNode(map)->location().y, -15);
    }
}

// ---- Relations, main theme, meta ----

TEST(TwkxRelations, ARelationToAnUnknownTopicIsDropped)
{
    MindMap map;
    ASSERT_TRUE(
        loadDocument(map,
                     documentWith(R"(<topic id="0" parent="-1"/><topic id="1" parent="-1"/>)",
                                  R"(<relation source="0" target="7"/><relation source="0" target="1" guid="g"/>)"
                                  R"(<relation source="-100" target="1"/><relation target="1"/>)")));
    EXPECT_EQ(map.nodes().size(), 2u);
    ASSERT_EQ(map.crossLinks().size(), 1u);
    EXPECT_EQ(map.crossLinks()[0]->sourceNode(), map.nodes()[0]);
    EXPECT_EQ(map.crossLinks()[0]->targetNode(), map.nodes()[1]);
    EXPECT_EQ(map.crossLinks()[0]->guid(), "g");
}

TEST(TwkxMeta, TheDocumentGuidMustBeAUsableFileName)
{
    const auto loadedGuid = [](const std::string& meta) {
        MindMap map;
        EXPECT_TRUE(loadDocument(map, documentWith("", "", meta)));
        return map.documentInformation().loadedGuid();
    };
    EXPECT_EQ(loadedGuid(R"(<guid guid="0123456789ABCDEF01234567"/>)"), "0123456789ABCDEF01234567");
    for (const char* meta : {R"(<guid guid="../../outside"/>)", R"(<guid guid=""/>)", "<guid/>",
                             R"(<guid guid="a:b"/>)", R"(<guid guid=".."/>)", R"(<guid guid="a&#9;b"/>)"}) {
        SCOPED_TRACE(meta);
        const std::string fresh = loadedGuid(meta);
        ASSERT_EQ(fresh.size(), 24u);
        EXPECT_EQ(fresh.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    }
}

TEST(TwkxNodeDate, DayMonthAndFourDigitYear)
{
    const auto date = NodeDateFormatter::dateFromString("01-02-1987");
    ASSERT_TRUE(date.has_value());
    EXPECT_EQ(NodeDateFormatter::stringFromDate(*date), "01-02-1987");
    // Only the day counts: a time within it is written as the day.
    EXPECT_EQ(
        NodeDateFormatter::stringFromDate(*NodeDateFormatter::dateFromString("9-7-2020") + std::chrono::hours(13)),
        "09-07-2020");
}

TEST(TwkxNodeDate, AnythingElseIsNoDate)
{
    for (const char* text : {"", "01-02", "01-02-2020x", "32-01-2020", "01-13-2020", "01/02/2020", " 01-02-2020",
                             // Beyond what the clock can hold.
                             "01-01-0987", "31-12-9999"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(NodeDateFormatter::dateFromString(text).has_value());
    }
}

} // namespace
