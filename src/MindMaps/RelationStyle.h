#pragma once

#include "MindMaps/ElementStyle.h"
#include "platform/Color.h"

#include <cstdint>
#include <memory>
#include <optional>

// The style of a relation line (a topic's parent relation or a cross link).
//
// Line style codes: 0 cable, 1 solid thick, 2 double, 3 solid thin, 4 wide cable, 5 dashed double,
// 6 dashed thin, 7 tapered, 8 reverse tapered, 9 auto tapered. Path: 0 bezier, 1 orthogonal,
// 2 straight. Arrows: 0 none, 1 single, 2 filled, 3 open, 4 inhibit, 5 open circle, 6 filled
// circle, 7 open diamond, 8 filled diamond.
class RelationStyle : public ElementStyle {
public:
    static constexpr uint64_t LineStyleMask = 1;
    static constexpr uint64_t PathStyleMask = 2;
    static constexpr uint64_t SourceArrowMask = 4;
    static constexpr uint64_t TargetArrowMask = 8;
    static constexpr uint64_t ColorMask = 16;
    static constexpr uint64_t LineWidthMask = 32;

    // A root style passes nullptr. The own values start at 0 and nil.
    explicit RelationStyle(std::shared_ptr<RelationStyle> parentStyle = nullptr);

    static double defaultLineWidth(int32_t lineStyle);

    bool isPropDefined(uint64_t mask) const override;

    bool equals(const RelationStyle* other) const;
    void assign(const RelationStyle* other);
    void merge(const RelationStyle* other);
    void reset();

    // Effective values: the parent's unless this style carries the property (a root always answers
    // its own).
    int32_t lineStyle() const;
    double lineWidth() const;
    int32_t relationPathStyle() const;
    int32_t sourceArrowStyle() const;
    int32_t targetArrowStyle() const;
    std::optional<Color> color() const;

    // Raw setters: store the own value, leave the mask alone.
    void setLineStyle(int32_t lineStyle) { storeOwnValue(_own, &OwnValues::lineStyle, lineStyle); }
    void setLineWidth(double lineWidth);
    void setRelationPathStyle(int32_t pathStyle) { storeOwnValue(_own, &OwnValues::relationPathStyle, pathStyle); }
    void setSourceArrowStyle(int32_t arrowStyle) { storeOwnValue(_own, &OwnValues::sourceArrowStyle, arrowStyle); }
    void setTargetArrowStyle(int32_t arrowStyle) { storeOwnValue(_own, &OwnValues::targetArrowStyle, arrowStyle); }
    void setColor(const std::optional<Color>& color) { storeOwnValue(_own, &OwnValues::color, color); }

    // Gives a cross-link style the line that goes with a parent-relation line style, optionally
    // with its default arrow. The mask is not touched.
    void deriveCrossLinkLineStyle(int32_t parentRelationLineStyle, bool hasDefaultArrow);
    // Waits for its caller in the editor.
    bool hasArrows() const;
    const std::shared_ptr<RelationStyle>& parentStyle() const { return _parentStyle; }

    // User changes.
    void changeLineStyle(int32_t lineStyle);
    void changeLineWidth(double lineWidth);
    void changePathStyle(int32_t pathStyle);
    void changeSourceArrow(int32_t arrowStyle);
    void changeTargetArrow(int32_t arrowStyle);

private:
    // What equals, assign and merge go through.
    static auto properties()
    {
        using S = RelationStyle;
        return std::tuple{
            StyleProperty{LineStyleMask, &S::ownLineStyle, &S::lineStyle, &S::setLineStyle},
            StyleProperty{LineWidthMask, &S::ownLineWidth, &S::lineWidth, &S::setLineWidth},
            StyleProperty{PathStyleMask, &S::ownRelationPathStyle, &S::relationPathStyle, &S::setRelationPathStyle},
            StyleProperty{SourceArrowMask, &S::ownSourceArrowStyle, &S::sourceArrowStyle, &S::setSourceArrowStyle},
            StyleProperty{TargetArrowMask, &S::ownTargetArrowStyle, &S::targetArrowStyle, &S::setTargetArrowStyle},
            StyleProperty{ColorMask, &S::ownColor, &S::color, &S::setColor},
        };
    }

    // The own values, made when one of them first differs from these defaults: the lines of most
    // topics carry none and take everything from the map's style.
    struct OwnValues {
        int32_t lineStyle = 0;
        int32_t relationPathStyle = 0;
        int32_t sourceArrowStyle = 0;
        int32_t targetArrowStyle = 0;
        std::optional<Color> color;
        double lineWidth = 0.0;
    };
    const OwnValues& own() const { return _own ? *_own : defaultBlock<OwnValues>(); }
    int32_t ownLineStyle() const { return own().lineStyle; }
    double ownLineWidth() const { return own().lineWidth; }
    int32_t ownRelationPathStyle() const { return own().relationPathStyle; }
    int32_t ownSourceArrowStyle() const { return own().sourceArrowStyle; }
    int32_t ownTargetArrowStyle() const { return own().targetArrowStyle; }
    const std::optional<Color>& ownColor() const { return own().color; }

    std::shared_ptr<RelationStyle> _parentStyle;
    std::unique_ptr<OwnValues> _own;
};
