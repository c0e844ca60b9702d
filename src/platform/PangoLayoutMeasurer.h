#pragma once

#include "platform/AttributedString.h"
#include "platform/Font.h"
#include "platform/Geometry.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

typedef struct _GList GList;
typedef struct _PangoAttrList PangoAttrList;
typedef struct _PangoItem PangoItem;
typedef struct _PangoContext PangoContext;
typedef struct _PangoFontDescription PangoFontDescription;
typedef struct _PangoFontMap PangoFontMap;
typedef struct _PangoLayout PangoLayout;

// A context and layout on the font map of one thread, set up as the measurer measures: it lays a text
// out and answers its size, remembering nothing. A text of one line without raised or lowered
// parts, whose runs all sit on the roman baseline, is itemized and shaped without the layout,
// which would give it the same size; so is a plain text of one such line. Only the thread that made it may use it.
class PangoLayoutMeasurer {
public:
    PangoLayoutMeasurer();
    ~PangoLayoutMeasurer();
    PangoLayoutMeasurer(const PangoLayoutMeasurer&) = delete;
    PangoLayoutMeasurer& operator=(const PangoLayoutMeasurer&) = delete;

    // Sizes of plain texts of one line measured before, which the lines of a text of several may
    // be: word wrap measures the lines it makes. Looked up by the threads of one batch at once,
    // and never changed meanwhile.
    class KnownLines {
    public:
        virtual ~KnownLines() = default;
        virtual const Size* find(const std::string& line, const Font& font) const = 0;
    };

    Size sizeForText(const std::string& text, const Font& font, double wrapWidth);
    // A line of the text that is printable ASCII in one font is looked up among the known lines
    // before it is shaped: shaping it again would give the size found then.
    Size sizeForAttributedString(const AttributedString& text, double wrapWidth, const KnownLines* known = nullptr);

private:
    // The size of a text the layout would lay out on one line, found by itemizing and shaping it
    // without the layout's search for line breaks; nullopt for any other text.
    std::optional<Size> oneLineSize(const AttributedString& text, double wrapWidth);
    // The size of a text the layout would lay out on several lines, one at each line break, each
    // of which oneLineSize() measures: the lines stacked, as wide as the widest; nullopt otherwise.
    std::optional<Size> brokenLinesSize(const AttributedString& text, double wrapWidth, const KnownLines* known);
    // The known size of the line of the text between the UTF-16 positions, when the line is
    // printable ASCII in one font, neither raised nor lowered: what oneLineSize() would find.
    const Size* knownLineSize(const KnownLines& known, const std::string& line,
                              const std::vector<AttributedString::Run>& runs, size_t first, size_t last);
    // The same for a text in one font (valid UTF-8 already, not wrapped).
    std::optional<Size> oneLineSize(const std::string& text, const Font& font);
    // Itemizes the text against the fonts (nullptr: the context's) and joins its runs' rectangles;
    // nullopt where the layout would move a run off where shaping put it. Takes the list.
    std::optional<Size> shapedLineSize(const std::string& text, PangoAttrList* fonts);
    // The runs' rectangles of the itemized text joined; frees the items.
    static Size shapedItemsSize(const std::string& text, GList* items);
    // The item every text of printable ASCII with a letter in it is itemized to in the font
    // (none: the context's), or nullptr when some such text would be more than one item.
    const PangoItem* asciiItem(const std::optional<Font>& font);
    // The size of such a text, shaped as that item: what itemizing it would give, found without.
    std::optional<Size> asciiLineSize(const std::string& text, const std::optional<Font>& font);
    const PangoFontDescription* description(const Font& font);

    PangoFontMap* _fontMap = nullptr;
    PangoContext* _context = nullptr;
    PangoLayout* _layout = nullptr;
    std::optional<Font> _lastFont;
    PangoFontDescription* _lastDescription = nullptr;
    // By font; topics use a few.
    std::vector<std::pair<std::optional<Font>, PangoItem*>> _asciiItems;
};
