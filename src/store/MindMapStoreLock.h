#pragma once

#include <memory>
#include <string>

// Marks one process as the owner of a store folder: an exclusive advisory lock on the file
// ".tarnwick.lock" in it, held while the object lives and released by the system if the process
// dies. A second process (or a second lock in the same process) does not get it.
class MindMapStoreLock {
public:
    static constexpr const char* LockFileName = ".tarnwick.lock";

    // The lock, or nullptr when another holder has it or the file cannot be made.
    static std::unique_ptr<MindMapStoreLock> acquire(const std::string& storeRoot);
    ~MindMapStoreLock();
    MindMapStoreLock(const MindMapStoreLock&) = delete;
    MindMapStoreLock& operator=(const MindMapStoreLock&) = delete;

private:
    explicit MindMapStoreLock(int fd) : _fd(fd) {}
    int _fd = -1;
};
