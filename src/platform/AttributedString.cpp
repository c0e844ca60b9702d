#include "platform/AttributedString.h"

#include "platform/Utf8.h"

#include <pango/pango.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>

// Every topic holds one: a few bytes more would take a larger size class for every topic of a
// large map.
static_assert(sizeof(AttributedString) <= 48);

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
template <class F> void forEachCharacter(const std::string& s, F f)
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

// A superscript level with the font size its rise is a fraction of.
struct Script {
    int level = 0;
    double size = 0;
    friend bool operator==(const Script&, const Script&) = default;
};

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

// The count is atomic: texts are copied and dropped on the threads that measure them.
struct AttributedString::SharedAttributes::Block {
    std::atomic<size_t> references{1};
    const TextAttributes attributes;
};

AttributedString::SharedAttributes::SharedAttributes(const TextAttributes& attributes)
{
    // One of the attributes this thread shared lately when equal: topics are made one after the
    // other, mostly in the attributes of the one before.
    constexpr size_t Kept = 8;
    thread_local std::array<SharedAttributes, Kept> recent;
    thread_local size_t next = 0;
    for (const SharedAttributes& kept : recent) {
        if (kept && *kept == attributes) {
            *this = kept;
            return;
        }
    }
    _block = new Block{1, attributes};
    recent[next] = *this;
    next = (next + 1) % Kept;
}

AttributedString::SharedAttributes::SharedAttributes(const SharedAttributes& other) noexcept : _block(other._block)
{
    if (_block) _block->references.fetch_add(1, std::memory_order_relaxed);
}

AttributedString::SharedAttributes::~SharedAttributes()
{
    if (_block && _block->references.fetch_sub(1, std::memory_order_acq_rel) == 1) delete _block;
}

const TextAttributes& AttributedString::SharedAttributes::operator*() const
{
    return _block->attributes;
}

AttributedString::SharedAttributes AttributedString::SharedAttributes::adopt(Block* block)
{
    SharedAttributes shared;
    shared._block = block;
    return shared;
}

AttributedString::Attributes::Attributes(const Attributes& other)
{
    if (Detail* detail = other.detail()) {
        _word = reinterpret_cast<uintptr_t>(new Detail(*detail)) | 1;
    } else if (other._word) {
        reinterpret_cast<SharedAttributes::Block*>(other._word)->references.fetch_add(1, std::memory_order_relaxed);
        _word = other._word;
    }
}

AttributedString::Attributes::~Attributes()
{
    if (Detail* detail = this->detail()) delete detail;
    // The adopted reference is dropped with the temporary.
    else if (_word) SharedAttributes::adopt(reinterpret_cast<SharedAttributes::Block*>(_word));
}

const TextAttributes* AttributedString::Attributes::whole() const
{
    if (Detail* detail = this->detail()) return detail->whole ? &*detail->whole : nullptr;
    return _word ? &reinterpret_cast<const SharedAttributes::Block*>(_word)->attributes : nullptr;
}

void AttributedString::Attributes::setWhole(SharedAttributes whole)
{
    // The lowest bit marks a detail: both it and a block are aligned to more than one byte.
    static_assert(alignof(SharedAttributes::Block) > 1 && alignof(Detail) > 1);
    if (Detail* detail = this->detail()) {
        detail->whole = std::move(whole);
        dropPlainDetail();
        return;
    }
    *this = Attributes();
    _word = reinterpret_cast<uintptr_t>(whole.release());
}

AttributedString::Detail& AttributedString::Attributes::makeDetail()
{
    if (Detail* detail = this->detail()) return *detail;
    auto detail = std::make_unique<Detail>();
    if (_word) detail->whole = SharedAttributes::adopt(reinterpret_cast<SharedAttributes::Block*>(_word));
    _word = reinterpret_cast<uintptr_t>(detail.release()) | 1;
    return *this->detail();
}

void AttributedString::Attributes::dropPlainDetail()
{
    Detail* detail = this->detail();
    if (!detail || !detail->segments.empty() || !detail->pairStarts.empty()) return;
    _word = reinterpret_cast<uintptr_t>(detail->whole.release());
    delete detail;
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
        forEachCharacter(_text, [&](size_t, size_t, size_t units) {
            if (units == 2) _attributes.makeDetail().pairStarts.push_back(_length);
            _length += units;
            return true;
        });
    }
    if (_length > 0) _attributes.setWhole(SharedAttributes(attributes));
}

AttributedString& AttributedString::operator=(const AttributedString& other)
{
    if (this != &other) *this = AttributedString(other);
    return *this;
}

template <class Visit> void AttributedString::forEachSegment(Visit visit) const
{
    if (const TextAttributes* whole = _attributes.whole()) {
        visit(size_t(0), _length, *whole);
        return;
    }
    const Detail* detail = _attributes.detail();
    if (!detail) return;
    const Segments& segments = detail->segments;
    for (auto segment = segments.begin(); segment != segments.end(); ++segment) {
        const auto next = std::next(segment);
        visit(segment->first, next != segments.end() ? next->first : _length, *segment->second);
    }
}

// Makes a segment begin at position and answers it; the end for a position at or past the end.
AttributedString::Segments::iterator AttributedString::splitAt(Segments& segments, size_t position)
{
    if (position >= _length) return segments.end();
    auto after = segments.upper_bound(position);
    auto segment = std::prev(after);
    if (segment->first == position) return segment;
    return segments.emplace_hint(after, position, segment->second);
}

// Whether a position falls between the two units of one character.
bool AttributedString::splitsPair(size_t position) const
{
    const Detail* detail = _attributes.detail();
    return position > 0 && detail &&
        std::binary_search(detail->pairStarts.begin(), detail->pairStarts.end(), position - 1);
}

template <class Change> void AttributedString::change(TextRange range, Change change)
{
    size_t start = std::min(range.location, _length);
    size_t end = range.length > _length - start ? _length : start + range.length;
    if (start == end) return;
    // Widen to whole characters so that the two units of a pair never part.
    if (splitsPair(start)) --start;
    if (splitsPair(end)) ++end;

    if (const TextAttributes* whole = _attributes.whole(); whole && start == 0 && end == _length) {
        TextAttributes attributes = *whole;
        change(attributes);
        _attributes.setWhole(SharedAttributes(attributes));
        return;
    }
    Detail& detail = _attributes.makeDetail();
    if (detail.whole) detail.segments.emplace(0, std::move(detail.whole));
    Segments& segments = detail.segments;
    const auto first = splitAt(segments, start);
    const auto last = splitAt(segments, end);
    for (auto segment = first; segment != last; ++segment) {
        TextAttributes attributes = *segment->second;
        change(attributes);
        segment->second = SharedAttributes(attributes);
    }

    // Join the neighbours that have become equal, from the one before the range to the one that
    // ends it, so that each segment stays a maximal run.
    const auto stop = last == segments.end() ? last : std::next(last);
    for (auto segment = first == segments.begin() ? first : std::prev(first); segment != stop;) {
        const auto next = std::next(segment);
        if (next == stop) break;
        if (next->second == segment->second) segments.erase(next);
        else segment = next;
    }
    if (segments.size() == 1) {
        SharedAttributes whole = std::move(segments.begin()->second);
        segments.clear();
        _attributes.setWhole(std::move(whole));
    }
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
    if (const TextAttributes* whole = _attributes.whole()) {
        if (effectiveRange) *effectiveRange = {0, _length};
        return *whole;
    }
    const Segments& segments = _attributes.detail()->segments;
    const auto segment = std::prev(segments.upper_bound(position));
    if (effectiveRange) {
        const auto next = std::next(segment);
        const size_t end = next != segments.end() ? next->first : _length;
        *effectiveRange = {segment->first, end - segment->first};
    }
    return *segment->second;
}

std::vector<AttributedString::Run> AttributedString::runs() const
{
    std::vector<Run> result;
    forEachSegment([&](size_t start, size_t end, const TextAttributes& attributes) {
        if (!attributes.isEmpty()) result.push_back({{start, end - start}, attributes});
    });
    return result;
}

PangoAttrList* AttributedString::newPangoAttrList() const
{
    // Each kind of attribute is given over the longest ranges in which it stays the same, not run
    // by run: a colour over the whole text is one attribute however many fonts it crosses. Pango
    // walks its list of drawing attributes once for every run it lays out, so a list that grew
    // with the runs would make long texts of many spans quadratic.
    struct Pending {
        size_t start;
        size_t end;
        PangoAttribute* attribute;
    };
    std::vector<Pending> pending;
    const std::vector<size_t> offsets = utf8Offsets(_text);
    // Calls add(first, start, end) for every longest range whose segments share a value of key
    // (an empty optional: no attribute there).
    auto eachRange = [&](auto key, auto add) {
        decltype(key(TextAttributes())) value;
        size_t start = 0;
        forEachSegment([&](size_t position, size_t, const TextAttributes& attributes) {
            auto next = key(attributes);
            if (next == value) return;
            if (value && position > start) add(*value, offsets[start], offsets[position]);
            value = std::move(next);
            start = position;
        });
        if (value && _length > start) add(*value, offsets[start], offsets[_length]);
    };
    auto push = [&](PangoAttribute* attribute, size_t start, size_t end) {
        pending.push_back({start, end, attribute});
    };

    eachRange([](const TextAttributes& a) { return a.font; },
              [&](const Font& font, size_t start, size_t end) {
                  std::unique_ptr<PangoFontDescription, decltype(&pango_font_description_free)> description(
                      font.newPangoDescription(), pango_font_description_free);
                  push(pango_attr_font_desc_new(description.get()), start, end);
              });
    eachRange(
        [](const TextAttributes& a) { return a.underline != 0 ? std::optional<bool>(true) : std::nullopt; },
        [&](bool, size_t start, size_t end) { push(pango_attr_underline_new(PANGO_UNDERLINE_SINGLE), start, end); });
    eachRange([](const TextAttributes& a) { return a.strikethrough != 0 ? std::optional<bool>(true) : std::nullopt; },
              [&](bool, size_t start, size_t end) { push(pango_attr_strikethrough_new(TRUE), start, end); });
    // Each level raises (or lowers) the text by a third of the font size, in a smaller size.
    eachRange(
        [](const TextAttributes& a) {
            if (a.superscript == 0) return std::optional<Script>();
            const double size = std::clamp(a.font ? a.font->pointSize() : Font().pointSize(), 0.0, 10000.0);
            return std::optional<Script>(Script{std::clamp(a.superscript, -100, 100), size});
        },
        [&](const Script& script, size_t start, size_t end) {
            push(pango_attr_rise_new(int(script.level * script.size / 3.0 * PANGO_SCALE)), start, end);
            push(pango_attr_size_new(int(script.size * 2.0 / 3.0 * PANGO_SCALE)), start, end);
        });
    eachRange([](const TextAttributes& a) { return a.color; },
              [&](const Color& color, size_t start, size_t end) {
                  push(pango_attr_foreground_new(colorComponent(color.red()), colorComponent(color.green()),
                                                 colorComponent(color.blue())),
                       start, end);
                  // Pango takes an alpha of 0 for "not set"; a transparent colour must stay invisible.
                  if (color.alpha() < 1.0)
                      push(pango_attr_foreground_alpha_new(std::max<guint16>(1, colorComponent(color.alpha()))), start,
                           end);
              });

    // In order of their starts, so that each insertion appends.
    std::stable_sort(pending.begin(), pending.end(),
                     [](const Pending& a, const Pending& b) { return a.start < b.start; });
    PangoAttrList* list = pango_attr_list_new();
    for (const Pending& item : pending) {
        item.attribute->start_index = guint(item.start);
        item.attribute->end_index = guint(item.end);
        pango_attr_list_insert(list, item.attribute);
    }
    return list;
}
