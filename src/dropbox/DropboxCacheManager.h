#pragma once

#include "cloud/CloudCacheRecords.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class DropboxFileInfoCache;

// Keeps the cache folder of the cloud files within a budget: files without local changes go, the
// least recently used first; maps with local changes, new and offline ones and the open map stay
// and count against the budget. Main thread only.
class DropboxCacheManager {
public:
    // Bytes of the file system holding a path; nullopt when it cannot be read.
    using VolumeSize = CacheBudget::VolumeSize;

    static constexpr uint64_t MaximumBudget = CacheBudget::MaximumBudget;
    // Seconds after which a hidden download file left in the cache counts as abandoned.
    static constexpr long AbandonedDownloadAge = 3600;

    DropboxCacheManager(DropboxFileInfoCache& fileInfo, std::string cacheRoot);
    void setVolumeSize(VolumeSize volumeSize) { _volumeSize = std::move(volumeSize); }
    // The cache file of a service path, as the provider makes it. A name too long for the file
    // system is shortened there, so a file is matched to its record through this; without it,
    // by the path below the root.
    void setCachePathForDbPath(std::function<std::string(const std::string&)> cachePathForDbPath)
    {
        _cachePathForDbPath = std::move(cachePathForDbPath);
    }

    // editorStorageId: the service path of the map open in the editor, empty when none is.
    void cleanupCache(const std::string& editorStorageId);

    // A fifteenth of the volume, at most 96 MiB; 96 MiB when the volume's size is unknown.
    static uint64_t budget(std::optional<uint64_t> volumeSize) { return CacheBudget::budget(volumeSize); }
    // The service path of a cache file: the path below the root, with its leading "/".
    static std::string dbKeyPathForCacheFilePath(const std::string& cacheRoot, const std::string& cachePath);
    static std::optional<uint64_t> fileSystemSize(const std::string& path) { return CacheBudget::fileSystemSize(path); }

    // What the last run counted and deleted.
    uint64_t modifiedFileSize() const { return _sizes.keptSize(); }
    uint64_t recentFileSize() const { return _sizes.trimmableSize(); }
    const std::vector<std::string>& deletedPaths() const { return _deleted; }

private:
    bool collectFilesInDirectory(const std::string& folder, bool isRoot);
    void removeAbandonedDownload(const std::string& path);
    void processFiles();
    void deleteCacheFile(const std::string& cachePath, const std::string& dbPath);

    DropboxFileInfoCache& _fileInfo;
    std::string _cacheRoot;
    VolumeSize _volumeSize;
    std::function<std::string(const std::string&)> _cachePathForDbPath;
    // The service path of each recorded cache file, during a run.
    std::map<std::string, std::string> _recordedPaths;
    std::string _editorStorageId;
    bool _keepUnrecorded = false;
    CacheBudget _sizes;
    std::vector<std::string> _deleted;
};
