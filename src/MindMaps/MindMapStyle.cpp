#include "MindMaps/MindMapStyle.h"

#include "MindMaps/ColorUtils.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/TextStyle.h"

#include <utility>

MindMapStyle::MindMapStyle(std::shared_ptr<MindMapStyle> parentStyle) : _parentStyle(std::move(parentStyle))
{
    if (_parentStyle) {
        _nodeStyle = std::make_shared<NodeStyle>(_parentStyle->_nodeStyle);
        _crossLinkStyle = std::make_shared<RelationStyle>(_parentStyle->_crossLinkStyle);
        _parentRelationStyle = std::make_shared<RelationStyle>(_parentStyle->_parentRelationStyle);
        _textStyle = std::make_shared<TextStyle>(_parentStyle->_textStyle);
    } else {
        _nodeStyle = std::make_shared<NodeStyle>();
        _crossLinkStyle = std::make_shared<RelationStyle>();
        _parentRelationStyle = std::make_shared<RelationStyle>();
        _textStyle = std::make_shared<TextStyle>();
    }
    _crossLinkStyle->deriveCrossLinkLineStyle(_parentRelationStyle->lineStyle(), true);
    _nodeStyle->setListener(this);
    _crossLinkStyle->setListener(this);
    _parentRelationStyle->setListener(this);
    _textStyle->setListener(this);
    _blankNodeStyle = std::make_unique<const NodeStyle>(_nodeStyle);
}

MindMapStyle::~MindMapStyle()
{
    // The parts may outlive this style as the parents of element styles; they must not report to
    // it any more.
    ElementStyle* parts[] = {_nodeStyle.get(), _crossLinkStyle.get(), _parentRelationStyle.get(), _textStyle.get()};
    for (ElementStyle* part : parts) {
        if (part->listener() == this) part->setListener(nullptr);
    }
}

const RelationStyle& MindMapStyle::blankCrossLinkStyle() const
{
    if (!_blankCrossLinkStyle) _blankCrossLinkStyle = std::make_unique<const RelationStyle>(_crossLinkStyle);
    return *_blankCrossLinkStyle;
}

const RelationStyle& MindMapStyle::blankParentRelationStyle() const
{
    if (!_blankParentRelationStyle)
        _blankParentRelationStyle = std::make_unique<const RelationStyle>(_parentRelationStyle);
    return *_blankParentRelationStyle;
}

bool MindMapStyle::isPropDefined(uint64_t mask) const
{
    if (isPropCustomized(mask)) return true;
    return _parentStyle && _parentStyle->isPropDefined(mask);
}

void MindMapStyle::setUpdating(bool updating)
{
    if (updating) {
        _nodeStyleChanged = false;
    } else if (_nodeStyleChanged) {
        nodeStyleChanged();
    }
    ElementStyle::setUpdating(updating);
}

bool MindMapStyle::equals(const MindMapStyle* other) const
{
    return equalProps(other, properties()) && _nodeStyle->equals(other->_nodeStyle.get()) &&
        _parentRelationStyle->equals(other->_parentRelationStyle.get()) &&
        _crossLinkStyle->equals(other->_crossLinkStyle.get()) && _textStyle->equals(other->_textStyle.get());
}

void MindMapStyle::assign(const MindMapStyle* other)
{
    UpdateGuard batch(*this);
    if (!assignProps(other, properties())) return;
    _nodeStyle->assign(other->_nodeStyle.get());
    _textStyle->assign(other->_textStyle.get());
    _crossLinkStyle->assign(other->_crossLinkStyle.get());
    _parentRelationStyle->assign(other->_parentRelationStyle.get());
}

void MindMapStyle::reset()
{
    clearCustomizedPropsQuietly();
    _connectionStyle = 0;
    _backgroundColor.reset();
    _checkboxColor.reset();
    _nodeStyle->reset();
    _textStyle->reset();
    _crossLinkStyle->reset();
    _parentRelationStyle->reset();
    _crossLinkStyle->deriveCrossLinkLineStyle(_parentRelationStyle->lineStyle(), true);
}

int32_t MindMapStyle::connectionStyle() const
{
    return _parentStyle && !isPropCustomized(ConnectionStyleMask) ? _parentStyle->connectionStyle() : _connectionStyle;
}

Color MindMapStyle::backgroundColor() const
{
    if (_parentStyle && !isPropCustomized(BackgroundColorMask)) return _parentStyle->backgroundColor();
    return _backgroundColor.value_or(normalizedWhiteColor());
}

Color MindMapStyle::checkboxColor() const
{
    if (_parentStyle && !isPropCustomized(CheckboxColorMask)) return _parentStyle->checkboxColor();
    return _checkboxColor.value_or(materialGreen600());
}

void MindMapStyle::styleChanged(ElementStyle* style)
{
    // The node-style report comes first, as it does when a batch closes, so that the map has
    // revalidated its topics by the time it handles the general report.
    if (style && style == _nodeStyle.get()) nodeStyleChanged();
    changed();
}

void MindMapStyle::nodeStyleChanged()
{
    if (updateCount() >= 1) {
        _nodeStyleChanged = true;
        return;
    }
    _nodeStyleChanged = false;
    if (_nodeStyleListener) _nodeStyleListener->nodeStyleChanged(this);
}
