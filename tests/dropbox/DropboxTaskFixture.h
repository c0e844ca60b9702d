#pragma once

#include "DropboxServiceDouble.h"

#include "Editor/FeedbackCenter.h"
#include "dropbox/DropboxLister.h"
#include "dropbox/DropboxService.h"
#include "dropbox/DropboxSynchronizer.h"
#include "platform/FileUtils.h"
#include "platform/MainLoop.h"
#include "platform/TokenStore.h"
#include "platform/UserDefaults.h"
#include "store/EditorInterface.h"
#include "store/ExternalProvider.h"
#include "support/FakeDropboxServer.h"
#include "support/ManualScheduler.h"
#include "support/RecordedFeedback.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

// The editor as the Dropbox tasks reach it, keeping what it was asked.
struct RecordingEditor : EditorInterface {
    std::vector<std::string> log;
    MindMapStorage* storage = nullptr;
    MindMapProvider* provider = nullptr;
    MindMapStorage* currentStorage() override { return storage; }
    MindMapProvider* currentProvider() override { return provider; }
    void openStorage(MindMapProvider*, const std::string& storageId, const std::any&) override
    {
        log.push_back("open " + storageId);
    }
    void asyncOpenMindMap(const std::string&, const std::string& mindMapId, const std::any&) override
    {
        log.push_back("asyncOpen " + mindMapId);
    }
    bool isEditorModified() override { return false; }
    void commitModelessEditors() override {}
    bool commitEditor() override
    {
        log.push_back("commit");
        return true;
    }
    void setCustomMindMapTitle(const std::string&) override {}
    void mindMapDeleted(MindMapProvider*, const std::string& mindMapId) override
    {
        log.push_back("deleted " + mindMapId);
    }
    void mindMapRenamed(MindMapProvider*, const std::string& oldId, const std::string& newId) override
    {
        log.push_back("renamed " + oldId + " -> " + newId);
    }
    void removeProviderEntries(MindMapProvider*) override {}
};

// What a listing answered: its result, and the names and paths of its rows (none when it failed).
struct ListedRows : DropboxListerDelegate {
    std::optional<int> result;
    std::optional<std::vector<std::string>> names;
    std::optional<std::vector<std::string>> paths;
    void listerCompleted(const std::optional<FileListItems>& items, const std::optional<std::string>&,
                         int code) override
    {
        result = code;
        names.reset();
        paths.reset();
        if (!items) return;
        names.emplace();
        paths.emplace();
        for (const auto& item : *items) {
            if (item->isNavigateUp()) continue;
            names->push_back(item->fileName());
            paths->push_back(item->path());
        }
    }
};

// A linked Dropbox service of its own on the fake server, with a private home, a fixed network and
// a recording editor.
struct DropboxTaskFixture : ::testing::Test {
    TempDir home;
    ScopedEnvironment data{"XDG_DATA_HOME", home.file("data")};
    ScopedEnvironment config{"XDG_CONFIG_HOME", home.file("config")};
    ScopedEnvironment cache{"XDG_CACHE_HOME", home.file("cache")};
    ScopedEnvironment tmp{"TMPDIR", home.file("tmp")};
    ScopedNetwork network{true};
    FakeDropboxServer fake;
    FakeClock clock{5000};
    ManualScheduler scheduler{clock};
    // Retries wait on the test's scheduler, a random half of each back-off fixed at a half.
    HttpEngine engine{{&scheduler, [] { return 0.5; }}};
    FileTokenStore tokens{home.file("cloud-tokens.json")};
    RecordedFeedback told;
    std::shared_ptr<RecordingEditor> editor = std::make_shared<RecordingEditor>();
    std::unique_ptr<Dropbox> service;

    DropboxTaskFixture()
    {
        UserDefaults::standard().resetForTesting();
        for (const char* folder : {"data/Tarnwick", "tmp", "support"})
            std::filesystem::create_directories(home.file(folder));
        ExternalProvider::resetProvidersDirectoryCleanup();
        FeedbackCenter::feedbackCenter().clearFeedbackItems();
        SetEditorInterfaceInstance(editor);
        fake.issueTokens("access-0", "refresh-0");
        tokens.write(Dropbox::TokenAccount, OAuthTokens{"access-0", "refresh-0", 0, "dbid:fake"}.toJson());
        make();
        // The service reads a few folders ahead when it starts: that is over before a test begins.
        EXPECT_TRUE(waitFor([&] { return service->isActive() && engine.activeCount() == 0; }));
        service->browsingCache().clear();
        fake.clearLog();
    }
    ~DropboxTaskFixture() override
    {
        service.reset();
        SetEditorInterfaceInstance(nullptr);
        UserDefaults::standard().resetForTesting();
    }

    void make(bool synchronizing = false)
    {
        service.reset();
        DropboxServiceSetup setup;
        if (synchronizing)
            setup.makeSyncQueue = [](Dropbox& dropbox) { return std::make_unique<DropboxSynchronizer>(dropbox); };
        setup.engine = &engine;
        setup.tokens = &tokens;
        setup.signIn = {FakeDropboxServer::AppKey,
                        fake.baseUrl() + "/oauth2/authorize",
                        fake.baseUrl() + "/oauth2/token",
                        FakeDropboxServer::redirectUri(),
                        {{"token_access_type", "offline"}}};
        setup.endpoints = {fake.baseUrl(), fake.baseUrl()};
        setup.scheduler = &scheduler;
        setup.now = [this] { return clock.now(); };
        setup.random = [] { return 0u; };
        setup.supportDirectory = home.file("support");
        service = std::make_unique<Dropbox>(std::move(setup));
        service->initiateSession();
    }

    // A service that synchronises, done with the folders it reads ahead as it becomes active.
    void makeActive()
    {
        make(true);
        EXPECT_TRUE(waitFor([&] { return service->isActive() && engine.activeCount() == 0; }));
    }

    void unlink() { service->performDeauthorize(); }

    bool opened(const std::string& dbPath) const
    {
        return std::find(editor->log.begin(), editor->log.end(), "open " + dbPath) != editor->log.end();
    }

    // The folder as the pane lists it, once the listing is over.
    ListedRows listFolder(const std::string& dbPath)
    {
        ListedRows rows;
        DropboxLister lister(*service, &rows);
        lister.loadContentsOfPath(dbPath, FileListItemMask::AllButNavigateUp);
        EXPECT_TRUE(waitFor([&] { return !lister.busy(); }));
        return rows;
    }

    std::string cacheFile(const std::string& dbPath) { return service->provider()->cacheFilePathForDbPath(dbPath); }

    // A cached copy with a record that matches it.
    std::string syncedFile(const std::string& dbPath, const std::string& contents = "map", bool isNew = false)
    {
        const std::string path = cacheFile(dbPath);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        writeTestFile(path, contents);
        service->fileInfo().update(dbPath, fileModificationDate(path),
                                   isNew ? DropboxFileInfoItem::makeNewFileRev() : std::string("rev1"));
        return path;
    }

    // Runs the main loop until the condition holds; false after a few seconds.
    static bool waitFor(const std::function<bool()>& condition) { return MainLoop::runUntil(condition, 10); }

    std::vector<std::string> routesAsked() const
    {
        std::vector<std::string> routes;
        for (const auto& request : fake.requests())
            if (request.route.rfind("oauth2", 0) != 0) routes.push_back(request.route);
        return routes;
    }
};
