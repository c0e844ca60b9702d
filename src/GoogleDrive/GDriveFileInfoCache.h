#pragma once

#include "GoogleDrive/GDriveMetadata.h"
#include "cloud/CloudCacheRecords.h"
#include "cloud/CloudRecordCache.h"
#include "platform/Error.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Cache files are named by the hex text of the id's bytes: ids are case-sensitive, file systems
// need not be. Each answers the empty text for an empty id.
std::string GDriveHexEncodedId(const std::string& gdriveId);
// Whether an id and an extension, from Drive's answers or from the record file, may name a cache
// file: every road from them to a local path passes here, so that no answer names a file outside
// the cache folder or a folder inside it.
bool GDriveIsSafeCacheName(const std::string& gdriveId, const std::string& extension);
// The empty text unless GDriveIsSafeCacheName holds. A name past the file system's limit is
// shortened, stably and uniquely (fitCacheFileName), and then no longer spells its id.
std::string GDriveCacheFileName(const std::string& gdriveId, const std::string& extension);
// The id a cache file's name (without extension) stands for; a trailing odd character is ignored.
// nullopt as soon as a pair is not two hex digits.
std::optional<std::string> GDriveIdFromHexName(const std::string& name);

// The synchronisation record of one cached Drive file.
class GDriveFileInfoItem {
public:
    GDriveFileInfoItem(std::string gdriveId, std::string extension);

    std::unique_ptr<GDriveFileInfoItem> makeCopy() const;
    // Takes a parent and a name that differ; answers whether anything changed.
    bool updateBrowsingInfo(const GDriveMetadata& metadata);

    bool isValid() const { return !_gdriveId.empty() && !_extension.empty(); }
    // Never uploaded: no checksum of a Drive version yet.
    bool isNew() const { return _md5Checksum.empty(); }
    std::string thumbnailHash() const { return GDriveHexEncodedId(_gdriveId); }
    // The kind of file the extension names, as the file lists show it.
    int32_t itemType() const;

    const std::string& gdriveId() const { return _gdriveId; }
    const std::string& extension() const { return _extension; }
    const std::string& cacheFileName() const { return _cacheFileName; }
    const std::string& md5Checksum() const { return _md5Checksum; }
    void setMd5Checksum(std::string md5) { _md5Checksum = std::move(md5); }
    const std::optional<double>& lastAccessed() const { return _lastAccessed; }
    void setLastAccessed(std::optional<double> date) { _lastAccessed = date; }
    bool offlineAvailable() const { return _offlineAvailable; }
    void setOfflineAvailable(bool offline) { _offlineAvailable = offline; }
    const std::string& name() const { return _name; }
    void setName(std::string name) { _name = std::move(name); }
    const std::string& parentId() const { return _parentId; }
    void setParentId(std::string parentId) { _parentId = std::move(parentId); }
    bool marked() const { return _marked; }
    void setMarked(bool marked) { _marked = marked; }

private:
    std::string _gdriveId;
    std::string _extension;
    std::string _cacheFileName;
    std::string _md5Checksum;
    std::optional<double> _lastAccessed;
    bool _offlineAvailable = false;
    std::string _name;
    std::string _parentId;
    bool _marked = false;
};

// The records of every cached Drive file by id, kept in an XML file rewritten after each change or
// once at the end of a batch. Main thread only.
class GDriveFileInfoCache : public CloudRecordCache<GDriveFileInfoItem> {
public:
    // Reads the file at once. An unreadable file is moved aside (to "<file>.corrupt").
    explicit GDriveFileInfoCache(std::string fileName);
    ~GDriveFileInfoCache() override;

    static std::string thumbnailHashForGDriveId(const std::string& gdriveId) { return GDriveHexEncodedId(gdriveId); }
    // Ids are case-sensitive and keys as they are.
    static const std::string& normalizeKey(const std::string& gdriveId) { return gdriveId; }

    void load();
    void clear();

    // The record of the file, made when there is none, with the metadata's checksum, name and
    // parent; nullptr without id or extension, for an id and extension that cannot name a cache
    // file, or when a record of another extension exists.
    GDriveFileInfoItem* update(const GDriveMetadata& metadata);
    // Names and parents of the recorded files among a listing; trashed ones are left alone.
    void updateBrowsingInfoWithMetadata(const std::vector<GDriveMetadata>& listing);

    std::vector<GDriveFileInfoItem*> getFilesInFolder(const std::string& folderId, bool newFilesOnly);
    // The first record in the folder whose name matches ignoring case.
    GDriveFileInfoItem* findFileName(const std::string& name, const std::string& parentFolderId);
    bool fileNameExists(const std::string& name, const std::string& parentFolderId)
    {
        return findFileName(name, parentFolderId) != nullptr;
    }

    std::vector<std::string> getUnmarkedItemGDriveIds();

    // A file being browsed that has no local copy gets a passing record, never stored.
    void assureNavigationInfo(const GDriveMetadata& metadata);
    // The stored record, else the passing one of that id.
    GDriveFileInfoItem* getNavigationInfo(const std::string& gdriveId);

    // Files a record read from the file under its id.
    void itemLoaded(std::unique_ptr<GDriveFileInfoItem> item);

protected:
    std::string key(const std::string& gdriveId) const override { return gdriveId; }
    std::string recordFileData() override;

private:
    std::unique_ptr<GDriveFileInfoItem> _navigationItem;
};

// The record file's XML: "file-cache" holding one "file" per record, attributes "id", "ext",
// "md5", "access", "offline", "title", "parent" in that order.
class GDriveFileInfoCacheFiler {
public:
    explicit GDriveFileInfoCacheFiler(GDriveFileInfoCache& cache) : _cache(cache) {}

    // False for no data, text that is not XML, and another root element.
    bool loadCacheFromData(const std::string& data);
    std::string buildDataFromCache();

    // A missing file leaves the cache empty; false when it exists and cannot be read.
    static bool loadCache(GDriveFileInfoCache& cache);
    static bool saveCache(GDriveFileInfoCache& cache, Error* error = nullptr);

private:
    GDriveFileInfoCache& _cache;
};
