#pragma once

class MindMapElement;

// An editor beside the canvas that shows the selected element (the note panel). The map holds a
// non-owning pointer to it and tells it of selection and attribute changes.
class MindMapModelessEditor {
public:
    virtual ~MindMapModelessEditor() = default;

    // Commits pending edits of the outgoing primary element (may be nullptr).
    virtual void beforeChangingSelection(MindMapElement* element) = 0;
    // Shows the new primary element (may be nullptr).
    virtual void afterChangingSelection(MindMapElement* element) = 0;
    // Forgets the selection without committing (the map is being cleared).
    virtual void dropSelection() = 0;
    // Refreshes one attribute of an element (0: the note).
    virtual void attributeChanged(MindMapElement* element, unsigned attribute) = 0;
};
