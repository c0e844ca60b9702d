#pragma once

#include "formats/ArchiveBase.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct ZipMemoryBuffer;

// Writes a zip archive, to a file or into memory, entry by entry (deflate, default level). With a
// password every entry is encrypted with the traditional PKWARE scheme.
class ZipArchive : public ArchiveBase {
public:
    using Date = std::chrono::system_clock::time_point;

    ZipArchive();
    ~ZipArchive() override;

    // Creates a new archive file at the path, replacing any file there. An archive still open is
    // closed first.
    bool CreateZipFile2(const std::string& path);
    bool CreateZipFile2(const std::string& path, const std::string& password);

    // Starts a new archive in memory; its bytes are zipData() once CloseZipFile2 succeeded.
    bool CreateZipData();

    // Adds one entry. The entry's date is the date's local time (all fields 0 without one);
    // zip dates run from 1980 to 2107, and dates outside are held at those limits. False when no
    // archive is open, the name is empty or too long for a zip, the password holds anything but
    // ASCII (it would be dropped, and the entry written in the clear), or minizip fails.
    bool addDataToZip(std::span<const uint8_t> data, std::optional<Date> fileDate, const std::string& newName);

    // Adds the whole file under the name, dated with its modification time.
    bool addFileToZip(const std::string& path, const std::string& newName);

    // Forgets the password; false when nothing was open or finishing the archive failed.
    bool CloseZipFile2();

    bool isOpen() const { return _zipFile != nullptr; }

    // The archive made by CreateZipData; empty for file archives.
    const std::vector<uint8_t>& zipData() const;

private:
    void* _zipFile = nullptr;
    std::unique_ptr<ZipMemoryBuffer> _memory;
};
