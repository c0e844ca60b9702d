// What the user made here survives what the service does meanwhile: a sign-in refused by the
// server, a folder renamed or a root answered as missing, each against the loopback stand-in.

#include "DropboxTaskFixture.h"

#include "store/MindMapStorage.h"
#include "store/MindMapStorageDelegate.h"
#include "support/RecordingUriLauncher.h"

namespace fs = std::filesystem;

namespace {

// The editor with one Dropbox map open whose typed edit only a commit writes to the cache copy.
struct TypingEditor : RecordingEditor, MindMapStorageDelegate {
    std::shared_ptr<MindMapStorage> open;
    std::string typed;
    bool commitFails = false;
    // The window's lists were asked to end a rename being typed: nothing the user did.
    int renamesTaken = 0;

    void show(std::shared_ptr<MindMapStorage> shown, MindMapProvider* owner)
    {
        open = std::move(shown);
        storage = open.get();
        provider = owner;
        if (open) open->setDelegate(this);
    }
    bool isEditorModified() override { return !typed.empty(); }
    void commitModelessEditors() override
    {
        if (!OpenRenamesKept::held()) ++renamesTaken;
    }
    bool commitEditor() override
    {
        log.push_back("commit");
        if (!open || typed.empty()) return true;
        if (commitFails) return false;
        writeTestFile(Dropbox::instance()->provider()->cacheFilePathForDbPath(open->id()), typed);
        typed.clear();
        return true;
    }
    void recyclerStatusChanged(MindMapStorage*) override {}
    void externallyChanged(MindMapStorage*) override {}
    void dropStorage(MindMapStorage* dropped) override
    {
        if (dropped != open.get()) return;
        log.push_back("dropped");
        open.reset();
        storage = nullptr;
        provider = nullptr;
    }
};

struct DropboxLocalWorkTest : DropboxTaskFixture {
    std::shared_ptr<TypingEditor> typing = std::make_shared<TypingEditor>();
    RecordingUriLauncher browser;

    DropboxLocalWorkTest()
    {
        makeActive();
        service->browsingCache().clear();
        SetEditorInterfaceInstance(typing);
    }

    // A map in step with the server, open in the editor.
    void openSyncedMap(const std::string& dbPath, const std::string& contents)
    {
        const std::string rev = fake.putFile(dbPath, contents);
        const std::string path = cacheFile(dbPath);
        fs::create_directories(fs::path(path).parent_path());
        writeTestFile(path, contents);
        service->fileInfo().update(dbPath, fileModificationDate(path), rev);
        typing->show(service->provider()->createStorage(dbPath), service->provider().get());
    }

    // The sign-in as the user does it again: the browser follows the address and the redirect
    // comes back.
    bool signInAgain()
    {
        browser.opened.clear();
        service->authorize({});
        if (browser.opened.size() != 1) return false;
        HttpRequest open;
        open.url = browser.opened[0];
        std::optional<HttpResponse> page;
        HttpRequestHandle browsing = engine.start(open, [&](HttpResponse response) { page = std::move(response); });
        if (!waitFor([&] { return page.has_value(); }) || page->status != 302) return false;
        return service->handleAuthorizationURL(page->header("Location")) &&
            waitFor([&] { return service->isActive(); });
    }
};

} // namespace

TEST_F(DropboxLocalWorkTest, ATypedEditOutlivesALostSignInAndGoesUpAfterTheNextOne)
{
    struct Case {
        const char* name;
        std::function<void(FakeDropboxServer&)> loseSignIn;
        bool commitFails = false;
    };
    const std::vector<Case> cases = {
        {"refresh token revoked",
         [](FakeDropboxServer& server) {
             server.expireAccessTokens();
             server.revokeRefreshTokens();
         }},
        {"access token answered as invalid", [](FakeDropboxServer& server) { server.invalidateAccessTokens(); }},
        {"a map that cannot be written", [](FakeDropboxServer& server) { server.invalidateAccessTokens(); }, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dbPath = "/Notes/Plan" + std::to_string(++n) + ".twkx";
        openSyncedMap(dbPath, "as uploaded");
        typing->typed = "typed edit";
        typing->commitFails = c.commitFails;
        typing->log.clear();
        c.loseSignIn(fake);

        listFolder("/Other");
        ASSERT_FALSE(service->isAuthorized());
        if (c.commitFails) {
            // It stays open with the edit.
            EXPECT_EQ(typing->log, std::vector<std::string>{"commit"});
            EXPECT_NE(typing->open, nullptr);
            EXPECT_EQ(typing->typed, "typed edit");
            continue;
        }
        EXPECT_EQ(typing->log, (std::vector<std::string>{"commit", "dropped"}));
        EXPECT_EQ(typing->renamesTaken, 0) << "a rename being typed stays open";
        EXPECT_EQ(readTestFile(cacheFile(dbPath)), "typed edit");
        ASSERT_NE(service->fileInfo().get(dbPath), nullptr);
        EXPECT_EQ(fake.fileContents(dbPath), "as uploaded");

        // No time passes: the edit goes up as the account comes back.
        ASSERT_TRUE(signInAgain());
        EXPECT_TRUE(waitFor([&] { return fake.fileContents(dbPath) == "typed edit"; }));
        EXPECT_EQ(readTestFile(cacheFile(dbPath)), "typed edit");
    }
}

namespace {

LoopbackReply lookupFailure(const std::string& tag)
{
    return LoopbackReply::json(409,
                               "{\"error_summary\":\"path/" + tag +
                                   "/..\",\"error\":{\".tag\":\"path\",\"path\":{\".tag\":\"" + tag + "\"}}}");
}

struct RunEnd : DropboxFileSynchronizerDelegate {
    std::optional<std::string> error;
    void syncCompleted(const std::string&, const UserInfo&, const std::string& text) override { error = text; }
};

} // namespace

TEST_F(DropboxLocalWorkTest, TheRootIsNeverTakenAsDeletedAndAnEditSavedHereSurvivesTheAnswer)
{
    openSyncedMap("/Notes/Plan.twkx", "as uploaded");
    typing->show(nullptr, nullptr);
    const std::string copy = cacheFile("/Notes/Plan.twkx");
    writeTestFile(copy, "saved, not sent");
    service->fileInfo().get("/Notes/Plan.twkx")->setLocalModified(*fileModificationDate(copy) - 60);
    for (const char* tag : {"not_found", "not_folder"}) {
        for (const char* root : {"/", ""}) {
            SCOPED_TRACE(std::string(tag) + " for \"" + root + "\"");
            fake.answerNext("files/list_folder", lookupFailure(tag));
            EXPECT_EQ(listFolder(root).result, DropboxLister::Failed);
            EXPECT_EQ(service->fileInfo().count(), 1u);
            EXPECT_EQ(readTestFile(copy), "saved, not sent");
        }
    }
    // Reopening polls the map; the periodic run then sends the edit.
    service->openMindMap("/Notes/Plan.twkx", {});
    auto& queue = static_cast<DropboxSynchronizer&>(*service->synchronizer());
    ASSERT_TRUE(waitFor([&] { return !queue.isBusy(); }));
    EXPECT_EQ(readTestFile(copy), "saved, not sent");
    EXPECT_EQ(service->synchronize(), 1u);
    EXPECT_TRUE(waitFor([&] { return fake.fileContents("/Notes/Plan.twkx") == "saved, not sent"; }));
}

TEST_F(DropboxLocalWorkTest, ACachedMapThatLostItsRecordIsKeptAndGoesUpBesideTheServersOnlyWhenTheyDiffer)
{
    struct Case {
        const char* name;
        std::optional<std::string> onServer;
        int mode;
        // Where the local version is on the server afterwards; none when nothing went up.
        std::optional<std::string> upAs;
    };
    const std::vector<Case> cases = {
        {"open, never uploaded", std::nullopt, DropboxSyncQueue::Open, std::nullopt},
        {"open, server differs", "server", DropboxSyncQueue::Open, std::nullopt},
        {"poll, the same on the server", "local", DropboxSyncQueue::Poll, ""},
        {"poll, server differs", "server", DropboxSyncQueue::Poll, " (1)"},
        {"both ways, never uploaded", std::nullopt, DropboxSyncQueue::Periodic, ""},
        {"quit, server differs", "server", DropboxSyncQueue::Terminate, " (1)"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string base = "/Notes/Lost" + std::to_string(++n);
        const std::string dbPath = base + ".twkx";
        if (c.onServer) fake.putFile(dbPath, *c.onServer);
        const std::string copy = cacheFile(dbPath);
        fs::create_directories(fs::path(copy).parent_path());
        writeTestFile(copy, "local");
        told.shown.clear();

        RunEnd end;
        DropboxFileSynchronizer synchronizer(*service, &end);
        synchronizer.synchronizeDbPath(dbPath, c.mode);
        ASSERT_TRUE(waitFor([&] { return end.error.has_value(); }));
        EXPECT_EQ(end.error, "");
        EXPECT_EQ(told.shown.size(), 1u);
        if (!c.upAs) {
            EXPECT_EQ(readTestFile(copy), "local");
            ASSERT_NE(service->fileInfo().get(dbPath), nullptr);
            EXPECT_TRUE(service->fileInfo().get(dbPath)->isNew());
            EXPECT_EQ(fake.fileContents(dbPath), c.onServer);
            continue;
        }
        const std::string upPath = base + *c.upAs + ".twkx";
        EXPECT_EQ(fake.fileContents(upPath), "local");
        EXPECT_EQ(fake.fileContents(dbPath), c.onServer.value_or("local"));
        EXPECT_EQ(readTestFile(cacheFile(upPath)), "local");
        ASSERT_NE(service->fileInfo().get(upPath), nullptr);
        EXPECT_EQ(service->fileInfo().get(upPath)->rev(), fake.revision(upPath));
    }
}

TEST_F(DropboxLocalWorkTest, AVanishedFolderKeepsTheMapsThatHoldWorkNotOnDropboxAndSendsThemAgain)
{
    // A map made while working offline.
    network.set(false);
    NetworkController::networkAvailable();
    const std::string idea = service->provider()->createNewMindMapInDbDirectory("/Notes", "Idea");
    ASSERT_EQ(idea, "/Notes/Idea.twkx");
    network.set(true);
    NetworkController::networkAvailable();
    ASSERT_TRUE(waitFor([&] { return service->isActive() && engine.activeCount() == 0; }));

    // One map in step, one saved here and not sent, one open with a typed edit.
    openSyncedMap("/Notes/Old.twkx", "old");
    openSyncedMap("/Notes/Sub/Edited.twkx", "edited there");
    const std::string edited = cacheFile("/Notes/Sub/Edited.twkx");
    writeTestFile(edited, "saved here");
    service->fileInfo().get("/Notes/Sub/Edited.twkx")->setLocalModified(*fileModificationDate(edited) - 60);
    openSyncedMap("/Notes/Open.twkx", "open");
    typing->typed = "typed in the window";
    fake.removeItem("/Notes");
    told.shown.clear();

    listFolder("/Notes");

    EXPECT_FALSE(fs::exists(cacheFile("/Notes/Old.twkx")));
    EXPECT_EQ(service->fileInfo().get("/Notes/Old.twkx"), nullptr);
    const std::vector<std::pair<std::string, std::string>> kept = {{"/Notes/Idea.twkx", ""},
                                                                   {"/Notes/Sub/Edited.twkx", "saved here"},
                                                                   {"/Notes/Open.twkx", "typed in the window"}};
    for (const auto& [dbPath, contents] : kept) {
        SCOPED_TRACE(dbPath);
        ASSERT_TRUE(fs::exists(cacheFile(dbPath)));
        if (!contents.empty()) {
            EXPECT_EQ(readTestFile(cacheFile(dbPath)), contents);
        }
        const DropboxFileInfoItem* record = service->fileInfo().get(dbPath);
        ASSERT_NE(record, nullptr);
        const std::string notice = localized("db_directory_not_found") + " | " +
            formatText(localized("db_file_kept_as_new"), {dbPath}) + " | " + std::to_string(FeedbackStateWarning);
        EXPECT_NE(std::find(told.shown.begin(), told.shown.end(), notice), told.shown.end());
    }
    EXPECT_NE(typing->open, nullptr) << "the open map stays open";
    EXPECT_EQ(typing->renamesTaken, 0) << "and a rename being typed in the window stays open";

    // They go up again, recreating the folder, without waiting for the periodic run.
    for (const auto& [dbPath, contents] : kept) {
        SCOPED_TRACE(dbPath);
        EXPECT_TRUE(waitFor([&, &dbPath = dbPath] { return fake.fileContents(dbPath).has_value(); }));
        if (!contents.empty()) {
            EXPECT_EQ(fake.fileContents(dbPath), contents);
        }
    }
    auto& queue = static_cast<DropboxSynchronizer&>(*service->synchronizer());
    ASSERT_TRUE(waitFor([&] { return !queue.isBusy(); }));
    for (const auto& [dbPath, contents] : kept) EXPECT_FALSE(service->fileInfo().get(dbPath)->isNew()) << dbPath;

    // A folder the user deletes takes everything with it.
    typing->show(nullptr, nullptr);
    service->provider()->createNewMindMapInDbDirectory("/Notes", "Second thought");
    ASSERT_TRUE(waitFor([&] { return !queue.isBusy() && engine.activeCount() == 0; }));
    service->deleteFromDropbox("/Notes", true);
    ASSERT_TRUE(waitFor([&] { return service->userTaskCount() == 0; }));
    EXPECT_FALSE(fs::exists(cacheFile("/Notes")));
    EXPECT_EQ(service->fileInfo().count(), 0u);
    EXPECT_TRUE(fake.filePaths().empty());
}
