#include "MindMapStoreTestSupport.h"

#include "store/MindMapStoreLock.h"

#include <gtest/gtest.h>

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

    EXPECT_FALSE(MindMapStoreLock::claimForProcess(root()));
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
