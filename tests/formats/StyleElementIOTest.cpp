#include "formats/StyleElementIO.h"

#include "TwkxTestSupport.h"

#include "MindMaps/MindMapStyle.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/TextStyle.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using twkxtest::outerXml;
using twkxtest::XmlFragment;

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
    XmlFragment d;
    writeNodeStyle(style, d.root, "style");
    writeTextStyle(text, d.root, "text");
    EXPECT_EQ(outerXml(d.root),
              R"(<root><style borderstyle="sbsEllipse"/>)"
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
    XmlFragment d;
    writeRelationStyle(style, d.root, "style");
    EXPECT_EQ(outerXml(d.root),
              R"(<root><style line-style="penAutoTapered" line-width="0.33" path-style="straight" )"
              R"(source-arrow="openArrow" target-arrow="none"><color r="1" g="2" b="3"/></style></root>)");
}

// ---- Reading ----

TEST(StyleElementReading, UnknownNamesAndColoursLeavePropertiesUnset)
{
    XmlFragment d(R"(<root><style line-style="penZigZag" path-style="" source-arrow="none" target-arrow="ARROW" )"
                  R"(line-width="-2"><color r="1"/></style></root>)");
    RelationStyle style;
    readRelationStyle(style, d.root, "style");
    EXPECT_EQ(style.customizedProps(), RelationStyle::SourceArrowMask);

    // A width too thin to survive being written with two decimals reads as none.
    XmlFragment thin(R"(<root><style line-width=".001"/></root>)");
    RelationStyle thinStyle;
    readRelationStyle(thinStyle, thin.root, "style");
    EXPECT_EQ(thinStyle.customizedProps(), 0u);
}

TEST(StyleElementReading, BorderWidthDefaultsToOneAndHostileValuesAreBounded)
{
    XmlFragment d(R"(<root><a borderwidth="wide"/><b borderwidth="1e308"/><c><font scale="1e308"/></c>)"
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

TEST(StyleElementReading, MapStyleReadingKeepsTheMapBitsAndDropsFonts)
{
    XmlFragment d(R"(<style><mindmap><backgroundcolor r="0" g="0" b="0"/></mindmap>)"
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

} // namespace
