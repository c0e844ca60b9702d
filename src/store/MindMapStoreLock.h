#pragma once

#include <memory>
#include <string>

// Marks one process as the owner of a store folder: an exclusive advisory lock on the file
// ".tarnwick.lock" in it, held while the object lives and released by the system if the process
// dies. A second process (or a second lock in the same process) does not get it.
class MindMapStoreLock {
public:
    static constexpr const char* LockFileName = ".tarnwick.lock";

    // The lock, or nullptr when another holder has it or the file cannot be made. While this
    // process has claimed the folder, every call gets a share of the claimed lock.
    static std::unique_ptr<MindMapStoreLock> acquire(const std::string& storeRoot);

    // Takes the lock of the store folder (made when missing) before anything opens the store, so
    // that a program that cannot own it can step back before it writes anything; the store's own
    // acquire() then shares this lock. False when another process holds the lock or the folder
    // cannot be made.
    static bool claimForProcess(const std::string& storeRoot);
    // Gives the claim up; the lock stays held while a share of it lives.
    static void releaseProcessClaim();

    ~MindMapStoreLock();
    MindMapStoreLock(const MindMapStoreLock&) = delete;
    MindMapStoreLock& operator=(const MindMapStoreLock&) = delete;

private:
    explicit MindMapStoreLock(int fd) : _fd(fd) {}
    static std::unique_ptr<MindMapStoreLock> lockFile(const std::string& storeRoot);
    int _fd = -1;
};
