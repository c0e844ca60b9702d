// Whole documents are written as text directly, the clipboard's pieces as a pugixml tree: both
// must give the bytes pugixml prints for the tree.

#include "TwkxTestSupport.h"

#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "formats/XmlAttributeHelpers.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

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
    "a&b<c>d\"e'f\tg\x01h\r\ni", "  spaced  ",     "\xE2\x80\xA9para\xC2\x85nl\x0b\x0c",
    "bad\xC3(utf\xFF",           "back\\slash\\N", "",
    "x\x7f\xEF\xBF\xBEy",
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

} // namespace
