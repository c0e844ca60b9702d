#pragma once

#include "formats/CustomMindMapImporter.h"

#include <string>
#include <string_view>
#include <vector>

// The FreeMind map format of any version: the "node" elements under "map" become topics, with
// "TEXT" as their text ("unnamed" when missing; read as a rich content's HTML when older programs
// put a whole HTML page there). A "richcontent" of type "NODE" replaces that text and one of
// type "NOTE" gives the note, both read from the HTML they hold as plain lines.
// Icons, clouds, edges, fonts, arrow links, attributes, hooks and the like are skipped.
class FreemindMindMapImporter : public CustomMindMapImporter {
public:
    using CustomMindMapImporter::CustomMindMapImporter;

    static constexpr const char* UnnamedText = "unnamed";

    // The text of a rich content element: the text of its "html" > "body" as plain lines, read
    // the way an HTML reader shows it. Every block (a paragraph, a list item, a "br", any element
    // that is not inline formatting) starts a new line. A text's source line breaks and the
    // white space around them become one blank, blanks inside a source line stay, and empty
    // lines are left out. Inline formatting ("b", "i", "font", "a" ...) stays inside its line:
    // "Call <b>Bob</b> now" is one line, not three. Empty without "html" > "body".
    static std::string extractRichContent(pugi::xml_node richContent);
    // Whether a "TEXT" holds an HTML page, as older programs wrote it: "<html" first, followed by
    // the end of the tag or by its attributes.
    static bool isHtmlDocument(std::string_view text);

protected:
    // false without a root element or when it is not "map".
    bool handleRootElement(pugi::xml_node root) override;
    MindMapNode* handleNodeElement(pugi::xml_node element, MindMapNode* parentNode) override;
    const char* nodeElementName() const override { return "node"; }
    // White space between inline elements of rich content separates words.
    unsigned xmlParseOptions() const override;

    void handleRichContent(pugi::xml_node richContent, MindMapNode* node);
    // The text of an HTML page held in "TEXT", read as rich content is; the page need not be
    // well-formed XML.
    std::string extractHtmlText(std::string_view html) const;
    // The lines of the element's content joined by line feeds.
    static std::string joinedLines(pugi::xml_node element);
    // The lines of the element's content in document order, walked without recursion.
    static void collectStrings(pugi::xml_node element, std::vector<std::string>& lines);
};
