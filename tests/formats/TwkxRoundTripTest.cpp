#include "TwkxTestSupport.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMapNode.h"

#include <gtest/gtest.h>

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

// Cross links name their ends by index, looked up in the list of topics written; however many
// there are, each reads back between the same two topics.
TEST(TwkxRoundTrip, CrossLinksKeepTheirEndsHoweverManyThereAre)
{
    for (size_t count : {1u, 15u, 16u, 17u, 60u}) {
        SCOPED_TRACE(count);
        MindMap original;
        original.newMindMap("", true, std::string("Theme"));
        std::vector<MindMapNode*> topics{original.mainCentralTheme()};
        for (size_t i = 1; i < 25; ++i) {
            MindMapNode* topic = original.addMindMapNodeAsChild(topics[(i - 1) / 3], Point{});
            topic->setText("T" + std::to_string(i));
            topics.push_back(topic);
        }
        std::vector<std::pair<std::string, std::string>> ends;
        for (size_t i = 0; i < count; ++i) {
            MindMapNode* source = topics[(i * 7 + 3) % topics.size()];
            MindMapNode* target = topics[(i * 11 + 1) % topics.size()];
            // A link along a parent line is no cross link the reader keeps.
            if (source == target || source->parent() == target || target->parent() == source ||
                original.containsCrossLinkBetween(source, target))
                continue;
            original.internalAddCrossLinkFromSource(source, target);
            ends.emplace_back(source->text(), target->text());
        }
        MindMap loaded;
        ASSERT_TRUE(loadDocument(loaded, writeDocument(original)));
        std::vector<std::pair<std::string, std::string>> loadedEnds;
        for (const CrossLink* link : loaded.crossLinks())
            loadedEnds.emplace_back(link->sourceNode()->text(), link->targetNode()->text());
        EXPECT_EQ(loadedEnds, ends);
    }
}

} // namespace
