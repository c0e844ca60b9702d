#include "store/MindMapStoreLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

std::unique_ptr<MindMapStoreLock> MindMapStoreLock::acquire(const std::string& storeRoot)
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

MindMapStoreLock::~MindMapStoreLock()
{
    if (_fd >= 0) {
        ::flock(_fd, LOCK_UN);
        ::close(_fd);
    }
}
