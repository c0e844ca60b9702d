#include "formats/XmlFirstElement.h"

#include "platform/Utf8.h"

#include <string_view>

namespace {

constexpr char32_t End = 0xFFFFFFFF;

// Characters of the document one at a time. Eight-bit data is read byte by byte: the names that
// matter are ASCII, and a declared single-byte encoding must not make the prologue unreadable.
class CharacterSource {
public:
    explicit CharacterSource(std::span<const uint8_t> data) : _data(data)
    {
        if (starts({0xEF, 0xBB, 0xBF})) {
            _pos = 3;
        } else if (starts({0xFF, 0xFE})) {
            _unitSize = 2;
            _littleEndian = true;
            _pos = 2;
        } else if (starts({0xFE, 0xFF})) {
            _unitSize = 2;
            _pos = 2;
        } else if (starts({'<', 0})) {
            _unitSize = 2;
            _littleEndian = true;
        } else if (starts({0, '<'})) {
            _unitSize = 2;
        }
    }

    char32_t peek(size_t ahead = 0) const
    {
        const size_t pos = _pos + ahead * _unitSize;
        if (pos + _unitSize > _data.size()) return End;
        if (_unitSize == 1) return _data[pos];
        return _littleEndian ? char32_t(_data[pos] | (_data[pos + 1] << 8))
                             : char32_t((_data[pos] << 8) | _data[pos + 1]);
    }

    char32_t next()
    {
        const char32_t c = peek();
        if (c != End) _pos += _unitSize;
        return c;
    }

    bool atEnd() const { return peek() == End; }

    // Consumes the text when the input continues with it.
    bool skip(std::string_view text)
    {
        for (size_t i = 0; i < text.size(); ++i) {
            if (peek(i) != static_cast<unsigned char>(text[i])) return false;
        }
        _pos += text.size() * _unitSize;
        return true;
    }

    // Consumes everything up to and including the terminator; false when the input ends first.
    bool skipPast(std::string_view terminator)
    {
        while (!atEnd()) {
            if (skip(terminator)) return true;
            next();
        }
        return false;
    }

    bool isWide() const { return _unitSize == 2; }

private:
    bool starts(std::initializer_list<uint8_t> bytes) const
    {
        if (_data.size() < bytes.size()) return false;
        size_t i = 0;
        for (uint8_t b : bytes) {
            if (_data[i++] != b) return false;
        }
        return true;
    }

    std::span<const uint8_t> _data;
    size_t _pos = 0;
    size_t _unitSize = 1;
    bool _littleEndian = false;
};

bool isSpace(char32_t c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameStart(char32_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || (c >= 0x80 && c != End);
}

bool isNameCharacter(char32_t c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

void skipSpaces(CharacterSource& in)
{
    while (isSpace(in.peek())) in.next();
}

// Reads a name; in UTF-16 surrogate pairs are joined, in eight-bit data the bytes are kept.
std::string readName(CharacterSource& in)
{
    std::string name;
    while (isNameCharacter(in.peek())) {
        char32_t c = in.next();
        if (in.isWide() && c >= 0xD800 && c <= 0xDBFF) {
            const char32_t low = in.peek();
            if (low >= 0xDC00 && low <= 0xDFFF) {
                in.next();
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            }
        }
        if (in.isWide()) Utf8::append(name, c);
        else name.push_back(static_cast<char>(c));
    }
    return name;
}

bool skipQuoted(CharacterSource& in)
{
    const char32_t quote = in.next();
    if (quote != '"' && quote != '\'') return false;
    for (;;) {
        const char32_t c = in.next();
        if (c == End) return false;
        if (c == quote) return true;
    }
}

// After "<!DOCTYPE": the rest of the declaration, its internal subset included.
bool skipDocumentType(CharacterSource& in)
{
    if (!isSpace(in.peek())) return false;
    bool inSubset = false;
    for (;;) {
        const char32_t c = in.peek();
        if (c == End) return false;
        if (c == '"' || c == '\'') {
            if (!skipQuoted(in)) return false;
        } else if (inSubset && in.skip("<!--")) {
            if (!in.skipPast("-->")) return false;
        } else if (inSubset && in.skip("<?")) {
            if (!in.skipPast("?>")) return false;
        } else if (c == '[' && !inSubset) {
            in.next();
            inSubset = true;
        } else if (c == ']' && inSubset) {
            in.next();
            inSubset = false;
        } else if (c == '>' && !inSubset) {
            in.next();
            return true;
        } else {
            in.next();
        }
    }
}

// After the element's name: attributes, then ">" or "/>".
bool skipAttributes(CharacterSource& in)
{
    for (;;) {
        const bool spaced = isSpace(in.peek());
        skipSpaces(in);
        if (in.skip(">") || in.skip("/>")) return true;
        if (!spaced || !isNameStart(in.peek())) return false;
        readName(in);
        skipSpaces(in);
        if (!in.skip("=")) return false;
        skipSpaces(in);
        const char32_t quote = in.next();
        if (quote != '"' && quote != '\'') return false;
        for (;;) {
            const char32_t c = in.next();
            if (c == End || c == '<') return false;
            if (c == quote) break;
        }
    }
}

bool isXmlDeclarationTarget(std::string_view target)
{
    return target.size() == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' && (target[2] | 0x20) == 'l';
}

} // namespace

std::optional<std::string> firstXmlElementName(std::span<const uint8_t> data)
{
    CharacterSource in(data);

    if (in.skip("<?xml")) {
        if (!isSpace(in.peek()) || !in.skipPast("?>")) return std::nullopt;
    }

    bool sawDocumentType = false;
    for (;;) {
        skipSpaces(in);
        if (!in.skip("<")) return std::nullopt;
        if (in.skip("?")) {
            const std::string target = readName(in);
            if (target.empty() || isXmlDeclarationTarget(target)) return std::nullopt;
            if (!in.skipPast("?>")) return std::nullopt;
        } else if (in.skip("!--")) {
            if (!in.skipPast("-->")) return std::nullopt;
        } else if (in.skip("!DOCTYPE")) {
            if (sawDocumentType || !skipDocumentType(in)) return std::nullopt;
            sawDocumentType = true;
        } else if (isNameStart(in.peek())) {
            std::string name = readName(in);
            if (!skipAttributes(in)) return std::nullopt;
            return name;
        } else {
            return std::nullopt;
        }
    }
}
