#pragma once

#include "platform/AttributedString.h"
#include "platform/Font.h"
#include "platform/Geometry.h"

#include <string>

typedef struct _PangoContext PangoContext;
typedef struct _PangoFontMap PangoFontMap;
typedef struct _PangoLayout PangoLayout;

// A font map, context and layout of one thread, set up as the measurer measures: it lays a text
// out and answers its size, remembering nothing. Only the thread that made it may use it.
class PangoLayoutMeasurer {
public:
    PangoLayoutMeasurer();
    ~PangoLayoutMeasurer();
    PangoLayoutMeasurer(const PangoLayoutMeasurer&) = delete;
    PangoLayoutMeasurer& operator=(const PangoLayoutMeasurer&) = delete;

    Size sizeForText(const std::string& text, const Font& font, double wrapWidth);
    Size sizeForAttributedString(const AttributedString& text, double wrapWidth);

private:
    PangoFontMap* _fontMap = nullptr;
    PangoContext* _context = nullptr;
    PangoLayout* _layout = nullptr;
};
