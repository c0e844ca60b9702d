#include "DropboxTaskFixture.h"

#include "dropbox/DropboxFileTasks.h"
#include "dropbox/DropboxStorage.h"
#include "platform/Localizer.h"

namespace fs = std::filesystem;

namespace {

struct DropboxFileTasksTest : DropboxTaskFixture {
    std::vector<std::string> completed;
    DropboxFileTask::Completion completion = [this](const std::string& path, DropboxFileTask&) {
        completed.push_back(path);
    };

    DropboxFileTasksTest()
    {
        fake.putFile("/A/Plan.twkx", "plan");
        fake.putFile("/A/a.twkx", "a");
        fake.putFile("/B/a.twkx", "b");
        fake.makeFolder("/A/Sub");
        fake.clearLog();
    }

    template <class Task> void runToEnd(Task& task)
    {
        EXPECT_TRUE(waitFor([&] { return !task.busy(); }));
    }

    std::string success(const char* key, const std::string& message)
    {
        return localized(key) + " | " + message + " | 0";
    }
    std::string failure(const char* key, const std::string& path, const std::string& error)
    {
        return localized(key) + " | " + path + "\n" + error + " | 2";
    }
    // The items the feedback centre logged, newest last.
    std::vector<std::string> logged() const
    {
        std::vector<std::string> lines;
        for (const auto& item : FeedbackCenter::feedbackCenter().items())
            lines.push_back(item->title() + " | " + item->message() + " | " + std::to_string(item->state()));
        std::reverse(lines.begin(), lines.end());
        return lines;
    }
};

} // namespace

TEST_F(DropboxFileTasksTest, DeleteOutcomes)
{
    struct Case {
        const char* name;
        std::function<void(DropboxFileTasksTest&)> arrange;
        std::string path;
        bool isDirectory;
        std::function<std::string(DropboxFileTasksTest&)> message;
        std::vector<std::string> routes;
        bool goneLocally;
    };
    const std::vector<Case> cases = {
        {"a file",
         [](DropboxFileTasksTest& t) { t.syncedFile("/A/Plan.twkx"); },
         "/A/Plan.twkx",
         false,
         [](DropboxFileTasksTest& t) { return t.success("dropbox_delete_success", "/A/Plan.twkx"); },
         {"files/delete_v2"},
         true},
        {"a folder",
         [](DropboxFileTasksTest& t) { t.syncedFile("/A/Sub/in.twkx"); },
         "/A/Sub",
         true,
         [](DropboxFileTasksTest& t) { return t.success("dropbox_delete_success", "/A/Sub"); },
         {"files/delete_v2"},
         true},
        {"gone from the server already",
         [](DropboxFileTasksTest& t) { t.syncedFile("/A/Gone.twkx"); },
         "/A/Gone.twkx",
         false,
         [](DropboxFileTasksTest& t) { return t.success("dropbox_delete_success", "/A/Gone.twkx"); },
         {"files/delete_v2"},
         true},
        {"never uploaded, while offline",
         [](DropboxFileTasksTest& t) {
             t.syncedFile("/A/Fresh.twkx", "new", true);
             t.network.set(false);
             NetworkController::networkAvailable();
         },
         "/A/Fresh.twkx",
         false,
         [](DropboxFileTasksTest& t) { return t.success("dropbox_delete_success", "/A/Fresh.twkx"); },
         {},
         true},
        {"offline",
         [](DropboxFileTasksTest& t) {
             t.syncedFile("/A/Plan.twkx");
             t.network.set(false);
             NetworkController::networkAvailable();
         },
         "/A/Plan.twkx",
         false,
         [](DropboxFileTasksTest& t) {
             return t.failure("db_delete_error_title", "/A/Plan.twkx", localized("no_network_available"));
         },
         {},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        network.set(true);
        NetworkController::networkAvailable();
        fake.clearLog();
        completed.clear();
        c.arrange(*this);
        DropboxDeleteTask task(*service, completion);
        task.deleteFromDropbox(c.path, c.isDirectory);
        runToEnd(task);
        EXPECT_EQ(completed, std::vector<std::string>{c.path});
        EXPECT_EQ(logged().back(), c.message(*this));
        EXPECT_EQ(routesAsked(), c.routes);
        const std::string probe = c.isDirectory ? c.path + "/in.twkx" : c.path;
        EXPECT_EQ(!fs::exists(cacheFile(probe)), c.goneLocally);
        EXPECT_EQ(service->fileInfo().get(probe) == nullptr, c.goneLocally);
        EXPECT_TRUE(FeedbackCenter::feedbackCenter().progressStack().empty());
    }
}

TEST_F(DropboxFileTasksTest, ASecondStartWhileBusyAnswersAtOnceAndTheFirstGoesOn)
{
    syncedFile("/A/Plan.twkx");
    DropboxDeleteTask task(*service, completion);
    task.deleteFromDropbox("/A/Plan.twkx", false);
    EXPECT_TRUE(task.busy());
    EXPECT_EQ(task.stateAsString(), localized("db_delete_progress"));
    task.deleteFromDropbox("/A/a.twkx", false);
    EXPECT_EQ(completed, std::vector<std::string>{"/A/a.twkx"});
    runToEnd(task);
    EXPECT_EQ(completed, (std::vector<std::string>{"/A/a.twkx", "/A/Plan.twkx"}));
    EXPECT_FALSE(fake.fileContents("/A/Plan.twkx"));
    EXPECT_TRUE(fake.fileContents("/A/a.twkx"));
}

TEST_F(DropboxFileTasksTest, MovingOntoATakenNameFollowsTheServersNameEverywhere)
{
    const std::string cached = syncedFile("/A/a.twkx", "a");
    auto storage = service->provider()->createStorage("/A/a.twkx", false);
    ASSERT_TRUE(storage);
    DropboxMoveTask task(*service, completion);
    task.moveSourcePath("/A/a.twkx", "/B/a.twkx", false);
    EXPECT_EQ(task.stateAsString(), "Metadata");
    runToEnd(task);

    EXPECT_EQ(fake.fileContents("/B/a (1).twkx"), "a");
    EXPECT_EQ(logged().back(), success("dropbox_move_success", "/A/a.twkx\n/B/a (1).twkx"));
    EXPECT_EQ(storage->id(), "/B/a (1).twkx");
    EXPECT_EQ(editor->log.back(), "renamed /A/a.twkx -> /B/a (1).twkx");
    EXPECT_TRUE(service->fileInfo().get("/B/a (1).twkx"));
    EXPECT_FALSE(service->fileInfo().get("/A/a.twkx"));
    EXPECT_FALSE(fs::exists(cached));
    EXPECT_TRUE(fs::exists(cacheFile("/B/a (1).twkx")));
    EXPECT_EQ(routesAsked(), (std::vector<std::string>{"files/get_metadata", "files/move_v2"}));
    storage->dispose();
}

TEST_F(DropboxFileTasksTest, RenamesOfFoldersAndLetterCaseKeepTheCachedContent)
{
    const std::string inside = syncedFile("/A/Sub/in.twkx", "inside");
    fake.putFile("/A/Sub/in.twkx", "inside");
    DropboxMoveTask folderMove(*service, completion);
    folderMove.moveSourcePath("/A/Sub", "/A/Renamed", true);
    EXPECT_EQ(folderMove.stateAsString(), "Moving");
    runToEnd(folderMove);
    EXPECT_FALSE(fs::exists(inside));
    EXPECT_TRUE(fs::exists(cacheFile("/A/Renamed/in.twkx")));
    EXPECT_TRUE(service->fileInfo().get("/A/Renamed/in.twkx"));

    const std::string plan = syncedFile("/A/Plan.twkx", "plan");
    DropboxMoveTask caseOnly(*service, completion);
    caseOnly.moveSourcePath("/A/Plan.twkx", "/A/PLAN.twkx", false);
    runToEnd(caseOnly);
    EXPECT_TRUE(fs::exists(plan));
    EXPECT_EQ(service->fileInfo().get("/a/plan.twkx")->path(), "/A/PLAN.twkx");
    EXPECT_EQ(editor->log.back(), "renamed /A/Plan.twkx -> /A/PLAN.twkx");
}

TEST_F(DropboxFileTasksTest, MoveRefusalsAndVanishedSources)
{
    struct Case {
        const char* name;
        std::function<void(DropboxFileTasksTest&)> arrange;
        std::string source;
        bool isDirectory;
        std::string error;
        bool goneLocally;
    };
    const std::vector<Case> cases = {
        {"never uploaded", [](DropboxFileTasksTest& t) { t.syncedFile("/A/Fresh.twkx", "x", true); }, "/A/Fresh.twkx",
         false, localized("db_new_file_move_error"), false},
        {"a file gone from the server", [](DropboxFileTasksTest& t) { t.syncedFile("/A/Gone.twkx"); }, "/A/Gone.twkx",
         false, localized("db_file_not_found"), true},
        {"a folder gone from the server", [](DropboxFileTasksTest& t) { t.syncedFile("/A/Old/in.twkx"); }, "/A/Old",
         true, localized("db_directory_not_found"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        completed.clear();
        c.arrange(*this);
        DropboxMoveTask task(*service, completion);
        task.moveSourcePath(c.source, "/B/x", c.isDirectory);
        runToEnd(task);
        EXPECT_EQ(completed, std::vector<std::string>{c.source});
        EXPECT_EQ(logged().back(), failure("dropbox_move_error", c.source, c.error));
        const std::string probe = c.isDirectory ? c.source + "/in.twkx" : c.source;
        EXPECT_EQ(!fs::exists(cacheFile(probe)), c.goneLocally);
    }
}

TEST_F(DropboxFileTasksTest, AddingAFolderWhoseNameIsTakenReportsTheServersName)
{
    DropboxAddFolderTask task(*service, completion);
    task.addFolder("/A/Sub");
    EXPECT_EQ(task.stateAsString(), localized("db_creating_folder_progress"));
    runToEnd(task);
    EXPECT_EQ(completed, std::vector<std::string>{"/A/Sub (1)"});
    EXPECT_EQ(logged().back(), success("dropbox_add_folder_success", "/A/Sub (1)"));
    EXPECT_TRUE(fake.displayPath("/A/Sub (1)"));
}

TEST_F(DropboxFileTasksTest, NotLinkedEveryTaskFailsWithoutARequest)
{
    unlink();
    DropboxDeleteTask deleting(*service, completion);
    deleting.deleteFromDropbox("/A/Plan.twkx", false);
    DropboxMoveTask moving(*service, completion);
    moving.moveSourcePath("/A/Plan.twkx", "/B/Plan.twkx", false);
    DropboxAddFolderTask adding(*service, completion);
    adding.addFolder("/C");
    EXPECT_EQ(completed, (std::vector<std::string>{"/A/Plan.twkx", "/A/Plan.twkx", "/C"}));
    EXPECT_EQ(logged().back(), failure("dropbox_add_folder_error", "/C", localized("db_disconnected_state")));
    EXPECT_TRUE(routesAsked().empty());
}

TEST_F(DropboxFileTasksTest, AnAnswerAfterCancelChangesNothingForEachTask)
{
    syncedFile("/A/Plan.twkx");
    syncedFile("/A/a.twkx");
    fake.setDelay(0.2);
    DropboxDeleteTask deleting(*service, completion);
    deleting.deleteFromDropbox("/A/Plan.twkx", false);
    DropboxMoveTask moving(*service, completion);
    moving.moveSourcePath("/A/a.twkx", "/B/z.twkx", false);
    DropboxAddFolderTask adding(*service, completion);
    adding.addFolder("/C");
    deleting.cancel();
    moving.cancel();
    adding.cancel();
    EXPECT_TRUE(FeedbackCenter::feedbackCenter().progressStack().empty());
    MainLoop::runUntil([] { return false; }, 0.6);
    EXPECT_TRUE(completed.empty());
    EXPECT_TRUE(service->fileInfo().get("/A/Plan.twkx"));
    EXPECT_TRUE(service->fileInfo().get("/A/a.twkx"));
    EXPECT_TRUE(fs::exists(cacheFile("/A/Plan.twkx")));
}

TEST_F(DropboxFileTasksTest, TheServiceRunsOneUserTaskAtATimeAndEndsIt)
{
    syncedFile("/A/Plan.twkx");
    service->deleteFromDropbox("/A/Plan.twkx", false);
    EXPECT_TRUE(Dropbox::userTaskBusy());
    service->addFolder("/C");
    ASSERT_TRUE(waitFor([] { return !Dropbox::userTaskBusy(); }));
    EXPECT_FALSE(fake.displayPath("/C"));
    EXPECT_FALSE(fake.fileContents("/A/Plan.twkx"));

    service->moveSourcePath("/A/a.twkx", "/A/b.twkx", false);
    EXPECT_EQ(editor->log.back(), "commit");
    ASSERT_TRUE(waitFor([] { return !Dropbox::userTaskBusy(); }));
    EXPECT_TRUE(fake.fileContents("/A/b.twkx"));
}
