#pragma once

#include "GoogleDrive/GDriveClient.h"
#include "GoogleDrive/GDriveTaskService.h"

#include <memory>
#include <string>

class GDriveFileInfoItem;
class GDriveSimpleTasks;

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
class GDriveSimpleTasks {
public:
    static constexpr const char* FolderFields = "id,mimeType,name,parents,trashed";

    GDriveSimpleTasks(GDriveTaskService& service, GDriveTaskCompletedDelegate* delegate);
    ~GDriveSimpleTasks();
    GDriveSimpleTasks(const GDriveSimpleTasks&) = delete;
    GDriveSimpleTasks& operator=(const GDriveSimpleTasks&) = delete;

    bool busy() const { return _call.isPending(); }
    // Stops the running query; the delegate hears nothing more.
    void cancel();
    bool showsProgress() const { return _progress.shown(); }

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
    GDriveTaskProgress _progress;
    GDriveCall _call;
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
};
