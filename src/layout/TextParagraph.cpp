#include "layout/TextParagraph.h"

#include "layout/ParagraphParser.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <cmath>
#include <limits>

TextParagraph::TextParagraph(const std::string& text)
{
    // Splitting at every white-space character also trims both ends: the pieces there are empty.
    std::string word;
    for (size_t pos = 0; pos < text.size();) {
        size_t start = pos;
        char32_t c = Utf8::decodeNext(text, pos);
        if (c != Utf8::Invalid && ParagraphParser::isWhiteSpaceOrLineBreak(c)) {
            if (!word.empty()) _words.push_back(std::move(word));
            word.clear();
        } else {
            // A whole character at a time, so that no word ever ends inside one.
            word.append(text, start, pos - start);
        }
    }
    if (!word.empty()) _words.push_back(std::move(word));
}

void TextParagraph::calculateWrapRange()
{
    if (_words.empty()) return;
    _maxWrapWidth = roundedTextWidth(lineWidth(0, _words.size() - 1));
    _minWrapWidth = _maxWrapWidth;
    for (size_t i = 0; i < _words.size(); ++i) {
        int64_t width = roundedTextWidth(lineWidth(i, i));
        if (width <= _minWrapWidth) _minWrapWidth = width;
    }
}

std::string TextParagraph::buildLineFromWords(size_t first, size_t last) const
{
    std::string line;
    last = std::min(last, _words.size() - 1);
    for (size_t i = first; i <= last && i < _words.size(); ++i) {
        if (i > first) line += ' ';
        line += _words[i];
    }
    return line;
}

double TextParagraph::lineWidth(size_t first, size_t last) const
{
    return _textSizeProvider ? _textSizeProvider->calcTextSize(buildLineFromWords(first, last)).width : 0.0;
}

size_t TextParagraph::lastWordOfLine(size_t start, double width) const
{
    // A line ends before the first word that makes it wider than the width, but holds at least
    // its first word. A line never gets narrower when a word is added, so instead of measuring
    // ever longer lines one word at a time, the line grows in doubling steps until it is too wide
    // and the first word too many is then found by halving: wrapping a long text while the wrap
    // handle is dragged stays quick, and so does a narrow width.
    const size_t last = _words.size() - 1;
    if (lineWidth(start, start) > width) return start;
    size_t fits = start; // the line may end here
    size_t step = 1;
    size_t wider = last; // the line ending here is too wide
    for (;;) {
        if (fits == last) return last;
        const size_t probe = std::min(last, fits + step);
        if (lineWidth(start, probe) > width) {
            wider = probe;
            break;
        }
        fits = probe;
        step *= 2;
    }
    while (wider - fits > 1) {
        const size_t middle = fits + (wider - fits) / 2;
        if (lineWidth(start, middle) > width) {
            wider = middle;
        } else {
            fits = middle;
        }
    }
    return fits;
}

std::string TextParagraph::convertWrapWidthToBreaks(int64_t wrapWidth) const
{
    const size_t count = _words.size();
    if (count == 0) return {};
    if (count == 1) return _lfPrefix ? "\n" + _words[0] : _words[0];

    std::vector<std::string> lines;
    if (_lfPrefix) lines.emplace_back();
    const double width = double(wrapWidth);
    for (size_t start = 0; start < count;) {
        size_t last = lastWordOfLine(start, width);
        if (_fixedFirstWord && start == 0 && last == 0) last = 1;
        lines.push_back(buildLineFromWords(start, last));
        start = last + 1;
    }

    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += '\n';
        text += lines[i];
    }
    return text;
}
