#pragma once

#include "MindMaps/ElementStyle.h"
#include "MindMaps/ElementStyleListener.h"
#include "platform/Color.h"

#include <cstdint>
#include <memory>
#include <optional>

class NodeStyle;
class RelationStyle;
class TextStyle;

// The style of a whole map: its connection style, background and checkbox colour, and the four
// part styles that the map's topics, free texts, parent relations and cross links inherit from.
//
// The map style listens to its parts: a change of any part is its own change, and a change of the
// node style is also reported to the node-style listener, ahead of the general report.
//
// Connection style (of parent relations): 0 centred, 1 baseline, 2 left-right.
class MindMapStyle : public ElementStyle, public ElementStyleListener {
public:
    static constexpr uint64_t ConnectionStyleMask = 1;
    static constexpr uint64_t BackgroundColorMask = 2;
    static constexpr uint64_t CheckboxColorMask = 4;

    // With a parent, each part inherits from the parent's matching part; a root's parts have no
    // parent.
    explicit MindMapStyle(std::shared_ptr<MindMapStyle> parentStyle = nullptr);
    ~MindMapStyle() override;

    bool isPropDefined(uint64_t mask) const override;
    void setUpdating(bool updating) override;

    bool equals(const MindMapStyle* other) const;
    void assign(const MindMapStyle* other);
    virtual void reset();

    // Effective values; the colours are never nil.
    int32_t connectionStyle() const;
    // A style sheet answers its colour scheme's background instead, so that every reader (a
    // child style, assign()) sees the scheme as it is now.
    virtual Color backgroundColor() const;
    Color checkboxColor() const;

    // Raw setters: store the own value, leave the mask alone.
    void setConnectionStyle(int32_t connectionStyle) { storeOwnValue(_connectionStyle, connectionStyle); }
    void setBackgroundColor(const std::optional<Color>& color) { storeOwnValue(_backgroundColor, color); }
    void setCheckboxColor(const std::optional<Color>& color) { storeOwnValue(_checkboxColor, color); }

    void styleChanged(ElementStyle* style) override;
    void nodeStyleChanged();

    // Waits for its caller in the panels.
    NodeStyleListener* nodeStyleListener() const { return _nodeStyleListener; }
    void setNodeStyleListener(NodeStyleListener* listener) { _nodeStyleListener = listener; }
    const std::shared_ptr<MindMapStyle>& parentStyle() const { return _parentStyle; }
    const std::shared_ptr<NodeStyle>& nodeStyle() const { return _nodeStyle; }
    const std::shared_ptr<TextStyle>& textStyle() const { return _textStyle; }
    const std::shared_ptr<RelationStyle>& crossLinkStyle() const { return _crossLinkStyle; }
    const std::shared_ptr<RelationStyle>& parentRelationStyle() const { return _parentRelationStyle; }
    // What a relation line without a style of its own answers: a style that carries nothing and
    // takes every value from the part. Shared by all such lines of the map; never changed.
    const RelationStyle& blankCrossLinkStyle() const;
    const RelationStyle& blankParentRelationStyle() const;
    // The same for a topic without a style of its own. Made with the parts, as the threads that
    // measure topics may read it.
    const NodeStyle& blankNodeStyle() const { return *_blankNodeStyle; }

private:
    // What equals and assign go through besides the parts.
    static auto properties()
    {
        using S = MindMapStyle;
        return std::tuple{
            StyleProperty{ConnectionStyleMask, &S::_connectionStyle, &S::connectionStyle, &S::setConnectionStyle},
            StyleProperty{BackgroundColorMask, &S::_backgroundColor, &S::backgroundColor, &S::setBackgroundColor},
            StyleProperty{CheckboxColorMask, &S::_checkboxColor, &S::checkboxColor, &S::setCheckboxColor},
        };
    }

    std::shared_ptr<MindMapStyle> _parentStyle;
    // The parts are shared: the styles of the map's elements keep them as their parents.
    std::shared_ptr<NodeStyle> _nodeStyle;
    std::shared_ptr<RelationStyle> _crossLinkStyle;
    std::shared_ptr<RelationStyle> _parentRelationStyle;
    std::shared_ptr<TextStyle> _textStyle;
    mutable std::unique_ptr<const RelationStyle> _blankCrossLinkStyle;
    mutable std::unique_ptr<const RelationStyle> _blankParentRelationStyle;
    std::unique_ptr<const NodeStyle> _blankNodeStyle;
    int32_t _connectionStyle = 0;
    std::optional<Color> _backgroundColor;
    std::optional<Color> _checkboxColor;
    NodeStyleListener* _nodeStyleListener = nullptr;
    bool _nodeStyleChanged = false;
};
