#pragma once

#include <string>

class GDriveClient;
class GDriveFileInfoCache;
class GDriveFolderCache;
class GDriveProvider;

// What the explorer's tasks (the lister, the path resolver, the folder and file tasks) need of the
// Google Drive service, which implements it.
class GDriveTaskService {
public:
    virtual ~GDriveTaskService() = default;

    // Signed in and set up.
    virtual bool isLinked() const = 0;
    // A sign-in is held, even when the set-up has not finished.
    virtual bool isAuthorized() const = 0;
    // None while signed out.
    virtual GDriveClient* driveClient() = 0;
    virtual GDriveProvider* provider() = 0;
    virtual GDriveFileInfoCache& fileInfo() = 0;
    virtual GDriveFolderCache& folderCache() = 0;
    // The sign-in was refused: the user is asked to sign in again.
    virtual void reauthorize() = 0;
    // The file is gone on Drive: its copy, records, thumbnail and editor history go.
    virtual void deleteLocalFile(const std::string& gdriveId, const std::string& parentFolderId) = 0;
    virtual void highPrioritySynchronizeFile(const std::string& gdriveId) = 0;
    virtual void dispatchFolderChanged(const std::string& folderId) = 0;
    // The name, or the first "name (n)" no sub-folder of the parent has.
    virtual std::string uniqueFolderName(const std::string& name, const std::string& parentFolderId) = 0;
};
