#pragma once

#include "MindMaps/CompositeElement.h"
#include "MindMaps/ElementStyleListener.h"
#include "MindMaps/RelationPath.h"
#include "MindMaps/RelationStyle.h"

#include <cstdint>
#include <memory>
#include <optional>

class MindMapNode;

// A line between two nodes: a topic's line to its parent (ParentRelation) or a cross link
// (CrossLink). Relations can carry free texts like any composite.
//
// Relation path styles: 0 curved, 1 orthogonal, 2 straight. Line styles 7 tapered, 8 reverse
// tapered and 9 auto tapered draw a tapered line.
class MindMapRelation : public CompositeElement {
public:
    static constexpr int32_t PathStyleCurved = 0;
    static constexpr int32_t PathStyleOrthogonal = 1;
    static constexpr int32_t PathStyleStraight = 2;
    static constexpr int32_t LineStyleTapered = 7;
    static constexpr int32_t LineStyleReverseTapered = 8;
    static constexpr int32_t LineStyleAutoTapered = 9;

    ~MindMapRelation() override;

    virtual MindMapNode* sourceNode() const;
    virtual MindMapNode* targetNode() const;
    // Both ends exist.
    bool isValid() const;

    // The style the line is drawn, routed and written with. A line that carries no value of its
    // own answers the map's blank style of its kind; ownStyle() gives it one to change.
    const RelationStyle* style() const { return _style ? &_style->style : &blankStyle(); }
    // The line's own style, made on first need: most lines never carry a value of their own.
    RelationStyle* ownStyle();
    bool hasOwnStyle() const { return _style != nullptr; }
    RelationPath& relationPath() { return _relationPath; }
    const RelationPath& relationPath() const { return _relationPath; }
    bool hasCustomPath() const { return _relationPath.customRouted; }
    void setHasCustomPath(bool hasCustomPath);
    virtual bool allowsCustomPath() const = 0;

    // The relation's own style changed.
    void styleChanged(ElementStyle* style);
    // Every property follows the parent style again.
    void clearStyleCustomization() override;
    // Copies the relation's style into the given one; a relation without a colour of its own
    // passes on its target topic's scheme stroke colour.
    void assignToStyle(RelationStyle* style) const;
    // Takes a relation style only, merged into the relation's own.
    void applyPreset(const ElementStyle* style) override;
    void setColor(const std::optional<Color>& color) override;

    bool hitTest(Point point) const override;
    // The contained element under the point, else the relation itself when its line is hit, else
    // nullptr.
    MindMapElement* performHitTest(Point point);
    Rect bounds() const override;
    Point location() const override;

    // The user drags the path's handle: the path becomes custom, and a straight one orthogonal.
    void moveCustomPoint(Point point);
    Rect unionCustomRelationPath(Rect rect) const;

    bool isTapered() const;
    void updatePathTaper();

protected:
    // The relation's style inherits from the map style's part of its kind (elementType()).
    explicit MindMapRelation(MindMap* mindMap);

private:
    // A relation whose path was never routed is drawn, measured and hit as the straight line
    // between its nodes.
    void makeStraightWhenNull() const;
    const RelationStyle& blankStyle() const;

    // The relation's own style with what passes its changes on to the relation: only the lines
    // that carry a value of their own have one, so the relation itself listens to no style.
    struct OwnStyle : ElementStyleListener {
        OwnStyle(MindMapRelation& relation, std::shared_ptr<RelationStyle> parentStyle);
        void styleChanged(ElementStyle* changed) override { relation.styleChanged(changed); }
        MindMapRelation& relation;
        RelationStyle style;
    };

    mutable RelationPath _relationPath;
    std::unique_ptr<OwnStyle> _style;
};
