#include "layout/WordWrapState.h"

#include <algorithm>
#include <cmath>

// Breaking the text into paragraphs and lines is not done yet: the whole text counts as one line
// that cannot be broken, so no wrapped text is ever handed back to the element.

WordWrapState::WordWrapState(WordWrappableElement* element) : _element(element)
{
    if (!_element) return;
    _minTextWidth = std::lround(_element->minTextSize().width);
    _wrapWidth = static_cast<int64_t>(_element->textSize().width);
    _minWrapWidth = _minTextWidth;
    _maxWrapWidth = std::max(_minTextWidth, static_cast<int64_t>(std::lround(_element->textSize().width)));
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
}

Size WordWrapState::calcTextSize(const std::string& text)
{
    return _element ? _element->calcTextSize(text) : Size();
}
