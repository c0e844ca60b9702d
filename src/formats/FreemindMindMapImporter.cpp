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
        "a", "abbr", "b",     "big",  "cite",   "code",   "em",  "font", "i",  "kbd", "q",
        "s", "samp", "small", "span", "strike", "strong", "sub", "sup",  "tt", "u",   "var"};
    return std::any_of(Inline.begin(), Inline.end(),
                       [name](std::string_view candidate) { return asciiCaseInsensitiveEqual(name, candidate); });
}

// The first element child of the given name, in any case (HTML names are case-insensitive).
pugi::xml_node childElement(pugi::xml_node parent, std::string_view name)
{
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element && asciiCaseInsensitiveEqual(child.name(), name)) return child;
    }
    return pugi::xml_node();
}

} // namespace

bool FreemindMindMapImporter::isHtmlDocument(std::string_view text)
{
    text = trimmedWhitespaceAndNewlines(text);
    constexpr std::string_view Start = "<html";
    if (text.size() <= Start.size() || !asciiCaseInsensitiveEqual(text.substr(0, Start.size()), Start)) return false;
    const char next = text[Start.size()];
    return next == '>' || next == '/' || next == ' ' || next == '\t' || next == '\n' || next == '\r';
}

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
    if (!text) node->setText(UnnamedText);
    else if (isHtmlDocument(text.value())) node->setText(extractHtmlText(text.value()));
    else node->setText(text.value());
    for (pugi::xml_node richContent : element.children("richcontent")) handleRichContent(richContent, node);
    return node;
}

void FreemindMindMapImporter::handleRichContent(pugi::xml_node richContent, MindMapNode* node)
{
    const std::string_view type = richContent.attribute("TYPE").value();
    if (type == "NODE") node->setText(extractRichContent(richContent));
    else if (type == "NOTE") node->setNote(extractRichContent(richContent));
}

std::string FreemindMindMapImporter::extractRichContent(pugi::xml_node richContent)
{
    pugi::xml_node body = richContent.child("html").child("body");
    if (!body) return std::string();
    return joinedLines(body);
}

std::string FreemindMindMapImporter::extractHtmlText(std::string_view html) const
{
    // Such pages are HTML rather than XML ("<br>" is never closed): what the parser read up to
    // the first fault is taken, which for them is the whole page.
    pugi::xml_document page;
    page.load_buffer(html.data(), html.size(), xmlParseOptions() | pugi::parse_fragment, pugi::encoding_utf8);
    const pugi::xml_node root = childElement(page, "html");
    const pugi::xml_node body = childElement(root, "body");
    return joinedLines(body ? body : root);
}

std::string FreemindMindMapImporter::joinedLines(pugi::xml_node element)
{
    std::vector<std::string> lines;
    collectStrings(element, lines);
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
        for (pugi::xml_node child = parent.last_child(); child; child = child.previous_sibling())
            pending.push_back({child, false});
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
        // The trim and the blank kept between texts agree on what white space is, so that a
        // no-break space next to markup still parts two words.
        const std::string_view trimmed = trimmedWhitespaceAndNewlines(value);
        const bool spaceBefore = !value.empty() && (trimmed.empty() || trimmed.data() != value.data());
        const bool spaceAfter =
            !value.empty() && (trimmed.empty() || trimmed.data() + trimmed.size() != value.data() + value.size());
        std::string text;
        size_t start = 0;
        while (start <= value.size()) {
            const size_t end = std::min(value.find('\n', start), value.size());
            const std::string_view piece =
                trimmedWhitespaceAndNewlines(std::string_view(value).substr(start, end - start));
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
            if (!line.empty() && (blankPending || spaceBefore)) line += ' ';
            line += text;
            blankPending = false;
        }
        blankPending = blankPending || spaceAfter;
    }
    endLine();
}
