#include "store/MindMapInfoItem.h"

#include "MindMaps/MindMap.h"
#include "Utils/CryptoDigest.h"
#include "Utils/FileManagerUtils.h"
#include "Utils/HexEncoding.h"
#include "Utils/StringUtils.h"
#include "Utils/URLUtils.h"
#include "formats/DocumentLimits.h"
#include "formats/EmptyMindMapTemplate.h"
#include "formats/MindMapFile.h"
#include "formats/TwkxArchiveReader.h"
#include "formats/TwkxArchiveWriter.h"
#include "formats/TwkxDataExtractor.h"
#include "formats/ZipDetection.h"
#include "platform/FileUtils.h"
#include "render/MindMapPainter.h"
#include "store/CustomImageStore.h"
#include "store/EditorInterface.h"
#include "store/MindMapStorage.h"
#include "store/MindMapStore.h"
#include "store/MindMapStoreFolder.h"
#include "store/SiblingTempFile.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr int32_t NativeFormat = int32_t(MindMapReadFormat::Native);
// The native document version this store writes; newer documents are never rewritten.
constexpr int64_t CurrentDocumentVersion = MindMapStore::IndexCacheVersion;

std::string fileExtension(const std::string& fileName)
{
    size_t dot = fileName.rfind('.');
    return dot == std::string::npos ? std::string() : fileName.substr(dot + 1);
}

std::string withoutExtension(const std::string& fileName)
{
    size_t dot = fileName.rfind('.');
    return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

void signalChange()
{
    if (MindMapStore* store = MindMapStore::existingInstance()) store->mindMapStoreChanged();
}

std::string documentsDirectory()
{
    MindMapStore* store = MindMapStore::existingInstance();
    return store ? store->documentsDirectory() : std::string();
}

} // namespace

MindMapInfoItem::MindMapInfoItem(const std::string& mindMapFile)
    : MindMapStoreItem(withoutExtension(canonicalForFileSystem(mindMapFile))),
      _mindMapFile(canonicalForFileSystem(mindMapFile))
{
}

std::shared_ptr<MindMapInfoItem> MindMapInfoItem::create(MindMapStoreFolder* parent, const std::string& mindMapFile)
{
    std::shared_ptr<MindMapInfoItem> item(new MindMapInfoItem(mindMapFile));
    item->initWithParent(parent);
    return item;
}

std::shared_ptr<const Image> MindMapInfoItem::defaultThumbnail()
{
    static const std::shared_ptr<const Image> icon =
        std::make_shared<const Image>(Image::fromResource("tw-icon-16x16"));
    return icon;
}

void MindMapInfoItem::updateSha1(const std::vector<uint8_t>& data)
{
    _sha1 = stringByHexEncoding(SHA1(data));
}

std::optional<MindMapInfoItem::Date> MindMapInfoItem::lastModified()
{
    if (!_lastModified) {
        std::string path = mindMapFilePath();
        if (!path.empty()) _lastModified = getDateOfItemAtPath(path);
    }
    return _lastModified;
}

std::string MindMapInfoItem::mindMapFilePath() const
{
    std::string directory = documentsDirectory();
    if (directory.empty() || _mindMapFile.empty()) return {};
    return directory + "/" + _mindMapFile;
}

std::string MindMapInfoItem::mindMapFileUrl() const
{
    std::string path = mindMapFilePath();
    return path.empty() ? std::string() : fileURLWithPath(path);
}

std::string MindMapInfoItem::associatedFilePath(const std::string& extension) const
{
    std::string directory = documentsDirectory();
    if (directory.empty()) return {};
    return directory + "/" + canonicalForFileSystem(guid() + "." + extension);
}

std::optional<MindMapData> MindMapInfoItem::getMindMapData(Error* error) const
{
    std::string path = mindMapFilePath();
    if (path.empty()) return std::nullopt;
    return readMindMapFile(path, error);
}

bool MindMapInfoItem::writeMindMapFile(const MindMapData& data, Error* error)
{
    std::string path = mindMapFilePath();
    if (path.empty()) return false;
    // All or nothing: the map file is often the only copy of the user's work. A store holding its
    // writes syncs the folder once, later.
    MindMapStore* store = MindMapStore::existingInstance();
    const bool held = store && store->holdsWrites();
    if (!writeFileAtomically(path, data, held ? FolderSync::Later : FolderSync::Now, error)) return false;
    if (held) store->documentsFolderLeftUnsynced();
    _lastModified.reset();
    return true;
}

bool MindMapInfoItem::commitMindMap(MindMap* mindMap, Error* error)
{
    if (!isCommittableMindMap(mindMap, error)) return false;
    mindMap->assertIdentity(guid());
    MindMapData data = mindMap->dataOfType(NativeFormat, error);
    if (data.empty()) return false;
    if (!writeMindMapFile(data, error)) return false;
    updateSha1(data);
    setTitle(mindMap->title());
    _containsImages = mindMap->containsImages();
    _damaged = false;
    deleteThumbnail();
    _lastModified.reset();
    signalChange();
    return true;
}

bool MindMapInfoItem::commitTwkxXmlData(const MindMapData& data, Error* error, DocumentReading reading)
{
    if (data.empty()) return false;
    if (!writeMindMapFile(data, error)) return false;
    if (!synchronizeWithFileData(data, reading)) return false;
    if (MindMapStore* store = MindMapStore::existingInstance()) store->mindMapExternalCommitted(this);
    signalChange();
    return true;
}

bool MindMapInfoItem::commitWrittenDocument(SiblingTempFile& document, const std::string& sha1,
                                            std::span<const uint8_t> head, Error* error)
{
    if (sha1.empty() || mindMapFilePath().empty() || document.target() != mindMapFilePath()) return false;
    if (!document.commit(error)) return false;
    _lastModified.reset();
    const std::string oldSha1 = _sha1;
    _sha1 = sha1;
    TwkxDataExtractor extractor;
    if (extractor.readFromData(head, TwkxDataExtractor::MetadataOnly) &&
        asciiCaseInsensitiveEqual(extractor.loadedGuid(), guid()) &&
        extractor.loadedVersion() == CurrentDocumentVersion) {
        setTitle(extractor.title());
        _containsImages = extractor.containsImages();
        if (!oldSha1.empty() && oldSha1 != _sha1) deleteThumbnail();
    } else if (!synchronize()) {
        // A head that does not tell all goes the way of any other bytes: the file, read whole.
        return false;
    }
    if (MindMapStore* store = MindMapStore::existingInstance()) store->mindMapExternalCommitted(this);
    signalChange();
    return true;
}

bool MindMapInfoItem::commitExternalData(const MindMapData& data, Error* error, std::vector<std::string>* skipped)
{
    // Data from outside replaces the file only when the readers would take it.
    if (!DocumentLimits::acceptsData(data, error)) return false;
    if (!hasPKZIPSignature(data)) return commitTwkxXmlData(data, error);
    Error refusal;
    TwkxArchiveReader archive{MindMapData(data), &refusal};
    std::optional<MindMapData> document = archive.extractMindMapDocument();
    if (!document) return refusal.isEmpty() ? false : setError(error, std::move(refusal));
    if (auto images = CustomImageStore::localImageStore()) {
        std::vector<std::string> notKept = archive.importCustomImages(*images);
        if (skipped) skipped->insert(skipped->end(), notKept.begin(), notKept.end());
    }
    return commitTwkxXmlData(*document, error);
}

bool MindMapInfoItem::synchronizeWithFileData(const MindMapData& fileData, DocumentReading reading)
{
    _damaged = true;
    if (fileData.empty()) return false;
    const bool fromArchive = hasPKZIPSignature(fileData);
    std::optional<TwkxArchiveReader> archive;
    MindMapData document;
    if (fromArchive) {
        archive.emplace(MindMapData(fileData));
        std::optional<MindMapData> extracted = archive->extractMindMapDocument();
        if (!extracted) return false;
        document = std::move(*extracted);
    }
    const MindMapData& data = fromArchive ? document : fileData;

    std::string oldSha1 = _sha1;
    updateSha1(data);
    _lastModified.reset();

    TwkxDataExtractor extractor;
    if (!extractor.readFromData(
            data, reading == DocumentReading::MetadataOnly ? uint32_t(TwkxDataExtractor::MetadataOnly) : 0u)) {
        // Nothing can be read out of these bytes, so nothing may replace them: the item stays,
        // and the file stays as it is.
        return true;
    }
    _damaged = false;
    setTitle(extractor.title());
    _containsImages = extractor.containsImages();
    const bool sameGuid = asciiCaseInsensitiveEqual(extractor.loadedGuid(), guid());
    const int64_t version = extractor.loadedVersion();

    if (!fromArchive && sameGuid && version == CurrentDocumentVersion) {
        if (!oldSha1.empty() && oldSha1 != _sha1) deleteThumbnail();
        return true;
    }
    // A document of a later version would lose what this version does not know.
    if (version > CurrentDocumentVersion) return true;

    auto imageStore = CustomImageStore::localImageStore();
    MindMap mindMap(imageStore);
    if (!mindMap.readFromData(data, guid(), NativeFormat)) return true;
    // The bare document written below no longer carries the container's images.
    if (archive && imageStore) archive->importCustomImages(*imageStore);
    // A failed rewrite leaves the file as it was, which still holds the map.
    commitMindMap(&mindMap);
    return true;
}

bool MindMapInfoItem::synchronize()
{
    std::optional<MindMapData> data = getMindMapData();
    if (!data) return false;
    return synchronizeWithFileData(*data);
}

bool MindMapInfoItem::setCustomTitle(const std::string& title, Error* error)
{
    if (title == this->title()) return true;
    EditorInterface* editor = EditorInterfaceInstance();
    MindMapStorage* storage = editor->currentStorage();
    if (storage && storage->isLocalMindMap() && asciiCaseInsensitiveEqual(storage->guid(), guid())) {
        editor->setCustomMindMapTitle(title);
        return true;
    }
    std::optional<MindMapData> data = getMindMapData(error);
    if (!data) return false;
    MindMap mindMap(CustomImageStore::localImageStore());
    if (!mindMap.readFromData(*data, guid(), NativeFormat, error)) return false;
    mindMap.setCustomTitle(title);
    return commitMindMap(&mindMap, error);
}

void MindMapInfoItem::deleteAssociatedFiles()
{
    std::error_code ec;
    std::string path = mindMapFilePath();
    if (!path.empty() && fileExtension(_mindMapFile) == MindMapStore::MindMapExtension) fs::remove(path, ec);
    std::string older = associatedFilePath(MindMapStore::OlderDocumentExtension);
    if (!older.empty()) fs::remove(older, ec);
    deleteThumbnail();
    _lastModified.reset();
}

bool MindMapInfoItem::saveDefaultData(Error* error)
{
    MindMapData data = getEmptyMindMapData(guid(), std::nullopt, error);
    if (data.empty()) return false;
    if (!writeMindMapFile(data, error)) return false;
    updateSha1(data);
    _lastModified.reset();
    return true;
}

std::string MindMapInfoItem::thumbnailFilePath() const
{
    MindMapStore* store = MindMapStore::existingInstance();
    if (!store || store->cachesDirectory().empty()) return {};
    return store->cachesDirectory() + "/" + canonicalForFileSystem(guid() + MindMapStore::ThumbnailSuffix);
}

std::shared_ptr<const Image> MindMapInfoItem::thumbnail()
{
    std::string path = thumbnailFilePath();
    if (!path.empty()) {
        Image cached = Image::fromFile(path);
        if (!cached.isNull()) return std::make_shared<const Image>(std::move(cached));
    }
    std::vector<uint8_t> png;
    if (std::optional<MindMapData> data = getMindMapData()) {
        MindMap mindMap(CustomImageStore::localImageStore());
        if (mindMap.readFromData(*data, guid(), NativeFormat)) png = MindMapPainter::createThumbnailImage(mindMap);
    }
    if (!png.empty()) {
        Image painted = Image::fromData(png);
        if (!painted.isNull()) {
            if (!path.empty()) writeFileAtomically(path, png);
            return std::make_shared<const Image>(std::move(painted));
        }
    }
    return std::make_shared<const Image>(Image::fromData(MindMapPainter::emptyMindMapThumbnail()));
}

void MindMapInfoItem::deleteThumbnail()
{
    std::string path = thumbnailFilePath();
    if (path.empty()) return;
    std::error_code ec;
    fs::remove(path, ec);
}

bool MindMapInfoItem::collectReferencedImages(std::set<std::string>& images)
{
    // Every map is read, whatever its image flag says: documents written before relation images
    // counted carry "no images" while their relations still show some, and an image missed here
    // is deleted for good.
    std::optional<MindMapData> data = getMindMapData();
    if (!data) return false;
    TwkxDataExtractor extractor;
    if (!extractor.readFromData(*data, TwkxDataExtractor::CollectImages)) return false;
    images.insert(extractor.images().begin(), extractor.images().end());
    return true;
}

std::optional<MindMapData> MindMapInfoItem::getMindMapExportData()
{
    // The document is scanned even when its image flag is off (see collectReferencedImages()).
    std::optional<MindMapData> data = getMindMapData();
    if (!data) return data;
    std::set<std::string> hashes;
    TwkxDataExtractor extractor;
    if (extractor.readFromData(*data, TwkxDataExtractor::CollectImages)) hashes = extractor.images();
    std::erase_if(hashes, [](const std::string& hash) { return CustomImageStore::isClipArtImageHash(hash); });
    auto imageStore = CustomImageStore::localImageStore();
    if (hashes.empty() || !imageStore) return data;

    MindMapStore* store = MindMapStore::existingInstance();
    std::string archivePath =
        store ? store->uniqueFileInScratchDirectory(guid() + "." + MindMapStore::MindMapExtension) : std::string();
    if (archivePath.empty()) return std::nullopt;
    TwkxArchiveWriter writer(archivePath, true);
    writer.addMindMapDocumentData(*data);
    writer.addCustomImages(hashes, *imageStore);
    return writer.getArchiveData();
}
