#include "TwkxTestSupport.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace twkxtest;

namespace {

TEST(TwkxRoundTrip, EveryElementAndAttributeGivesTheSameDocument)
{
    MindMap original;
    buildFullMap(original);
    // Loading lays out the strict branches; the document written is that of a laid-out map.
    original.validateElementStates();
    const std::string first = writeDocument(original);
    // The map does use every element and attribute of the grammar.
    for (const char* item : {"<guid guid=",
                             "<title text=",
                             "customized=",
                             "<images containsImages=",
                             "<style key=",
                             "<mindmap connection-style=",
                             "natural-paths=",
                             "<backgroundcolor ",
                             "<checkbox-color ",
                             "<topics ",
                             "<relations>",
                             "<cross-links ",
                             "<hierarchical-relations ",
                             "<texts ",
                             "<auto-numbering style=",
                             "<scrollstate zoom=",
                             "<selection ",
                             "<main-centraltheme id=",
                             "guid=",
                             "layout=",
                             "layout-direction=",
                             "palette=",
                             "colorinfo=",
                             "<fillcolor ",
                             "<strokecolor ",
                             "<textcolor ",
                             "<hull visible=",
                             "icon=",
                             "<embedded-image name=",
                             "collapsed=",
                             "outline-collapsed=",
                             "hidden=",
                             "checkbox-mode=",
                             "progress=",
                             "checkbox=",
                             "checked=",
                             "date=",
                             "<parent-relation ",
                             "<path>",
                             "<custom-point ",
                             "diagramref=",
                             "element=",
                             "ishotlink=",
                             "urllink=",
                             "cloudmapref=",
                             "native=",
                             "clouddocref=",
                             "phone-contact=",
                             "email-contact=",
                             "thumbnail=",
                             "<voice-memo link=",
                             "<children>",
                             "<images>",
                             "<image ",
                             "angle=",
                             "scale=",
                             "<text ",
                             "<note>",
                             "align=",
                             "callout=",
                             "<font ",
                             "bold=",
                             "italic=",
                             "strikethrough=",
                             "underline=",
                             "borderstyle=",
                             "borderwidth=",
                             "line-style=",
                             "line-width=",
                             "path-style=",
                             "source-arrow=",
                             "target-arrow=",
                             "<color ",
                             "<relation ",
                             "source=",
                             "target="}) {
        EXPECT_NE(first.find(item), std::string::npos) << item;
    }

    MindMap copy;
    Error error;
    ASSERT_TRUE(loadDocument(copy, first, &error)) << error.localizedDescription;
    const std::string second = writeDocument(copy);
    EXPECT_EQ(first, second);
}

} // namespace

namespace {

// Seeds for the reader's fuzz target: our own documents, written into the folder named by
// TARNWICK_TWKX_SEED_DIR when it is set (the fuzz script's corpus folder).
TEST(TwkxRoundTrip, WritesFuzzSeedsWhenAsked)
{
    const char* folder = std::getenv("TARNWICK_TWKX_SEED_DIR");
    if (!folder || !*folder) GTEST_SKIP() << "TARNWICK_TWKX_SEED_DIR is not set";
    MindMap full;
    buildFullMap(full);
    writeTestFile(std::string(folder) + "/full-map.xml", writeDocument(full));
    MindMap small;
    small.newMindMap("", true, std::string("Theme"));
    writeTestFile(std::string(folder) + "/small-map.xml", writeDocument(small));
    MindMap empty;
    empty.newMindMap("", false, std::nullopt);
    writeTestFile(std::string(folder) + "/empty-map.xml", writeDocument(empty));
}

} // namespace
