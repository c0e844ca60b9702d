#pragma once

#include "GoogleDrive/GDriveClient.h"
#include "GoogleDrive/GDriveSynchronizer.h"
#include "GoogleDrive/GDriveTaskService.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class GDriveFileInfoItem;
class GDriveSimpleTasks;
class Timer;

class GDriveTaskCompletedDelegate {
public:
    virtual ~GDriveTaskCompletedDelegate() = default;
    // The delegate may drop the task.
    virtual void gdriveTaskCompleted(GDriveSimpleTasks& task) = 0;
};

// One folder or file operation the user started in the Drive explorer: add a folder, rename,
// delete or move. The caches follow Drive's answer, the explorer hears of the changed folders and
// the feedback centre of the outcome; the delegate hears at the end, except when the task was busy.
// Maps never uploaded live only in the caches, so their rename, delete and move stay local. One
// object a operation. Main thread only.
class GDriveSimpleTasks : public GDriveTask {
public:
    static constexpr const char* FolderFields = "id,mimeType,name,parents,trashed";

    GDriveSimpleTasks(GDriveTaskService& service, GDriveTaskCompletedDelegate* delegate);
    ~GDriveSimpleTasks() override;
    GDriveSimpleTasks(const GDriveSimpleTasks&) = delete;
    GDriveSimpleTasks& operator=(const GDriveSimpleTasks&) = delete;

    bool busy() const override { return _call.isPending(); }
    // Stops the running query; the delegate hears nothing more.
    void cancel() override;

    void addFolder(const std::string& name, const std::string& parentFolderId);
    void renameFile(const std::string& gdriveId, bool isFolder, const std::string& newName,
                    const std::string& parentFolderId);
    void deleteFile(const std::string& gdriveId, bool isFolder, const std::string& parentFolderId);
    void moveFile(const std::string& gdriveId, bool isFolder, const std::string& fromFolder,
                  const std::string& toFolder);

private:
    bool performSanityCheck(bool needsNetwork, const std::string& errorTitle);
    void taskCompletedWithError(const std::string& errorTitle, const std::string& message);
    void succeeded(const std::string& title, const std::string& message);
    void completed();
    void handleMoveError(const std::string& gdriveId, bool isFolder, const std::string& parentFolder,
                         const GDriveError& error);
    void syncCurrentStorageWhenContainedByFolderId(const std::string& folderId);
    // A record of a map made here and never uploaded; nullptr for folders and Drive's files.
    GDriveFileInfoItem* newFileRecord(const std::string& gdriveId, bool isFolder);

    GDriveTaskService& _service;
    GDriveTaskCompletedDelegate* _delegate;
    GDriveCall _call;
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
};

// The user's Drive operations: at most one runs, and none while the shared downloader works; a
// request meanwhile does nothing and says nothing. A finished task is let go on the next turn of
// the main loop, never inside its own callback.
class GDriveUserTasks : public GDriveTaskCompletedDelegate {
public:
    // downloaderBusy: whether the shared downloader works; changed: a task started or ended.
    explicit GDriveUserTasks(std::function<bool()> downloaderBusy = {}, std::function<void()> changed = {});
    ~GDriveUserTasks() override;
    GDriveUserTasks(const GDriveUserTasks&) = delete;
    GDriveUserTasks& operator=(const GDriveUserTasks&) = delete;

    bool busy() const;
    size_t count() const { return _running.size(); }
    // A task reporting here, or nullptr when another runs.
    GDriveSimpleTasks* startSimpleTask(GDriveTaskService& service);
    // Takes a task whose delegate calls finished(); false (and the task dropped) when another runs.
    bool add(std::unique_ptr<GDriveTask> task);
    void finished(GDriveTask* task);
    // At quit: every running task stops without reporting.
    void cancelAll();

    void gdriveTaskCompleted(GDriveSimpleTasks& task) override { finished(&task); }

private:
    std::function<bool()> _downloaderBusy;
    std::function<void()> _changed;
    std::vector<std::unique_ptr<GDriveTask>> _running;
    std::vector<std::unique_ptr<GDriveTask>> _finished;
    std::unique_ptr<Timer> _release;
};
