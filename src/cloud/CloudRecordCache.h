#pragma once

#include "cloud/CloudCacheRecords.h"
#include "platform/Error.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// A service's records of its cached files by key, kept in a record file that is rewritten after
// each change, or once when the outermost batch ends. The service's cache says how an id becomes
// a key and what the file holds. Item has makeCopy(), lastAccessed, offlineAvailable, marked and
// thumbnailHash() as both services' records do. Main thread only.
template <class Item> class CloudRecordCache {
public:
    explicit CloudRecordCache(std::string fileName) : _fileName(std::move(fileName)) {}
    // Waits for the last write.
    virtual ~CloudRecordCache() = default;
    CloudRecordCache(const CloudRecordCache&) = delete;
    CloudRecordCache& operator=(const CloudRecordCache&) = delete;

    // Tests fix the time (record time, seconds since 2001).
    void setClock(std::function<double()> now) { _now = std::move(now); }

    const std::string& fileName() const { return _fileName; }
    // Writes the records and waits until they are on disk.
    bool save(Error* error = nullptr)
    {
        saveSoon();
        return _writer.flush(error);
    }
    // Hands the records to the writer thread, so that an answer never waits for the disk.
    void saveSoon()
    {
        _writer.write(recordFileData());
        _batch.setModified(false);
    }
    // Waits until every write handed in is on disk; false when the last one failed.
    bool flush(Error* error = nullptr) { return _writer.flush(error); }
    // Where failed background writes are reported, on the main thread.
    void setWriteFailureHandler(RecordFileWriter::FailureHandler handler)
    {
        _writer.setFailureHandler(std::move(handler));
    }
    void changed() { _batch.changed(); }
    void beginUpdate() { _batch.beginUpdate(); }
    void endUpdate() { _batch.endUpdate(); }
    bool isModified() const { return _batch.isModified(); }

    // The last load found a record file it could not read and moved it aside. Cache files without
    // a record may then be maps never uploaded: nothing may be deleted for lacking a record until
    // the records are whole again.
    // A record file set aside earlier counts until the user has dealt with it: the run that found it
    // was not the only one that would otherwise delete what it no longer lists.
    bool recordsWereUnreadable() const { return _unreadable || hasUnreadableFileAside(_fileName); }

    Item* get(const std::string& id)
    {
        if (id.empty()) return nullptr;
        auto it = _items.find(key(id));
        return it == _items.end() ? nullptr : it->second.get();
    }
    std::unique_ptr<Item> getCopy(const std::string& id)
    {
        Item* item = get(id);
        return item ? item->makeCopy() : nullptr;
    }
    std::vector<Item*> itemsList()
    {
        std::vector<Item*> list;
        list.reserve(_items.size());
        for (auto& entry : _items) list.push_back(entry.second.get());
        return list;
    }
    size_t count() const { return _items.size(); }

    void updateLastAccessed(const std::string& id)
    {
        Item* item = get(id);
        if (!item) return;
        item->setLastAccessed(_now());
        changed();
    }
    bool isOfflineAvailable(const std::string& id)
    {
        Item* item = get(id);
        return item && item->offlineAvailable();
    }
    void setOfflineAvailable(const std::string& id, bool value)
    {
        Item* item = get(id);
        if (!item || item->offlineAvailable() == value) return;
        item->setOfflineAvailable(value);
        changed();
    }
    void remove(const std::string& id)
    {
        if (id.empty() || _items.erase(key(id)) == 0) return;
        changed();
    }
    void unmarkAll()
    {
        for (auto& entry : _items) entry.second->setMarked(false);
    }
    std::vector<std::string> getUsedThumbnailHashes()
    {
        std::vector<std::string> hashes;
        hashes.reserve(_items.size());
        for (auto& entry : _items) hashes.push_back(entry.second->thumbnailHash());
        return hashes;
    }

protected:
    // The key the id's record is filed under.
    virtual std::string key(const std::string& id) const = 0;
    // The record file's content.
    virtual std::string recordFileData() = 0;

    std::string _fileName;
    std::map<std::string, std::unique_ptr<Item>> _items;
    RecordFileWriter _writer{_fileName};
    RecordSaveBatch _batch{[this] { saveSoon(); }};
    bool _unreadable = false;
    std::function<double()> _now = currentRecordDate;
};
