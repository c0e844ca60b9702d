#include "platform/PangoTextMeasurer.h"

#include "platform/TextMeasuringPool.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <memory>
#include <mutex>

namespace {

void setWrapWidth(PangoLayout* layout, double wrapWidth)
{
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    if (std::isfinite(wrapWidth) && wrapWidth > 0) {
        double units = std::min(wrapWidth * PANGO_SCALE, double(INT_MAX));
        pango_layout_set_width(layout, std::max(1, int(units)));
    } else {
        pango_layout_set_width(layout, -1);
    }
}

// Every width that does not wrap is one key (a NaN would never find its entry again).
double usableWrapWidth(double wrapWidth)
{
    return std::isfinite(wrapWidth) && wrapWidth > 0 ? wrapWidth : 0;
}

void setFont(PangoLayout* layout, const Font& font)
{
    std::unique_ptr<PangoFontDescription, decltype(&pango_font_description_free)> description(
        font.newPangoDescription(), pango_font_description_free);
    pango_layout_set_font_description(layout, description.get());
}

PangoAlignment pangoAlignment(TextAlignment alignment)
{
    switch (alignment) {
    case TextAlignment::Center:
        return PANGO_ALIGN_CENTER;
    case TextAlignment::Right:
        return PANGO_ALIGN_RIGHT;
    case TextAlignment::Left:
        break;
    }
    return PANGO_ALIGN_LEFT;
}

} // namespace

void PangoTextMeasurer::prepareContext(PangoContext* context)
{
    pango_cairo_context_set_resolution(context, Resolution);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(context, FALSE);
}

void PangoTextMeasurer::setUpLayout(PangoLayout* layout, const std::string& text, const Font& font, double wrapWidth)
{
    std::string valid = makeValidUtf8(text);
    pango_layout_set_attributes(layout, nullptr);
    pango_layout_set_text(layout, valid.data(), int(valid.size()));
    setFont(layout, font);
    pango_layout_set_alignment(layout, PANGO_ALIGN_LEFT);
    setWrapWidth(layout, wrapWidth);
}

void PangoTextMeasurer::setUpLayout(PangoLayout* layout, const AttributedString& text, double wrapWidth)
{
    // string() is valid UTF-8 already, and the attribute offsets are offsets into it.
    pango_layout_set_text(layout, text.string().data(), int(text.string().size()));
    setFont(layout, Font());
    PangoAttrList* attributes = text.newPangoAttrList();
    pango_layout_set_attributes(layout, attributes);
    pango_attr_list_unref(attributes);
    pango_layout_set_alignment(layout, pangoAlignment(text.attributesAt(0).alignment.value_or(TextAlignment::Left)));
    setWrapWidth(layout, wrapWidth);
}

Size PangoTextMeasurer::layoutSize(PangoLayout* layout)
{
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    return {double(logical.width) / PANGO_SCALE, double(logical.height) / PANGO_SCALE};
}

PangoLayoutMeasurer& PangoTextMeasurer::layoutMeasurer()
{
    if (!_measurer) _measurer = std::make_unique<PangoLayoutMeasurer>();
    return *_measurer;
}

size_t PangoTextMeasurer::KeyHash::operator()(const AttributedKey& key) const
{
    // The text alone tells nearly all keys apart; equal texts with other attributes are compared.
    return std::hash<std::string>()(key.text) ^ (std::hash<double>()(key.wrapWidth) * 31);
}

size_t PangoTextMeasurer::KeyHash::operator()(const PlainKey& key) const
{
    return (*this)(PlainKeyView{key.text, key.font, key.wrapWidth});
}

size_t PangoTextMeasurer::KeyHash::operator()(const PlainKeyView& key) const
{
    return std::hash<std::string>()(key.text) ^ (std::hash<double>()(key.font.pointSize()) * 31) ^
        (std::hash<double>()(key.wrapWidth) * 131);
}

PangoTextMeasurer::AttributedKey PangoTextMeasurer::keyFor(const AttributedString& text, double wrapWidth)
{
    AttributedKey key{text.string(), text.runs(), usableWrapWidth(wrapWidth)};
    // runs() leaves attribute-less stretches out: a colour in every run is over the whole text only
    // when the runs cover it.
    size_t covered = 0;
    for (const AttributedString::Run& run : key.runs) covered += run.range.length;
    const bool wholeTextColour = covered == text.length() && !key.runs.empty() && key.runs.front().attributes.color &&
        std::all_of(key.runs.begin(), key.runs.end(), [&](const AttributedString::Run& run) {
                                     return run.attributes.color == key.runs.front().attributes.color;
                                 });
    if (!wholeTextColour) return key;
    std::vector<AttributedString::Run> runs;
    for (AttributedString::Run run : key.runs) {
        run.attributes.color.reset();
        if (!runs.empty() && runs.back().attributes == run.attributes && runs.back().range.end() == run.range.location)
            runs.back().range.length += run.range.length;
        else if (!run.attributes.isEmpty()) runs.push_back(run);
    }
    key.runs = std::move(runs);
    return key;
}

void PangoTextMeasurer::makeRoomFor(size_t count)
{
    // Past the limit the remembered sizes start afresh rather than grow without bound.
    if (rememberedSizeCount() + count > _capacity) forgetSizes();
}

void PangoTextMeasurer::forgetSizes()
{
    _attributedSizes.clear();
    _plainSizes.clear();
}

Size PangoTextMeasurer::sizeForText(const std::string& text, const Font& font, double wrapWidth)
{
    const PlainKeyView key{text, font, usableWrapWidth(wrapWidth)};
    const auto found = _plainSizes.find(key);
    if (found != _plainSizes.end()) return found->second;
    const Size size = layoutMeasurer().sizeForText(text, font, wrapWidth);
    makeRoomFor(1);
    _plainSizes.emplace(PlainKey{text, font, key.wrapWidth}, size);
    return size;
}

// The plain sizes remembered, as the lines of a text of several lines look them up.
class PangoTextMeasurer::KnownPlainLines : public PangoLayoutMeasurer::KnownLines {
public:
    explicit KnownPlainLines(const PlainSizes& sizes) : _sizes(sizes) {}
    const Size* find(const std::string& line, const Font& font) const override
    {
        const auto found = _sizes.find(PlainKeyView{line, font, 0});
        return found != _sizes.end() ? &found->second : nullptr;
    }

private:
    const PlainSizes& _sizes;
};

Size PangoTextMeasurer::sizeForAttributedString(const AttributedString& text, double wrapWidth)
{
    AttributedKey key = keyFor(text, wrapWidth);
    const auto found = _attributedSizes.find(key);
    if (found != _attributedSizes.end()) return found->second;
    const KnownPlainLines known(_plainSizes);
    const Size size = layoutMeasurer().sizeForAttributedString(text, wrapWidth, &known);
    makeRoomFor(1);
    _attributedSizes.emplace(std::move(key), size);
    return size;
}

std::vector<Size> PangoTextMeasurer::sizesForAttributedStrings(const std::vector<const AttributedString*>& texts,
                                                               double wrapWidth)
{
    const bool remember = texts.size() <= _capacity;
    std::vector<Size> sizes(texts.size());
    // Only read while the threads measure.
    const KnownPlainLines known(_plainSizes);
    // A batch too large to remember, with nothing known before it (a large import), is laid out
    // straight into the answer: no look-up and no list beside it.
    if (!remember && _attributedSizes.empty()) {
        TextMeasuringPool::shared().forEach(
            texts.size(), layoutMeasurer(), [&](PangoLayoutMeasurer& measurer, size_t i) {
                sizes[i] = measurer.sizeForAttributedString(*texts[i], wrapWidth, &known);
            });
        return sizes;
    }
    if (remember) makeRoomFor(texts.size());
    // Each text not seen before gets its entry now and is laid out once, however often the batch
    // holds it; the entry is filled once the batch is measured. A batch too large to remember only
    // looks up the sizes known before it.
    std::vector<const Size*> found(texts.size());
    std::vector<size_t> unseen;       // the text that stands for each new entry
    std::vector<Size*> unseenEntries; // nullptr for a text measured without an entry
    for (size_t i = 0; i < texts.size(); ++i) {
        AttributedKey key = keyFor(*texts[i], wrapWidth);
        if (remember) {
            const auto [entry, added] = _attributedSizes.try_emplace(std::move(key));
            if (added) {
                unseen.push_back(i);
                unseenEntries.push_back(&entry->second);
            }
            found[i] = &entry->second;
            continue;
        }
        const auto entry = _attributedSizes.find(key);
        if (entry != _attributedSizes.end()) {
            found[i] = &entry->second;
            continue;
        }
        unseen.push_back(i);
        unseenEntries.push_back(nullptr);
    }
    TextMeasuringPool::shared().forEach(unseen.size(), layoutMeasurer(), [&](PangoLayoutMeasurer& measurer, size_t k) {
        sizes[unseen[k]] = measurer.sizeForAttributedString(*texts[unseen[k]], wrapWidth, &known);
    });
    for (size_t k = 0; k < unseen.size(); ++k) {
        if (unseenEntries[k]) *unseenEntries[k] = sizes[unseen[k]];
    }
    for (size_t i = 0; i < texts.size(); ++i) {
        if (found[i]) sizes[i] = *found[i];
    }
    return sizes;
}

// The sizer of one thread of a run ahead: it looks up what the measurer knew before the run (only
// read while the run lasts), then what it measured itself, and lays out only texts new to both.
class PangoTextMeasurer::AheadSizer : public PlainTextSizer {
public:
    AheadSizer(PangoLayoutMeasurer& measurer, const PlainSizes& known) : _measurer(measurer), _known(known) {}

    Size sizeForText(const std::string& text, const Font& font) override
    {
        const PlainKeyView key{text, font, 0};
        if (const auto known = _known.find(key); known != _known.end()) return known->second;
        if (const auto found = _found.find(key); found != _found.end()) return found->second;
        const Size size = _measurer.sizeForText(text, font, 0);
        _found.emplace(PlainKey{text, font, 0}, size);
        return size;
    }

    PlainSizes& found() { return _found; }

private:
    PangoLayoutMeasurer& _measurer;
    const PlainSizes& _known;
    PlainSizes _found;
};

void PangoTextMeasurer::measureTextsAhead(size_t count, const std::function<void(size_t, PlainTextSizer&)>& measure)
{
    if (count == 0) return;
    // One sizer per thread (each thread has a measurer of its own), so that a word that many
    // texts share is laid out once per thread.
    std::mutex sizersMutex;
    std::vector<std::unique_ptr<AheadSizer>> sizers;
    std::unordered_map<const PangoLayoutMeasurer*, AheadSizer*> sizerOf;
    TextMeasuringPool::shared().forEach(count, layoutMeasurer(), [&](PangoLayoutMeasurer& measurer, size_t i) {
        AheadSizer* sizer;
        {
            std::lock_guard lock(sizersMutex);
            AheadSizer*& slot = sizerOf[&measurer];
            if (!slot) slot = sizers.emplace_back(std::make_unique<AheadSizer>(measurer, _plainSizes)).get();
            sizer = slot;
        }
        measure(i, *sizer);
    });
    size_t total = 0;
    for (const auto& sizer : sizers) total += sizer->found().size();
    if (total > _capacity) return;
    makeRoomFor(total);
    // The sizers' entries are handed over as they are, neither copied nor made again.
    _plainSizes.reserve(_plainSizes.size() + total);
    for (const auto& sizer : sizers) _plainSizes.merge(sizer->found());
}
