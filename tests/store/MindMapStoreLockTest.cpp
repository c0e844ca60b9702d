#include "MindMapStoreTestSupport.h"

#include "store/MindMapStoreLock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <future>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace storetest;

namespace {

// Whether a process other than this one could take the store's lock now.
bool anotherProcessGetsTheLock(const std::string& root)
{
    const std::string path = root + "/" + MindMapStoreLock::LockFileName;
    const pid_t child = fork();
    if (child == 0) {
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0644);
        _exit(fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class MindMapStoreLockTest : public StoreTest {
protected:
    void TearDown() override
    {
        MindMapStoreLock::releaseProcessClaim();
        StoreTest::TearDown();
    }
};

} // namespace

TEST_F(MindMapStoreLockTest, AClaimMakesTheFolderAndHoldsTheLockUntilTheStoreHasLetGo)
{
    ASSERT_FALSE(std::filesystem::exists(root()));
    ASSERT_TRUE(MindMapStoreLock::claimForProcess(root()));
    EXPECT_TRUE(std::filesystem::is_directory(root()));
    EXPECT_FALSE(anotherProcessGetsTheLock(root()));
    EXPECT_TRUE(MindMapStoreLock::claimForProcess(root())) << "claiming twice keeps the claim";

    // The store opened later shares the claimed lock: it is the owner and cleans up its scratch.
    start();
    EXPECT_TRUE(MindMapStore::ownsStoreLock());
    MindMapStoreLock::releaseProcessClaim();
    EXPECT_FALSE(anotherProcessGetsTheLock(root())) << "the store still holds it";
    MindMapStore::releaseMindMapStoreInstance();
    EXPECT_TRUE(anotherProcessGetsTheLock(root()));
}

TEST_F(MindMapStoreLockTest, AStoreOwnedElsewhereCannotBeClaimed)
{
    std::filesystem::create_directories(root());
    const std::string path = root() + "/" + MindMapStoreLock::LockFileName;
    int toParent[2];
    int toOwner[2];
    ASSERT_EQ(pipe(toParent), 0);
    ASSERT_EQ(pipe(toOwner), 0);
    const pid_t owner = fork();
    if (owner == 0) {
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0644);
        ::flock(fd, LOCK_EX);
        char ready = 'r';
        (void)!write(toParent[1], &ready, 1);
        char done;
        (void)!read(toOwner[0], &done, 1);
        _exit(0);
    }
    char ready;
    ASSERT_EQ(read(toParent[0], &ready, 1), 1);

    Error error;
    EXPECT_FALSE(MindMapStoreLock::claimForProcess(root(), {}, &error));
    EXPECT_TRUE(MindMapStoreLock::isHeldElsewhere(error));
    EXPECT_EQ(MindMapStoreLock::acquire(root()), nullptr);

    char done = 'd';
    (void)!write(toOwner[1], &done, 1);
    waitpid(owner, nullptr, 0);
    for (int fd : {toParent[0], toParent[1], toOwner[0], toOwner[1]}) close(fd);
    EXPECT_TRUE(MindMapStoreLock::claimForProcess(root())) << "the lock goes with its owner";
}

TEST_F(MindMapStoreLockTest, AClaimCoversOnlyItsOwnFolder)
{
    ASSERT_TRUE(MindMapStoreLock::claimForProcess(root()));
    const std::string other = dataHome() + "/Other";
    std::filesystem::create_directories(other);
    std::unique_ptr<MindMapStoreLock> first = MindMapStoreLock::acquire(other);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(MindMapStoreLock::acquire(other), nullptr) << "a second lock in one process, without a claim";
    EXPECT_FALSE(MindMapStoreLock::claimForProcess(""));
}

namespace {

// The code a claim by a user other than root fails with, or 0 when it succeeds. Root may write
// anywhere: as root the claim runs in a child that has become the unprivileged "nobody".
int claimErrorAsUser(const std::string& root, std::string* reason)
{
    int result[2];
    if (pipe(result) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(1);
        Error error;
        const bool claimed = MindMapStoreLock::claimForProcess(root, "session", &error);
        const std::string answer = std::to_string(claimed ? 0 : error.code) + " " + error.failureReason;
        (void)!write(result[1], answer.data(), answer.size());
        _exit(0);
    }
    close(result[1]);
    std::string answer;
    char buffer[256];
    for (ssize_t n; (n = read(result[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, size_t(n));
    close(result[0]);
    waitpid(child, nullptr, 0);
    const size_t space = answer.find(' ');
    if (space == std::string::npos) return -1;
    *reason = answer.substr(space + 1);
    return std::stoi(answer.substr(0, space));
}

} // namespace

TEST_F(MindMapStoreLockTest, AFolderThatMayNotBeWrittenIsToldApartFromALockHeldElsewhere)
{
    namespace fs = std::filesystem;
    const std::string lockFile = root() + "/" + MindMapStoreLock::LockFileName;
    struct Case {
        const char* name;
        bool storeExists;
        bool lockFileExists;
        std::string readOnly;
        std::string named;
    };
    const Case cases[] = {
        {"a read-only store without a lock file", true, false, root(), lockFile},
        {"a read-only store with its lock file", true, true, root(), lockFile},
        {"a store to be made in a read-only folder", false, false, dataHome(), root()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dataHome());
        fs::create_directories(c.storeExists ? root() : dataHome());
        if (c.lockFileExists) writeTestFile(lockFile, "");
        // The unprivileged user reaches the folders down to the store.
        fs::permissions(fs::path(dataHome()).parent_path(), fs::perms::others_read | fs::perms::others_exec,
                        fs::perm_options::add);
        fs::permissions(dataHome(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
        fs::permissions(c.readOnly, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        if (c.lockFileExists) fs::permissions(lockFile, fs::perms::owner_write, fs::perm_options::remove);
        std::string reason;
        EXPECT_EQ(claimErrorAsUser(root(), &reason), EACCES);
        EXPECT_EQ(reason, c.named);
        fs::permissions(c.readOnly, fs::perms::owner_write, fs::perm_options::add);
    }
}

// Whether a claim of this process waits in the kernel for the store's lock.
bool aClaimWaits()
{
    std::ifstream locks("/proc/locks");
    const std::string waiter = "-> FLOCK  ADVISORY  WRITE " + std::to_string(getpid()) + " ";
    for (std::string line; std::getline(locks, line);)
        if (line.find(waiter) != std::string::npos) return true;
    return false;
}

TEST_F(MindMapStoreLockTest, AClaimWaitsForAQuittingHolderOfItsOwnSessionOnly)
{
    int toParent[2];
    int toOwner[2];
    ASSERT_EQ(pipe(toParent), 0);
    ASSERT_EQ(pipe(toOwner), 0);
    const pid_t owner = fork();
    if (owner == 0) {
        const bool claimed = MindMapStoreLock::claimForProcess(root(), "bus-1");
        char ready = claimed ? 'r' : 'f';
        (void)!write(toParent[1], &ready, 1);
        char quit;
        (void)!read(toOwner[0], &quit, 1);
        _exit(0);
    }
    char ready = 0;
    ASSERT_EQ(read(toParent[0], &ready, 1), 1);
    ASSERT_EQ(ready, 'r');

    Error error;
    EXPECT_FALSE(MindMapStoreLock::claimForProcess(root(), "bus-2", &error)) << "a holder on another bus stays";
    EXPECT_TRUE(MindMapStoreLock::isHeldElsewhere(error));
    std::future<bool> claimed =
        std::async(std::launch::async, [this] { return MindMapStoreLock::claimForProcess(root(), "bus-1"); });
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!aClaimWaits() && claimed.wait_for(std::chrono::milliseconds(10)) == std::future_status::timeout &&
           std::chrono::steady_clock::now() < limit) {}
    const bool waited = aClaimWaits();
    char quit = 'q';
    (void)!write(toOwner[1], &quit, 1);
    EXPECT_TRUE(waited) << "the claim did not wait for the holder";
    EXPECT_TRUE(claimed.get());
    waitpid(owner, nullptr, 0);
    for (int fd : {toParent[0], toParent[1], toOwner[0], toOwner[1]}) close(fd);
    const std::optional<MindMapStoreLock::Holder> holder = MindMapStoreLock::recordedHolder(root());
    ASSERT_TRUE(holder);
    EXPECT_EQ(holder->pid, getpid());
    EXPECT_EQ(holder->session, "bus-1");
}
