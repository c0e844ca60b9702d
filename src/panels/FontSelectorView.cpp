#include "panels/FontSelectorView.h"

FontSelectorView::FontSelectorView() : _font(Font::fallbackFamily(), 12)
{
}

void FontSelectorView::setFont(const Font& font)
{
    if (font == Font() || font == _font) return;
    _font = font;
    if (_redraw) _redraw();
}

void FontSelectorView::setText(const std::string& text)
{
    if (text == _text) return;
    _text = text;
    if (_redraw) _redraw();
}

void FontSelectorView::changeFont(const std::function<Font(const Font& current)>& convert)
{
    const Font current = _font == Font() ? Font(Font::fallbackFamily(), 12) : _font;
    const Font converted = convert(current);
    if (converted == Font() || converted == current) return;
    setFont(converted);
    if (_delegate) _delegate(*this, converted);
}
