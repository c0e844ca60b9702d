#pragma once

#include "store/ExternalProvider.h"

#include <any>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What every cloud provider asks of its service, whatever names the service's files by.
class CloudProviderService {
public:
    virtual ~CloudProviderService() = default;

    // Runs then once the service knows whether an account of an earlier run is signed in (the
    // keyring may first ask for its password); at once when nothing is to come.
    virtual void whenSignInKnown(std::function<void()> then) { then(); }
    virtual bool isActive() const = 0;

    // Brings the latest version into the cache, then opens it.
    virtual void openMindMap(const std::string& fileId, const std::any& info) = 0;
    virtual void openCloudLink(const std::string& link) = 0;
    virtual void getImageFromLink(const std::string& link,
                                  const MindMapProvider::ImageAvailableCallback& onAvailable) = 0;
    virtual void duplicateFile(const std::string& fileId) = 0;
    virtual void authorize(const std::any& requester) = 0;
    virtual void deauthorize() = 0;
    // Puts the file at the front of the synchronisation queue.
    virtual void highPrioritySynchronizeFile(const std::string& fileId) = 0;
    // The map's thumbnail is made again when next asked for.
    virtual void removeThumbnail(const std::string& fileId) = 0;
};

// A cloud provider that hands the user's requests to its service and keeps the search cache of
// the maps the service has records of. Main thread only.
class CloudServiceProvider : public ExternalProvider {
public:
    CloudServiceProvider(int32_t type, const std::string& rootDirectory, CloudProviderService& service);
    ~CloudServiceProvider() override;

    // "<store>/<folderName>", created with what lies above it; empty when it cannot be made.
    static std::string ensureStoreFolder(const std::string& folderName);

    void asyncOpenStorage(const std::string& mindMapId, const std::any& info) override;
    void whenSignInKnown(std::function<void()> then) override;
    void openCloudLink(const std::string& link) override;
    void getImageFromLink(const std::string& link, const ImageAvailableCallback& onAvailable) override;
    bool duplicateMindMap(MindMapStorage* storage, Error* error = nullptr) override;
    void connectToCloud(const std::any& requester) override;
    void disconnectFromCloud() override;
    void dropSearchCache() override;

protected:
    struct SearchEntry {
        std::string mindMapId;
        // Used for maps the cache does not know yet.
        std::string title;
        // The map's local copy; empty when it has none.
        std::string cacheFile;
    };
    // The search cache with the given maps: known maps keep what was read of them unless their
    // local copy changed since; new ones come with their titles.
    std::shared_ptr<MindMapSearchCache> refreshSearchCache(const std::vector<SearchEntry>& entries);
    // A new private folder for a storage, made; empty when none can be made.
    std::string makeStorageCacheDirectory() const;

private:
    CloudProviderService& _cloud;
    std::shared_ptr<MindMapSearchCache> _searchCache;
};
