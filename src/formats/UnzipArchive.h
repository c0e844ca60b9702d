#pragma once

#include "formats/ArchiveBase.h"

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
class UnzipArchive : public ArchiveBase {
public:
    using Date = std::chrono::system_clock::time_point;

    // The most a single entry may unpack to, so that a small archive cannot claim all memory or
    // disk space.
    static constexpr uint64_t DefaultExtractionLimit = uint64_t(512) << 20;
    // The most all entries of one archive may unpack to together.
    static constexpr uint64_t DefaultTotalExtractionLimit = uint64_t(2) << 30;

    UnzipArchive();
    ~UnzipArchive() override;

    // Opens the archive and reads its directory. An archive still open is closed first.
    bool UnzipOpenFile(const std::string& path);
    bool UnzipOpenFile(const std::string& path, const std::string& password);
    // The same over bytes in memory.
    bool UnzipOpenData(std::vector<uint8_t> bytes);
    bool UnzipOpenData(std::vector<uint8_t> bytes, const std::string& password);

    // Forgets the password; true when nothing was open, else whether closing succeeded.
    bool UnzipCloseFile();

    bool isOpen() const { return _unzFile != nullptr; }

    // The bytes of the entry whose name, with "\" read as "/", equals the name ignoring case.
    // The entry is read without a password. Empty when the entry is missing or unreadable, is
    // larger than the extraction limit, or its data does not match its size or CRC.
    std::optional<std::vector<uint8_t>> extractFileData(const std::string& name);

    // Appends the name of every entry, "\" turned into "/". Entries whose names are not UTF-8 are
    // left out. False when the archive has no entry or an entry cannot be opened or described.
    bool readContainedFiles(std::vector<std::string>& files);

    // Extracts every entry below the folder. Entries whose names would leave the folder (absolute
    // names, drive prefixes, ".." components) are refused, and refusing one is a failure. Each
    // file is written beside its target under a temporary name and renamed when complete, so a
    // failed entry never leaves half a file and an existing file is replaced whole. The walk stops
    // at the first failure. An archive that does not fit (fitsIntoFolder) writes nothing.
    bool UnzipFileTo(const std::string& folder, int32_t overwriteMode, bool createDirectories);

    // Files written by UnzipFileTo (and by walks of subclasses).
    int64_t unzippedFiles() const { return _unzippedFiles; }

    void setExtractionLimit(uint64_t limit) { _extractionLimit = limit; }
    void setTotalExtractionLimit(uint64_t limit) { _totalExtractionLimit = limit; }

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
        std::optional<Date> date;  // empty when the stored fields make no date
        uint64_t declaredSize = 0; // the uncompressed size the archive claims
        uint32_t crc = 0;
        bool isEncrypted = false;
        bool hasDataDescriptor = false;
        uint32_t dosDate = 0; // date in the high, time in the low 16 bits
    };

    // Describes the current entry; false when it cannot be described.
    bool currentEntryInfo(EntryInfo& info);

    // Reads the current entry completely, checking limit, size and CRC. Encrypted entries are
    // read with the password when withPassword is set and there is one, else not at all.
    std::optional<std::vector<uint8_t>> readCurrentEntry(const EntryInfo& info, bool withPassword);

    // Writes the current entry to the path through a temporary file in the same folder, dated
    // with the entry's date. False, with nothing left behind, on any failure; *damaged tells
    // whether the failure lay in the entry itself (its data, CRC or size) rather than in writing.
    bool writeCurrentEntryToFile(const EntryInfo& info, const std::string& path, bool withPassword,
                                 bool* damaged = nullptr);

    void* _unzFile = nullptr;
    int64_t _unzippedFiles = 0;

private:
    using Sink = std::function<bool(const uint8_t* bytes, size_t count)>;
    // Opens the current entry, hands its plain bytes to the sink and closes it; true only for
    // complete, correct data.
    bool pumpCurrentEntry(const EntryInfo& info, bool withPassword, const Sink& sink);
    bool pumpEncryptedEntry(const EntryInfo& info, const Sink& sink);

    std::unique_ptr<ZipMemoryBuffer> _memory;
    uint64_t _extractionLimit = DefaultExtractionLimit;
    uint64_t _totalExtractionLimit = DefaultTotalExtractionLimit;
};
