#include "GoogleDrive/GDriveFileInfoCache.h"

#include "GoogleDrive/GDriveAnswers.h"
#include "GoogleDrive/GDriveUniqueNames.h"
#include "GoogleDrive/GDriveXml.h"
#include "cloud/CacheFiles.h"
#include "explorers/FileListItem.h"
#include "platform/FileUtils.h"

#include <glib.h>
#include <pugixml.hpp>

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The extension becomes part of a file name in the cache folder: it must stay one name, and come
// back from the record file as it was written (text XML cannot carry would be changed on the way).
bool isSafeExtension(const std::string& extension)
{
    if (extension.empty() || extension.size() > 64 || extension == "." || extension == "..") return false;
    for (unsigned char c : extension) {
        if (c < 0x20 || c == '/' || c == '\\') return false;
    }
    return xmlSafeText(extension) == extension;
}

} // namespace

std::string GDriveHexEncodedId(const std::string& gdriveId)
{
    static const char* digits = "0123456789abcdef";
    std::string text;
    text.reserve(gdriveId.size() * 2);
    for (unsigned char byte : gdriveId) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

bool GDriveIsSafeCacheName(const std::string& gdriveId, const std::string& extension)
{
    return GDriveAnswers::isValidId(gdriveId) && isSafeExtension(extension);
}

std::string GDriveCacheFileName(const std::string& gdriveId, const std::string& extension)
{
    if (!GDriveIsSafeCacheName(gdriveId, extension)) return {};
    // An id of Drive's usual length makes a name of less than a hundred bytes; a longer one is
    // shortened as every cloud cache name is.
    return fitCacheFileName(GDriveHexEncodedId(gdriveId) + "." + extension);
}

std::optional<std::string> GDriveIdFromHexName(const std::string& name)
{
    std::string gdriveId;
    gdriveId.reserve(name.size() / 2);
    for (size_t i = 0; i + 1 < name.size(); i += 2) {
        const int high = hexValue(name[i]);
        const int low = hexValue(name[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        gdriveId += char(high * 16 + low);
    }
    return gdriveId;
}

GDriveFileInfoItem::GDriveFileInfoItem(std::string gdriveId, std::string extension)
    : _gdriveId(std::move(gdriveId)),
      _extension(std::move(extension)),
      _cacheFileName(GDriveCacheFileName(_gdriveId, _extension))
{
}

std::unique_ptr<GDriveFileInfoItem> GDriveFileInfoItem::makeCopy() const
{
    auto copy = std::make_unique<GDriveFileInfoItem>(*this);
    copy->_marked = false;
    return copy;
}

int32_t GDriveFileInfoItem::itemType() const
{
    return FileListItem::extensionToItemType(_extension);
}

bool GDriveFileInfoItem::updateBrowsingInfo(const GDriveMetadata& metadata)
{
    bool changed = false;
    // An answer without parent or name says nothing about them.
    if (!metadata.parentIdentifier.empty() && metadata.parentIdentifier != _parentId) {
        _parentId = metadata.parentIdentifier;
        changed = true;
    }
    if (!metadata.name.empty() && metadata.name != _name) {
        _name = metadata.name;
        changed = true;
    }
    return changed;
}

GDriveFileInfoCache::GDriveFileInfoCache(std::string fileName) : CloudRecordCache(std::move(fileName))
{
    load();
}

void GDriveFileInfoCache::load()
{
    _items.clear();
    _navigationItem.reset();
    _unreadable = !GDriveFileInfoCacheFiler::loadCache(*this);
    if (_unreadable) {
        _items.clear();
        // What it still holds may be recovered by hand; the next save must not overwrite it.
        moveUnreadableFileAside(_fileName);
    }
}

GDriveFileInfoCache::~GDriveFileInfoCache() = default;

std::string GDriveFileInfoCache::recordFileData()
{
    return GDriveFileInfoCacheFiler(*this).buildDataFromCache();
}

void GDriveFileInfoCache::clear()
{
    _items.clear();
    _navigationItem.reset();
    save();
}

GDriveFileInfoItem* GDriveFileInfoCache::update(const GDriveMetadata& metadata)
{
    const std::string extension = metadata.extension().value_or(std::string());
    if (metadata.gdriveId().empty() || extension.empty()) {
        g_message("trying to update file info cache using a zero length gdriveId or extension.");
        return nullptr;
    }
    if (!GDriveIsSafeCacheName(metadata.gdriveId(), extension)) return nullptr;
    auto& slot = _items[metadata.gdriveId()];
    if (slot && !GDriveSameName(slot->extension(), extension)) return nullptr;
    if (!slot) slot = std::make_unique<GDriveFileInfoItem>(metadata.gdriveId(), extension);
    slot->setMd5Checksum(metadata.md5Checksum.value_or(std::string()));
    slot->updateBrowsingInfo(metadata);
    changed();
    return slot.get();
}

void GDriveFileInfoCache::updateBrowsingInfoWithMetadata(const std::vector<GDriveMetadata>& listing)
{
    beginUpdate();
    for (const GDriveMetadata& metadata : listing) {
        if (metadata.deleted()) continue;
        GDriveFileInfoItem* item = get(metadata.gdriveId());
        if (item && item->updateBrowsingInfo(metadata)) changed();
    }
    endUpdate();
}

std::vector<GDriveFileInfoItem*> GDriveFileInfoCache::getFilesInFolder(const std::string& folderId, bool newFilesOnly)
{
    std::vector<GDriveFileInfoItem*> found;
    for (auto& [key, item] : _items) {
        if (item->parentId() == folderId && (!newFilesOnly || item->isNew())) found.push_back(item.get());
    }
    return found;
}

GDriveFileInfoItem* GDriveFileInfoCache::findFileName(const std::string& name, const std::string& parentFolderId)
{
    for (auto& [key, item] : _items) {
        if (item->parentId() == parentFolderId && GDriveSameName(item->name(), name)) return item.get();
    }
    return nullptr;
}

std::vector<std::string> GDriveFileInfoCache::getUnmarkedItemGDriveIds()
{
    std::vector<std::string> ids;
    for (auto& [key, item] : _items) {
        if (!item->marked()) ids.push_back(item->gdriveId());
    }
    return ids;
}

void GDriveFileInfoCache::assureNavigationInfo(const GDriveMetadata& metadata)
{
    _navigationItem.reset();
    const std::string extension = metadata.extension().value_or(std::string());
    if (!GDriveIsSafeCacheName(metadata.gdriveId(), extension) || get(metadata.gdriveId())) return;
    _navigationItem = std::make_unique<GDriveFileInfoItem>(metadata.gdriveId(), extension);
    _navigationItem->setMd5Checksum(metadata.md5Checksum.value_or(std::string()));
    _navigationItem->updateBrowsingInfo(metadata);
}

GDriveFileInfoItem* GDriveFileInfoCache::getNavigationInfo(const std::string& gdriveId)
{
    if (gdriveId.empty()) return nullptr;
    if (GDriveFileInfoItem* item = get(gdriveId)) return item;
    return _navigationItem && _navigationItem->gdriveId() == gdriveId ? _navigationItem.get() : nullptr;
}

void GDriveFileInfoCache::itemLoaded(std::unique_ptr<GDriveFileInfoItem> item)
{
    if (!item || !item->isValid() || item->cacheFileName().empty()) return;
    const std::string key = item->gdriveId();
    _items[key] = std::move(item);
}

bool GDriveFileInfoCacheFiler::loadCacheFromData(const std::string& data)
{
    pugi::xml_document document;
    pugi::xml_node root = gdriveXmlRoot(document, data, "file-cache");
    if (!root) return false;
    for (pugi::xml_node file : root.children("file")) {
        const std::string gdriveId = file.attribute("id").value();
        const std::string extension = file.attribute("ext").value();
        if (gdriveId.empty() || extension.empty()) continue;
        auto item = std::make_unique<GDriveFileInfoItem>(gdriveId, extension);
        item->setMd5Checksum(file.attribute("md5").value());
        if (pugi::xml_attribute access = file.attribute("access"))
            item->setLastAccessed(parseRecordDate(access.value()));
        item->setOfflineAvailable(std::string(file.attribute("offline").value()) == "true");
        item->setName(file.attribute("title").value());
        item->setParentId(file.attribute("parent").value());
        _cache.itemLoaded(std::move(item));
    }
    return true;
}

std::string GDriveFileInfoCacheFiler::buildDataFromCache()
{
    pugi::xml_document document;
    pugi::xml_node root = document.append_child("file-cache");
    for (GDriveFileInfoItem* item : _cache.itemsList()) {
        pugi::xml_node file = root.append_child("file");
        addStringAttribute(file, "id", item->gdriveId());
        addStringAttribute(file, "ext", item->extension());
        addStringAttribute(file, "md5", item->md5Checksum());
        if (item->lastAccessed()) file.append_attribute("access") = formatRecordDate(*item->lastAccessed()).c_str();
        if (item->offlineAvailable()) file.append_attribute("offline") = "true";
        addStringAttribute(file, "title", item->name());
        addStringAttribute(file, "parent", item->parentId());
    }
    return compactGDriveXml(document);
}

bool GDriveFileInfoCacheFiler::loadCache(GDriveFileInfoCache& cache)
{
    bool missing = false;
    auto text = readRecordFile(cache.fileName(), missing);
    if (missing) return true;
    GDriveFileInfoCacheFiler filer(cache);
    return text && filer.loadCacheFromData(*text);
}

bool GDriveFileInfoCacheFiler::saveCache(GDriveFileInfoCache& cache, Error* error)
{
    GDriveFileInfoCacheFiler filer(cache);
    return writeFileAtomically(cache.fileName(), filer.buildDataFromCache(), error);
}
