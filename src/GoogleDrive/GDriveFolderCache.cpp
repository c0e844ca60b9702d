#include "GoogleDrive/GDriveFolderCache.h"

#include "GoogleDrive/GDriveAnswers.h"
#include "GoogleDrive/GDriveUniqueNames.h"
#include "GoogleDrive/GDriveXml.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"

#include <glib.h>
#include <pugixml.hpp>

#include <algorithm>
#include <set>

GDriveFolderInfoItem::GDriveFolderInfoItem(std::string gdriveId, GDriveFolderCache* cache)
    : _cache(cache), _gdriveId(std::move(gdriveId))
{
}

GDriveFolderInfoItem::GDriveFolderInfoItem(std::string gdriveId, GDriveFolderCache* cache,
                                           std::optional<std::string> name, std::optional<std::string> parentId)
    : _cache(cache), _gdriveId(std::move(gdriveId)), _parentId(std::move(parentId)), _name(std::move(name))
{
}

void GDriveFolderInfoItem::setName(std::optional<std::string> name)
{
    if (name == _name) return;
    _name = std::move(name);
    if (_cache) _cache->changed();
}

void GDriveFolderInfoItem::setParentId(std::optional<std::string> parentId)
{
    if (parentId == _parentId) return;
    _parentId = std::move(parentId);
    if (_cache) _cache->changed();
}

void GDriveFolderInfoItem::changeRootGDriveId(const std::string& gdriveId)
{
    if (gdriveId != _gdriveId) _gdriveId = gdriveId;
}

bool GDriveFolderInfoItem::isRootFolder() const
{
    return _cache && _cache->rootFolder() == this;
}

GDriveFolderInfoItem* GDriveFolderInfoItem::parentFolder() const
{
    return _cache ? _cache->getParentFolder(this) : nullptr;
}

GDriveFolderInfoItem* GDriveFolderInfoItem::getGDriveRootFolder() const
{
    return _cache ? _cache->rootFolder() : nullptr;
}

GDriveFolderInfoItem* GDriveFolderInfoItem::findSubFolder(const std::string& name) const
{
    return _cache ? _cache->findSubFolder(name, _gdriveId) : nullptr;
}

GDriveFolderCache::GDriveFolderCache(std::string fileName) : _fileName(std::move(fileName))
{
    load();
}

std::vector<GDriveFolderInfoItem*> GDriveFolderCache::itemsList()
{
    std::vector<GDriveFolderInfoItem*> list;
    list.reserve(_items.size());
    for (auto& [key, item] : _items) list.push_back(item.get());
    return list;
}

std::string GDriveFolderCache::rootFolderId() const
{
    return _rootFolder ? _rootFolder->gdriveId() : std::string(RootAlias);
}

void GDriveFolderCache::load()
{
    beginUpdate();
    internalClear();
    // An unreadable file leaves the empty tree; it is rewritten at the next change.
    if (!GDriveFolderCacheFiler::loadCache(*this)) internalClear();
    assureRootFolder();
    _batch.setModified(false);
    endUpdate();
}

bool GDriveFolderCache::save(Error* error)
{
    const bool saved = GDriveFolderCacheFiler::saveCache(*this, error);
    _batch.setModified(false);
    return saved;
}

void GDriveFolderCache::clear()
{
    beginUpdate();
    internalClear();
    assureRootFolder();
    _batch.setModified(true);
    endUpdate();
}

void GDriveFolderCache::internalClear()
{
    _rootFolder = nullptr;
    _items.clear();
    _realRootId.clear();
}

void GDriveFolderCache::assureRootFolder()
{
    GDriveFolderInfoItem* alias = get(RootAlias);
    if (!_realRootId.empty()) _rootFolder = get(_realRootId);
    if (!_rootFolder) {
        if (!_realRootId.empty()) {
            auto item = std::make_unique<GDriveFolderInfoItem>(_realRootId, this);
            _rootFolder = item.get();
            _items[_realRootId] = std::move(item);
        } else if (alias) {
            _rootFolder = alias;
        } else {
            auto item = std::make_unique<GDriveFolderInfoItem>(RootAlias, this);
            _rootFolder = item.get();
            _items[RootAlias] = std::move(item);
        }
    } else if (alias && alias != _rootFolder) {
        _items.erase(RootAlias);
    }
    // My Drive has no parent: one read from a file would hang it below one of its folders.
    _rootFolder->setParentId(std::nullopt);
    _rootFolder->setName(localized("gdrive_title"));
}

void GDriveFolderCache::itemLoaded(std::unique_ptr<GDriveFolderInfoItem> item)
{
    if (!item || item->gdriveId().empty()) return;
    auto& slot = _items[item->gdriveId()];
    if (slot && slot.get() == _rootFolder) {
        slot->setName(item->name());
        slot->setParentId(item->parentId());
        return;
    }
    slot = std::move(item);
}

GDriveFolderInfoItem* GDriveFolderCache::get(const std::string& gdriveId) const
{
    auto it = _items.find(gdriveId);
    return it == _items.end() ? nullptr : it->second.get();
}

GDriveFolderInfoItem* GDriveFolderCache::assureFolder(const std::string& gdriveId)
{
    if (gdriveId.empty()) return nullptr;
    if (GDriveFolderInfoItem* item = get(gdriveId)) return item;
    auto item = std::make_unique<GDriveFolderInfoItem>(gdriveId, this);
    GDriveFolderInfoItem* made = item.get();
    _items[gdriveId] = std::move(item);
    changed();
    return made;
}

GDriveFolderInfoItem* GDriveFolderCache::getParentFolder(const GDriveFolderInfoItem* folder) const
{
    if (!folder || !folder->parentId()) return nullptr;
    return get(*folder->parentId());
}

GDriveFolderInfoItem* GDriveFolderCache::getParentFolderForId(const std::string& gdriveId) const
{
    return getParentFolder(get(gdriveId));
}

std::vector<GDriveFolderInfoItem*> GDriveFolderCache::getSubFoldersForFolderId(const std::string& gdriveId) const
{
    std::vector<GDriveFolderInfoItem*> folders;
    for (const auto& [key, item] : _items) {
        if (item->parentId() && *item->parentId() == gdriveId) folders.push_back(item.get());
    }
    return folders;
}

GDriveFolderInfoItem* GDriveFolderCache::findSubFolder(const std::string& name, const std::string& parentFolderId) const
{
    for (const auto& [key, item] : _items) {
        if (item->parentId() && *item->parentId() == parentFolderId && item->name() &&
            GDriveSameName(*item->name(), name))
            return item.get();
    }
    return nullptr;
}

bool GDriveFolderCache::fileNameExists(const std::string& name, const std::string& folderId) const
{
    GDriveFolderInfoItem* folder = get(folderId);
    if (!folder || !folder->items()) return false;
    return std::any_of(folder->items()->begin(), folder->items()->end(),
                       [&](const GDriveMetadata& entry) { return GDriveSameName(entry.name, name); });
}

std::optional<std::string> GDriveFolderCache::buildFolderPath(const std::string& folderId) const
{
    GDriveFolderInfoItem* item = get(folderId);
    if (!item || item == _rootFolder) return std::nullopt;
    std::string path;
    // A chain of parents that loops back on itself ends where it would repeat.
    std::set<const GDriveFolderInfoItem*> seen;
    while (item && item != _rootFolder && seen.insert(item).second) {
        const std::string name = item->name().value_or(std::string());
        path = path.empty() ? name : name + "/" + path;
        item = getParentFolder(item);
    }
    return path;
}

std::optional<std::string> GDriveFolderCache::resolveFolderIdForFolderPath(const std::string& path,
                                                                           bool bestMatch) const
{
    if (!_rootFolder) return std::nullopt;
    std::vector<std::string> components;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        if (slash > start) components.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    GDriveFolderInfoItem* folder = _rootFolder;
    for (const std::string& component : components) {
        GDriveFolderInfoItem* next = findSubFolder(component, folder->gdriveId());
        if (!next) {
            if (!bestMatch) return std::nullopt;
            break;
        }
        folder = next;
    }
    return folder->gdriveId();
}

void GDriveFolderCache::setRealGDriveRootFolderId(const std::string& gdriveId)
{
    if (gdriveId == _realRootId) return;
    _realRootId = gdriveId;
    beginUpdate();
    if (!_rootFolder) {
        if (!gdriveId.empty()) {
            auto item = std::make_unique<GDriveFolderInfoItem>(gdriveId, this);
            _rootFolder = item.get();
            _items[gdriveId] = std::move(item);
            _rootFolder->setName(localized("gdrive_title"));
        }
    } else if (!gdriveId.empty() && _rootFolder->gdriveId() != gdriveId) {
        auto it = _items.find(_rootFolder->gdriveId());
        std::unique_ptr<GDriveFolderInfoItem> root;
        if (it != _items.end() && it->second.get() == _rootFolder) {
            root = std::move(it->second);
            _items.erase(it);
        }
        if (root) {
            root->changeRootGDriveId(gdriveId);
            _items[gdriveId] = std::move(root);
        }
    }
    _batch.setModified(true);
    endUpdate();
}

void GDriveFolderCache::updateFolder(GDriveFolderInfoItem* folder, const std::vector<GDriveMetadata>& listing,
                                     bool includesFiles)
{
    if (!folder) return;
    beginUpdate();
    std::set<std::string> candidates;
    for (GDriveFolderInfoItem* sub : getSubFoldersForFolderId(folder->gdriveId())) candidates.insert(sub->gdriveId());
    if (includesFiles || !folder->items()) folder->setItems(listing);
    for (const GDriveMetadata& entry : listing) {
        // Neither the folder itself nor My Drive can be a child: taking them would hang the tree
        // on a loop.
        const std::string& gdriveId = entry.gdriveId();
        if (!entry.isFolder() || gdriveId.empty() || gdriveId == folder->gdriveId() ||
            (_rootFolder && gdriveId == _rootFolder->gdriveId()))
            continue;
        if (entry.deleted()) {
            if (get(gdriveId)) candidates.insert(gdriveId);
            continue;
        }
        GDriveFolderInfoItem* sub = assureFolder(gdriveId);
        sub->setName(entry.name);
        sub->setParentId(folder->gdriveId());
        candidates.erase(gdriveId);
    }
    for (const std::string& gdriveId : candidates) {
        GDriveFolderInfoItem* gone = get(gdriveId);
        if (!gone || gone == _rootFolder || gone == folder) continue;
        _items.erase(gdriveId);
        _batch.setModified(true);
    }
    endUpdate();
}

void GDriveFolderCache::folderUpdated(const GDriveMetadata& metadata)
{
    beginUpdate();
    if (GDriveFolderInfoItem* folder = assureFolder(metadata.gdriveId())) {
        if (!metadata.name.empty()) folder->setName(metadata.name);
        // My Drive hangs below nothing, and no folder below itself.
        if (!metadata.parentIdentifier.empty() && folder != _rootFolder &&
            metadata.parentIdentifier != metadata.gdriveId())
            folder->setParentId(metadata.parentIdentifier);
    }
    endUpdate();
}

void GDriveFolderCache::updateFileMetadata(const GDriveMetadata& metadata)
{
    GDriveFolderInfoItem* folder = get(metadata.parentIdentifier);
    if (!folder) return;
    beginUpdate();
    std::vector<GDriveMetadata>* entries = folder->mutableItems();
    if (!entries) {
        folder->setItems(std::vector<GDriveMetadata>{metadata});
    } else {
        auto found = std::find_if(entries->begin(), entries->end(),
                                  [&](const GDriveMetadata& entry) { return entry.gdriveId() == metadata.gdriveId(); });
        if (found == entries->end()) {
            entries->push_back(metadata);
        } else {
            if (!metadata.name.empty()) found->name = metadata.name;
            if (metadata.modifiedTime) found->modifiedTime = metadata.modifiedTime;
            found->parentIdentifier = metadata.parentIdentifier;
            if (metadata.md5Checksum) found->md5Checksum = metadata.md5Checksum;
            if (metadata.fileSize) found->fileSize = metadata.fileSize;
            if (metadata.trashed) found->trashed = metadata.trashed;
        }
    }
    endUpdate();
}

void GDriveFolderCache::folderDeleted(const std::string& gdriveId)
{
    GDriveFolderInfoItem* folder = get(gdriveId);
    if (!folder || folder == _rootFolder) return;
    _items.erase(gdriveId);
    changed();
}

void GDriveFolderCache::fileDeleted(const std::string& fileId, const std::string& parentFolderId)
{
    GDriveFolderInfoItem* folder = get(parentFolderId);
    std::vector<GDriveMetadata>* entries = folder ? folder->mutableItems() : nullptr;
    if (!entries) return;
    for (auto it = entries->rbegin(); it != entries->rend(); ++it) {
        if (it->gdriveId() == fileId) {
            entries->erase(std::next(it).base());
            return;
        }
    }
}

void GDriveFolderCache::fileMoved(const GDriveMetadata& metadata, const std::string& fromFolderId,
                                  const std::string& toFolderId)
{
    (void)toFolderId; // the metadata's parent says where it went
    fileDeleted(metadata.gdriveId(), fromFolderId);
    updateFileMetadata(metadata);
}

std::vector<GDriveFolderInfoItem*> GDriveFolderCache::collectDisconnectedFolders()
{
    for (auto& [key, item] : _items) item->setFolderState(GDriveFolderStateUnresolved);
    if (_rootFolder) _rootFolder->setFolderState(GDriveFolderStateConnected);
    std::vector<GDriveFolderInfoItem*> disconnected;
    for (auto& [key, item] : _items) {
        if (resolveFolderState(item.get()) == GDriveFolderStateDisconnected) disconnected.push_back(item.get());
    }
    return disconnected;
}

GDriveFolderState GDriveFolderCache::resolveFolderState(GDriveFolderInfoItem* folder)
{
    if (!folder) return GDriveFolderStateDisconnected;
    // Up the chain without recursion, so that a deep tree cannot exhaust the stack: every folder on
    // the way is marked disconnected until the chain ends in a folder whose state is known (a loop
    // ends at a folder of this very walk, which stays disconnected).
    std::vector<GDriveFolderInfoItem*> chain;
    GDriveFolderInfoItem* item = folder;
    GDriveFolderState state = GDriveFolderStateDisconnected;
    while (item) {
        if (item->folderState() != GDriveFolderStateUnresolved) {
            state = item->folderState();
            break;
        }
        item->setFolderState(GDriveFolderStateDisconnected);
        chain.push_back(item);
        item = getParentFolder(item);
    }
    for (GDriveFolderInfoItem* link : chain) link->setFolderState(state);
    return folder->folderState();
}

bool GDriveFolderCacheFiler::loadCacheFromData(const std::string& data)
{
    pugi::xml_document document;
    pugi::xml_node root = gdriveXmlRoot(document, data, "folder-cache");
    if (!root) return false;
    const std::string rootId = root.attribute("root-id").value();
    if (GDriveAnswers::isValidId(rootId)) _cache.setRealRootIdLoaded(rootId);
    for (pugi::xml_node folder : root.children("folder")) {
        const std::string gdriveId = folder.attribute("id").value();
        if (!GDriveAnswers::isValidId(gdriveId)) continue;
        _cache.itemLoaded(std::make_unique<GDriveFolderInfoItem>(gdriveId, &_cache, attributeAsString(folder, "title"),
                                                                 attributeAsString(folder, "parent")));
    }
    return true;
}

std::string GDriveFolderCacheFiler::buildDataFromCache()
{
    pugi::xml_document document;
    pugi::xml_node root = document.append_child("folder-cache");
    addStringAttribute(root, "root-id", _cache.realGDriveRootFolderId());
    for (GDriveFolderInfoItem* item : _cache.itemsList()) {
        pugi::xml_node folder = root.append_child("folder");
        addStringAttribute(folder, "id", item->gdriveId());
        addStringAttribute(folder, "title", item->name().value_or(std::string()));
        addStringAttribute(folder, "parent", item->parentId().value_or(std::string()));
    }
    return compactGDriveXml(document);
}

bool GDriveFolderCacheFiler::loadCache(GDriveFolderCache& cache)
{
    bool missing = false;
    auto text = readRecordFile(cache.fileName(), missing);
    if (missing) return true;
    GDriveFolderCacheFiler filer(cache);
    return text && filer.loadCacheFromData(*text);
}

bool GDriveFolderCacheFiler::saveCache(GDriveFolderCache& cache, Error* error)
{
    GDriveFolderCacheFiler filer(cache);
    return writeFileAtomically(cache.fileName(), filer.buildDataFromCache(), error);
}
