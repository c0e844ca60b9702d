#pragma once

class MindMapStorage;

// The owner of an open storage (the editor document) hears through this what happened to its map
// behind its back.
class MindMapStorageDelegate {
public:
    virtual ~MindMapStorageDelegate() = default;

    // The map moved into or out of the recycle bin (MindMapStorage::inRecycler()).
    virtual void recyclerStatusChanged(MindMapStorage* storage) = 0;
    // The map's file was changed by someone else and should be read again.
    virtual void externallyChanged(MindMapStorage* storage) = 0;
    // The storage is going away (its map was deleted, its file vanished, or it is being disposed):
    // let go of it. The storage no longer has a delegate when this arrives.
    virtual void dropStorage(MindMapStorage* storage) = 0;
};
