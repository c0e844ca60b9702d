#pragma once

#include "store/CloudServiceProvider.h"

#include <any>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class DropboxBrowsingCache;
class DropboxFileInfoCache;

// What the provider and its storages need of the Dropbox service, which implements it.
class DropboxProviderService : public CloudProviderService {
public:
    // Answers for this run once whenSignInKnown() has run its callers.
    virtual bool isAuthorized() const = 0;
    virtual bool isInitialized() const = 0;
    // Posts the folder-changed notification.
    virtual void dispatchDirectoryChanged(const std::string& dbFolder) = 0;
    // The folder listings of this run.
    virtual DropboxBrowsingCache& browsingCache() = 0;

    // The synchronisation record of each cached file.
    virtual DropboxFileInfoCache& fileInfo() = 0;
};

// Dropbox as a source of maps. A map id is the map's Dropbox path in display case ("/Projects/
// Plan.twkx"); the editor works on its local copy in the cache root, whose tree mirrors the Dropbox
// tree in lower case. New maps are written to the cache and handed to the synchroniser for upload.
// Main thread only.
class DropboxProvider : public CloudServiceProvider {
public:
    static constexpr const char* ProviderId = "Dropbox";
    static constexpr const char* CacheRootFolderName = "dropbox-cache";
    static constexpr const char* MapExtension = ".twkx";
    // The folders for media of maps outside any folder, by media kind.
    static constexpr const char* ImagesFolder = "/Tarnwick/Images";
    static constexpr const char* MoviesFolder = "/Tarnwick/Movies";
    static constexpr const char* AudioFolder = "/Tarnwick/Audio";
    static constexpr const char* DocumentsFolder = "/Tarnwick/Documents";
    static constexpr const char* ExportFolder = "/Tarnwick/Export";

    explicit DropboxProvider(DropboxProviderService& service);
    ~DropboxProvider() override;

    // "<store>/dropbox-cache", created with what lies above it; empty when it cannot be made.
    static std::string assureDropboxCacheRootDirectory();

    std::string title() const override;
    Image iconImage() const override;
    Image largeIcon() const override;
    void enabledChanged() override;
    std::string uploadMedia(uint32_t mediaKind, const std::string& fromPath, const std::string& targetName,
                            MindMapStorage* reference) override;
    std::string performCopyToCloud(const std::string& folderId, const std::string& title,
                                   const std::vector<uint8_t>& data) override;
    std::shared_ptr<MindMapStorage> createStorage(const std::string& mindMapId) override;
    std::string createNewMindMapWithReference(MindMapStorage* reference, const std::string& title) override;
    bool isValidMapId(const std::string& mindMapId) override;
    std::shared_ptr<MindMapSearchCache> buildSearchCache() override;

    // Ids differ from cache paths in case: every id goes through cacheFilePathForDbPath().
    std::string cacheFilePathForFileId(const std::string& fileId) const override;
    // "", "/" give the cache root; "\" is read as "/"; the rest is lower-cased and decomposed, and
    // a name too long for the file system is shortened (fitCacheFileName). A path that would leave
    // the root ("." or ".." components) gives the empty text.
    std::string cacheFilePathForDbPath(const std::string& dbPath) const;

    // nullptr when the map has no cache copy yet (it is downloaded first) or no private folder
    // can be made. With updateLastAccessed the record's access date is set, which the cache
    // trimming orders by.
    std::shared_ptr<MindMapStorage> createStorage(const std::string& dbPath, bool updateLastAccessed);
    // For work on a map the user is not opening.
    std::shared_ptr<MindMapStorage> createTempStorage(const std::string& dbPath);

    // Each answers the new map's Dropbox path, or the empty text when nothing was made (the user
    // has been told why).
    std::string createNewMindMapInDbDirectory(const std::string& dbFolder, const std::string& title);
    std::string createNewMindMapInDbDirectory(const std::string& dbFolder, const std::string& title,
                                              const std::optional<std::vector<uint8_t>>& data);
    std::string createNewFile(const std::string& fileName, const std::string& dbFolder,
                              const std::optional<std::vector<uint8_t>>& data);
    // Uploads at once when the network allows; otherwise tells the user it goes up later.
    void startUploadForPath(const std::string& dbPath);

    // The name itself when neither its cache file nor the folder's listing has it; otherwise
    // "<base> (n)<extension>" for the first free n from 1. Keeps the case given.
    std::string getUniqueFileName(const std::string& name, const std::string& dbFolder) const;

    // Open storages follow a move made on Dropbox (the cache copy was moved already).
    void fileRenamedFrom(const std::string& oldPath, const std::string& newPath);
    void directoryRenamedFrom(const std::string& oldFolder, const std::string& newFolder);

    DropboxProviderService& service() const { return _service; }

private:
    DropboxProviderService& _service;
};
