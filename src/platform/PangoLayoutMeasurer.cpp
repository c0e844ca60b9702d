#include "platform/PangoLayoutMeasurer.h"

#include "platform/PangoTextMeasurer.h"

#include <hb.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string_view>

namespace {

// Whether the layout would keep the text on one line without a wrap width (a control character,
// U+0085, U+2028 or U+2029 starts another) and no character of it is of the scripts that set
// their runs on the ideographic baseline (from U+2E80 to U+9FFF, U+AC00 to U+D7FF, U+F900 to
// U+FAFF, U+FF00 to U+FFEF, U+20000 to U+3FFFF; a few neighbours are refused with them).
bool isOneRomanLine(const std::string& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = [&](size_t k) { return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0; };
        if (byte < 0x20) return false;
        if (byte == 0xC2 && next(1) == 0x85) return false;
        if (byte == 0xE2 && next(1) == 0x80 && (next(2) == 0xA8 || next(2) == 0xA9)) return false;
        if ((byte == 0xE2 && next(1) >= 0xBA) || (byte >= 0xE3 && byte <= 0xE9) || (byte >= 0xEA && byte <= 0xED) ||
            (byte == 0xEF && ((next(1) >= 0xA4 && next(1) <= 0xAB) || next(1) >= 0xBC)) ||
            (byte == 0xF0 && next(1) >= 0xA0))
            return false;
    }
    return true;
}

// Scripts whose runs the layout sets on the roman baseline, which a font without a table of
// baselines puts at 0: runs of such fonts stay where shaping put them. Lines that start in an
// ideographic script align their runs on the ideographic baseline instead, which differs from
// font to font. The script comes as Pango stores it, a number: scripts newer than the headers
// know are numbers beyond the enumeration, and never on the roman baseline.
bool usesRomanBaseline(int script)
{
    switch (script) {
    case PANGO_SCRIPT_COMMON:
    case PANGO_SCRIPT_INHERITED:
    case PANGO_SCRIPT_LATIN:
    case PANGO_SCRIPT_GREEK:
    case PANGO_SCRIPT_CYRILLIC:
    case PANGO_SCRIPT_HEBREW:
    case PANGO_SCRIPT_ARABIC:
        return true;
    default:
        return false;
    }
}

// Shaping a run holds some 80 bytes per character in the shaper's buffers, and they keep their
// size for the rest of the process: a run longer than this is shaped in pieces, each ending after
// a blank where it has one. Texts below it measure exactly as before.
constexpr int MaximumShapedBytes = 64 * 1024;

// The length in bytes of the next piece of the text from start: at most the given bytes, ending
// after the last blank within them, else at the last character boundary.
int shapedPieceLength(const std::string& text, int start, int most)
{
    const std::string_view piece(text.data() + start, static_cast<size_t>(most));
    const size_t blank = piece.rfind(' ');
    if (blank != std::string_view::npos) return static_cast<int>(blank + 1);
    int end = most;
    while (end > 1 && (static_cast<unsigned char>(text[static_cast<size_t>(start + end)]) & 0xC0) == 0x80) --end;
    return end;
}

// Printable ASCII with a letter among it: a Latin text that one font of any fontset holds whole
// once it holds every printable ASCII character.
bool isAsciiWithLetter(const std::string& text)
{
    bool letter = false;
    for (const char c : text) {
        if (c < 0x20 || c > 0x7e) return false;
        letter = letter || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    }
    return letter;
}

gboolean isFontAttribute(PangoAttribute* attribute, gpointer)
{
    return attribute->klass->type == PANGO_ATTR_FONT_DESC;
}

// Whether the font has a table of baselines; the answer is kept on the font.
bool hasBaselineTable(PangoFont* font)
{
    static const GQuark key = g_quark_from_static_string("tarnwick-baseline-table");
    gpointer known = g_object_get_qdata(G_OBJECT(font), key);
    if (!known) {
        hb_blob_t* table =
            hb_face_reference_table(hb_font_get_face(pango_font_get_hb_font(font)), HB_TAG('B', 'A', 'S', 'E'));
        known = GINT_TO_POINTER(hb_blob_get_length(table) > 0 ? 2 : 1);
        hb_blob_destroy(table);
        g_object_set_qdata(G_OBJECT(font), key, known);
    }
    return GPOINTER_TO_INT(known) == 2;
}

} // namespace

PangoLayoutMeasurer::PangoLayoutMeasurer()
{
    // The thread's own font map, which the window draws its texts with: a font measured here is
    // found there again instead of being matched and loaded a second time (with a thread of
    // Pango's for each match). The context carries the resolution, the map's stays the window's.
    _fontMap = PANGO_FONT_MAP(g_object_ref(pango_cairo_font_map_get_default()));
    _context = pango_font_map_create_context(_fontMap);
    PangoTextMeasurer::prepareContext(_context);
    // The font a layout merges over the context's: one line is itemized against the same.
    std::unique_ptr<PangoFontDescription, decltype(&pango_font_description_free)> font(Font().newPangoDescription(),
                                                                                       pango_font_description_free);
    pango_context_set_font_description(_context, font.get());
    _layout = pango_layout_new(_context);
}

PangoLayoutMeasurer::~PangoLayoutMeasurer()
{
    for (auto& [font, item] : _asciiItems)
        if (item) pango_item_free(item);
    if (_lastDescription) pango_font_description_free(_lastDescription);
    g_object_unref(_layout);
    g_object_unref(_context);
    g_object_unref(_fontMap);
}

Size PangoLayoutMeasurer::sizeForText(const std::string& text, const Font& font, double wrapWidth)
{
    if (!(std::isfinite(wrapWidth) && wrapWidth > 0)) {
        // Word wrap measures many short lines of words: the layout's line breaking costs as much
        // as shaping them.
        if (const std::optional<Size> size = oneLineSize(makeValidUtf8(text), font)) return *size;
    }
    PangoTextMeasurer::setUpLayout(_layout, text, font, wrapWidth);
    return PangoTextMeasurer::layoutSize(_layout);
}

Size PangoLayoutMeasurer::sizeForAttributedString(const AttributedString& text, double wrapWidth,
                                                  const KnownLines* known)
{
    if (const std::optional<Size> size = oneLineSize(text, wrapWidth)) return *size;
    if (const std::optional<Size> size = brokenLinesSize(text, wrapWidth, known)) return *size;
    PangoTextMeasurer::setUpLayout(_layout, text, wrapWidth);
    return PangoTextMeasurer::layoutSize(_layout);
}

const PangoFontDescription* PangoLayoutMeasurer::description(const Font& font)
{
    // Topics mostly share a few fonts: the description of the last one is kept.
    if (!_lastDescription || !(_lastFont == font)) {
        if (_lastDescription) pango_font_description_free(_lastDescription);
        _lastDescription = font.newPangoDescription();
        _lastFont = font;
    }
    return _lastDescription;
}

std::optional<Size> PangoLayoutMeasurer::oneLineSize(const AttributedString& text, double wrapWidth)
{
    const std::string& string = text.string();
    if ((std::isfinite(wrapWidth) && wrapWidth > 0) || string.empty() || !isOneRomanLine(string)) return std::nullopt;
    // Raised or lowered text changes the size of its font and its place on the line: the layout's.
    const std::vector<AttributedString::Run> runs = text.runs();
    size_t covered = 0;
    bool oneFont = true;
    for (const AttributedString::Run& run : runs) {
        if (run.attributes.superscript != 0) return std::nullopt;
        oneFont = oneFont && run.attributes.font == runs.front().attributes.font;
        covered += run.range.length;
    }
    oneFont = oneFont && (runs.empty() || !runs.front().attributes.font || covered == text.length());

    if (oneFont) {
        std::optional<Font> font;
        if (!runs.empty() && runs.front().attributes.font) font = *runs.front().attributes.font;
        if (const std::optional<Size> size = asciiLineSize(string, font)) return size;
    }
    // Only fonts decide how the layout itemizes such a text: the rest of its attributes (lines,
    // colours) leave the logical extents alone.
    PangoAttrList* fonts = nullptr;
    if (!oneFont) {
        PangoAttrList* attributes = text.newPangoAttrList();
        fonts = pango_attr_list_filter(attributes, isFontAttribute, nullptr);
        pango_attr_list_unref(attributes);
    } else if (!runs.empty() && runs.front().attributes.font) {
        // The list the general case would give, made directly.
        fonts = pango_attr_list_new();
        PangoAttribute* attribute = pango_attr_font_desc_new(description(*runs.front().attributes.font));
        attribute->start_index = 0;
        attribute->end_index = static_cast<guint>(string.size());
        pango_attr_list_insert(fonts, attribute);
    }
    return shapedLineSize(string, fonts);
}

std::optional<Size> PangoLayoutMeasurer::brokenLinesSize(const AttributedString& text, double wrapWidth,
                                                         const KnownLines* known)
{
    const std::string& string = text.string();
    if ((std::isfinite(wrapWidth) && wrapWidth > 0) || string.find('\n') == std::string::npos) return std::nullopt;
    const std::vector<AttributedString::Run> runs = text.runs();
    // The layout stacks its lines without spacing, each aligned within the widest: the used
    // rectangle is as wide as the widest line and as high as all of them.
    Size size{0, 0};
    for (size_t start = 0; start <= string.size();) {
        size_t end = string.find('\n', start);
        if (end == std::string::npos) end = string.size();
        // An empty line takes the height of its font's metrics: the layout's to find.
        if (end == start) return std::nullopt;
        const size_t first = utf16PositionForUtf8Offset(string, start);
        const size_t last = utf16PositionForUtf8Offset(string, end);
        if (known) {
            if (const Size* lineSize = knownLineSize(*known, string.substr(start, end - start), runs, first, last)) {
                size.width = std::max(size.width, lineSize->width);
                size.height += lineSize->height;
                start = end + 1;
                continue;
            }
        }
        AttributedString line(string.substr(start, end - start));
        for (const AttributedString::Run& run : runs) {
            const size_t from = std::max(run.range.location, first);
            const size_t to = std::min(run.range.end(), last);
            if (from >= to) continue;
            const TextRange range{from - first, to - from};
            const TextAttributes& attributes = run.attributes;
            if (attributes.font) line.setFont(range, *attributes.font);
            if (attributes.underline) line.setUnderline(range, attributes.underline);
            if (attributes.strikethrough) line.setStrikethrough(range, attributes.strikethrough);
            if (attributes.superscript) line.setSuperscript(range, attributes.superscript);
            if (attributes.alignment) line.setAlignment(range, *attributes.alignment);
            if (attributes.color) line.setColor(range, *attributes.color);
        }
        const std::optional<Size> lineSize = oneLineSize(line, 0);
        if (!lineSize) return std::nullopt;
        size.width = std::max(size.width, lineSize->width);
        size.height += lineSize->height;
        start = end + 1;
    }
    return size;
}

const Size* PangoLayoutMeasurer::knownLineSize(const KnownLines& known, const std::string& line,
                                               const std::vector<AttributedString::Run>& runs, size_t first,
                                               size_t last)
{
    // Only a line that both ways shape as the one ASCII item of its font: a plain line of other
    // characters that shaping cannot measure is laid out alone, where a line of several would
    // have the whole text laid out.
    if (!isAsciiWithLetter(line)) return nullptr;
    const Font* font = nullptr;
    size_t covered = 0;
    for (const AttributedString::Run& run : runs) {
        const size_t from = std::max(run.range.location, first);
        const size_t to = std::min(run.range.end(), last);
        if (from >= to) continue;
        const std::optional<Font>& runFont = run.attributes.font;
        if (run.attributes.superscript != 0 || !runFont || (font && !(*font == *runFont))) return nullptr;
        font = &*runFont;
        covered += to - from;
    }
    if (!font || covered != last - first || !asciiItem(*font)) return nullptr;
    return known.find(line, *font);
}

std::optional<Size> PangoLayoutMeasurer::oneLineSize(const std::string& text, const Font& font)
{
    if (const std::optional<Size> size = asciiLineSize(text, font)) return size;
    if (text.empty() || !isOneRomanLine(text)) return std::nullopt;
    // The layout's font over the context's is what a font attribute over the whole text gives.
    PangoAttrList* fonts = pango_attr_list_new();
    PangoAttribute* attribute = pango_attr_font_desc_new(description(font));
    attribute->start_index = 0;
    attribute->end_index = static_cast<guint>(text.size());
    pango_attr_list_insert(fonts, attribute);
    return shapedLineSize(text, fonts);
}

std::optional<Size> PangoLayoutMeasurer::shapedLineSize(const std::string& string, PangoAttrList* fonts)
{
    const int length = static_cast<int>(string.size());
    // The layout's choice for a paragraph: its first strong character, else the context's.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    PangoDirection direction = pango_find_base_dir(string.data(), length);
    G_GNUC_END_IGNORE_DEPRECATIONS
    if (direction == PANGO_DIRECTION_NEUTRAL) direction = pango_context_get_base_dir(_context);
    GList* items = pango_itemize_with_base_dir(_context, direction, string.data(), 0, length, fonts, nullptr);
    if (fonts) pango_attr_list_unref(fonts);

    // The layout moves runs of other fonts to the baseline of the first: a line of several runs
    // is left as shaped only where every run sits on the roman baseline at 0.
    bool unmoved = items != nullptr;
    if (items && items->next) {
        for (GList* entry = items; entry && unmoved; entry = entry->next) {
            const PangoAnalysis& analysis = static_cast<PangoItem*>(entry->data)->analysis;
            unmoved = usesRomanBaseline(analysis.script) && !hasBaselineTable(analysis.font);
        }
    }
    if (!unmoved) {
        g_list_free_full(items, [](gpointer item) { pango_item_free(static_cast<PangoItem*>(item)); });
        return std::nullopt;
    }

    return shapedItemsSize(string, items);
}

Size PangoLayoutMeasurer::shapedItemsSize(const std::string& string, GList* items)
{
    const int length = static_cast<int>(string.size());
    // The line's logical rectangle as the layout joins its runs' rectangles, in Pango units: wider
    // than an int holds once a line runs to a few million points, so kept in 64 bits.
    int64_t lineX = 0, lineY = 0, lineWidth = 0, lineHeight = 0;
    PangoGlyphString* glyphs = pango_glyph_string_new();
    int64_t x = 0;
    for (GList* entry = items; entry; entry = entry->next) {
        auto* rest = static_cast<PangoItem*>(entry->data);
        while (rest) {
            PangoItem* item = rest;
            if (rest->length > MaximumShapedBytes) {
                const int split = shapedPieceLength(string, rest->offset, MaximumShapedBytes);
                item =
                    pango_item_split(rest, split, static_cast<int>(g_utf8_strlen(string.data() + rest->offset, split)));
            } else {
                rest = nullptr;
            }
            pango_shape_item(item, string.data(), length, nullptr, glyphs, PANGO_SHAPE_NONE);
            PangoRectangle run;
            pango_glyph_string_extents(glyphs, item->analysis.font, nullptr, &run);
            const int64_t left = std::min(lineX, x + run.x);
            lineWidth = std::max(lineX + lineWidth, x + run.x + run.width) - left;
            lineX = left;
            const int64_t top = std::min<int64_t>(lineY, run.y);
            lineHeight = std::max<int64_t>(lineY + lineHeight, int64_t{run.y} + run.height) - top;
            lineY = top;
            x += run.width;
            pango_item_free(item);
        }
    }
    pango_glyph_string_free(glyphs);
    g_list_free(items);
    return Size{double(lineWidth) / PANGO_SCALE, double(lineHeight) / PANGO_SCALE};
}

const PangoItem* PangoLayoutMeasurer::asciiItem(const std::optional<Font>& font)
{
    for (const auto& [known, item] : _asciiItems)
        if (known == font) return item;
    // Every printable character, letters among them: one item of one font on the Latin script,
    // left to right, is what each text of them is itemized to.
    std::string sample;
    for (char c = 0x20; c <= 0x7e; ++c) sample += c;
    PangoAttrList* fonts = nullptr;
    if (font) {
        fonts = pango_attr_list_new();
        PangoAttribute* attribute = pango_attr_font_desc_new(description(*font));
        attribute->start_index = 0;
        attribute->end_index = static_cast<guint>(sample.size());
        pango_attr_list_insert(fonts, attribute);
    }
    GList* items = pango_itemize_with_base_dir(_context, PANGO_DIRECTION_LTR, sample.data(), 0,
                                               static_cast<int>(sample.size()), fonts, nullptr);
    if (fonts) pango_attr_list_unref(fonts);
    PangoItem* item = nullptr;
    if (items && !items->next) {
        auto* only = static_cast<PangoItem*>(items->data);
        if (only->analysis.level == 0 && only->analysis.script == PANGO_SCRIPT_LATIN && only->analysis.font)
            item = pango_item_copy(only);
    }
    g_list_free_full(items, [](gpointer entry) { pango_item_free(static_cast<PangoItem*>(entry)); });
    _asciiItems.emplace_back(font, item);
    return item;
}

std::optional<Size> PangoLayoutMeasurer::asciiLineSize(const std::string& text, const std::optional<Font>& font)
{
    if (!isAsciiWithLetter(text)) return std::nullopt;
    const PangoItem* model = asciiItem(font);
    if (!model) return std::nullopt;
    PangoItem* item = pango_item_copy(const_cast<PangoItem*>(model));
    item->offset = 0;
    item->length = static_cast<int>(text.size());
    item->num_chars = static_cast<int>(text.size());
    return shapedItemsSize(text, g_list_prepend(nullptr, item));
}
