// Whole documents are written as text directly, the clipboard's pieces as a pugixml tree: both
// must give the bytes pugixml prints for the tree.

#include "TwkxTestSupport.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/TextStyle.h"
#include "formats/XmlAttributeHelpers.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <functional>
#include <string>

using namespace twkxtest;

namespace {

// The document as the writer's steps build it into a tree, printed by pugixml.
std::string documentThroughTree(MindMap& map)
{
    TwkxMindMapWriter writer(map);
    pugi::xml_document document;
    pugi::xml_node mindMapElement = TwkxMindMapWriter::createTwkxDocument(document).append_child("mindmap");
    writer.buildNodeIndexMap();
    writer.writeMetaData(mindMapElement);
    writer.writeNodes(mindMapElement);
    writer.writeCrossLinks(mindMapElement);
    writer.writeCustomStyleSheet(mindMapElement);
    return prefixUTF8BOM(TwkxMindMapWriter::serialize(document, true));
}

// Texts with everything the escaping distinguishes: markup characters, quotes, control characters
// kept, dropped and escaped, line breaks of every kind, a backslash, non-ASCII, bytes that are
// not UTF-8, and white space at the ends.
const char* const HardTexts[] = {
    "a&b<c>d\"e'f\tg\x01h\r\ni",
    "  spaced  ",
    "\xE2\x80\xA9para\xC2\x85nl\x0b\x0c",
    "bad\xC3(utf\xFF",
    "back\\slash\\N",
    "",
    "x\x7f\xEF\xBF\xBEy",
    "wrapped\nline\r\nthen\\back > x\x0b\x0cy\\",
    "\n",
};

void buildHardMap(MindMap& map)
{
    map.newMindMap("", true, std::string("Main & <theme> \"q\" 'a'\t\\x"));
    MindMapNode* theme = map.nodes().front();
    int i = 0;
    for (const char* text : HardTexts) {
        MindMapNode* node = map.addMindMapNodeAsChild(theme, Point{100.0 + i, 33.3333 * i - 7.126});
        node->setText(text);
        node->setNote(std::string(text) + "\n note \t&<>\"'\r\n end \x02");
        node->linkToURL(std::string("http://x/?a=1&b=\"2\"<") + text);
        node->addText()->setText(text);
        node->addCustomImage("hash&" + std::to_string(i), "thumb\"" + std::to_string(i))->setImageLink(text);
        ++i;
    }
    map.setCustomTitle("Title\r\nwith & \\ < >\t");
    map.setSelectedElement(map.nodes().back());
}

TEST(TwkxTextOutput, TheDocumentTextIsWhatTheTreeWouldPrint)
{
    MindMap full;
    buildFullMap(full);
    EXPECT_EQ(writeDocument(full), documentThroughTree(full));

    MindMap hard;
    buildHardMap(hard);
    const std::string text = writeDocument(hard);
    EXPECT_EQ(text, documentThroughTree(hard));
    EXPECT_NE(text.find("&#09;"), std::string::npos) << "a tab in an attribute is a reference";
    EXPECT_NE(text.find("&quot;"), std::string::npos);
    EXPECT_EQ(text.find('\x01'), std::string::npos);
}

// Each style property on its own, in two sets of values that write differently (no colour or a
// clear one, a font with traits and without scale or the other way round): a topic, a free text, a
// parent relation and a cross link each carry it, and every style element must come out as the
// tree prints it.
TEST(TwkxTextOutput, EveryStylePropertyAloneIsWhatTheTreeWouldPrint)
{
    const auto setValues = [](TextStyle& style, bool first) {
        style.setFillColor(first ? std::optional<Color>(Color::normalizedClearColor()) : Color::rgb255(1, 2, 3));
        style.setTextColor(first ? std::nullopt : std::optional<Color>(Color::rgb255(250, 0, 9)));
        style.setAlignment(first ? 1 : 2);
        style.setCallOut(1);
        style.setFontStyle(first ? 2 | 8 : 0);
        style.setFontScale(first ? 1.0 : 0.333);
    };
    for (const bool first : {true, false}) {
        for (uint64_t mask = 1; mask <= NodeStyle::BorderWidthMask; mask <<= 1) {
            SCOPED_TRACE(std::to_string(mask) + (first ? " first" : " second"));
            MindMap map;
            map.newMindMap("", true, std::string("Theme"));
            MindMapNode* theme = map.nodes().front();
            MindMapNode* child = map.addMindMapNodeAsChild(theme, Point{120, 10});
            MindMapNode* other = map.addMindMapNodeAsChild(theme, Point{120, 90});
            NodeStyle& node = *child->style();
            setValues(node, first);
            node.setStrokeColor(first ? Color::rgb255(0, 0, 0) : Color::normalizedClearColor());
            node.setBorderStyle(first ? 3 : 6);
            node.setBorderWidth(first ? 4.125 : 0.5);
            node.setCustomizedProps(mask);
            MindMapText* text = child->addText();
            text->setText("free");
            setValues(*text->style(), !first);
            text->style()->setCustomizedProps(mask);
            for (RelationStyle* line :
                 {child->parentRelation()->ownStyle(), map.internalAddCrossLinkFromSource(child, other)->ownStyle()}) {
                line->setLineStyle(first ? 3 : 8);
                line->setLineWidth(first ? 0.75 : 12.0);
                line->setRelationPathStyle(1);
                line->setSourceArrowStyle(first ? 2 : 0);
                line->setTargetArrowStyle(8);
                line->setColor(first ? std::optional<Color>(Color::normalizedClearColor()) : Color::rgb255(4, 5, 6));
                line->setCustomizedProps(mask);
            }
            const std::string document = writeDocument(map);
            EXPECT_EQ(document, documentThroughTree(map));
            EXPECT_NE(document.find("<style"), std::string::npos);
        }
    }
}

// The snapshot learns whether the map holds images from its topics as it writes them; it must
// say so exactly where and when the whole document does, wherever the only image sits.
TEST(TwkxTextOutput, TheSnapshotMarksImagesWhereverTheyAre)
{
    const std::pair<const char*, std::function<void(MindMap&, MindMapNode*)>> images[] = {
        {"none", [](MindMap&, MindMapNode*) {}},
        {"custom image", [](MindMap&, MindMapNode* node) { node->addCustomImage("1234abcd", "5678ef"); }},
        {"free text only", [](MindMap&, MindMapNode* node) { node->addText()->setText("no picture"); }},
        {"embedded image", [](MindMap&, MindMapNode* node) { node->setEmbeddedImageName("89abcdef0123"); }},
        {"custom icon", [](MindMap&, MindMapNode* node) { node->setIconName("#0123456789abcdef"); }},
        {"image on the parent relation",
         [](MindMap&, MindMapNode* node) { node->parentRelation()->addCustomImage("aaaa", "bbbb"); }},
        {"image on a cross link",
         [](MindMap& map, MindMapNode* node) {
             map.internalAddCrossLinkFromSource(map.nodes()[1], node)->addCustomImage("cccc", "dddd");
         }},
    };
    for (const size_t topic : {size_t{1}, size_t{63}, size_t{64}, size_t{199}}) {
        for (const auto& [name, add] : images) {
            SCOPED_TRACE(std::string(name) + " on topic " + std::to_string(topic));
            MindMap map;
            map.newMindMap("", true, std::string("Theme"));
            MindMapNode* theme = map.nodes().front();
            for (int i = 0; i < 200; ++i) map.addMindMapNodeAsChild(theme, Point{100, 10.0 * i});
            add(map, map.nodes()[topic]);
            const std::string document = writeDocument(map);
            EXPECT_EQ(TwkxMindMapWriter::captureUndoState(map), document);
            EXPECT_EQ(document.find("containsImages") != std::string::npos, map.containsImages());
        }
    }
}

} // namespace
