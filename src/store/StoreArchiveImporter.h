#pragma once

#include "formats/UnzipArchive.h"
#include "platform/Error.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class MindMapStore;
class MindMapStoreFolder;

// What a store archive import brought in.
class MindMapStoreImportResult {
public:
    MindMapStoreImportResult(uint64_t mindMaps, uint64_t styles, uint64_t images, uint64_t skipped,
                             std::vector<std::string> unreadableEntries = {})
        : _mindMapsImported(mindMaps),
          _customStylesImported(styles),
          _customImagesImported(images),
          _skippedFiles(skipped),
          _unreadableEntries(std::move(unreadableEntries))
    {
    }

    uint64_t mindMapsImported() const { return _mindMapsImported; }
    uint64_t customStylesImported() const { return _customStylesImported; }
    uint64_t customImagesImported() const { return _customImagesImported; }
    // Entries not written because a file of that name existed.
    uint64_t skippedFiles() const { return _skippedFiles; }
    // Entries left out because they could not be read: damaged data, images that are not the
    // picture their name says, or a folder index that does not parse (its maps then wait in the
    // root). The user is told.
    const std::vector<std::string>& unreadableEntries() const { return _unreadableEntries; }

private:
    uint64_t _mindMapsImported;
    uint64_t _customStylesImported;
    uint64_t _customImagesImported;
    uint64_t _skippedFiles;
    std::vector<std::string> _unreadableEntries;
};

// Merges a store archive (".twkstore": maps and custom style files at the top, images under
// "images/", and "folder-index.xml") into the store. Existing files are kept, replaced when older,
// or always replaced, as the user default "storeImportMode" says; images are never replaced.
// New maps wait in a detached folder until the archive's folder index has placed them; whatever
// it does not place ends up in the root.
//
// Archives come from outside: only an entry's last name component is used, maps must be named by
// a GUID that can name a file, and every entry is written beside its target and checked against
// its CRC before it replaces anything. An entry that fails its check is left out and reported, and
// an archive that would unpack to more than the total extraction limit or the free space is
// refused before anything is written.
class StoreArchiveImporter : public UnzipArchive {
public:
    static constexpr const char* ImportModeDefaultsKey = "storeImportMode";
    enum ImportMode : int64_t {
        KeepExisting = 0,
        ReplaceOlder = 1,
        ReplaceAlways = 2,
    };
    static constexpr const char* ImportFolderTitle = "Imported";
    static constexpr const char* ImagesFolderName = "images";
    static constexpr const char* FolderIndexFileName = "folder-index.xml";
    static constexpr const char* CustomStyleExtension = "twkstyle";
    static constexpr const char* ImageExtension = "png";

    // The mode of the user default; anything outside 0 to 2 counts as 0.
    static int64_t importModeFromDefaults();

    explicit StoreArchiveImporter(MindMapStore* store);
    ~StoreArchiveImporter() override;

    // nullptr, with the cause, when the archive cannot be opened, does not fit, or an entry could
    // not be written (entries written before that stay).
    std::unique_ptr<MindMapStoreImportResult> importStore(const std::string& archivePath, Error* error = nullptr);

    int64_t overwriteMode() const { return _overwriteMode; }
    // Waits for its caller in the shell.
    void setOverwriteMode(int64_t mode);

protected:
    bool extractFiles();
    // Whether to write an entry to the target; counts the entries that an existing file keeps out.
    bool shouldExtractFile(const std::string& target, const std::string& extension, const EntryInfo& entry,
                           bool isCustomImage);
    std::optional<std::vector<uint8_t>> getFolderIndexData();
    void mergeFolderIndex();
    void removeImportFolder();

private:
    enum class EntryKind { Skip, MindMap, CustomStyle, CustomImage };
    // Where the entry goes and what it is; Skip for entries that are not imported at all.
    EntryKind classifyEntry(const std::string& name, std::string& target, std::string& extension) const;

    bool _error = false;
    std::vector<std::string> _unreadableEntries;
    uint64_t _skippedFiles = 0;
    uint64_t _mindMaps = 0;
    uint64_t _customStyles = 0;
    uint64_t _customImages = 0;
    int64_t _overwriteMode = KeepExisting;
    MindMapStore* _store = nullptr;
    std::shared_ptr<MindMapStoreFolder> _importFolder;
};
