#include "Editor/WindowModes.h"
#include "platform/Localizer.h"
#include "support/ManualScheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The window as the modes see it: every change is logged, the window manager answers only when
// the test says so.
class RecordingWindow : public WindowModesHost {
public:
    void requestFullScreen(bool fullScreen) override { requests.push_back(fullScreen); }
    void commitEditor() override { log.push_back("commit"); }
    void setLeftPaneHidden(bool hidden) override { leftPaneHidden = hidden; }
    void setReadOnly(bool on) override { readOnly = on; }
    void closeColorPanels() override { log.push_back("close panels"); }
    int styleToolsState() const override { return state; }
    void setStyleToolsState(int newState) override { state = newState; }
    void setStyleToolbarVisible(bool visible, bool animated) override
    {
        log.push_back(std::string(visible ? "show" : "hide") + (animated ? " animated" : " at once"));
    }
    void setToolbarAutoHidden(bool hidden) override { toolbarAutoHidden = hidden; }
    void showNotification(const std::string& title, const std::string& message, unsigned level,
                          double duration) override
    {
        notices.push_back({title, message, level, duration});
    }
    void hideNotification() override { ++hiddenNotices; }

    struct Notice {
        std::string title, message;
        unsigned state;
        double duration;
    };
    std::vector<bool> requests;
    std::vector<std::string> log;
    std::vector<Notice> notices;
    int hiddenNotices = 0;
    int state = 0;
    bool leftPaneHidden = false;
    bool readOnly = false;
    bool toolbarAutoHidden = false;
};

class WindowModesTest : public ::testing::Test {
protected:
    // The window manager does what was last asked.
    void grant() { modes.windowFullScreenChanged(window.requests.back()); }

    RecordingWindow window;
    ManualScheduler scheduler;
    WindowModes modes{window, scheduler};
};

TEST_F(WindowModesTest, PresentationIsReadOnlyWithoutSidePaneAndShowsItsNoticeForFourSeconds)
{
    modes.togglePresentationMode();
    EXPECT_EQ(window.log.front(), "commit") << "open edits are written back before the map turns read-only";
    EXPECT_FALSE(modes.inPresentationMode()) << "nothing changes before the window manager grants full screen";
    EXPECT_FALSE(window.readOnly);
    grant();

    EXPECT_TRUE(modes.inPresentationMode());
    EXPECT_FALSE(modes.enterPresentationMode());
    EXPECT_TRUE(window.readOnly);
    EXPECT_TRUE(window.leftPaneHidden);
    EXPECT_TRUE(window.toolbarAutoHidden);
    ASSERT_EQ(window.notices.size(), 1u);
    EXPECT_EQ(window.notices[0].title, localized("editor_menu_presentation_mode"));
    EXPECT_EQ(window.notices[0].message, localized("editor_presentation_mode_entered_message"));
    EXPECT_FALSE(window.notices[0].message.empty()) << "the string table has the notice";
    EXPECT_EQ(window.notices[0].state, 0u);
    EXPECT_EQ(window.notices[0].duration, 4.0);

    modes.togglePresentationMode();
    EXPECT_EQ(window.requests, (std::vector<bool>{true, false}));
    EXPECT_FALSE(modes.inPresentationMode()) << "leaving makes the map writable at once";
    EXPECT_FALSE(window.readOnly);
    EXPECT_EQ(window.hiddenNotices, 1);
    grant();
    EXPECT_FALSE(window.leftPaneHidden);
    EXPECT_FALSE(window.toolbarAutoHidden);
    EXPECT_EQ(window.hiddenNotices, 1) << "the exit steps ran once";
}

TEST_F(WindowModesTest, PlainFullScreenKeepsTheMapWritableAndShowsNoNotice)
{
    modes.toggleFullScreenMode();
    grant();
    EXPECT_TRUE(modes.isFullScreen());
    EXPECT_FALSE(modes.inPresentationMode());
    EXPECT_FALSE(window.readOnly);
    EXPECT_FALSE(window.leftPaneHidden);
    EXPECT_FALSE(window.toolbarAutoHidden);
    EXPECT_TRUE(window.notices.empty());
    EXPECT_TRUE(window.log.empty()) << "no commit, no pane or toolbar change";
}

TEST_F(WindowModesTest, StyleToolbarHidesForThePresentationUnlessTheUserHidItAlready)
{
    struct Case {
        int before;
        int during;
        std::vector<std::string> toolbarCalls;
    };
    const Case cases[] = {
        {0, 2, {"hide at once", "show at once"}},
        {1, 1, {}},
    };
    for (const Case& c : cases) {
        RecordingWindow host;
        ManualScheduler clock;
        WindowModes subject(host, clock);
        host.state = c.before;
        subject.togglePresentationMode();
        subject.windowFullScreenChanged(true);
        EXPECT_EQ(host.state, c.during) << c.before;
        subject.editorEscapePressed();
        subject.windowFullScreenChanged(false);
        EXPECT_EQ(host.state, c.before) << c.before;
        std::vector<std::string> toolbarCalls;
        for (const std::string& call : host.log)
            if (call.starts_with("hide") || call.starts_with("show")) toolbarCalls.push_back(call);
        EXPECT_EQ(toolbarCalls, c.toolbarCalls) << c.before;
    }
}

TEST_F(WindowModesTest, EscapeLeavesEitherModeAndDoesNothingInAWindow)
{
    modes.editorEscapePressed();
    EXPECT_TRUE(window.requests.empty());

    for (bool presentation : {false, true}) {
        if (presentation) modes.togglePresentationMode();
        else modes.toggleFullScreenMode();
        grant();
        modes.editorEscapePressed();
        EXPECT_FALSE(window.requests.back()) << presentation;
        EXPECT_FALSE(modes.inPresentationMode()) << presentation;
        grant();
        EXPECT_FALSE(modes.isFullScreen()) << presentation;
    }
}

// The window manager has nothing to do when a full-screen window starts presenting: the window
// stays full screen and presents as one entered from a window does; each way out leaves both.
TEST_F(WindowModesTest, PresentingFromFullScreenStaysFullScreenAndEveryWayOutLeavesBoth)
{
    struct Case {
        const char* what;
        void (WindowModes::*leave)();
    };
    const Case cases[] = {
        {"presentation again", &WindowModes::togglePresentationMode},
        {"full screen again", &WindowModes::toggleFullScreenMode},
        {"Escape", &WindowModes::editorEscapePressed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingWindow host;
        ManualScheduler clock;
        WindowModes subject(host, clock);
        const auto grantLast = [&] { subject.windowFullScreenChanged(host.requests.back()); };
        subject.toggleFullScreenMode();
        grantLast();
        subject.togglePresentationMode();
        EXPECT_EQ(host.requests, std::vector<bool>{true}) << "no request to leave full screen";
        EXPECT_TRUE(subject.isFullScreen());
        EXPECT_TRUE(subject.inPresentationMode());
        EXPECT_TRUE(host.readOnly);
        EXPECT_TRUE(host.leftPaneHidden);
        EXPECT_TRUE(host.toolbarAutoHidden);
        EXPECT_EQ(host.state, WindowModes::StyleToolsHiddenForPresentation);
        ASSERT_EQ(host.notices.size(), 1u);
        EXPECT_EQ(host.notices[0].title, localized(WindowModes::NoticeTitleKey));
        EXPECT_EQ(host.notices[0].duration, WindowModes::NoticeDuration);
        EXPECT_EQ(host.log.front(), "commit");

        (subject.*c.leave)();
        EXPECT_EQ(host.requests, (std::vector<bool>{true, false}));
        EXPECT_FALSE(subject.inPresentationMode());
        EXPECT_FALSE(host.readOnly);
        grantLast();
        EXPECT_FALSE(subject.isFullScreen());
        EXPECT_FALSE(host.leftPaneHidden);
        EXPECT_FALSE(host.toolbarAutoHidden);
        EXPECT_EQ(host.state, WindowModes::StyleToolsShown);
        EXPECT_EQ(host.hiddenNotices, 1);
    }
}

TEST_F(WindowModesTest, AFullScreenTheWindowManagerNeverGrantsLeavesNoPresentationBehind)
{
    modes.togglePresentationMode();
    EXPECT_TRUE(modes.fullScreenRequested());
    EXPECT_FALSE(window.readOnly) << "the map stays writable while the window manager has not answered";
    scheduler.advance(WindowModes::FullScreenGrantTimeout + 0.1);
    EXPECT_FALSE(modes.fullScreenRequested());
    EXPECT_FALSE(modes.enterPresentationMode());

    // Full screen made later by the window manager's own key is plain.
    modes.windowFullScreenChanged(true);
    EXPECT_FALSE(modes.inPresentationMode());
    EXPECT_FALSE(window.readOnly);
    EXPECT_TRUE(window.notices.empty());
}

TEST_F(WindowModesTest, AGrantInTimeCancelsTheLapseAndAWindowManagerExitRunsTheExitSteps)
{
    modes.togglePresentationMode();
    scheduler.advance(WindowModes::FullScreenGrantTimeout / 2);
    grant();
    scheduler.advance(WindowModes::FullScreenGrantTimeout);
    EXPECT_TRUE(modes.inPresentationMode()) << "the lapse of a granted request changes nothing";

    // The window manager ends full screen on its own.
    modes.windowFullScreenChanged(false);
    EXPECT_FALSE(modes.inPresentationMode());
    EXPECT_FALSE(window.readOnly);
    EXPECT_EQ(window.hiddenNotices, 1);
    EXPECT_FALSE(window.toolbarAutoHidden);
}

TEST_F(WindowModesTest, PresentationModeChangesOnlyWhenTheFlagChanges)
{
    modes.setPresentationMode(false);
    EXPECT_TRUE(window.log.empty());
    modes.setPresentationMode(true);
    const size_t calls = window.log.size();
    modes.setPresentationMode(true);
    EXPECT_EQ(window.log.size(), calls);
    EXPECT_EQ(window.log.back(), "hide at once");
}

} // namespace
