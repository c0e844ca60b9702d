#pragma once

#include <string>

typedef struct _PangoFontDescription PangoFontDescription;

// Trait bits of the font manager: italic 1, bold 2.
enum FontTraitMask : unsigned {
    ItalicFontMask = 1,
    BoldFontMask = 2,
};

// A font as the model sees it: family, point size and traits. Weight follows the font manager's
// 0..15 scale on which 5 is regular and 9 bold.
class Font {
public:
    Font() = default;
    // The weight is kept within 0..15; a bold font given a weight of 5 or less gets the bold weight 9.
    Font(std::string family, double size, bool bold = false, bool italic = false, int weight = 5);

    const std::string& familyName() const { return _family; }
    double pointSize() const { return _size; }
    bool isBold() const { return _bold; }
    bool isItalic() const { return _italic; }
    int weight() const { return _weight; }
    unsigned traits() const; // FontTraitMask bits

    Font withSize(double size) const;
    // The font manager's convert-to-have-trait and convert-to-not-have-trait: adding bold raises the
    // weight to at least 9, removing it lowers the weight to at most 5.
    Font withTrait(unsigned traitMask) const;
    Font withoutTrait(unsigned traitMask) const;

    // "Family Bold Italic 12" style description, readable back with fromDescription into the same
    // font (a family that could be misread is closed by a comma: "Arial, Bold, 12"). Text that is
    // no description answers Font() and sets *ok to false.
    std::string description() const;
    static Font fromDescription(const std::string& text, bool* ok = nullptr);

    // A Pango description; a family the machine does not have maps to the fallback family.
    PangoFontDescription* newPangoDescription() const; // caller frees with pango_font_description_free

    static bool familyExists(const std::string& family);
    static const std::string& fallbackFamily();

    friend bool operator==(const Font&, const Font&) = default;

private:
    std::string _family = "Helvetica";
    double _size = 12;
    bool _bold = false;
    bool _italic = false;
    int _weight = 5;
};
