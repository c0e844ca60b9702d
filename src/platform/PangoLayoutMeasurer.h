#pragma once

#include "platform/AttributedString.h"
#include "platform/Font.h"
#include "platform/Geometry.h"

#include <optional>
#include <string>

typedef struct _PangoContext PangoContext;
typedef struct _PangoFontDescription PangoFontDescription;
typedef struct _PangoFontMap PangoFontMap;
typedef struct _PangoLayout PangoLayout;

// A font map, context and layout of one thread, set up as the measurer measures: it lays a text
// out and answers its size, remembering nothing. A text of one line without raised or lowered
// parts, whose runs all sit on the roman baseline, is itemized and shaped without the layout,
// which would give it the same size. Only the thread that made it may use it.
class PangoLayoutMeasurer {
public:
    PangoLayoutMeasurer();
    ~PangoLayoutMeasurer();
    PangoLayoutMeasurer(const PangoLayoutMeasurer&) = delete;
    PangoLayoutMeasurer& operator=(const PangoLayoutMeasurer&) = delete;

    Size sizeForText(const std::string& text, const Font& font, double wrapWidth);
    Size sizeForAttributedString(const AttributedString& text, double wrapWidth);

private:
    // The size of a text the layout would lay out on one line, found by itemizing and shaping it
    // without the layout's search for line breaks; nullopt for any other text.
    std::optional<Size> oneLineSize(const AttributedString& text, double wrapWidth);
    const PangoFontDescription* description(const Font& font);

    PangoFontMap* _fontMap = nullptr;
    PangoContext* _context = nullptr;
    PangoLayout* _layout = nullptr;
    std::optional<Font> _lastFont;
    PangoFontDescription* _lastDescription = nullptr;
};
