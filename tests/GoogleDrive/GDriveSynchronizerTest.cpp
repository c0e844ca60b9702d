#include "GoogleDrive/GDriveSynchronizer.h"

#include "Editor/FeedbackCenter.h"
#include "GoogleDrive/GDriveFileInfoCache.h"
#include "GoogleDrive/GDriveFolderCache.h"
#include "GoogleDrive/GDriveIdentifierPool.h"
#include "GoogleDrive/GDriveProvider.h"
#include "GoogleDrive/GDriveUniqueNames.h"
#include "Utils/CryptoDigest.h"
#include "Utils/TerminationProcess.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "store/EditorInterface.h"
#include "store/MindMapStorage.h"
#include "support/RecordedFeedback.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedNetwork.h"
#include "support/SignedInDriveClient.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace {

std::string md5Of(const std::string& text)
{
    std::string hex;
    char digits[3];
    for (uint8_t byte : MD5(std::vector<uint8_t>(text.begin(), text.end()))) {
        std::snprintf(digits, sizeof digits, "%02x", byte);
        hex += digits;
    }
    return hex;
}

// The service's side, on real caches, a real provider and a real client talking to the fake.
struct SyncServiceDouble : GDriveSyncService, GDriveProviderService {
    SyncServiceDouble(const TempDir& home, GDriveClient& driveClient)
        : records(home.file("gdrive-file-info-cache.xml")),
          folders(home.file("gdrive-folder-cache.xml")),
          pool(home.file("gdrive-identifier-pool.xml")),
          client(driveClient)
    {
        pool.setOnline([] { return false; });
        for (const char* gdriveId : {"new1", "new2", "new3", "new4", "new5", "new6", "new7", "new8", "new9"})
            pool.identifierLoaded(gdriveId);
        drive = std::make_unique<GDriveProvider>(*this);
    }

    GDriveFileInfoCache records;
    GDriveFolderCache folders;
    GDriveIdentifierPool pool;
    GDriveClient& client;
    std::unique_ptr<GDriveProvider> drive;
    Scheduler* timer = nullptr;
    bool linked = true;
    std::vector<std::string> log;

    bool isLinked() const override { return linked; }
    bool isActive() const override { return true; }
    GDriveClient* driveClient() override { return &client; }
    GDriveProvider* provider() override { return drive.get(); }
    Scheduler* scheduler() override { return timer; }
    void reauthorize() override { log.push_back("reauthorize"); }
    void deleteLocalFile(const std::string& gdriveId, const std::string& parentFolderId) override
    {
        log.push_back("delete " + gdriveId + " in " + parentFolderId);
        std::error_code error;
        fs::remove(drive->cacheFilePathForFileId(gdriveId), error);
        records.remove(gdriveId);
    }
    void fileExternallyChanged(const std::string& gdriveId) override { log.push_back("changed " + gdriveId); }
    void openMindMap(const std::string&, const std::any&) override {}
    void openCloudLink(const std::string&) override {}
    void getImageFromLink(const std::string&, const MindMapProvider::ImageAvailableCallback&) override {}
    void duplicateFile(const std::string&) override {}
    void authorize(const std::any&) override {}
    void deauthorize() override {}
    void manualSynchronize() override {}
    void highPrioritySynchronizeFile(const std::string& gdriveId) override { log.push_back("sync " + gdriveId); }
    void dispatchFolderChanged(const std::string&) override {}
    std::string uniqueFileName(const std::string& name, const std::string& parentFolderId) override
    {
        return GDriveUniqueFileName(folders, records, name, parentFolderId);
    }
    GDriveFileInfoCache& fileInfo() override { return records; }
    GDriveFolderCache& folderCache() override { return folders; }
    GDriveIdentifierPool& identifierPool() override { return pool; }
    void removeThumbnail(const std::string&) override {}
};

struct OpenMapEditor : NullEditorInterface {
    std::shared_ptr<MindMapStorage> storage;
    bool modified = false;
    std::vector<std::string> renamed;
    MindMapStorage* currentStorage() override { return storage.get(); }
    MindMapProvider* currentProvider() override { return storage ? storage->provider() : nullptr; }
    bool isEditorModified() override { return modified; }
    void mindMapRenamed(MindMapProvider*, const std::string& oldId, const std::string& newId) override
    {
        renamed.push_back(oldId + " -> " + newId);
    }
};

struct Completions : GDriveFileSynchronizerDelegate {
    std::vector<std::pair<std::string, std::string>> done;
    void syncCompleted(const std::string& fileId, const UserInfo&, const std::string& error) override
    {
        done.emplace_back(fileId, error);
    }
};

struct QuitUpload : TerminationProcess {
    QuitUpload() : TerminationProcess("upload", "") {}
    void run() override {}
};

struct GDriveSynchronizerTest : ::testing::Test, SignedInDriveClient {
    ScopedEnvironment data{"XDG_DATA_HOME", home.file("data")};
    ScopedNetwork network{true};
    std::unique_ptr<SyncServiceDouble> service;
    std::shared_ptr<OpenMapEditor> editor = std::make_shared<OpenMapEditor>();
    RecordedFeedback notifications;
    Completions completions;
    std::unique_ptr<GDriveFileSynchronizer> sync;

    GDriveSynchronizerTest()
    {
        fs::create_directories(home.file("data/Tarnwick"));
        ExternalProvider::resetProvidersDirectoryCleanup();
        fake.addFolder("Tarnwick", "", "T");
        fake.addFolder("Work", "", "W");
        service = std::make_unique<SyncServiceDouble>(home, client);
        service->folders.setRealGDriveRootFolderId(fake.rootId());
        GDriveMetadata tarnwick = GDriveMetadata::folder("T");
        tarnwick.name = "Tarnwick";
        GDriveMetadata work = GDriveMetadata::folder("W");
        work.name = "Work";
        service->folders.updateFolder(service->folders.rootFolder(), {tarnwick, work}, false);
        SetEditorInterfaceInstance(editor);
        FeedbackCenter::feedbackCenter().clearFeedbackItems();
        sync = std::make_unique<GDriveFileSynchronizer>(*service, &completions);
    }
    ~GDriveSynchronizerTest() override
    {
        sync.reset();
        editor->storage.reset();
        SetEditorInterfaceInstance(nullptr);
    }

    // "Plan.twkx" in Work: on Drive as server, here as local, last synchronised as recorded.
    void plan(const std::string& server, const std::string& local, const std::string& recorded,
              const std::string& serverName = "Plan.twkx")
    {
        fake.addFile(serverName, server, "W", "F1");
        GDriveMetadata metadata("F1", "twkx");
        metadata.name = "Plan.twkx";
        metadata.parentIdentifier = "W";
        metadata.md5Checksum = md5Of(recorded);
        service->records.update(metadata);
        writeTestFile(cachePath("F1"), local);
    }
    std::string cachePath(const std::string& gdriveId) { return service->drive->cacheFilePathForFileId(gdriveId); }
    std::string cached(const std::string& gdriveId) { return readTestFile(cachePath(gdriveId)); }
    std::string recordedMd5(const std::string& gdriveId)
    {
        GDriveFileInfoItem* item = service->records.get(gdriveId);
        return item ? item->md5Checksum() : "none";
    }

    std::string run(const std::string& gdriveId, int mode)
    {
        const size_t before = completions.done.size();
        sync->synchronizeFileId(gdriveId, mode, {});
        EXPECT_TRUE(driveUntil([&] { return completions.done.size() > before; }));
        EXPECT_FALSE(sync->busy());
        return completions.done.size() > before ? completions.done.back().second : "no answer";
    }
    void openPlanInEditor(bool modified)
    {
        editor->storage = service->drive->createStorage("F1");
        ASSERT_TRUE(editor->storage);
        editor->modified = modified;
    }
};

} // namespace

TEST_F(GDriveSynchronizerTest, DecidesByTheThreeChecksumsInEveryMode)
{
    enum Outcome { Nothing, Upload, Download, Conflict, RecordOnly };
    struct Row {
        int mode;
        const char* server;
        const char* local;
        bool modified;
        Outcome outcome;
    };
    // The recorded version is always "v1".
    const Row rows[] = {
        {0, "v1", "v1", false, Nothing},    {1, "v1", "v1", false, Nothing},    {2, "v1", "v1", false, Nothing},
        {3, "v1", "v1", false, Nothing},    {0, "v1", "mine", false, Nothing},  {1, "v1", "mine", false, Upload},
        {2, "v1", "mine", false, Upload},   {3, "v1", "mine", false, Nothing},  {0, "v2", "v1", false, Download},
        {1, "v2", "v1", false, Nothing},    {2, "v2", "v1", false, Download},   {3, "v2", "v1", false, Download},
        {0, "v2", "mine", false, Conflict}, {1, "v2", "mine", false, Conflict}, {2, "v2", "mine", false, Conflict},
        {3, "v2", "mine", false, Nothing},  {0, "v2", "v1", true, Conflict},    {2, "v2", "v1", true, Conflict},
        {3, "v2", "v1", true, Nothing},     {0, "v2", "v2", false, RecordOnly}, {1, "v2", "v2", false, RecordOnly},
        {2, "v2", "v2", false, RecordOnly},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.mode) + " server " + row.server + " local " + row.local +
                     (row.modified ? " modified" : ""));
        fake.remove("F1");
        service->records.clear();
        service->log.clear();
        plan(row.server, row.local, "v1");
        if (row.modified) openPlanInEditor(true);
        fake.clearLog();
        notifications.progressTitles.clear();

        EXPECT_EQ(run("F1", row.mode), "");
        const bool transferred = !fake.requestsTo("files.media").empty() || !fake.requestsTo("files.update").empty();
        // The activity line names Google Drive, not another service.
        const auto progress = [](const char* transfer) {
            return std::vector<std::string>{localized("gdrive_synchronize_progress"), localized(transfer)};
        };
        for (const std::string& title : notifications.progressTitles)
            EXPECT_EQ(title.find("Dropbox"), std::string::npos) << title;
        switch (row.outcome) {
        case Nothing:
            EXPECT_FALSE(transferred);
            EXPECT_EQ(cached("F1"), row.local);
            EXPECT_EQ(recordedMd5("F1"), md5Of("v1"));
            break;
        case Upload:
            EXPECT_EQ(fake.file("F1")->contents, row.local);
            EXPECT_EQ(recordedMd5("F1"), md5Of(row.local));
            EXPECT_EQ(notifications.progressTitles, progress("gdrive_upload_progress"));
            break;
        case Download:
            EXPECT_EQ(notifications.progressTitles, progress("gdrive_download_progress"));
            EXPECT_EQ(cached("F1"), row.server);
            EXPECT_EQ(recordedMd5("F1"), md5Of(row.server));
            EXPECT_EQ(service->log, std::vector<std::string>{"changed F1"});
            break;
        case RecordOnly:
            EXPECT_FALSE(transferred);
            EXPECT_EQ(recordedMd5("F1"), md5Of(row.local));
            break;
        case Conflict: {
            EXPECT_FALSE(transferred);
            EXPECT_EQ(service->records.get("F1"), nullptr) << "Drive's version comes afresh when next opened";
            EXPECT_EQ(fake.file("F1")->contents, row.server);
            GDriveFileInfoItem* copy = service->records.findFileName("Plan Conflict Copy.twkx", "W");
            ASSERT_NE(copy, nullptr);
            EXPECT_TRUE(copy->isNew());
            EXPECT_EQ(cached(copy->gdriveId()), row.local);
            // Queued by the provider and again at the front by the synchronizer.
            EXPECT_EQ(service->log, std::vector<std::string>(2, "sync " + copy->gdriveId()));
            break;
        }
        }
        editor->storage.reset();
    }
}

TEST_F(GDriveSynchronizerTest, RefusesToFetchTheMostRecentVersionThroughTheModeEntry)
{
    plan("v1", "v1", "v1");
    fake.clearLog();
    sync->synchronizeFileId("F1", GDriveFileSynchronizer::GetMostRecentVersion);
    ASSERT_EQ(completions.done.size(), 1u);
    EXPECT_EQ(completions.done[0].second, "Illegal mode");
    EXPECT_TRUE(fake.requests().empty());
}

TEST_F(GDriveSynchronizerTest, AConflictWithTheOpenMapMovesTheEditorToTheCopyAndSaysSo)
{
    plan("v2", "mine", "v1");
    openPlanInEditor(false);
    EXPECT_EQ(run("F1", GDriveFileSynchronizer::Poll), "");
    const std::string copyId = service->records.findFileName("Plan Conflict Copy.twkx", "W")->gdriveId();
    EXPECT_EQ(editor->storage->id(), copyId);
    ASSERT_EQ(notifications.shown.size(), 1u);
    EXPECT_EQ(notifications.shown[0],
              localized("gdrive_synchronize_progress") + " | " + localized("gdrive_synchronize_conflict_copy_created") +
                  " | 1");
    // The copy goes up under its pooled id.
    EXPECT_EQ(run(copyId, GDriveFileSynchronizer::Upload), "");
    EXPECT_EQ(fake.file(copyId)->name, "Plan Conflict Copy.twkx");
    EXPECT_EQ(fake.file(copyId)->contents, "mine");
    EXPECT_EQ(fake.file(copyId)->mimeType, "application/x-zip");
}

TEST_F(GDriveSynchronizerTest, ARenameElsewhereIsRecordedAndTheEditorTold)
{
    plan("v1", "v1", "v1", "Renamed.twkx");
    EXPECT_EQ(run("F1", GDriveFileSynchronizer::Poll), "");
    EXPECT_EQ(service->records.get("F1")->name(), "Renamed.twkx");
    EXPECT_EQ(editor->renamed, std::vector<std::string>{"F1 -> F1"});
}

TEST_F(GDriveSynchronizerTest, UploadsEachKindWithItsType)
{
    const std::pair<const char*, const char*> table[] = {
        {"twkx", "application/x-zip"}, {"JPG", "image/jpeg"},     {"jpeg", "image/jpeg"},
        {"png", "image/png"},          {"html", "text/html"},     {"mm", "application/x-freemind"},
        {"opml", "text/xml"},          {"txt", "text/plain"},     {"pdf", "application/pdf"},
        {"mp4", "video/mp4"},          {"m4a", "audio/mp4"},      {"twkstore", "application/octet-stream"},
        {"docx", "application/x-zip"}, {"", "application/x-zip"},
    };
    for (const auto& [extension, type] : table) EXPECT_EQ(GDriveMimeTypeForExtension(extension), type) << extension;
}

TEST_F(GDriveSynchronizerTest, ADownloadNeverReplacesACopySavedWhileItRan)
{
    plan("v2", "v1", "v1");
    fake.setDelay(0.3);
    sync->synchronizeFileId("F1", GDriveFileSynchronizer::Poll, {});
    ASSERT_TRUE(MainLoop::runUntil([&] { return sync->state() == GDriveFileSynchronizer::Downloading; }, 20));
    writeTestFile(cachePath("F1"), "saved meanwhile");
    ASSERT_TRUE(MainLoop::runUntil([&] { return !completions.done.empty(); }, 20));
    EXPECT_EQ(completions.done[0].second, "");
    GDriveFileInfoItem* copy = service->records.findFileName("Plan Conflict Copy.twkx", "W");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(cached(copy->gdriveId()), "saved meanwhile");
    for (const auto& entry : fs::directory_iterator(fs::path(cachePath(copy->gdriveId())).parent_path()))
        EXPECT_NE(entry.path().extension(), ".download") << "no download left behind";
}

TEST_F(GDriveSynchronizerTest, AFileGoneOnDriveTakesItsCopyOnlyWhenNothingWasChangedHere)
{
    struct Row {
        const char* local;
        bool trashed;
        bool modified;
        bool kept;
    };
    const Row rows[] = {
        {"v1", true, false, false},   {"v1", false, false, false}, {"mine", true, false, true},
        {"mine", false, false, true}, {"v1", false, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.local) + (row.trashed ? " trashed" : " deleted") +
                     (row.modified ? " modified" : ""));
        service->records.clear();
        service->log.clear();
        notifications.shown.clear();
        plan("v1", row.local, "v1");
        if (row.trashed) fake.trash("F1");
        else fake.remove("F1");
        if (row.modified) openPlanInEditor(true);

        const std::string error = run("F1", GDriveFileSynchronizer::Sync);
        if (!row.kept) {
            EXPECT_EQ(error, localized("gdrive_file_not_found"));
            EXPECT_EQ(service->log, std::vector<std::string>{std::string("delete F1 in ") + (row.trashed ? "W" : "")});
        } else {
            EXPECT_EQ(error, "");
            GDriveFileInfoItem* kept = service->records.findFileName("Plan.twkx", "W");
            ASSERT_NE(kept, nullptr);
            EXPECT_NE(kept->gdriveId(), "F1");
            EXPECT_TRUE(kept->isNew());
            EXPECT_EQ(cached(kept->gdriveId()), row.local);
            EXPECT_EQ(service->log, std::vector<std::string>{"sync " + kept->gdriveId()});
            ASSERT_EQ(notifications.shown.size(), 1u);
            EXPECT_NE(notifications.shown[0].find("Plan.twkx"), std::string::npos);
            if (row.modified) {
                EXPECT_EQ(editor->storage->id(), kept->gdriveId());
            }
        }
        fake.remove("F1");
        editor->storage.reset();
    }
}

TEST_F(GDriveSynchronizerTest, ANewMapWhoseCreateLandedUnansweredIsRecordedNotDuplicated)
{
    // The id is already on Drive with these bytes: an earlier create whose answer was lost.
    fake.addFile("Idea.twkx", "idea", "W", "N1");
    GDriveMetadata metadata("N1", "twkx");
    metadata.name = "Idea.twkx";
    metadata.parentIdentifier = "W";
    service->records.update(metadata);
    writeTestFile(cachePath("N1"), "idea");
    EXPECT_EQ(run("N1", GDriveFileSynchronizer::Upload), "");
    EXPECT_EQ(recordedMd5("N1"), md5Of("idea"));
    EXPECT_EQ(fake.idsNamed("Idea.twkx").size(), 1u);
    EXPECT_EQ(service->records.findFileName("Idea Conflict Copy.twkx", "W"), nullptr);
}

TEST_F(GDriveSynchronizerTest, ANewMapWhoseFolderWentGoesUpToTheApplicationFolder)
{
    GDriveMetadata metadata("N1", "twkx");
    metadata.name = "Idea.twkx";
    metadata.parentIdentifier = "GoneFolder";
    service->records.update(metadata);
    writeTestFile(cachePath("N1"), "idea");
    EXPECT_EQ(run("N1", GDriveFileSynchronizer::Upload), "");
    ASSERT_TRUE(fake.file("N1"));
    EXPECT_EQ(fake.file("N1")->parents, std::vector<std::string>{"T"});
    EXPECT_EQ(service->records.get("N1")->parentId(), "T");
    EXPECT_FALSE(service->records.get("N1")->isNew());
    ASSERT_EQ(notifications.shown.size(), 1u);
    EXPECT_NE(notifications.shown[0].find("Idea.twkx"), std::string::npos);
}

TEST_F(GDriveSynchronizerTest, ANewMapIsNeverDeletedWhenItCannotGoUp)
{
    GDriveMetadata metadata("N1", "twkx");
    metadata.name = "Idea.twkx";
    metadata.parentIdentifier = "GoneFolder";
    service->records.update(metadata);
    writeTestFile(cachePath("N1"), "idea");
    fake.remove("T");
    service->folders.folderDeleted("T");
    fake.setRootId("0AOtherRoot");
    service->folders.setRealGDriveRootFolderId("0AGoneRoot");
    EXPECT_NE(run("N1", GDriveFileSynchronizer::Upload), "");
    EXPECT_EQ(cached("N1"), "idea");
    EXPECT_TRUE(service->records.get("N1")->isNew());
    EXPECT_TRUE(service->log.empty());
}

TEST_F(GDriveSynchronizerTest, ARunWithoutAnswerTimesOutAndItsLateAnswerReachesNoLaterRun)
{
    FakeClock clock{100};
    ManualScheduler scheduler{clock};
    service->timer = &scheduler;
    plan("v2", "v1", "v1");
    fake.setDelay(0.5);
    sync->synchronizeFileId("F1", GDriveFileSynchronizer::Sync, {});
    scheduler.advance(GDriveFileSynchronizer::TimeoutInterval);
    ASSERT_EQ(completions.done.size(), 1u);
    EXPECT_EQ(completions.done[0].second, localized("gdrive_sync_timeout_title"));
    EXPECT_FALSE(sync->busy());
    fake.setDelay(0);
    EXPECT_EQ(run("F1", GDriveFileSynchronizer::Sync), "");
    MainLoop::runUntil([] { return false; }, 0.8);
    EXPECT_EQ(completions.done.size(), 2u);
    EXPECT_EQ(cached("F1"), "v2");
}

TEST_F(GDriveSynchronizerTest, RefusesWorkWhenBusyUnlinkedOrOffline)
{
    plan("v1", "mine", "v1");
    service->linked = false;
    EXPECT_EQ(run("F1", GDriveFileSynchronizer::Sync), localized("gdrive_disconnected_state"));
    service->linked = true;
    network.set(false);
    EXPECT_EQ(run("F1", GDriveFileSynchronizer::Sync), localized("no_network_available"));
    sync->getMostRecentVersionForFileId("F1", {});
    EXPECT_EQ(completions.done.back().second, "") << "offline the cached copy is the most recent";
    network.set(true);
    fake.setDelay(0.2);
    sync->synchronizeFileId("F1", GDriveFileSynchronizer::Sync, {});
    sync->synchronizeFileId("F2", GDriveFileSynchronizer::Sync, {});
    EXPECT_EQ(completions.done.back(), std::make_pair(std::string("F2"), localized("gdrive_synchronize_progress")));
    ASSERT_TRUE(MainLoop::runUntil([&] { return !sync->busy(); }, 20));
    EXPECT_EQ(fake.file("F1")->contents, "mine");
}

TEST_F(GDriveSynchronizerTest, TheQueueWidensModesInPlaceAndWaitsOffline)
{
    network.set(false);
    NetworkController::networkAvailable();
    GDriveSynchronizer queue(*service);
    queue.synchronizeFiles({"A", "B"}, GDriveFileSynchronizer::Poll);
    queue.synchronizeFiles({"B"}, GDriveFileSynchronizer::Upload);
    ASSERT_EQ(queue.queue().size(), 2u);
    EXPECT_EQ(queue.queue()[1].id, "B");
    EXPECT_EQ(queue.queue()[1].mode, GDriveFileSynchronizer::Sync);
    queue.synchronizeFiles({"A"}, GDriveFileSynchronizer::Poll);
    EXPECT_EQ(queue.queue()[0].mode, GDriveFileSynchronizer::Poll);
    queue.scheduleFirst("B", GDriveFileSynchronizer::Poll);
    EXPECT_EQ(queue.queue()[0].id, "B");
    EXPECT_EQ(queue.queue().size(), 2u);
    EXPECT_FALSE(queue.isBusy());

    auto process = std::make_shared<QuitUpload>();
    queue.terminateSynchronization({"A"}, process);
    EXPECT_TRUE(process->completed()) << "offline at quit the upload is given up";
    EXPECT_TRUE(queue.queue().empty());
}

TEST_F(GDriveSynchronizerTest, TheQueueUploadsAtQuitAndCompletesTheProcess)
{
    plan("v1", "mine", "v1");
    GDriveSynchronizer queue(*service);
    auto process = std::make_shared<QuitUpload>();
    queue.terminateSynchronization({"F1"}, process);
    queue.schedulePoll("F1");
    ASSERT_TRUE(MainLoop::runUntil([&] { return process->completed(); }, 20));
    EXPECT_EQ(fake.file("F1")->contents, "mine");
    EXPECT_TRUE(FeedbackCenter::feedbackCenter().items().empty() ||
                FeedbackCenter::feedbackCenter().items()[0]->title() !=
                    localized("gdrive_synchronization_success_title"))
        << "no feedback while quitting";
}

// The quit's commit can land while a poll's download runs: the conflict copy keeping it is made
// after the quit listed its files, and goes up before the quit ends.
TEST_F(GDriveSynchronizerTest, AConflictCopyMadeWhileQuittingGoesUpInTheSameQuit)
{
    plan("changed there", "before", "before");
    GDriveSynchronizer queue(*service);
    fake.setDelay(0.2);
    queue.schedulePoll("F1");
    ASSERT_TRUE(MainLoop::runUntil(
        [&] { return queue.fileSynchronizer().state() == GDriveFileSynchronizer::Downloading; }, 20));
    writeTestFile(cachePath("F1"), "committed at quit");
    auto process = std::make_shared<QuitUpload>();
    queue.terminateSynchronization({"F1"}, process);
    ASSERT_TRUE(MainLoop::runUntil([&] { return process->completed(); }, 20));

    GDriveFileInfoItem* copy = service->records.findFileName("Plan Conflict Copy.twkx", "W");
    ASSERT_NE(copy, nullptr);
    const auto uploaded = fake.file(copy->gdriveId());
    ASSERT_TRUE(uploaded) << "the copy went up";
    EXPECT_EQ(uploaded->contents, "committed at quit");
    EXPECT_EQ(fake.file("F1")->contents, "changed there");
}

TEST_F(GDriveSynchronizerTest, TheQueueReportsEachFileInTheActivityPane)
{
    plan("v1", "mine", "v1");
    FeedbackCenter::feedbackCenter().clearFeedbackItems();
    GDriveSynchronizer queue(*service);
    queue.synchronizeFiles({"F1", "Missing"});
    ASSERT_TRUE(MainLoop::runUntil([&] { return !queue.isBusy() && queue.queue().empty(); }, 20));
    const auto& items = FeedbackCenter::feedbackCenter().items();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1]->title(), localized("gdrive_synchronization_success_title"));
    EXPECT_EQ(items[1]->message(), "Plan.twkx");
    EXPECT_EQ(items[0]->title(), localized("gdrive_synchronization_error"));
    EXPECT_EQ(items[0]->state(), 2u);
}

namespace {

// Every file and folder below the folder; folders end in "/".
std::set<std::string> entriesBelow(const std::string& root)
{
    std::set<std::string> found;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        std::error_code typeError;
        found.insert(it->path().string() + (it->is_directory(typeError) ? "/" : ""));
    }
    return found;
}

} // namespace

TEST_F(GDriveSynchronizerTest, NoAnswerOrRecordMakesAPathOutsideTheCacheFolder)
{
    TempDir temporary;
    ScopedEnvironment tmp{"TMPDIR", temporary.path()};
    // The provider's root ends in a separator.
    const fs::path cacheRoot = fs::path(service->drive->rootDirectory()).parent_path();
    const std::string cjk = [] {
        std::string text;
        for (int i = 0; i < 90; ++i) text += "\xe5\x9c\xb0";
        return text;
    }();
    const std::string longId(200, 'A');
    auto quoted = [](const std::string& text) { return "\"" + text + "\""; };
    struct Value {
        const char* field;
        std::string json;
    };
    const Value values[] = {
        {"fileExtension", quoted("../../../../tmp/x")},
        {"fileExtension", quoted("/tmp/x")},
        {"fileExtension", quoted("a/b")},
        {"fileExtension", quoted("..")},
        {"fileExtension", quoted("x\\u0000y")},
        {"fileExtension", quoted(std::string(300, 'x'))},
        {"fileExtension", quoted(cjk)},
        {"name", quoted("../../../../tmp/x.twkx")},
        {"name", quoted("/tmp/x.twkx")},
        {"name", quoted("a/b.twkx")},
        {"name", quoted("x\\u0000y.twkx")},
        {"name", quoted(std::string(300, 'n') + ".twkx")},
        {"name", quoted(cjk + ".twkx")},
        {"id", quoted("../../../../tmp/x")},
        {"id", quoted(longId)},
        {"id", quoted("W")},
        {"parents", "[" + quoted("../../../../tmp") + "]"},
    };
    // The roads from an answer or a record to a local path, each ending in one run.
    struct Road {
        const char* what;
        std::function<std::string(const Value&)> run;
    };
    const Road roads[] = {
        {"opening a file not cached",
         [&](const Value& value) {
             fake.addFile("Hostile.twkx", "content", "W", "H1");
             fake.forgeField("H1", value.field, value.json);
             sync->getMostRecentVersionForFileId("H1", {});
             EXPECT_TRUE(MainLoop::runUntil([&] { return !sync->busy(); }, 20));
             return completions.done.back().second;
         }},
        {"polling a copy changed on Drive",
         [&](const Value& value) {
             plan("v2", "v1", "v1");
             fake.forgeField("F1", value.field, value.json);
             return run("F1", GDriveFileSynchronizer::Poll);
         }},
        {"a conflict copy named by Drive",
         [&](const Value& value) {
             plan("v1", "v1", "v1");
             fake.forgeField("F1", value.field, value.json);
             // The rename check takes Drive's name into the record, and the copy is named after it.
             run("F1", GDriveFileSynchronizer::Poll);
             fake.addFile("Plan.twkx", "v2", "W", "F1");
             writeTestFile(cachePath("F1"), "mine");
             return run("F1", GDriveFileSynchronizer::Sync);
         }},
        {"uploading a new map",
         [&](const Value& value) {
             GDriveMetadata metadata("N1", "twkx");
             metadata.name = "Idea.twkx";
             metadata.parentIdentifier = "W";
             service->records.update(metadata);
             writeTestFile(cachePath("N1"), "idea");
             fake.forgeField("N1", value.field, value.json);
             return run("N1", GDriveFileSynchronizer::Upload);
         }},
        {"uploading a change",
         [&](const Value& value) {
             plan("v1", "mine", "v1");
             fake.forgeField("F1", value.field, value.json);
             return run("F1", GDriveFileSynchronizer::Upload);
         }},
        {"a record file naming the cache file",
         [&](const Value& value) {
             // The record file keeps what an answer carried; a value that is no text stands as one.
             const std::map<std::string, std::string> kept = {
                 {"fileExtension", "ext"}, {"name", "title"}, {"parents", "parent"}, {"id", "id"}};
             std::map<std::string, std::string> attributes = {{"id", "R1"}, {"ext", "twkx"}, {"md5", md5Of("v1")}};
             const size_t quote = value.json.find('"');
             attributes[kept.at(value.field)] = value.json.substr(quote + 1, value.json.rfind('"') - quote - 1);
             std::string file = "<file";
             for (const auto& [name, text] : attributes) file += " " + name + "=\"" + text + "\"";
             file += "/>";
             writeTestFile(home.file("gdrive-file-info-cache.xml"), "<file-cache>" + file + "</file-cache>");
             service->records.load();
             fake.addFile("Record.twkx", "v2", "W", "R1");
             sync->getMostRecentVersionForFileId("R1", {});
             EXPECT_TRUE(MainLoop::runUntil([&] { return !sync->busy(); }, 20));
             return completions.done.back().second;
         }},
    };
    for (const Road& road : roads) {
        for (const Value& value : values) {
            SCOPED_TRACE(std::string(road.what) + ": " + value.field + " " + value.json.substr(0, 40));
            const std::set<std::string> before = entriesBelow(home.path());
            const size_t answered = completions.done.size();
            road.run(value);
            EXPECT_GT(completions.done.size(), answered);
            for (const std::string& entry : entriesBelow(home.path())) {
                if (before.count(entry)) continue;
                const fs::path path(entry);
                const bool cacheFile =
                    entry.back() != '/' && (path.parent_path() == cacheRoot || path.parent_path() == home.path());
                EXPECT_TRUE(cacheFile) << entry << " is no cache file";
                // The next case starts from a clean home.
                if (!cacheFile) fs::remove_all(entry.back() == '/' ? path.parent_path() : path);
            }
            EXPECT_EQ(entriesBelow(temporary.path()), std::set<std::string>{});
            fake.clearForgedFields();
            for (const char* gdriveId : {"F1", "H1", "N1", "R1"}) {
                fake.remove(gdriveId);
                fs::remove(cacheRoot / GDriveCacheFileName(gdriveId, "twkx"));
            }
            service->records.clear();
            editor->storage.reset();
        }
    }
}

TEST_F(GDriveSynchronizerTest, AFileWhoseIdMakesALongNameIsCachedUnderAShortenedOne)
{
    const std::string longId(200, 'L');
    fake.addFile("Long.twkx", "v1", "W", longId);
    sync->getMostRecentVersionForFileId(longId, {});
    ASSERT_TRUE(MainLoop::runUntil([&] { return !sync->busy(); }, 20));
    EXPECT_EQ(completions.done.back().second, "");
    EXPECT_EQ(cached(longId), "v1");
    EXPECT_LE(fs::path(cachePath(longId)).filename().string().size(), 255u);
    // The same name after a restart, so the next run finds the copy.
    service->records.save();
    service->records.load();
    fake.addFile("Long.twkx", "v2", "W", longId);
    EXPECT_EQ(run(longId, GDriveFileSynchronizer::Poll), "");
    EXPECT_EQ(cached(longId), "v2");
    EXPECT_EQ(recordedMd5(longId), md5Of("v2"));
}

TEST_F(GDriveSynchronizerTest, ADownloadOutlivesPassingTroubleOnDrivesSideAndSaysWhenItStays)
{
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::string told;
    };
    const Case cases[] = {
        {"one 500", [&] { fake.failNextAsDrive("files.media", 500); }, ""},
        {"502 then 504 with Retry-After",
         [&] {
             fake.failNextAsDrive("files.media", 502);
             fake.failNextAsDrive("files.media", 504, 1, 3);
         },
         ""},
        {"a rate limit on the metadata", [&] { fake.failNextAsDrive("files.get", 403, 2, std::nullopt, ""); }, ""},
        {"500 that stays", [&] { fake.failNextAsDrive("files.media", 500, 4); },
         formatText(localized("gdrive_server_error_retried"), {"500", "4"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake.remove("F1");
        service->records.clear();
        plan("v2", "v1", "v1");
        c.arrange();
        EXPECT_EQ(run("F1", GDriveFileSynchronizer::Poll), c.told);
        EXPECT_EQ(cached("F1"), c.told.empty() ? "v2" : "v1");
    }
}
