#include "dropbox/DropboxCacheManager.h"

#include "dropbox/DropboxFileInfoCache.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

DropboxCacheManager::DropboxCacheManager(DropboxFileInfoCache& fileInfo, std::string cacheRoot)
    : _fileInfo(fileInfo), _cacheRoot(std::move(cacheRoot)), _volumeSize(fileSystemSize)
{
    while (_cacheRoot.size() > 1 && _cacheRoot.back() == '/') _cacheRoot.pop_back();
}

std::string DropboxCacheManager::dbKeyPathForCacheFilePath(const std::string& cacheRoot, const std::string& cachePath)
{
    std::string root = cacheRoot;
    while (!root.empty() && root.back() == '/') root.pop_back();
    std::string rest = cachePath.rfind(root, 0) == 0 ? cachePath.substr(root.size()) : cachePath;
    if (rest.empty()) return "/";
    if (rest[0] != '/') rest.insert(rest.begin(), '/');
    return rest;
}

void DropboxCacheManager::cleanupCache(const std::string& editorStorageId)
{
    _editorStorageId = editorStorageId;
    // A map made moments ago has its record only in the writer's hands: the deletions below must
    // never outrun it, or a crash leaves the map's file gone without a word.
    _fileInfo.flush();
    // Without whole records, a file without one may be a map that was never uploaded.
    _keepUnrecorded = _fileInfo.recordsWereUnreadable();
    _sizes.reset();
    _deleted.clear();
    _fileInfo.beginUpdate();
    _fileInfo.unmarkAll();
    _recordedPaths.clear();
    if (_cachePathForDbPath) {
        for (DropboxFileInfoItem* record : _fileInfo.itemsList())
            _recordedPaths[_cachePathForDbPath(record->path())] = record->path();
    }
    collectFilesInDirectory(_cacheRoot, true);
    processFiles();
    for (const std::string& path : _fileInfo.getUnmarkedItemPaths()) _fileInfo.remove(path);
    _fileInfo.endUpdate();
    _sizes.forgetFiles();
    _recordedPaths.clear();
}

void DropboxCacheManager::deleteCacheFile(const std::string& cachePath, const std::string& dbPath)
{
    if (::unlink(cachePath.c_str()) == 0) _deleted.push_back(dbPath);
    _fileInfo.remove(dbPath);
}

// A download in progress writes beside its cache file under a hidden name; one the program did not
// live to finish would stay for ever. A run gives up long before an hour.
void DropboxCacheManager::removeAbandonedDownload(const std::string& path)
{
    const std::string name = path.substr(path.find_last_of('/') + 1);
    const bool download = (name.size() > 9 && name.compare(name.size() - 9, 9, ".download") == 0) ||
        name.find(".download.part") != std::string::npos;
    struct stat st {};
    if (!download || ::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    if (::time(nullptr) - st.st_mtime > AbandonedDownloadAge) ::unlink(path.c_str());
}

// Answers whether the folder still holds anything afterwards.
bool DropboxCacheManager::collectFilesInDirectory(const std::string& folder, bool isRoot)
{
    DIR* directory = ::opendir(folder.c_str());
    if (!directory) return true;
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(directory)) {
        std::string name = entry->d_name;
        if (name.empty()) continue;
        if (name[0] == '.') {
            removeAbandonedDownload(folder + "/" + name);
            continue;
        }
        names.push_back(name);
    }
    ::closedir(directory);
    std::sort(names.begin(), names.end());
    bool holdsAnything = false;
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) continue;
        const auto recorded = _recordedPaths.find(path);
        const std::string dbPath =
            recorded != _recordedPaths.end() ? recorded->second : dbKeyPathForCacheFilePath(_cacheRoot, path);
        if (S_ISDIR(st.st_mode)) {
            if (collectFilesInDirectory(path, false)) {
                holdsAnything = true;
            } else if (::rmdir(path.c_str()) == 0) {
                _fileInfo.directoryDeleted(dbPath);
            } else {
                holdsAnything = true;
            }
            continue;
        }
        if (!S_ISREG(st.st_mode)) {
            holdsAnything = true;
            continue;
        }
        DropboxFileInfoItem* record = _fileInfo.get(dbPath);
        if (!record && _keepUnrecorded) {
            holdsAnything = true;
            continue;
        }
        // A copy whose record was lost may hold the only version of an edit: it is kept as a new
        // file, which goes up beside the server's own only when the two differ.
        if (!record)
            record = _fileInfo.update(dbPath, fileModificationDate(path), DropboxFileInfoItem::makeNewFileRev());
        if (!record) continue;
        holdsAnything = true;
        record->setMarked(true);
        const uint64_t size = uint64_t(st.st_size);
        const std::optional<double> modified = fileModificationDate(path);
        const bool open = !_editorStorageId.empty() &&
            DropboxFileInfoCache::normalizeKey(dbPath) == DropboxFileInfoCache::normalizeKey(_editorStorageId);
        const bool unchanged =
            modified && record->localModified() && sameRecordDate(*modified, *record->localModified());
        if (!open && !record->isNew() && !record->offlineAvailable() && unchanged) {
            double access = *modified;
            if (record->lastAccessed()) access = std::max(access, *record->lastAccessed());
            _sizes.mayTrim(CacheFileTime{path, dbPath, access, size});
        } else {
            _sizes.keep(size);
        }
    }
    (void)isRoot;
    return holdsAnything || isRoot;
}

void DropboxCacheManager::processFiles()
{
    const uint64_t limit = budget(_volumeSize ? _volumeSize(_cacheRoot) : std::nullopt);
    for (const CacheFileTime& file : _sizes.filesOverBudget(limit)) deleteCacheFile(file.cachePath, file.id);
}
