#pragma once

#include "cloud/CloudCacheRecords.h"
#include "platform/Error.h"

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

private:
    std::string _path;
    std::optional<double> _localModified;
    std::optional<double> _lastAccessed;
    bool _offlineAvailable = false;
    std::string _rev;
    bool _marked = false;
    std::string _thumbnailHash;
};

// The records of every cached file, by a key that ignores case and Unicode composition, kept in an
// XML file that is rewritten after each change, or once at the end of a batch. Main thread only.
class DropboxFileInfoCache {
public:
    // Reads the file at once. An unreadable file is moved aside unless told otherwise (a reader
    // that only looks must leave it where it is).
    explicit DropboxFileInfoCache(std::string fileName, bool setAsideUnreadable = true);
    // Waits for the last write.
    ~DropboxFileInfoCache();
    DropboxFileInfoCache(const DropboxFileInfoCache&) = delete;
    DropboxFileInfoCache& operator=(const DropboxFileInfoCache&) = delete;

    // Tests fix the time (record time, seconds since 2001).
    void setClock(std::function<double()> now) { _now = std::move(now); }
    static double currentDate() { return currentRecordDate(); }

    const std::string& fileName() const { return _fileName; }
    void load();
    // Writes the records and waits until they are on disk.
    bool save(Error* error = nullptr);
    // Hands the records to the writer thread, so that an answer never waits for the disk.
    void saveSoon();
    // Waits until every write handed in is on disk; false when the last one failed.
    bool flush(Error* error = nullptr) { return _writer.flush(error); }
    // Where failed background writes are reported, on the main thread.
    void setWriteFailureHandler(RecordFileWriter::FailureHandler handler)
    {
        _writer.setFailureHandler(std::move(handler));
    }
    void changed() { _batch.changed(); }
    void clear();
    void beginUpdate() { _batch.beginUpdate(); }
    void endUpdate() { _batch.endUpdate(); }
    bool isModified() const { return _batch.isModified(); }

    // True when the last load found a record file it could not read. The file was moved aside
    // (to "<file>.corrupt"), and cache files without a record may be maps never uploaded: nothing
    // may be deleted for lacking a record until the records are whole again.
    // A record file set aside earlier counts until the user has dealt with it: the run that found it
    // was not the only one that would otherwise delete what it no longer lists.
    bool recordsWereUnreadable() const { return _unreadable || hasUnreadableFileAside(_fileName); }

    static std::string normalizeKey(const std::string& path);

    DropboxFileInfoItem* get(const std::string& path);
    std::unique_ptr<DropboxFileInfoItem> getCopy(const std::string& path);
    std::vector<DropboxFileInfoItem*> itemsList();
    size_t count() const { return _items.size(); }

    DropboxFileInfoItem* update(const std::string& path, std::optional<double> localModified,
                                std::optional<std::string> rev);
    DropboxFileInfoItem* update(const std::string& path, std::optional<double> localModified,
                                std::optional<double> lastAccessed, std::optional<std::string> rev);
    void fileRenamed(const std::string& oldPath, const std::string& newPath, const std::string& rev);
    void updateLastAccessed(const std::string& path);
    bool isOfflineAvailable(const std::string& path);
    void setOfflineAvailable(const std::string& path, bool value);
    void remove(const std::string& path);
    void directoryRenamed(const std::string& oldFolder, const std::string& newFolder);
    void directoryDeleted(const std::string& folder);
    std::vector<DropboxFileInfoItem*> getNewFilesInDirectory(const std::string& folder);
    void unmarkAll();
    std::vector<std::string> getUnmarkedItemPaths();
    std::vector<std::string> getUsedThumbnailHashes();

    // Files a record read from the file under its key.
    void itemLoaded(std::unique_ptr<DropboxFileInfoItem> item);

private:
    std::string _fileName;
    std::map<std::string, std::unique_ptr<DropboxFileInfoItem>> _items;
    RecordFileWriter _writer{_fileName};
    RecordSaveBatch _batch{[this] { saveSoon(); }};
    bool _unreadable = false;
    bool _setAsideUnreadable = true;
    std::function<double()> _now;
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
