// The main window as its user drives it, with a window manager on the display so that full screen
// is granted as on a desktop: the toolbar's zoom menu, the find bar, presentation mode, and the
// window's frame and the panes' sizes across a restart.

#include "ApplicationSession.h"
#include "platform/PropertyList.h"
#include "support/DisplayRequirement.h"
#include "support/WindowManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace {

// The number the user defaults keep under the key; nothing when there is none.
std::optional<double> storedNumber(const std::string& file, const std::string& key)
{
    const std::string bytes = std::filesystem::exists(file) ? readTestFile(file) : std::string();
    std::optional<PropertyList> defaults = PropertyList::fromData(PropertyList::Data(bytes.begin(), bytes.end()));
    const PropertyList::Dictionary* entries = defaults ? defaults->dictionaryValue() : nullptr;
    if (!entries) return std::nullopt;
    auto it = entries->find(key);
    if (it == entries->end()) return std::nullopt;
    if (it->second.type() != PropertyList::Type::Real && it->second.type() != PropertyList::Type::Integer)
        return std::nullopt;
    return it->second.realValue();
}

// Whether the window manager shows the program's window full screen.
bool fullScreen(pid_t pid)
{
    std::string windows;
    if (runCommand({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid), "--class", "tarnwick"},
                   &windows) != 0)
        return false;
    std::istringstream lines(windows);
    std::string window;
    while (std::getline(lines, window)) {
        std::string state;
        if (runCommand({"xprop", "-id", window, "_NET_WM_STATE"}, &state) == 0 &&
            state.find("_NET_WM_STATE_FULLSCREEN") != std::string::npos)
            return true;
    }
    return false;
}

// The program's main window on the display; nothing until it shows.
std::optional<unsigned long> mainWindowId(pid_t pid)
{
    const std::optional<std::string> window = visibleWindow({"--pid", std::to_string(pid), "--class", "tarnwick"});
    return window ? std::optional(std::stoul(*window)) : std::nullopt;
}

// The window's own width as its window manager made it, and whether it made it maximised.
struct ManagedWindow {
    int width = 0;
    bool maximized = false;
};
ManagedWindow managedWindow(unsigned long window)
{
    std::string geometry, state;
    runCommand({"xdotool", "getwindowgeometry", "--shell", std::to_string(window)}, &geometry);
    runCommand({"xprop", "-id", std::to_string(window), "_NET_WM_STATE"}, &state);
    const size_t width = geometry.find("WIDTH=");
    return {width == std::string::npos ? 0 : std::atoi(geometry.c_str() + width + 6),
            state.find("MAXIMIZED_VERT") != std::string::npos && state.find("MAXIMIZED_HORZ") != std::string::npos};
}

class MainWindowSessionTest : public WholeProgramTest {
protected:
    void SetUp() override
    {
        WholeProgramTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        windowManager = std::make_unique<WindowManager>();
        ASSERT_EQ(windowManager->failure(), "");
    }

    void TearDown() override { windowManager.reset(); }

    std::unique_ptr<RunningApplication> start(const std::vector<std::string>& environment = {})
    {
        auto application = std::make_unique<RunningApplication>(home, *bus, environment);
        EXPECT_GT(application->pid(), 0) << "the program did not start";
        std::vector<Element> frames;
        EXPECT_TRUE(
            eventually([&] { return !(frames = application->findAll(ATSPI_ROLE_FRAME)).empty(); }, "the main window"))
            << application->log();
        if (!frames.empty()) title = frames.front().name;
        return application;
    }

    void quit(RunningApplication& application)
    {
        ASSERT_TRUE(application.pressKeys(title, {"ctrl+q"}));
        EXPECT_EQ(application.waitForExit(), 0) << application.log();
    }

    std::unique_ptr<WindowManager> windowManager;
    ApplicationHome home;
    // The main window's title, as the last start showed it.
    std::string title;
};

constexpr const char* SideBarWidthKey = "mainwindow.sidebar.width";
constexpr const char* PresentationNotice = "The map is read-only while presenting. Press Escape to leave.";

// The split between the explorer side and the editor: the outermost of the window's splits.
std::optional<Element> sideBarSplit(RunningApplication& application)
{
    std::vector<Element> splits = application.findAll(ATSPI_ROLE_SPLIT_PANE);
    std::optional<Element> outermost;
    for (const Element& split : splits)
        if (!outermost || split.width > outermost->width) outermost = split;
    return outermost;
}

// Drags the divider of the split, which sits at the split's value, by dx.
::testing::AssertionResult dragDivider(const Element& split, int dx)
{
    const std::optional<double> position = split.value();
    if (!position) return ::testing::AssertionFailure() << "the split tells no divider position";
    const int x = split.x + static_cast<int>(std::lround(*position)) + 2;
    const int y = split.y + split.height / 3;
    const std::vector<std::vector<std::string>> steps = {
        {"mousemove", "--sync", std::to_string(x), std::to_string(y)},
        {"mousedown", "1"},
        {"mousemove", "--sync", std::to_string(x + dx / 2), std::to_string(y)},
        {"mousemove", "--sync", std::to_string(x + dx), std::to_string(y)},
        {"mouseup", "1"},
    };
    for (const auto& step : steps) {
        std::vector<std::string> command = {"xdotool"};
        command.insert(command.end(), step.begin(), step.end());
        if (runCommand(command) != 0) return ::testing::AssertionFailure() << "xdotool " << step.front() << " failed";
    }
    return ::testing::AssertionSuccess();
}

std::string guidOfOnlyMap(const ApplicationHome& home)
{
    std::optional<std::vector<StoredMap>> maps = readStoreIndex(home);
    return maps && maps->size() == 1 ? maps->front().id : std::string();
}

// Presenting: the window manager makes the window full screen, the notice shows, the map takes
// no new topic; Escape leaves and the window is a window again.
TEST_F(MainWindowSessionTest, PresentationIsFullScreenReadOnlyAndEscapeLeavesIt)
{
    auto first = start();
    quit(*first);
    const std::string guid = guidOfOnlyMap(home);
    ASSERT_FALSE(guid.empty()) << "the first start made no map";
    const std::optional<std::vector<std::string>> before = readMapTopics(home, guid);
    ASSERT_TRUE(before);

    auto application = start();
    ASSERT_TRUE(application->pressKeys(title, {"F5"}));
    ASSERT_TRUE(eventually([&] { return fullScreen(application->pid()); }, "full screen"));
    EXPECT_TRUE(application->waitFor(ATSPI_ROLE_LABEL, PresentationNotice, nullptr, 10s));
    // Tab would add a topic to a writable map.
    ASSERT_TRUE(application->pressKeys(title, {"Tab"}));
    ASSERT_TRUE(application->typeText(title, "Presented"));
    ASSERT_TRUE(application->pressKeys(title, {"Return", "Escape", "Escape", "Escape"}));
    ASSERT_TRUE(eventually([&] { return !fullScreen(application->pid()); }, "the window to leave full screen"));
    quit(*application);

    const std::optional<std::vector<std::string>> after = readMapTopics(home, guid);
    ASSERT_TRUE(after);
    EXPECT_EQ(*after, *before) << "the presented map changed";
}

// Presenting from full screen: the window stays full screen and presents, with its notice; the
// Escapes that leave a presentation entered from a window leave this one too.
TEST_F(MainWindowSessionTest, PresentingFromFullScreenStaysFullScreenAndEscapeLeavesBoth)
{
    auto application = start();
    ASSERT_TRUE(application->pressKeys(title, {"F11"}));
    ASSERT_TRUE(eventually([&] { return fullScreen(application->pid()); }, "full screen"));
    ASSERT_TRUE(application->pressKeys(title, {"F5"}));
    EXPECT_TRUE(application->waitFor(ATSPI_ROLE_LABEL, PresentationNotice, nullptr, 10s)) << application->log();
    EXPECT_TRUE(fullScreen(application->pid())) << "presenting left full screen";
    ASSERT_TRUE(application->pressKeys(title, {"Escape", "Escape", "Escape"}));
    ASSERT_TRUE(eventually([&] { return !fullScreen(application->pid()); }, "the window to leave full screen"));
    quit(*application);
}

// The side bar keeps the width the user dragged it to across a restart.
TEST_F(MainWindowSessionTest, TheSideBarKeepsItsDraggedWidthAcrossARestart)
{
    auto application = start();
    std::optional<Element> split;
    ASSERT_TRUE(eventually([&] { return (split = sideBarSplit(*application)) && split->value(); }, "the side bar"));
    const double before = *split->value();
    ASSERT_TRUE(dragDivider(*split, 80));
    double dragged = 0;
    ASSERT_TRUE(eventually(
        [&] {
            split = sideBarSplit(*application);
            dragged = split && split->value() ? *split->value() : 0;
            return std::abs(dragged - (before + 80)) <= 4;
        },
        "the divider to follow the drag"));
    quit(*application);
    const std::optional<double> stored = storedNumber(home.defaultsFile(), SideBarWidthKey);
    ASSERT_TRUE(stored);
    EXPECT_NEAR(*stored, dragged, 4);

    auto again = start();
    EXPECT_TRUE(eventually(
        [&] {
            split = sideBarSplit(*again);
            return split && split->value() && std::abs(*split->value() - dragged) <= 4;
        },
        "the side bar at its dragged width"))
        << (split && split->value() ? *split->value() : -1);
    quit(*again);
}

// The toolbar's zoom control opens its menu; 150% zooms the map and the control says so.
TEST_F(MainWindowSessionTest, TheToolbarsZoomMenuZoomsAndTheControlShowsTheFactor)
{
    auto application = start();
    // The default toolbar is wider than the first window: the zoom control needs the screen's width.
    const std::optional<std::string> window = visibleWindow({"--pid", std::to_string(application->pid())});
    ASSERT_TRUE(window);
    ASSERT_EQ(runCommand({"xdotool", "windowsize", "--sync", *window, "1280", "900"}), 0);
    ASSERT_TRUE(application->click(ATSPI_ROLE_PUSH_BUTTON, "100%")) << "the toolbar's zoom control";
    ASSERT_TRUE(application->click(ATSPI_ROLE_MENU_ITEM, "150%"));
    EXPECT_TRUE(application->waitFor(ATSPI_ROLE_PUSH_BUTTON, "150%", nullptr, 10s));
    quit(*application);
}

// Ctrl+F opens the find bar; its field finds three topics and Return steps through them.
TEST_F(MainWindowSessionTest, TheFindBarCountsTheMatchesAndStepsToTheSecond)
{
    auto application = start();
    // Three new topics, each a child of the one before. Keys go to another process: each waits
    // until what the one before opened is shown, as a user's eyes would.
    const auto shownTexts = [&] { return application->findAll(ATSPI_ROLE_TEXT).size(); };
    // The canvas takes the keyboard once the map is shown, which a busy machine shows after the
    // window: a Tab before then moves the focus instead of adding a topic.
    ASSERT_TRUE(eventually(
        [&] {
            const std::vector<Element> canvases = application->findAll(ATSPI_ROLE_DRAWING_AREA);
            return std::any_of(canvases.begin(), canvases.end(), [](const Element& canvas) { return canvas.focused; });
        },
        "the canvas with the keyboard"));
    // The pointer rests on a toolbar button, as an earlier test's click may leave it: the tooltip
    // that shows is a window of the program's name too, and the keys are still the main window's.
    const std::optional<Element> add = application->find(ATSPI_ROLE_PUSH_BUTTON, "Add");
    ASSERT_TRUE(add);
    ASSERT_EQ(
        runCommand({"xdotool", "mousemove", "--sync", std::to_string(add->centreX()), std::to_string(add->centreY())}),
        0);
    ASSERT_TRUE(eventually(
        [&] {
            std::string windows;
            runCommand({"xdotool", "search", "--all", "--onlyvisible", "--pid", std::to_string(application->pid()),
                        "--name", "^" + title + "$"},
                       &windows);
            return std::count(windows.begin(), windows.end(), '\n') > 1;
        },
        "the tooltip"));
    for (const char* text : {"Kiwi one", "Kiwi two", "Kiwi three"}) {
        const size_t before = shownTexts();
        ASSERT_TRUE(application->pressKeys(title, {"Tab"}));
        ASSERT_TRUE(eventually([&] { return shownTexts() > before; }, "the new topic's editor"));
        ASSERT_TRUE(application->typeText(title, text));
        ASSERT_TRUE(application->pressKeys(title, {"Return"}));
        ASSERT_TRUE(eventually([&] { return shownTexts() == before; }, std::string("the end of editing ") + text));
    }
    const size_t fields = shownTexts();
    ASSERT_TRUE(application->pressKeys(title, {"ctrl+f"}));
    ASSERT_TRUE(eventually([&] { return shownTexts() > fields; }, "the find field"));
    ASSERT_TRUE(application->typeText(title, "Kiwi"));
    std::optional<Element> counter;
    for (int step = 0; step < 3 && !counter; ++step) {
        ASSERT_TRUE(application->pressKeys(title, {"Return"}));
        eventually([&] { return (counter = application->find(ATSPI_ROLE_LABEL, "2/3")).has_value(); }, "2/3", 2s);
    }
    EXPECT_TRUE(counter) << "the find bar never showed 2/3";
    ASSERT_TRUE(application->pressKeys(title, {"Escape"}));
    quit(*application);
}

// The window comes back with the last frame the user gave it, here through the window manager:
// never a maximised one, whatever the order the window manager tells size and state in, nor the
// size a scaled display fitted it down to.
TEST_F(MainWindowSessionTest, TheWindowComesBackWithTheLastFrameTheUserGaveIt)
{
    enum Step { Resize900x600, Resize700x500, Maximize, Unmaximize };
    struct Start {
        std::vector<std::string> environment;
        std::vector<Step> steps;
    };
    const struct {
        const char* name;
        std::vector<Start> starts;
        int width;
    } cases[] = {
        {"maximised, quit, un-maximised and maximised again",
         {{{}, {Resize900x600, Maximize}}, {{}, {Unmaximize, Maximize}}},
         900},
        {"a start on a display scaled twice", {{{}, {Resize900x600}}, {{"GDK_SCALE=2"}, {}}}, 900},
        {"resized, then maximised", {{{}, {Resize900x600, Resize700x500, Maximize}}}, 700},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // A last start un-maximises the window to the frame kept.
        for (size_t run = 0; run <= c.starts.size(); ++run) {
            const Start& given = run < c.starts.size() ? c.starts[run] : Start{{}, {Unmaximize}};
            auto application = start(given.environment);
            std::optional<unsigned long> window;
            ASSERT_TRUE(eventually([&] { return (window = mainWindowId(application->pid())).has_value(); }, "window"));
            ManagedWindow managed;
            for (Step step : given.steps) {
                const int width = step == Resize700x500 ? 700 : 900, height = step == Resize700x500 ? 500 : 600;
                ASSERT_TRUE(step == Maximize || step == Unmaximize
                                ? askWindowManagerToMaximize(*window, step == Maximize)
                                : askWindowManagerToMoveResize(*window, 100, 80, width, height));
                // As a user would, the next step waits until the window shows the change: its
                // panes laid out anew across the width the window manager gave it (wider than
                // any the user gives it here when maximised).
                ASSERT_TRUE(eventually(
                    [&] {
                        managed = managedWindow(*window);
                        const std::optional<Element> panes = sideBarSplit(*application);
                        if (!panes || panes->width != managed.width || managed.maximized != (step == Maximize))
                            return false;
                        return step == Maximize ? managed.width > 900 : step == Unmaximize || managed.width == width;
                    },
                    "the window to show the window manager's change"));
            }
            if (run == c.starts.size()) {
                EXPECT_EQ(managed.width, c.width);
            }
            quit(*application);
        }
    }
}

} // namespace
