#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

const char* const kName = "AfterChangingMindMapNotification";

} // namespace

TEST(NotificationCenterTest, DeliversSynchronouslyInRegistrationOrder)
{
    NotificationCenter center;
    std::vector<int> calls;
    auto a = center.addObserver(kName, nullptr, [&](const Notification&) { calls.push_back(1); });
    auto b = center.addObserver(kName, nullptr, [&](const Notification&) { calls.push_back(2); });
    auto c = center.addObserver(kName, nullptr, [&](const Notification&) { calls.push_back(3); });
    center.post(kName);
    EXPECT_EQ(calls, (std::vector<int>{1, 2, 3}));
}

TEST(NotificationCenterTest, OnlyTheNamedNotificationArrives)
{
    NotificationCenter center;
    int calls = 0;
    auto token = center.addObserver("com.Orrinworks.MindMapStoreChanged", nullptr, [&](const Notification& n) {
        EXPECT_EQ(n.name, "com.Orrinworks.MindMapStoreChanged");
        ++calls;
    });
    center.post("com.Orrinworks.MindMapStoreChange");
    center.post("styleSheetChangedNotification");
    EXPECT_EQ(calls, 0);
    center.post("com.Orrinworks.MindMapStoreChanged");
    EXPECT_EQ(calls, 1);
}

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

TEST(NotificationCenterTest, UserInfoValuesAreTyped)
{
    NotificationCenter center;
    std::optional<Notification> received;
    auto token = center.addObserver(kName, nullptr, [&](const Notification& n) { received = n; });
    center.post(kName, nullptr, {{"count", 3}, {"title", std::string("Map")}});
    ASSERT_TRUE(received);
    EXPECT_EQ(received->value<int>("count"), 3);
    EXPECT_EQ(received->value<std::string>("title"), "Map");
    EXPECT_EQ(received->value<std::string>("count", "fallback"), "fallback");
    EXPECT_EQ(received->value<int>("missing", -1), -1);
}

TEST(NotificationCenterTest, DestroyedOrResetTokensEndTheObservation)
{
    NotificationCenter center;
    int calls = 0;
    {
        auto token = center.addObserver(kName, nullptr, [&](const Notification&) { ++calls; });
        EXPECT_TRUE(token.isActive());
        EXPECT_EQ(center.observerCount(kName), 1u);
        center.post(kName);
    }
    EXPECT_EQ(center.observerCount(kName), 0u);
    center.post(kName);
    EXPECT_EQ(calls, 1);

    auto token = center.addObserver(kName, nullptr, [&](const Notification&) { ++calls; });
    token.reset();
    EXPECT_FALSE(token.isActive());
    token.reset();
    center.post(kName);
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenterTest, MovedTokensKeepOneObservation)
{
    NotificationCenter center;
    int first = 0, second = 0;
    ObservationToken held = center.addObserver(kName, nullptr, [&](const Notification&) { ++first; });
    ObservationToken moved(std::move(held));
    EXPECT_FALSE(held.isActive());
    EXPECT_TRUE(moved.isActive());
    center.post(kName);
    EXPECT_EQ(first, 1);

    // Assigning over a token ends the observation it held.
    moved = center.addObserver(kName, nullptr, [&](const Notification&) { ++second; });
    center.post(kName);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(center.observerCount(kName), 1u);
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

TEST(NotificationCenterTest, HandlersMayPostFurtherNotifications)
{
    NotificationCenter center;
    std::vector<std::string> order;
    auto first = center.addObserver("outer", nullptr, [&](const Notification&) {
        order.push_back("outer");
        center.post("inner");
    });
    auto second = center.addObserver("inner", nullptr, [&](const Notification&) { order.push_back("inner"); });
    center.post("outer");
    EXPECT_EQ(order, (std::vector<std::string>{"outer", "inner"}));
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

TEST(NotificationCenterTest, DefaultCenterIsOneProcessWideInstance)
{
    EXPECT_EQ(&NotificationCenter::defaultCenter(), &NotificationCenter::defaultCenter());
    int calls = 0;
    auto token = NotificationCenter::defaultCenter().addObserver("tarnwick.test.notification", nullptr,
                                                                 [&](const Notification&) { ++calls; });
    NotificationCenter::defaultCenter().post("tarnwick.test.notification");
    EXPECT_EQ(calls, 1);
}
