#pragma once

#include "platform/Font.h"

#include <functional>
#include <string>

// The font well of the fonts pane: shows a sample text in its font; the font panel's choice comes
// back through changeFont and reaches the delegate only when it is a different font.
class FontSelectorView {
public:
    using Delegate = std::function<void(FontSelectorView& view, const Font& font)>;

    FontSelectorView();

    const Font& font() const { return _font; }
    // An empty font and an equal one change nothing.
    void setFont(const Font& font);
    const std::string& text() const { return _text; }
    void setText(const std::string& text);
    void setDelegate(Delegate delegate) { _delegate = std::move(delegate); }
    // The widget redraws on it.
    void setRedrawHandler(std::function<void()> handler) { _redraw = std::move(handler); }

    // The font panel chose a font: the converter turns the current font into the panel's choice.
    void changeFont(const std::function<Font(const Font& current)>& convert);

private:
    Font _font;
    std::string _text = "Text";
    Delegate _delegate;
    std::function<void()> _redraw;
};
