#include "MindMaps/MindMapElement.h"

#include "MindMaps/ContainedElement.h"
#include "MindMaps/MindMap.h"
#include "Utils/GuidCreation.h"

MindMapElement::MindMapElement(MindMap* mindMap) : _mindMap(mindMap)
{
}

MindMapElement::~MindMapElement() = default;

int32_t MindMapElement::elementType() const
{
    return ElementTypeNone;
}

bool MindMapElement::isLinkType() const
{
    int32_t type = elementType();
    return type == ElementTypeCrossLink || type == ElementTypeParentRelation;
}

MindMapElement::Rare& MindMapElement::rare()
{
    if (!_rare) _rare = std::make_unique<Rare>();
    return *_rare;
}

MindMapElement::More& MindMapElement::more()
{
    Rare& block = rare();
    if (!block.more) block.more = std::make_unique<More>();
    return *block.more;
}

MindMapElement::ContainedList& MindMapElement::containedListToChange()
{
    return more().contained;
}

void MindMapElement::destroyContainedList()
{
    if (_rare && _rare->more) _rare->more->contained.clear();
}

const std::string& MindMapElement::guid()
{
    std::string& guid = rare().guid;
    if (guid.empty()) {
        guid = createBase64GUIDString();
        if (_mindMap) _mindMap->markModified();
    }
    return guid;
}

void MindMapElement::setGuid(const std::string& guid)
{
    if (!_rare && guid.empty()) return;
    rare().guid = guid;
}

bool MindMapElement::hasGuid() const
{
    return _rare && !_rare->guid.empty();
}

void MindMapElement::setDragOffset(Point offset)
{
    if (!(_rare && _rare->more) && offset == Point()) return;
    more().dragOffset = offset;
}

bool MindMapElement::hitTest(Point) const
{
    return false;
}

Rect MindMapElement::bounds() const
{
    return Rect();
}

Point MindMapElement::location() const
{
    return Point();
}

void MindMapElement::setLocation(Point)
{
}

bool MindMapElement::isEditing() const
{
    return false;
}

bool MindMapElement::isVisible() const
{
    return true;
}

std::string MindMapElement::stringForToolTip(void*, Point, void*)
{
    return std::string();
}

void MindMapElement::setColor(const std::optional<Color>&)
{
}

void MindMapElement::clearStyleCustomization()
{
}

void MindMapElement::applyPreset(const ElementStyle*)
{
}

void MindMapElement::collectReferencedImages(std::set<std::string>&) const
{
}

bool MindMapElement::isSelected() const
{
    return _selected;
}

void MindMapElement::setIsSelected(bool selected)
{
    _selected = selected;
}

bool MindMapElement::isAutoFocused() const
{
    return _autoFocused;
}

void MindMapElement::setIsAutoFocused(bool autoFocused)
{
    _autoFocused = autoFocused;
}

MindMap* MindMapElement::mindMap() const
{
    return _mindMap;
}
