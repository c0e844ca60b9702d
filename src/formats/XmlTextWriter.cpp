#include "formats/XmlTextWriter.h"

#include "formats/XmlAttributeHelpers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

namespace {

constexpr const char* Indent = "  ";
constexpr size_t IndentWidth = 2;
// Room made at least each time the text runs out of it.
constexpr size_t MinimumRoom = 64 * 1024;
// How much text a writer with a drain gathers before handing it on.
constexpr size_t DrainSize = 256 * 1024;

// Kinds of bytes, as bits: what pugixml escapes in attribute values (& < " and every control
// character) and in element text (& < > and the control characters other than tab, line feed and
// carriage return), and which bytes need neither escaping nor any change by xmlSafeText or
// EscapeXmlText (printable ASCII without the escaped ones and the backslash; in text also tab,
// line feed and carriage return).
enum ByteKind : uint8_t {
    EscapeInAttribute = 1,
    EscapeInText = 2,
    PlainInAttribute = 4,
    PlainInText = 8,
};

constexpr std::array<uint8_t, 256> makeByteKinds()
{
    std::array<uint8_t, 256> table{};
    for (int c = 0; c < 0x20; ++c) {
        table[c] = EscapeInAttribute;
        if (c != '\t' && c != '\n' && c != '\r') table[c] |= EscapeInText;
    }
    for (int c = 0x20; c < 0x7F; ++c) table[c] = PlainInAttribute | PlainInText;
    table['\t'] |= PlainInText;
    table['\n'] |= PlainInText;
    table['\r'] |= PlainInText;
    table['&'] = EscapeInAttribute | EscapeInText;
    table['<'] = EscapeInAttribute | EscapeInText;
    table['"'] = EscapeInAttribute | PlainInText;
    table['>'] = EscapeInText | PlainInAttribute;
    table['\\'] = 0;
    return table;
}

constexpr std::array<uint8_t, 256> ByteKinds = makeByteKinds();

bool allOfKind(std::string_view text, uint8_t kind)
{
    for (char c : text) {
        if (!(ByteKinds[static_cast<unsigned char>(c)] & kind)) return false;
    }
    return true;
}

} // namespace

XmlTextWriter::XmlTextWriter(std::string& text) : _text(&text), _used(text.size())
{
}

XmlTextWriter::XmlTextWriter(std::vector<uint8_t>& bytes) : _bytes(&bytes), _used(bytes.size())
{
}

XmlTextWriter::XmlTextWriter(std::function<void(std::string_view)> drain)
    : _text(&_drainBuffer), _drain(std::move(drain))
{
}

void XmlTextWriter::resizeBuffer(size_t size)
{
    if (_text) _text->resize(size);
    else _bytes->resize(size);
}

XmlTextWriter::~XmlTextWriter()
{
    finish();
}

void XmlTextWriter::finish()
{
    if (_drain && _used > 0) {
        _drain(std::string_view(_drainBuffer.data(), _used));
        _used = 0;
    }
    resizeBuffer(_used);
}

char* XmlTextWriter::room(size_t size)
{
    // Room reserved ahead is filled a step at a time: zero filling all of it at once would make
    // every page of a generous reservation resident. Beyond it, growing by doubling keeps the
    // zero filling to twice the final length at most.
    if (_drain && _used >= DrainSize) {
        // Everything written so far is complete text: nothing goes back into it.
        _drain(std::string_view(_drainBuffer.data(), _used));
        _used = 0;
    }
    const size_t size0 = bufferSize();
    if (size0 - _used < size) {
        const size_t capacity = _text ? _text->capacity() : _bytes->capacity();
        size_t wanted = _used + std::max(size, MinimumRoom);
        if (wanted > capacity) wanted = std::max(wanted, size0 * 2);
        resizeBuffer(wanted);
    }
    return bufferData() + _used;
}

void XmlTextWriter::put(std::string_view piece)
{
    std::memcpy(room(piece.size()), piece.data(), piece.size());
    _used += piece.size();
}

void XmlTextWriter::put(char c)
{
    *room(1) = c;
    ++_used;
}

void XmlTextWriter::writeDeclaration(std::string_view rootName)
{
    put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE ");
    put(rootName);
    put(">\n");
}

void XmlTextWriter::openElement(std::string_view name)
{
    closeStartTag();
    writeIndent(_open.size());
    put('<');
    put(name);
    _open.push_back(name);
    _startTagOpen = true;
    _hasText = false;
}

void XmlTextWriter::closeElement()
{
    if (_open.empty()) return;
    const std::string_view name = _open.back();
    _open.pop_back();
    if (_startTagOpen) {
        put(" />\n");
    } else {
        if (!_hasText) writeIndent(_open.size());
        put("</");
        put(name);
        put(">\n");
    }
    _startTagOpen = false;
    _hasText = false;
}

void XmlTextWriter::closeStartTag()
{
    if (!_startTagOpen) return;
    put(">\n");
    _startTagOpen = false;
}

void XmlTextWriter::writeIndent(size_t depth)
{
    const size_t width = depth * IndentWidth;
    std::memset(room(width), ' ', width);
    _used += width;
}

void XmlTextWriter::writeEscaped(std::string_view text, uint8_t kind)
{
    size_t runStart = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (!(ByteKinds[byte] & kind)) continue;
        put(text.substr(runStart, i - runStart));
        runStart = i + 1;
        switch (byte) {
        case '&':
            put("&amp;");
            break;
        case '<':
            put("&lt;");
            break;
        case '>':
            put("&gt;");
            break;
        case '"':
            put("&quot;");
            break;
        default: {
            const char reference[] = {'&', '#', static_cast<char>('0' + byte / 10), static_cast<char>('0' + byte % 10),
                                      ';'};
            put(std::string_view(reference, sizeof reference));
            break;
        }
        }
    }
    put(text.substr(runStart));
}

void XmlTextWriter::putAttribute(std::string_view name, std::string_view value)
{
    char* out = room(name.size() + value.size() + 4);
    *out++ = ' ';
    std::memcpy(out, name.data(), name.size());
    out += name.size();
    *out++ = '=';
    *out++ = '"';
    std::memcpy(out, value.data(), value.size());
    out += value.size();
    *out++ = '"';
    _used = static_cast<size_t>(out - bufferData());
}

void XmlTextWriter::addAttribute(std::string_view name, std::string_view value)
{
    if (!_startTagOpen) return;
    if (allOfKind(value, PlainInAttribute)) {
        putAttribute(name, value);
        return;
    }
    put(' ');
    put(name);
    put("=\"");
    writeEscaped(value, EscapeInAttribute);
    put('"');
}

void XmlTextWriter::addIntAttribute(std::string_view name, int64_t value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (_startTagOpen) putAttribute(name, std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)));
}

void XmlTextWriter::addBoolAttribute(std::string_view name, bool value)
{
    if (_startTagOpen) putAttribute(name, value ? "true" : "false");
}

void XmlTextWriter::addFloatAttribute(std::string_view name, double value)
{
    char buffer[FloatAttributeTextCapacity];
    const char* end = formatFloatAttributeChars(value, buffer);
    if (_startTagOpen) putAttribute(name, std::string_view(buffer, static_cast<size_t>(end - buffer)));
}

void XmlTextWriter::addStringAttribute(std::string_view name, std::string_view value)
{
    if (value.empty() || !_startTagOpen) return;
    // Most values are printable ASCII that nothing changes: one look at each byte.
    if (allOfKind(value, PlainInAttribute)) {
        putAttribute(name, value);
        return;
    }
    std::string storage;
    const std::string_view safe = xmlSafeTextView(value, storage);
    if (!safe.empty()) addAttribute(name, safe);
}

void XmlTextWriter::addEscapedStringAttribute(std::string_view name, std::string_view value)
{
    if (value.empty() || !_startTagOpen) return;
    if (putEscapedPlainAttribute(name, value)) return;
    std::string storage;
    addStringAttribute(name, escapedXmlTextView(value, storage));
}

bool XmlTextWriter::putEscapedPlainAttribute(std::string_view name, std::string_view value)
{
    // Written behind what is used, which stays as it was until the whole value has been taken.
    char* out = room(name.size() + 2 * value.size() + 4);
    *out++ = ' ';
    std::memcpy(out, name.data(), name.size());
    out += name.size();
    *out++ = '=';
    *out++ = '"';
    for (char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (ByteKinds[byte] & PlainInAttribute) {
            *out++ = c;
        } else if (byte == '\\') {
            *out++ = '\\';
            *out++ = '\\';
        } else if (byte >= 0x0A && byte <= 0x0D) {
            *out++ = '\\';
            *out++ = 'N';
        } else {
            return false;
        }
    }
    *out++ = '"';
    _used = static_cast<size_t>(out - bufferData());
    return true;
}

void XmlTextWriter::setElementText(std::string_view text)
{
    if (!_startTagOpen) return;
    put('>');
    _startTagOpen = false;
    _hasText = true;
    if (allOfKind(text, PlainInText)) {
        put(text);
        return;
    }
    std::string storage;
    writeEscaped(xmlSafeTextView(text, storage), EscapeInText);
}

void XmlTextWriter::addColorElement(std::string_view name, const std::optional<Color>& color)
{
    openElement(name);
    if (!color || color->isNormalizedClearColor()) {
        addBoolAttribute("none", true);
    } else {
        addIntAttribute("r", colorComponentByte(color->red()));
        addIntAttribute("g", colorComponentByte(color->green()));
        addIntAttribute("b", colorComponentByte(color->blue()));
    }
    closeElement();
}

pugi::xml_node XmlTextWriter::scratchElement()
{
    if (!_scratch) _scratch = std::make_unique<pugi::xml_document>();
    return _scratch->append_child("scratch");
}

void XmlTextWriter::appendTreeContent(pugi::xml_node holder)
{
    for (pugi::xml_attribute attribute = holder.first_attribute(); attribute; attribute = attribute.next_attribute())
        addAttribute(attribute.name(), attribute.value());
    if (holder.first_child() && !_hasText) {
        closeStartTag();
        _printed.clear();
        XmlStringWriter sink(_printed);
        for (pugi::xml_node child = holder.first_child(); child; child = child.next_sibling())
            child.print(sink, Indent, pugi::format_indent, pugi::encoding_utf8, static_cast<unsigned>(_open.size()));
        put(_printed);
    }
    _scratch->remove_child(holder);
}
