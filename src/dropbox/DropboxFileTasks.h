#pragma once

#include "dropbox/DropboxService.h"
#include "dropbox/DropboxSynchronizer.h"
#include "platform/Localizer.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

// The frame of the tasks that change the Dropbox tree for the user: one request sequence, a
// message in the feedback centre at its end, the changed folder announced, one callback. Main
// thread only.
class DropboxFileTask : public DropboxTask, public DropboxUserTask {
public:
    // The path the task was started with; the task itself, which the callee may let go of.
    using Completion = std::function<void(const std::string& dbPath, DropboxFileTask& task)>;

    DropboxFileTask(Dropbox& service, Completion completion);
    ~DropboxFileTask() override;

    bool isCancelled() const { return !_completion; }
    // No callback follows, and no answer that arrives afterwards changes anything.
    void cancel() override;
    virtual std::string stateAsString() const = 0;

protected:
    // Takes the client; the text to fail with when the service cannot be asked, else empty.
    std::string startRequest();
    // True when the answer is a lost sign-in, which ends the task.
    template <class Result> bool authorizationLost(const DropboxResponse<Result>& response)
    {
        if (!response.networkError || !_service.checkAuthorizationError(*response.networkError)) return false;
        complete(localized("db_disconnected_state"));
        return true;
    }
    // The callback's path, the folder announced on success, and the message texts.
    struct Outcome {
        std::string dbPath;
        std::string changedFolder;
        std::string successKey;
        std::string successMessage;
        std::string errorKey;
    };
    virtual Outcome outcome() const = 0;
    virtual void clearState() = 0;
    virtual void becomeIdle() = 0;
    // Ends the task: the message, the announcement, then the callback. error: nullopt on success.
    void complete(const std::optional<std::string>& error);
    // Says so at once when the task is busy, leaving the running work alone.
    bool refuseWhileBusy(const std::string& dbPath);
    std::weak_ptr<bool> aliveToken() const { return _alive; }

    DropboxCall _call;

private:
    Completion _completion;
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
};

// Deletes a file or folder; a map never uploaded goes without asking the server.
class DropboxDeleteTask : public DropboxFileTask {
public:
    using DropboxFileTask::DropboxFileTask;
    ~DropboxDeleteTask() override;
    void deleteFromDropbox(const std::string& dbPath, bool isDirectory);
    bool busy() const override { return _deleting; }
    std::string stateAsString() const override;

private:
    Outcome outcome() const override;
    void clearState() override;
    void becomeIdle() override;
    void answered(const DropboxResponse<DropboxMetadata>& response);
    void deletedLocally(const std::string& dbPath);

    std::string _dbPath;
    bool _isDirectory = false;
    bool _deleting = false;
};

// Moves or renames a file or folder; the server picks a free name when the target is taken, and
// the cache, the records, open maps and the editor follow the name it chose.
class DropboxMoveTask : public DropboxFileTask {
public:
    enum State : int32_t { Idle = 0, Metadata = 1, Moving = 2 };

    using DropboxFileTask::DropboxFileTask;
    ~DropboxMoveTask() override;
    void moveSourcePath(const std::string& sourceDbPath, const std::string& targetDbPath, bool isDirectory);
    bool busy() const override { return _state != Idle; }
    int32_t state() const { return _state; }
    std::string stateAsString() const override;

private:
    Outcome outcome() const override;
    void clearState() override;
    void becomeIdle() override;
    void setState(int32_t state);
    void metadataAnswered(const DropboxResponse<DropboxMetadata>& response);
    void performMoveOnDropbox();
    void moveAnswered(const DropboxResponse<DropboxMetadata>& response);
    void moved(const DropboxMetadata& result);
    bool sourceIsNew() const;

    std::string _sourceDbPath;
    std::string _targetDbPath;
    bool _isDirectory = false;
    std::optional<DropboxMetadata> _sourceMetadata;
    int32_t _state = Idle;
};

// Makes a folder; a taken name gives a folder named by the server.
class DropboxAddFolderTask : public DropboxFileTask {
public:
    using DropboxFileTask::DropboxFileTask;
    ~DropboxAddFolderTask() override;
    void addFolder(const std::string& dbPath);
    bool busy() const override { return _addingFolder; }
    std::string stateAsString() const override;
    const std::string& folderPath() const { return _folderPath; }

private:
    Outcome outcome() const override;
    void clearState() override;
    void becomeIdle() override;
    void answered(const DropboxResponse<DropboxMetadata>& response);

    std::string _folderPath;
    bool _addingFolder = false;
};
