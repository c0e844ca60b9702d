#include "store/MindMapStoreLock.h"

#include "platform/FileUtils.h"
#include "store/MindMapStore.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
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

Error lockError(int code, const std::string& path)
{
    return Error{PosixErrorDomain, code, {}, path};
}

bool processIsAlive(pid_t pid)
{
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

} // namespace

std::unique_ptr<MindMapStoreLock> MindMapStoreLock::lockFile(const std::string& storeRoot, Wait wait, Error* error)
{
    if (storeRoot.empty()) {
        setError(error, lockError(ENOENT, storeRoot));
        return nullptr;
    }
    const std::string path = lockFilePath(storeRoot);
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        setError(error, lockError(errno, path));
        return nullptr;
    }
    // flock locks belong to the open file, so a second open in this very process is refused too.
    int locked;
    do {
        locked = ::flock(fd, wait == Wait::Yes ? LOCK_EX : LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        setError(error, lockError(errno, path));
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

bool MindMapStoreLock::claimForProcess(const std::string& storeRoot, const std::string& session, Error* error,
                                       Holder* quittingHolder)
{
    ProcessClaim& claim = processClaim();
    if (quittingHolder) *quittingHolder = {};
    if (claim.lock && claim.root == storeRoot) return true;
    if (storeRoot.empty()) return setError(error, lockError(ENOENT, storeRoot));
    std::error_code made;
    std::filesystem::create_directories(storeRoot, made);
    std::error_code isFolder;
    if (!std::filesystem::is_directory(storeRoot, isFolder))
        return setError(error, lockError(made ? made.value() : ENOTDIR, storeRoot));
    for (const std::string& folder : MindMapStore::writtenFolderPaths(storeRoot)) {
        // A folder still missing is made inside one checked before it.
        std::error_code missing;
        if (std::filesystem::is_directory(folder, missing) && ::access(folder.c_str(), W_OK | X_OK) != 0)
            return setError(error, lockError(errno, folder));
    }
    Error failure;
    std::unique_ptr<MindMapStoreLock> lock = lockFile(storeRoot, Wait::No, &failure);
    if (!lock && isHeldElsewhere(failure) && !session.empty()) {
        const std::optional<Holder> holder = recordedHolder(storeRoot);
        if (holder && holder->session == session && holder->pid != ::getpid()) {
            // A holder whose process is gone has released its lock with it; the record may also
            // be a former holder's, left behind while someone else claims the lock.
            const bool alive = processIsAlive(holder->pid);
            lock = lockFile(storeRoot, alive && !quittingHolder ? Wait::Yes : Wait::No, &failure);
            if (!lock && alive && quittingHolder) *quittingHolder = *holder;
        }
    }
    if (!lock) return setError(error, failure);
    const std::string record = std::to_string(::getpid()) + " " + session + "\n";
    // The lock holds without its record too; such a holder is only never waited for.
    if (::ftruncate(lock->_fd, 0) == 0) (void)!::pwrite(lock->_fd, record.data(), record.size(), 0);
    claim.root = storeRoot;
    claim.lock = std::move(lock);
    return true;
}

bool MindMapStoreLock::isHeldElsewhere(const Error& error)
{
    return error.domain == PosixErrorDomain && error.code == EWOULDBLOCK;
}

std::optional<MindMapStoreLock::Holder> MindMapStoreLock::recordedHolder(const std::string& storeRoot)
{
    // One line: a process id and a session's name.
    const std::optional<std::string> text = readFileText(lockFilePath(storeRoot), 64 * 1024);
    if (!text) return std::nullopt;
    Holder holder;
    const char* end = text->data() + text->size();
    const auto [next, failed] = std::from_chars(text->data(), end, holder.pid);
    if (failed != std::errc() || holder.pid <= 0 || next == end || *next != ' ') return std::nullopt;
    const size_t lineEnd = text->find('\n');
    if (lineEnd == std::string::npos) return std::nullopt;
    holder.session = text->substr(size_t(next - text->data()) + 1, lineEnd - size_t(next - text->data()) - 1);
    return holder;
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
