// The store's folder index ("folder-index.xml") and index cache ("mind_map_index_v3.plist"):
// what keeps the tree and the maps' titles between runs without reading every map at start.

#include "store/MindMapStore.h"

#include "MindMaps/StyleManager.h"
#include "MindMaps/StyleSheet.h"
#include "Utils/CryptoDigest.h"
#include "Utils/HexEncoding.h"
#include "Utils/StringUtils.h"
#include "formats/DocumentDamage.h"
#include "formats/MindMapFile.h"
#include "formats/XmlAttributeHelpers.h"
#include "platform/FileUtils.h"
#include "platform/PropertyList.h"
#include "store/FolderIndexFormat.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapStoreFolder.h"

#include <pugixml.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <system_error>
#include <unordered_map>
#include <utility>

namespace {

constexpr const char* IndexCacheTitleKey = "title";
constexpr const char* IndexCacheSha1Key = "sha1";
constexpr const char* IndexCacheHasImagesKey = "hasImages";

void setNonEmptyAttribute(pugi::xml_node element, const char* name, const std::string& value)
{
    if (!value.empty()) element.append_attribute(name).set_value(value.c_str());
}

void saveFolder(const MindMapStoreFolder* folder, pugi::xml_node element)
{
    setNonEmptyAttribute(element, FolderIndexFormat::NameAttribute, EscapeXmlText(folder->title()));
    setNonEmptyAttribute(element, FolderIndexFormat::IdAttribute, folder->guid());
    for (const auto& child : folder->children()) {
        if (child->isFolder()) {
            saveFolder(static_cast<const MindMapStoreFolder*>(child.get()),
                       element.append_child(FolderIndexFormat::FolderElement));
        } else {
            pugi::xml_node diagram = element.append_child(FolderIndexFormat::DiagramElement);
            setNonEmptyAttribute(diagram, FolderIndexFormat::NameAttribute, EscapeXmlText(child->title()));
            setNonEmptyAttribute(diagram, FolderIndexFormat::IdAttribute, child->guid());
        }
    }
}

void insertCustomStyles(pugi::xml_node root)
{
    pugi::xml_node styles = root.append_child(FolderIndexFormat::CustomStylesElement);
    for (const auto& sheet : StyleManager::styleManager().styleSheets()) {
        if (!sheet || !sheet->isCustomStyle()) continue;
        pugi::xml_node style = styles.append_child(FolderIndexFormat::StyleElement);
        setNonEmptyAttribute(style, FolderIndexFormat::NameAttribute, EscapeXmlText(sheet->description()));
        const std::string id = std::string(FolderIndexFormat::StyleIdPrefix) + sheet->styleKeyName();
        style.append_attribute(FolderIndexFormat::IdAttribute).set_value(id.c_str());
    }
}

std::string documentsFile(const std::string& documentsDirectory, const std::string& name)
{
    if (documentsDirectory.empty()) return {};
    return (std::filesystem::path(documentsDirectory) / name).string();
}

} // namespace

std::string MindMapStore::folderIndexFileName() const
{
    return documentsFile(_documentsDirectory, FolderIndexFormat::FileName);
}

std::optional<std::vector<uint8_t>> MindMapStore::getFolderIndexData(bool withCustomStyles) const
{
    if (!_rootFolder) return std::nullopt;
    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version").set_value("1.0");
    declaration.append_attribute("encoding").set_value("UTF-8");
    pugi::xml_node root = document.append_child(FolderIndexFormat::RootElement);
    saveFolder(_rootFolder.get(), root.append_child(FolderIndexFormat::FolderElement));
    if (withCustomStyles) insertCustomStyles(root);

    std::ostringstream stream;
    document.save(stream, "  ", pugi::format_default, pugi::encoding_utf8);
    const std::string text = stream.str();
    return std::vector<uint8_t>(text.begin(), text.end());
}

bool MindMapStore::saveFolderIndexFile(Error* error)
{
    const std::string path = folderIndexFileName();
    if (path.empty()) return false;
    // The maps the index names reach the disk under their names first.
    if (_documentsFolderUnsynced) {
        _documentsFolderUnsynced = false;
        syncFolder(_documentsDirectory);
    }
    const auto data = getFolderIndexData(false);
    if (!data) return false;
    return writeFileAtomically(path, *data, error);
}

void MindMapStore::loadFolderIndexFile()
{
    const std::string path = folderIndexFileName();
    if (path.empty() || !_rootFolder) return;
    Error readError;
    const auto data = readFileData(path, FolderIndexFormat::MaxFileSize, &readError);
    if (!data && readError.domain == PosixErrorDomain && (readError.code == ENOENT || readError.code == ENOTDIR))
        return;
    pugi::xml_document document;
    std::string damage;
    const pugi::xml_node rootElement =
        data ? FolderIndexFormat::parseReadablePart(*data, document, damage) : pugi::xml_node();
    if (!data && isTooLargeToRead(readError)) damage = FolderIndexFormat::tooLargeDamage();
    else if (!data) {
        damage = readError.domain == PosixErrorDomain && readError.code > 0 ? std::strerror(int(readError.code))
                                                                            : readError.failureReason;
    }
    if (!damage.empty()) {
        // Quitting writes the tree as it stands, with what could not be read in the root: the
        // file that held the user's folders is kept aside first.
        const std::string aside = moveUnreadableFileAside(path);
        _unreadableFolderIndex = UnreadableFolderIndex{path, aside, damage, bool(rootElement)};
        std::fprintf(stderr, "Tarnwick: the folder index %s could not be read (%s); %s\n", path.c_str(), damage.c_str(),
                     aside.empty() ? "it could not be moved aside" : ("it was moved to " + aside).c_str());
    }
    if (!rootElement) return;

    UpdateBracket bracket(this);
    // Held here, outside the tree, until the index names their place; each map goes in once, at
    // its last naming.
    const std::vector<std::shared_ptr<MindMapStoreItem>> unplaced = _rootFolder->takeChildren();

    // Looking every id up in the list would cost a pass over all maps per map.
    std::unordered_map<std::string, MindMapInfoItem*> mapsByGuid;
    for (const auto& map : _mindMaps) mapsByGuid.emplace(lowercased(map->guid()), map.get());
    const auto mapNamed = [&mapsByGuid](const std::string& id) -> MindMapInfoItem* {
        const auto found = mapsByGuid.find(lowercased(id));
        return found == mapsByGuid.end() ? nullptr : found->second;
    };
    // A map named twice ends at the end of the folder named last.
    std::unordered_map<const MindMapInfoItem*, size_t> lastNaming;
    size_t naming = 0;
    FolderIndexFormat::walkFolders(
        rootElement, nullptr, [](MindMapStoreFolder*, const std::string&, const std::string&) { return nullptr; },
        [&](MindMapStoreFolder*, const std::string& id, const std::string&) {
            if (const MindMapInfoItem* map = mapNamed(id)) lastNaming[map] = naming;
            ++naming;
        });

    MindMapStoreFolderLookup folders(_rootFolder.get());
    naming = 0;
    FolderIndexFormat::walkFolders(
        rootElement, _rootFolder.get(),
        [this, &folders](MindMapStoreFolder* parent, const std::string& id, const std::string& name) {
            // A second folder with an id already in the tree (the root's among them) gets a fresh
            // one: an id names one folder.
            MindMapStoreFolder* folder = addFolder(parent, name, folders.folderByGuid(id) ? std::string() : id, false);
            folders.folderAdded(folder);
            return folder;
        },
        [&](MindMapStoreFolder* folder, const std::string& id, const std::string& name) {
            MindMapInfoItem* map = mapNamed(id);
            const bool last = map && lastNaming[map] == naming;
            ++naming;
            if (!map) return;
            // A file that no longer reads, and that the cache did not name, is still listed under
            // the title the user last saw.
            if (map->title().empty() && !name.empty()) map->setTitle(name);
            if (last) folder->insertChild(map);
        });

    // Maps the index does not name (new since it was written) keep their order, after the rest.
    for (const auto& item : unplaced) {
        if (!item->parent()) _rootFolder->insertChild(item.get());
    }
    fixupSystemFolders();
}

std::optional<MindMapStore::UnreadableFolderIndex> MindMapStore::takeUnreadableFolderIndex()
{
    return std::exchange(_unreadableFolderIndex, std::nullopt);
}

std::string MindMapStore::indexCacheFilePath() const
{
    return documentsFile(_documentsDirectory, "mind_map_index_v" + std::to_string(IndexCacheVersion) + ".plist");
}

bool MindMapStore::saveIndexCache(Error* error)
{
    const std::string path = indexCacheFilePath();
    if (path.empty()) return false;
    PropertyList::Dictionary entries;
    for (const auto& map : _mindMaps) {
        PropertyList::Dictionary entry;
        entry[IndexCacheTitleKey] = map->title();
        // A damaged file is looked at again at the next start, not vouched for by the cache.
        entry[IndexCacheSha1Key] = map->isDamaged() ? std::string() : map->sha1();
        entry[IndexCacheHasImagesKey] = map->containsImages();
        entries[map->mindMapFile()] = PropertyList(std::move(entry));
    }
    return writeFileAtomically(path, PropertyList(std::move(entries)).toData(PropertyList::Format::Binary), error);
}

void MindMapStore::validateIndex()
{
    if (_documentsDirectory.empty()) return;

    PropertyList cache;
    if (const auto data = readFileData(indexCacheFilePath(), MaximumIndexCacheSize)) {
        if (auto read = PropertyList::fromData(*data)) cache = std::move(*read);
    }
    const PropertyList::Dictionary* cached = cache.dictionaryValue();

    std::error_code error;
    std::filesystem::directory_iterator entries(_documentsDirectory, error);
    if (error) return;
    for (const std::filesystem::directory_iterator end; entries != end; entries.increment(error)) {
        if (error) break;
        const std::filesystem::path entryPath = entries->path();
        if (entryPath.extension() != std::string(".") + MindMapExtension) continue;
        const std::string fileName = entryPath.filename().string();
        const std::string guid = entryPath.stem().string();
        // Hidden files and a bare ".twkx" name no map: a map's file is named by its GUID.
        if (guid.empty() || guid.front() == '.') continue;
        // A file that cannot be read at all (a folder or a link loop in its place) keeps its
        // record: dropped here, it would leave the side bar and the folder index in silence.
        Error readError;
        const auto bytes = readMindMapFile(entryPath.string(), &readError);
        // Said as the folder index's damage is: the map is listed as damaged, for a reason the
        // user cannot see in its file.
        if (!bytes && readError.domain == DocumentDamage::ErrorDomain && readError.code == DocumentDamage::TooLarge)
            std::fprintf(stderr,
                         "Tarnwick: the map %s could not be read (%s); it is listed as damaged and kept as it is\n",
                         entryPath.c_str(), readError.failureReason.c_str());

        MindMapInfoItem* item = addMindMapItem(fileName, nullptr, false);
        if (!item) continue;
        const PropertyList* entry = nullptr;
        if (cached) {
            // Looked up under the name the item keeps, which is the name the cache is saved under.
            const auto found = cached->find(item->mindMapFile());
            if (found != cached->end()) entry = &found->second;
        }
        const std::string sha1 = entry ? (*entry)[IndexCacheSha1Key].stringValue() : std::string();
        const PropertyList& title = entry ? (*entry)[IndexCacheTitleKey] : PropertyList();
        if (!bytes) {
            if (title.type() == PropertyList::Type::String) item->setTitle(title.stringValue());
            item->setDamaged(true);
        } else if (!sha1.empty() && title.type() == PropertyList::Type::String &&
                   sha1 == stringByHexEncoding(SHA1(*bytes))) {
            item->setSha1(sha1);
            item->setTitle(title.stringValue());
            item->setContainsImages((*entry)[IndexCacheHasImagesKey].boolValue());
        } else {
            // A file that cannot be read keeps the name it was last known by, so that the index
            // written at quit still names it; a readable one gives its own.
            if (title.type() == PropertyList::Type::String) item->setTitle(title.stringValue());
            item->synchronizeWithFileData(*bytes);
        }
    }
}

void MindMapStore::saveIndexToFile()
{
    if (_documentsDirectory.empty()) return;
    // The index written now holds what was held back.
    _holdingWrites = false;
    _heldTreeChanges = false;
    saveFolderIndexFile();
    saveIndexCache();
}

void MindMapStore::finishHeldWrites()
{
    if (!_holdingWrites) return;
    _holdingWrites = false;
    if (_heldTreeChanges) {
        _heldTreeChanges = false;
        saveFolderIndexFile();
    } else if (_documentsFolderUnsynced) {
        _documentsFolderUnsynced = false;
        syncFolder(_documentsDirectory);
    }
}
