#include "support/FakeTextMeasurer.h"

#include <algorithm>
#include <vector>

namespace {

constexpr double UnitWidth = 0.6;
constexpr double LineHeight = 1.2;

struct Unit {
    char16_t c;
    double size; // font size
};

bool isHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

class Lines {
public:
    Lines(const std::vector<Unit>& units, double emptySize, double wrapWidth)
        : _units(units), _emptySize(emptySize), _wrap(wrapWidth > 0 ? wrapWidth : 0)
    {
    }

    Size layOut()
    {
        size_t start = 0;
        for (;;) {
            size_t end = start;
            while (end < _units.size() && _units[end].c != u'\n') ++end;
            // An empty line is as high as the newline that ends it, or the text's last character.
            double emptySize =
                end < _units.size() ? _units[end].size : (_units.empty() ? _emptySize : _units.back().size);
            paragraph(start, end, emptySize);
            if (end == _units.size()) break;
            start = end + 1;
        }
        return {_width, _height};
    }

private:
    double width(size_t i) const { return UnitWidth * _units[i].size; }

    void endLine(double emptySize)
    {
        _width = std::max(_width, _lineWidth);
        _height += LineHeight * (_lineSize > 0 ? _lineSize : emptySize);
        _lineWidth = 0;
        _lineSize = 0;
    }

    void place(size_t i)
    {
        _lineWidth += width(i);
        _lineSize = std::max(_lineSize, _units[i].size);
    }

    void paragraph(size_t start, size_t end, double emptySize)
    {
        if (_wrap == 0) {
            for (size_t i = start; i < end; ++i) place(i);
            endLine(emptySize);
            return;
        }
        bool lineEmpty = true;
        double pendingWidth = 0, pendingSize = 0; // spaces since the last word
        for (size_t i = start; i < end;) {
            if (_units[i].c == u' ') {
                pendingWidth += width(i);
                pendingSize = std::max(pendingSize, _units[i].size);
                ++i;
                continue;
            }
            size_t wordEnd = i;
            double wordWidth = 0, wordSize = 0;
            for (; wordEnd < end && _units[wordEnd].c != u' '; ++wordEnd) {
                wordWidth += width(wordEnd);
                wordSize = std::max(wordSize, _units[wordEnd].size);
            }
            if (!lineEmpty && _lineWidth + pendingWidth + wordWidth > _wrap) {
                endLine(emptySize);
                lineEmpty = true;
                pendingWidth = pendingSize = 0;
            }
            _lineWidth += pendingWidth;
            _lineSize = std::max(_lineSize, pendingSize);
            pendingWidth = pendingSize = 0;
            if (_lineWidth + wordWidth <= _wrap) {
                _lineWidth += wordWidth;
                _lineSize = std::max(_lineSize, wordSize);
            } else {
                // Too wide for a line of its own: break between characters.
                bool lineHasCharacter = !lineEmpty;
                for (size_t k = i; k < wordEnd;) {
                    size_t characterEnd = (isHighSurrogate(_units[k].c) && k + 1 < wordEnd) ? k + 2 : k + 1;
                    double characterWidth = 0;
                    for (size_t u = k; u < characterEnd; ++u) characterWidth += width(u);
                    if (lineHasCharacter && _lineWidth + characterWidth > _wrap) endLine(emptySize);
                    for (size_t u = k; u < characterEnd; ++u) place(u);
                    lineHasCharacter = true;
                    k = characterEnd;
                }
            }
            lineEmpty = false;
            i = wordEnd;
        }
        // Spaces at the end of a wrapped line hang: they do not widen it.
        if (lineEmpty) _lineSize = std::max(_lineSize, pendingSize);
        endLine(emptySize);
    }

    const std::vector<Unit>& _units;
    double _emptySize;
    double _wrap;
    double _width = 0, _height = 0;
    double _lineWidth = 0, _lineSize = 0;
};

} // namespace

Size FakeTextMeasurer::sizeForText(const std::string& text, const Font& font, double wrapWidth)
{
    const std::u16string characters = toUtf16(text);
    std::vector<Unit> units;
    units.reserve(characters.size());
    for (char16_t c : characters) units.push_back({c, font.pointSize()});
    return Lines(units, font.pointSize(), wrapWidth).layOut();
}

Size FakeTextMeasurer::sizeForAttributedString(const AttributedString& text, double wrapWidth)
{
    double defaultSize = Font().pointSize();
    const std::u16string characters = toUtf16(text.string());
    std::vector<Unit> units;
    units.reserve(characters.size());
    for (char16_t c : characters) units.push_back({c, defaultSize});
    // Run by run: asking for the attributes of every position copies them for every character.
    for (const AttributedString::Run& run : text.runs()) {
        if (!run.attributes.font) continue;
        const size_t end = std::min(run.range.end(), units.size());
        for (size_t i = run.range.location; i < end; ++i) units[i].size = run.attributes.font->pointSize();
    }
    return Lines(units, defaultSize, wrapWidth).layOut();
}
