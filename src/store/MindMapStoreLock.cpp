#include "store/MindMapStoreLock.h"

#include "platform/Folders.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

struct ProcessClaim {
    std::string root;
    std::unique_ptr<MindMapStoreLock> lock;
};

ProcessClaim& processClaim()
{
    static ProcessClaim claim;
    return claim;
}

} // namespace

std::unique_ptr<MindMapStoreLock> MindMapStoreLock::lockFile(const std::string& storeRoot)
{
    if (storeRoot.empty()) return nullptr;
    std::string path = storeRoot + "/" + LockFileName;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return nullptr;
    // flock locks belong to the open file, so a second open in this very process is refused too.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<MindMapStoreLock>(new MindMapStoreLock(fd));
}

std::unique_ptr<MindMapStoreLock> MindMapStoreLock::acquire(const std::string& storeRoot)
{
    ProcessClaim& claim = processClaim();
    if (claim.lock && !storeRoot.empty() && claim.root == storeRoot) {
        // The same open file, so the same lock: it stays held while either is open.
        int fd = ::fcntl(claim.lock->_fd, F_DUPFD_CLOEXEC, 0);
        if (fd >= 0) return std::unique_ptr<MindMapStoreLock>(new MindMapStoreLock(fd));
        return nullptr;
    }
    return lockFile(storeRoot);
}

bool MindMapStoreLock::claimForProcess(const std::string& storeRoot)
{
    ProcessClaim& claim = processClaim();
    if (claim.lock && claim.root == storeRoot) return true;
    if (storeRoot.empty() || !Folders::createFolder(storeRoot)) return false;
    std::unique_ptr<MindMapStoreLock> lock = lockFile(storeRoot);
    if (!lock) return false;
    claim.root = storeRoot;
    claim.lock = std::move(lock);
    return true;
}

void MindMapStoreLock::releaseProcessClaim()
{
    ProcessClaim& claim = processClaim();
    claim.lock.reset();
    claim.root.clear();
}

MindMapStoreLock::~MindMapStoreLock()
{
    // The lock goes with the last descriptor of its open file: a lock handed out of this
    // process's claim leaves the claim holding it.
    if (_fd >= 0) ::close(_fd);
}
