#include "MindMaps/MarkdownSpanParser.h"

#include "MindMaps/MarkdownSettingsNexus.h"
#include "Utils/StringUtils.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace {

size_t markerLength(unsigned spanType)
{
    return spanType == MarkdownSpanBold || spanType == MarkdownSpanItalic || spanType == MarkdownSpanUnderline ? 1 : 2;
}

TextRange rangeBetween(size_t start, size_t end)
{
    return TextRange{start, end > start ? end - start : 0};
}

} // namespace

MarkdownSpanParser::MarkdownSpanParser(std::string text, std::optional<Font> baseFont, unsigned baseEffects)
    : _text(std::move(text)), _units(toUtf16(_text)), _baseFont(std::move(baseFont)), _baseEffects(baseEffects)
{
}

void MarkdownSpanParser::initMarkdownSupport()
{
    MarkdownSettingsNexus::instance();
}

AttributedString MarkdownSpanParser::markdownToAttributedString(const std::string& text, const Font& baseFont,
                                                                unsigned baseEffects)
{
    // Most topics hold no marker at all: they are shown as they stand, without a parse of them.
    if (!mayHoldSpans(text)) return withoutSpans(text, baseFont, baseEffects);
    MarkdownSpanParser parser(text, baseFont, baseEffects);
    parser.parseAndConvert();
    return std::move(parser._attributedString);
}

bool MarkdownSpanParser::mayHoldSpans(std::string_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '*' || c == '_' || c == '~') return true;
        if ((c == '^' || c == ',') && i + 1 < text.size() && text[i + 1] == c) return true;
    }
    return false;
}

size_t MarkdownSpanParser::offsetOutsideSpans(std::string_view text, size_t offset)
{
    if (offset >= text.size()) return text.size();
    // Without a marker character before the cut there is no span or marker it can be inside.
    if (text.find_first_of("*_~^,") >= offset) return offset;
    MarkdownSpanParser parser(std::string(text), std::nullopt, 0);
    parser.parseText();
    // Spans of different types may cross: overlapping spans are joined into runs, and a cut inside
    // a run goes back to the run's start. Spans that merely touch stay apart.
    std::vector<std::pair<size_t, size_t>> spans;
    spans.reserve(parser._spanNodes.size());
    for (const auto& span : parser._spanNodes) {
        const auto start = static_cast<size_t>(span->startPos());
        spans.emplace_back(start, static_cast<size_t>(span->endPos()) + markerLength(span->spanType()));
    }
    std::sort(spans.begin(), spans.end());
    std::vector<std::pair<size_t, size_t>> runs;
    for (const auto& span : spans) {
        if (!runs.empty() && span.first < runs.back().second)
            runs.back().second = std::max(runs.back().second, span.second);
        else runs.push_back(span);
    }
    const std::u16string& units = parser._units;
    size_t cut = utf16Length(std::string(text.substr(0, offset)));
    for (bool moved = true; moved;) {
        moved = false;
        auto run = std::upper_bound(runs.begin(), runs.end(), std::make_pair(cut, SIZE_MAX));
        if (run != runs.begin() && (--run)->first < cut && cut < run->second) {
            cut = run->first;
            moved = true;
        }
        while (cut > 0 && cut < units.size() && units[cut] == units[cut - 1] &&
               (units[cut] == u'^' || units[cut] == u',' || units[cut] == u'~')) {
            --cut;
            moved = true;
        }
    }
    return utf8OffsetForUtf16Position(parser._text, cut);
}

std::string MarkdownSpanParser::markdownFilteredString(const std::string& text)
{
    MarkdownSpanParser parser(text, std::nullopt, 0);
    return parser.parseAndFilter();
}

void MarkdownSpanParser::parseText()
{
    _spanNodes.clear();
    _tokens.clear();
    const size_t count = _units.size();
    if (count == 0) return;

    std::array<std::optional<size_t>, MarkdownSpanSubscript + 1> pendingOpener;
    char16_t previous = 0;
    size_t i = 0;
    while (i < count) {
        const char16_t c = _units[i];
        const bool doubled = i + 1 < count && _units[i + 1] == c;
        unsigned type = 0;
        if (c == u'*') type = MarkdownSpanBold;
        else if (c == u'_') type = MarkdownSpanItalic;
        else if (c == u'~') type = doubled ? MarkdownSpanStrikethrough : MarkdownSpanUnderline;
        else if (c == u'^' && doubled) type = MarkdownSpanSuperscript;
        else if (c == u',' && doubled) type = MarkdownSpanSubscript;
        if (type == 0) {
            previous = c;
            ++i;
            continue;
        }

        const size_t next = i + markerLength(type);
        const bool whitespaceBefore = i == 0 || isWhitespaceOrNewline(previous);
        const bool whitespaceAfter = next >= count || isWhitespaceOrNewline(_units[next]);
        std::optional<size_t>& pending = pendingOpener[type];
        if (whitespaceBefore && whitespaceAfter) {
            // A marker standing alone between blanks is ordinary text.
        } else if (whitespaceBefore) {
            pending = i; // an earlier opener of this type stays ordinary text
        } else if (pending) {
            auto span = std::make_unique<MarkdownSpanNode>(type);
            span->setStartPos(static_cast<int64_t>(*pending));
            span->setEndPos(static_cast<int64_t>(i));
            _spanNodes.push_back(std::move(span));
            pending.reset();
        } else if (!whitespaceAfter) {
            pending = i;
        }
        previous = c;
        i = next;
    }

    if (_spanNodes.empty()) return;
    _tokens.reserve(_spanNodes.size() * 2);
    for (const auto& span : _spanNodes) {
        _tokens.push_back(MarkdownSpanToken::markdownSpanToken(span.get(), true));
        _tokens.push_back(MarkdownSpanToken::markdownSpanToken(span.get(), false));
    }
    std::sort(_tokens.begin(), _tokens.end(),
              [](const MarkdownSpanToken& a, const MarkdownSpanToken& b) { return a.position() < b.position(); });
}

void MarkdownSpanParser::buildFilteredText()
{
    _filteredText.clear();
    _filteredText.reserve(_units.size());
    size_t copyPosition = 0;
    for (const MarkdownSpanToken& token : _tokens) {
        const size_t position = static_cast<size_t>(token.position());
        if (position > copyPosition) _filteredText.append(_units, copyPosition, position - copyPosition);
        const auto resultPosition = static_cast<int64_t>(_filteredText.size());
        if (token.isStartToken()) token.spanNode()->setResultStartPos(resultPosition);
        else token.spanNode()->setResultEndPos(resultPosition);
        copyPosition = std::max(copyPosition, position + markerLength(token.spanNode()->spanType()));
    }
    if (copyPosition < _units.size()) _filteredText.append(_units, copyPosition, std::u16string::npos);
}

void MarkdownSpanParser::scanUsedTraits(unsigned& traits) const
{
    for (const auto& span : _spanNodes) {
        if (span->spanType() == MarkdownSpanBold) traits |= BoldFontMask;
        else if (span->spanType() == MarkdownSpanItalic) traits |= ItalicFontMask;
    }
}

void MarkdownSpanParser::scanUsedEffects(unsigned& effects) const
{
    for (const auto& span : _spanNodes) {
        if (span->spanType() == MarkdownSpanStrikethrough) effects |= MarkdownStrikethroughEffect;
        else if (span->spanType() == MarkdownSpanUnderline) effects |= MarkdownUnderlineEffect;
    }
}

void MarkdownSpanParser::insertFontAttributes(unsigned usedTraits)
{
    if (!_baseFont) return;
    // A trait that the markup uses anywhere is taken off the base font, so that only the spans
    // show it.
    Font current = *_baseFont;
    if (usedTraits & BoldFontMask) current = current.withoutTrait(BoldFontMask);
    if (usedTraits & ItalicFontMask) current = current.withoutTrait(ItalicFontMask);

    size_t last = 0;
    for (const MarkdownSpanToken& token : _tokens) {
        const MarkdownSpanNode* span = token.spanNode();
        if (!span->isFontSpanType() || span->isEmptyResultSpan()) continue;
        const auto position = static_cast<size_t>(token.resultPosition());
        if (position != last) _attributedString.setFont(rangeBetween(last, position), current);
        const unsigned trait = span->spanType() == MarkdownSpanBold ? BoldFontMask : ItalicFontMask;
        current = token.isStartToken() ? current.withTrait(trait) : current.withoutTrait(trait);
        last = position;
    }
    const size_t length = _attributedString.length();
    if (last < length) _attributedString.setFont(rangeBetween(last, length), current);
}

void MarkdownSpanParser::insertSuperscriptAttributes()
{
    int level = 0;
    size_t last = 0;
    for (const MarkdownSpanToken& token : _tokens) {
        const MarkdownSpanNode* span = token.spanNode();
        if (!span->isScriptSpanType() || span->isEmptyResultSpan()) continue;
        const auto position = static_cast<size_t>(token.resultPosition());
        if (level != 0 && position != last) _attributedString.setSuperscript(rangeBetween(last, position), level);
        const bool raises = (span->spanType() == MarkdownSpanSuperscript) == token.isStartToken();
        level += raises ? 1 : -1;
        last = position;
    }
    const size_t length = _attributedString.length();
    if (level != 0 && last < length) _attributedString.setSuperscript(rangeBetween(last, length), level);
}

void MarkdownSpanParser::insertAttributes()
{
    _attributedString = AttributedString(toUtf8(_filteredText));

    unsigned usedTraits = 0;
    scanUsedTraits(usedTraits);
    unsigned usedEffects = 0;
    scanUsedEffects(usedEffects);
    insertFontAttributes(usedTraits);
    insertSuperscriptAttributes();

    const TextRange whole{0, _attributedString.length()};
    if (_baseEffects != 0) {
        // A span of an effect means that only the span shows it.
        if ((_baseEffects & MarkdownStrikethroughEffect) && !(usedEffects & MarkdownStrikethroughEffect))
            _attributedString.setStrikethrough(whole, 1);
        if ((_baseEffects & MarkdownUnderlineEffect) && !(usedEffects & MarkdownUnderlineEffect))
            _attributedString.setUnderline(whole, 1);
    }
    for (const auto& span : _spanNodes) {
        if (!span->isFontEffectSpanType() || span->isEmptyResultSpan()) continue;
        const TextRange range =
            rangeBetween(static_cast<size_t>(span->resultStartPos()), static_cast<size_t>(span->resultEndPos()));
        if (span->spanType() == MarkdownSpanStrikethrough) _attributedString.setStrikethrough(range, 1);
        else _attributedString.setUnderline(range, 1);
    }
}

void MarkdownSpanParser::convertWithoutSpans()
{
    _attributedString = withoutSpans(_text, _baseFont, _baseEffects);
}

AttributedString MarkdownSpanParser::withoutSpans(const std::string& text, const std::optional<Font>& baseFont,
                                                  unsigned baseEffects)
{
    AttributedString attributed(text);
    const TextRange whole{0, attributed.length()};
    if (whole.length == 0) return attributed;
    if (baseFont) attributed.setFont(whole, *baseFont);
    if (baseEffects & MarkdownUnderlineEffect) attributed.setUnderline(whole, 1);
    if (baseEffects & MarkdownStrikethroughEffect) attributed.setStrikethrough(whole, 1);
    return attributed;
}

void MarkdownSpanParser::parseAndConvert()
{
    if (MarkdownSettingsNexus::markDownSyntaxEnabled()) parseText();
    if (_spanNodes.empty()) {
        convertWithoutSpans();
        return;
    }
    buildFilteredText();
    insertAttributes();
}

std::string MarkdownSpanParser::parseAndFilter()
{
    if (!MarkdownSettingsNexus::markDownSyntaxEnabled()) return _text;
    parseText();
    if (_spanNodes.empty()) return _text;
    buildFilteredText();
    return filteredText();
}

std::string MarkdownSpanParser::filteredText() const
{
    return toUtf8(_filteredText);
}
