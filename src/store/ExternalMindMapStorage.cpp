#include "store/ExternalMindMapStorage.h"

#include "MindMaps/CompositeElement.h"
#include "MindMaps/ContainedElement.h"
#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapFormats.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/ParentRelation.h"
#include "Utils/StringUtils.h"
#include "Utils/URLUtils.h"
#include "formats/DocumentDamage.h"
#include "formats/MindMapFile.h"
#include "formats/TwkxArchiveReader.h"
#include "formats/TwkxArchiveWriter.h"
#include "formats/ZipDetection.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "store/CustomImageStore.h"
#include "store/SiblingTempFile.h"

#include <filesystem>
#include <system_error>

namespace {

// The error of a commit whose container could not be written.
constexpr int64_t CloudContainerErrorCode = 30;

void collectContainedImages(const CompositeElement* composite, std::set<std::string>& images)
{
    if (!composite) return;
    for (const ContainedElement* element : composite->containedElements()) element->collectReferencedImages(images);
}

void removeFile(const std::string& path)
{
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

} // namespace

ExternalMindMapStorage::ExternalMindMapStorage(CreationKey key, MindMapProvider* provider, std::string id,
                                               const std::string& fileName, const std::string& cacheDirectory)
    : MindMapStorage(key, provider, std::move(id)), _cacheDirectory(cacheDirectory)
{
    setSourceFile(fileName);
    const std::string imagesDirectory = (std::filesystem::path(_cacheDirectory) / CacheImagesFolderName).string();
    std::error_code ignored;
    std::filesystem::create_directories(imagesDirectory, ignored);
    _imageStore = std::make_shared<CustomImageStore>(imagesDirectory);
}

ExternalMindMapStorage::~ExternalMindMapStorage()
{
    ExternalMindMapStorage::close();
}

std::shared_ptr<CustomImageStore> ExternalMindMapStorage::imageStore() const
{
    return _imageStore;
}

std::string ExternalMindMapStorage::title() const
{
    return std::filesystem::path(_fileName).stem().string();
}

void ExternalMindMapStorage::setSourceFile(const std::string& fileName)
{
    _fileName = fileName;
}

std::string ExternalMindMapStorage::cacheMindMapFileName() const
{
    return (std::filesystem::path(_cacheDirectory) / CacheMindMapFileName).string();
}

void ExternalMindMapStorage::open()
{
    _openError = {};
    if (isZipFile(_fileName)) {
        openZipDocument();
    } else {
        // The copy replaces what an earlier opening left, so that a reopen shows the new version;
        // when it fails, the stale copy goes too and the editor reports the unreadable map. A file
        // too large to be a map is told as such, not as the copy that is missing.
        Error readError;
        const auto data = readMindMapFile(_fileName, &readError);
        if (!data && readError.domain == DocumentDamage::ErrorDomain) _openError = readError;
        if (!data || !writeFileAtomically(cacheMindMapFileName(), *data)) removeFile(cacheMindMapFileName());
    }
    MindMapStorage::open();
}

void ExternalMindMapStorage::openZipDocument()
{
    TwkxArchiveReader reader(_fileName, false, &_openError);
    const auto document = reader.extractMindMapDocument();
    if (!document || !writeFileAtomically(cacheMindMapFileName(), *document)) removeFile(cacheMindMapFileName());
    if (_imageStore) reader.importCustomImages(*_imageStore);
}

void ExternalMindMapStorage::reopen()
{
    if (isOpen()) open();
}

void ExternalMindMapStorage::close()
{
    const bool wasOpen = isOpen();
    MindMapStorage::close();
    if (wasOpen && !_cacheDirectory.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(_cacheDirectory, ignored);
    }
}

void ExternalMindMapStorage::collectReferencedImages(const MindMap& mindMap, std::set<std::string>& images)
{
    mindMap.collectReferencedImages(images);
    for (const CrossLink* link : mindMap.crossLinks()) collectContainedImages(link, images);
    for (const MindMapNode* node : mindMap.nodes()) collectContainedImages(node->parentRelation(), images);
}

bool ExternalMindMapStorage::commitMindMap(MindMap* mindMap, Error* error)
{
    if (!isCommittableMindMap(mindMap, error)) return false;
    mindMap->assertIdentity(mindMap->documentInformation().loadedGuid());

    Error dataError;
    const MindMapData data = mindMap->dataOfType(static_cast<int32_t>(MindMapReadFormat::Native), &dataError);
    if (data.empty()) return setError(error, dataError);
    if (!writeFileAtomically(cacheMindMapFileName(), data, error)) return false;

    std::set<std::string> images;
    collectReferencedImages(*mindMap, images);
    std::erase_if(images, [](const std::string& hash) { return CustomImageStore::isClipArtImageHash(hash); });

    // The container is built beside the local copy and replaces it only when complete, so that a
    // full disk or a failing image never leaves the cloud file half written.
    SiblingTempFile container(_fileName);
    if (!container.isValid()) return setError(error, container.error());
    bool packed = false;
    {
        TwkxArchiveWriter writer(container.path());
        writer.addMindMapDocumentData(data);
        const ImageStore* imageStore = mindMap->imageStore() ? mindMap->imageStore() : _imageStore.get();
        if (imageStore) writer.addCustomImages(images, *imageStore);
        packed = writer.getArchiveData().has_value();
    }
    if (!packed) {
        return setError(error,
                        MakeAppError(CloudContainerErrorCode, localized("cloud_cache_commit_error"),
                                     localizedFormat("cloud_cache_container_error", {_fileName})));
    }
    if (!container.commit(error)) return false;
    mindMapCommitted();
    return true;
}

void ExternalMindMapStorage::mindMapCommitted()
{
}

std::string ExternalMindMapStorage::mindMapFileUrl() const
{
    return fileURLWithPath(cacheMindMapFileName());
}

std::optional<std::vector<uint8_t>> ExternalMindMapStorage::getMindMapExportData()
{
    return readMindMapFile(_fileName);
}

void ExternalMindMapStorage::fileExternallyChanged(const std::string& path)
{
    if (caseInsensitiveEqual(path, _fileName)) externallyChanged();
}
