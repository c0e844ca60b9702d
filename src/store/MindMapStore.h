#pragma once

#include "MindMaps/MindMapFormats.h"
#include "platform/Error.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

class LocalProvider;
class MindMapInfoItem;
class MindMapStoreFolder;
class MindMapStoreImportResult;
class MindMapStoreItem;
class MindMapStoreLock;

// The local store of maps: "$XDG_DATA_HOME/Tarnwick" with the documents folder "Mind Maps" (one
// "<GUID>.twkx" per map, custom style files, image folders, folder index and index cache),
// "Scratch", "Caches", "AppSupport" and "providers/storages". It keeps the flat list of maps and
// the folder tree with its recycle bin, makes, duplicates, imports and deletes maps, and
// announces every change once per outermost update bracket.
//
// One process-wide instance, made on first use. Only one process owns the store at a time (a lock
// on a file in the store root); a second one works with the maps but leaves "Scratch" and the
// cloud caches of the first alone.
//
// Main thread only, except collectReferencedImages() and cleanupUnusedLocalImages().
class MindMapStore {
public:
    // Object: the store.
    static constexpr const char* MindMapStoreChangedNotification = "com.Orrinworks.MindMapStoreChanged";
    // Object: the store. User info: GuidKey (std::string).
    static constexpr const char* MindMapDeletedNotification = "com.Orrinworks.MindMapDeleted";
    static constexpr const char* MindMapExternalCommittedNotification = "tarnwick.store.MindMapExternalCommitted";
    static constexpr const char* GuidKey = "guid";

    static constexpr const char* RootFolderGuid = "/.root";
    static constexpr const char* RecyclerFolderGuid = "/.recycler";
    static constexpr const char* MindMapExtension = "twkx";
    static constexpr const char* OlderDocumentExtension = "twk-doc";
    static constexpr const char* StoreFolderName = "Tarnwick";
    static constexpr const char* DocumentsFolderName = "Mind Maps";
    // Inside "Mind Maps": the local images, the custom icons and the clipboard's images.
    static constexpr const char* ImageFolderNames[] = {"Images", "Custom Icons", "Clipboard"};
    static constexpr const char* ScratchFolderName = "Scratch";
    static constexpr const char* CachesFolderName = "Caches";
    static constexpr const char* AppSupportFolderName = "AppSupport";
    static constexpr const char* ProvidersFolderName = "providers";
    static constexpr const char* StoragesFolderName = "storages";
    static constexpr const char* OlderDocumentBackupFolderName = "twkdoc";
    static constexpr const char* ThumbnailSuffix = "-tn.png";
    static constexpr const char* NewMindMapTitle = "New Mind Map";
    static constexpr const char* DidConvertTwkDefaultsKey = "mindmap-index-did-convert-twk";
    // Set once the older documents that an earlier version moved into "twkdoc" unconverted have
    // been converted.
    static constexpr const char* DidConvertTwkdocDefaultsKey = "mindmap-index-did-convert-twkdoc";
    // The native format version, also the number in the index cache's name.
    static constexpr int64_t IndexCacheVersion = 3;
    // The index cache keeps a title and a digest a map; a larger file is not read, and only costs
    // reading every map.
    static constexpr uint64_t MaximumIndexCacheSize = uint64_t(256) << 20;

    // The singleton, made on first use.
    static MindMapStore* mindMapStoreInstance();
    // The singleton when it exists; never makes it.
    static MindMapStore* existingInstance();
    // Saves the folder index and the index cache, then lets the singleton go; nothing when none.
    static void releaseMindMapStoreInstance();
    static MindMapInfoItem* safeGetMindMapByGuid(const std::string& guid);
    // A GUID that may name a file: non-empty, at most 70 characters, no character invalid in file
    // names (space included), no control character, not starting with ".".
    static bool isValidMindMapGuid(const std::string& guid);
    // "/" and a new GUID string.
    static std::string createFolderGuid();

    // ---- Directories ----

    // "$XDG_DATA_HOME/Tarnwick"; empty when the data folder is unknown.
    static std::string tarnWickStoreRootPath();
    // The root plus the sub-folder, created (without intermediates) when missing; empty when it
    // cannot be made.
    static std::string tarnWickStoreSubDirPath(const std::string& subDir);
    static std::string appSupportDirectory();
    // The folders of a store root that maps and their pictures are written to, root first.
    static std::vector<std::string> mapFolderPaths(const std::string& root);
    // Those and the folder of the program's own files (the history of opened maps): every folder
    // of the store that a start must be able to write to.
    static std::vector<std::string> writtenFolderPaths(const std::string& root);
    // True when this process owns the store (and so may clear "Scratch" and the cloud caches):
    // the singleton holds the store's lock, or, before it exists, nobody else holds it.
    static bool ownsStoreLock();

    ~MindMapStore();
    MindMapStore(const MindMapStore&) = delete;
    MindMapStore& operator=(const MindMapStore&) = delete;

    // Empty when the store root or "Mind Maps" could not be made: then nothing touches the disk.
    const std::string& documentsDirectory() const { return _documentsDirectory; }
    const std::string& scratchDirectory() const { return _scratchDirectory; }
    const std::string& cachesDirectory() const { return _cachesDirectory; }
    // The folder for converted older documents, made on first need; empty when it cannot be.
    std::string twkdocBackupDirectory();
    // A free path in "Scratch" for the name: the name, else "<name>(1).<ext>", "<name>(2).<ext>"...
    // Empty without a scratch folder.
    std::string uniqueFileInScratchDirectory(const std::string& fileName) const;
    // True when "Mind Maps" did not exist before this start.
    bool mindMapStoreDirectoryCreated() const { return _mindMapStoreDirectoryCreated; }

    // ---- Maps ----

    size_t count() const { return _mindMaps.size(); }
    const std::vector<std::shared_ptr<MindMapInfoItem>>& mindMaps() const { return _mindMaps; }
    // Waits for its caller in the shell.
    MindMapInfoItem* getFirstMindMap() const;
    // The first map with that GUID, ignoring case; nullptr for an empty text.
    MindMapInfoItem* mindMapByGuid(const std::string& guid) const;
    // Makes the item for a map file that is already in the documents folder: appended to the
    // folder (the root for nullptr), and put at the front or the end of the map list. The disk is
    // not touched; the caller fills title, SHA-1 and image flag (or synchronises).
    MindMapInfoItem* addMindMapItem(const std::string& mindMapFile, MindMapStoreFolder* folder, bool atFront);
    // A new empty map titled "New Mind Map" at the top of the folder (the root for nullptr).
    MindMapInfoItem* addMindMapInFolder(MindMapStoreFolder* folder, Error* error = nullptr);
    // A caller that takes the error says it; without one the failure is presented here.
    MindMapInfoItem* duplicateMindMap(MindMapInfoItem* mindMap, Error* error = nullptr);
    // A map of the caller's that an import of a FreeMind or OPML document reads into instead of a
    // map of its own: once the import is done (filled), the map is as reading the new item's file
    // makes it, and the caller need not read that file. Any other document leaves the map alone;
    // a refused import leaves it empty and disabled.
    struct ImportTarget {
        MindMap* mindMap = nullptr;
        bool filled = false;
        // The GUID a map made anew gets, when it can name a map file and no map of the store has
        // it; a native document keeps its own.
        std::string guid;
    };

    // Native XML, a native container, the older format, OPML or FreeMind, as a new map in the
    // root; nullptr (and no map left behind), with the reader's error, when the data reads as
    // none of them. The image entries of a container that were not kept are listed in *skipped.
    MindMapInfoItem* importMindMap(const MindMapData& data, Error* error = nullptr,
                                   std::vector<std::string>* skipped = nullptr, ImportTarget* target = nullptr);
    // The same under a GUID from outside, replacing the map of that GUID; a GUID that cannot name
    // a file gets a fresh one instead.
    MindMapInfoItem* importMindMap(const MindMapData& data, const std::string& guid, Error* error = nullptr,
                                   std::vector<std::string>* skipped = nullptr);
    // A file's content as importMindMap() takes it; a file named ".txt" that is no other format
    // reads as plain text.
    MindMapInfoItem* importMindMapFile(const std::string& path, Error* error = nullptr,
                                       std::vector<std::string>* skipped = nullptr);
    MindMapInfoItem* addMindMapWithExternalTwkxData(const MindMapData& data, const std::string& guid,
                                                    MindMapStoreFolder* folder, Error* error = nullptr,
                                                    std::vector<std::string>* skipped = nullptr);
    // Final: posts MindMapDeletedNotification, then removes the files and the item.
    void deleteMindMap(MindMapInfoItem* mindMap);
    // Posts MindMapExternalCommittedNotification for the map.
    void mindMapExternalCommitted(MindMapInfoItem* mindMap);
    // Deletes the local images no map refers to; nothing at all when any map cannot be scanned.
    // Answers how many images went.
    int64_t cleanupUnusedLocalImages();
    // The image hashes all maps refer to; nothing when any map that has images cannot be read.
    std::optional<std::set<std::string>> collectReferencedImages();

    // ---- Folders ----

    MindMapStoreFolder* rootFolder() const { return _rootFolder.get(); }
    MindMapStoreFolder* recycleBin() const;
    MindMapStoreFolder* assureRecycleBin();
    // True for the recycle bin and every folder inside it.
    bool isRecyclerFolder(const MindMapStoreFolder* folder) const;
    // nullptr for an empty id; searches the whole tree, ignoring case.
    MindMapStoreFolder* folderByGuid(const std::string& guid) const;
    MindMapStoreFolder* addNewFolder(MindMapStoreFolder* parent, const std::string& title);
    // An empty guid gets a new one, a nullptr parent is the root; with insertAfterLastFolder the
    // folder goes just after the parent's last folder, else at its end.
    MindMapStoreFolder* addFolder(MindMapStoreFolder* parent, const std::string& title, const std::string& guid,
                                  bool insertAfterLastFolder);
    void moveFolderToRecycleBin(MindMapStoreFolder* folder);
    // Deletes every map inside; system folders inside go to the root; the folder itself goes
    // unless it is a system folder (so that deleting the recycle bin empties it).
    void deleteFolder(MindMapStoreFolder* folder);
    // The folder with id "/.recycler" becomes the recycle bin.
    void fixupSystemFolders();
    void moveSystemFolderToRoot(MindMapStoreFolder* folder);
    // The folder, or the root for nullptr.
    MindMapStoreFolder* assureValidParentFolder(MindMapStoreFolder* folder) const;

    // ---- Change signalling ----

    void beginUpdate();
    // The outermost end posts MindMapStoreChangedNotification when anything changed inside, and
    // writes the folder index when the tree changed: false, with why, when that write failed.
    bool endUpdate(Error* error = nullptr);
    // Posts at once outside a bracket, else marks the bracket changed.
    void mindMapStoreChanged();
    // As mindMapStoreChanged(), and the folder index is written when the bracket closes.
    void folderTreeChanged();

    // Until finishHeldWrites() (or saveIndexToFile()), a map written into the documents folder is
    // whole on disk before it takes its name, but the folder is not synced after each rename and
    // the folder index is not written: a crash meanwhile leaves each map file as it was or whole,
    // and no index names a map whose name may not have reached the disk. A start holds them until
    // its first frame is painted.
    void holdWrites() { _holdingWrites = true; }
    bool holdsWrites() const { return _holdingWrites; }
    // Syncs the documents folder, then writes the folder index when the tree changed meanwhile.
    void finishHeldWrites();
    // A file of the documents folder took its name without the folder being synced.
    void documentsFolderLeftUnsynced() { _documentsFolderUnsynced = true; }

    // Opens a bracket for its lifetime.
    class UpdateBracket {
    public:
        explicit UpdateBracket(MindMapStore* store) : _store(store)
        {
            if (_store) _store->beginUpdate();
        }
        ~UpdateBracket()
        {
            if (_store) _store->endUpdate();
        }
        UpdateBracket(const UpdateBracket&) = delete;
        UpdateBracket& operator=(const UpdateBracket&) = delete;

    private:
        MindMapStore* _store;
    };

    // ---- Folder index, index cache and store archive (MindMapStoreIndex.cpp, MindMapStoreArchive.cpp) ----

    // "folder-index.xml" in the documents folder; empty without one.
    std::string folderIndexFileName() const;
    // The folder index document; with the custom styles for the device link.
    std::optional<std::vector<uint8_t>> getFolderIndexData(bool withCustomStyles) const;
    // Writes the folder index atomically; false without documents folder or when the write fails.
    bool saveFolderIndexFile(Error* error = nullptr);
    // Arranges the maps of the list into the tree of "folder-index.xml"; maps it does not name end
    // up in the root. A damaged file is put aside (as "folder-index.xml.corrupt"), its folders
    // before the damage are kept, and it is told through takeUnreadableFolderIndex().
    void loadFolderIndexFile();
    // The folder index found damaged or unreadable at start: where it was put aside (empty when it
    // could not be), what was wrong with it (the technical finding), and whether folders were read
    // from it.
    struct UnreadableFolderIndex {
        std::string path;
        std::string movedTo;
        std::string detail;
        bool partlyRead = false;
    };
    // Answers it once.
    std::optional<UnreadableFolderIndex> takeUnreadableFolderIndex();
    // "mind_map_index_v3.plist" in the documents folder; empty without one.
    std::string indexCacheFilePath() const;
    bool saveIndexCache(Error* error = nullptr);
    // Builds the map list from the documents folder, taking title, SHA-1 and image flag from the
    // index cache where its SHA-1 matches the file, and scanning the other files.
    void validateIndex();
    // Folder index, then index cache.
    void saveIndexToFile();
    // A map nested more deeply than any import reads is left out, and its title added to leftOut;
    // the rest is exported.
    bool exportToArchive(const std::string& archivePath, Error* error = nullptr,
                         std::vector<std::string>* leftOut = nullptr);
    // nullptr when the archive cannot be opened or extracting it failed.
    std::unique_ptr<MindMapStoreImportResult> importFromArchive(const std::string& archivePath, Error* error = nullptr);
    // A map file that an archive import has just put into the documents folder.
    void mindmapFileImported(const std::string& fileName, MindMapStoreFolder* importFolder);

private:
    MindMapStore();
    void init();
    void initDocumentsDirectory();
    void cleanupScratchDirectory();
    // Temporary files of writes that a crash interrupted, in the folders the store writes to.
    void removeLeftoverTemporaryFiles();
    // Converts the older documents into native ones once (MindMapStoreConversion.cpp). A file
    // that does not convert stays where it is and is reported; none is ever deleted.
    void convertTwkFiles();
    void initProvider();
    MindMapInfoItem* createMindMapInfoItemAndAssignGuid(MindMapStoreFolder* folder);
    // A map file name under a fresh GUID that no file of the documents folder has.
    std::string unusedMindMapFileName() const;
    // Native data of any readable format, under the GUID; nothing, with the reader's error, when
    // it reads as none. Data no format claims is read in the format given as undetectedFormat
    // (0: none).
    std::optional<MindMapData> assureTarnwickXDataFormat(const MindMapData& data, const std::string& guid,
                                                         Error* error = nullptr, int32_t undetectedFormat = 0);
    MindMapInfoItem* importMindMapData(const MindMapData& data, int32_t undetectedFormat, Error* error,
                                       std::vector<std::string>* skipped, ImportTarget* target = nullptr);
    // A map in a foreign format read and written as a native document straight into the new item's
    // file named fileName: a large map's document is never held whole beside the map. Nothing, with
    // the store as it was, when it does not read.
    MindMapInfoItem* importForeignMindMap(const MindMapData& data, int32_t format, const std::string& fileName,
                                          Error* error, ImportTarget* target = nullptr);
    // The same for the bytes of a text file, let go of as soon as they are decoded.
    MindMapInfoItem* importTextMindMap(MindMapData&& data, const std::string& fileName, Error* error);
    // The map that read fills (with the GUID given) written into the new item's file: the
    // target's map when there is one, else one of the import's own.
    MindMapInfoItem* importReadMindMap(const std::function<bool(MindMap&, const std::string& guid)>& read,
                                       const std::string& fileName, Error* error, ImportTarget* target = nullptr);
    // The same into the map given (nullptr: one of its own), which a refused import leaves as the
    // read left it.
    MindMapInfoItem* importReadMindMapInto(const std::function<bool(MindMap&, const std::string& guid)>& read,
                                           const std::string& fileName, Error* error, MindMap* into);
    // Copies a native container's images into the local image store; the entries not kept are
    // appended to *skipped.
    void importCustomImages(const MindMapData& archiveData, std::vector<std::string>* skipped);

    std::vector<std::shared_ptr<MindMapInfoItem>> _mindMaps;
    // Lower-cased GUID to map, rebuilt on demand after the list changed: links to local maps ask
    // for every link at each status update.
    mutable std::unordered_map<std::string, MindMapInfoItem*> _mindMapsByGuid;
    mutable bool _mindMapsByGuidValid = false;
    std::string _documentsDirectory;
    std::string _twkdocBackupDirectory;
    std::string _scratchDirectory;
    std::string _cachesDirectory;
    bool _mindMapStoreDirectoryCreated = false;
    std::shared_ptr<MindMapStoreFolder> _rootFolder;
    int64_t _lockCount = 0;
    bool _lockedChanges = false;
    bool _lockedTreeChanges = false;
    // Set while starting: the folder index just read is not written back.
    bool _starting = false;
    bool _holdingWrites = false;
    bool _heldTreeChanges = false;
    bool _documentsFolderUnsynced = false;
    std::optional<UnreadableFolderIndex> _unreadableFolderIndex; // not yet told
    std::unique_ptr<MindMapStoreLock> _storeLock;
    std::shared_ptr<LocalProvider> _localProvider;
};
