#include "MindMaps/CompositeElement.h"

#include "MindMaps/ContainedElement.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"

#include <algorithm>
#include <utility>

CompositeElement::CompositeElement(MindMap* mindMap) : MindMapElement(mindMap)
{
}

CompositeElement::~CompositeElement()
{
    destroyContainedList();
}

const CompositeElement::ContainedList& CompositeElement::contained() const
{
    static const ContainedList none;
    const ContainedList* list = containedList();
    return list ? *list : none;
}

MindMapNode* CompositeElement::asNode()
{
    return dynamic_cast<MindMapNode*>(this);
}

std::vector<ContainedElement*> CompositeElement::containedElements() const
{
    std::vector<ContainedElement*> elements;
    elements.reserve(contained().size());
    for (const auto& element : contained()) elements.push_back(element.get());
    return elements;
}

bool CompositeElement::hasCustomImages() const
{
    return std::any_of(contained().begin(), contained().end(),
                       [](const auto& element) { return dynamic_cast<MindMapImage*>(element.get()) != nullptr; });
}

size_t CompositeElement::indexOfContainedElement(const ContainedElement* element) const
{
    if (!element) return NotFound;
    for (size_t i = 0; i < contained().size(); ++i) {
        if (contained()[i].get() == element) return i;
    }
    return NotFound;
}

void CompositeElement::containedElementChanged(ContainedElement* element)
{
    if (MindMap* map = mindMap()) map->elementBoundsChanged(element);
}

MindMapText* CompositeElement::addText()
{
    auto text = std::make_unique<MindMapText>(this);
    MindMapText* result = text.get();
    containedToChange().push_back(std::move(text));
    containedElementChanged(result);
    return result;
}

MindMapImage* CompositeElement::addCustomImage(const std::string& imageHash, const std::string& thumbnailHash)
{
    auto image = std::make_unique<MindMapImage>(this, imageHash, thumbnailHash);
    MindMapImage* result = image.get();
    containedToChange().push_back(std::move(image));
    containedElementChanged(result);
    return result;
}

ContainedElement* CompositeElement::appendContainedElement(std::unique_ptr<ContainedElement> element)
{
    if (!element) return nullptr;
    ContainedElement* result = element.get();
    result->relinkedToContainer(this);
    containedToChange().push_back(std::move(element));
    return result;
}

void CompositeElement::moveContainedElement(ContainedElement* element, CompositeElement* toContainer)
{
    if (!toContainer || toContainer == this) return;
    // The element keeps its map back reference, so it must stay within its map.
    if (toContainer->mindMap() != mindMap()) return;
    size_t index = indexOfContainedElement(element);
    if (index == NotFound) return;

    std::unique_ptr<ContainedElement> moving = std::move(containedToChange()[index]);
    containedToChange().erase(containedToChange().begin() + static_cast<std::ptrdiff_t>(index));
    toContainer->containedToChange().push_back(std::move(moving));
    element->relinkedToContainer(toContainer);
    element->assignDefaultLocation();
    toContainer->containedElementChanged(element);
}

std::unique_ptr<ContainedElement> CompositeElement::removeContainedElement(ContainedElement* element)
{
    size_t index = indexOfContainedElement(element);
    if (index == NotFound) return nullptr;

    element->relinkedToContainer(nullptr);
    std::unique_ptr<ContainedElement> removed = std::move(containedToChange()[index]);
    containedToChange().erase(containedToChange().begin() + static_cast<std::ptrdiff_t>(index));
    containedElementChanged(nullptr);
    return removed;
}

void CompositeElement::removeAllContainedElements()
{
    while (!contained().empty()) removeContainedElement(contained().back().get());
}

void CompositeElement::orderContainedElementBackward(ContainedElement* element)
{
    size_t index = indexOfContainedElement(element);
    if (index == NotFound || index == 0) return;
    std::swap(containedToChange()[index], containedToChange()[index - 1]);
    containedElementChanged(element);
}

void CompositeElement::orderContainedElementForward(ContainedElement* element)
{
    size_t index = indexOfContainedElement(element);
    if (index == NotFound || index + 1 >= contained().size()) return;
    std::swap(containedToChange()[index], containedToChange()[index + 1]);
    containedElementChanged(element);
}

ContainedElement* CompositeElement::hitTestContainedElements(Point point) const
{
    for (auto it = contained().rbegin(); it != contained().rend(); ++it) {
        if ((*it)->hitTest(point)) return it->get();
    }
    return nullptr;
}

Rect CompositeElement::unionContainedElementBounds(Rect rect) const
{
    for (const auto& element : contained()) rect = unionRect(rect, element->bounds());
    return rect;
}

ContainedElement* CompositeElement::findContainedElementWithGuid(const std::string& guid) const
{
    for (const auto& element : contained()) {
        if (element->hasGuid() && element->guid() == guid) return element.get();
    }
    return nullptr;
}

void CompositeElement::assignDefaultLocation(ContainedElement* element)
{
    if (element) element->setRelLocation(Point());
}

void CompositeElement::validateContainedElements()
{
    for (size_t i = 0; i < contained().size(); ++i) contained()[i]->validateState();
}

void CompositeElement::textStyleChanged()
{
    for (const auto& element : contained()) {
        if (auto* text = dynamic_cast<MindMapText*>(element.get())) text->textStyleChanged();
    }
}

void CompositeElement::customImagesChanged(const std::string& imageHash, int operation)
{
    for (const auto& element : contained()) {
        if (auto* image = dynamic_cast<MindMapImage*>(element.get())) image->customImagesChanged(imageHash, operation);
    }
}
