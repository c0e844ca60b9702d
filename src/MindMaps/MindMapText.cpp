#include "MindMaps/MindMapText.h"

#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MapLayouter.h"
#include "MindMaps/MarkdownSpanParser.h"
#include "MindMaps/MinTextSizeCalculator.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/StyleHelpers.h"
#include "MindMaps/StyleSheet.h"
#include "MindMaps/TextSizeCalculator.h"
#include "MindMaps/TextStyle.h"
#include "MindMaps/WordWrapping.h"
#include "Utils/StringUtils.h"

#include <algorithm>

namespace {

std::shared_ptr<TextStyle> mapTextStyle(const MindMap* map)
{
    if (!map || !map->style()) return nullptr;
    return map->style()->textStyle();
}

Rect centredRect(Point centre, Size size)
{
    return Rect(centre.x - size.width / 2, centre.y - size.height / 2, size.width, size.height);
}

} // namespace

MindMapText::MindMapText(CompositeElement* container)
    : ContainedElement(container), _style(std::make_unique<TextStyle>(mapTextStyle(mindMap())))
{
    _style->setListener(this);
    // The bits of a new text are pending already, so taking the font reports nothing.
    setFont(StyleSheet::textFont());
    if (MindMap* map = mindMap()) map->noteStatesPending();
}

MindMapText::~MindMapText()
{
    _wrapState.reset();
    _style->setListener(nullptr);
}

int32_t MindMapText::elementType() const
{
    return ElementTypeText;
}

Rect MindMapText::bounds() const
{
    return centredRect(location(), _size);
}

Rect MindMapText::textBounds() const
{
    return centredRect(location(), _textSize);
}

// ---- Text and state ----

void MindMapText::setText(std::string_view text)
{
    std::string validated = MindMapNode::validateNodeText(trimmedWhitespaceAndNewlines(text));
    if (validated == _text) return;
    _text = std::move(validated);
    includeTextUpdateState(UpdateText);
    if (MindMap* map = mindMap()) map->invalidateSearchMatches();
}

void MindMapText::includeTextUpdateState(uint32_t bits)
{
    // A display text built ahead of a batch measurement no longer stands for the text.
    _textPrepared = false;
    _preparedTextSize.reset();
    if (MindMap* map = mindMap(); map && bits != 0) map->noteStatesPending();
    if ((_updateState & bits) == bits) return;
    const bool wasValid = _updateState == 0;
    _updateState |= bits;
    if (wasValid && !_validatingState) {
        if (MindMap* map = mindMap()) map->elementInvalidated(this);
    }
}

const AttributedString* MindMapText::prepareTextForMeasuring()
{
    if (_updateState == 0 || _validatingState) return nullptr;
    if (!_textPrepared) {
        _validatingState = true;
        if (_updateState & UpdateFont) setFont(_style->derivedFont(StyleSheet::textFont()));
        if (_text.empty()) {
            _displayText = AttributedString();
        } else {
            const Font font = _font.value_or(StyleSheet::textFont());
            _displayText = MarkdownSpanParser::markdownToAttributedString(_text, font, fontEffects());
            _displayText.setAlignment(TextRange{0, _displayText.length()},
                                      TextAlignmentForStyleAlignment(_style->alignment()));
        }
        _validatingState = false;
        _textPrepared = true;
    }
    return _text.empty() || _preparedTextSize ? nullptr : &_displayText;
}

void MindMapText::setPreparedTextSize(Size size)
{
    if (_textPrepared) _preparedTextSize = size;
}

void MindMapText::validateState()
{
    if (_updateState == 0 || _validatingState) return;
    prepareTextForMeasuring();
    _validatingState = true;

    if (_text.empty()) {
        _textSize = _minSize;
    } else {
        const Size measured =
            _preparedTextSize ? *_preparedTextSize : MindMapNode::calcAttributedStringSize(_displayText);
        _textSize = Size{std::max(measured.width, _minSize.width), std::max(measured.height, _minSize.height)};
    }
    _textPrepared = false;
    _preparedTextSize.reset();

    _size = Size{std::max(MinimumSide, _textSize.width + Margin + _minSize.height / 4),
                 std::max(MinimumSide, _textSize.height + Margin)};
    if (MindMap* map = mindMap()) map->elementBoundsChanged(this);

    _validatingState = false;
    _updateState = 0;
}

void MindMapText::setFont(const std::optional<Font>& font)
{
    if (font == _font) return;
    _font = font;
    includeTextUpdateState(UpdateFont);
    if (_font) setMinSize(MinTextSizeCalculator::instance().minTextSizeForFont(*_font));
}

unsigned MindMapText::fontEffects() const
{
    return _style->isPropCustomized(TextStyle::FontMask) ? static_cast<unsigned>(_style->fontStyle()) : 0;
}

void MindMapText::setMinSize(Size size)
{
    if (size == _minSize) return;
    _minSize = size;
    includeTextUpdateState(UpdateText);
}

Size MindMapText::calcTextSize(const std::string& text)
{
    return _font ? TextSizeCalculator::instance().sizeForText(text, *_font) : Size();
}

// ---- Style ----

void MindMapText::setColor(const std::optional<Color>& color)
{
    if (!color) return;
    ElementStyle::UpdateGuard batch(*_style);
    _style->setPropCustomized(TextStyle::FillColorMask, true);
    _style->setFillColor(color);
}

void MindMapText::clearStyleCustomization()
{
    _style->reset();
}

Color MindMapText::resolvedTextColor() const
{
    if (std::optional<Color> color = _style->textColor()) return *color;
    const MindMap* map = mindMap();
    const StyleSheet* sheet = map ? map->styleSheet() : nullptr;
    if (sheet && sheet->colorScheme()) return sheet->colorScheme()->fontColor();
    return Color::black();
}

void MindMapText::styleChanged(ElementStyle*)
{
    includeTextUpdateState(UpdateFont);
}

void MindMapText::textStyleChanged()
{
    includeTextUpdateState(UpdateFont);
}

void MindMapText::assignToStyle(TextStyle* style) const
{
    if (!style) return;
    ElementStyle::UpdateGuard batch(*style);
    style->assign(_style.get());
    style->setTextColor(resolvedTextColor());
    if (!_style->isPropCustomized(TextStyle::FontMask) && _font) {
        style->setFontStyle(SwapBoldItalicBits(_font->traits()));
        style->setFontSize(_font->pointSize());
    }
}

void MindMapText::applyPreset(const ElementStyle* style)
{
    const auto* textStyle = dynamic_cast<const TextStyle*>(style);
    if (!textStyle) return;
    // A topic preset is a text style too, but its border properties mean nothing on a free text
    // and would only be written with the document.
    constexpr uint64_t textProps = TextStyle::TextColorMask | TextStyle::FillColorMask | TextStyle::AlignmentMask |
        TextStyle::FontMask | TextStyle::CallOutMask;
    ElementStyle::UpdateGuard batch(*_style);
    _style->merge(textStyle);
    _style->setCustomizedProps(_style->customizedProps() & textProps);
}

// ---- Word wrap ----

void MindMapText::applyWrappedText(const std::string& text)
{
    setText(text);
}

void MindMapText::wordWrappingStarted()
{
    _wrapState = MapLayouter::shared().wordWrapping(this);
}

void MindMapText::wordWrappingEnded()
{
    _wrapState.reset();
}

void MindMapText::setWrapWidth(int64_t width)
{
    if (_wrapState) _wrapState->setWrapWidth(width);
}

int64_t MindMapText::maxWrapWidth() const
{
    return _wrapState ? _wrapState->maxWrapWith() : roundedTextWidth(_textSize.width);
}

int64_t MindMapText::minWrapWidth() const
{
    return _wrapState ? _wrapState->minWrapWith() : roundedTextWidth(_textSize.width);
}

void MindMapText::applyDefaultWrap(bool force)
{
    validateState();
    MindMapNode::applyDefaultWrap(*this, force);
}
