#include "Editor/EditorNotificationPresenter.h"

#include "support/ManualScheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class RecordingNotificationView : public EditorNotificationView {
public:
    void showNotification(const std::string& title, const std::string& message, unsigned state) override
    {
        const std::string text = EditorNotificationPresenter::notificationText(FeedbackItem(title, message, state));
        shown = text;
        level = state;
        visible = true;
        log.push_back("show " + text);
    }
    void hideNotification() override
    {
        visible = false;
        log.push_back("hide");
    }
    void showProgress(const std::string& title) override { progress = title; }
    void hideProgress() override { progress.reset(); }

    std::string shown;
    unsigned level = 99;
    bool visible = false;
    std::optional<std::string> progress;
    std::vector<std::string> log;
};

class EditorNotificationPresenterTest : public ::testing::Test {
protected:
    FeedbackCenter center;
    ManualScheduler scheduler;
    RecordingNotificationView view;
    EditorNotificationPresenter presenter{center, scheduler, view};
};

} // namespace

TEST_F(EditorNotificationPresenterTest, IsTheCentresDelegateWhileItLives)
{
    EXPECT_EQ(center.delegate(), &presenter);
    {
        FeedbackCenter other;
        EditorNotificationPresenter shortLived(other, scheduler, view);
        EXPECT_EQ(other.delegate(), &shortLived);
    }
}

TEST_F(EditorNotificationPresenterTest, ANotificationShowsForItsDurationThenHides)
{
    // The map-not-found notice of a start whose remembered map is gone: a warning, no title.
    center.showEditorMessage("The mind map could not be found.", 1);
    EXPECT_TRUE(view.visible);
    EXPECT_EQ(view.shown, "The mind map could not be found.");
    EXPECT_EQ(view.level, 1u);
    EXPECT_EQ(center.count(), 0u) << "an editor notification is not logged";

    scheduler.advance(5.9);
    EXPECT_TRUE(view.visible) << "the default duration is 6.0 s";
    scheduler.advance(0.2);
    EXPECT_FALSE(view.visible);
    EXPECT_EQ(presenter.shownItem(), nullptr);
}

TEST_F(EditorNotificationPresenterTest, TextsAndDurations)
{
    struct Case {
        std::string title, message;
        double duration;
        std::string text;
        double hiddenAfter;
    };
    const Case cases[] = {
        {"", "Only a message", 2.0, "Only a message", 2.0},
        {"Only a title", "", 3.0, "Only a title", 3.0},
        {"Style not pasted", "The clipboard holds no style.", 6.0, "Style not pasted\nThe clipboard holds no style.",
         6.0},
        // A duration that cannot be waited for falls back to the default.
        {"", "No time given", 0.0, "No time given", 6.0},
        {"", "Negative time", -1.0, "Negative time", 6.0},
    };
    for (const Case& c : cases) {
        center.showEditorNotification(c.title, c.message, 2, c.duration);
        EXPECT_EQ(view.shown, c.text);
        scheduler.advance(c.hiddenAfter - 0.01);
        EXPECT_TRUE(view.visible) << c.text;
        scheduler.advance(0.02);
        EXPECT_FALSE(view.visible) << c.text;
    }
}

TEST_F(EditorNotificationPresenterTest, ANewerMessageReplacesTheShownOneAndKeepsItsOwnTime)
{
    center.showEditorMessage("first", 0, 6.0);
    scheduler.advance(4.0);
    center.showEditorMessage("second", 2, 6.0);
    EXPECT_EQ(view.shown, "second");
    scheduler.advance(3.0);
    EXPECT_TRUE(view.visible) << "the first message's time does not hide the second";
    scheduler.advance(3.1);
    EXPECT_FALSE(view.visible);
    EXPECT_EQ(view.log, (std::vector<std::string>{"show first", "show second", "hide"}));
}

TEST_F(EditorNotificationPresenterTest, TheUserMayCloseTheBarEarly)
{
    center.showEditorMessage("closed by hand", 0);
    presenter.dismiss();
    EXPECT_FALSE(view.visible);
    scheduler.advance(10.0);
    EXPECT_EQ(view.log, (std::vector<std::string>{"show closed by hand", "hide"}));
}

TEST_F(EditorNotificationPresenterTest, TheBarHidesInTimeWhileADialogRuns)
{
    center.showEditorMessage("behind a dialog", 0);
    Scheduler::ModeSession dialog = scheduler.enterMode(ModalPanelRunLoopMode);
    scheduler.advance(6.5);
    EXPECT_FALSE(view.visible);
}

TEST_F(EditorNotificationPresenterTest, NewlyLoggedItemsShowButDeletingOrClearingShowsNothing)
{
    center.addItemWithTitle("Upload", "The map was uploaded.", 0);
    EXPECT_EQ(view.shown, "Upload\nThe map was uploaded.");
    center.addItemWithTitle("Import", "The file could not be read.", 2);
    EXPECT_EQ(view.shown, "Import\nThe file could not be read.");
    EXPECT_EQ(view.level, 2u);
    scheduler.advance(7.0);
    view.log.clear();

    center.deleteAtIndex(0);
    center.clearFeedbackItems();
    EXPECT_TRUE(view.log.empty()) << "an older item coming to the front is no news";

    center.addItemWithTitle("Later", "", 1);
    EXPECT_EQ(view.log, (std::vector<std::string>{"show Later"}));
}

TEST_F(EditorNotificationPresenterTest, ItemsLoggedBeforeThePresenterExistedAreNotShown)
{
    FeedbackCenter other;
    other.addItemWithTitle("old", "", 0);
    RecordingNotificationView otherView;
    EditorNotificationPresenter late(other, scheduler, otherView);
    other.deleteAtIndex(5);
    other.dispatchChangedNotification();
    EXPECT_TRUE(otherView.log.empty());
}

TEST_F(EditorNotificationPresenterTest, ProgressShowsTheNewestWorkAndEndsWithTheLast)
{
    auto first = center.startProgress(0, "Uploading");
    EXPECT_EQ(view.progress, "Uploading");
    auto second = center.startProgress(0, "Downloading");
    center.changeProgressItem(second, "Downloading 2 maps", 50);
    EXPECT_EQ(view.progress, "Downloading 2 maps");
    center.endProgress(second);
    EXPECT_EQ(view.progress, "Uploading");
    center.endProgress(first);
    EXPECT_FALSE(view.progress.has_value());
}

TEST_F(EditorNotificationPresenterTest, ALowerLevelWaitsWhileAHigherOneShows)
{
    struct Case {
        unsigned shown, next;
        bool replaced;
    };
    const Case cases[] = {
        {2, 0, false},
        {2, 1, false},
        {1, 0, false},
        {1, 1, true},
        {1, 2, true},
        {0, 2, true},
        // Levels above the highest count as the highest.
        {7, 2, true},
        {2, 9, true},
        {9, 1, false},
    };
    for (const Case& c : cases) {
        center.showEditorNotification("shown", "", c.shown, 6.0);
        center.showEditorNotification("next", "", c.next, 6.0);
        EXPECT_EQ(view.shown, c.replaced ? "next" : "shown") << c.shown << " then " << c.next;
        scheduler.advance(6.5);
        EXPECT_FALSE(view.visible) << "the shown one keeps its own time";
    }
    // Once the box is gone any level shows.
    center.showEditorNotification("error", "", 2, 1.0);
    scheduler.advance(1.5);
    center.showEditorNotification("info", "", 0, 1.0);
    EXPECT_EQ(view.shown, "info");
}
