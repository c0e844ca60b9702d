#include "formats/FreemindMindMapImporter.h"

#include "MindMaps/MindMapNode.h"
#include "Utils/StringUtils.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace {

// The HTML elements that format text inside a line; every other element is a block of its own.
bool isInlineElement(std::string_view name)
{
    static constexpr std::array<std::string_view, 22> Inline = {
        "a", "abbr", "b", "big", "cite", "code", "em", "font", "i", "kbd", "q", "s",
        "samp", "small", "span", "strike", "strong", "sub", "sup", "tt", "u", "var"};
    return std::any_of(Inline.begin(), Inline.end(),
                       [name](std::string_view candidate) { return asciiCaseInsensitiveEqual(name, candidate); });
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

} // namespace

bool FreemindMindMapImporter::handleRootElement(pugi::xml_node root)
{
    if (!root || std::strcmp(root.name(), "map") != 0) return false;
    readNodeElements(root, nullptr);
    return true;
}

unsigned FreemindMindMapImporter::xmlParseOptions() const
{
    return CustomMindMapImporter::xmlParseOptions() | pugi::parse_ws_pcdata;
}

MindMapNode* FreemindMindMapImporter::handleNodeElement(pugi::xml_node element, MindMapNode* parentNode)
{
    MindMapNode* node = addTopic(parentNode);
    pugi::xml_attribute text = element.attribute("TEXT");
    node->setText(text ? text.value() : UnnamedText);
    for (pugi::xml_node richContent : element.children("richcontent")) handleRichContent(richContent, node);
    return node;
}

void FreemindMindMapImporter::handleRichContent(pugi::xml_node richContent, MindMapNode* node)
{
    const std::string_view type = richContent.attribute("TYPE").value();
    if (type == "NODE")
        node->setText(extractRichContent(richContent));
    else if (type == "NOTE")
        node->setNote(extractRichContent(richContent));
}

std::string FreemindMindMapImporter::extractRichContent(pugi::xml_node richContent)
{
    pugi::xml_node body = richContent.child("html").child("body");
    if (!body) return std::string();
    std::vector<std::string> lines;
    collectStrings(body, lines);
    std::string text;
    for (const std::string& line : lines) {
        if (!text.empty()) text += '\n';
        text += line;
    }
    return text;
}

void FreemindMindMapImporter::collectStrings(pugi::xml_node element, std::vector<std::string>& lines)
{
    std::string line;
    bool blankPending = false;
    auto endLine = [&] {
        if (!line.empty()) lines.push_back(line);
        line.clear();
        blankPending = false;
    };
    // Each element is visited twice: on the way in, and (for a block) once more on the way out.
    struct Visit {
        pugi::xml_node node;
        bool leaving;
    };
    std::vector<Visit> pending;
    auto addChildren = [&](pugi::xml_node parent) {
        for (pugi::xml_node child = parent.last_child(); child; child = child.previous_sibling()) pending.push_back({child, false});
    };
    addChildren(element);
    while (!pending.empty()) {
        const Visit visit = pending.back();
        pending.pop_back();
        pugi::xml_node node = visit.node;
        if (visit.leaving) {
            endLine();
            continue;
        }
        if (node.type() == pugi::node_element) {
            if (!isInlineElement(node.name())) {
                endLine();
                pending.push_back({node, true});
            }
            addChildren(node);
            continue;
        }
        if (node.type() != pugi::node_pcdata && node.type() != pugi::node_cdata) continue;
        // The text's own source lines, each trimmed, joined by blanks; blanks inside a line stay.
        const std::string value = NormalizeNewlines(node.value());
        std::string text;
        size_t start = 0;
        while (start <= value.size()) {
            const size_t end = std::min(value.find('\n', start), value.size());
            const std::string_view piece = trimmedWhitespaceAndNewlines(std::string_view(value).substr(start, end - start));
            if (!piece.empty()) {
                if (!text.empty()) text += ' ';
                text += piece;
            }
            start = end + 1;
        }
        if (value.empty()) continue;
        // Texts that meet inside a line keep one blank between them where either had white
        // space at the meeting point.
        if (!text.empty()) {
            if (!line.empty() && (blankPending || isSpace(value.front()))) line += ' ';
            line += text;
            blankPending = false;
        }
        blankPending = blankPending || isSpace(value.back());
    }
    endLine();
}
