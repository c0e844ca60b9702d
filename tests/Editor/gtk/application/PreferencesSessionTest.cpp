// The preferences window as its user works with it in the running program: panes switched by
// toolbar clicks, the grid size typed, the editor scale slid while the map's canvas follows, and
// the same pane at the same place after a restart.

#include "ApplicationSession.h"
#include "platform/PropertyList.h"
#include "support/DisplayRequirement.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <fstream>
#include <sstream>

namespace {

constexpr const char* WelcomeTitle = "Welcome";

class PreferencesSessionTest : public WholeProgramTest {
protected:
    static void screenshot(const std::string& path) { runCommand({"import", "-window", "root", path}); }

    // What the program stored, read as it reads it.
    std::optional<PropertyList> stored(const std::string& key)
    {
        std::ifstream file(home.defaultsFile(), std::ios::binary);
        std::stringstream contents;
        contents << file.rdbuf();
        const std::string text = contents.str();
        std::optional<PropertyList> list = PropertyList::fromData(PropertyList::Data(text.begin(), text.end()));
        if (!list || !list->dictionaryValue()) return std::nullopt;
        auto found = list->dictionaryValue()->find(key);
        if (found == list->dictionaryValue()->end()) return std::nullopt;
        return found->second;
    }

    // The X window's top-left corner and size.
    static std::optional<std::array<int, 4>> geometry(const std::string& title)
    {
        std::string id;
        if (runCommand({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"}, &id) != 0)
            return std::nullopt;
        id = id.substr(0, id.find('\n'));
        std::string shell;
        if (runCommand({"xdotool", "getwindowgeometry", "--shell", id}, &shell) != 0) return std::nullopt;
        std::array<int, 4> values{};
        std::istringstream lines(shell);
        for (std::string line; std::getline(lines, line);) {
            const auto equals = line.find('=');
            if (equals == std::string::npos) continue;
            const std::string name = line.substr(0, equals);
            const int value = std::atoi(line.c_str() + equals + 1);
            if (name == "X") values[0] = value;
            if (name == "Y") values[1] = value;
            if (name == "WIDTH") values[2] = value;
            if (name == "HEIGHT") values[3] = value;
        }
        return values;
    }

    static AtspiRole paneItemRole(RunningApplication& application, const std::string& name)
    {
        return application.find(ATSPI_ROLE_RADIO_BUTTON, name) ? ATSPI_ROLE_RADIO_BUTTON : ATSPI_ROLE_TOGGLE_BUTTON;
    }

    ApplicationHome home;
};

// The share of pixels inside the canvas, outside the preferences window, that differ.
double changedShare(const std::string& before, const std::string& after, const Element& canvas,
                    const std::array<int, 4>& preferences)
{
    GdkPixbuf* first = gdk_pixbuf_new_from_file(before.c_str(), nullptr);
    GdkPixbuf* second = gdk_pixbuf_new_from_file(after.c_str(), nullptr);
    if (!first || !second) return -1;
    const int stride = gdk_pixbuf_get_rowstride(first);
    const int channels = gdk_pixbuf_get_n_channels(first);
    const guchar* a = gdk_pixbuf_get_pixels(first);
    const guchar* b = gdk_pixbuf_get_pixels(second);
    long counted = 0, changed = 0;
    const int width = gdk_pixbuf_get_width(first), height = gdk_pixbuf_get_height(first);
    for (int y = std::max(0, canvas.y); y < std::min(height, canvas.y + canvas.height); ++y)
        for (int x = std::max(0, canvas.x); x < std::min(width, canvas.x + canvas.width); ++x) {
            if (x >= preferences[0] - 8 && x < preferences[0] + preferences[2] + 8 && y >= preferences[1] - 40 &&
                y < preferences[1] + preferences[3] + 8)
                continue;
            ++counted;
            const guchar* p = a + y * stride + x * channels;
            const guchar* q = b + y * stride + x * channels;
            if (p[0] != q[0] || p[1] != q[1] || p[2] != q[2]) ++changed;
        }
    g_object_unref(first);
    g_object_unref(second);
    return counted ? double(changed) / double(counted) : -1;
}

// Keys or text to the program's own window of that title. xdotool's search matches any of its
// criteria unless told to match all, which would find the program's main window for any title.
::testing::AssertionResult toWindow(pid_t pid, const std::string& title, const std::vector<std::string>& command)
{
    std::string id;
    if (runCommand(
            {"xdotool", "search", "--all", "--onlyvisible", "--pid", std::to_string(pid), "--name", "^" + title + "$"},
            &id) != 0)
        return ::testing::AssertionFailure() << "no window '" << title << "'";
    id = id.substr(0, id.find('\n'));
    if (runCommand({"xdotool", "windowfocus", "--sync", id}) != 0)
        return ::testing::AssertionFailure() << "'" << title << "' took no focus";
    std::vector<std::string> arguments{"xdotool"};
    arguments.insert(arguments.end(), command.begin(), command.end());
    if (runCommand(arguments) != 0) return ::testing::AssertionFailure() << "xdotool failed";
    return ::testing::AssertionSuccess();
}

TEST_F(PreferencesSessionTest, PanesSwitchByTheToolbarTheCanvasFollowsTheScaleAndARestartFindsThePaneAndPlace)
{
    std::array<int, 4> place{};
    {
        RunningApplication application(home, *bus);
        ASSERT_TRUE(application.waitForWindow(WelcomeTitle));
        ASSERT_TRUE(application.chooseMenuItem("Tarnwick", "Preferences…"));
        ASSERT_TRUE(application.waitForWindow("General"));

        ASSERT_TRUE(application.click(paneItemRole(application, "Snapping"), "Snapping"));
        ASSERT_TRUE(application.waitForWindow("Snapping"));
        ASSERT_TRUE(application.click(ATSPI_ROLE_CHECK_BOX, "Snap to the grid"));
        ASSERT_TRUE(application.click(ATSPI_ROLE_SPIN_BUTTON, "Grid size:"));
        ASSERT_TRUE(toWindow(application.pid(), "Snapping", {"key", "--delay", "40", "ctrl+a"}));
        ASSERT_TRUE(toWindow(application.pid(), "Snapping", {"type", "--delay", "15", "44"}));
        ASSERT_TRUE(toWindow(application.pid(), "Snapping", {"key", "--delay", "40", "Tab"}));
        EXPECT_TRUE(eventually(
            [&] {
                std::optional<PropertyList> grid = stored("Editor.Snap.GridSize");
                return grid && grid->integerValue() == 44;
            },
            "the grid size 44 in the settings"));

        // Every pane answers its toolbar item; a person looks at them when the run asks for it.
        for (const char* pane : {"Images", "Maintenance", "Device Link", "General"}) {
            ASSERT_TRUE(application.click(paneItemRole(application, pane), pane));
            ASSERT_TRUE(application.waitForWindow(pane));
            if (const char* folder = std::getenv("TARNWICK_SESSION_SCREENSHOTS"))
                screenshot(std::string(folder) + "/preferences-" + pane + ".png");
        }

        // The store's export button reaches the application's command while the preferences are
        // the key window.
        ASSERT_TRUE(application.click(paneItemRole(application, "Maintenance"), "Maintenance"));
        ASSERT_TRUE(application.click(ATSPI_ROLE_PUSH_BUTTON, "Export the Store"));
        const std::string archive = home.file("everything.twkstore");
        ASSERT_TRUE(application.chooseFile("Export the Store", archive));
        EXPECT_TRUE(eventually([&] { return std::ifstream(archive).good(); }, "the store archive"));

        // Out of the canvas's way, at a place the next start must find again.
        ASSERT_TRUE(application.click(paneItemRole(application, "Fonts"), "Fonts"));
        ASSERT_TRUE(application.waitForWindow("Fonts"));
        std::string id;
        ASSERT_EQ(runCommand({"xdotool", "search", "--onlyvisible", "--name", "^Fonts$"}, &id), 0);
        id = id.substr(0, id.find('\n'));
        ASSERT_EQ(runCommand({"xdotool", "windowmove", "--sync", id, "700", "40"}), 0);
        // The program keeps the place once it has seen the window arrive there.
        ASSERT_TRUE(eventually(
            [&] {
                std::optional<std::array<int, 4>> moved = geometry("Fonts");
                if (!moved) return false;
                place = *moved;
                std::optional<PropertyList> kept = stored("MASPreferences Frame Top Left");
                return kept &&
                    kept->stringValue() == "{" + std::to_string(place[0]) + ", " + std::to_string(place[1]) + "}";
            },
            "the window's new place in the settings"));

        Element canvas;
        ASSERT_TRUE(application.waitFor(ATSPI_ROLE_DRAWING_AREA, WelcomeTitle, &canvas));
        const std::string before = home.file("before.png"), after = home.file("after.png");
        screenshot(before);
        // A click in the middle of the slider puts it at 100 %; End slides it to the largest scale.
        ASSERT_TRUE(application.click(ATSPI_ROLE_SLIDER, "Editor scale:"));
        ASSERT_TRUE(toWindow(application.pid(), "Fonts", {"key", "End"}));
        EXPECT_TRUE(eventually(
            [&] {
                std::optional<PropertyList> scale = stored("editorGlobalScaleFactor");
                return scale && scale->realValue() == 4.0;
            },
            "the scale 4.0 in the settings"));
        EXPECT_TRUE(application.find(ATSPI_ROLE_LABEL, "400%"));
        // The map drawn four times as large changes much of the canvas, once the canvas is drawn again.
        double changed = -1;
        EXPECT_TRUE(eventually(
            [&] {
                screenshot(after);
                changed = changedShare(before, after, canvas, place);
                return changed > 0.02;
            },
            "the canvas drawn at the new scale"))
            << changed;
        if (const char* folder = std::getenv("TARNWICK_SESSION_SCREENSHOTS")) {
            runCommand({"cp", before, std::string(folder) + "/preferences-scale-before.png"});
            runCommand({"cp", after, std::string(folder) + "/preferences-scale-after.png"});
        }

        ASSERT_TRUE(application.chooseMenuItem("Tarnwick", "Quit Tarnwick"));
        ASSERT_TRUE(application.waitForExit(30s));
    }
    RunningApplication application(home, *bus);
    ASSERT_TRUE(application.waitForWindow(WelcomeTitle));
    ASSERT_TRUE(application.chooseMenuItem("Tarnwick", "Preferences…"));
    ASSERT_TRUE(application.waitForWindow("Fonts"));
    EXPECT_FALSE(application.hasWindow("General"));
    std::optional<std::array<int, 4>> reopened = geometry("Fonts");
    ASSERT_TRUE(reopened);
    EXPECT_EQ((*reopened)[0], place[0]);
    EXPECT_EQ((*reopened)[1], place[1]);
    ASSERT_TRUE(application.chooseMenuItem("Tarnwick", "Quit Tarnwick"));
    EXPECT_TRUE(application.waitForExit(30s));
}

} // namespace
