#include "Editor/FeedbackCenter.h"
#include "dropbox/DropboxFileTasks.h"
#include "dropbox/DropboxNonNativeConversionTask.h"
#include "dropbox/DropboxService.h"
#include "platform/Localizer.h"
#include "store/CustomImageStore.h"
#include "store/EditorInterface.h"

// The user tasks that change the Dropbox tree: each ends its user task from its callback.

void Dropbox::deleteFromDropbox(const std::string& dbPath, bool isDirectory)
{
    if (userTaskBusy()) return;
    auto task = std::make_shared<DropboxDeleteTask>(
        *this, [this](const std::string&, DropboxFileTask& done) { userTaskCompleted(&done); });
    userTaskStarted(task);
    task->deleteFromDropbox(dbPath, isDirectory);
}

void Dropbox::moveSourcePath(const std::string& sourcePath, const std::string& targetPath, bool isDirectory)
{
    if (userTaskBusy()) return;
    EditorInterfaceInstance()->commitEditor();
    auto task = std::make_shared<DropboxMoveTask>(
        *this, [this](const std::string&, DropboxFileTask& done) { userTaskCompleted(&done); });
    userTaskStarted(task);
    task->moveSourcePath(sourcePath, targetPath, isDirectory);
}

void Dropbox::addFolder(const std::string& dbPath)
{
    if (userTaskBusy()) return;
    auto task = std::make_shared<DropboxAddFolderTask>(
        *this, [this](const std::string&, DropboxFileTask& done) { userTaskCompleted(&done); });
    userTaskStarted(task);
    task->addFolder(dbPath);
}

void Dropbox::convertNonNativeMindMap(const std::string& dbPath)
{
    if (userTaskBusy()) return;
    auto task = std::make_shared<DropboxNonNativeConversionTask>(
        *this,
        [this](const std::string& source, const std::string& created, const std::string& error,
               DropboxNonNativeConversionTask& done) {
            if (error.empty() && !created.empty()) {
                // The new map's copy is in the cache already: it opens without a download.
                EditorInterfaceInstance()->openStorage(_provider.get(), created, {});
            } else {
                FeedbackCenter::feedbackCenter().showEditorNotification(
                    localized("error_unable_to_convert_to_native_mind_map"), formatText("%@\n%@", {error, source}),
                    FeedbackStateError);
            }
            userTaskCompleted(&done);
        });
    userTaskStarted(task);
    task->convertNonNativeMindMap(dbPath);
}

std::shared_ptr<const Image> Dropbox::getThumbnailForPath(const std::string& dbPath)
{
    if (!_thumbnailImages) return nullptr;
    return _thumbnailImages->customImageWithHash(DropboxFileInfoItem::thumbnailHashForPath(dbPath));
}
