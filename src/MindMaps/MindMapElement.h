#pragma once

#include "platform/Color.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class ContainedElement;
class MindMap;
class ElementStyle;

// Element type bits, as selection masks, selection parcels and documents use them.
enum MindMapElementType : int32_t {
    ElementTypeNone = 0,
    ElementTypeNode = 1,
    ElementTypeCrossLink = 2,
    ElementTypeParentRelation = 4,
    ElementTypeImage = 8,
    ElementTypeText = 16,
};

// Every visible thing of a map: its identity, selection state and the operations through which the
// map finds, selects, hit-tests and validates it. Elements are owned by the map (nodes, cross
// links) or by their container (texts and images); the map pointer is a back reference.
class MindMapElement {
public:
    explicit MindMapElement(MindMap* mindMap);
    virtual ~MindMapElement();
    MindMapElement(const MindMapElement&) = delete;
    MindMapElement& operator=(const MindMapElement&) = delete;

    virtual int32_t elementType() const;
    virtual bool isLinkType() const;

    // The GUID is made on first request and marks the map modified, since it will be written with
    // the document. Lookups must test hasGuid() first so that they never create one.
    virtual const std::string& guid();
    virtual void setGuid(const std::string& guid); // an empty string leaves the element without GUID
    virtual bool hasGuid() const;

    virtual bool hitTest(Point point) const;
    virtual Rect bounds() const;
    virtual Point location() const;
    virtual void setLocation(Point location);
    virtual bool isEditing() const;
    virtual bool isVisible() const;
    virtual std::string stringForToolTip(void* view, Point point, void* userData);
    virtual void setColor(const std::optional<Color>& color);
    virtual void clearStyleCustomization();
    virtual void applyPreset(const ElementStyle* style);
    virtual void collectReferencedImages(std::set<std::string>& images) const;
    virtual bool isSelected() const;
    virtual void setIsSelected(bool selected);
    // Waits for its caller in the editor.
    virtual bool isAutoFocused() const;
    virtual void setIsAutoFocused(bool autoFocused);
    virtual MindMap* mindMap() const;

    // Scratch offset kept per element while a drag runs.
    Point dragOffset() const { return _rare && _rare->more ? _rare->more->dragOffset : Point(); }
    void setDragOffset(Point offset);

    // The element matches the map's current search criteria.
    bool searchMatch() const { return _searchMatch; }
    void setSearchMatch(bool match) { _searchMatch = match; }

protected:
    // The map as given to the constructor, without a virtual call: for the paths that run for
    // every element of a large map.
    MindMap* givenMap() const { return _mindMap; }

    // The free texts and images a composite holds, kept with the rare parts: most topics and lines
    // hold none, and a map has many.
    using ContainedList = std::vector<std::unique_ptr<ContainedElement>>;
    // nullptr while the element has never held one.
    const ContainedList* containedList() const { return _rare && _rare->more ? &_rare->more->contained : nullptr; }
    ContainedList& containedListToChange();
    // Destroys the held elements while the composite that holds them is still whole, since they
    // may call back into it.
    void destroyContainedList();

private:
    // What only some elements have (a GUID once asked for or read, a drag under way, contained
    // elements), kept apart so that a map of many elements stays small. A GUID is the common one
    // (every element read from a document has it), so it alone keeps the block at its size.
    struct More {
        Point dragOffset;
        ContainedList contained;
    };
    struct Rare {
        std::string guid;
        std::unique_ptr<More> more;
    };
    Rare& rare();
    More& more();

    MindMap* _mindMap = nullptr;
    std::unique_ptr<Rare> _rare;
    bool _selected = false;
    bool _autoFocused = false;
    bool _searchMatch = false;
};
