#pragma once

#include "MindMaps/MindMapFormats.h"
#include "platform/Error.h"
#include "store/MindMapStoreItem.h"

#include <chrono>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

class MindMap;
class SiblingTempFile;

// One map of the local store: the file "<GUID>.twkx" in the store's documents folder, with what
// the store knows of it without reading it (title, SHA-1 of the bytes, whether it has images).
// Every write of the file replaces it whole (written beside it, then renamed), so that a failed
// write leaves the previous version.
class MindMapInfoItem : public MindMapStoreItem {
public:
    using Date = std::chrono::system_clock::time_point;

    // A new item for the file (GUID plus extension) appended to parent (nullptr: detached). The
    // GUID is the file name without its extension. Nothing touches the disk.
    static std::shared_ptr<MindMapInfoItem> create(MindMapStoreFolder* parent, const std::string& mindMapFile);

    // "tw-icon-16x16".
    std::shared_ptr<const Image> defaultThumbnail() override;
    // The cached thumbnail, else one painted from the map and cached; the empty-map thumbnail when
    // the map cannot be read or painted.
    std::shared_ptr<const Image> thumbnail() override;

    const std::string& mindMapFile() const { return _mindMapFile; }
    // Upper-case hexadecimal SHA-1 of the file as last read or written; empty when unknown.
    const std::string& sha1() const { return _sha1; }
    void setSha1(const std::string& sha1) { _sha1 = sha1; }
    // Sets sha1 from the bytes.
    void updateSha1(const std::vector<uint8_t>& data);
    bool containsImages() const { return _containsImages; }
    void setContainsImages(bool containsImages) { _containsImages = containsImages; }
    // The file did not read as a map when it was last looked at (missing bytes, not a file, or
    // not a document): the record stays so that nothing the user had goes without a word.
    bool isDamaged() const { return _damaged; }
    void setDamaged(bool damaged) { _damaged = damaged; }
    // The file's modification date, read on first need; nothing when the file is missing.
    std::optional<Date> lastModified();
    void forgetLastModified() { _lastModified.reset(); }

    // The file's bytes; nothing when it cannot be read.
    std::optional<MindMapData> getMindMapData(Error* error = nullptr) const;
    // The bytes to export: the bare document, or a native container with its images when it
    // refers to images of the local store.
    std::optional<MindMapData> getMindMapExportData();

    // Writes the map (with this item's GUID) as the native document; on failure the file is as it
    // was and the error tells why.
    bool commitMindMap(MindMap* mindMap, Error* error = nullptr);
    // How much of a document is read to bring the item in line with it: all of it, or for a
    // document known to read (written by this program, or read whole before) only its metadata.
    enum class DocumentReading { Whole, MetadataOnly };

    // Writes native bytes from outside the editor and brings the item in line with them.
    bool commitTwkxXmlData(const MindMapData& data, Error* error = nullptr,
                           DocumentReading reading = DocumentReading::Whole);
    // Moves a native document written beside the item's file (by the store, from a map it has
    // just read) over that file and brings the item in line with it as commitTwkxXmlData does:
    // sha1 is the document's, head its start up to the end of "meta" at least. False, with the
    // file as it was, when the document was written for another file or cannot be moved.
    bool commitWrittenDocument(SiblingTempFile& document, const std::string& sha1, std::span<const uint8_t> head,
                               Error* error = nullptr);
    // A native container (its document and images) or native XML, from outside the editor.
    // The image entries of a container that were not kept are appended to *skipped. Data beyond
    // the document limits (DocumentLimits) is refused with the reason, the file left as it was.
    bool commitExternalData(const MindMapData& data, Error* error = nullptr,
                            std::vector<std::string>* skipped = nullptr);
    // Brings title, SHA-1 and image flag in line with the bytes (the file's, or ones just written);
    // rewrites the file only when it reads as a native document of this or an older version whose
    // GUID is not this item's, or that came from a container. False for empty data or a container
    // without document.
    bool synchronizeWithFileData(const MindMapData& data, DocumentReading reading = DocumentReading::Whole);
    // synchronizeWithFileData() with the file's own bytes; false when it cannot be read.
    bool synchronize();
    // The map's own title, through the editor when the map is open there; false, with why, when
    // the map's file could not be read or written.
    bool setCustomTitle(const std::string& title, Error* error = nullptr);

    std::string mindMapFilePath() const;
    std::string mindMapFileUrl() const;
    // "<GUID>.<extension>" beside the map file.
    std::string associatedFilePath(const std::string& extension) const;
    // Removes the map file, "<GUID>.twk-doc" beside it and the thumbnail.
    void deleteAssociatedFiles();
    // Writes the document of a new, empty map with this GUID.
    bool saveDefaultData(Error* error = nullptr);
    // "<GUID>-tn.png" in the store's caches folder; empty without one.
    std::string thumbnailFilePath() const;
    void deleteThumbnail();
    // Adds the image hashes the document refers to (topics, free images and relations). False when
    // the map cannot be read, so that no image is taken for unused on its account.
    bool collectReferencedImages(std::set<std::string>& images);

private:
    explicit MindMapInfoItem(const std::string& mindMapFile);

    // Writes bytes to the map file, all or nothing, and forgets the cached date.
    bool writeMindMapFile(const MindMapData& data, Error* error);

    std::string _mindMapFile;
    std::string _sha1;
    bool _containsImages = false;
    bool _damaged = false;
    std::optional<Date> _lastModified;
};
