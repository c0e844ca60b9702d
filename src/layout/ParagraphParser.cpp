#include "layout/ParagraphParser.h"

#include "platform/Utf8.h"

namespace {

bool isLineBreak(char32_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// The first character of text (Invalid for a byte that begins no character), and where the next
// one starts.
char32_t characterAt(std::string_view text, size_t& pos)
{
    return pos < text.size() ? Utf8::decodeNext(text, pos) : Utf8::Invalid;
}

} // namespace

bool ParagraphParser::isWhiteSpace(char32_t c)
{
    return c == 0x09 || c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F ||
        c == 0x205F || c == 0x3000;
}

bool ParagraphParser::isWhiteSpaceOrLineBreak(char32_t c)
{
    return isWhiteSpace(c) || isLineBreak(c);
}

bool ParagraphParser::isEmptyLine(std::string_view line)
{
    for (size_t pos = 0; pos < line.size();) {
        if (!isWhiteSpaceOrLineBreak(Utf8::decodeNext(line, pos))) return false;
    }
    return true;
}

bool ParagraphParser::isUnorderedListStart(std::string_view line)
{
    if (line.empty() || (line[0] != '*' && line[0] != '+' && line[0] != '-')) return false;
    size_t pos = 1;
    return line.size() == 1 || isWhiteSpace(characterAt(line, pos));
}

bool ParagraphParser::isOrderedListStart(std::string_view line)
{
    size_t digits = 0;
    while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') ++digits;
    if (digits == 0 || digits >= line.size() || line[digits] != '.') return false;
    size_t pos = digits + 1;
    return pos == line.size() || isWhiteSpace(characterAt(line, pos));
}

ParagraphParser::LineType ParagraphParser::getLineType(std::string_view line) const
{
    if (isEmptyLine(line)) return EmptyLine;
    if (isUnorderedListStart(line)) return BulletItem;
    if (isOrderedListStart(line)) return NumberedItem;
    return TextLine;
}

std::vector<TextParagraph> ParagraphParser::splitParagraphs(const std::string& text)
{
    ParagraphParser parser;
    return parser.doSplitParagraphs(text);
}

std::vector<TextParagraph> ParagraphParser::doSplitParagraphs(const std::string& text)
{
    _paragraphs.clear();
    _currentParagraph.clear();
    _lfPrefix = false;
    _fixedFirstWord = false;

    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        std::string_view line(text.data() + start, (end == std::string::npos ? text.size() : end) - start);
        switch (getLineType(line)) {
        case BulletItem:
        case NumberedItem:
            flush();
            _currentParagraph.emplace_back(line);
            _fixedFirstWord = true;
            break;
        case TextLine:
            _currentParagraph.emplace_back(line);
            break;
        case EmptyLine:
            flush();
            _lfPrefix = true;
            break;
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    flush();
    return std::move(_paragraphs);
}

void ParagraphParser::flush()
{
    if (_currentParagraph.empty()) return;
    std::string text;
    for (const std::string& line : _currentParagraph) {
        if (!text.empty()) text += '\n';
        text += line;
    }
    TextParagraph paragraph(text);
    paragraph.setLfPrefix(_lfPrefix);
    paragraph.setFixedFirstWord(_fixedFirstWord);
    _paragraphs.push_back(std::move(paragraph));
    _currentParagraph.clear();
    _lfPrefix = false;
    _fixedFirstWord = false;
}
