#pragma once

#include "dropbox/DropboxBrowsingCache.h"
#include "dropbox/DropboxFileInfoCache.h"
#include "dropbox/DropboxMetadataPreloader.h"
#include "dropbox/DropboxProvider.h"
#include "platform/NetworkController.h"
#include "store/HistoryList.h"
#include "support/ScopedNetwork.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// The service's side of the provider and the preloader, keeping what it is told.
class DropboxServiceDouble : public DropboxProviderService, public DropboxPreloaderService {
public:
    explicit DropboxServiceDouble(const std::string& recordFile) : records(recordFile) {}

    bool authorized = true;
    bool initialized = true;
    bool active = true;
    DropboxClient* client = nullptr;
    DropboxBrowsingCache listings;
    RecentHistoryList history;
    // Made by the test on a file in its own folder.
    DropboxFileInfoCache records;
    std::vector<std::string> log;

    bool isAuthorized() const override { return authorized; }
    bool isInitialized() const override { return initialized; }
    bool isActive() const override { return active; }
    void openMindMap(const std::string&, const std::any&) override {}
    void openCloudLink(const std::string&) override {}
    void getImageFromLink(const std::string&, const MindMapProvider::ImageAvailableCallback&) override {}
    void duplicateFile(const std::string&) override {}
    void authorize(const std::any&) override {}
    void deauthorize() override {}
    void highPrioritySynchronizeFile(const std::string& dbPath) override { log.push_back("sync " + dbPath); }
    void dispatchDirectoryChanged(const std::string& dbFolder) override { log.push_back("changed " + dbFolder); }
    DropboxFileInfoCache& fileInfo() override { return records; }
    void removeThumbnail(const std::string& dbPath) override { log.push_back("thumbnail " + dbPath); }

    DropboxClient* dropboxClient() override { return client; }
    bool checkAuthorizationError(const DropboxNetworkError& error) override
    {
        if (error.isAuthError()) log.push_back("unlinked");
        return error.isAuthError();
    }
    DropboxBrowsingCache& browsingCache() override { return listings; }
    HistoryList* recentHistory() override { return &history; }
};
