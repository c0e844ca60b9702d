#include "Editor/FeedbackCenter.h"
#include "dropbox/DropboxFileTasks.h"
#include "dropbox/DropboxNonNativeConversionTask.h"
#include "dropbox/DropboxService.h"
#include "platform/Localizer.h"
#include "store/CustomImageStore.h"
#include "store/EditorInterface.h"
#include "store/MindMapStorage.h"
#include "store/StorageThumbnail.h"

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
    DropboxFileInfoItem* record = _thumbnailImages ? _fileInfo->get(dbPath) : nullptr;
    if (!record) return nullptr;
    if (std::shared_ptr<const Image> stored = _thumbnailImages->customImageWithHash(record->thumbnailHash()))
        return stored;
    return createThumbnail(*record);
}

// Painted from the cached copy without opening it for the editor, and kept under the record's
// hash until the copy changes; nothing while quitting, when the work would outlive the window.
std::shared_ptr<const Image> Dropbox::createThumbnail(const DropboxFileInfoItem& record)
{
    if (_terminating || !_thumbnailImages || !_provider) return nullptr;
    std::shared_ptr<MindMapStorage> storage = _provider->createTempStorage(record.path());
    if (!storage) return nullptr;
    const std::vector<uint8_t> png = paintStorageThumbnail(*storage);
    storage->dispose();
    Image painted = png.empty() ? Image() : Image::fromData(png);
    if (painted.isNull()) return nullptr;
    _thumbnailImages->importImageWithExternalHash(painted, record.thumbnailHash());
    return std::make_shared<const Image>(std::move(painted));
}
