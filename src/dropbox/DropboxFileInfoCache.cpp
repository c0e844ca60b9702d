#include "dropbox/DropboxFileInfoCache.h"

#include "Utils/CryptoDigest.h"
#include "platform/FileUtils.h"
#include "platform/NumberText.h"

#include <glib.h>
#include <pugixml.hpp>
#include <strings.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <sstream>

namespace {

std::string hexDigits(const std::vector<uint8_t>& bytes)
{
    static const char* digits = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

// The folder with exactly one trailing "/".
std::string withTrailingSlash(std::string folder)
{
    while (!folder.empty() && folder.back() == '/') folder.pop_back();
    return folder + "/";
}

// Whether text begins with prefix, ignoring case as the keys do.
bool startsIgnoringCase(const std::string& text, const std::string& prefix)
{
    return DropboxFileInfoCache::normalizeKey(text).rfind(DropboxFileInfoCache::normalizeKey(prefix), 0) == 0;
}

} // namespace

DropboxFileInfoItem::DropboxFileInfoItem(std::string path)
    : _path(std::move(path)), _thumbnailHash(thumbnailHashForPath(_path))
{
}

std::string DropboxFileInfoItem::thumbnailHashForPath(const std::string& path)
{
    std::string key = DropboxFileInfoCache::normalizeKey(path);
    return hexDigits(SHA1(std::vector<uint8_t>(key.begin(), key.end())));
}

std::unique_ptr<DropboxFileInfoItem> DropboxFileInfoItem::makeCopy() const
{
    auto copy = std::make_unique<DropboxFileInfoItem>(_path);
    copy->_localModified = _localModified;
    copy->_lastAccessed = _lastAccessed;
    copy->_rev = _rev;
    copy->_offlineAvailable = _offlineAvailable;
    copy->_revisedAt = _revisedAt;
    return copy;
}

DropboxFileInfoCache::DropboxFileInfoCache(std::string fileName, bool setAsideUnreadable)
    : CloudRecordCache(std::move(fileName)), _setAsideUnreadable(setAsideUnreadable)
{
    load();
}

std::string DropboxFileInfoCache::normalizeKey(const std::string& path)
{
    // Unicode case, never ASCII only: "Ä" and "ä" are one name on the service.
    gchar* lower = g_utf8_strdown(path.c_str(), gssize(path.size()));
    if (!lower) return path;
    gchar* decomposed = g_utf8_normalize(lower, -1, G_NORMALIZE_NFD);
    std::string key = decomposed ? decomposed : lower;
    g_free(decomposed);
    g_free(lower);
    return key;
}

void DropboxFileInfoCache::load()
{
    _items.clear();
    _unreadable = !DropboxFileInfoCacheFiler::loadCache(*this);
    if (_unreadable) {
        _items.clear();
        // What it still holds may be recovered by hand; the next save must not overwrite it.
        if (_setAsideUnreadable) moveUnreadableFileAside(_fileName);
    }
}

DropboxFileInfoCache::~DropboxFileInfoCache() = default;

std::string DropboxFileInfoCache::recordFileData()
{
    return DropboxFileInfoCacheFiler(*this).buildDataFromCache();
}

void DropboxFileInfoCache::clear()
{
    _items.clear();
    save();
}

DropboxFileInfoItem* DropboxFileInfoCache::update(const std::string& path, std::optional<double> localModified,
                                                  std::optional<std::string> rev)
{
    return update(path, localModified, std::nullopt, std::move(rev));
}

DropboxFileInfoItem* DropboxFileInfoCache::update(const std::string& path, std::optional<double> localModified,
                                                  std::optional<double> lastAccessed, std::optional<std::string> rev)
{
    if (path.empty()) return nullptr;
    std::string key = normalizeKey(path);
    auto& slot = _items[key];
    if (!slot) slot = std::make_unique<DropboxFileInfoItem>(path);
    slot->setLocalModified(localModified ? *localModified : _now());
    slot->setRev(rev.value_or(std::string()));
    slot->setRevisedAt(++_revisions);
    if (lastAccessed) slot->setLastAccessed(lastAccessed);
    DropboxFileInfoItem* item = slot.get();
    if (!item->isValid()) {
        _items.erase(key);
        item = nullptr;
    }
    changed();
    return item;
}

void DropboxFileInfoCache::fileRenamed(const std::string& oldPath, const std::string& newPath, const std::string& rev)
{
    if (oldPath == newPath) return;
    DropboxFileInfoItem* old = get(oldPath);
    if (!old) {
        update(newPath, _now(), rev);
        return;
    }
    if (normalizeKey(oldPath) == normalizeKey(newPath)) {
        old->setPath(newPath);
        old->setRev(rev);
        old->setRevisedAt(++_revisions);
        changed();
        return;
    }
    beginUpdate();
    std::optional<double> modified = old->localModified();
    std::optional<double> accessed = old->lastAccessed();
    bool offline = old->offlineAvailable();
    if (DropboxFileInfoItem* moved = update(newPath, modified, accessed, rev)) moved->setOfflineAvailable(offline);
    remove(oldPath);
    endUpdate();
}

void DropboxFileInfoCache::directoryRenamed(const std::string& oldFolder, const std::string& newFolder)
{
    const std::string from = withTrailingSlash(oldFolder);
    const std::string to = withTrailingSlash(newFolder);
    const std::string fromKey = normalizeKey(from);
    if (fromKey == normalizeKey(to)) return;
    std::vector<std::unique_ptr<DropboxFileInfoItem>> moved;
    for (auto it = _items.begin(); it != _items.end();) {
        const DropboxFileInfoItem& item = *it->second;
        // "/A/" matches "/A/x" but never "/AB/x"; the prefix of the path itself is cut by its
        // length in the path, which case folding may change.
        if (it->first.rfind(fromKey, 0) == 0 && startsIgnoringCase(item.path(), from)) {
            size_t cut = from.size();
            if (normalizeKey(item.path().substr(0, cut)) != fromKey) {
                ++it;
                continue;
            }
            auto replacement = std::make_unique<DropboxFileInfoItem>(to + item.path().substr(cut));
            replacement->setLocalModified(item.localModified());
            replacement->setLastAccessed(item.lastAccessed());
            replacement->setRev(item.rev());
            replacement->setOfflineAvailable(item.offlineAvailable());
            moved.push_back(std::move(replacement));
            it = _items.erase(it);
        } else {
            ++it;
        }
    }
    if (moved.empty()) return;
    for (auto& item : moved) _items[normalizeKey(item->path())] = std::move(item);
    save();
}

void DropboxFileInfoCache::directoryDeleted(const std::string& folder)
{
    const std::string key = normalizeKey(withTrailingSlash(folder));
    // Every record lies below the root, which is never deleted.
    if (key == "/") return;
    size_t removed = std::erase_if(_items, [&](const auto& entry) { return entry.first.rfind(key, 0) == 0; });
    if (removed > 0) changed();
}

std::vector<DropboxFileInfoItem*> DropboxFileInfoCache::getNewFilesInDirectory(const std::string& folder)
{
    const std::string key = normalizeKey(withTrailingSlash(folder));
    std::vector<DropboxFileInfoItem*> found;
    for (auto& [itemKey, item] : _items) {
        if (!item->isNew()) continue;
        size_t slash = itemKey.find_last_of('/');
        if (slash != std::string::npos && itemKey.compare(0, slash + 1, key) == 0) found.push_back(item.get());
    }
    return found;
}

std::vector<std::string> DropboxFileInfoCache::getUnmarkedItemPaths()
{
    std::vector<std::string> paths;
    for (auto& [key, item] : _items) {
        if (!item->marked()) paths.push_back(item->path());
    }
    return paths;
}

void DropboxFileInfoCache::itemLoaded(std::unique_ptr<DropboxFileInfoItem> item)
{
    std::string key = normalizeKey(item->path());
    _items[key] = std::move(item);
}

bool DropboxFileInfoCacheFiler::loadCacheFromData(const std::string& data)
{
    pugi::xml_document document;
    if (!document.load_buffer(data.data(), data.size(), pugi::parse_default, pugi::encoding_auto)) return false;
    pugi::xml_node root = document.document_element();
    std::string name = root.name();
    // The local name: a prefix does not make it another document.
    if (auto colon = name.find(':'); colon != std::string::npos) name = name.substr(colon + 1);
    if (strcasecmp(name.c_str(), "file-cache") != 0) return false;
    for (pugi::xml_node file : root.children("file")) {
        pugi::xml_attribute path = file.attribute("path");
        if (!path || !*path.value()) continue;
        auto item = std::make_unique<DropboxFileInfoItem>(path.value());
        if (pugi::xml_attribute modified = file.attribute("modified"))
            item->setLocalModified(parseDate(modified.value()));
        if (pugi::xml_attribute access = file.attribute("access")) item->setLastAccessed(parseDate(access.value()));
        item->setOfflineAvailable(strcasecmp(file.attribute("offline").value(), "true") == 0);
        item->setRev(file.attribute("rev").value());
        if (item->isValid()) _cache.itemLoaded(std::move(item));
    }
    return true;
}

std::string DropboxFileInfoCacheFiler::buildDataFromCache()
{
    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node root = document.append_child("file-cache");
    for (DropboxFileInfoItem* item : _cache.itemsList()) {
        pugi::xml_node file = root.append_child("file");
        if (!item->path().empty()) file.append_attribute("path") = item->path().c_str();
        if (item->localModified()) file.append_attribute("modified") = formatDate(*item->localModified()).c_str();
        if (item->lastAccessed()) file.append_attribute("access") = formatDate(*item->lastAccessed()).c_str();
        if (item->offlineAvailable()) file.append_attribute("offline") = "true";
        if (!item->rev().empty()) file.append_attribute("rev") = item->rev().c_str();
    }
    std::ostringstream stream;
    document.save(stream, "  ", pugi::format_default, pugi::encoding_utf8);
    return stream.str();
}

bool DropboxFileInfoCacheFiler::loadCache(DropboxFileInfoCache& cache)
{
    bool missing = false;
    auto text = readRecordFile(cache.fileName(), missing);
    if (missing) return true;
    if (!text) return false;
    DropboxFileInfoCacheFiler filer(cache);
    return filer.loadCacheFromData(*text);
}

bool DropboxFileInfoCacheFiler::saveCache(DropboxFileInfoCache& cache, Error* error)
{
    DropboxFileInfoCacheFiler filer(cache);
    return writeFileAtomically(cache.fileName(), filer.buildDataFromCache(), error);
}
