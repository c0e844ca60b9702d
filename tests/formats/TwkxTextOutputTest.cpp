// Whole documents are written as text directly, the clipboard's pieces as a pugixml tree: both
// must give the bytes pugixml prints for the tree.

#include "TwkxTestSupport.h"

#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "formats/XmlAttributeHelpers.h"
#include "formats/XmlTextWriter.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <sstream>
#include <string>

using namespace twkxtest;

namespace {

// What pugixml prints for the tree (with no declaration of its own making).
std::string printed(const pugi::xml_document& document)
{
    std::ostringstream out;
    document.save(out, "  ", pugi::format_indent | pugi::format_no_declaration, pugi::encoding_utf8);
    return out.str();
}

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

// ---- The text writer on its own, against pugixml printing the same tree ----

TEST(XmlTextWriter, EscapesEveryByteAsPugixmlPrintsIt)
{
    std::string everyByte;
    for (int c = 1; c < 256; ++c) everyByte += static_cast<char>(c);

    pugi::xml_document document;
    pugi::xml_node root = document.append_child("root");
    root.append_attribute("all").set_value(everyByte.c_str());
    root.append_child("text").text().set(everyByte.c_str());
    root.append_child("empty-text").text().set("");
    root.append_child("empty");
    pugi::xml_node deeper = root.append_child("a").append_child("b");
    deeper.append_attribute("k").set_value("v");

    std::string text;
    {
        XmlTextWriter out(text);
        out.openElement("root");
        out.addAttribute("all", everyByte);
        out.openElement("text");
        out.setElementText(everyByte.substr(0, 0x7F));
        out.closeElement();
        out.openElement("empty-text");
        out.setElementText("");
        out.closeElement();
        out.openElement("empty");
        out.closeElement();
        out.openElement("a");
        out.openElement("b");
        out.addAttribute("k", "v");
        out.closeElement();
        out.closeElement();
        out.closeElement();
    }
    // Element text goes through xmlSafeText, which the tree's raw text does not: compare the
    // ASCII part, which it keeps apart from the dropped control characters.
    pugi::xml_document expected;
    expected.append_copy(root);
    std::string ascii;
    for (int c = 1; c < 0x80; ++c) {
        if (c >= 0x20 || c == '\t' || c == '\n' || c == '\r') ascii += static_cast<char>(c);
    }
    expected.child("root").child("text").text().set(ascii.c_str());
    EXPECT_EQ(text, printed(expected));
}

TEST(XmlTextWriter, TreesArePrintedInPlaceAtTheirDepth)
{
    auto fill = [](pugi::xml_node element) {
        addStringAttribute(element, "key", "value");
        pugi::xml_node style = element.append_child("style");
        addFloatAttribute(style, "width", 1.0 / 3.0);
        setColorNamed(style, Color::rgb255(1, 2, 3), "color");
    };
    pugi::xml_document document;
    pugi::xml_node holder = document.append_child("outer").append_child("inner");
    fill(holder);
    holder.append_child("after");

    std::string text;
    XmlTextWriter out(text);
    out.openElement("outer");
    out.openElement("inner");
    out.appendTree(fill);
    out.appendTree([](pugi::xml_node) {});
    out.openElement("after");
    out.closeElement();
    out.closeElement();
    out.closeElement();
    out.finish();
    EXPECT_EQ(text, printed(document));
    EXPECT_NE(text.find("width=\"0.33\""), std::string::npos);
}

TEST(XmlTextWriter, AppendsToTheTextItWasGiven)
{
    std::string text = "\xEF\xBB\xBF";
    {
        XmlTextWriter out(text);
        out.writeDeclaration("r");
        out.openElement("r");
        out.addIntAttribute("i", -42);
        out.addBoolAttribute("b", false);
        out.addStringAttribute("empty", "");
        out.addEscapedStringAttribute("line", "a\nb\\");
        out.addColorElement("none", std::nullopt);
        out.closeElement();
    }
    EXPECT_EQ(text, "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE r>\n"
                    "<r i=\"-42\" b=\"false\" line=\"a\\Nb\\\\\">\n  <none none=\"true\" />\n</r>\n");
}

} // namespace
