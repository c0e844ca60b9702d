#pragma once

#include "MindMaps/TextStyle.h"

#include <cstdint>
#include <memory>
#include <optional>

// The style of a topic: its text style plus the border.
//
// Border style: 0 rounded rectangle, 1 half round, 2 drop rounded rectangle, 3 ellipse,
// 4 rectangle, 5 diamond, 6 cloud, 7 none (no border is drawn and the content inset is 0).
class NodeStyle : public TextStyle {
public:
    static constexpr uint64_t StrokeColorMask = 32;
    static constexpr uint64_t BorderStyleMask = 64;
    static constexpr uint64_t BorderWidthMask = 128;

    static constexpr int32_t NoBorder = 7;

    explicit NodeStyle(std::shared_ptr<NodeStyle> parentStyle = nullptr);

    bool equals(const NodeStyle* other) const;
    // A topic's style never takes a call-out from another style: assign and merge drop its bit.
    void assign(const NodeStyle* other);
    void merge(const NodeStyle* other);
    void reset() override;

    // Effective values.
    std::optional<Color> strokeColor() const;
    int32_t borderStyle() const;
    double borderWidth() const;

    // Raw setters: store the own value, leave the mask alone.
    void setStrokeColor(const std::optional<Color>& color) { storeOwnValue(_own, &OwnValues::strokeColor, color); }
    void setBorderStyle(int32_t borderStyle) { storeOwnValue(_own, &OwnValues::borderStyle, borderStyle); }
    void setBorderWidth(double borderWidth);

    // User changes.
    void changeBorderStyle(int32_t borderStyle);
    void changeBorderWidth(double borderWidth);

private:
    // A node style's parent is a node style: the constructor takes no other.
    const NodeStyle* parentNodeStyle() const { return static_cast<const NodeStyle*>(parentTextStyle()); }

    // The text style's properties and the border's.
    static auto properties()
    {
        using S = NodeStyle;
        return std::tuple_cat(
            TextStyle::properties(),
            std::tuple{
                StyleProperty{StrokeColorMask, &S::ownStrokeColor, &S::strokeColor, &S::setStrokeColor},
                StyleProperty{BorderStyleMask, &S::ownBorderStyle, &S::borderStyle, &S::setBorderStyle},
                StyleProperty{BorderWidthMask, &S::ownBorderWidth, &S::borderWidth, &S::setBorderWidth},
            });
    }

    // Made like the text style's own values, when one first differs from these defaults.
    struct OwnValues {
        std::optional<Color> strokeColor;
        int32_t borderStyle = 2;
        double borderWidth = 0.0;
    };
    const OwnValues& own() const { return _own ? *_own : defaultBlock<OwnValues>(); }
    const std::optional<Color>& ownStrokeColor() const { return own().strokeColor; }
    int32_t ownBorderStyle() const { return own().borderStyle; }
    double ownBorderWidth() const { return own().borderWidth; }

    std::unique_ptr<OwnValues> _own;
};
