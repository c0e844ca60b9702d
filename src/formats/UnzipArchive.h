#pragma once

#include "formats/ArchiveBase.h"
#include "platform/Error.h"

#include <unzip.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct ZipMemoryBuffer;

// How UnzipFileTo treats a file that already exists at an entry's target.
enum UnzipOverwriteMode : int32_t {
    UnzipKeepExisting = 0, // and any value not listed here
    UnzipReplaceOlder = 1, // only when the file's date is known and the entry is newer
    UnzipReplaceAlways = 2,
};

// Reads a zip archive from a file or from memory. Archives come from outside, so every entry is
// read as if hostile: its declared size is a hint, never an allocation; its data must match its
// CRC and its declared size; and no entry is written outside the folder it is extracted to.
//
// Opening reads the central directory once, and an archive beyond the limits is refused then,
// before anything is unpacked; every later look-up and walk works from what that pass kept, so
// reading all entries stays linear in their number. An archive reads only its own data: archives
// on different threads need no lock.
class UnzipArchive : public ArchiveBase {
public:
    using Date = std::chrono::system_clock::time_point;

    // The most a single entry may unpack to, so that a small archive cannot claim all memory or
    // disk space.
    static constexpr uint64_t DefaultExtractionLimit = uint64_t(512) << 20;
    // The most all entries of one archive may unpack to together.
    static constexpr uint64_t DefaultTotalExtractionLimit = uint64_t(2) << 30;

    // What an archive may hold to be read at all: the same for a map's container, a store
    // archive and an upload from the device link. The sizes are the ones the central directory
    // declares; no entry is ever unpacked past its declared size.
    struct Limits {
        // Far more than a store holds: each map, style and picture is one entry.
        uint64_t maximumEntries = 100000;
        uint64_t maximumEntrySize = DefaultExtractionLimit;
        uint64_t maximumTotalSize = DefaultTotalExtractionLimit;
        // An archive that unpacks to more than this may unpack to at most maximumRatio times its
        // own size. Pictures do not shrink and documents shrink tenfold or so; only data made to
        // inflate (or entries sharing their packed bytes) goes past it, and below the floor no
        // ratio costs enough to matter.
        uint64_t ratioFloor = uint64_t(64) << 20;
        uint64_t maximumRatio = 200;
    };
    // The code of an archive refused for its limits, in the application's domain.
    static constexpr int64_t RefusedErrorCode = 44;

    // Whether an archive of that many bytes, whose central directory declares those entries with
    // those sizes, is within the limits; when not, the error's reason says which limit and what
    // the archive holds. The check the opening applies, for callers that know the figures first.
    static bool checkLimits(const Limits& limits, uint64_t archiveSize, uint64_t entries, uint64_t largestEntry,
                            uint64_t totalSize, Error* error = nullptr);

    UnzipArchive();
    ~UnzipArchive() override;

    // Opens the archive and reads its directory. An archive still open is closed first. False for
    // bytes that are no zip and for an archive beyond the limits (the error then says which).
    bool UnzipOpenFile(const std::string& path, Error* error = nullptr);
    bool UnzipOpenFile(const std::string& path, const std::string& password, Error* error = nullptr);
    // The same over bytes in memory.
    bool UnzipOpenData(std::vector<uint8_t> bytes, Error* error = nullptr);
    bool UnzipOpenData(std::vector<uint8_t> bytes, const std::string& password, Error* error = nullptr);

    // Forgets the password; true when nothing was open, else whether closing succeeded.
    bool UnzipCloseFile();

    bool isOpen() const { return _unzFile != nullptr; }

    // The bytes of the first entry whose name, with "\" read as "/", equals the name ignoring
    // case. The entry is read without a password. Empty when the entry is missing or unreadable,
    // is larger than the extraction limit, or its data does not match its size or CRC.
    std::optional<std::vector<uint8_t>> extractFileData(const std::string& name);

    // The entries the central directory lists, in its order, up to the first that cannot be
    // described; names with "\" turned into "/".
    size_t entryCount() const { return _entries.size(); }
    const std::string& entryName(size_t index) const { return _entries[index].info.name; }
    // extractFileData for the entry of that index.
    std::optional<std::vector<uint8_t>> extractEntryData(size_t index);

    // Appends the name of every entry, "\" turned into "/". Entries whose names are not UTF-8 are
    // left out. False when the archive has no entry or an entry cannot be described.
    bool readContainedFiles(std::vector<std::string>& files);

    // Extracts every entry below the folder. Entries whose names would leave the folder (absolute
    // names, drive prefixes, ".." components) are refused, and refusing one is a failure. Each
    // file is written beside its target under a temporary name and renamed when complete, so a
    // failed entry never leaves half a file and an existing file is replaced whole. The walk stops
    // at the first failure. An archive that does not fit (fitsIntoFolder) writes nothing.
    bool UnzipFileTo(const std::string& folder, int32_t overwriteMode, bool createDirectories);

    // Files written by UnzipFileTo (and by walks of subclasses).
    int64_t unzippedFiles() const { return _unzippedFiles; }

    // The limits apply from the next opening on; the extraction limit also to each entry read.
    void setLimits(const Limits& limits) { _limits = limits; }
    const Limits& limits() const { return _limits; }
    void setExtractionLimit(uint64_t limit) { _limits.maximumEntrySize = limit; }
    void setTotalExtractionLimit(uint64_t limit) { _limits.maximumTotalSize = limit; }

    // Whether every entry of the archive, at the size it declares, fits under the total
    // extraction limit and into the free space of the folder's file system. Entries never unpack
    // to more than they declare, so the check before a walk bounds what the walk writes.
    bool fitsIntoFolder(const std::string& folder);

    // True for a relative name without empty, "." or ".." components, with "/" as separator,
    // without a drive prefix and without NUL characters: a name that stays below any folder it
    // is appended to. A trailing "/" (a directory entry) is allowed.
    static bool isSafeEntryPath(const std::string& name);

protected:
    // The current entry, as subclasses that walk the archive themselves see it.
    struct EntryInfo {
        std::string rawName;       // as stored
        std::string name;          // "\" turned into "/"
        bool isDirectory = false;  // the stored name ends in "/" or "\"
        uint64_t declaredSize = 0; // the uncompressed size the archive claims
        uint64_t packedSize = 0;   // the compressed size the archive claims
        uint32_t crc = 0;
        bool isEncrypted = false;
        bool hasDataDescriptor = false;
        uint32_t dosDate = 0; // date in the high, time in the low 16 bits
        tm_unz fields{};      // the date's fields, the month counted from 0
    };

    // Describes the current entry; false when it cannot be described.
    bool currentEntryInfo(EntryInfo& info);
    // The entry's date; empty when its stored fields make no date. Worked out only when asked:
    // most reads never need it.
    std::optional<Date> entryDate(const EntryInfo& info) const;

    // The entry of that index as the opening described it, and making it the current one.
    const EntryInfo& entryInfo(size_t index) const { return _entries[index].info; }
    bool goToEntry(size_t index);
    // Whether the opening described every entry the central directory lists.
    bool directoryComplete() const { return _directoryComplete; }

    // Reads the current entry completely, checking limit, size and CRC. Encrypted entries are
    // read with the password when withPassword is set and there is one, else not at all.
    std::optional<std::vector<uint8_t>> readCurrentEntry(const EntryInfo& info, bool withPassword);

    // Writes the current entry to the path through a temporary file in the same folder, dated
    // with the entry's date. False, with nothing left behind, on any failure; *damaged tells
    // whether the failure lay in the entry itself (its data, CRC or size) rather than in writing.
    bool writeCurrentEntryToFile(const EntryInfo& info, const std::string& path, bool withPassword,
                                 bool* damaged = nullptr);
    // Writes bytes already read from the entry to the path the same way; false, with nothing
    // left behind, when they cannot be written.
    bool writeEntryDataToFile(const EntryInfo& info, const std::vector<uint8_t>& data, const std::string& path);

    void* _unzFile = nullptr;
    int64_t _unzippedFiles = 0;

private:
    struct Entry {
        EntryInfo info;
        unz64_file_pos position{};
    };

    // The one pass over the central directory; false, with the reason, for an archive beyond
    // the limits.
    bool readDirectory(uint64_t archiveSize, uint64_t listedEntries, Error* error);
    bool opened(uint64_t archiveSize, Error* error);

    using Sink = std::function<bool(const uint8_t* bytes, size_t count)>;
    // Opens the current entry, hands its plain bytes to the sink and closes it; true only for
    // complete, correct data.
    bool pumpCurrentEntry(const EntryInfo& info, bool withPassword, const Sink& sink);
    bool pumpEncryptedEntry(const EntryInfo& info, const Sink& sink);
    // A file written beside the path under a temporary name, filled, dated with the entry's date
    // and renamed onto the path; removed again when anything fails.
    bool writeThroughTemporary(const EntryInfo& info, const std::string& path,
                               const std::function<bool(const Sink& write)>& fill);

    std::unique_ptr<ZipMemoryBuffer> _memory;
    Limits _limits;
    std::vector<Entry> _entries;
    bool _directoryComplete = false;
};
