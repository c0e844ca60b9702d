#pragma once

#include "platform/Error.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// What the cloud services' local caches share: the dates of their record files, the batching of
// record-file writes, and the budget that bounds the folder of cached copies.

// Dates of the records are seconds since 2001-01-01 00:00:00 UTC.
inline constexpr double ReferenceDateOffsetFrom1970 = 978307200.0;

// The file system keeps nanoseconds, the record files microseconds: dates are equal when they agree
// to the microsecond, or every cached file would look changed after a restart.
bool sameRecordDate(double first, double second);
// A file's modification date in record time, rounded to the microsecond; nullopt when it has none.
std::optional<double> fileModificationDate(const std::string& path);
// Now in record time, to the microsecond.
double currentRecordDate();
// "%f": the six decimals the dates keep.
std::string formatRecordDate(double date);
// nullopt when the text does not start with a finite number.
std::optional<double> parseRecordDate(const std::string& text);

// The whole record file; missing tells a file that is not there (an empty cache) from one that
// cannot be read. A file larger than MaximumRecordFileSize is not read: it cannot be read, as a
// damaged one.
inline constexpr uint64_t MaximumRecordFileSize = uint64_t(256) << 20;
std::optional<std::string> readRecordFile(const std::string& path, bool& missing);
// Whether a record file that could not be read is still set aside beside the path ("<file>.corrupt"
// or "<file>.corrupt-<n>"): until someone has recovered it, the records may lack maps never uploaded.
bool hasUnreadableFileAside(const std::string& path);

// Record files are rewritten after each change, or once when the outermost of nested update
// brackets closes. The brackets are counters, not locks.
class RecordSaveBatch {
public:
    explicit RecordSaveBatch(std::function<void()> save) : _save(std::move(save)) {}

    void beginUpdate();
    // Closing the outermost bracket saves when anything changed inside.
    void endUpdate();
    // Saves at once outside a bracket.
    void changed();
    // Marks a change that saves when the outermost bracket closes, or at the next save.
    void setModified(bool modified) { _modified = modified; }
    bool isModified() const { return _modified; }
    bool isBatching() const { return _lockCount > 0; }

private:
    std::function<void()> _save;
    int64_t _lockCount = 0;
    bool _modified = false;
};

// Writes a record file on a thread of its own: the fsync of each write takes tens of milliseconds,
// far too long for the window's main loop. Writes keep their order; a snapshot handed in while
// another waits replaces it, as only the newest content matters. Failures come back on the main
// thread. Every other member is for the main thread.
class RecordFileWriter {
public:
    using WriteFunction = std::function<bool(const std::string& path, const std::string& bytes, Error* error)>;
    using FailureHandler = std::function<void(const Error& error)>;

    explicit RecordFileWriter(std::string path, WriteFunction write = {});
    // Waits for the last snapshot to reach the disk.
    ~RecordFileWriter();
    RecordFileWriter(const RecordFileWriter&) = delete;
    RecordFileWriter& operator=(const RecordFileWriter&) = delete;

    void setFailureHandler(FailureHandler handler);
    void write(std::string bytes);
    // Returns once every snapshot handed in is on disk (or failed), reporting failures not yet
    // reported; false when the last write failed.
    bool flush(Error* error = nullptr);

private:
    struct State;
    void run();

    std::shared_ptr<State> _state;
    std::thread _thread;
};

// A cached copy the clean-up may delete: one that can be fetched again.
struct CacheFileTime {
    std::string cachePath;
    // The service's id of the file (a path or a file id).
    std::string id;
    double access = 0;
    uint64_t size = 0;

    // Oldest access first, ties by id.
    bool operator<(const CacheFileTime& other) const
    {
        return access != other.access ? access < other.access : id < other.id;
    }
};

// Counts the cache folder against its budget: a fifteenth of the volume, at most 96 MiB. Copies
// that must stay count too, so that the rest shrinks for them; they are never trimmed.
class CacheBudget {
public:
    static constexpr uint64_t MaximumBudget = 100663296;

    // Bytes of the file system holding a path; nullopt when it cannot be read.
    using VolumeSize = std::function<std::optional<uint64_t>(const std::string& path)>;
    static std::optional<uint64_t> fileSystemSize(const std::string& path);
    // 96 MiB when the volume's size is unknown.
    static uint64_t budget(std::optional<uint64_t> volumeSize);

    void reset();
    // Keeps the totals of the run for reading afterwards.
    void forgetFiles() { _files = {}; }
    void keep(uint64_t size) { _keptSize += size; }
    void mayTrim(CacheFileTime file);
    uint64_t keptSize() const { return _keptSize; }
    uint64_t trimmableSize() const { return _trimmableSize; }

    // The copies to delete, least recently used first, until what is left fits the budget.
    std::vector<CacheFileTime> filesOverBudget(uint64_t budget);

private:
    uint64_t _keptSize = 0;
    uint64_t _trimmableSize = 0;
    std::vector<CacheFileTime> _files;
};
