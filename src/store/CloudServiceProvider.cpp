#include "store/CloudServiceProvider.h"

#include "Utils/FileManagerUtils.h"
#include "store/MindMapSearchCache.h"
#include "store/MindMapSearchInfo.h"
#include "store/MindMapStorage.h"
#include "store/MindMapStore.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

CloudServiceProvider::CloudServiceProvider(int32_t type, const std::string& rootDirectory,
                                           CloudProviderService& service)
    : ExternalProvider(type, rootDirectory), _cloud(service)
{
}

CloudServiceProvider::~CloudServiceProvider() = default;

std::string CloudServiceProvider::ensureStoreFolder(const std::string& folderName)
{
    const std::string root = MindMapStore::tarnWickStoreRootPath();
    if (root.empty()) return {};
    const std::string path = (fs::path(root) / folderName).string();
    std::error_code error;
    fs::create_directories(path, error);
    if (!fs::is_directory(path, error)) return {};
    return path;
}

void CloudServiceProvider::asyncOpenStorage(const std::string& mindMapId, const std::any& info)
{
    _cloud.openMindMap(mindMapId, info);
}

void CloudServiceProvider::whenSignInKnown(std::function<void()> then)
{
    _cloud.whenSignInKnown(std::move(then));
}

void CloudServiceProvider::openCloudLink(const std::string& link)
{
    _cloud.openCloudLink(link);
}

void CloudServiceProvider::getImageFromLink(const std::string& link, const ImageAvailableCallback& onAvailable)
{
    _cloud.getImageFromLink(link, onAvailable);
}

bool CloudServiceProvider::duplicateMindMap(MindMapStorage* storage, Error*)
{
    if (!storage || storage->provider() != this) return false;
    _cloud.duplicateFile(storage->id());
    return true;
}

void CloudServiceProvider::connectToCloud(const std::any& requester)
{
    _cloud.authorize(requester);
}

void CloudServiceProvider::disconnectFromCloud()
{
    _cloud.deauthorize();
}

void CloudServiceProvider::dropSearchCache()
{
    _searchCache.reset();
}

std::shared_ptr<MindMapSearchCache> CloudServiceProvider::refreshSearchCache(const std::vector<SearchEntry>& entries)
{
    if (!_searchCache) _searchCache = std::make_shared<MindMapSearchCache>(this);
    MindMapSearchCache fresh(this);
    for (const SearchEntry& entry : entries) {
        const std::optional<MindMapSearchInfo::Date> date =
            entry.cacheFile.empty() ? std::nullopt : getDateOfItemAtPath(entry.cacheFile);
        std::shared_ptr<MindMapSearchInfo> info = _searchCache->get(entry.mindMapId);
        if (info) {
            fresh.mergeSearchInfo(info);
            // A changed file is read again at the next full-text search.
            if (!date || !info->timestamp() || *info->timestamp() != *date) info->clearFullText();
        } else {
            info = fresh.addSearchInfo(entry.mindMapId);
            info->setTitle(entry.title);
        }
        info->setTimestamp(date);
    }
    _searchCache->replaceItems(&fresh);
    return _searchCache;
}

std::string CloudServiceProvider::makeStorageCacheDirectory() const
{
    const std::string cacheDirectory = claimCacheDirectory();
    if (cacheDirectory.empty()) return {};
    std::error_code error;
    fs::create_directories(cacheDirectory, error);
    if (error || !fs::is_directory(cacheDirectory, error)) return {};
    return cacheDirectory;
}
