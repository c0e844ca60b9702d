#include "TwkxTestSupport.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/DiagramLink.h"
#include "MindMaps/MindMapEditorScrollState.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/StyleSheet.h"
#include "formats/DocumentDamage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <utility>
#include <vector>

using namespace twkxtest;

namespace {

// A map with two topics and a custom title, to see that a failed read leaves it alone.
void fillMap(MindMap& map)
{
    map.newMindMap("", false, std::nullopt);
    MindMapNode* theme = map.internalAddCentralTheme("Keep me");
    map.addMindMapNodeAsChild(theme, Point{100, 0})->setText("And me");
    map.setCustomTitle("Untouched");
}

// Reads the data straight into a filled map; the map must be unchanged on failure.
bool readIntoFilledMap(const std::string& data, Error* error, std::string* before, std::string* after)
{
    MindMap map;
    fillMap(map);
    *before = writeDocument(map);
    const bool read = TwkxMindMapReader::readMindMap(map, dataOf(data), error);
    *after = writeDocument(map);
    return read;
}

// Calls the function with every node of the map's walks: up to the root, and depth first.
size_t walkEverything(MindMap& map)
{
    size_t steps = 0;
    for (MindMapNode* node : map.nodes()) {
        for (MindMapNode* up = node; up; up = up->parent()) {
            if (++steps > 10000000) return steps;
        }
    }
    std::vector<MindMapNode*> ordered;
    map.collectHierarchicallyOrderedNodes(ordered);
    return steps + ordered.size();
}

bool everyPositionIsFinite(MindMap& map)
{
    auto finite = [](Point p) { return std::isfinite(p.x) && std::isfinite(p.y); };
    for (MindMapNode* node : map.nodes()) {
        if (!finite(node->location())) return false;
        for (ContainedElement* element : node->containedElements()) {
            if (!finite(element->relLocation())) return false;
            if (auto* image = dynamic_cast<MindMapImage*>(element)) {
                if (!std::isfinite(image->scale()) || !std::isfinite(image->angle())) return false;
            }
        }
        if (node->parentRelation() && !finite(node->parentRelation()->relationPath().customOffset())) return false;
    }
    for (CrossLink* link : map.crossLinks()) {
        if (!finite(link->relationPath().customOffset())) return false;
    }
    return true;
}

// ---- Documents that are not ours ----

// Text that is no XML, or a document cut off or damaged inside, fails with what is wrong with it,
// told by where the parser stopped: a document cut off anywhere was cut short.
TEST(TwkxBadInput, TextThatIsNoXmlFailsWithWhatIsWrongWithIt)
{
    MindMap map;
    fillMap(map);
    const std::string whole = writeDocument(map);
    std::vector<std::pair<std::string, int64_t>> cases = {
        {"just some words", DocumentDamage::NotADocument},
        {std::string(600, '\x9f'), DocumentDamage::NotADocument},
        {"<tarnwick-mindmaps><mindmap>", DocumentDamage::CutShort},
        {std::string(whole).insert(whole.find("<topics"), "<<"), DocumentDamage::Malformed},
    };
    for (size_t cut = whole.find('<') + 1; cut < whole.rfind('>'); ++cut)
        cases.emplace_back(whole.substr(0, cut), DocumentDamage::CutShort);
    for (const auto& [data, kind] : cases) {
        Error error;
        std::string before, after;
        EXPECT_FALSE(readIntoFilledMap(data, &error, &before, &after));
        ASSERT_EQ(error.domain, TwkxMindMapReader::XmlErrorDomain);
        ASSERT_EQ(error.code, kind) << data;
        EXPECT_FALSE(error.localizedDescription.empty());
        EXPECT_EQ(before, after);
    }
}

TEST(TwkxBadInput, EmptyDataAForeignRootOrAMissingMindMapFailWithoutAnError)
{
    for (const char* data :
         {"", "<other-root><mindmap/></other-root>", "<Tarnwick-Mindmaps><mindmap/></Tarnwick-Mindmaps>",
          "<tarnwick-mindmaps doc-version=\"3\"><meta/></tarnwick-mindmaps>",
          "<tarnwick-mindmaps><selection type=\"node\"/></tarnwick-mindmaps>"}) {
        SCOPED_TRACE(data);
        Error error;
        std::string before, after;
        EXPECT_FALSE(readIntoFilledMap(data, &error, &before, &after));
        EXPECT_TRUE(error.isEmpty());
        EXPECT_EQ(before, after);
    }
}

// ---- Hostile and broken content ----

TEST(TwkxBadInput, NumbersThatAreNoNumbersOrHugeStayFinite)
{
    const std::string topics =
        R"(<topic id="0" parent="-1" x="nan" y="-inf" progress="99999999999999999999" checkbox-mode="progress">)"
        R"(<children><image name="aa" x="1e999" y="-1e999" scale="inf" angle="1e400"/>)"
        R"(<text x="NaN" y="1e308"><note>t</note></text></children></topic>)"
        R"(<topic id="99999999999999999999" parent="-99999999999999999999" x="1.7e308" y="-1.7e308">)"
        R"(<embedded-image name="bb" scale="-1e999"/></topic>)"
        R"(<topic id="2" parent="0" x="1e308"><parent-relation><path><custom-point x="inf" y="1e999"/></path>)"
        R"(</parent-relation></topic>)";
    const std::string relations = R"(<relation source="0" target="99999999999999999999"><path>)"
                                  R"(<custom-point x="-1e999" y="nan"/></path></relation>)";
    for (const char* generator : {"TarnwickOSXN", "TarnwickOSX"}) {
        SCOPED_TRACE(generator);
        MindMap map;
        ASSERT_TRUE(loadDocument(map,
                                 documentWith(topics, relations,
                                              R"(<scrollstate zoom="-99999999999999999999" )"
                                              R"(x="1e999" y="-1e999"/>)",
                                              generator)));
        EXPECT_TRUE(everyPositionIsFinite(map));
        EXPECT_EQ(map.nodes()[0]->progress(), 100);
        MindMapEditorScrollState* state = map.getEditorScrollState();
        EXPECT_GT(state->zoomScale(), 0);
        EXPECT_TRUE(std::isfinite(state->offset().x) && std::isfinite(state->offset().y));
        // Writing it again gives numbers only.
        const std::string document = writeDocument(map);
        EXPECT_EQ(document.find("nan\""), std::string::npos);
        EXPECT_EQ(document.find("inf\""), std::string::npos);
    }
}

TEST(TwkxBadInput, EntityDeclarationsExpandNothing)
{
    std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE tarnwick-mindmaps [\n <!ENTITY lol \"lol\">\n";
    laughs += " <!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n";
    for (int i = 2; i <= 9; ++i) {
        laughs += " <!ENTITY lol" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j) laughs += "&lol" + std::to_string(i - 1) + ";";
        laughs += "\">\n";
    }
    laughs += " <!ENTITY outside SYSTEM \"file:///etc/passwd\">\n]>\n";
    laughs += "<tarnwick-mindmaps generator=\"TarnwickOSXN\"><mindmap><topics>"
              "<topic id=\"0\" parent=\"-1\" text=\"&lol9;\"><note>&outside;</note></topic>"
              "</topics></mindmap></tarnwick-mindmaps>";

    MindMap map;
    ASSERT_TRUE(loadDocument(map, laughs));
    ASSERT_EQ(map.nodes().size(), 1u);
    EXPECT_EQ(map.nodes()[0]->text(), "&lol9;");
    EXPECT_EQ(map.nodes()[0]->note(), "&outside;");
}

TEST(TwkxBadInput, ImageNamesThatCouldLeaveTheStoreAreIgnored)
{
    MindMap map;
    ASSERT_TRUE(loadDocument(
        map,
        documentWith(R"(<topic id="0" parent="-1" icon="#../../etc/passwd"><embedded-image name="a/b"/><children>)"
                     R"(<image name="../../outside"/><image name=".."/><image name="."/><image name="a\b"/>)"
                     R"(<image name="good" thumbnail="/etc/thumb"/></children>)"
                     R"(<link phone-contact="x" thumbnail="a/../../b"/></topic>)")));
    MindMapNode* node = map.nodes()[0];
    EXPECT_EQ(node->iconName(), "");
    EXPECT_FALSE(node->hasEmbeddedImage());
    const auto elements = node->containedElements();
    ASSERT_EQ(elements.size(), 1u);
    EXPECT_EQ(static_cast<MindMapImage*>(elements[0])->imageHash(), "good");
    EXPECT_EQ(static_cast<MindMapImage*>(elements[0])->thumbnailHash(), "");
    ASSERT_NE(node->diagramLink(), nullptr);
    EXPECT_EQ(node->diagramLink()->imageHash(), "");
}

TEST(TwkxBadInput, ATruncatedDocumentNeverCrashes)
{
    MindMap source;
    source.newMindMap("", false, std::nullopt);
    MindMapNode* theme = source.internalAddCentralTheme("Theme \\ one\ntwo");
    MindMapNode* child = source.addMindMapNodeAsChild(theme, Point{150, 10});
    child->setText("child");
    child->setNote("a note");
    child->addText()->setText("free");
    child->addCustomImage("cafe", "");
    source.internalAddCrossLinkFromSource(theme, source.addMindMapNodeAsChild(child, Point{300, 10}));
    const std::string document = writeDocument(source);
    ASSERT_LT(document.size(), 6000u);

    size_t loaded = 0;
    for (size_t length = 0; length <= document.size(); ++length) {
        MindMap map;
        if (loadDocument(map, document.substr(0, length))) ++loaded;
    }
    // Only the whole document (and the one without its last line break) is well formed.
    EXPECT_GE(loaded, 1u);
    EXPECT_LE(loaded, 2u);
}

// ---- Mended: parent cycles ----

TEST(TwkxParentCycles, TopicsThatNameEachOtherDoNotMakeACircle)
{
    MindMap map;
    ASSERT_TRUE(loadDocument(map,
                             documentWith(R"(<topic id="0" parent="1" text="a"/><topic id="1" parent="0" text="b"/>)"
                                          R"(<topic id="2" parent="4" text="c"/><topic id="3" parent="2" text="d"/>)"
                                          R"(<topic id="4" parent="3" text="e"/>)")));
    ASSERT_EQ(map.nodes().size(), 5u);
    EXPECT_EQ(map.centralThemes().size(), 2u);
    EXPECT_LT(walkEverything(map), 100u);
    for (MindMapNode* node : map.nodes()) EXPECT_LT(node->nodeLevel(), 5);
    // The document's order decides: the first topic of each circle hangs where it says.
    EXPECT_EQ(map.nodes()[0]->parent(), map.nodes()[1]);
    EXPECT_EQ(map.nodes()[1]->parent(), nullptr);
}

TEST(TwkxParentCycles, OfTopicsSharingAnIdTheFirstKeepsIt)
{
    MindMap map;
    ASSERT_TRUE(loadDocument(map,
                             documentWith(R"(<topic id="0" parent="-1" text="first"/>)"
                                          R"(<topic id="0" parent="-1" text="second"/>)"
                                          R"(<topic id="1" parent="0" text="child"/>)"
                                          R"(<topic id="2" parent="0" text="dup child of dup"/>)",
                                          R"(<relation source="2" target="0"/>)")));
    ASSERT_EQ(map.nodes().size(), 4u);
    EXPECT_EQ(map.nodes()[2]->parent(), map.nodes()[0]);
    EXPECT_EQ(map.nodes()[3]->parent(), map.nodes()[0]);
    EXPECT_EQ(map.nodes()[1]->parent(), nullptr);
    EXPECT_EQ(map.centralThemes().size(), 2u);
    // A topic and its own parent are never cross-linked.
    EXPECT_TRUE(map.crossLinks().empty());
}

TEST(TwkxParentCycles, ALongChainLoadsAndWalks)
{
    std::string topics;
    const int count = 2000;
    for (int i = 0; i < count; ++i)
        topics += "<topic id=\"" + std::to_string(i) + "\" parent=\"" + std::to_string(i - 1) + "\"/>";
    // The root names the last topic: the circle must be cut somewhere.
    topics.replace(topics.find("parent=\"-1\""), 11, "parent=\"" + std::to_string(count - 1) + "\"");
    MindMap map;
    ASSERT_TRUE(loadDocument(map, documentWith(topics)));
    EXPECT_EQ(map.centralThemes().size(), 1u);
    EXPECT_EQ(walkEverything(map), static_cast<size_t>(count) * (count + 1) / 2 + count);
}

// ---- Mended: characters XML cannot carry ----

TEST(TwkxControlCharacters, AreDroppedSoThatTheDocumentReadsBack)
{
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    MindMapNode* node = map.internalAddCentralTheme("plain");
    node->setGuid(std::string("guid\x01with\x02"
                              "controls"));
    node->linkToURL(std::string("https://example.org/\x1Fpath\tx"));
    node->setVoiceMemo(std::string("memo\x0B\x0C\uFFFE\uFFFF.m4a"));
    node->setIconName(std::string("icon\x08"));
    MindMapImage* image = node->addCustomImage("cafe", "");
    image->setImageLink(std::string("link\x7F\x10"));
    map.setSelectedElement(node);
    map.styleSheet()->applyStyleToDiagram(map);

    const std::string first = writeDocument(map);
    for (unsigned char c : first) {
        EXPECT_FALSE(c < 0x20 && c != '\t' && c != '\n' && c != '\r') << "byte " << static_cast<int>(c);
    }
    EXPECT_EQ(first.find("&#1;"), std::string::npos);
    EXPECT_EQ(first.find("&#2;"), std::string::npos);
    EXPECT_EQ(first.find("\uFFFE"), std::string::npos);

    MindMap copy;
    ASSERT_TRUE(loadDocument(copy, first));
    MindMapNode* read = copy.nodes()[0];
    EXPECT_EQ(read->guid(), "guidwithcontrols");
    ASSERT_NE(read->diagramLink(), nullptr);
    EXPECT_EQ(read->diagramLink()->linkID(), "https://example.org/path\tx");
    EXPECT_EQ(read->voiceMemo(), "memo.m4a");
    EXPECT_EQ(writeDocument(copy), first);
}

} // namespace
