#pragma once

#include "platform/DateFormatter.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Image;

// The kinds of entries a file list shows; bit values, so that a listing can keep several kinds.
namespace FileListItemType {
inline constexpr int32_t Folder = 2;
inline constexpr int32_t NativeMindMap = 4; // "twkx"
inline constexpr int32_t Opml = 8;
inline constexpr int32_t Freemind = 16; // "mm"
inline constexpr int32_t Image = 32;    // an extension an image loader reads
inline constexpr int32_t Pdf = 64;
inline constexpr int32_t OtherFile = 128;
inline constexpr int32_t NavigateUp = 256; // the entry leading to the parent folder; a folder too
} // namespace FileListItemType

// The kinds a listing keeps, by explorer mode: everything but the navigate-up entry when browsing
// or picking a folder (0, 4, 5); documents to link to without native maps (1, 2); folders and
// native maps when picking a map (3).
namespace FileListItemMask {
inline constexpr int32_t AllButNavigateUp = 254;
inline constexpr int32_t LinkableDocuments = 250;
inline constexpr int32_t FoldersAndMaps = 6;
} // namespace FileListItemMask
int32_t fileListItemTypeFilter(int32_t explorerMode);

// One entry of a cloud folder's listing or of search results.
class FileListItem {
public:
    using Date = DateFormatter::Date;

    explicit FileListItem(int32_t type) : _type(type) {}

    // Folder for an existing directory, else the kind of the path's extension.
    static int32_t detectItemType(const std::string& localPath);
    // Compared without regard to case; an image when an image loader reads files of that
    // extension, else another file.
    static int32_t extensionToItemType(std::string_view extension);

    // Folders first, then files, then the navigate-up entry; within each, names in the order a
    // person expects ("a9" before "a10", letter case and accents as the locale sorts them).
    // Negative, zero or positive.
    int compare(const FileListItem& other) const;
    bool operator<(const FileListItem& other) const { return compare(other) < 0; }

    bool isDirectory() const { return _type == FileListItemType::Folder || _type == FileListItemType::NavigateUp; }
    bool isTwkxMindMap() const { return _type == FileListItemType::NativeMindMap; }
    bool isNavigateUp() const { return _type == FileListItemType::NavigateUp; }

    int32_t type() const { return _type; }
    const std::string& fileName() const { return _fileName; }
    void setFileName(std::string fileName);
    // The file name without its extension.
    const std::string& justFileName() const;
    const std::string& path() const { return _path; }
    void setPath(std::string path) { _path = std::move(path); }
    const std::optional<Date>& modified() const { return _modified; }
    void setModified(std::optional<Date> modified) { _modified = modified; }
    bool offlineAvailable() const { return _offlineAvailable; }
    void setOfflineAvailable(bool available) { _offlineAvailable = available; }
    const std::shared_ptr<const Image>& thumbnail() const { return _thumbnail; }
    void setThumbnail(std::shared_ptr<const Image> thumbnail) { _thumbnail = std::move(thumbnail); }
    // A thumbnail was asked for and none exists.
    bool thumbnailUnavailable() const { return _thumbnailUnavailable; }
    void setThumbnailUnavailable(bool unavailable) { _thumbnailUnavailable = unavailable; }
    uint64_t size() const { return _size; }
    void setSize(uint64_t size) { _size = size; }

private:
    const std::string& sortKey() const;

    std::string _fileName;
    std::string _path;
    int32_t _type;
    std::optional<Date> _modified;
    bool _offlineAvailable = false;
    std::shared_ptr<const Image> _thumbnail;
    bool _thumbnailUnavailable = false;
    uint64_t _size = 0;
    mutable std::optional<std::string> _justFileName;
    mutable std::optional<std::string> _sortKey;
};

using FileListItems = std::vector<std::shared_ptr<FileListItem>>;

// Sorts in FileListItem::compare's order.
void sortFileListItems(FileListItems& items);
