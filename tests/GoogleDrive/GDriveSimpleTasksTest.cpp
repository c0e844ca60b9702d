#include "GoogleDrive/GDriveSimpleTasks.h"
#include "GDriveTaskDouble.h"
#include "platform/Localizer.h"
#include "store/EditorInterface.h"
#include "store/MindMapStorage.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct RenameEditor : NullEditorInterface {
    std::vector<std::string> log;
    MindMapStorage* storage = nullptr;
    MindMapStorage* currentStorage() override { return storage; }
    void mindMapRenamed(MindMapProvider*, const std::string& oldId, const std::string& newId) override
    {
        log.push_back("renamed " + oldId + " -> " + newId);
    }
};

struct GDriveSimpleTasksTest : GDriveTaskFixture, GDriveTaskCompletedDelegate {
    std::shared_ptr<RenameEditor> editor = std::make_shared<RenameEditor>();
    std::unique_ptr<GDriveSimpleTasks> task;
    int completions = 0;
    std::string docs;
    std::string archive;

    GDriveSimpleTasksTest()
    {
        SetEditorInterfaceInstance(editor);
        // My Drive holds Docs (Plan.twkx, Sub) and Archive.
        docs = fake.addFolder("Docs", "", "DocsId");
        archive = fake.addFolder("Archive", "", "ArchiveId");
        fake.addFolder("Sub", docs, "SubId");
        fake.addFile("Plan.twkx", "zip", docs, "PlanId");
        service.folders.updateFolder(service.folders.rootFolder(),
                                     {folderEntry("DocsId", "Docs"), folderEntry("ArchiveId", "Archive")}, false);
        service.folders.updateFolder(service.folders.get("DocsId"), {folderEntry("SubId", "Sub")}, false);
        record("PlanId", "Plan.twkx", docs, false);
        newTask();
        fake.clearLog();
    }
    ~GDriveSimpleTasksTest() override { SetEditorInterfaceInstance(nullptr); }

    void gdriveTaskCompleted(GDriveSimpleTasks& done) override
    {
        EXPECT_EQ(&done, task.get());
        ++completions;
    }

    void newTask()
    {
        task = std::make_unique<GDriveSimpleTasks>(service, this);
        completions = 0;
        told.shown.clear();
        service.log.clear();
        editor->log.clear();
    }

    void finish()
    {
        EXPECT_TRUE(driveUntil([&] { return completions > 0; }));
        EXPECT_EQ(completions, 1);
        EXPECT_FALSE(task->showsProgress());
    }

    std::vector<std::string> routes() const
    {
        std::vector<std::string> asked;
        for (const auto& request : fake.requests())
            if (request.route.rfind("oauth", 0) != 0) asked.push_back(request.route);
        return asked;
    }

    std::string latestFeedback() const
    {
        const auto& items = FeedbackCenter::feedbackCenter().items();
        return items.empty() ? "" : items.front()->title() + " | " + items.front()->message();
    }

    static std::string failure(const char* title, const std::string& message)
    {
        return localized(title) + " | " + message + " | 2";
    }
};

TEST_F(GDriveSimpleTasksTest, AddsAFolderUnderAUniqueName)
{
    told.progressTitles.clear();
    task->addFolder("Sub", docs);
    finish();
    EXPECT_EQ(told.progressTitles, std::vector<std::string>{localized("gdrive_creating_folder_progress")});
    EXPECT_NE(localized("gdrive_creating_folder_progress").find("Google Drive"), std::string::npos);
    const auto made = fake.idsNamed("Sub (1)");
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(fake.file(made[0])->mimeType, "application/vnd.google-apps.folder");
    EXPECT_EQ(fake.file(made[0])->parents, std::vector<std::string>{docs});
    EXPECT_EQ(service.folders.buildFolderPath(made[0]), "Docs/Sub (1)");
    EXPECT_EQ(service.log, std::vector<std::string>{"changed " + docs});
    EXPECT_EQ(latestFeedback(), localized("gdrive_add_folder_success_title") + " | Docs/Sub (1)");
    EXPECT_TRUE(told.shown.empty());
}

TEST_F(GDriveSimpleTasksTest, RenamesOnDriveAndInTheCaches)
{
    struct Case {
        std::string id;
        bool isFolder;
        std::string name;
    };
    const Case cases[] = {{"PlanId", false, "plan"}, {"SubId", true, "Chapters"}};
    for (const Case& c : cases) {
        newTask();
        task->renameFile(c.id, c.isFolder, c.name, docs);
        finish();
        EXPECT_EQ(fake.file(c.id)->name, c.name);
        EXPECT_EQ(latestFeedback(), localized("gdrive_rename_success_title") + " | " + c.name);
        EXPECT_EQ(service.log, std::vector<std::string>{"changed " + docs});
    }
    EXPECT_EQ(service.records.get("PlanId")->name(), "plan");
    EXPECT_EQ(service.folders.get("SubId")->name(), "Chapters");
}

TEST_F(GDriveSimpleTasksTest, MapsNeverUploadedChangeOnlyInTheCaches)
{
    record("LocalId", "Local.twkx", docs, true);
    network.set(false);

    task->renameFile("LocalId", false, "Renamed.twkx", docs);
    finish();
    EXPECT_EQ(service.records.get("LocalId")->name(), "Renamed.twkx");
    EXPECT_EQ(editor->log, std::vector<std::string>{"renamed LocalId -> LocalId"});
    EXPECT_EQ(service.log, std::vector<std::string>{"changed " + docs});

    // Moving needs the network first, even for a local map.
    newTask();
    task->moveFile("LocalId", false, docs, archive);
    finish();
    EXPECT_EQ(told.shown, std::vector<std::string>{failure("gdrive_move_error", localized("no_network_available"))});
    network.set(true);
    newTask();
    task->moveFile("LocalId", false, docs, archive);
    finish();
    EXPECT_EQ(service.records.get("LocalId")->parentId(), archive);
    EXPECT_TRUE(service.log.empty());
    network.set(false);

    newTask();
    task->deleteFile("LocalId", false, archive);
    finish();
    EXPECT_EQ(service.records.get("LocalId"), nullptr);
    EXPECT_EQ(service.log, std::vector<std::string>{"deleteLocal LocalId in " + archive});
    EXPECT_TRUE(routes().empty());
}

TEST_F(GDriveSimpleTasksTest, OperationsThatCannotRunFailWithTheirTitle)
{
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::function<void(GDriveSimpleTasks&)> start;
        std::string told;
    };
    const std::string noNetwork = localized("no_network_available");
    const std::string disconnected = localized("gdrive_disconnected_state");
    auto offline = [this] { network.set(false); };
    auto unlinked = [this] { service.linked = false; };
    const Case cases[] = {
        {"add offline", offline, [&](auto& t) { t.addFolder("New", docs); },
         failure("gdrive_create_folder_error", noNetwork)},
        {"rename offline", offline, [&](auto& t) { t.renameFile("PlanId", false, "X", docs); },
         failure("gdrive_rename_error", noNetwork)},
        {"delete offline", offline, [&](auto& t) { t.deleteFile("PlanId", false, docs); },
         failure("gdrive_delete_error", noNetwork)},
        {"move offline", offline, [&](auto& t) { t.moveFile("PlanId", false, docs, archive); },
         failure("gdrive_move_error", noNetwork)},
        {"add unlinked", unlinked, [&](auto& t) { t.addFolder("New", docs); },
         failure("gdrive_create_folder_error", disconnected)},
        {"rename unlinked", unlinked, [&](auto& t) { t.renameFile("PlanId", false, "X", docs); },
         failure("gdrive_rename_error", disconnected)},
        {"delete unlinked", unlinked, [&](auto& t) { t.deleteFile("PlanId", false, docs); },
         failure("gdrive_delete_error", disconnected)},
        {"move unlinked", unlinked, [&](auto& t) { t.moveFile("PlanId", false, docs, archive); },
         failure("gdrive_move_error", disconnected)},
    };
    for (const Case& c : cases) {
        network.set(true);
        service.linked = true;
        newTask();
        c.arrange();
        c.start(*task);
        EXPECT_EQ(completions, 1) << c.name;
        EXPECT_EQ(told.shown, std::vector<std::string>{c.told}) << c.name;
    }
    EXPECT_TRUE(routes().empty());
}

TEST_F(GDriveSimpleTasksTest, ABusyTaskRefusesSilently)
{
    fake.setDelay(0.2);
    task->renameFile("PlanId", false, "First.twkx", docs);
    ASSERT_TRUE(task->busy());
    task->deleteFile("PlanId", false, docs);
    task->addFolder("New", docs);
    EXPECT_EQ(completions, 0);
    EXPECT_TRUE(told.shown.empty());
    finish();
    EXPECT_EQ(fake.file("PlanId")->name, "First.twkx");
}

TEST_F(GDriveSimpleTasksTest, DeletesFromDriveAndANotFoundCountsAsDone)
{
    struct Case {
        const char* name;
        bool goneAlready;
    };
    for (const Case c : {Case{"present", false}, Case{"gone", true}}) {
        fake.addFile("Old.twkx", "zip", docs, "OldId");
        record("OldId", "Old.twkx", docs, false);
        if (c.goneAlready) fake.remove("OldId");
        newTask();
        told.progressTitles.clear();
        task->deleteFile("OldId", false, docs);
        finish();
        EXPECT_EQ(told.progressTitles, std::vector<std::string>{localized("gdrive_delete_progress")}) << c.name;
        EXPECT_NE(localized("gdrive_delete_progress").find("Google Drive"), std::string::npos);
        EXPECT_FALSE(fake.file("OldId")) << c.name;
        EXPECT_EQ(service.log, std::vector<std::string>{"deleteLocal OldId in " + docs}) << c.name;
        EXPECT_EQ(latestFeedback(), localized("gdrive_delete_success") + " | ") << c.name;
        EXPECT_TRUE(told.shown.empty()) << c.name;
    }
}

TEST_F(GDriveSimpleTasksTest, DeletingTheFolderOfTheOpenMapSynchronisesIt)
{
    // The open map lies in Docs/Sub.
    record("OpenId", "Open.twkx", "SubId", false);
    auto storage = MindMapStorage::create<MindMapStorage>(service.driveProvider.get(), std::string("OpenId"));
    editor->storage = storage.get();

    task->deleteFile(archive, true, root);
    finish();
    EXPECT_EQ(service.log, std::vector<std::string>{"changed " + root});
    EXPECT_EQ(service.folders.get(archive), nullptr);

    newTask();
    task->deleteFile(docs, true, root);
    finish();
    EXPECT_EQ(service.log, (std::vector<std::string>{"changed " + root, "sync OpenId"}));
    EXPECT_FALSE(fake.file("SubId"));
    editor->storage = nullptr;
    storage->dispose();
}

TEST_F(GDriveSimpleTasksTest, MovesWithDrivesParents)
{
    task->moveFile("PlanId", false, docs, archive);
    finish();
    EXPECT_EQ(fake.file("PlanId")->parents, std::vector<std::string>{archive});
    EXPECT_EQ(routes(), (std::vector<std::string>{"files.get", "files.update"}));
    auto update = parameters(fake.requestsTo("files.update").at(0));
    EXPECT_EQ(update["addParents"], archive);
    EXPECT_EQ(update["removeParents"], docs);
    EXPECT_EQ(service.records.get("PlanId")->parentId(), archive);
    EXPECT_EQ(service.log, (std::vector<std::string>{"changed " + docs, "changed " + archive}));
    EXPECT_EQ(editor->log, std::vector<std::string>{"renamed PlanId -> PlanId"});
    EXPECT_EQ(latestFeedback(), localized("gdrive_move_success") + " | Plan.twkx");

    newTask();
    task->moveFile("SubId", true, docs, archive);
    finish();
    EXPECT_EQ(service.folders.buildFolderPath("SubId"), "Archive/Sub");
}

TEST_F(GDriveSimpleTasksTest, RefusedMovesSayWhy)
{
    struct Case {
        const char* name;
        std::string route;
        int status;
        std::string id;
        bool isFolder;
        std::string message;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {"folder 400", "files.update", 400, "SubId", true, localized("explorer_unable_to_move_folder"), {}},
        {"file 400", "files.update", 400, "PlanId", false, localized("explorer_unable_to_move_file"), {}},
        {"file 404",
         "files.get",
         404,
         "PlanId",
         false,
         localized("gdrive_file_not_found"),
         {"deleteLocal PlanId in DocsId"}},
        {"folder 404", "files.update", 404, "SubId", true, localized("gdrive_folder_not_found"), {}},
    };
    for (const Case& c : cases) {
        newTask();
        fake.failNext(c.route, c.status);
        task->moveFile(c.id, c.isFolder, docs, archive);
        finish();
        EXPECT_EQ(told.shown, std::vector<std::string>{failure("gdrive_move_error", c.message)}) << c.name;
        EXPECT_EQ(service.log, c.log) << c.name;
    }
    EXPECT_EQ(service.folders.get("SubId"), nullptr);
}

TEST_F(GDriveSimpleTasksTest, RenameOfWhatDriveNoLongerHasRepairsTheCaches)
{
    fake.remove("PlanId");
    task->renameFile("PlanId", false, "X.twkx", docs);
    finish();
    EXPECT_EQ(told.shown, std::vector<std::string>{failure("gdrive_rename_error", localized("gdrive_file_not_found"))});
    EXPECT_EQ(service.log, std::vector<std::string>{"deleteLocal PlanId in " + docs});

    fake.remove("SubId");
    newTask();
    task->renameFile("SubId", true, "Y", docs);
    finish();
    EXPECT_EQ(told.shown,
              std::vector<std::string>{failure("gdrive_rename_error", localized("gdrive_folder_not_found"))});
    EXPECT_EQ(service.folders.get("SubId"), nullptr);
}

TEST_F(GDriveSimpleTasksTest, NothingFollowsCancel)
{
    fake.setDelay(0.1);
    task->deleteFile("PlanId", false, docs);
    task->cancel();
    EXPECT_FALSE(task->busy());
    EXPECT_FALSE(task->showsProgress());
    task->addFolder("New", docs);
    task.reset();
    MainLoop::runUntil([] { return false; }, 0.4);
    EXPECT_EQ(completions, 0);
    EXPECT_TRUE(service.log.empty());
}

TEST_F(GDriveSimpleTasksTest, OneUserTaskRunsAtATime)
{
    int changes = 0;
    bool downloading = false;
    GDriveUserTasks tasks([&] { return downloading; }, [&] { ++changes; });
    fake.setDelay(0.1);
    GDriveSimpleTasks* rename = tasks.startSimpleTask(service);
    ASSERT_NE(rename, nullptr);
    rename->renameFile("PlanId", false, "First.twkx", docs);
    // Refused without a word while the rename runs.
    EXPECT_EQ(tasks.startSimpleTask(service), nullptr);
    EXPECT_FALSE(tasks.add(std::make_unique<GDriveSimpleTasks>(service, nullptr)));
    EXPECT_TRUE(told.shown.empty());
    ASSERT_TRUE(driveUntil([&] { return tasks.count() == 0; }));
    EXPECT_EQ(fake.file("PlanId")->name, "First.twkx");
    EXPECT_EQ(changes, 2);

    downloading = true;
    EXPECT_EQ(tasks.startSimpleTask(service), nullptr);
    downloading = false;

    // A task that fails at once is let go after its callback has returned.
    network.set(false);
    GDriveSimpleTasks* offline = tasks.startSimpleTask(service);
    ASSERT_NE(offline, nullptr);
    offline->deleteFile("PlanId", false, docs);
    EXPECT_EQ(tasks.count(), 0u);
    EXPECT_EQ(told.shown, std::vector<std::string>{failure("gdrive_delete_error", localized("no_network_available"))});
    MainLoop::runUntil([] { return false; }, 0.05);

    // At quit the running task stops without a report.
    network.set(true);
    told.shown.clear();
    service.log.clear();
    tasks.startSimpleTask(service)->deleteFile("PlanId", false, docs);
    tasks.cancelAll();
    EXPECT_FALSE(tasks.busy());
    MainLoop::runUntil([] { return false; }, 0.3);
    EXPECT_TRUE(told.shown.empty());
    EXPECT_TRUE(service.log.empty());
}

} // namespace
