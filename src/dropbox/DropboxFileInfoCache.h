#pragma once

#include "cloud/CloudCacheRecords.h"
#include "cloud/CloudRecordCache.h"
#include "platform/Error.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The synchronisation record of one cached cloud file.
class DropboxFileInfoItem {
public:
    explicit DropboxFileInfoItem(std::string path);

    // The rev of a file made here and never uploaded.
    static std::string makeNewFileRev() { return "///0"; }
    static std::string thumbnailHashForPath(const std::string& path);

    std::unique_ptr<DropboxFileInfoItem> makeCopy() const;
    bool isNew() const { return _rev.rfind("///0", 0) == 0; }
    bool isValid() const { return !_path.empty() && !_rev.empty() && (_localModified || isNew()); }

    const std::string& path() const { return _path; }
    // Keeps the thumbnail hash of the path the record was made with.
    void setPath(std::string path) { _path = std::move(path); }
    const std::optional<double>& localModified() const { return _localModified; }
    void setLocalModified(std::optional<double> date) { _localModified = date; }
    const std::optional<double>& lastAccessed() const { return _lastAccessed; }
    void setLastAccessed(std::optional<double> date) { _lastAccessed = date; }
    bool offlineAvailable() const { return _offlineAvailable; }
    void setOfflineAvailable(bool offline) { _offlineAvailable = offline; }
    const std::string& rev() const { return _rev; }
    void setRev(std::string rev) { _rev = std::move(rev); }
    bool marked() const { return _marked; }
    void setMarked(bool marked) { _marked = marked; }
    const std::string& thumbnailHash() const { return _thumbnailHash; }
    // The records' change count when the rev was last set: a folder listing asked for before that
    // may not hold the file yet. Never stored.
    uint64_t revisedAt() const { return _revisedAt; }
    void setRevisedAt(uint64_t count) { _revisedAt = count; }

private:
    std::string _path;
    std::optional<double> _localModified;
    std::optional<double> _lastAccessed;
    bool _offlineAvailable = false;
    std::string _rev;
    bool _marked = false;
    std::string _thumbnailHash;
    uint64_t _revisedAt = 0;
};

// The records of every cached file, by a key that ignores case and Unicode composition, kept in an
// XML file that is rewritten after each change, or once at the end of a batch. Main thread only.
class DropboxFileInfoCache : public CloudRecordCache<DropboxFileInfoItem> {
public:
    // Reads the file at once. An unreadable file is moved aside unless told otherwise (a reader
    // that only looks must leave it where it is).
    explicit DropboxFileInfoCache(std::string fileName, bool setAsideUnreadable = true);
    ~DropboxFileInfoCache() override;

    static double currentDate() { return currentRecordDate(); }

    void load();
    void clear();

    static std::string normalizeKey(const std::string& path);

    DropboxFileInfoItem* update(const std::string& path, std::optional<double> localModified,
                                std::optional<std::string> rev);
    DropboxFileInfoItem* update(const std::string& path, std::optional<double> localModified,
                                std::optional<double> lastAccessed, std::optional<std::string> rev);
    void fileRenamed(const std::string& oldPath, const std::string& newPath, const std::string& rev);
    void directoryRenamed(const std::string& oldFolder, const std::string& newFolder);
    void directoryDeleted(const std::string& folder);
    std::vector<DropboxFileInfoItem*> getNewFilesInDirectory(const std::string& folder);
    std::vector<std::string> getUnmarkedItemPaths();
    // Grows with every rev set here; see DropboxFileInfoItem::revisedAt.
    uint64_t revisions() const { return _revisions; }

    // Files a record read from the file under its key.
    void itemLoaded(std::unique_ptr<DropboxFileInfoItem> item);

protected:
    std::string key(const std::string& path) const override { return normalizeKey(path); }
    std::string recordFileData() override;

private:
    bool _setAsideUnreadable = true;
    uint64_t _revisions = 0;
};

// The record file's XML.
class DropboxFileInfoCacheFiler {
public:
    explicit DropboxFileInfoCacheFiler(DropboxFileInfoCache& cache) : _cache(cache) {}

    // Adds each valid record of the data; false when the data is not an XML document at all.
    bool loadCacheFromData(const std::string& data);
    std::string buildDataFromCache();

    // Reads the cache's file; false when it exists and cannot be read.
    static bool loadCache(DropboxFileInfoCache& cache);
    static bool saveCache(DropboxFileInfoCache& cache, Error* error = nullptr);

    static std::string formatDate(double date) { return formatRecordDate(date); }
    // nullopt when the text does not start with a number.
    static std::optional<double> parseDate(const std::string& text) { return parseRecordDate(text); }

private:
    DropboxFileInfoCache& _cache;
};
