#pragma once

#include "GoogleDrive/GDriveFileInfoCache.h"
#include "GoogleDrive/GDriveFolderCache.h"
#include "GoogleDrive/GDriveIdentifierPool.h"
#include "GoogleDrive/GDriveProvider.h"
#include "GoogleDrive/GDriveTaskService.h"
#include "GoogleDrive/GDriveUniqueNames.h"
#include "store/ExternalProvider.h"
#include "support/RecordedFeedback.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedNetwork.h"
#include "support/SignedInDriveClient.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

// The Drive service as the explorer's tasks reach it: real caches in the test's folder, a real
// client on the fake Drive, and a log of what it is told.
struct GDriveTaskDouble : GDriveProviderService, GDriveTaskService {
    explicit GDriveTaskDouble(const TempDir& home)
        : records(home.file("gdrive-file-info-cache.xml")),
          folders(home.file("gdrive-folder-cache.xml")),
          pool(home.file("gdrive-identifier-pool.xml"))
    {
        pool.setOnline([] { return false; });
    }

    GDriveFileInfoCache records;
    GDriveFolderCache folders;
    GDriveIdentifierPool pool;
    GDriveClient* client = nullptr;
    std::unique_ptr<GDriveProvider> driveProvider;
    bool linked = true;
    bool authorized = true;
    std::vector<std::string> log;

    bool isLinked() const override { return linked; }
    bool isAuthorized() const override { return authorized; }
    bool isActive() const override { return linked; }
    GDriveClient* driveClient() override { return client; }
    GDriveProvider* provider() override { return driveProvider.get(); }
    void openMindMap(const std::string& gdriveId, const std::any&) override { log.push_back("open " + gdriveId); }
    void openCloudLink(const std::string& link) override { log.push_back("link " + link); }
    void getImageFromLink(const std::string&, const MindMapProvider::ImageAvailableCallback&) override {}
    void duplicateFile(const std::string& gdriveId) override { log.push_back("duplicate " + gdriveId); }
    void authorize(const std::any&) override {}
    void deauthorize() override {}
    void manualSynchronize() override {}
    void reauthorize() override { log.push_back("reauthorize"); }
    void deleteLocalFile(const std::string& gdriveId, const std::string& parentFolderId) override
    {
        log.push_back("deleteLocal " + gdriveId + " in " + parentFolderId);
        records.remove(gdriveId);
        folders.fileDeleted(gdriveId, parentFolderId);
    }
    void highPrioritySynchronizeFile(const std::string& gdriveId) override { log.push_back("sync " + gdriveId); }
    void dispatchFolderChanged(const std::string& folderId) override { log.push_back("changed " + folderId); }
    std::string uniqueFileName(const std::string& name, const std::string& parentFolderId) override
    {
        return GDriveUniqueFileName(folders, records, name, parentFolderId);
    }
    std::string uniqueFolderName(const std::string& name, const std::string& parentFolderId) override
    {
        return GDriveUniqueFolderName(folders, name, parentFolderId);
    }
    GDriveFileInfoCache& fileInfo() override { return records; }
    GDriveFolderCache& folderCache() override { return folders; }
    GDriveIdentifierPool& identifierPool() override { return pool; }
    void removeThumbnail(const std::string&) override {}
};

// A signed-in client on the fake Drive, a private home and a service double whose folder cache
// knows the fake's root.
struct GDriveTaskFixture : ::testing::Test, SignedInDriveClient {
    ScopedEnvironment data{"XDG_DATA_HOME", home.file("data")};
    ScopedEnvironment config{"XDG_CONFIG_HOME", home.file("config")};
    ScopedEnvironment cache{"XDG_CACHE_HOME", home.file("cache")};
    ScopedNetwork network{true};
    GDriveTaskDouble service{home};
    RecordedFeedback told;
    std::string root;

    GDriveTaskFixture()
    {
        std::filesystem::create_directories(home.file("data/Tarnwick"));
        ExternalProvider::resetProvidersDirectoryCleanup();
        service.client = &client;
        service.driveProvider = std::make_unique<GDriveProvider>(service);
        root = fake.rootId();
        service.folders.setRealGDriveRootFolderId(root);
    }

    // The decoded parameters of a logged request.
    static std::map<std::string, std::string> parameters(const FakeGoogleDriveServer::LoggedRequest& request)
    {
        std::map<std::string, std::string> values;
        std::string query = request.query;
        if (!query.empty() && query.front() == '?') query.erase(0, 1);
        size_t start = 0;
        while (start <= query.size()) {
            size_t end = query.find('&', start);
            if (end == std::string::npos) end = query.size();
            const std::string pair = query.substr(start, end - start);
            const size_t equals = pair.find('=');
            if (equals != std::string::npos) {
                gchar* value = g_uri_unescape_string(pair.substr(equals + 1).c_str(), nullptr);
                values[pair.substr(0, equals)] = value ? value : "";
                g_free(value);
            }
            start = end + 1;
        }
        return values;
    }

    // A record of a file in a folder; new ones have no checksum (never uploaded).
    GDriveFileInfoItem* record(const std::string& gdriveId, const std::string& name, const std::string& parent,
                               bool isNew)
    {
        GDriveMetadata metadata(gdriveId, std::string("twkx"));
        metadata.name = name;
        metadata.parentIdentifier = parent;
        if (!isNew) metadata.md5Checksum = "0123456789abcdef0123456789abcdef";
        return service.records.update(metadata);
    }

    static GDriveMetadata folderEntry(const std::string& gdriveId, const std::string& name)
    {
        GDriveMetadata entry = GDriveMetadata::folder(gdriveId);
        entry.name = name;
        return entry;
    }
};
