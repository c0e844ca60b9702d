#pragma once

#include "MindMaps/MindMapElement.h"

#include <cstddef>
#include <memory>

class CompositeElement;

// A free text or image held by a composite (a node or a relation), placed relative to it.
// The container owns the element; the element's container pointer is a back reference, null once
// the element has been removed.
class ContainedElement : public MindMapElement {
public:
    // Takes the container's map and keeps the container, but does not add itself to the
    // container's list: the container's factories and the readers do that.
    explicit ContainedElement(CompositeElement* container);
    ~ContainedElement() override;

    CompositeElement* container() const { return _container; }

    Point relLocation() const { return _relLocation; }
    void setRelLocation(Point location);

    // The container's location plus the relative location.
    Point absLocation() const;
    void setAbsLocation(Point location);
    Point location() const override;
    void setLocation(Point location) override;

    bool isVisible() const override; // the container's visibility; a removed element is not visible
    bool hitTest(Point point) const override;

    void assignDefaultLocation();
    virtual void validateState();

    // Moves the element to another container of the same map.
    void linkToContainer(CompositeElement* container);
    // Only records the new container; called by the composites.
    void relinkedToContainer(CompositeElement* container);

    // Takes the element out of its container. The element is owned by the returned pointer: a
    // caller that drops it destroys the element, so `this` must not be used afterwards unless the
    // caller keeps it. nullptr when the element has no container.
    std::unique_ptr<ContainedElement> remove();

    size_t indexInContainer() const;
    void orderForward();
    void orderBackward();

private:
    Point _relLocation;
    CompositeElement* _container = nullptr;
};
