#pragma once

#include "platform/Error.h"

#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>

// Marks one process as the owner of a store folder: an exclusive advisory lock on the file
// ".tarnwick.lock" in it, held while the object lives and released by the system if the process
// dies. A second process (or a second lock in the same process) does not get it.
class MindMapStoreLock {
public:
    static constexpr const char* LockFileName = ".tarnwick.lock";

    // Who claimed the store, as the claim wrote it into the lock file.
    struct Holder {
        pid_t pid = 0;
        std::string session;
    };

    // The lock, or nullptr when another holder has it or the file cannot be made. While this
    // process has claimed the folder, every call gets a share of the claimed lock.
    static std::unique_ptr<MindMapStoreLock> acquire(const std::string& storeRoot);

    // Takes the lock of the store folder (made when missing) before anything opens the store, so
    // that a program that cannot own it can step back before it writes anything; the store's own
    // acquire() then shares this lock. The claim records this process and its session (the
    // desktop session's bus, empty without one) in the lock file.
    // In a session only one program at a time may claim the store, so a holder of the same
    // session is one that is quitting: the claim waits until the system has released its lock.
    // Given quittingHolder, it does not wait: it fails at once (isHeldElsewhere()) and names that
    // holder there, for a caller that waits in its own loop and says what it waits for.
    // The folders the store writes to must be writable, whether or not the lock file still is.
    // On failure the error carries the system's code and, as its failure reason, the path it
    // concerns: isHeldElsewhere() when another process holds the lock, any other code when a
    // folder may not be written or the lock file cannot be made or opened (lockFilePath()).
    static bool claimForProcess(const std::string& storeRoot, const std::string& session = {}, Error* error = nullptr,
                                Holder* quittingHolder = nullptr);
    static bool isHeldElsewhere(const Error& error);
    static std::string lockFilePath(const std::string& storeRoot) { return storeRoot + "/" + LockFileName; }
    // Gives the claim up; the lock stays held while a share of it lives.
    static void releaseProcessClaim();
    // The holder the lock file names; it may be one whose lock is gone already.
    static std::optional<Holder> recordedHolder(const std::string& storeRoot);

    ~MindMapStoreLock();
    MindMapStoreLock(const MindMapStoreLock&) = delete;
    MindMapStoreLock& operator=(const MindMapStoreLock&) = delete;

private:
    explicit MindMapStoreLock(int fd) : _fd(fd) {}
    enum class Wait { No, Yes };
    static std::unique_ptr<MindMapStoreLock> lockFile(const std::string& storeRoot, Wait wait = Wait::No,
                                                      Error* error = nullptr);
    int _fd = -1;
};
