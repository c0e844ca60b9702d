#include "platform/AttributedString.h"

#include "platform/Utf8.h"

#include <pango/pango.h>

#include <algorithm>
#include <memory>

namespace {

// The length of the well-formed UTF-8 sequence at i, or 0 when the byte at i begins none.
size_t sequenceLength(const std::string& s, size_t i, char32_t* codePoint = nullptr)
{
    size_t next = i;
    char32_t c = Utf8::decodeNext(s, next);
    if (c == Utf8::Invalid) return 0;
    if (codePoint) *codePoint = c;
    return next - i;
}

// Calls f(byteOffset, byteLength, utf16Units) for each character, an invalid byte being one
// character of one unit.
template <class F>
void forEachCharacter(const std::string& s, F f)
{
    for (size_t i = 0; i < s.size();) {
        size_t length = sequenceLength(s, i);
        size_t units = length == 4 ? 2 : 1;
        if (length == 0) length = 1;
        if (!f(i, length, units)) return;
        i += length;
    }
}

// Byte offsets of every UTF-16 position 0...length; the second unit of a pair shares the offset
// of its character's start.
std::vector<size_t> utf8Offsets(const std::string& s)
{
    std::vector<size_t> offsets;
    offsets.reserve(s.size() + 1);
    forEachCharacter(s, [&](size_t offset, size_t, size_t units) {
        offsets.insert(offsets.end(), units, offset);
        return true;
    });
    offsets.push_back(s.size());
    return offsets;
}

// Whether a UTF-16 position falls between the two units of one character.
bool splitsPair(const std::string& s, size_t position)
{
    bool inside = false;
    size_t units = 0;
    forEachCharacter(s, [&](size_t, size_t, size_t characterUnits) {
        inside = units < position && position < units + characterUnits;
        units += characterUnits;
        return units < position;
    });
    return inside;
}

guint16 colorComponent(double v)
{
    return guint16(std::clamp(v, 0.0, 1.0) * 65535.0 + 0.5);
}

} // namespace

size_t utf16Length(const std::string& utf8)
{
    size_t length = 0;
    forEachCharacter(utf8, [&](size_t, size_t, size_t units) {
        length += units;
        return true;
    });
    return length;
}

size_t utf8OffsetForUtf16Position(const std::string& utf8, size_t position)
{
    size_t result = utf8.size();
    size_t units = 0;
    forEachCharacter(utf8, [&](size_t offset, size_t, size_t characterUnits) {
        if (units + characterUnits > position) {
            result = offset;
            return false;
        }
        units += characterUnits;
        return true;
    });
    return result;
}

size_t utf16PositionForUtf8Offset(const std::string& utf8, size_t offset)
{
    size_t units = 0;
    size_t result = std::string::npos;
    forEachCharacter(utf8, [&](size_t start, size_t length, size_t characterUnits) {
        if (offset < start + length) {
            result = units;
            return false;
        }
        units += characterUnits;
        return true;
    });
    return result == std::string::npos ? units : result;
}

std::u16string toUtf16(const std::string& utf8)
{
    std::u16string out;
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::u16string(utf8.begin(), utf8.end());
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t c = 0;
        size_t length = sequenceLength(utf8, i, &c);
        if (length == 0) {
            out += char16_t(0xFFFD);
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
        i += length;
    }
    return out;
}

std::string toUtf8(const std::u16string& utf16)
{
    std::string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        Utf8::append(out, c);
    }
    return out;
}

std::string makeValidUtf8(const std::string& utf8)
{
    std::string out;
    out.reserve(utf8.size());
    forEachCharacter(utf8, [&](size_t offset, size_t length, size_t) {
        if (length == 1 && static_cast<unsigned char>(utf8[offset]) >= 0x80) Utf8::append(out, 0xFFFD);
        else out.append(utf8, offset, length);
        return true;
    });
    return out;
}

AttributedString::AttributedString(std::string text) : AttributedString(std::move(text), TextAttributes())
{
}

AttributedString::AttributedString(std::string text, const TextAttributes& attributes)
{
    // ASCII is valid as it is and one unit a character: most texts are, and every topic of a
    // map that is read makes one.
    const bool ascii =
        std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        _text = std::move(text);
        _length = _text.size();
    } else {
        _text = makeValidUtf8(text);
        _length = utf16Length(_text);
    }
    if (_length > 0) _segments.push_back({0, attributes});
}

size_t AttributedString::segmentIndex(size_t position) const
{
    auto after = std::upper_bound(_segments.begin(), _segments.end(), position,
                                  [](size_t p, const Segment& s) { return p < s.start; });
    return size_t(after - _segments.begin()) - 1;
}

// Makes a segment begin at position (within the text) and answers its index.
size_t AttributedString::splitAt(size_t position)
{
    if (position >= _length) return _segments.size();
    size_t index = segmentIndex(position);
    if (_segments[index].start == position) return index;
    _segments.insert(_segments.begin() + index + 1, Segment{position, _segments[index].attributes});
    return index + 1;
}

template <class Change>
void AttributedString::change(TextRange range, Change change)
{
    size_t start = std::min(range.location, _length);
    size_t end = range.length > _length - start ? _length : start + range.length;
    if (start == end) return;
    // Widen to whole characters so that the two units of a pair never part. A text with as many
    // bytes as units has no pairs.
    if (_text.size() != _length) {
        if (splitsPair(_text, start)) --start;
        if (splitsPair(_text, end)) ++end;
    }

    size_t first = splitAt(start);
    size_t last = splitAt(end);
    for (size_t i = first; i < last; ++i) change(_segments[i].attributes);

    // Join neighbours that have become equal, so that each segment is a maximal run.
    std::vector<Segment> joined;
    joined.reserve(_segments.size());
    for (Segment& segment : _segments) {
        if (joined.empty() || !(joined.back().attributes == segment.attributes)) joined.push_back(std::move(segment));
    }
    _segments = std::move(joined);
}

void AttributedString::setFont(TextRange range, const Font& font)
{
    change(range, [&](TextAttributes& a) { a.font = font; });
}

void AttributedString::setUnderline(TextRange range, int style)
{
    change(range, [&](TextAttributes& a) { a.underline = style; });
}

void AttributedString::setStrikethrough(TextRange range, int style)
{
    change(range, [&](TextAttributes& a) { a.strikethrough = style; });
}

void AttributedString::setSuperscript(TextRange range, int level)
{
    change(range, [&](TextAttributes& a) { a.superscript = level; });
}

void AttributedString::setAlignment(TextRange range, TextAlignment alignment)
{
    change(range, [&](TextAttributes& a) { a.alignment = alignment; });
}

void AttributedString::setColor(TextRange range, const Color& color)
{
    change(range, [&](TextAttributes& a) { a.color = color; });
}

TextAttributes AttributedString::attributesAt(size_t position, TextRange* effectiveRange) const
{
    if (position >= _length) {
        if (effectiveRange) *effectiveRange = {_length, 0};
        return {};
    }
    size_t index = segmentIndex(position);
    if (effectiveRange) {
        size_t end = index + 1 < _segments.size() ? _segments[index + 1].start : _length;
        *effectiveRange = {_segments[index].start, end - _segments[index].start};
    }
    return _segments[index].attributes;
}

std::vector<AttributedString::Run> AttributedString::runs() const
{
    std::vector<Run> result;
    for (size_t i = 0; i < _segments.size(); ++i) {
        if (_segments[i].attributes.isEmpty()) continue;
        size_t end = i + 1 < _segments.size() ? _segments[i + 1].start : _length;
        result.push_back({{_segments[i].start, end - _segments[i].start}, _segments[i].attributes});
    }
    return result;
}

PangoAttrList* AttributedString::newPangoAttrList() const
{
    PangoAttrList* list = pango_attr_list_new();
    std::vector<size_t> offsets = utf8Offsets(_text);
    for (const Run& run : runs()) {
        guint start = guint(offsets[run.range.location]);
        guint end = guint(offsets[run.range.end()]);
        auto add = [&](PangoAttribute* attribute) {
            attribute->start_index = start;
            attribute->end_index = end;
            pango_attr_list_insert(list, attribute);
        };
        const TextAttributes& a = run.attributes;
        if (a.font) {
            std::unique_ptr<PangoFontDescription, decltype(&pango_font_description_free)> description(
                a.font->newPangoDescription(), pango_font_description_free);
            add(pango_attr_font_desc_new(description.get()));
        }
        if (a.underline != 0) add(pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        if (a.strikethrough != 0) add(pango_attr_strikethrough_new(TRUE));
        if (a.superscript != 0) {
            // Each level raises (or lowers) the text by a third of the font size, in a smaller size.
            double size = a.font ? a.font->pointSize() : Font().pointSize();
            size = std::clamp(size, 0.0, 10000.0);
            int level = std::clamp(a.superscript, -100, 100);
            add(pango_attr_rise_new(int(level * size / 3.0 * PANGO_SCALE)));
            add(pango_attr_size_new(int(size * 2.0 / 3.0 * PANGO_SCALE)));
        }
        if (a.color) {
            add(pango_attr_foreground_new(colorComponent(a.color->red()), colorComponent(a.color->green()),
                                          colorComponent(a.color->blue())));
            // Pango takes an alpha of 0 for "not set"; a transparent colour must stay invisible.
            if (a.color->alpha() < 1.0) add(pango_attr_foreground_alpha_new(std::max<guint16>(1, colorComponent(a.color->alpha()))));
        }
    }
    return list;
}
