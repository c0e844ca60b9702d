#include "store/MindMapStore.h"

#include "MindMaps/CommandPrompts.h"
#include "MindMaps/CustomStyleSheet.h"
#include "MindMaps/DiagramLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/TopicDepthLimit.h"
#include "Utils/CryptoDigest.h"
#include "Utils/GuidCreation.h"
#include "Utils/HexEncoding.h"
#include "Utils/PathValidation.h"
#include "Utils/StringUtils.h"
#include "formats/MindMapConverter.h"
#include "formats/PlainTextImporter.h"
#include "formats/TwkxArchiveReader.h"
#include "formats/TwkxDataExtractor.h"
#include "formats/TwkxMindMapReader.h"
#include "formats/TwkxMindMapWriter.h"
#include "formats/ZipDetection.h"
#include "platform/FileUtils.h"
#include "platform/Folders.h"
#include "platform/Localizer.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "store/CustomImageStore.h"
#include "store/FlatStockIcons.h"
#include "store/LocalProvider.h"
#include "store/MindMapImporter.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapProviders.h"
#include "store/MindMapSearchInfo.h"
#include "store/MindMapStoreFolder.h"
#include "store/MindMapStoreLock.h"
#include "store/NamedDiagramIcons.h"
#include "store/SiblingTempFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

MindMapStore* s_instance = nullptr;
std::unique_ptr<MindMapStore> s_owner;

std::string extensionOf(const fs::path& path)
{
    std::string extension = path.extension().string();
    return extension.empty() ? extension : extension.substr(1);
}

} // namespace

// ---- The singleton ----

MindMapStore* MindMapStore::mindMapStoreInstance()
{
    if (!s_instance) {
        s_owner.reset(new MindMapStore());
        s_owner->init();
    }
    return s_instance;
}

MindMapStore* MindMapStore::existingInstance()
{
    return s_instance;
}

void MindMapStore::releaseMindMapStoreInstance()
{
    if (!s_owner) return;
    s_owner->saveIndexToFile();
    s_owner.reset();
}

MindMapInfoItem* MindMapStore::safeGetMindMapByGuid(const std::string& guid)
{
    return s_instance ? s_instance->mindMapByGuid(guid) : nullptr;
}

bool MindMapStore::isValidMindMapGuid(const std::string& guid)
{
    // GUIDs from outside (imports, other devices) become file names in the documents folder.
    if (guid.empty() || guid.front() == '.') return false;
    if (guid.find('\0') != std::string::npos) return false;
    if (stringByRemovingInvalidFileNameCharsAllowSpaces(guid, false) != guid) return false;
    return stringWithSaneFileNameLength(guid) == guid;
}

std::string MindMapStore::createFolderGuid()
{
    return "/" + createGUIDString();
}

MindMapStore::MindMapStore() = default;

MindMapStore::~MindMapStore()
{
    // Taking the tree apart is no change anybody needs to hear about.
    ++_lockCount;
    if (_documentsFolderUnsynced) syncFolder(_documentsDirectory);
    if (_localProvider) {
        MindMapProviders::instance().unregisterProvider(_localProvider.get());
        _localProvider.reset();
    }
    _mindMaps.clear();
    _mindMapsByGuidValid = false;
    DiagramLink::setLocalMapLookup(nullptr);
    _rootFolder.reset();
    if (s_instance == this) s_instance = nullptr;
}

void MindMapStore::init()
{
    // Nothing that identifies maps or folders comes from this generator.
    std::srand(unsigned(std::time(nullptr)));
    s_instance = this;
    initDocumentsDirectory();
    std::string root = tarnWickStoreRootPath();
    if (!root.empty() && fs::is_directory(root)) _storeLock = MindMapStoreLock::acquire(root);
    // Another process owns the store: its scratch files are in use.
    if (_storeLock) {
        cleanupScratchDirectory();
        removeLeftoverTemporaryFiles();
    }

    _mindMaps.clear();
    _mindMapsByGuidValid = false;
    _rootFolder = MindMapStoreFolder::create(nullptr, localized("mindmap_default_folder_name"), RootFolderGuid);
    _rootFolder->setFolderKind(MindMapStoreFolder::RootFolder);

    // Every style sheet and stock icon a document may name is registered before one is read.
    if (!_documentsDirectory.empty()) CustomStyleSheet::loadCustomStylesFromDirectory(_documentsDirectory);
    NamedDiagramIcons::namedDiagramIcons();
    FlatStockIcons::flatStockIcons();

    _starting = true;
    beginUpdate();
    convertTwkFiles();
    validateIndex();
    loadFolderIndexFile();
    mindMapStoreChanged();
    endUpdate();
    _starting = false;

    initProvider();
}

void MindMapStore::initDocumentsDirectory()
{
    std::string root = tarnWickStoreRootPath();
    if (root.empty()) return;
    if (!fs::is_directory(root) && !Folders::createFolder(root)) return;

    std::error_code ec;
    std::string documents = root + "/" + canonicalForFileSystem(DocumentsFolderName);
    _mindMapStoreDirectoryCreated = !fs::exists(documents, ec);
    fs::create_directory(documents, ec);
    if (fs::is_directory(documents, ec)) {
        _documentsDirectory = documents;
        auto imageFolder = [&](const char* name) {
            std::string path = documents + "/" + canonicalForFileSystem(name);
            fs::create_directory(path, ec);
            return path;
        };
        CustomImageStore::initLocalImageStore(imageFolder("Images"));
        CustomImageStore::initCustomIconStore(imageFolder("Custom Icons"));
        CustomImageStore::initClipboardImageStore(imageFolder("Clipboard"));
    }
    std::string scratch = root + "/" + canonicalForFileSystem(ScratchFolderName);
    fs::create_directory(scratch, ec);
    if (fs::is_directory(scratch, ec)) _scratchDirectory = scratch;
    _cachesDirectory = tarnWickStoreSubDirPath(CachesFolderName);
}

void MindMapStore::cleanupScratchDirectory()
{
    if (_scratchDirectory.empty()) return;
    std::error_code ec;
    for (fs::directory_iterator it(_scratchDirectory, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->symlink_status(typeError).type() == fs::file_type::regular) fs::remove(it->path(), typeError);
    }
}

namespace {

// The names the atomic writer (".<name>.XXXXXX") and the unzipper (".tw-unzip-XXXXXX") give
// their temporary files, for the kinds of file the store writes; a user's own hidden files do not
// look like that.
bool isLeftoverTemporaryName(const std::string& name)
{
    constexpr size_t SuffixLength = 6;
    if (name.size() < SuffixLength + 2 || name.front() != '.') return false;
    const std::string suffix = name.substr(name.size() - SuffixLength);
    if (!std::all_of(suffix.begin(), suffix.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)); })) {
        return false;
    }
    const std::string stem = name.substr(1, name.size() - SuffixLength - 1);
    if (stem == "tw-unzip-") return true;
    if (stem.size() < 2 || stem.back() != '.') return false;
    const std::string extension = extensionOf(fs::path(stem.substr(0, stem.size() - 1)));
    for (const char* ours : {MindMapStore::MindMapExtension, "twkstyle", "png", "plist", "xml"}) {
        if (extension == ours) return true;
    }
    return false;
}

} // namespace

void MindMapStore::removeLeftoverTemporaryFiles()
{
    std::vector<std::string> folders{_cachesDirectory};
    if (!_documentsDirectory.empty()) {
        std::vector<std::string> mapFolders = mapFolderPaths(tarnWickStoreRootPath());
        folders.insert(folders.end(), mapFolders.begin() + 1, mapFolders.end());
    }
    for (const std::string& folder : folders) {
        if (folder.empty()) continue;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code typeError;
            if (it->symlink_status(typeError).type() != fs::file_type::regular) continue;
            if (isLeftoverTemporaryName(it->path().filename().string())) fs::remove(it->path(), typeError);
        }
    }
}

void MindMapStore::initProvider()
{
    // Searching the store's maps by their texts reads them with the extractor.
    MindMapSearchInfo::setFullTextScanner(
        [](const std::vector<uint8_t>& data) -> std::optional<std::vector<std::string>> {
            TwkxDataExtractor extractor;
            if (!extractor.readFromData(data, TwkxDataExtractor::CollectFullText)) return std::nullopt;
            return extractor.fullText();
        });
    // Links to local maps are valid when this store has the map; they show its title.
    DiagramLink::setLocalMapLookup([](const std::string& mapGuid) -> std::optional<std::string> {
        MindMapStore* store = existingInstance();
        MindMapInfoItem* map = store ? store->mindMapByGuid(mapGuid) : nullptr;
        if (!map) return std::nullopt;
        return map->title();
    });
    _localProvider = std::make_shared<LocalProvider>();
    MindMapProviders::instance().registerProvider(_localProvider);
}

// ---- Directories ----

std::string MindMapStore::tarnWickStoreRootPath()
{
    return Folders::userDataFolder();
}

std::string MindMapStore::tarnWickStoreSubDirPath(const std::string& subDir)
{
    std::string root = tarnWickStoreRootPath();
    if (root.empty()) return {};
    std::string path = root + "/" + canonicalForFileSystem(subDir);
    std::error_code ec;
    if (!fs::is_directory(path, ec)) {
        fs::create_directory(path, ec);
        if (!fs::is_directory(path, ec)) return {};
    }
    return path;
}

std::string MindMapStore::appSupportDirectory()
{
    return tarnWickStoreSubDirPath(AppSupportFolderName);
}

std::vector<std::string> MindMapStore::mapFolderPaths(const std::string& root)
{
    const std::string documents = root + "/" + canonicalForFileSystem(DocumentsFolderName);
    std::vector<std::string> folders{root, documents};
    for (const char* images : ImageFolderNames) folders.push_back(documents + "/" + canonicalForFileSystem(images));
    return folders;
}

std::vector<std::string> MindMapStore::writtenFolderPaths(const std::string& root)
{
    std::vector<std::string> folders = mapFolderPaths(root);
    folders.push_back(root + "/" + canonicalForFileSystem(AppSupportFolderName));
    return folders;
}

bool MindMapStore::ownsStoreLock()
{
    if (s_instance) return s_instance->_storeLock != nullptr;
    std::string root = tarnWickStoreRootPath();
    std::error_code ec;
    if (root.empty() || !fs::is_directory(root, ec)) return true;
    return MindMapStoreLock::acquire(root) != nullptr;
}

std::string MindMapStore::twkdocBackupDirectory()
{
    if (_twkdocBackupDirectory.empty() && !_documentsDirectory.empty()) {
        std::string path = _documentsDirectory + "/" + OlderDocumentBackupFolderName;
        std::error_code ec;
        fs::create_directory(path, ec);
        if (fs::is_directory(path, ec)) _twkdocBackupDirectory = path;
    }
    return _twkdocBackupDirectory;
}

std::string MindMapStore::uniqueFileInScratchDirectory(const std::string& fileName) const
{
    if (_scratchDirectory.empty()) return {};
    // Only a name: nothing may land outside the scratch folder.
    std::string name = fs::path(canonicalForFileSystem(fileName)).filename().string();
    if (name.empty() || name == "." || name == "..") return {};
    std::error_code ec;
    std::string path = _scratchDirectory + "/" + name;
    if (!fs::exists(fs::symlink_status(path, ec))) return path;
    fs::path asPath(name);
    std::string stem = asPath.stem().string();
    std::string extension = asPath.extension().string();
    for (uint64_t n = 1;; ++n) {
        path = _scratchDirectory + "/" + stem + "(" + std::to_string(n) + ")" + extension;
        if (!fs::exists(fs::symlink_status(path, ec))) return path;
    }
}

// ---- Maps ----

MindMapInfoItem* MindMapStore::getFirstMindMap() const
{
    return _mindMaps.empty() ? nullptr : _mindMaps.front().get();
}

MindMapInfoItem* MindMapStore::mindMapByGuid(const std::string& guid) const
{
    if (guid.empty()) return nullptr;
    if (!_mindMapsByGuidValid) {
        _mindMapsByGuid.clear();
        // The first of two maps whose GUIDs differ only in case wins, as a walk of the list would.
        for (const auto& map : _mindMaps) _mindMapsByGuid.emplace(asciiLowercased(map->guid()), map.get());
        _mindMapsByGuidValid = true;
    }
    auto found = _mindMapsByGuid.find(asciiLowercased(guid));
    return found == _mindMapsByGuid.end() ? nullptr : found->second;
}

MindMapInfoItem* MindMapStore::addMindMapItem(const std::string& mindMapFile, MindMapStoreFolder* folder, bool atFront)
{
    std::shared_ptr<MindMapInfoItem> item = MindMapInfoItem::create(assureValidParentFolder(folder), mindMapFile);
    if (atFront) {
        _mindMaps.insert(_mindMaps.begin(), item);
        _mindMapsByGuidValid = false;
    } else {
        _mindMaps.push_back(item);
        _mindMapsByGuidValid = false;
    }
    return item.get();
}

std::string MindMapStore::unusedMindMapFileName() const
{
    std::string fileName;
    std::error_code ec;
    do {
        fileName = canonicalForFileSystem(createGUIDString() + "." + MindMapExtension);
    } while (fs::exists(fs::symlink_status(_documentsDirectory + "/" + fileName, ec)));
    return fileName;
}

MindMapInfoItem* MindMapStore::createMindMapInfoItemAndAssignGuid(MindMapStoreFolder* folder)
{
    if (_documentsDirectory.empty()) return nullptr;
    return addMindMapItem(unusedMindMapFileName(), folder, true);
}

MindMapInfoItem* MindMapStore::addMindMapInFolder(MindMapStoreFolder* folder, Error* error)
{
    UpdateBracket bracket(this);
    MindMapInfoItem* item = createMindMapInfoItemAndAssignGuid(folder);
    if (!item) return nullptr;
    item->parent()->moveChild(item, 0);
    if (!item->saveDefaultData(error)) {
        deleteMindMap(item);
        return nullptr;
    }
    item->setTitle(NewMindMapTitle);
    return item;
}

MindMapInfoItem* MindMapStore::duplicateMindMap(MindMapInfoItem* mindMap, Error* error)
{
    if (!mindMap) return nullptr;
    std::optional<MindMapData> data = mindMap->getMindMapData(error);
    if (!data) return nullptr;
    UpdateBracket bracket(this);
    MindMapInfoItem* copy = createMindMapInfoItemAndAssignGuid(mindMap->parent());
    if (!copy) return nullptr;
    if (copy->parent() == mindMap->parent()) copy->parent()->moveChild(copy, mindMap->indexInParent() + 1);
    MindMap map(CustomImageStore::localImageStore());
    Error failure;
    bool ok = map.readFromData(*data, copy->guid(), int32_t(MindMapReadFormat::Native), &failure);
    if (ok) {
        map.setCustomTitle(localizedFormat("document_name_copy_fmt", {mindMap->title()}));
        ok = copy->commitMindMap(&map, &failure);
    }
    if (!ok) {
        deleteMindMap(copy);
        if (!error && !failure.isEmpty()) commandPromptsInstance().presentError(failure);
        setError(error, failure);
        return nullptr;
    }
    return copy;
}

namespace {

constexpr int64_t ImportErrorCode = 42;

bool importFailed(Error* error, const std::string& reasonKey)
{
    return setError(error, MakeAppError(ImportErrorCode, localized("map_import_error"), localized(reasonKey)));
}

// Reading a file builds a whole map in memory. Running out of memory there must end as a refused
// import with the store as it was, never as the end of the program.
template <typename Work> auto withinMemory(Error* error, Work&& work) -> decltype(work())
{
    try {
        return work();
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    importFailed(error, "map_import_out_of_memory_reason");
    return {};
}

// The reader's error says what is wrong and where; a reader that has none still gets the user an
// answer.
bool readForImport(MindMap& mindMap, const MindMapData& data, const std::string& guid, int32_t format, Error* error)
{
    Error failure;
    if (mindMap.readFromData(data, guid, format, &failure)) return true;
    if (failure.isEmpty()) return importFailed(error, "map_import_unreadable_reason");
    return setError(error, failure);
}

} // namespace

namespace {

bool isForeignFormat(int32_t format)
{
    return format == int32_t(MindMapReadFormat::PropertyList) || format == int32_t(MindMapReadFormat::Opml) ||
        format == int32_t(MindMapReadFormat::FreeMind) || format == int32_t(MindMapReadFormat::PlainText);
}

// What is known of a native document once it has been written to its file.
struct WrittenDocument {
    std::string sha1;
    // Its start, up to the end of "meta" at least when that comes early.
    std::vector<uint8_t> head;
};

// Writes the map's native document into the (empty) file at path as it is made, its SHA-1 taken on
// the way.
std::optional<WrittenDocument> writeDocumentToFile(MindMap& mindMap, const std::string& path, const std::string& target,
                                                   Error* error)
{
    // Enough for "meta" of any ordinary map; a longer one is read from the file afterwards.
    constexpr size_t HeadLimit = 1024 * 1024;
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        setError(error, fileSaveError(errno, target, "Cannot open " + path));
        return std::nullopt;
    }
    WrittenDocument written;
    SHA1Stream digest;
    int failure = 0;
    bool headDone = false;
    TwkxMindMapWriter::writeMindMapInPieces(mindMap, [&](std::string_view piece) {
        if (!headDone) {
            written.head.insert(written.head.end(), piece.begin(), piece.end());
            const std::string_view head(reinterpret_cast<const char*>(written.head.data()), written.head.size());
            headDone = head.find("</meta>") != std::string_view::npos || head.size() >= HeadLimit;
        }
        digest.update(piece);
        while (failure == 0 && !piece.empty()) {
            const ssize_t done = ::write(fd, piece.data(), piece.size());
            if (done < 0 && errno == EINTR) continue;
            if (done <= 0) failure = done < 0 ? errno : EIO;
            else piece.remove_prefix(static_cast<size_t>(done));
        }
    });
    if (::close(fd) != 0 && failure == 0) failure = errno;
    if (failure != 0) {
        setError(error, fileSaveError(failure, target, "Cannot write " + path));
        return std::nullopt;
    }
    written.sha1 = stringByHexEncoding(digest.finish());
    return written;
}

// The map as reading back the file written from it makes it: each topic where the file puts it,
// with a line to its parent never routed (the file keeps no route), and the map laid out again
// from there, as a map just read is.
void settleAsWritten(MindMap& mindMap)
{
    for (MindMapNode* node : mindMap.nodes()) {
        node->setLocation(TwkxMindMapReader::topicLocationAsWritten(node->location()));
        node->parentRelation()->relationPath() = RelationPath();
    }
    mindMap.setNeedsLayout(true);
    mindMap.validateElementStates();
}

} // namespace

MindMapInfoItem* MindMapStore::importForeignMindMap(const MindMapData& data, int32_t format,
                                                    const std::string& fileName, Error* error, ImportTarget* target)
{
    // Only these readers make nothing but topics laid out, whose places alone the file rounds.
    const bool settles = format == int32_t(MindMapReadFormat::FreeMind) || format == int32_t(MindMapReadFormat::Opml);
    return importReadMindMap(
        [&](MindMap& mindMap, const std::string& guid) { return readForImport(mindMap, data, guid, format, error); },
        fileName, error, settles ? target : nullptr);
}

MindMapInfoItem* MindMapStore::importTextMindMap(MindMapData&& data, const std::string& fileName, Error* error)
{
    return importReadMindMap(
        [&](MindMap& mindMap, const std::string& guid) {
            Error failure;
            if (mindMap.importWithImporter(
                    [&] { return MindMapConverter::importFromText(mindMap, std::move(data), &failure); }, guid))
                return true;
            if (failure.isEmpty()) return importFailed(error, "map_import_unreadable_reason");
            return setError(error, failure);
        },
        fileName, error);
}

MindMapInfoItem* MindMapStore::importReadMindMap(const std::function<bool(MindMap&, const std::string& guid)>& read,
                                                 const std::string& fileName, Error* error, ImportTarget* target)
{
    MindMap* targetMap = target ? target->mindMap : nullptr;
    if (targetMap) targetMap->setImageStore(CustomImageStore::localImageStore());
    MindMapInfoItem* item = importReadMindMapInto(read, fileName, error, targetMap);
    if (!targetMap) return item;
    if (!item) {
        targetMap->clearAndDisableDiagram();
        return nullptr;
    }
    settleAsWritten(*targetMap);
    target->filled = true;
    return item;
}

MindMapInfoItem* MindMapStore::importReadMindMapInto(const std::function<bool(MindMap&, const std::string& guid)>& read,
                                                     const std::string& fileName, Error* error, MindMap* into)
{
    SiblingTempFile file(_documentsDirectory + "/" + fileName);
    if (!file.isValid()) {
        setError(error, file.error());
        return nullptr;
    }
    std::optional<WrittenDocument> written = withinMemory(error, [&]() -> std::optional<WrittenDocument> {
        std::unique_ptr<MindMap> own;
        if (!into) own = std::make_unique<MindMap>(CustomImageStore::localImageStore());
        MindMap& mindMap = into ? *into : *own;
        if (!read(mindMap, fs::path(fileName).stem().string())) return std::nullopt;
        return writeDocumentToFile(mindMap, file.path(), file.target(), error);
    });
    if (!written) return nullptr;
    // Made before the bracket: its arrival is a change of its own.
    MindMapInfoItem* item = addMindMapItem(fileName, _rootFolder.get(), true);
    UpdateBracket bracket(this);
    if (!withinMemory(error, [&] { return item->commitWrittenDocument(file, written->sha1, written->head, error); })) {
        deleteMindMap(item);
        return nullptr;
    }
    return item;
}

std::optional<MindMapData> MindMapStore::assureTarnwickXDataFormat(const MindMapData& data, const std::string& guid,
                                                                   Error* error, int32_t undetectedFormat)
{
    int32_t format = MindMap::detectMindMapFormat(data);
    if (format == 0) format = undetectedFormat;
    switch (format) {
    case int32_t(MindMapReadFormat::Native): {
        // Only a document that reads is let into the store: one the reader would refuse for its
        // depth is refused here with the reader's reason.
        TwkxDataExtractor extractor;
        if (extractor.readFromData(data, TwkxDataExtractor::MeasureTopicLevels)) {
            if (!TopicDepthLimit::acceptsLevels(extractor.topicLevels(), error)) return std::nullopt;
            return data;
        }
        // Read again, only to learn what is wrong and where.
        MindMap mindMap(CustomImageStore::localImageStore());
        readForImport(mindMap, data, guid, format, error);
        return std::nullopt;
    }
    case int32_t(MindMapReadFormat::PropertyList):
    case int32_t(MindMapReadFormat::Opml):
    case int32_t(MindMapReadFormat::FreeMind):
    case int32_t(MindMapReadFormat::PlainText): {
        MindMap mindMap(CustomImageStore::localImageStore());
        if (!readForImport(mindMap, data, guid, format, error)) return std::nullopt;
        MindMapData native = mindMap.dataOfType(int32_t(MindMapReadFormat::Native), error);
        if (native.empty()) return std::nullopt;
        return native;
    }
    default:
        importFailed(error, "map_import_unknown_format_reason");
        return std::nullopt;
    }
}

void MindMapStore::importCustomImages(const MindMapData& archiveData, std::vector<std::string>* skipped)
{
    auto imageStore = CustomImageStore::localImageStore();
    if (!imageStore) return;
    TwkxArchiveReader archive{MindMapData(archiveData)};
    std::vector<std::string> notKept = archive.importCustomImages(*imageStore);
    if (skipped) skipped->insert(skipped->end(), notKept.begin(), notKept.end());
}

namespace {

// The document inside a native container; nothing for a container without one. Other data is its
// own document, used as it is: a copy would hold a large text twice while it is read.
std::optional<MindMapData> unpackedDocument(const MindMapData& data, Error* error)
{
    Error refusal;
    TwkxArchiveReader archive{MindMapData(data), &refusal};
    std::optional<MindMapData> document = archive.extractMindMapDocument();
    if (document) return document;
    // A container beyond the archive limits says which; any other holds no document.
    if (refusal.isEmpty()) importFailed(error, "map_import_no_document_reason");
    else setError(error, MakeAppError(ImportErrorCode, localized("map_import_error"), refusal.failureReason));
    return std::nullopt;
}

} // namespace

namespace {

// What assureTarnwickXDataFormat() answers has been read whole, or written from a map just read:
// the item needs no more than its metadata.
constexpr auto Checked = MindMapInfoItem::DocumentReading::MetadataOnly;

} // namespace

MindMapInfoItem* MindMapStore::importMindMap(const MindMapData& data, Error* error, std::vector<std::string>* skipped,
                                             ImportTarget* target)
{
    return importMindMapData(data, 0, error, skipped, target);
}

MindMapInfoItem* MindMapStore::importMindMapFile(const std::string& path, Error* error,
                                                 std::vector<std::string>* skipped)
{
    const bool namedAsText = asciiCaseInsensitiveEqual(extensionOf(fs::path(path)), "txt");
    std::optional<MindMapData> data =
        withinMemory(error, [&] { return MindMapImporter::readImportedFile(path, namedAsText, error); });
    if (!data) return nullptr;
    const int32_t undetectedFormat = namedAsText ? int32_t(MindMapReadFormat::PlainText) : 0;
    // A text hands its bytes over: they go once decoded, before its topics are made.
    if (!data->empty() && !_documentsDirectory.empty() && !hasPKZIPSignature(*data) &&
        MindMap::detectMindMapFormat(*data) == 0 && undetectedFormat == int32_t(MindMapReadFormat::PlainText))
        return importTextMindMap(std::move(*data), unusedMindMapFileName(), error);
    return importMindMapData(*data, undetectedFormat, error, skipped);
}

MindMapInfoItem* MindMapStore::importMindMapData(const MindMapData& data, int32_t undetectedFormat, Error* error,
                                                 std::vector<std::string>* skipped, ImportTarget* target)
{
    if (data.empty()) {
        importFailed(error, "map_import_unknown_format_reason");
        return nullptr;
    }
    if (_documentsDirectory.empty()) return nullptr;
    // The map is read before it has a place in the store, so that a refused import leaves every
    // file of the store as it was.
    std::string fileName = unusedMindMapFileName();
    if (target && isValidMindMapGuid(target->guid) && !mindMapByGuid(target->guid)) {
        const std::string wanted = canonicalForFileSystem(target->guid + "." + MindMapExtension);
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(_documentsDirectory + "/" + wanted, ec))) fileName = wanted;
    }
    if (!hasPKZIPSignature(data)) {
        const int32_t detected = MindMap::detectMindMapFormat(data);
        const int32_t format = detected != 0 ? detected : undetectedFormat;
        if (isForeignFormat(format)) return importForeignMindMap(data, format, fileName, error, target);
    }
    std::optional<MindMapData> native = withinMemory(error, [&]() -> std::optional<MindMapData> {
        const std::string guid = fs::path(fileName).stem().string();
        if (!hasPKZIPSignature(data)) return assureTarnwickXDataFormat(data, guid, error, undetectedFormat);
        std::optional<MindMapData> document = unpackedDocument(data, error);
        if (!document) return std::nullopt;
        return assureTarnwickXDataFormat(*document, guid, error, undetectedFormat);
    });
    if (!native) return nullptr;
    // Made before the bracket: its arrival is a change of its own.
    MindMapInfoItem* item = addMindMapItem(fileName, _rootFolder.get(), true);
    UpdateBracket bracket(this);
    if (!withinMemory(error, [&] { return item->commitTwkxXmlData(*native, error, Checked); })) {
        deleteMindMap(item);
        return nullptr;
    }
    if (hasPKZIPSignature(data)) importCustomImages(data, skipped);
    return item;
}

MindMapInfoItem* MindMapStore::importMindMap(const MindMapData& data, const std::string& guid, Error* error,
                                             std::vector<std::string>* skipped)
{
    // A GUID that could not safely name a file is not used at all.
    if (guid.empty() || !isValidMindMapGuid(guid)) return importMindMap(data, error, skipped);
    if (data.empty() || _documentsDirectory.empty()) return nullptr;
    std::optional<MindMapData> native = withinMemory(error, [&]() -> std::optional<MindMapData> {
        if (!hasPKZIPSignature(data)) return assureTarnwickXDataFormat(data, guid, error);
        std::optional<MindMapData> document = unpackedDocument(data, error);
        return document ? assureTarnwickXDataFormat(*document, guid, error) : std::nullopt;
    });
    if (!native) return nullptr;

    UpdateBracket bracket(this);
    MindMapInfoItem* item = mindMapByGuid(guid);
    const bool isNew = item == nullptr;
    if (isNew) item = addMindMapItem(guid + "." + MindMapExtension, _rootFolder.get(), true);
    if (!withinMemory(error, [&] { return item->commitTwkxXmlData(*native, error, Checked); })) {
        // A map that was there keeps its file, which the failed write left as it was.
        if (isNew) deleteMindMap(item);
        return nullptr;
    }
    if (hasPKZIPSignature(data)) importCustomImages(data, skipped);
    return item;
}

MindMapInfoItem* MindMapStore::addMindMapWithExternalTwkxData(const MindMapData& data, const std::string& guid,
                                                              MindMapStoreFolder* folder, Error* error,
                                                              std::vector<std::string>* skipped)
{
    if (guid.empty() || !isValidMindMapGuid(guid) || _documentsDirectory.empty() || mindMapByGuid(guid)) return nullptr;
    UpdateBracket bracket(this);
    MindMapInfoItem* item = addMindMapItem(guid + "." + MindMapExtension, folder, false);
    if (!item->commitExternalData(data, error, skipped)) {
        deleteMindMap(item);
        return nullptr;
    }
    return item;
}

void MindMapStore::deleteMindMap(MindMapInfoItem* mindMap)
{
    if (!mindMap) return;
    auto it = std::find_if(_mindMaps.begin(), _mindMaps.end(),
                           [mindMap](const std::shared_ptr<MindMapInfoItem>& item) { return item.get() == mindMap; });
    if (it == _mindMaps.end()) return;
    std::shared_ptr<MindMapInfoItem> keepAlive = *it;
    UpdateBracket bracket(this);
    NotificationCenter::defaultCenter().post(MindMapDeletedNotification, this, {{GuidKey, mindMap->guid()}});
    mindMap->deleteAssociatedFiles();
    mindMap->setParent(nullptr);
    _mindMaps.erase(std::find(_mindMaps.begin(), _mindMaps.end(), keepAlive));
    _mindMapsByGuidValid = false;
    mindMapStoreChanged();
}

void MindMapStore::mindMapExternalCommitted(MindMapInfoItem* mindMap)
{
    if (!mindMap) return;
    NotificationCenter::defaultCenter().post(MindMapExternalCommittedNotification, this, {{GuidKey, mindMap->guid()}});
}

std::optional<std::set<std::string>> MindMapStore::collectReferencedImages()
{
    std::set<std::string> images;
    for (const auto& map : _mindMaps) {
        if (!map->collectReferencedImages(images)) return std::nullopt;
    }
    return images;
}

int64_t MindMapStore::cleanupUnusedLocalImages()
{
    // One map that cannot be read would make all its images look unused.
    std::optional<std::set<std::string>> used = collectReferencedImages();
    auto imageStore = CustomImageStore::localImageStore();
    if (!used || !imageStore) return 0;
    return imageStore->deleteUnusedImages(*used);
}

// ---- Folders ----

MindMapStoreFolder* MindMapStore::recycleBin() const
{
    return folderByGuid(RecyclerFolderGuid);
}

MindMapStoreFolder* MindMapStore::assureRecycleBin()
{
    if (MindMapStoreFolder* bin = recycleBin()) return bin;
    UpdateBracket bracket(this);
    MindMapStoreFolder* bin = addFolder(_rootFolder.get(), localized("trash_folder_name"), RecyclerFolderGuid, true);
    bin->setFolderKind(MindMapStoreFolder::RecycleBinFolder);
    return bin;
}

bool MindMapStore::isRecyclerFolder(const MindMapStoreFolder* folder) const
{
    for (const MindMapStoreFolder* f = folder; f; f = f->parent()) {
        if (f->folderKind() == MindMapStoreFolder::RecycleBinFolder) return true;
        if (f != _rootFolder.get() && asciiCaseInsensitiveEqual(f->guid(), RecyclerFolderGuid)) return true;
    }
    return false;
}

MindMapStoreFolder* MindMapStore::folderByGuid(const std::string& guid) const
{
    if (guid.empty() || !_rootFolder) return nullptr;
    return _rootFolder->folderByGuid(guid);
}

MindMapStoreFolder* MindMapStore::addNewFolder(MindMapStoreFolder* parent, const std::string& title)
{
    return addFolder(parent, title, createFolderGuid(), true);
}

MindMapStoreFolder* MindMapStore::addFolder(MindMapStoreFolder* parent, const std::string& title,
                                            const std::string& guid, bool insertAfterLastFolder)
{
    UpdateBracket bracket(this);
    parent = assureValidParentFolder(parent);
    if (!parent) return nullptr;
    const int64_t lastFolder = insertAfterLastFolder ? parent->indexOfLastFolder() : -1;
    std::shared_ptr<MindMapStoreFolder> folder =
        MindMapStoreFolder::create(parent, title, guid.empty() ? createFolderGuid() : guid);
    // Folders stay ahead of the maps.
    if (insertAfterLastFolder) parent->moveChild(folder.get(), lastFolder + 1);
    return folder.get();
}

void MindMapStore::moveFolderToRecycleBin(MindMapStoreFolder* folder)
{
    if (!folder || folder == _rootFolder.get() || folder == recycleBin()) return;
    UpdateBracket bracket(this);
    std::shared_ptr<MindMapStoreItem> keepAlive = folder->shared_from_this();
    std::vector<MindMapStoreFolder*> inside;
    folder->getContainedFolders(inside);
    for (MindMapStoreFolder* sub : inside) {
        if (sub->folderKind() != MindMapStoreFolder::OrdinaryFolder) moveSystemFolderToRoot(sub);
    }
    MindMapStoreFolder* bin = assureRecycleBin();
    folder->moveToParent(bin, int64_t(bin->childCount()));
}

void MindMapStore::deleteFolder(MindMapStoreFolder* folder)
{
    if (!folder || folder == _rootFolder.get()) return;
    UpdateBracket bracket(this);
    std::shared_ptr<MindMapStoreItem> keepAlive = folder->shared_from_this();
    std::vector<MindMapInfoItem*> maps;
    folder->getContainedMaps(maps);
    for (MindMapInfoItem* map : maps) deleteMindMap(map);

    std::vector<MindMapStoreFolder*> inside;
    folder->getContainedFolders(inside);
    std::vector<std::shared_ptr<MindMapStoreItem>> held;
    for (MindMapStoreFolder* sub : inside) held.push_back(sub->shared_from_this());
    for (MindMapStoreFolder* sub : inside) {
        if (sub->folderKind() != MindMapStoreFolder::OrdinaryFolder) moveSystemFolderToRoot(sub);
    }
    for (MindMapStoreFolder* sub : inside) {
        if (sub->folderKind() == MindMapStoreFolder::OrdinaryFolder) sub->setParent(nullptr);
    }
    if (folder->folderKind() == MindMapStoreFolder::OrdinaryFolder) folder->setParent(nullptr);
}

void MindMapStore::fixupSystemFolders()
{
    MindMapStoreFolder* bin = recycleBin();
    if (bin && bin != _rootFolder.get()) bin->setFolderKind(MindMapStoreFolder::RecycleBinFolder);
}

void MindMapStore::moveSystemFolderToRoot(MindMapStoreFolder* folder)
{
    if (!folder || folder == _rootFolder.get() || folder->parent() == _rootFolder.get()) return;
    folder->moveToParent(_rootFolder.get(), 0);
}

MindMapStoreFolder* MindMapStore::assureValidParentFolder(MindMapStoreFolder* folder) const
{
    return folder ? folder : _rootFolder.get();
}

// ---- Change signalling ----

void MindMapStore::beginUpdate()
{
    if (_lockCount++ == 0) {
        _lockedChanges = false;
        _lockedTreeChanges = false;
    }
}

bool MindMapStore::endUpdate(Error* error)
{
    if (_lockCount <= 0) return true;
    if (--_lockCount > 0) return true;
    bool written = true;
    if (_lockedTreeChanges) {
        _lockedTreeChanges = false;
        // While starting, the index just read must survive, even when it could not be understood.
        if (_holdingWrites) _heldTreeChanges = true;
        else if (!_starting) written = saveFolderIndexFile(error);
    }
    if (_lockedChanges) {
        _lockedChanges = false;
        mindMapStoreChanged();
    }
    return written;
}

void MindMapStore::mindMapStoreChanged()
{
    if (_lockCount == 0) {
        NotificationCenter::defaultCenter().post(MindMapStoreChangedNotification, this);
    } else {
        _lockedChanges = true;
    }
}

void MindMapStore::folderTreeChanged()
{
    if (_lockCount == 0) {
        if (_holdingWrites) _heldTreeChanges = true;
        else if (!_starting) saveFolderIndexFile();
        mindMapStoreChanged();
    } else {
        _lockedTreeChanges = true;
        _lockedChanges = true;
    }
}
