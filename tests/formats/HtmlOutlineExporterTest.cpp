#include "FilerTestSupport.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "formats/MindMapConverter.h"
#include "platform/Localizer.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <string>

using namespace filertest;

namespace {

class HtmlOutline : public ::testing::Test {
protected:
    pugi::xml_node exported(bool selectionOnly)
    {
        text = withoutBom(MindMapConverter::exportToHtmlOutline(map, selectionOnly));
        EXPECT_TRUE(document.load_string(text.c_str())) << text;
        return document.child("html");
    }
    // The item's own texts, elements as "<name>", in order.
    static std::string contentOf(pugi::xml_node item)
    {
        std::string content;
        for (pugi::xml_node child : item.children()) {
            if (child.type() == pugi::node_pcdata) content += child.value();
            else content += "<" + std::string(child.name()) + ">";
        }
        return content;
    }

    MindMap map;
    std::string text;
    pugi::xml_document document;
};

TEST_F(HtmlOutline, ListsTopicsWithUrlLinksAndNotes)
{
    const auto nodes = buildMap(map, "Theme\n  Web | a note/second line\n    Deep\n  Local map\n");
    nodes[1]->linkToURL("https://example.org/?a=1&b=2");
    nodes[3]->linkToLocalMap("0123456789ABCDEF01234567", "", false);
    pugi::xml_node html = exported(false);
    EXPECT_EQ(html.child("head").child("title").text().as_string(), map.title());
    pugi::xml_node theme = html.child("body").child("ol").child("li");
    EXPECT_EQ(contentOf(theme), "Theme<ol>");
    pugi::xml_node web = theme.child("ol").child("li");
    EXPECT_EQ(contentOf(web), "Web<br>" + localized("html_outline_link") + " <a><p><ol>");
    EXPECT_STREQ(web.child("a").attribute("href").value(), "https://example.org/?a=1&b=2");
    EXPECT_STREQ(web.child("a").text().as_string(), "https://example.org/?a=1&b=2");
    EXPECT_EQ(contentOf(web.child("p")), "a note<br>second line");
    EXPECT_EQ(contentOf(web.child("ol").child("li")), "Deep");
    EXPECT_EQ(contentOf(web.next_sibling("li")), "Local map");
}

// "<ol/>" or "<title/>" would open an element that HTML readers never see closed.
TEST_F(HtmlOutline, EmptyElementsKeepTheirEndTags)
{
    map.newMindMap("", false, std::nullopt);
    const pugi::xml_node html = exported(false);
    EXPECT_FALSE(html.child("body").child("ol").child("li"));
    EXPECT_NE(text.find("<ol></ol>"), std::string::npos) << text;
    EXPECT_EQ(text.find("/>", text.find("<body")), std::string::npos) << text;
}

} // namespace
