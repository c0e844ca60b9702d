#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

const char* const kName = "AfterChangingMindMapNotification";

} // namespace

TEST(NotificationCenterTest, ObjectFilterPassesOnlyThatSender)
{
    NotificationCenter center;
    int senderA = 0, senderB = 0;
    int fromA = 0, fromAny = 0;
    auto onlyA = center.addObserver(kName, &senderA, [&](const Notification& n) {
        EXPECT_EQ(n.object, &senderA);
        ++fromA;
    });
    auto any = center.addObserver(kName, nullptr, [&](const Notification&) { ++fromAny; });
    center.post(kName, &senderB);
    center.post(kName, nullptr);
    center.post(kName, &senderA);
    EXPECT_EQ(fromA, 1);
    EXPECT_EQ(fromAny, 3);
}

TEST(NotificationCenterTest, DestroyedResetOrOverwrittenTokensEndTheObservation)
{
    NotificationCenter center;
    int calls = 0, second = 0;
    {
        auto token = center.addObserver(kName, nullptr, [&](const Notification&) { ++calls; });
        center.post(kName);
    }
    EXPECT_EQ(center.observerCount(kName), 0u);
    center.post(kName);
    EXPECT_EQ(calls, 1);

    ObservationToken moved = center.addObserver(kName, nullptr, [&](const Notification&) { ++calls; });
    moved = center.addObserver(kName, nullptr, [&](const Notification&) { ++second; });
    center.post(kName);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(second, 1);
    moved.reset();
    moved.reset();
    EXPECT_EQ(center.observerCount(kName), 0u);
}

TEST(NotificationCenterTest, ObserverMayEndItsOwnObservationWhileNotified)
{
    NotificationCenter center;
    int calls = 0, later = 0;
    ObservationToken token;
    token = center.addObserver(kName, nullptr, [&](const Notification&) {
        ++calls;
        token.reset();
    });
    auto other = center.addObserver(kName, nullptr, [&](const Notification&) { ++later; });
    center.post(kName);
    center.post(kName);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(later, 2);
}

TEST(NotificationCenterTest, ObservationEndedDuringDeliveryMissesTheNotificationUnderWay)
{
    NotificationCenter center;
    int victimCalls = 0;
    ObservationToken victim;
    auto killer = center.addObserver(kName, nullptr, [&](const Notification&) { victim.reset(); });
    victim = center.addObserver(kName, nullptr, [&](const Notification&) { ++victimCalls; });
    center.post(kName);
    EXPECT_EQ(victimCalls, 0);
    EXPECT_EQ(center.observerCount(kName), 1u);
}

TEST(NotificationCenterTest, ObservationAddedDuringDeliveryWaitsForTheNextNotification)
{
    NotificationCenter center;
    int added = 0;
    std::vector<ObservationToken> tokens;
    auto adder = center.addObserver(kName, nullptr, [&](const Notification&) {
        tokens.push_back(center.addObserver(kName, nullptr, [&](const Notification&) { ++added; }));
    });
    center.post(kName);
    EXPECT_EQ(added, 0);
    center.post(kName);
    EXPECT_EQ(added, 1);
}

TEST(NotificationCenterTest, TokensMayOutliveTheirCentre)
{
    ObservationToken token;
    {
        NotificationCenter center;
        token = center.addObserver(kName, nullptr, [](const Notification&) {});
    }
    EXPECT_TRUE(token.isActive());
    token.reset();
    EXPECT_FALSE(token.isActive());
}
