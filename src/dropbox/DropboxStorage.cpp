#include "dropbox/DropboxStorage.h"

#include "Utils/StringUtils.h"
#include "dropbox/DropboxFileInfoCache.h"
#include "dropbox/DropboxProvider.h"

#include <filesystem>
#include <vector>

namespace {

std::vector<std::string> componentsOf(const std::string& path)
{
    std::vector<std::string> components;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find('/', start), path.size());
        if (end > start) components.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return components;
}

bool sameName(const std::string& name, const std::string& other)
{
    return caseInsensitiveEqual(canonicalForFileSystem(name), canonicalForFileSystem(other));
}

} // namespace

DropboxStorage::DropboxStorage(CreationKey key, DropboxProvider* provider, const std::string& dbPath,
                               const std::string& fileName, const std::string& cacheDirectory)
    : ExternalMindMapStorage(key, provider, dbPath, fileName, cacheDirectory)
{
}

DropboxProvider* DropboxStorage::dropboxProvider() const
{
    return dynamic_cast<DropboxProvider*>(provider());
}

std::string DropboxStorage::title() const
{
    return std::filesystem::path(id()).stem().string();
}

void DropboxStorage::mindMapCommitted()
{
    DropboxProvider* owner = dropboxProvider();
    if (!owner) return;
    DropboxProviderService& service = owner->service();
    if (service.isActive()) {
        const DropboxFileInfoItem* record = service.fileInfo().get(id());
        if (record && record->isNew()) service.highPrioritySynchronizeFile(id());
    }
    service.removeThumbnail(id());
}

void DropboxStorage::fileRenamedFrom(const std::string& oldPath, const std::string& newPath)
{
    DropboxProvider* owner = dropboxProvider();
    if (!owner || !caseInsensitiveEqual(id(), oldPath)) return;
    setSourceFile(owner->cacheFilePathForDbPath(newPath));
    changeId(newPath);
}

void DropboxStorage::directoryRenamedFrom(const std::string& oldFolder, const std::string& newFolder)
{
    DropboxProvider* owner = dropboxProvider();
    if (!owner) return;
    // Component by component, so that /A never matches /AB and case forms of different lengths
    // still line up.
    const std::vector<std::string> folder = componentsOf(oldFolder);
    const std::vector<std::string> path = componentsOf(id());
    if (path.size() <= folder.size()) return;
    for (size_t i = 0; i < folder.size(); ++i) {
        if (!sameName(folder[i], path[i])) return;
    }
    std::string newId = newFolder.empty() || newFolder.back() != '/' ? newFolder + "/" : newFolder;
    if (newId.front() != '/') newId.insert(newId.begin(), '/');
    for (size_t i = folder.size(); i < path.size(); ++i) {
        newId += path[i];
        if (i + 1 < path.size()) newId += "/";
    }
    setSourceFile(owner->cacheFilePathForDbPath(newId));
    changeId(newId);
}
