#pragma once

#include "platform/PangoLayoutMeasurer.h"
#include "platform/TextMeasurer.h"

#include <cstddef>
#include <memory>
#include <unordered_map>
#include <vector>

// Measures with Pango at 72 dots per inch, so that one point is one unit, with unhinted font
// metrics and unrounded glyph positions, so that a size does not depend on where the text is
// drawn later. Painters set their contexts and layouts up with the same functions to draw text
// exactly as it was measured.
//
// Sizes are remembered by text, font or attributes, and wrap width: a reloaded map (an undo step,
// a reopened document), a word-wrap drag and a change of text colour measure the same texts
// again, and laying a text out costs far more than finding its earlier size. A batch of texts not
// seen before is laid out on several threads.
//
// At most a capacity of sizes is remembered; past it they start afresh. A batch of more texts than
// that (every topic of a large import) is measured without remembering any of them: a part of it
// would spare little of the next pass over those texts, and would hold memory while the map that
// asked for it is still being built.
class PangoTextMeasurer : public TextMeasurer {
public:
    // Enough for every text of a very large map.
    static constexpr size_t DefaultCapacity = 100000;

    explicit PangoTextMeasurer(size_t capacity = DefaultCapacity) : _capacity(capacity) {}
    PangoTextMeasurer(const PangoTextMeasurer&) = delete;
    PangoTextMeasurer& operator=(const PangoTextMeasurer&) = delete;

    Size sizeForText(const std::string& text, const Font& font, double wrapWidth = 0) override;
    Size sizeForAttributedString(const AttributedString& text, double wrapWidth = 0) override;
    std::vector<Size> sizesForAttributedStrings(const std::vector<const AttributedString*>& texts,
                                                double wrapWidth = 0) override;
    void measureTextsAhead(size_t count,
                           const std::function<void(size_t index, PlainTextSizer& sizer)>& measure) override;

    // Forgets every remembered size.
    void forgetSizes();
    // The number of sizes remembered, plain and attributed.
    size_t rememberedSizeCount() const { return _attributedSizes.size() + _plainSizes.size(); }

    // Dots per inch: one point is one unit.
    static constexpr double Resolution = 72.0;

    // The resolution and font options of the measurer's context.
    static void prepareContext(PangoContext* context);

    // Text, font, attributes, alignment and wrapping of a layout as the measurer sets them.
    // The alignment of an attributed text is the one at its first character.
    static void setUpLayout(PangoLayout* layout, const std::string& text, const Font& font, double wrapWidth = 0);
    static void setUpLayout(PangoLayout* layout, const AttributedString& text, double wrapWidth = 0);

    // The used rectangle's size of a set-up layout.
    static Size layoutSize(PangoLayout* layout);

private:
    // What decides an attributed text's size. A colour over the whole text changes no glyph, so
    // it is left out: recolouring a map finds every size again. A colour over part of a text
    // starts runs of its own, which Pango shapes apart, and stays.
    struct AttributedKey {
        std::string text;
        std::vector<AttributedString::Run> runs;
        double wrapWidth = 0;
        friend bool operator==(const AttributedKey&, const AttributedKey&) = default;
    };
    struct PlainKey {
        std::string text;
        Font font;
        double wrapWidth = 0;
        friend bool operator==(const PlainKey&, const PlainKey&) = default;
    };
    // A plain text looked up as it is: word wrap asks for many sizes it has, and copying each
    // text and font into a key would cost more than finding the size.
    struct PlainKeyView {
        const std::string& text;
        const Font& font;
        double wrapWidth = 0;
    };
    struct KeyHash {
        using is_transparent = void;
        size_t operator()(const AttributedKey& key) const;
        size_t operator()(const PlainKey& key) const;
        size_t operator()(const PlainKeyView& key) const;
    };
    struct PlainKeyEqual {
        using is_transparent = void;
        bool operator()(const PlainKey& a, const PlainKey& b) const { return a == b; }
        bool operator()(const PlainKeyView& a, const PlainKey& b) const
        {
            return a.text == b.text && a.font == b.font && a.wrapWidth == b.wrapWidth;
        }
        bool operator()(const PlainKey& a, const PlainKeyView& b) const { return (*this)(b, a); }
    };
    using PlainSizes = std::unordered_map<PlainKey, Size, KeyHash, PlainKeyEqual>;
    class AheadSizer;
    class KnownPlainLines;
    static AttributedKey keyFor(const AttributedString& text, double wrapWidth);
    void makeRoomFor(size_t count);

    PangoLayoutMeasurer& layoutMeasurer();

    size_t _capacity;
    std::unordered_map<AttributedKey, Size, KeyHash> _attributedSizes;
    PlainSizes _plainSizes;
    // Made on first use, on the thread that uses the measurer.
    std::unique_ptr<PangoLayoutMeasurer> _measurer;
};
