#include "MindMapStoreTestSupport.h"

#include "store/MindMapStoreLock.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/file.h>
#include <sys/syscall.h>
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

// Root without the capabilities that let it write anywhere: permissions count for it then as for
// any user. Unlike another user, it still reaches the test's folders where TMPDIR is root's alone.
bool dropWritingAnywhere()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0) return false;
    for (const unsigned capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
        data[capability / 32].effective &= ~(1u << (capability % 32));
        data[capability / 32].permitted &= ~(1u << (capability % 32));
    }
    return syscall(SYS_capset, &header, data) == 0;
}

// Whether a claim by a user that may not write there fails as such, naming that path.
bool claimIsRefusedNaming(const std::string& root, const std::string& named)
{
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && !dropWritingAnywhere()) _exit(2);
        Error error;
        const bool claimed = MindMapStoreLock::claimForProcess(root, "session", &error);
        _exit(!claimed && error.code == EACCES && error.failureReason == named ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

TEST_F(MindMapStoreLockTest, AFolderThatMayNotBeWrittenIsToldApartFromALockHeldElsewhere)
{
    namespace fs = std::filesystem;
    const std::string lock = MindMapStoreLock::lockFilePath(root());
    const std::string images = documents() + "/Images";
    // The history of opened maps and the clouds' files are written there.
    const std::string support = root() + "/AppSupport";
    // Whether an earlier start left the store with its lock file (writable by anyone, as a lock
    // file of the user's own is), what is then made read-only, and what the refusal names.
    const struct {
        bool earlierStart;
        std::string readOnly, named;
    } cases[] = {
        {false, dataHome(), root()},
        {true, root(), root()},
        {true, documents(), documents()},
        {true, images, images},
        {true, support, support},
        // A lock file the user may not write, as one made by a start as another user.
        {true, lock, lock},
    };
    for (const auto& c : cases) {
        fs::remove_all(dataHome());
        fs::create_directories(c.earlierStart ? images : dataHome());
        if (c.earlierStart) {
            fs::create_directories(support);
            std::ofstream(lock) << "1 earlier\n";
            for (const std::string& written : {root(), documents(), images, support, lock})
                fs::permissions(written, fs::perms::all);
        }
        fs::permissions(c.readOnly, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        EXPECT_TRUE(claimIsRefusedNaming(root(), c.named)) << c.readOnly;
        fs::permissions(c.readOnly, fs::perms::owner_write, fs::perm_options::add);
    }
}

TEST_F(MindMapStoreLockTest, AClaimWaitsForAQuittingHolderOfItsOwnSessionOnly)
{
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const std::string waiter = "-> FLOCK  ADVISORY  WRITE " + std::to_string(getpid()) + " ";
    const pid_t owner = fork();
    if (owner == 0) {
        const char claimed = MindMapStoreLock::claimForProcess(root(), "bus-1") ? 'r' : 'f';
        (void)!write(ready[1], &claimed, 1);
        // Quits once the test's claim waits in the kernel for this holder's lock.
        for (;; usleep(1000)) {
            std::ifstream locks("/proc/locks");
            for (std::string line; std::getline(locks, line);)
                if (line.find(waiter) != std::string::npos) _exit(0);
        }
    }
    char claimed = 0;
    EXPECT_TRUE(read(ready[0], &claimed, 1) == 1 && claimed == 'r');
    if (claimed == 'r') {
        EXPECT_FALSE(MindMapStoreLock::claimForProcess(root(), "bus-2")) << "a holder on another bus stays";
        // A caller that waits in its own loop learns whom it waits for, at once.
        MindMapStoreLock::Holder quitting;
        Error error;
        EXPECT_FALSE(MindMapStoreLock::claimForProcess(root(), "bus-1", &error, &quitting));
        EXPECT_TRUE(MindMapStoreLock::isHeldElsewhere(error));
        EXPECT_EQ(quitting.pid, owner);
        EXPECT_TRUE(MindMapStoreLock::claimForProcess(root(), "bus-1"));
    }
    kill(owner, SIGKILL);
    waitpid(owner, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
}
