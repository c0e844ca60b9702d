#pragma once

#include "platform/Color.h"
#include "platform/Font.h"

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
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
    AttributedString(const AttributedString& other);
    AttributedString& operator=(const AttributedString& other);
    AttributedString(AttributedString&&) noexcept = default;
    AttributedString& operator=(AttributedString&&) noexcept = default;
    ~AttributedString();

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
    // Segments share equal attributes: most texts of a map are set in one of a few.
    class SharedAttributes {
    public:
        SharedAttributes() = default;
        explicit SharedAttributes(const TextAttributes& attributes);
        explicit operator bool() const { return _attributes != nullptr; }
        const TextAttributes& operator*() const { return *_attributes; }
        const TextAttributes* operator->() const { return _attributes.get(); }
        friend bool operator==(const SharedAttributes& a, const SharedAttributes& b)
        {
            return a._attributes == b._attributes || *a._attributes == *b._attributes;
        }

    private:
        std::shared_ptr<const TextAttributes> _attributes;
    };

    // Each segment holds the attributes from its start up to the next segment's start (or the
    // end of the text). A change touches only the segments of its range and their neighbours, so
    // that a text of many spans is styled span by span in n log n.
    using Segments = std::map<size_t, SharedAttributes>;

    // Calls visit(start, end, attributes) for each segment in order.
    template <class Visit> void forEachSegment(Visit visit) const;
    Segments::iterator splitAt(Segments& segments, size_t position);
    bool splitsPair(size_t position) const;
    template <class Change> void change(TextRange range, Change change);

    std::string _text;
    size_t _length = 0;
    // A text in one set of attributes (nearly every topic's) keeps them here and has no segment
    // map; a text of several segments keeps them all in the map and nothing here. An empty text
    // has neither.
    SharedAttributes _whole;
    // What few texts need, in one block made with the first of them: null when there is neither.
    struct Detail {
        Segments segments; // the first at 0, neighbours differ; at least two, or none
        // In order, the positions of characters of two units.
        std::vector<size_t> pairStarts;
    };
    std::unique_ptr<Detail> _detail;
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
