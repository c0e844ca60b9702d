#pragma once

#include "platform/Image.h"

#include <cstdint>
#include <memory>
#include <string>

class MindMapStoreFolder;

// One entry of the local store's tree: a map or a folder. The parent folder's children list owns
// its items (counted, so that an item stays alive while it moves between folders, and so that the
// store's flat map list can hold the same maps); the parent pointer is a plain back reference.
//
// Items are made only through the create() functions of their classes, which append them to
// their parent. Changes of titles and of the tree are reported to the store singleton when it
// exists; items never create it.
class MindMapStoreItem : public std::enable_shared_from_this<MindMapStoreItem> {
public:
    virtual ~MindMapStoreItem();
    MindMapStoreItem(const MindMapStoreItem&) = delete;
    MindMapStoreItem& operator=(const MindMapStoreItem&) = delete;

    // The picture the explorers show; nothing for the base.
    virtual std::shared_ptr<const Image> thumbnail();
    virtual std::shared_ptr<const Image> defaultThumbnail();
    virtual size_t childCount() const;
    // nullptr past the end.
    virtual MindMapStoreItem* childAtIndex(size_t index) const;
    virtual bool isFolder() const;

    const std::string& guid() const { return _guid; }
    const std::string& title() const { return _title; }
    // A different title is stored and reported as a change of the store.
    void setTitle(const std::string& title);
    // The title with every line feed replaced by a space.
    std::string singleLineTitle() const;
    // "/" and the titles of the folders between the root (left out) and the item, joined by "/":
    // "/" for an item in the root, "/A" for one in folder "A" of the root.
    std::string folderPath() const;
    // The number of ancestors.
    int64_t folderLevel() const;
    // Moves the item to the end of the new parent (nullptr: detached). Refused when the parent is
    // unchanged, is the item itself, or lies below it.
    void setParent(MindMapStoreFolder* parent);
    // -1 without parent.
    int64_t indexInParent() const;
    // setParent() and then moveChild() on the new parent, in one store update.
    void moveToParent(MindMapStoreFolder* parent, int64_t index);
    MindMapStoreFolder* parent() const { return _parent; }

    // True when folder is this item or one of its ancestors.
    bool isDescendantOf(const MindMapStoreFolder* folder) const;

protected:
    explicit MindMapStoreItem(std::string guid);
    // The second half of making an item (the shared pointer exists by then): the set-up hook, then
    // the item is appended to its parent.
    void initWithParent(MindMapStoreFolder* parent);
    // Set-up hook, called before the item joins its parent.
    virtual void initialize();

    // Folders may be given another id after creation.
    void replaceGuid(const std::string& guid) { _guid = guid; }
    // The title an item is made with, before it joins a parent (no change to report yet).
    void initTitle(const std::string& title) { _title = title; }

private:
    friend class MindMapStoreFolder;

    std::string _guid;
    std::string _title;
    MindMapStoreFolder* _parent = nullptr;
};
