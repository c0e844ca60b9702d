#pragma once

#include "GoogleDrive/GDriveMetadata.h"
#include "cloud/CloudCacheRecords.h"
#include "platform/Error.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class GDriveFolderCache;

enum GDriveFolderState : unsigned {
    GDriveFolderStateUnresolved = 0,
    GDriveFolderStateDisconnected = 1,
    GDriveFolderStateConnected = 2,
};

// One Drive folder as last seen: title, parent and (in memory only) its last listed children.
class GDriveFolderInfoItem {
public:
    GDriveFolderInfoItem(std::string gdriveId, GDriveFolderCache* cache);
    // As read from the file: loading is no change to save.
    GDriveFolderInfoItem(std::string gdriveId, GDriveFolderCache* cache, std::optional<std::string> name,
                         std::optional<std::string> parentId);

    const std::string& gdriveId() const { return _gdriveId; }
    const std::optional<std::string>& parentId() const { return _parentId; }
    const std::optional<std::string>& name() const { return _name; }
    // Each tells the cache of a change only when the value differs.
    void setName(std::optional<std::string> name);
    void setParentId(std::optional<std::string> parentId);
    // The alias "root" becomes the real root's id; the cache files the item anew itself.
    void changeRootGDriveId(const std::string& gdriveId);

    // Never saved: listings are taken afresh each run.
    const std::optional<std::vector<GDriveMetadata>>& items() const { return _items; }
    std::vector<GDriveMetadata>* mutableItems() { return _items ? &*_items : nullptr; }
    void setItems(std::optional<std::vector<GDriveMetadata>> items) { _items = std::move(items); }

    GDriveFolderState folderState() const { return _folderState; }
    void setFolderState(GDriveFolderState state) { _folderState = state; }

    bool isRootFolder() const;
    GDriveFolderInfoItem* parentFolder() const;
    GDriveFolderInfoItem* getGDriveRootFolder() const;
    GDriveFolderInfoItem* findSubFolder(const std::string& name) const;

private:
    GDriveFolderCache* _cache;
    std::string _gdriveId;
    std::optional<std::string> _parentId;
    std::optional<std::string> _name;
    std::optional<std::vector<GDriveMetadata>> _items;
    GDriveFolderState _folderState = GDriveFolderStateUnresolved;
};

// The user's Drive folder tree as far as the program has seen it, saved for offline browsing:
// folder ids to slash paths and back, names in folders. Items are owned here; pointers to them
// last until the item is removed. Main thread only.
class GDriveFolderCache {
public:
    static constexpr const char* RootAlias = "root";

    // Reads the file at once; nothing is written until the first change.
    explicit GDriveFolderCache(std::string fileName);
    GDriveFolderCache(const GDriveFolderCache&) = delete;
    GDriveFolderCache& operator=(const GDriveFolderCache&) = delete;

    static const std::string& normalizeKey(const std::string& gdriveId) { return gdriveId; }

    const std::string& fileName() const { return _fileName; }
    std::vector<GDriveFolderInfoItem*> itemsList();
    size_t count() const { return _items.size(); }
    GDriveFolderInfoItem* rootFolder() const { return _rootFolder; }
    // "root" while there is no root folder.
    std::string rootFolderId() const;
    const std::string& realGDriveRootFolderId() const { return _realRootId; }
    bool hasRealGDriveRootFolderId() const { return !_realRootId.empty(); }

    void load();
    bool save(Error* error = nullptr);
    void clear();
    void changed() { _batch.changed(); }
    void beginUpdate() { _batch.beginUpdate(); }
    void endUpdate() { _batch.endUpdate(); }
    bool isModified() const { return _batch.isModified(); }
    void itemLoaded(std::unique_ptr<GDriveFolderInfoItem> item);

    GDriveFolderInfoItem* get(const std::string& gdriveId) const;
    GDriveFolderInfoItem* assureFolder(const std::string& gdriveId);
    GDriveFolderInfoItem* getParentFolder(const GDriveFolderInfoItem* folder) const;
    GDriveFolderInfoItem* getParentFolderForId(const std::string& gdriveId) const;
    std::vector<GDriveFolderInfoItem*> getSubFoldersForFolderId(const std::string& gdriveId) const;
    // The first sub-folder of that name, ignoring case.
    GDriveFolderInfoItem* findSubFolder(const std::string& name, const std::string& parentFolderId) const;
    bool folderNameExists(const std::string& name, const std::string& parentFolderId) const
    {
        return findSubFolder(name, parentFolderId) != nullptr;
    }
    // Among the folder's listed children, files and folders, ignoring case.
    bool fileNameExists(const std::string& name, const std::string& folderId) const;
    // "A/B" for folder B in folder A of the root; nullopt for the root and unknown ids.
    std::optional<std::string> buildFolderPath(const std::string& folderId) const;
    // The id of the folder at a slash path from the root, names ignoring case. With bestMatch a
    // missing level gives the deepest folder found instead of nullopt.
    std::optional<std::string> resolveFolderIdForFolderPath(const std::string& path, bool bestMatch) const;

    void setRealGDriveRootFolderId(const std::string& gdriveId);
    // One listing of the folder; with includesFiles it holds files too, else folders only.
    void updateFolder(GDriveFolderInfoItem* folder, const std::vector<GDriveMetadata>& listing, bool includesFiles);
    void folderUpdated(const GDriveMetadata& metadata);
    void updateFileMetadata(const GDriveMetadata& metadata);
    void folderDeleted(const std::string& gdriveId);
    void fileDeleted(const std::string& fileId, const std::string& parentFolderId);
    void fileMoved(const GDriveMetadata& metadata, const std::string& fromFolderId, const std::string& toFolderId);

    // Folders whose parents do not lead to the root; loops end.
    std::vector<GDriveFolderInfoItem*> collectDisconnectedFolders();
    GDriveFolderState resolveFolderState(GDriveFolderInfoItem* folder);

private:
    void internalClear();
    void assureRootFolder();
    void setRealRootIdLoaded(const std::string& gdriveId) { _realRootId = gdriveId; }
    friend class GDriveFolderCacheFiler;

    std::string _fileName;
    std::map<std::string, std::unique_ptr<GDriveFolderInfoItem>> _items;
    GDriveFolderInfoItem* _rootFolder = nullptr;
    std::string _realRootId;
    RecordSaveBatch _batch{[this] { save(); }};
};

// The folder file's XML: "folder-cache" with "root-id", holding one "folder" with "id", "title" and
// "parent" per folder.
class GDriveFolderCacheFiler {
public:
    explicit GDriveFolderCacheFiler(GDriveFolderCache& cache) : _cache(cache) {}

    // False for no data, text that is not XML, and another root element.
    bool loadCacheFromData(const std::string& data);
    std::string buildDataFromCache();

    // A missing file leaves the cache as it is.
    static bool loadCache(GDriveFolderCache& cache);
    static bool saveCache(GDriveFolderCache& cache, Error* error = nullptr);

private:
    GDriveFolderCache& _cache;
};
