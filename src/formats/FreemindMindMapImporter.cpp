#include "formats/FreemindMindMapImporter.h"

#include "MindMaps/MindMapNode.h"
#include "Utils/StringUtils.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

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

// Builds the plain lines of HTML content the way an HTML reader shows them: a block starts a new
// line, a text's source lines become one line with single blanks, and texts that meet inside a
// line keep one blank between them where either had white space at the meeting point.
class LineBuilder {
public:
    explicit LineBuilder(std::vector<std::string>& lines) : _lines(lines) {}

    void endBlock()
    {
        if (!_line.empty()) _lines.push_back(_line);
        _line.clear();
        _blankPending = false;
    }

    void addText(std::string_view source)
    {
        const std::string value = NormalizeNewlines(source);
        if (value.empty()) return;
        // The trim and the blank kept between texts agree on what white space is, so that a
        // no-break space next to markup still parts two words.
        const std::string_view trimmed = trimmedWhitespaceAndNewlines(value);
        const bool spaceBefore = trimmed.empty() || trimmed.data() != value.data();
        const bool spaceAfter = trimmed.empty() || trimmed.data() + trimmed.size() != value.data() + value.size();
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
        if (!text.empty()) {
            if (!_line.empty() && (_blankPending || spaceBefore)) _line += ' ';
            _line += text;
            _blankPending = false;
        }
        _blankPending = _blankPending || spaceAfter;
    }

private:
    std::vector<std::string>& _lines;
    std::string _line;
    bool _blankPending = false;
};

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        if (!text.empty()) text += '\n';
        text += line;
    }
    return text;
}

bool isNameCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == ':';
}

// The text with its character references decoded, once: "&amp;gt;" stays "&gt;". A reference
// that names no character is kept as it stands.
std::string decodedHtmlText(std::string_view text)
{
    static constexpr std::pair<std::string_view, char32_t> Named[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", 0xA0},
    };
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t amp = text.find('&', pos);
        out.append(text.substr(pos, amp == std::string_view::npos ? std::string_view::npos : amp - pos));
        if (amp == std::string_view::npos) break;
        const size_t semicolon = text.find(';', amp + 1);
        std::optional<char32_t> decoded;
        if (semicolon != std::string_view::npos && semicolon - amp <= 10) {
            const std::string_view name = text.substr(amp + 1, semicolon - amp - 1);
            if (name.size() > 1 && name[0] == '#') {
                const bool hex = name[1] == 'x' || name[1] == 'X';
                const std::string_view digits = name.substr(hex ? 2 : 1);
                uint32_t value = 0;
                const auto [end, failure] =
                    std::from_chars(digits.data(), digits.data() + digits.size(), value, hex ? 16 : 10);
                if (failure == std::errc() && end == digits.data() + digits.size() && !digits.empty() && value != 0 &&
                    value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF))
                    decoded = static_cast<char32_t>(value);
            } else {
                for (const auto& [candidate, character] : Named) {
                    if (name == candidate) decoded = character;
                }
            }
        }
        if (decoded) {
            Utf8::append(out, *decoded);
            pos = semicolon + 1;
        } else {
            out += '&';
            pos = amp + 1;
        }
    }
    return out;
}

// Elements whose content is never shown.
bool isHiddenElement(std::string_view name)
{
    for (std::string_view hidden : {"head", "script", "style", "title"}) {
        if (asciiCaseInsensitiveEqual(name, hidden)) return true;
    }
    return false;
}

// Reads an HTML page as a browser would show its text, without needing it to be well-formed:
// void elements ("br", "img") need no end tag, paragraphs may be left open, and whatever follows
// a fault is read all the same.
void collectHtmlLines(std::string_view html, std::vector<std::string>& lines)
{
    LineBuilder builder(lines);
    size_t pos = 0;
    while (pos < html.size()) {
        const size_t open = html.find('<', pos);
        const size_t textEnd = open == std::string_view::npos ? html.size() : open;
        if (textEnd > pos) builder.addText(decodedHtmlText(html.substr(pos, textEnd - pos)));
        if (open == std::string_view::npos) break;
        pos = open;
        const std::string_view rest = html.substr(pos);
        if (rest.starts_with("<!--")) {
            const size_t end = html.find("-->", pos + 4);
            pos = end == std::string_view::npos ? html.size() : end + 3;
            continue;
        }
        if (rest.starts_with("<![CDATA[")) {
            const size_t end = html.find("]]>", pos + 9);
            builder.addText(html.substr(pos + 9, (end == std::string_view::npos ? html.size() : end) - pos - 9));
            pos = end == std::string_view::npos ? html.size() : end + 3;
            continue;
        }
        const bool closing = rest.size() > 1 && rest[1] == '/';
        const size_t nameStart = pos + (closing ? 2 : 1);
        size_t nameEnd = nameStart;
        while (nameEnd < html.size() && isNameCharacter(html[nameEnd])) ++nameEnd;
        const bool declaration = rest.starts_with("<!") || rest.starts_with("<?");
        if (nameEnd == nameStart && !declaration) {
            // A "<" that opens no tag is text.
            builder.addText("<");
            ++pos;
            continue;
        }
        // The tag ends at the first ">" outside a quoted attribute value.
        size_t end = nameEnd;
        char quote = 0;
        for (; end < html.size(); ++end) {
            const char c = html[end];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                break;
            }
        }
        const std::string_view name = html.substr(nameStart, nameEnd - nameStart);
        const bool selfClosing = end < html.size() && end > nameEnd && html[end - 1] == '/';
        pos = end == html.size() ? end : end + 1;
        if (declaration) continue;
        if (!closing && !selfClosing && isHiddenElement(name)) {
            // Skipped up to its own end tag, or to the end of the page.
            size_t search = pos;
            size_t skipTo = html.size();
            while (search < html.size()) {
                const size_t candidate = html.find("</", search);
                if (candidate == std::string_view::npos) break;
                const std::string_view endName = html.substr(candidate + 2, name.size());
                if (asciiCaseInsensitiveEqual(endName, name) &&
                    (candidate + 2 + name.size() >= html.size() ||
                     !isNameCharacter(html[candidate + 2 + name.size()]))) {
                    const size_t close = html.find('>', candidate);
                    skipTo = close == std::string_view::npos ? html.size() : close + 1;
                    break;
                }
                search = candidate + 2;
            }
            pos = skipTo;
            builder.endBlock();
            continue;
        }
        if (!isInlineElement(name)) builder.endBlock();
    }
    builder.endBlock();
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
    return readNodeElements(root, nullptr);
}

unsigned FreemindMindMapImporter::xmlParseOptions() const
{
    return CustomMindMapImporter::xmlParseOptions() | pugi::parse_ws_pcdata;
}

MindMapNode* FreemindMindMapImporter::handleNodeElement(pugi::xml_node element, MindMapNode* parentNode)
{
    MindMapNode* node = addTopic(parentNode);
    pugi::xml_attribute text = element.attribute("TEXT");
    if (!text) setTopicText(node, UnnamedText);
    else if (isHtmlDocument(text.value())) setTopicText(node, extractHtmlText(text.value()));
    else setTopicText(node, text.value());
    for (pugi::xml_node richContent : element.children("richcontent")) handleRichContent(richContent, node);
    return node;
}

void FreemindMindMapImporter::handleRichContent(pugi::xml_node richContent, MindMapNode* node)
{
    const std::string_view type = richContent.attribute("TYPE").value();
    if (type == "NODE") setTopicText(node, extractRichContent(richContent));
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
    // Such pages are HTML rather than XML ("<br>" is never closed, a paragraph may be left open):
    // they are read as HTML, so that nothing after the first such place is lost.
    std::vector<std::string> lines;
    collectHtmlLines(html, lines);
    return joined(lines);
}

std::string FreemindMindMapImporter::joinedLines(pugi::xml_node element)
{
    std::vector<std::string> lines;
    collectStrings(element, lines);
    return joined(lines);
}

void FreemindMindMapImporter::collectStrings(pugi::xml_node element, std::vector<std::string>& lines)
{
    LineBuilder builder(lines);
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
            builder.endBlock();
            continue;
        }
        if (node.type() == pugi::node_element) {
            if (!isInlineElement(node.name())) {
                builder.endBlock();
                pending.push_back({node, true});
            }
            addChildren(node);
            continue;
        }
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) builder.addText(node.value());
    }
    builder.endBlock();
}
