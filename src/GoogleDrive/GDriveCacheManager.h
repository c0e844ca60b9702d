#pragma once

#include "cloud/CloudCacheRecords.h"

#include <cstdint>
#include <string>
#include <vector>

class FileDigestCache;
class GDriveFileInfoCache;
class GDriveFolderCache;

// Keeps the flat folder of cached Drive files within its budget: files nobody recorded go, then
// copies Drive still has, least recently used first; maps with local changes, new and offline ones
// and the open map stay and count against the budget. Records without a copy and folders cut off
// from My Drive go too. Main thread only.
class GDriveCacheManager {
public:
    GDriveCacheManager(GDriveFileInfoCache& fileInfo, GDriveFolderCache& folderCache, std::string rootDirectory);
    void setVolumeSize(CacheBudget::VolumeSize volumeSize) { _volumeSize = std::move(volumeSize); }
    // The service's digests, so that only copies changed since they were last hashed are read.
    void setDigestCache(FileDigestCache* digests) { _digests = digests; }

    // editorStorageId: the Drive id of the map open in the editor, empty when none is.
    void cleanupCache(const std::string& editorStorageId);

    // What the last run counted and deleted.
    uint64_t modifiedFileSize() const { return _sizes.keptSize(); }
    uint64_t recentFileSize() const { return _sizes.trimmableSize(); }
    const std::vector<std::string>& deletedFiles() const { return _deleted; }

private:
    void cleanup();
    void collectFilesInDirectory(const std::string& directory);
    void processFiles();
    void removeStrayCacheItems();
    void cleanupFolderCache();
    void deleteFile(const std::string& path);

    GDriveFileInfoCache& _fileInfo;
    GDriveFolderCache& _folderCache;
    std::string _rootDirectory;
    CacheBudget::VolumeSize _volumeSize;
    FileDigestCache* _digests = nullptr;
    std::string _editorStorageId;
    bool _keepUnrecorded = false;
    CacheBudget _sizes;
    std::vector<std::string> _deleted;
};
