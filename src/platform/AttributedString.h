#pragma once

#include "platform/Color.h"
#include "platform/Font.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

typedef struct _PangoAttrList PangoAttrList;

// A range of text positions. Positions count UTF-16 units, as every text position of the editor
// does; a character outside the Basic Multilingual Plane takes two.
struct TextRange {
    size_t location = 0;
    size_t length = 0;
    size_t end() const { return location + length; }
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

enum class TextAlignment { Left = 0, Center = 1, Right = 2 };

struct TextAttributes {
    std::optional<Font> font;
    int underline = 0;     // underline style, 0 none, 1 single
    int strikethrough = 0; // strikethrough style, 0 none, 1 single
    int superscript = 0;   // superscript level; negative is subscript
    std::optional<TextAlignment> alignment;
    std::optional<Color> color;

    bool isEmpty() const { return *this == TextAttributes(); }
    friend bool operator==(const TextAttributes&, const TextAttributes&) = default;
};

// UTF-8 text with attribute runs over it.
//
// The text is kept as valid UTF-8: each byte of the given text that is not part of a well-formed
// sequence becomes U+FFFD, which takes one UTF-16 unit just as the invalid byte counted, so
// positions stay where they were. A range that would split a character outside the Basic
// Multilingual Plane is widened to the whole character: both of its units always share their
// attributes.
class AttributedString {
public:
    struct Run {
        TextRange range;
        TextAttributes attributes;
        friend bool operator==(const Run&, const Run&) = default;
    };

    AttributedString() = default;
    explicit AttributedString(std::string text);
    AttributedString(std::string text, const TextAttributes& attributes);
    AttributedString(const AttributedString& other) = default;
    AttributedString& operator=(const AttributedString& other);
    AttributedString(AttributedString&&) noexcept = default;
    AttributedString& operator=(AttributedString&&) noexcept = default;
    ~AttributedString() = default;

    const std::string& string() const { return _text; }
    size_t length() const { return _length; } // UTF-16 units

    // Each setter changes one attribute over the range and leaves the others as they are.
    // A range reaching past the end is clipped.
    void setFont(TextRange range, const Font& font);
    void setUnderline(TextRange range, int style);
    void setStrikethrough(TextRange range, int style);
    void setSuperscript(TextRange range, int level);
    void setAlignment(TextRange range, TextAlignment alignment);
    void setColor(TextRange range, const Color& color);

    // The attributes at a position, and the longest range around it with the same attributes.
    TextAttributes attributesAt(size_t position, TextRange* effectiveRange = nullptr) const;

    // Maximal runs of equal attributes, in order, covering the whole text; runs without any
    // attribute are left out. An empty text has no runs.
    std::vector<Run> runs() const;

    // The Pango attribute list for a layout of string(); the caller unrefs it.
    PangoAttrList* newPangoAttrList() const;

    friend bool operator==(const AttributedString& a, const AttributedString& b)
    {
        return a._text == b._text && a.runs() == b.runs();
    }

private:
    // Segments share equal attributes: most texts of a map are set in one of a few. One word, as
    // the attributes of a text of one set are kept in the text's own.
    class SharedAttributes {
    public:
        struct Block;

        SharedAttributes() = default;
        explicit SharedAttributes(const TextAttributes& attributes);
        SharedAttributes(const SharedAttributes& other) noexcept;
        SharedAttributes(SharedAttributes&& other) noexcept : _block(std::exchange(other._block, nullptr)) {}
        SharedAttributes& operator=(SharedAttributes other) noexcept
        {
            std::swap(_block, other._block);
            return *this;
        }
        ~SharedAttributes();

        explicit operator bool() const { return _block != nullptr; }
        const TextAttributes& operator*() const;
        const TextAttributes* operator->() const { return &**this; }
        friend bool operator==(const SharedAttributes& a, const SharedAttributes& b)
        {
            return a._block == b._block || *a == *b;
        }

        // Hands its reference over as the block, and takes one back.
        Block* release() { return std::exchange(_block, nullptr); }
        static SharedAttributes adopt(Block* block);

    private:
        Block* _block = nullptr;
    };

    // Each segment holds the attributes from its start up to the next segment's start (or the
    // end of the text). A change touches only the segments of its range and their neighbours, so
    // that a text of many spans is styled span by span in n log n.
    using Segments = std::map<size_t, SharedAttributes>;

    // What few texts need: a text of several segments, or one with characters of two units.
    struct Detail {
        SharedAttributes whole; // the text's one set when it has no segments
        Segments segments;      // the first at 0, neighbours differ; at least two, or none
        // In order, the positions of characters of two units.
        std::vector<size_t> pairStarts;
    };

    // A text's attributes in one word: nothing for an empty text, the shared set of a text in one
    // set of attributes without characters of two units (nearly every topic's), or else its
    // Detail, told from a set by the lowest bit.
    class Attributes {
    public:
        Attributes() = default;
        Attributes(const Attributes& other);
        Attributes(Attributes&& other) noexcept : _word(std::exchange(other._word, 0)) {}
        Attributes& operator=(Attributes other) noexcept
        {
            std::swap(_word, other._word);
            return *this;
        }
        ~Attributes();

        // The text's one set; null for a text of several segments or an empty one.
        const TextAttributes* whole() const;
        Detail* detail() const { return _word & 1 ? reinterpret_cast<Detail*>(_word & ~uintptr_t(1)) : nullptr; }
        void setWhole(SharedAttributes whole);
        // The detail, made (with the one set moved into it) when there is none.
        Detail& makeDetail();
        // Back to the set alone when the detail holds nothing beyond it.
        void dropPlainDetail();

    private:
        uintptr_t _word = 0;
    };

    // Calls visit(start, end, attributes) for each segment in order.
    template <class Visit> void forEachSegment(Visit visit) const;
    Segments::iterator splitAt(Segments& segments, size_t position);
    bool splitsPair(size_t position) const;
    template <class Change> void change(TextRange range, Change change);

    std::string _text;
    size_t _length = 0;
    Attributes _attributes;
};

// UTF-8 <-> UTF-16 position conversions. Invalid UTF-8 bytes count as one unit each.
size_t utf16Length(const std::string& utf8);
// The byte offset of a UTF-16 position. A position between the two units of one character
// answers that character's start; a position past the end answers the text's size.
size_t utf8OffsetForUtf16Position(const std::string& utf8, size_t position);
// The UTF-16 position of a byte offset; an offset inside a character answers that character's
// start, one past the end the text's length.
size_t utf16PositionForUtf8Offset(const std::string& utf8, size_t offset);
// Invalid UTF-8 bytes become U+FFFD; unpaired surrogates become U+FFFD.
std::u16string toUtf16(const std::string& utf8);
std::string toUtf8(const std::u16string& utf16);
// The text with each invalid UTF-8 byte replaced by U+FFFD (UTF-16 positions do not move).
std::string makeValidUtf8(const std::string& utf8);
