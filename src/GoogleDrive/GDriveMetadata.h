#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The subsystem's own record of a Drive file or folder, as the caches, the lister and the tasks
// keep it. Dates are seconds since 2001-01-01 00:00:00 UTC, the unit of the caches' files.
class GDriveMetadata {
public:
    static constexpr const char* FolderMimeType = "application/vnd.google-apps.folder";
    // What every file call asks Drive for.
    static constexpr const char* FileFields =
        "id,fileExtension,md5Checksum,mimeType,name,parents,modifiedTime,size,trashed";

    GDriveMetadata() = default;
    GDriveMetadata(std::string gdriveId, std::optional<std::string> extension);
    static GDriveMetadata folder(std::string gdriveId);

    const std::string& gdriveId() const { return _gdriveId; }
    void setGdriveId(std::string gdriveId) { _gdriveId = std::move(gdriveId); }

    // As Drive reports it; none for folders.
    const std::optional<std::string>& extension() const { return _extension; }
    // Also sets the item type: the extension's kind, 128 without one.
    void setExtension(std::optional<std::string> extension);

    int32_t itemType() const { return _itemType; }
    bool isFolder() const;

    std::string name;
    // Whether Drive's answer said anything about the trash; deleted() reads it as a flag.
    std::optional<bool> trashed;
    // Lower-case hex from Drive; files only, and none for Google's own document types.
    std::optional<std::string> md5Checksum;
    // The first parent folder's id; empty when Drive named none.
    std::string parentIdentifier;
    // Files only.
    std::optional<double> modifiedTime;
    std::optional<int64_t> fileSize;
    // As Drive reports it; the uploads send the type of the file's kind.
    std::string mimeType;

    bool deleted() const { return trashed.value_or(false); }
    void setDeleted(bool deleted) { trashed = deleted; }
    int64_t size() const { return fileSize.value_or(0); }
    void setSize(int64_t size) { fileSize = size; }

    bool operator==(const GDriveMetadata&) const = default;

private:
    std::string _gdriveId;
    std::optional<std::string> _extension;
    int32_t _itemType = 128;
};
