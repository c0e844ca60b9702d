#pragma once

#include "store/CloudServiceProvider.h"

#include <any>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class GDriveFileInfoCache;
class GDriveFileInfoItem;
class GDriveFolderCache;
class GDriveIdentifierPool;

// What the provider and its storages need of the Google Drive service, which implements it.
class GDriveProviderService : public CloudProviderService {
public:
    // Signed in and set up: the application folders are known.
    virtual bool isLinked() const = 0;
    // Asks the user first.
    void deauthorize() override = 0;
    virtual void manualSynchronize() = 0;
    // Posts the folder-changed notification.
    virtual void dispatchFolderChanged(const std::string& folderId) = 0;
    virtual std::string uniqueFileName(const std::string& name, const std::string& parentFolderId) = 0;

    virtual GDriveFileInfoCache& fileInfo() = 0;
    virtual GDriveFolderCache& folderCache() = 0;
    virtual GDriveIdentifierPool& identifierPool() = 0;
};

// Google Drive as a source of maps. A map id is its Drive file id; the editor works on its local
// copy, which lies flat in the cache root under the hex text of the id. New maps take an id Drive
// made in advance, so they can be made offline and uploaded later under it. Main thread only.
class GDriveProvider : public CloudServiceProvider {
public:
    static constexpr const char* ProviderId = "GoogleDrive";
    static constexpr const char* CacheRootFolderName = "googledrive";
    static constexpr const char* MapExtension = "twkx";
    // Where media of maps outside any Drive folder go, by media kind.
    static constexpr const char* ImagesFolder = "/Tarnwick/Images";
    static constexpr const char* MoviesFolder = "/Tarnwick/Movies";
    static constexpr const char* AudioFolder = "/Tarnwick/Audio";
    static constexpr const char* ExportFolder = "/Tarnwick/Export";

    explicit GDriveProvider(GDriveProviderService& service);
    ~GDriveProvider() override;

    // "<store>/googledrive", created with what lies above it; empty when it cannot be made.
    static std::string ensureCacheRootDirectory();
    static const char* mediaFolderForKind(uint32_t mediaKind);

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
    std::optional<MindMapListInfo> getMindMapListInfo(const std::string& mindMapId) override;
    std::string buildPathBasedLink(const std::string& gdriveId) override;
    bool hasCaseSensitiveIds() const override { return true; }
    bool prefersNativeLinks() const override { return true; }
    bool isValidMapId(const std::string& mindMapId) override { return !mindMapId.empty(); }
    std::shared_ptr<MindMapSearchCache> buildSearchCache() override;

    // The local copy named by the id's record; empty without a record.
    std::string cacheFilePathForFileId(const std::string& fileId) const override;
    std::string cacheFilePathForCacheFileInfo(const GDriveFileInfoItem* item) const;

    // A conflict copy takes the place of the file: open maps follow it.
    void changeFileId(const std::string& oldId, const std::string& newId);

    // nullptr when the map has no cache copy yet (it is downloaded first) or no private folder
    // can be made. With updateLastAccessed the record's access date is set, which the cache
    // trimming orders by.
    std::shared_ptr<MindMapStorage> createStorage(const std::string& gdriveId, bool updateLastAccessed);
    // For work on a map the user is not opening.
    std::shared_ptr<MindMapStorage> createTempStorage(const std::string& gdriveId);

    // Each answers the new file's Drive id, or the empty text when nothing was made (the user has
    // been told why). An empty folder id is My Drive.
    std::string createNewMindMapInFolder(const std::string& folderId, const std::string& title);
    std::string createNewMindMapInFolder(const std::string& folderId, const std::string& title,
                                         const std::optional<std::vector<uint8_t>>& data);
    std::string createNewFile(const std::string& fileName, const std::string& folderId,
                              const std::optional<std::vector<uint8_t>>& data);
    void synchronizeWithCloud();
    // Uploads at once when the network allows; otherwise tells the user it goes up later.
    void startUploadForFileId(const std::string& gdriveId, const std::string& fileName);
    // Export data beside the map, under the map's name with the extension given.
    std::string uploadMindMapExportData(const std::vector<uint8_t>& data, const std::string& extension,
                                        const std::string& mindMapId);

    GDriveProviderService& service() const { return _service; }

private:
    GDriveProviderService& _service;
};
