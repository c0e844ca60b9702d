#pragma once

#include "platform/TextMeasurer.h"

#include <cstddef>
#include <unordered_map>

typedef struct _PangoContext PangoContext;
typedef struct _PangoFontMap PangoFontMap;
typedef struct _PangoLayout PangoLayout;

// Measures with Pango at 72 dots per inch, so that one point is one unit, with unhinted font
// metrics and unrounded glyph positions, so that a size does not depend on where the text is
// drawn later. Painters set their contexts and layouts up with the same functions to draw text
// exactly as it was measured.
class PangoTextMeasurer : public TextMeasurer {
public:
    PangoTextMeasurer();
    ~PangoTextMeasurer() override;
    PangoTextMeasurer(const PangoTextMeasurer&) = delete;
    PangoTextMeasurer& operator=(const PangoTextMeasurer&) = delete;

    Size sizeForText(const std::string& text, const Font& font, double wrapWidth = 0) override;
    Size sizeForAttributedString(const AttributedString& text, double wrapWidth = 0) override;

    // The resolution and font options of the measurer's context.
    static void prepareContext(PangoContext* context);

    // Text, font, attributes, alignment and wrapping of a layout as the measurer sets them.
    // The alignment of an attributed text is the one at its first character.
    static void setUpLayout(PangoLayout* layout, const std::string& text, const Font& font, double wrapWidth = 0);
    static void setUpLayout(PangoLayout* layout, const AttributedString& text, double wrapWidth = 0);

    // The used rectangle's size of a set-up layout.
    static Size layoutSize(PangoLayout* layout);

private:
    // A reloaded map (an undo step, a reopened document) measures the same texts again: laying
    // a text out costs far more than finding its earlier size.
    struct MeasuredText {
        AttributedString text;
        double wrapWidth = 0;
    };
    struct MeasuredTextView {
        const AttributedString* text;
        double wrapWidth;
    };
    struct MeasuredTextHash {
        using is_transparent = void;
        size_t operator()(const MeasuredText& key) const { return hash(key.text, key.wrapWidth); }
        size_t operator()(const MeasuredTextView& key) const { return hash(*key.text, key.wrapWidth); }
        static size_t hash(const AttributedString& text, double wrapWidth);
    };
    struct MeasuredTextEqual {
        using is_transparent = void;
        bool operator()(const MeasuredText& a, const MeasuredText& b) const
        {
            return a.wrapWidth == b.wrapWidth && a.text == b.text;
        }
        bool operator()(const MeasuredTextView& a, const MeasuredText& b) const
        {
            return a.wrapWidth == b.wrapWidth && *a.text == b.text;
        }
        bool operator()(const MeasuredText& a, const MeasuredTextView& b) const { return (*this)(b, a); }
    };
    std::unordered_map<MeasuredText, Size, MeasuredTextHash, MeasuredTextEqual> _attributedSizes;

    PangoFontMap* _fontMap = nullptr;
    PangoContext* _context = nullptr;
    PangoLayout* _layout = nullptr;
};
