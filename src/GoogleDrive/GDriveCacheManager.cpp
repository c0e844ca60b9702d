#include "GoogleDrive/GDriveCacheManager.h"

#include "GoogleDrive/GDriveFileInfoCache.h"
#include "GoogleDrive/GDriveFolderCache.h"
#include "Utils/CryptoDigest.h"
#include "cloud/FileDigestCache.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <unordered_map>

GDriveCacheManager::GDriveCacheManager(GDriveFileInfoCache& fileInfo, GDriveFolderCache& folderCache,
                                       std::string rootDirectory)
    : _fileInfo(fileInfo),
      _folderCache(folderCache),
      _rootDirectory(std::move(rootDirectory)),
      _volumeSize(CacheBudget::fileSystemSize)
{
    while (_rootDirectory.size() > 1 && _rootDirectory.back() == '/') _rootDirectory.pop_back();
}

void GDriveCacheManager::cleanupCache(const std::string& editorStorageId)
{
    cleanup();
    _deleted.clear();
    _editorStorageId = editorStorageId;
    // A map made moments ago has its record only in the writer's hands: the deletions below must
    // never outrun it, or a crash leaves the map's file gone without a word.
    _fileInfo.flush();
    // Without whole records, a file without one may be a map that was never uploaded.
    _keepUnrecorded = _fileInfo.recordsWereUnreadable();
    _fileInfo.beginUpdate();
    _fileInfo.unmarkAll();
    if (!_rootDirectory.empty()) collectFilesInDirectory(_rootDirectory);
    processFiles();
    removeStrayCacheItems();
    _fileInfo.endUpdate();
    cleanupFolderCache();
    _sizes.forgetFiles();
    _editorStorageId.clear();
}

void GDriveCacheManager::cleanup()
{
    _sizes.reset();
    _editorStorageId.clear();
}

void GDriveCacheManager::deleteFile(const std::string& path)
{
    if (::unlink(path.c_str()) == 0) _deleted.push_back(path);
    if (_digests) _digests->forget(path);
}

void GDriveCacheManager::collectFilesInDirectory(const std::string& directory)
{
    DIR* folder = ::opendir(directory.c_str());
    if (!folder) return;
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(folder)) {
        // Dot names are temporary files of a write in progress, never cache copies.
        if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
    }
    ::closedir(folder);
    std::sort(names.begin(), names.end());
    // A shortened name no longer spells its id: each copy is found by the name its record gives it.
    std::unordered_map<std::string, GDriveFileInfoItem*> recordsByName;
    for (GDriveFileInfoItem* item : _fileInfo.itemsList()) {
        if (!item->cacheFileName().empty()) recordsByName.emplace(item->cacheFileName(), item);
    }
    for (const std::string& name : names) {
        const std::string path = directory + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        const auto found = recordsByName.find(name);
        GDriveFileInfoItem* item = found == recordsByName.end() ? nullptr : found->second;
        if (!item) {
            if (!_keepUnrecorded) deleteFile(path);
            continue;
        }
        item->setMarked(true);
        const uint64_t size = uint64_t(st.st_size);
        bool keep = item->gdriveId() == _editorStorageId || item->isNew() || item->offlineAvailable();
        if (!keep) {
            const std::optional<std::string> md5 = _digests ? _digests->md5HexString(path) : FileMD5HexString(path);
            keep = md5 && strcasecmp(md5->c_str(), item->md5Checksum().c_str()) != 0;
        }
        if (keep) {
            _sizes.keep(size);
            continue;
        }
        double access = fileModificationDate(path).value_or(0);
        if (item->lastAccessed()) access = std::max(access, *item->lastAccessed());
        _sizes.mayTrim(CacheFileTime{path, item->gdriveId(), access, size});
    }
}

void GDriveCacheManager::processFiles()
{
    const uint64_t budget = CacheBudget::budget(_volumeSize ? _volumeSize(_rootDirectory) : std::nullopt);
    for (const CacheFileTime& file : _sizes.filesOverBudget(budget)) {
        deleteFile(file.cachePath);
        _fileInfo.remove(file.id);
    }
}

void GDriveCacheManager::removeStrayCacheItems()
{
    _fileInfo.beginUpdate();
    for (const std::string& gdriveId : _fileInfo.getUnmarkedItemGDriveIds()) _fileInfo.remove(gdriveId);
    _fileInfo.endUpdate();
}

void GDriveCacheManager::cleanupFolderCache()
{
    std::vector<std::string> disconnected;
    for (GDriveFolderInfoItem* folder : _folderCache.collectDisconnectedFolders())
        disconnected.push_back(folder->gdriveId());
    _folderCache.beginUpdate();
    for (const std::string& gdriveId : disconnected) _folderCache.folderDeleted(gdriveId);
    _folderCache.endUpdate();
}
