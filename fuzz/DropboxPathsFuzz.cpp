#include "FuzzHome.h"

#include "cloud/CacheFiles.h"
#include "dropbox/DropboxBrowsingCache.h"
#include "dropbox/DropboxFileInfoCache.h"
#include "dropbox/DropboxProvider.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

// Paths the file service sends (display paths, moved folders) become cache paths: whatever they
// hold, a cache path stays below the cache root with every name short enough for the file system,
// and folder keys never come out empty.
namespace {

struct NoService : DropboxProviderService {
    DropboxBrowsingCache listings;
    bool isAuthorized() const override { return true; }
    bool isInitialized() const override { return true; }
    bool isActive() const override { return false; }
    void openMindMap(const std::string&, const std::any&) override {}
    void openCloudLink(const std::string&) override {}
    void getImageFromLink(const std::string&, const MindMapProvider::ImageAvailableCallback&) override {}
    void duplicateFile(const std::string&) override {}
    void authorize(const std::any&) override {}
    void deauthorize() override {}
    void highPrioritySynchronizeFile(const std::string&) override {}
    void dispatchDirectoryChanged(const std::string&) override {}
    DropboxBrowsingCache& browsingCache() override { return listings; }
    DropboxFileInfoCache records{""};
    DropboxFileInfoCache& fileInfo() override { return records; }
    void removeThumbnail(const std::string&) override {}
};

DropboxProvider& provider()
{
    static NoService service;
    static DropboxProvider* instance = [] {
        std::filesystem::create_directories(fuzzhome::folder() / "data" / "Tarnwick");
        return new DropboxProvider(service);
    }();
    return *instance;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path(reinterpret_cast<const char*>(data), size);
    DropboxProvider& dropbox = provider();
    const std::string root = dropbox.rootDirectory();
    const std::string cachePath = dropbox.cacheFilePathForDbPath(path);
    if (!cachePath.empty()) {
        if (cachePath.compare(0, root.size(), root) != 0) std::abort();
        const std::filesystem::path relative = std::filesystem::path(cachePath.substr(root.size()));
        for (const auto& component : relative) {
            if (component == ".." || component == ".") std::abort();
            // Dropbox counts characters, the file system bytes: every name must fit the latter.
            if (component.string().size() > MaximumCacheNameBytes) std::abort();
        }
        if (dropbox.cacheFilePathForDbPath(path) != cachePath) std::abort();
    }
    const std::string fitted = fitCacheFileName(path);
    if (fitted.size() > MaximumCacheNameBytes && fitted != path) std::abort();
    if (path.size() > MaximumCacheNameBytes && (fitted.size() > MaximumCacheNameBytes || fitted == path)) std::abort();
    if (DropboxBrowsingCache::normalizeKey(path).empty()) std::abort();
    DropboxBrowsingCache cache;
    cache.put(path, {});
    cache.directoryDeleted(path);
    if (cache.count() != 0) std::abort();
    return 0;
}
