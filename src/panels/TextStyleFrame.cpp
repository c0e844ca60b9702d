#include "panels/TextStyleFrame.h"

#include "MindMaps/NodeStyle.h"
#include "MindMaps/TextStyle.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

int BaseTextStyleFrame::fontSizeItemFor(double size)
{
    const auto rounded = static_cast<long>(std::lround(static_cast<float>(size)));
    for (const long candidate : {rounded, rounded + 1}) {
        if (std::find(FontSizes.begin(), FontSizes.end(), candidate) != FontSizes.end())
            return static_cast<int>(candidate);
    }
    return FallbackFontSize;
}

bool& BaseTextStyleFrame::checkFlag(Check check)
{
    return _checks.at(static_cast<size_t>(check));
}

bool BaseTextStyleFrame::isChecked(Check check) const
{
    return _checks.at(static_cast<size_t>(check));
}

void BaseTextStyleFrame::setCheckBox(Check check, bool checked)
{
    checkFlag(check) = checked;
    controlsChanged();
}

void BaseTextStyleFrame::attributesChanged()
{
    if (_attributesChangedHandler) _attributesChangedHandler();
}

void BaseTextStyleFrame::controlsChanged() const
{
    if (_controlsChangedHandler) _controlsChangedHandler();
}

void BaseTextStyleFrame::userPicked(Check check)
{
    if (_loading != 0) return;
    checkFlag(check) = true;
    controlsChanged();
    attributesChanged();
}

void BaseTextStyleFrame::loadFromTextStyle(const TextStyle& style)
{
    LoadGuard guard(*this);
    _fillColor = style.fillColor().value_or(Color::white());
    _fillWellActive = true;
    _textColor = style.textColor().value_or(Color::black());
    checkFlag(Check::FillColor) = style.isPropCustomized(TextStyle::FillColorMask);
    checkFlag(Check::TextColor) = style.isPropCustomized(TextStyle::TextColorMask);
    _alignment = style.alignment();
    checkFlag(Check::Alignment) = style.isPropCustomized(TextStyle::AlignmentMask);
    checkFlag(Check::Font) = style.isPropCustomized(TextStyle::FontMask);
    _fontStyle = style.fontStyle() & (Bold | Italic | StrikeThrough | Underline);
    _fontSize = fontSizeItemFor(style.fontSize());
    _loadedFontStyle = style.fontStyle();
    _loadedFontScale = style.fontScale();
    _fontEdited = false;
    controlsChanged();
}

void BaseTextStyleFrame::commitToTextStyle(TextStyle& style) const
{
    ElementStyle::UpdateGuard batch(style);
    const auto commit = [&](Check check, uint64_t mask, const auto& write) {
        const bool on = isChecked(check);
        style.setPropCustomized(mask, on);
        if (on) write();
    };
    commit(Check::FillColor, TextStyle::FillColorMask, [&] { style.setFillColor(_fillColor); });
    commit(Check::TextColor, TextStyle::TextColorMask, [&] { style.setTextColor(_textColor); });
    commit(Check::Alignment, TextStyle::AlignmentMask, [&] {
        if (_alignment) style.setAlignment(*_alignment);
    });
    commit(Check::Font, TextStyle::FontMask, [&] {
        if (!_fontEdited) {
            style.setFontStyle(_loadedFontStyle);
            style.setFontScale(_loadedFontScale);
            return;
        }
        style.setFontStyle(_fontStyle);
        if (_fontSize) style.setFontSize(*_fontSize);
    });
}

void BaseTextStyleFrame::fillColorSelected(const Color& color)
{
    _fillColor = color;
    _fillWellActive = true;
    userPicked(Check::FillColor);
}

void BaseTextStyleFrame::textColorSelected(const Color& color)
{
    _textColor = color;
    userPicked(Check::TextColor);
}

void BaseTextStyleFrame::alignmentSelected(int32_t alignment)
{
    _alignment = alignment;
    userPicked(Check::Alignment);
}

void BaseTextStyleFrame::fontStyleToggled(uint64_t bit, bool on)
{
    _fontStyle = on ? (_fontStyle | bit) : (_fontStyle & ~bit);
    if (_loading == 0) _fontEdited = true;
    userPicked(Check::Font);
}

void BaseTextStyleFrame::fontSizeSelected(int size)
{
    _fontSize = size;
    if (_loading == 0) _fontEdited = true;
    userPicked(Check::Font);
}

void BaseTextStyleFrame::checkBoxClicked(Check check, bool on)
{
    checkFlag(check) = on;
    attributesChanged();
}

void BaseTextStyleFrame::transparentButtonClicked()
{
    _fillWellActive = false;
    _fillColor = Color::normalizedClearColor();
    checkFlag(Check::FillColor) = true;
    controlsChanged();
    if (_loading == 0) attributesChanged();
}

void BaseTextStyleFrame::hideFontControls()
{
    _fontControlsHidden = true;
    controlsChanged();
}

void TextStyleFrame::loadFromTextStyle(const TextStyle& style)
{
    LoadGuard guard(*this);
    BaseTextStyleFrame::loadFromTextStyle(style);
    _callOut = style.callOut();
    checkFlag(Check::CallOut) = style.isPropCustomized(TextStyle::CallOutMask);
    controlsChanged();
}

void TextStyleFrame::commitToTextStyle(TextStyle& style) const
{
    ElementStyle::UpdateGuard batch(style);
    BaseTextStyleFrame::commitToTextStyle(style);
    const bool on = isChecked(Check::CallOut);
    style.setPropCustomized(TextStyle::CallOutMask, on);
    if (on && _callOut) style.setCallOut(*_callOut);
}

void TextStyleFrame::callOutSelected(uint64_t callOut)
{
    _callOut = callOut;
    userPicked(Check::CallOut);
}

void NodeStyleFrame::loadFromNodeStyle(const NodeStyle& style)
{
    LoadGuard guard(*this);
    loadFromTextStyle(style);
    _strokeColor = style.strokeColor().value_or(Color(0.5, 0.5, 0.5));
    checkFlag(Check::StrokeColor) = style.isPropCustomized(NodeStyle::StrokeColorMask);
    _borderStyle = style.borderStyle();
    borderWidthSelected(style.borderWidth());
    checkFlag(Check::BorderStyle) = style.isPropCustomized(NodeStyle::BorderStyleMask);
    checkFlag(Check::BorderWidth) = style.isPropCustomized(NodeStyle::BorderWidthMask);
    controlsChanged();
}

void NodeStyleFrame::commitToNodeStyle(NodeStyle& style) const
{
    ElementStyle::UpdateGuard batch(style);
    commitToTextStyle(style);
    const auto commit = [&](Check check, uint64_t mask, const auto& write) {
        const bool on = isChecked(check);
        style.setPropCustomized(mask, on);
        if (on) write();
    };
    commit(Check::StrokeColor, NodeStyle::StrokeColorMask, [&] { style.setStrokeColor(_strokeColor); });
    commit(Check::BorderStyle, NodeStyle::BorderStyleMask, [&] {
        if (_borderStyle) style.setBorderStyle(*_borderStyle);
    });
    commit(Check::BorderWidth, NodeStyle::BorderWidthMask, [&] { style.setBorderWidth(_borderWidth); });
}

void NodeStyleFrame::strokeColorSelected(const Color& color)
{
    _strokeColor = color;
    userPicked(Check::StrokeColor);
}

void NodeStyleFrame::borderStyleSelected(int32_t borderStyle)
{
    _borderStyle = borderStyle;
    userPicked(Check::BorderStyle);
}

void NodeStyleFrame::borderWidthSelected(double width)
{
    _borderWidth = width;
    char label[32];
    std::snprintf(label, sizeof label, "%.2f", width);
    _borderWidthLabel = label;
    if (loading() == 0) userPicked(Check::BorderWidth);
    else controlsChanged();
}
