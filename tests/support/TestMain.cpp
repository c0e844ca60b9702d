#include "platform/TokenStore.h"
#include "support/TempDir.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Defined in the test programs whose tests need a display (support/PrivateDisplay.cpp): they
// get one of their own.
[[gnu::weak]] void providePrivateDisplay(int argc, char** argv);
[[gnu::weak]] bool xvfbInstalled();
// Also there (support/WindowTestStart.cpp): every test starts without what earlier ones left.
[[gnu::weak]] void settleWindowsBeforeEachTest();

namespace {

// A program whose tests need a display and got none: without Xvfb its tests skip, unless the run
// promised a display; where Xvfb is there and did not start, they fail.
class NoDisplay : public ::testing::Environment {
public:
    void SetUp() override
    {
        const char* ci = std::getenv("CI");
        if (ci && std::strcmp(ci, "true") == 0) FAIL() << "no display, though CI provides one";
        if (xvfbInstalled()) FAIL() << "Xvfb is installed but gave no display";
        // Google Test counts the tests an environment skipped as passed: ctest learns of the skip
        // from the line it looks for in a skipped test's output.
        std::printf("[  SKIPPED ] no display: Xvfb is not installed\n");
        GTEST_SKIP() << "no display: Xvfb is not installed";
    }
};

} // namespace

// Every test process gets its own data and config folders, so that no test touches the user's.
int main(int argc, char** argv)
{
    if (providePrivateDisplay) providePrivateDisplay(argc, argv);
    // Static, so that it goes also when a test ends the process with exit(), as the child of a
    // death test does (it runs this main anew), and after the objects made later, which may
    // still write their settings into it as they go.
    static TempDir home;
    setenv("HOME", home.path().c_str(), 1);
    setenv("XDG_DATA_HOME", home.file("data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", home.file("config").c_str(), 1);
    setenv("XDG_CACHE_HOME", home.file("cache").c_str(), 1);
    // GLib keeps its first answer for these folders for the life of the process. Asked now, they
    // are this one's: otherwise the first test to make GTK ask, with the folders pointed at its
    // own, gave them for good, and what GTK wrote later (the recent files of a print to a file)
    // made that test's removed folder anew, left behind in TMPDIR.
    g_get_home_dir();
    g_get_user_data_dir();
    g_get_user_config_dir();
    g_get_user_cache_dir();
    // What GTK's widgets remember through GSettings (the colour chooser's last colours) stays in
    // the process instead of reaching the user's settings database.
    setenv("GSETTINGS_BACKEND", "memory", 1);
    // The session bus the tests were started on may be a desktop's, the user's: GTK would ask it
    // for the accessibility bus, the session manager and the colour picker's screenshot services.
    // Without a bus it does without them. A script that gives its tests a bus of their own says so.
    if (!std::getenv("TARNWICK_TEST_SESSION_BUS"))
        setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + home.file("no-bus")).c_str(), 1);
    // Sign-ins go to the file in the folders above, also where a script gave the tests a bus: a
    // test of the keyring chooses the keyring itself.
    setTokenStoreChoice(TokenStoreChoice::FileOnly);
    // A death test's child runs this anew and uses the display of the test that started it.
    bool deathTestChild = false;
    for (int i = 1; i < argc; ++i)
        deathTestChild = deathTestChild || std::strncmp(argv[i], "--gtest_internal_run_death_test", 31) == 0;
    if (providePrivateDisplay && !std::getenv("DISPLAY") && !deathTestChild)
        ::testing::AddGlobalTestEnvironment(new NoDisplay);
    ::testing::InitGoogleTest(&argc, argv);
    if (settleWindowsBeforeEachTest && std::getenv("DISPLAY") && !deathTestChild) settleWindowsBeforeEachTest();
    return RUN_ALL_TESTS();
}
