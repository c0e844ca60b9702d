#include "dropbox/DropboxBrowsingCache.h"

#include "Utils/StringUtils.h"

std::string DropboxBrowsingCache::normalizeKey(const std::string& folder)
{
    std::string key = canonicalForFileSystem(lowercased(folder));
    if (key.size() >= 2 && key.back() == '/') key.pop_back();
    // The lister asks for the root as "" as often as "/": both are one folder.
    if (key.empty()) key = "/";
    return key;
}

bool DropboxBrowsingCache::metadataContainsFilename(const std::vector<DropboxMetadata>& entries,
                                                    const std::string& name)
{
    for (const auto& entry : entries) {
        if (caseInsensitiveEqual(canonicalForFileSystem(entry.name), canonicalForFileSystem(name))) return true;
    }
    return false;
}

void DropboxBrowsingCache::put(const std::string& folder, std::vector<DropboxMetadata> entries)
{
    _folderCache[normalizeKey(folder)] = std::make_shared<const std::vector<DropboxMetadata>>(std::move(entries));
}

DropboxBrowsingCache::Listing DropboxBrowsingCache::get(const std::string& folder) const
{
    auto found = _folderCache.find(normalizeKey(folder));
    return found == _folderCache.end() ? nullptr : found->second;
}

bool DropboxBrowsingCache::contains(const std::string& folder, const std::string& name) const
{
    Listing listing = get(folder);
    return listing && metadataContainsFilename(*listing, name);
}

void DropboxBrowsingCache::remove(const std::string& folder)
{
    _folderCache.erase(normalizeKey(folder));
}

void DropboxBrowsingCache::directoryDeleted(const std::string& folder)
{
    const std::string key = normalizeKey(folder);
    _folderCache.erase(key);
    const std::string prefix = key == "/" ? key : key + "/";
    for (auto it = _folderCache.lower_bound(prefix); it != _folderCache.end();) {
        if (it->first.compare(0, prefix.size(), prefix) != 0) break;
        it = _folderCache.erase(it);
    }
}
