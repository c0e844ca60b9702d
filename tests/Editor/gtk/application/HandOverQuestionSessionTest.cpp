// A later start hands the running program a copy of a map its store holds, while its user has one
// of the program's dialogs open. The question it brings is never hidden beneath another window of
// the program while it has the keyboard: it shows on top, or, in front of a dialog that runs on its
// own, waits until that dialog is closed; it names the file, its folder too; and the map open under
// the dialog stays.

#include "ApplicationSession.h"
#include "support/WindowManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>

namespace {

constexpr const char* WelcomeTitle = "Welcome";
// The title GTK gives an alert of the program.
constexpr const char* AlertTitle = "Tarnwick";

// The program's shown windows as the window manager stacks them, bottom to top.
std::vector<unsigned long> stackedWindows(pid_t pid)
{
    std::string ours, stack;
    runCommand({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)}, &ours);
    runCommand({"xprop", "-root", "_NET_CLIENT_LIST_STACKING"}, &stack);
    std::vector<unsigned long> own;
    std::istringstream ids(ours);
    for (unsigned long id = 0; ids >> id;) own.push_back(id);
    std::vector<unsigned long> stacked;
    const size_t list = stack.find('#');
    std::istringstream entries(list == std::string::npos ? std::string() : stack.substr(list + 1));
    for (std::string entry; entries >> entry;) {
        const unsigned long id = std::stoul(entry, nullptr, 16);
        if (std::find(own.begin(), own.end(), id) != own.end()) stacked.push_back(id);
    }
    return stacked;
}

unsigned long activeWindow()
{
    std::string active;
    runCommand({"xdotool", "getactivewindow"}, &active);
    return std::strtoul(active.c_str(), nullptr, 10);
}

std::string windowName(unsigned long window)
{
    std::string name;
    runCommand({"xdotool", "getwindowname", std::to_string(window)}, &name);
    return name.substr(0, name.find('\n'));
}

class HandOverQuestionSessionTest : public WholeProgramTest {
protected:
    void SetUp() override
    {
        WholeProgramTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        windowManager = std::make_unique<WindowManager>();
        ASSERT_EQ(windowManager->failure(), "");
    }
    void TearDown() override { windowManager.reset(); }

    // The question about the file, which names its folder, with the texts it shows.
    std::optional<std::vector<std::string>> question(RunningApplication& application, const std::string& file)
    {
        const std::string folder = std::filesystem::path(file).parent_path().string();
        for (const Element& alert : application.findAll(ATSPI_ROLE_ALERT)) {
            const std::vector<std::string> texts = labelsIn(alert);
            for (const std::string& text : texts)
                if (text.find(" in " + folder + " ") != std::string::npos) return texts;
        }
        return std::nullopt;
    }

    // Waits until the store holds the getting-started map's file, and gives its id.
    ::testing::AssertionResult welcomeStored(std::string& welcome)
    {
        return eventually(
            [&] {
                for (const StoredMap& map : readStoreIndex(home).value_or(std::vector<StoredMap>{}))
                    if (map.name == WelcomeTitle) welcome = map.id;
                return !welcome.empty() && std::filesystem::exists(home.mapFile(welcome));
            },
            "the getting-started map in the store");
    }

    std::unique_ptr<WindowManager> windowManager;
    ApplicationHome home;
};

} // namespace

TEST_F(HandOverQuestionSessionTest, AQuestionShowsAboveEveryDialogOrWaitsForItAndTheOpenMapStays)
{
    RunningApplication application(home, *bus);
    ASSERT_TRUE(application.waitForWindow(WelcomeTitle)) << application.log();
    std::string welcome;
    ASSERT_TRUE(welcomeStored(welcome));
    const std::string stored = readTestFile(home.mapFile(welcome));

    using Step = std::function<::testing::AssertionResult()>;
    struct Row {
        const char* dialog;
        Step open;
        Step close;
        // A dialog that runs on its own is answered first; the question comes once it is closed.
        bool waits;
    };
    const auto none = [] { return ::testing::AssertionSuccess(); };
    const Row rows[] = {
        {"none", none, none, false},
        {"preferences",
         [&] {
             if (auto chosen = application.chooseMenuItem("Tarnwick", "Preferences…"); !chosen) return chosen;
             return application.waitForWindow("General");
         },
         [&] {
             if (auto pressed = application.pressKeys("General", {"ctrl+w"}); !pressed) return pressed;
             return application.waitUntilWindowGoes("General");
         },
         false},
        {"print",
         [&] {
             if (auto pressed = application.pressKeys(WelcomeTitle, {"ctrl+p"}); !pressed) return pressed;
             return application.waitForWindow("Print");
         },
         [&] {
             if (auto clicked = application.click(ATSPI_ROLE_PUSH_BUTTON, "Cancel"); !clicked) return clicked;
             return application.waitUntilWindowGoes("Print");
         },
         true},
        {"an alert",
         [&] {
             if (auto chosen = application.chooseMenuItem("Tarnwick", "About Tarnwick…"); !chosen) return chosen;
             return eventually([&] { return !application.findAll(ATSPI_ROLE_ALERT).empty(); }, "the about box");
         },
         // The question, an alert too, comes up as the box goes: its coming is what is waited for.
         [&] { return application.click(ATSPI_ROLE_PUSH_BUTTON, "OK"); }, true},
        {"a file chooser",
         [&] {
             if (auto chosen = application.chooseMenuItem("Mind Map", "Import…"); !chosen) return chosen;
             return application.waitForWindow("Import");
         },
         [&] {
             if (auto clicked = application.click(ATSPI_ROLE_PUSH_BUTTON, "Cancel"); !clicked) return clicked;
             return application.waitUntilWindowGoes("Import");
         },
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.dialog);
        // Every copy has the same name, each in a folder of its own: the question tells them apart.
        const std::string folder = home.file(std::string("from ") + row.dialog);
        std::filesystem::create_directories(folder);
        const std::string copy = folder + "/Welcome.twkx";
        writeTestFile(copy, stored);
        ASSERT_TRUE(row.open());

        RunningApplication start(home, *bus, {}, {copy});
        EXPECT_EQ(start.waitForExit(), 5) << start.log();
        EXPECT_NE(start.log().find(copy), std::string::npos) << start.log();
        if (row.waits) {
            // A start that only brings the window forward is answered after the held file's turn
            // came: a question shown at once would be up by then.
            RunningApplication later(home, *bus);
            EXPECT_EQ(later.waitForExit(), 0) << later.log();
            EXPECT_FALSE(question(application, copy)) << "the question shows while the dialog is open";
            ASSERT_TRUE(row.close());
        }

        std::optional<std::vector<std::string>> texts;
        ASSERT_TRUE(eventually([&] { return bool(texts = question(application, copy)); }, "the question"));
        EXPECT_TRUE(std::any_of(texts->begin(), texts->end(), [&](const std::string& text) {
            return text.find("“Welcome.twkx” in " + folder) != std::string::npos;
        })) << "the question names the file and its folder";
        // On top of every window of the program, with the keyboard.
        EXPECT_TRUE(eventually(
            [&] {
                const std::vector<unsigned long> stacked = stackedWindows(application.pid());
                return !stacked.empty() && windowName(stacked.back()) == AlertTitle && activeWindow() == stacked.back();
            },
            "the question on top, with the keyboard"));

        ASSERT_TRUE(application.click(ATSPI_ROLE_PUSH_BUTTON, "Cancel"));
        ASSERT_TRUE(eventually([&] { return !question(application, copy); }, "the question to go"));
        if (!row.waits) {
            ASSERT_TRUE(row.close());
        }
        EXPECT_TRUE(application.hasWindow(WelcomeTitle)) << "the open map stays";
        EXPECT_EQ(readTestFile(home.mapFile(welcome)), stored);
    }
    ASSERT_TRUE(application.pressKeys(WelcomeTitle, {"ctrl+q"}));
    EXPECT_EQ(application.waitForExit(), 0) << application.log();
}

TEST_F(HandOverQuestionSessionTest, EveryWayOutWithQuestionsLeftNamesEveryFileItDidNotOpen)
{
    struct Road {
        const char* what;
        std::function<::testing::AssertionResult(RunningApplication&)> end;
    };
    const auto signal = [](int number) {
        return [number](RunningApplication& application) {
            application.sendSignal(number);
            return ::testing::AssertionSuccess();
        };
    };
    // The Quit item's keys and the window's close do not reach the program while a question holds
    // the keyboard: the user answers first.
    const Road roads[] = {
        {"SIGTERM", signal(SIGTERM)},
        {"SIGINT", signal(SIGINT)},
        {"SIGHUP", signal(SIGHUP)},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.what);
        RunningApplication application(home, *bus);
        ASSERT_TRUE(application.waitForWindow(WelcomeTitle)) << application.log();
        std::string welcome;
        ASSERT_TRUE(welcomeStored(welcome));
        const std::string stored = readTestFile(home.mapFile(welcome));
        // One asked about, one waiting behind it.
        std::vector<std::string> copies;
        for (const char* folder : {"shown", "waiting"}) {
            std::filesystem::create_directories(home.file(folder));
            copies.push_back(home.file(folder) + "/Welcome.twkx");
            writeTestFile(copies.back(), stored);
            RunningApplication start(home, *bus, {}, {copies.back()});
            EXPECT_EQ(start.waitForExit(), 5) << start.log();
            ASSERT_TRUE(eventually([&] { return bool(question(application, copies.front())); }, "the question"));
        }

        ASSERT_TRUE(road.end(application));
        EXPECT_EQ(application.waitForExit(), 0) << application.log();
        for (const std::string& copy : copies)
            EXPECT_NE(application.log().find(copy), std::string::npos) << copy << " is not named:\n"
                                                                       << application.log();
        EXPECT_NE(application.log().find("Not opened: "), std::string::npos) << application.log();
        EXPECT_EQ(readTestFile(home.mapFile(welcome)), stored);
    }
}
