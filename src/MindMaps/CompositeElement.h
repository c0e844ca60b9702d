#pragma once

#include "MindMaps/MindMapElement.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class ContainedElement;
class MindMapImage;
class MindMapNode;
class MindMapText;

// An element that holds free texts and images (nodes and relations).
//
// Ownership: the container owns its contained elements. Moving one to another container hands it
// over; removing one (removeContainedElement(), ContainedElement::remove()) gives it back to the
// caller as a unique_ptr, so an element a caller does not keep is destroyed right there and no
// container is left pointing at it.
class CompositeElement : public MindMapElement {
public:
    static constexpr size_t NotFound = static_cast<size_t>(-1);

    explicit CompositeElement(MindMap* mindMap);
    ~CompositeElement() override;

    // The element itself when it is a node, else nullptr.
    MindMapNode* asNode();

    // In order: the first is the backmost, the last the topmost.
    std::vector<ContainedElement*> containedElements() const;
    size_t containedElementCount() const
    {
        const ContainedList* list = containedList();
        return list ? list->size() : 0;
    }
    bool hasContainedElements() const
    {
        const ContainedList* list = containedList();
        return list && !list->empty();
    }
    bool hasCustomImages() const;
    size_t indexOfContainedElement(const ContainedElement* element) const; // NotFound when not held

    // Reports the change of a contained element (or of the set, with nullptr) to the map.
    void containedElementChanged(ContainedElement* element);

    MindMapText* addText();
    MindMapImage* addCustomImage(const std::string& imageHash, const std::string& thumbnailHash);

    // Appends an element made for this container without reporting anything: for readers, which
    // report their changes as a whole. Returns the element.
    ContainedElement* appendContainedElement(std::unique_ptr<ContainedElement> element);

    // Hands the element to the target container. No effect for a null target, for this container,
    // for a target in another map or for an element this container does not hold.
    void moveContainedElement(ContainedElement* element, CompositeElement* toContainer);

    // Takes the element out of this container and gives it to the caller; nullptr when this
    // container does not hold it.
    std::unique_ptr<ContainedElement> removeContainedElement(ContainedElement* element);
    void removeAllContainedElements(); // the removed elements are destroyed

    void orderContainedElementBackward(ContainedElement* element);
    void orderContainedElementForward(ContainedElement* element);

    // The topmost contained element under the point, else nullptr.
    ContainedElement* hitTestContainedElements(Point point) const;
    Rect unionContainedElementBounds(Rect rect) const;
    ContainedElement* findContainedElementWithGuid(const std::string& guid) const;

    virtual void assignDefaultLocation(ContainedElement* element);
    void validateContainedElements();
    virtual void textStyleChanged();
    // operation: 0 added, 1 deleted.
    virtual void customImagesChanged(const std::string& imageHash, int operation);

private:
    const ContainedList& contained() const;
    ContainedList& containedToChange() { return containedListToChange(); }
};
