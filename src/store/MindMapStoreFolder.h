#pragma once

#include "store/MindMapStoreItem.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class MindMapInfoItem;

// A folder of the local store: an ordered list of maps and folders it owns. Its id is "/" and a
// GUID string; the root is "/.root" and the recycle bin "/.recycler". Ids compare ignoring case.
class MindMapStoreFolder : public MindMapStoreItem {
public:
    enum FolderKind : int32_t {
        OrdinaryFolder = 0,
        RootFolder = 1,
        RecycleBinFolder = 2,
    };

    // A new folder appended to parent (nullptr: detached, owned only by the caller).
    static std::shared_ptr<MindMapStoreFolder> create(MindMapStoreFolder* parent, const std::string& title,
                                                      const std::string& guid);
    ~MindMapStoreFolder() override;

    // Replaces the id with a non-empty different text.
    // Waits for its caller in the shell.
    void forceGuid(const std::string& guid);
    int32_t folderKind() const { return _folderKind; }
    void setFolderKind(int32_t folderKind) { _folderKind = folderKind; }

    // "recycle_bin_full_16" for the recycle bin, else "folder-icon".
    std::shared_ptr<const Image> thumbnail() override;
    size_t childCount() const override;
    MindMapStoreItem* childAtIndex(size_t index) const override;
    bool isFolder() const override;

    // -1 when absent.
    int64_t indexOfChild(const MindMapStoreItem* child) const;
    // The index of the last child that is a folder; -1 when none.
    int64_t indexOfLastFolder() const;
    // Appends the item, taking it out of its old parent; nothing when it is a child already.
    virtual void insertChild(MindMapStoreItem* child);
    virtual void removeChild(MindMapStoreItem* child);
    // Moves a child so that it lands before the child that was at index (clamped to 0..count):
    // index 1 to 3 leaves it at 2. Reports a change unless it was at index already.
    void moveChild(MindMapStoreItem* child, int64_t index);
    // Detaches every child at once and hands them over in order, for a caller that places many of
    // them anew: taken out one at a time, each would move the rest of the list.
    std::vector<std::shared_ptr<MindMapStoreItem>> takeChildren();
    // Every map inside, in tree order (sub-folders' maps at the sub-folder's place).
    void getContainedMaps(std::vector<MindMapInfoItem*>& maps) const;
    // Every folder inside, in pre-order.
    void getContainedFolders(std::vector<MindMapStoreFolder*>& folders) const;
    // This folder or the first below it, depth first, with that id (ignoring case).
    MindMapStoreFolder* folderByGuid(const std::string& guid);
    // The first child folder with exactly that title.
    MindMapStoreFolder* subFolderNamed(const std::string& name) const;

    const std::vector<std::shared_ptr<MindMapStoreItem>>& children() const { return _children; }

protected:
    MindMapStoreFolder(const std::string& title, const std::string& guid);
    void initialize() override;

    std::vector<std::shared_ptr<MindMapStoreItem>> _children;

private:
    int32_t _folderKind = OrdinaryFolder;
};

// The folders of a tree by id and by title, for a caller that looks up or adds many in one go (a
// folder index being read): folderByGuid() and subFolderNamed() walk the tree or the siblings at
// each call. It knows the tree as it was when made, and the folders it is told of since.
class MindMapStoreFolderLookup {
public:
    explicit MindMapStoreFolderLookup(MindMapStoreFolder* root);

    // As root->folderByGuid(guid); nullptr for an empty id.
    MindMapStoreFolder* folderByGuid(const std::string& guid) const;
    // As parent->subFolderNamed(name).
    MindMapStoreFolder* subFolderNamed(MindMapStoreFolder* parent, const std::string& name);
    // A folder just appended to its parent, with an id no folder of the tree holds.
    void folderAdded(MindMapStoreFolder* folder);

private:
    std::unordered_map<std::string, MindMapStoreFolder*> _byGuid;
    // Filled for a parent when first asked about it.
    std::unordered_map<const MindMapStoreFolder*, std::unordered_map<std::string, MindMapStoreFolder*>> _byTitle;
};

// A detached list of items that stay in their own folders (an explorer's search result, say):
// referring to an item neither moves it nor changes its parent.
class MindMapStoreRefFolder : public MindMapStoreFolder {
public:
    static std::shared_ptr<MindMapStoreRefFolder> create(const std::string& title);

    void clear();
    void referToItem(MindMapStoreItem* item);

    // Only references: the items keep their parents.
    void insertChild(MindMapStoreItem* child) override;
    void removeChild(MindMapStoreItem* child) override;

private:
    explicit MindMapStoreRefFolder(const std::string& title);
};
