#pragma once

#include "MindMaps/UndoState.h"

#include <cstdint>
#include <string>

class MindMap;
class MindMapElement;

// One run of a property dialog over one element: the undo capture taken before the dialog shows,
// and whether the element is still the map's when the dialog returns. Main-loop callbacks run in
// the dialog's nested loop, so a reload may have replaced the map's content meanwhile; a dialog
// whose element is gone writes nothing and drops its capture.
class PropertyDialogSession {
public:
    // captureUndo: take one delayed undo step named actionName (already localised).
    PropertyDialogSession(MindMapElement& element, const std::string& actionName, bool captureUndo);
    ~PropertyDialogSession();
    PropertyDialogSession(const PropertyDialogSession&) = delete;
    PropertyDialogSession& operator=(const PropertyDialogSession&) = delete;

    MindMap* mindMap() const { return _mindMap; }
    // The element is still in the map it was opened on, and the content was not replaced.
    bool elementAlive() const;
    // Registers the capture as the undo step.
    void commitUndo();
    // Forgets the capture: nothing is registered or restored.
    void dropUndo();

private:
    MindMapElement& _element;
    MindMap* _mindMap;
    uint64_t _generation = 0;
    UndoState _undoState;
    bool _captured = false;
};
