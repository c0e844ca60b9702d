#pragma once

#include "MindMaps/ElementStyle.h"
#include "platform/Color.h"
#include "platform/Font.h"

#include <cstdint>
#include <memory>
#include <optional>

// The style of the text of a topic or a free text: colours, alignment, call-out and font.
//
// Alignment: 0 centre, 1 left, 2 right. Call-out: 0 none, 1 tapered, 2 line. Font style bits:
// 1 bold, 2 italic, 4 strike-through, 8 underline. The font size is the scale times 14 points.
class TextStyle : public ElementStyle {
public:
    static constexpr uint64_t TextColorMask = 1;
    static constexpr uint64_t FillColorMask = 2;
    static constexpr uint64_t AlignmentMask = 4;
    static constexpr uint64_t FontMask = 8; // font style and scale together
    static constexpr uint64_t CallOutMask = 16;

    static constexpr double BaseFontSize = 14.0;

    explicit TextStyle(std::shared_ptr<TextStyle> parentStyle = nullptr);

    bool isPropDefined(uint64_t mask) const override;

    bool equals(const TextStyle* other) const;
    void assign(const TextStyle* other);
    void merge(const TextStyle* other);
    virtual void reset();

    // Effective values.
    std::optional<Color> fillColor() const;
    std::optional<Color> textColor() const;
    int32_t alignment() const;
    uint64_t callOut() const;
    uint64_t fontStyle() const;
    double fontScale() const;
    double fontSize() const;

    // Raw setters: store the own value, leave the mask alone.
    void setFillColor(const std::optional<Color>& color) { storeOwnValue(_own, &OwnValues::fillColor, color); }
    void setTextColor(const std::optional<Color>& color) { storeOwnValue(_own, &OwnValues::textColor, color); }
    void setAlignment(int32_t alignment) { storeOwnValue(_own, &OwnValues::alignment, alignment); }
    void setCallOut(uint64_t callOut) { storeOwnValue(_own, &OwnValues::callOut, callOut); }
    void setFontStyle(uint64_t fontStyle) { storeOwnValue(_own, &OwnValues::fontStyle, fontStyle); }
    void setFontScale(double fontScale);
    void setFontSize(double fontSize);

    // Hands the text, fill and (for a node style) stroke colour back to the parent.
    void clearColorCustomization();
    // The base font with this style's font style and size, when this style carries a font.
    Font derivedFont(const Font& base) const;

    // User changes.
    void changeAlignment(int32_t alignment);
    void changeFontStyleAspect(uint64_t aspect, bool enable, uint64_t defaultStyle, double defaultSize);
    void changeFontSize(double fontSize, uint64_t defaultStyle, double defaultSize);

protected:
    // The style the values not customised here come from; it never changes.
    const TextStyle* parentTextStyle() const { return _parentStyle.get(); }

    // What equals, assign and merge go through; the font is one property of two values.
    static auto properties()
    {
        using S = TextStyle;
        return std::tuple{
            StyleProperty{FillColorMask, &S::ownFillColor, &S::fillColor, &S::setFillColor},
            StyleProperty{TextColorMask, &S::ownTextColor, &S::textColor, &S::setTextColor},
            StyleProperty{AlignmentMask, &S::ownAlignment, &S::alignment, &S::setAlignment},
            StyleProperty{CallOutMask, &S::ownCallOut, &S::callOut, &S::setCallOut},
            StyleProperty{FontMask, &S::ownFontScale, &S::fontScale, &S::setFontScale},
            StyleProperty{FontMask, &S::ownFontStyle, &S::fontStyle, &S::setFontStyle},
        };
    }

private:
    // The own values, made when one of them first differs from these defaults: most topics carry
    // none and take everything from their parent style.
    struct OwnValues {
        std::optional<Color> fillColor;
        std::optional<Color> textColor;
        int32_t alignment = 0;
        uint64_t callOut = 0;
        uint64_t fontStyle = 0;
        double fontScale = 1.0;
    };
    const OwnValues& own() const { return _own ? *_own : defaultBlock<OwnValues>(); }
    const std::optional<Color>& ownFillColor() const { return own().fillColor; }
    const std::optional<Color>& ownTextColor() const { return own().textColor; }
    int32_t ownAlignment() const { return own().alignment; }
    uint64_t ownCallOut() const { return own().callOut; }
    uint64_t ownFontStyle() const { return own().fontStyle; }
    double ownFontScale() const { return own().fontScale; }

    std::shared_ptr<TextStyle> _parentStyle;
    std::unique_ptr<OwnValues> _own;
};
