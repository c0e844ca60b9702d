#include "platform/Font.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>
#include <string_view>

namespace {

constexpr int RegularWeight = 5;
constexpr int BoldWeight = 9;

std::string lowercase(std::string_view text)
{
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    }
    return result;
}

// The families the machine has, by lower-case name (font names match without regard to case).
const std::set<std::string>& installedFamilies()
{
    static const std::set<std::string> families = [] {
        std::set<std::string> names;
        PangoFontFamily** list = nullptr;
        int count = 0;
        pango_font_map_list_families(pango_cairo_font_map_get_default(), &list, &count);
        for (int i = 0; i < count; ++i) names.insert(lowercase(pango_font_family_get_name(list[i])));
        g_free(list);
        return names;
    }();
    return families;
}

// The weight on Pango's 100..1000 scale for a weight on the font manager's 0..15 scale.
PangoWeight pangoWeight(int weight)
{
    static const int table[16] = {100, 200, 250, 300, 380, 400, 500, 600, 600, 700, 800, 900, 900, 1000, 1000, 1000};
    return PangoWeight(table[std::clamp(weight, 0, 15)]);
}

std::string sizeText(double size)
{
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, size);
    return std::string(buffer, result.ptr);
}

struct Styles {
    bool bold = false;
    bool italic = false;
    int weight = -1; // -1: the weight that goes with the traits
};

// One style word of a description; false when the word is none.
bool readStyle(std::string_view word, Styles& styles)
{
    if (word == "Bold") {
        styles.bold = true;
        return true;
    }
    if (word == "Italic") {
        styles.italic = true;
        return true;
    }
    constexpr std::string_view weightPrefix = "weight=";
    if (word.substr(0, weightPrefix.size()) == weightPrefix) {
        std::string_view digits = word.substr(weightPrefix.size());
        int weight = 0;
        auto result = std::from_chars(digits.data(), digits.data() + digits.size(), weight);
        if (digits.empty() || result.ec != std::errc() || result.ptr != digits.data() + digits.size()) return false;
        if (weight < 0 || weight > 15) return false;
        styles.weight = weight;
        return true;
    }
    return false;
}

// True when text is nothing but style words, each after one space.
bool readStyleList(std::string_view text, Styles& styles)
{
    Styles found;
    while (!text.empty()) {
        if (text.front() != ' ') return false;
        text.remove_prefix(1);
        size_t end = std::min(text.find(' '), text.size());
        if (!readStyle(text.substr(0, end), found)) return false;
        text.remove_prefix(end);
    }
    styles = found;
    return true;
}

// A point size written by description(): a plain decimal number, finite and positive.
bool readSize(std::string_view text, double& size)
{
    if (text.empty() || !((text[0] >= '0' && text[0] <= '9') || text[0] == '.')) return false;
    double value = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return false;
    if (!std::isfinite(value) || value <= 0) return false;
    size = value;
    return true;
}

} // namespace

Font::Font(std::string family, double size, bool bold, bool italic, int weight)
    : _family(std::move(family)), _size(size), _bold(bold), _italic(italic), _weight(std::clamp(weight, 0, 15))
{
    // A bold font given a regular or lighter weight has the bold weight, so that the two agree.
    if (_bold && _weight <= RegularWeight) _weight = BoldWeight;
}

unsigned Font::traits() const
{
    return (_italic ? ItalicFontMask : 0u) | (_bold ? BoldFontMask : 0u);
}

Font Font::withSize(double size) const
{
    Font font = *this;
    font._size = size;
    return font;
}

Font Font::withTrait(unsigned traitMask) const
{
    Font font = *this;
    if (traitMask & BoldFontMask) {
        font._bold = true;
        font._weight = std::max(font._weight, BoldWeight);
    }
    if (traitMask & ItalicFontMask) font._italic = true;
    return font;
}

Font Font::withoutTrait(unsigned traitMask) const
{
    Font font = *this;
    if (traitMask & BoldFontMask) {
        font._bold = false;
        font._weight = std::min(font._weight, RegularWeight);
    }
    if (traitMask & ItalicFontMask) font._italic = false;
    return font;
}

// The family comes first, then the style words, then the size: "DejaVu Sans Bold Italic 12.5".
// A weight that does not go with the traits is written as "weight=N". When the family itself
// would read back as something else (it ends in a style word, or has a comma), a comma closes it:
// "Arial, Bold, 12" is the regular font of the family "Arial, Bold".
std::string Font::description() const
{
    std::string styles;
    if (_bold) styles += " Bold";
    if (_italic) styles += " Italic";
    if (_weight != (_bold ? BoldWeight : RegularWeight)) styles += " weight=" + std::to_string(_weight);
    std::string tail = styles + " " + sizeText(_size);
    std::string plain = _family + tail;
    bool ok = false;
    if (fromDescription(plain, &ok) == *this && ok) return plain;
    return _family + "," + tail;
}

Font Font::fromDescription(const std::string& text, bool* ok)
{
    if (ok) *ok = false;
    size_t sizeStart = text.rfind(' ');
    double size = 0;
    if (sizeStart == std::string::npos || !readSize(std::string_view(text).substr(sizeStart + 1), size)) return Font();

    std::string_view rest = std::string_view(text).substr(0, sizeStart);
    Styles styles;
    size_t comma = rest.rfind(',');
    if (comma == std::string_view::npos || !readStyleList(rest.substr(comma + 1), styles)) {
        comma = std::string_view::npos;
        styles = Styles();
        // Without a closing comma, style words are peeled off the end.
        for (size_t space = rest.rfind(' '); space != std::string_view::npos; space = rest.rfind(' ')) {
            if (!readStyle(rest.substr(space + 1), styles)) break;
            rest = rest.substr(0, space);
        }
    } else {
        rest = rest.substr(0, comma);
    }
    int weight = styles.weight >= 0 ? styles.weight : (styles.bold ? BoldWeight : RegularWeight);
    if (ok) *ok = true;
    return Font(std::string(rest), size, styles.bold, styles.italic, weight);
}

PangoFontDescription* Font::newPangoDescription() const
{
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, (familyExists(_family) ? _family : fallbackFamily()).c_str());
    pango_font_description_set_weight(description,
                                      _bold ? std::max(PANGO_WEIGHT_BOLD, pangoWeight(_weight)) : pangoWeight(_weight));
    pango_font_description_set_style(description, _italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    // Pango keeps sizes as integers of 1/1024 point: keep within what that can hold.
    double size = std::isfinite(_size) ? std::clamp(_size, 1.0 / PANGO_SCALE, 100000.0) : Font().pointSize();
    pango_font_description_set_size(description, gint(std::lround(size * PANGO_SCALE)));
    return description;
}

bool Font::familyExists(const std::string& family)
{
    return installedFamilies().count(lowercase(family)) > 0;
}

const std::string& Font::fallbackFamily()
{
    static const std::string family = "DejaVu Sans";
    return family;
}
