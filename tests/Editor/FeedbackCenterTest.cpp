#include "Editor/FeedbackCenter.h"

#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class RecordingDelegate : public FeedbackProgressDelegate {
public:
    void startProgress(double progress, const std::string& title) override
    {
        calls.push_back("start " + title + " " + std::to_string(int(progress)));
    }
    void progress(double progress, const std::string& title) override
    {
        calls.push_back("progress " + title + " " + std::to_string(int(progress)));
    }
    void endProgress() override { calls.push_back("end"); }
    void showEditorNotification(const std::shared_ptr<FeedbackItem>& item, double duration) override
    {
        notifications.push_back(item);
        durations.push_back(duration);
    }

    std::vector<std::string> calls;
    std::vector<std::shared_ptr<FeedbackItem>> notifications;
    std::vector<double> durations;
};

class FeedbackCenterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        _token = NotificationCenter::defaultCenter().addObserver("com.orrinworks.Tarnwick.FeedbackCenter.Changed",
                                                                 &center, [this](const Notification&) { ++changes; });
    }

    FeedbackCenter center;
    int changes = 0;

private:
    ObservationToken _token;
};

} // namespace

TEST_F(FeedbackCenterTest, LogKeepsTheFiftyNewest)
{
    for (int i = 1; i <= 51; ++i) center.addItemWithTitle("item " + std::to_string(i), "", 0);
    ASSERT_EQ(50u, center.count());
    EXPECT_EQ("item 51", center.items().front()->title());
    EXPECT_EQ("item 2", center.items().back()->title());
    EXPECT_EQ(51, changes);
}

TEST_F(FeedbackCenterTest, EveryLogChangeIsAnnouncedWithTheCentre)
{
    center.addItemWithTitle("a", "", 0);
    center.deleteAtIndex(0);
    center.addItemWithTitle("b", "", 0);
    center.clearFeedbackItems();
    EXPECT_EQ(4, changes);
    center.clearFeedbackItems();

    EXPECT_EQ(4, changes) << "clearing an empty log is not announced";
}

TEST_F(FeedbackCenterTest, EditorNotificationsAreNotLogged)
{
    RecordingDelegate delegate;
    center.setDelegate(&delegate);
    auto item = center.showEditorNotification("Paste failed", "No topic selected", FeedbackStateError);
    EXPECT_EQ(0u, center.count());
    EXPECT_EQ(0, changes);
    ASSERT_EQ(1u, delegate.notifications.size());
    EXPECT_EQ(item, delegate.notifications[0]);
    EXPECT_EQ("Paste failed", item->title());
    EXPECT_EQ("No topic selected", item->message());
    EXPECT_EQ(2u, item->state());
    EXPECT_EQ("", item->guid());

    center.setDelegate(nullptr);
    ASSERT_TRUE(center.showEditorNotification("t", "m", 2)) << "without a delegate the item is still answered";
    EXPECT_EQ(0u, center.count());
}

TEST_F(FeedbackCenterTest, EditorNotificationsLastSixSecondsUnlessTold)
{
    RecordingDelegate delegate;
    center.setDelegate(&delegate);
    center.showEditorNotification("t", "m", 0);
    center.showEditorNotification("t", "m", 1, 2.5);
    center.showEditorMessage("m", 1);
    EXPECT_EQ((std::vector<double>{6.0, 2.5, 6.0}), delegate.durations);
    EXPECT_EQ("", delegate.notifications[2]->title());
}

TEST_F(FeedbackCenterTest, EndingTheFirstProgressHandsTheDisplayToTheSecond)
{
    RecordingDelegate delegate;
    center.setDelegate(&delegate);
    auto first = center.startProgress(10, "listing");
    auto second = center.startProgress(20, "uploading");
    EXPECT_EQ(std::vector<std::string>{"start listing 10"}, delegate.calls) << "only the first opens the display";
    EXPECT_EQ(2u, center.progressStack().size());
    center.endProgress(first);
    center.endProgress(second);
    EXPECT_EQ((std::vector<std::string>{"start listing 10", "progress uploading 20", "end"}), delegate.calls);
    EXPECT_TRUE(center.progressStack().empty());
}

TEST_F(FeedbackCenterTest, OnlyTheNewestProgressUpdatesTheDisplay)
{
    RecordingDelegate delegate;
    center.setDelegate(&delegate);
    auto first = center.startProgress(0, "a");
    auto second = center.startProgress(0, "b");
    center.changeProgressItem(first, "a2", 50);
    center.changeProgressItem(second, "b2", 70);
    EXPECT_EQ((std::vector<std::string>{"start a 0", "progress b2 70"}), delegate.calls);
    EXPECT_EQ("a2", first->title());
    EXPECT_EQ(50.0, first->progress());
}

TEST(FeedbackCenterSinkTest, MessagesOfTheLibrariesBelowReachTheSharedCentre)
{
    FeedbackCenter& shared = FeedbackCenter::feedbackCenter();
    RecordingDelegate window;
    shared.setDelegate(&window);
    shared.clearFeedbackItems();
    FeedbackCenter::installAsFeedbackSink();

    feedbackSinkInstance().addItemWithTitle("Copied", "Alpha", FeedbackStateInformation, "tw-icon-16x16", "GUID");
    feedbackSinkInstance().showEditorNotification("Moved", "restricted", FeedbackStateWarning, 3.0);

    setFeedbackSink(nullptr);
    shared.setDelegate(nullptr);
    ASSERT_EQ(shared.count(), 1u);
    EXPECT_EQ(shared.items()[0]->guid(), "GUID");
    EXPECT_EQ(shared.items()[0]->image(), "tw-icon-16x16");
    ASSERT_EQ(window.notifications.size(), 1u);
    EXPECT_EQ(window.notifications[0]->title(), "Moved");
    EXPECT_EQ(window.durations[0], 3.0);
    shared.clearFeedbackItems();
}
