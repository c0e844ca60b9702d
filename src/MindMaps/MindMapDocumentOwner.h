#pragma once

class UndoManager;

// The editor document as owner of a map: the map uses its undo manager and tells it of changes.
class MindMapDocumentOwner {
public:
    enum class ChangeKind { Done = 0, Undone = 1, Cleared = 2, Redone = 5 };

    virtual ~MindMapDocumentOwner() = default;
    virtual UndoManager* undoManager() = 0;
    virtual bool isDocumentEdited() const = 0;
    virtual void updateChangeCount(ChangeKind kind) = 0;
};
