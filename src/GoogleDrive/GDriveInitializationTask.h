#pragma once

#include "GoogleDrive/GDriveClient.h"
#include "platform/Scheduler.h"

#include <functional>
#include <string>
#include <vector>

class GDriveFolderCache;
class GDriveInitializationTask;

class GDriveInitializationTaskDelegate {
public:
    virtual ~GDriveInitializationTaskDelegate() = default;
    // Told once, unless the task was cancelled.
    virtual void initializationTaskCompleted(GDriveInitializationTask* task, bool success) = 0;
    // Another account is behind the sign-in: what was cached for the previous one goes.
    virtual void dropPersonality() = 0;
};

// Makes sure the Drive account has the application's folder tree ("Tarnwick" in My Drive with its
// media and export folders) and learns My Drive's real id, noticing a change of account. Offline it
// works from the folder cache alone once that knows My Drive. Main thread only.
class GDriveInitializationTask {
public:
    enum State : unsigned {
        Started = 0,
        RootKnown = 1,
        ListingRoot = 2,
        CreatingApplicationFolder = 3,
        ApplicationFolderKnown = 4,
        ListingApplicationFolder = 5,
        CreatingSubFolders = 6,
    };
    static constexpr const char* ApplicationFolderName = "Tarnwick";
    static constexpr const char* FolderFields = "id,mimeType,name,parents,trashed";
    // Steps follow each other this long after an answer (seconds).
    static constexpr double StepDelay = 0.005;
    static constexpr double StepDelayAfterCreation = 0.001;

    GDriveInitializationTask(GDriveInitializationTaskDelegate& delegate, GDriveClient& client,
                             GDriveFolderCache& folders, Scheduler& scheduler);

    // Tests decide whether the network is up; by default the network controller asks the desktop.
    void setNetworkAvailable(std::function<bool()> available) { _networkAvailable = std::move(available); }

    void execute();
    // Stops the running call; the delegate is not told.
    void cancel();
    // Ends with failure.
    void terminate();

    State state() const { return _state; }
    const std::string& tarnWickFolderId() const { return _tarnWickFolderId; }
    const std::vector<std::string>& subFoldersToCheck() const { return _subFoldersToCheck; }
    bool busy() const { return _running; }
    std::string stateAsString() const { return {}; }

private:
    void completed(bool success);
    void after(double delay, std::function<void()> step);
    bool mayGoOnline();
    void checkGDriveRoot();
    void checkTarnwickFolder();
    void checkSubFolders();
    void createSubFolders();
    void listFolders(const std::string& parentId);
    void createFolder(const std::string& name, const std::string& parentId);
    void folderCreated(const GDriveMetadata& answered, const std::string& name, const std::string& parentId);

    GDriveInitializationTaskDelegate& _delegate;
    GDriveClient& _client;
    GDriveFolderCache& _folders;
    Scheduler& _scheduler;
    std::function<bool()> _networkAvailable;
    std::vector<std::string> _subFoldersToCheck;
    State _state = Started;
    std::string _tarnWickFolderId;
    bool _running = false;
    GDriveCall _serviceTicket;
    ScheduledCall _nextStep;
};
