#include "platform/NetworkController.h"

#include <gtest/gtest.h>

namespace {

struct FakeReachability : Reachability {
    bool reachable = true;
    int starts = 0;
    int stops = 0;
    std::function<void()> changed;

    bool isReachable() override { return reachable; }
    bool startNotifier(std::function<void()> callback) override
    {
        ++starts;
        changed = std::move(callback);
        return true;
    }
    void stopNotifier() override
    {
        ++stops;
        changed = nullptr;
    }
    void flip(bool value)
    {
        reachable = value;
        if (changed) changed();
    }
};

struct RecordingObserver : NetworkControllerObserver {
    std::vector<bool> heard;
    void onlineStateChanged(bool online) override { heard.push_back(online); }
};

struct NetworkControllerTest : testing::Test {
    FakeReachability* reachability = new FakeReachability;
    NetworkController controller{std::unique_ptr<Reachability>(reachability)};
    RecordingObserver first, second;
};

TEST_F(NetworkControllerTest, OfflineBeforeAnyCheck)
{
    EXPECT_FALSE(controller.isOnline());
    NetworkController unchecked;
    EXPECT_FALSE(unchecked.isOnline());
    EXPECT_FALSE(unchecked.checkNetworkAvailable());
}

TEST_F(NetworkControllerTest, UserOfflineTellsEachObserverOnceAndBack)
{
    controller.registerObserver(&first);
    controller.registerObserver(&second);
    EXPECT_TRUE(controller.isOnline());
    first.heard.clear();
    controller.setUserOffline(true);
    controller.setUserOffline(true);
    EXPECT_EQ(first.heard, std::vector<bool>{false});
    EXPECT_EQ(second.heard, std::vector<bool>{false});
    controller.setUserOffline(false);
    EXPECT_EQ(first.heard, (std::vector<bool>{false, true}));
}

TEST_F(NetworkControllerTest, ReachabilityChangeWhileUserOfflineTellsNobody)
{
    controller.registerObserver(&first);
    controller.setUserOffline(true);
    first.heard.clear();
    reachability->flip(false);
    reachability->flip(true);
    reachability->flip(false);
    EXPECT_TRUE(first.heard.empty());
    // Back online by the user's switch while the network is down: still offline, nobody hears.
    controller.setUserOffline(false);
    EXPECT_TRUE(first.heard.empty());
    reachability->flip(true);
    EXPECT_EQ(first.heard, std::vector<bool>{true});
}

TEST_F(NetworkControllerTest, OneEntryPerObserverAndNotifierFollowsTheList)
{
    controller.registerObserver(&first);
    controller.registerObserver(&first);
    EXPECT_EQ(reachability->starts, 1);
    controller.registerObserver(&second);
    EXPECT_EQ(reachability->starts, 1);
    reachability->flip(false);
    EXPECT_EQ(first.heard, (std::vector<bool>{true, false}));
    controller.unregisterObserver(&first);
    EXPECT_EQ(reachability->stops, 0);
    controller.unregisterObserver(&second);
    controller.unregisterObserver(&second);
    EXPECT_EQ(reachability->stops, 1);
    // Without observers the state is not watched: the cached answer stays stale until asked.
    reachability->reachable = true;
    EXPECT_FALSE(controller.isOnline());
    EXPECT_TRUE(controller.checkNetworkAvailable());
}

TEST_F(NetworkControllerTest, ObserverLeavingDuringChangeDoesNotStopTheOthers)
{
    struct Leaving : NetworkControllerObserver {
        NetworkController* controller = nullptr;
        void onlineStateChanged(bool) override { controller->unregisterObserver(this); }
    } leaving;
    leaving.controller = &controller;
    controller.setUserOffline(true);
    controller.registerObserver(&leaving);
    controller.registerObserver(&first);
    controller.setUserOffline(false);
    EXPECT_EQ(first.heard, std::vector<bool>{true});
}

} // namespace
