#include "Editor/AdScheduler.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "support/ScriptedAlertPanel.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

class AdSchedulerTest : public ::testing::Test {
protected:
    void SetUp() override { clear(); }
    void TearDown() override { clear(); }

    static UserDefaults& defaults() { return UserDefaults::standard(); }
    // The defaults of the whole test program live in one file: the keys of these tests start empty.
    static void clear()
    {
        for (const char* key : {"AdScheduler.ScheduledDate", "AdScheduler.LastMessage", "AdScheduler.EDITOR",
                                "AdScheduler.A", "AdScheduler.B", "AdScheduler.C", "new-features-v1.2.3"})
            defaults().removeObject(key);
    }
    std::optional<double> date(const std::string& key)
    {
        PropertyList value = defaults().objectForKey(key);
        if (value.type() != PropertyList::Type::Date) return std::nullopt;
        return value.dateValue()->secondsSinceReferenceDate;
    }
    void check()
    {
        AdScheduler::checkScheduledAds(
            defaults(), [this] { return now; }, alerts, [this] { ++helpShown; });
    }
    int answer(int button) { return AlertPanel::FirstButtonReturn + button; }

    double now = 1000;
    int helpShown = 0;
    ScriptedAlertPanel alerts;
};

TEST_F(AdSchedulerTest, FirstCheckOnlySchedulesFiveDaysAhead)
{
    check();
    EXPECT_TRUE(alerts.requests.empty());
    EXPECT_EQ(std::optional<double>(1000 + 432000), date("AdScheduler.ScheduledDate"));
    now += 431999;
    check();
    EXPECT_TRUE(alerts.requests.empty());
}

TEST_F(AdSchedulerTest, DueHintMovesTheDateAWeekBeforeShowingAndAtMostOncePerRun)
{
    check();
    now += 432000;
    alerts.answers.push_back({answer(1), {}});
    check();
    ASSERT_EQ(1u, alerts.requests.size());
    EXPECT_EQ(localized("help_ad_dialog_title"), alerts.requests[0].messageText);
    EXPECT_EQ(localized("help_ad_dialog_message_ios"), alerts.requests[0].informativeText);
    ASSERT_EQ(3u, alerts.requests[0].buttons.size());
    EXPECT_EQ(std::optional<double>(now + 604800), date("AdScheduler.ScheduledDate"));
    EXPECT_EQ("EDITOR", defaults().stringForKey("AdScheduler.LastMessage"));
    check();
    EXPECT_EQ(1u, alerts.requests.size());
}

TEST_F(AdSchedulerTest, ButtonsDecideWhetherTheHintComesAgain)
{
    struct Case {
        int button; // -1: dismissed
        bool done;
        int help;
    };
    const Case cases[] = {{0, true, 1}, {1, false, 0}, {2, true, 0}, {-1, false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        clear();
        helpShown = 0;
        alerts.requests.clear();
        now = 1000;
        check();
        now += 432000;
        alerts.answers.push_back({c.button < 0 ? AlertPanel::Dismissed : answer(c.button), {}});
        check();
        EXPECT_EQ(c.done, date("AdScheduler.EDITOR").has_value());
        EXPECT_EQ(c.help, helpShown);
        now += 604800;
        check();
        EXPECT_EQ(c.done ? 1u : 2u, alerts.requests.size());
    }
}

TEST_F(AdSchedulerTest, SearchStartsAfterTheLastShownAndWraps)
{
    AdScheduler scheduler(
        defaults(), [this] { return now; }, alerts, nullptr);
    EXPECT_EQ(0, scheduler.indexOfMessageId("EDITOR"));
    EXPECT_EQ(-1, scheduler.indexOfMessageId("editor"));
    struct Case {
        const char* last;
        std::vector<const char*> done;
        const char* shown; // empty: none
    };
    const Case cases[] = {
        {"B", {}, "C"},    {"C", {}, "A"},         {"unknown", {}, "A"},
        {"A", {"B"}, "C"}, {"B", {"C", "A"}, "B"}, {"A", {"A", "B", "C"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.last);
        clear();
        AdScheduler multi(
            defaults(), [this] { return now; }, alerts, nullptr);
        multi.setMessagesForTesting({"A", "B", "C"});
        defaults().setObject("AdScheduler.ScheduledDate", PropertyList(PropertyList::Date{now - 1}));
        defaults().setString("AdScheduler.LastMessage", c.last);
        for (const char* id : c.done)
            defaults().setObject(std::string("AdScheduler.") + id, PropertyList(PropertyList::Date{1}));
        multi.displayScheduledMessage();
        EXPECT_EQ(std::string(*c.shown ? c.shown : c.last), defaults().stringForKey("AdScheduler.LastMessage"));
        // Unknown ids are done at once.
        if (*c.shown) {
            EXPECT_TRUE(date(std::string("AdScheduler.") + c.shown).has_value());
        }
    }
}

TEST_F(AdSchedulerTest, StoredValuesOfAnotherTypeReadAsUnset)
{
    struct Case {
        const char* key;
        PropertyList value;
    };
    const Case cases[] = {
        {"AdScheduler.ScheduledDate", PropertyList(std::string("2020-01-01"))},
        {"AdScheduler.ScheduledDate", PropertyList(int64_t(5))},
        {"AdScheduler.LastMessage", PropertyList(int64_t(0))},
        {"AdScheduler.EDITOR", PropertyList(true)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        clear();
        alerts.requests.clear();
        if (std::string(c.key) != "AdScheduler.ScheduledDate")
            defaults().setObject("AdScheduler.ScheduledDate", PropertyList(PropertyList::Date{now - 1}));
        defaults().setObject(c.key, c.value);
        check();
        if (std::string(c.key) == "AdScheduler.ScheduledDate") {
            EXPECT_TRUE(alerts.requests.empty());
            EXPECT_EQ(std::optional<double>(now + 432000), date("AdScheduler.ScheduledDate"));
        } else {
            EXPECT_EQ(1u, alerts.requests.size());
        }
    }
}

class ScheduledMessagesTest : public AdSchedulerTest {
protected:
    ScheduledMessages messages()
    {
        ScheduledMessages::Services services;
        services.defaults = &defaults();
        services.alerts = &alerts;
        services.now = [this] { return now; };
        services.documentsDirectory = store.path();
        services.bundleVersion = "1.2.3";
        services.showFAQ = [this] { ++faqShown; };
        services.showNewFeatures = [this] { ++featuresShown; };
        return ScheduledMessages(services);
    }
    std::string marker() const { return store.file("dropbox-links.xml"); }
    TempDir store;
    int faqShown = 0;
    int featuresShown = 0;
};

TEST_F(ScheduledMessagesTest, OneMessagePerCheckDropboxThenNewFeaturesThenHint)
{
    std::ofstream(marker()) << "<links/>";
    alerts.answers.push_back({answer(0), {}});
    messages().checkScheduledAds();
    ASSERT_EQ(1u, alerts.requests.size());
    EXPECT_EQ(localized("db_support_changed_title"), alerts.requests[0].messageText);
    EXPECT_FALSE(std::filesystem::exists(marker()));
    EXPECT_EQ(1, faqShown);

    messages().checkScheduledAds();
    ASSERT_EQ(2u, alerts.requests.size());
    EXPECT_EQ(localized("new_features_dialog_title"), alerts.requests[1].messageText);
    EXPECT_TRUE(defaults().boolForKey("new-features-v1.2.3"));
    EXPECT_EQ(0, featuresShown);

    // Now the scheduler: its first check only schedules.
    messages().checkScheduledAds();
    EXPECT_EQ(2u, alerts.requests.size());
    EXPECT_TRUE(date("AdScheduler.ScheduledDate").has_value());
}

TEST_F(ScheduledMessagesTest, MarkerIsGoneBeforeItsAlertShows)
{
    std::ofstream(marker()) << "x";
    bool existedDuringAlert = true;
    struct Watching : ScriptedAlertPanel {
        std::function<void()> onShow;
        Answer runModal(const Request& request) override
        {
            onShow();
            return ScriptedAlertPanel::runModal(request);
        }
    } watching;
    watching.onShow = [&] { existedDuringAlert = std::filesystem::exists(marker()); };
    ScheduledMessages::Services services;
    services.defaults = &defaults();
    services.alerts = &watching;
    services.documentsDirectory = store.path();
    EXPECT_TRUE(ScheduledMessages(services).checkDropboxChangedMessage());
    EXPECT_FALSE(existedDuringAlert);
    EXPECT_FALSE(ScheduledMessages(services).checkDropboxChangedMessage());
}

TEST_F(ScheduledMessagesTest, NewFeaturesOncePerBuildAndAWrongTypedMarkReadsAsUnset)
{
    defaults().setObject("new-features-v1.2.3", PropertyList(std::string("YES")));
    EXPECT_TRUE(messages().checkNewFeaturesMessage());
    EXPECT_FALSE(messages().checkNewFeaturesMessage());
    EXPECT_EQ(1u, alerts.requests.size());
}

} // namespace
