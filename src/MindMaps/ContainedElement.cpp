#include "MindMaps/ContainedElement.h"

#include "MindMaps/CompositeElement.h"
#include "MindMaps/MindMap.h"

ContainedElement::ContainedElement(CompositeElement* container)
    : MindMapElement(container ? container->mindMap() : nullptr), _container(container)
{
}

ContainedElement::~ContainedElement() = default;

void ContainedElement::setRelLocation(Point location)
{
    if (location == _relLocation) return;
    _relLocation = location;
    if (MindMap* map = mindMap()) map->elementBoundsChanged(this);
}

Point ContainedElement::absLocation() const
{
    Point origin = _container ? _container->location() : Point();
    return origin + _relLocation;
}

void ContainedElement::setAbsLocation(Point location)
{
    Point origin = _container ? _container->location() : Point();
    setRelLocation(location - origin);
}

Point ContainedElement::location() const
{
    return absLocation();
}

void ContainedElement::setLocation(Point location)
{
    setAbsLocation(location);
}

bool ContainedElement::isVisible() const
{
    return _container && _container->isVisible();
}

bool ContainedElement::hitTest(Point point) const
{
    return pointInRect(point, bounds());
}

void ContainedElement::assignDefaultLocation()
{
    validateState();
    if (_container) _container->assignDefaultLocation(this);
}

void ContainedElement::validateState()
{
}

void ContainedElement::linkToContainer(CompositeElement* container)
{
    if (_container) _container->moveContainedElement(this, container);
}

void ContainedElement::relinkedToContainer(CompositeElement* container)
{
    _container = container;
}

std::unique_ptr<ContainedElement> ContainedElement::remove()
{
    CompositeElement* former = _container;
    _container = nullptr;
    if (!former) return nullptr;
    return former->removeContainedElement(this);
}

size_t ContainedElement::indexInContainer() const
{
    return _container ? _container->indexOfContainedElement(this) : CompositeElement::NotFound;
}

void ContainedElement::orderForward()
{
    if (_container) _container->orderContainedElementForward(this);
}

void ContainedElement::orderBackward()
{
    if (_container) _container->orderContainedElementBackward(this);
}
