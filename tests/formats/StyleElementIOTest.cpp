#include "formats/StyleElementIO.h"

#include "MindMaps/ElementStyleListener.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/TextStyle.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct CountingListener : ElementStyleListener {
    int reports = 0;
    void styleChanged(ElementStyle*) override { ++reports; }
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

struct Document {
    explicit Document(const std::string& xml = "<root/>")
    {
        document.load_string(xml.c_str());
        root = document.document_element();
    }
    pugi::xml_document document;
    pugi::xml_node root;
};

// ---- Writing ----

TEST(StyleElementWriting, OnlyCustomisedPropertiesAreWritten)
{
    NodeStyle style;
    style.setBorderStyle(3);
    style.setAlignment(1);
    style.setPropCustomized(NodeStyle::BorderStyleMask, true);
    TextStyle text; // a font scale of one writes no scale
    text.setFontStyle(2 | 8);
    text.setFontScale(1.0);
    text.setPropCustomized(TextStyle::FontMask, true);
    Document d;
    writeNodeStyle(style, d.root, "style");
    writeTextStyle(text, d.root, "text");
    EXPECT_EQ(outerXml(d.root), R"(<root><style borderstyle="sbsEllipse"/>)"
                                R"(<text><font italic="true" underline="true"/></text></root>)");
}

TEST(StyleElementWriting, RelationStyleAttributesInOrder)
{
    RelationStyle style;
    style.setLineStyle(9);
    style.setLineWidth(1.0 / 3.0);
    style.setRelationPathStyle(2);
    style.setSourceArrowStyle(3);
    style.setTargetArrowStyle(0);
    style.setColor(Color::rgb255(1, 2, 3, 0.25));
    style.setCustomizedProps(63);
    Document d;
    writeRelationStyle(style, d.root, "style");
    EXPECT_EQ(outerXml(d.root),
              R"(<root><style line-style="penAutoTapered" line-width="0.33" path-style="straight" )"
              R"(source-arrow="openArrow" target-arrow="none"><color r="1" g="2" b="3"/></style></root>)");
}

TEST(StyleElementWriting, MapStyleContent)
{
    MindMapStyle style;
    style.setConnectionStyle(2);
    style.setCheckboxColor(Color::rgb255(0, 128, 255));
    style.setCustomizedProps(MindMapStyle::ConnectionStyleMask | MindMapStyle::CheckboxColorMask);
    style.parentRelationStyle()->setLineStyle(3);
    style.parentRelationStyle()->setPropCustomized(RelationStyle::LineStyleMask, true);
    style.textStyle()->setAlignment(2);
    style.textStyle()->setPropCustomized(TextStyle::AlignmentMask, true);
    Document d;
    writeMindMapStyle(style, d.root);
    EXPECT_EQ(outerXml(d.root),
              R"(<root><mindmap connection-style="left-right" natural-paths="false">)"
              R"(<checkbox-color r="0" g="128" b="255"/></mindmap>)"
              R"(<relations><hierarchical-relations line-style="penSolidThin"/></relations>)"
              R"(<texts align="right"/></root>)");
}

// ---- Reading ----

TEST(StyleElementReading, ReadersClearEveryBitEvenWithoutTheElement)
{
    NodeStyle node;
    node.setCustomizedProps(0xFF);
    TextStyle text;
    text.setCustomizedProps(0x1F);
    RelationStyle relation;
    relation.setCustomizedProps(0x3F);
    Document d;
    EXPECT_FALSE(readNodeStyle(node, d.root, "style"));
    EXPECT_FALSE(readTextStyle(text, d.root, "style"));
    readRelationStyle(relation, d.root, "style");
    EXPECT_EQ(node.customizedProps(), 0u);
    EXPECT_EQ(text.customizedProps(), 0u);
    EXPECT_EQ(relation.customizedProps(), 0u);
    EXPECT_FALSE(readNodeStyle(node, pugi::xml_node(), "style"));
}

TEST(StyleElementReading, EachReaderReportsOnce)
{
    Document d(R"(<root><style align="left" callout="line" borderstyle="sbsNone" borderwidth="2">)"
               R"(<fillcolor r="1" g="1" b="1"/><strokecolor none="true"/><font bold="true"/></style></root>)");
    NodeStyle style;
    CountingListener listener;
    style.setListener(&listener);
    EXPECT_TRUE(readNodeStyle(style, d.root, "style"));
    EXPECT_EQ(listener.reports, 1);
    EXPECT_EQ(style.customizedProps(), TextStyle::AlignmentMask | TextStyle::CallOutMask | NodeStyle::BorderStyleMask |
                                           NodeStyle::BorderWidthMask | TextStyle::FillColorMask |
                                           NodeStyle::StrokeColorMask | TextStyle::FontMask);
    EXPECT_EQ(style.borderStyle(), 7);
    EXPECT_TRUE(style.strokeColor()->isNormalizedClearColor());
    style.setListener(nullptr);
}

TEST(StyleElementReading, UnknownNamesAndColoursLeavePropertiesUnset)
{
    Document d(R"(<root><style line-style="penZigZag" path-style="" source-arrow="none" target-arrow="ARROW" )"
               R"(line-width="-2"><color r="1"/></style></root>)");
    RelationStyle style;
    readRelationStyle(style, d.root, "style");
    EXPECT_EQ(style.customizedProps(), RelationStyle::SourceArrowMask);
}

TEST(StyleElementReading, BorderWidthDefaultsToOneAndHostileValuesAreBounded)
{
    Document d(R"(<root><a borderwidth="wide"/><b borderwidth="1e308"/><c><font scale="1e308"/></c>)"
               R"(<d><font scale="-4"/></d></root>)");
    NodeStyle a;
    readNodeStyle(a, d.root, "a");
    EXPECT_TRUE(a.isPropCustomized(NodeStyle::BorderWidthMask));
    EXPECT_DOUBLE_EQ(a.borderWidth(), 1.0);
    NodeStyle b;
    readNodeStyle(b, d.root, "b");
    EXPECT_LE(b.borderWidth(), 1000.0);
    TextStyle c;
    readTextStyle(c, d.root, "c");
    EXPECT_LE(c.fontScale(), 100.0);
    TextStyle e;
    readTextStyle(e, d.root, "d");
    EXPECT_GE(e.fontScale(), 0.0);
}

TEST(StyleElementReading, ConnectionStyleAndTheOlderNaturalPaths)
{
    MindMapStyle named;
    Document a(R"(<mindmap connection-style="Baseline" natural-paths="false"/>)");
    readMapStyleAttributes(a.root, named);
    EXPECT_TRUE(named.isPropCustomized(MindMapStyle::ConnectionStyleMask));
    EXPECT_EQ(named.connectionStyle(), 1);

    MindMapStyle older;
    Document b(R"(<mindmap natural-paths="TRUE"/>)");
    readMapStyleAttributes(b.root, older);
    EXPECT_TRUE(older.isPropCustomized(MindMapStyle::ConnectionStyleMask));
    EXPECT_EQ(older.connectionStyle(), 1);

    // An unknown name sets nothing, and the older attribute is then not looked at.
    MindMapStyle unknown;
    Document c(R"(<mindmap connection-style="wavy" natural-paths="true"/>)");
    readMapStyleAttributes(c.root, unknown);
    EXPECT_FALSE(unknown.isPropCustomized(MindMapStyle::ConnectionStyleMask));
}

TEST(StyleElementReading, MapStyleReadingKeepsTheMapBitsAndDropsFonts)
{
    Document d(R"(<style><mindmap><backgroundcolor r="0" g="0" b="0"/></mindmap>)"
               R"(<topics borderstyle="sbsDiamond"><font bold="true" scale="2"/></topics>)"
               R"(<texts><font italic="true"/></texts></style>)");
    MindMapStyle style;
    style.setCustomizedProps(MindMapStyle::CheckboxColorMask);
    style.crossLinkStyle()->setCustomizedProps(RelationStyle::ColorMask);
    readMindMapStyle(style, d.root);
    EXPECT_EQ(style.customizedProps(), MindMapStyle::CheckboxColorMask | MindMapStyle::BackgroundColorMask);
    EXPECT_EQ(style.nodeStyle()->customizedProps(), NodeStyle::BorderStyleMask);
    EXPECT_EQ(style.textStyle()->customizedProps(), 0u);
    // No "relations": the relation styles carry nothing of their own.
    EXPECT_EQ(style.crossLinkStyle()->customizedProps(), 0u);
    EXPECT_EQ(style.parentRelationStyle()->customizedProps(), 0u);
}

// ---- Both ways ----

TEST(StyleElementRoundTrip, EveryPropertyComesBack)
{
    NodeStyle node;
    node.setFillColor(Color::rgb255(10, 20, 30));
    node.setTextColor(Color::normalizedClearColor());
    node.setAlignment(2);
    node.setCallOut(2);
    node.setFontStyle(15);
    node.setFontScale(0.75);
    node.setStrokeColor(Color::rgb255(255, 0, 0));
    node.setBorderStyle(5);
    node.setBorderWidth(4.5);
    node.setCustomizedProps(0xFF);
    RelationStyle relation;
    relation.setLineStyle(6);
    relation.setLineWidth(3);
    relation.setRelationPathStyle(1);
    relation.setSourceArrowStyle(7);
    relation.setTargetArrowStyle(2);
    relation.setColor(Color::rgb255(0, 0, 0));
    relation.setCustomizedProps(0x3F);

    Document d;
    writeNodeStyle(node, d.root, "node");
    writeRelationStyle(relation, d.root, "relation");
    NodeStyle nodeRead;
    RelationStyle relationRead;
    EXPECT_TRUE(readNodeStyle(nodeRead, d.root, "node"));
    readRelationStyle(relationRead, d.root, "relation");
    EXPECT_TRUE(nodeRead.equals(&node));
    EXPECT_TRUE(relationRead.equals(&relation));
}

} // namespace
