#include "layout/WordWrapState.h"

#include "layout/ParagraphParser.h"

#include <algorithm>
#include <cmath>

WordWrapState::WordWrapState(WordWrappableElement* element) : _element(element)
{
    if (!_element) return;
    _minTextWidth = roundedTextWidth(_element->minTextSize().width);
    const double textWidth = _element->textSize().width;
    _wrapWidth = std::isfinite(textWidth) ? static_cast<int64_t>(std::clamp(textWidth, -1e15, 1e15)) : 0;

    _paragraphs = ParagraphParser::splitParagraphs(_element->text());
    _maxWrapWidth = _minTextWidth;
    _minWrapWidth = _minTextWidth;
    for (TextParagraph& paragraph : _paragraphs) {
        paragraph.setTextSizeProvider(this);
        paragraph.calculateWrapRange();
        _maxWrapWidth = std::max(_maxWrapWidth, paragraph.maxWrapWidth());
        _minWrapWidth = std::max(_minWrapWidth, paragraph.minWrapWidth());
    }
}

void WordWrapState::setWrapWidth(int64_t width)
{
    if (width < 0) {
        _wrapWidth = -1;
        return;
    }
    width = std::max(width, _minTextWidth);
    if (width == _wrapWidth) return;
    _wrapWidth = width;
    if (!_element) return;

    std::string text = wrappedText();
    if (text != _element->text()) _element->applyWrappedText(text);
}

std::string WordWrapState::wrappedText() const
{
    std::string text;
    bool first = true;
    for (const TextParagraph& paragraph : _paragraphs) {
        if (paragraph.isEmpty()) continue;
        if (!first) text += '\n';
        text += paragraph.convertWrapWidthToBreaks(_wrapWidth);
        first = false;
    }
    return text;
}

Size WordWrapState::calcTextSize(const std::string& text)
{
    return _element ? _element->calcTextSize(text) : Size();
}
