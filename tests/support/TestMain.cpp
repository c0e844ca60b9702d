#include "platform/TokenStore.h"
#include "support/TempDir.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

// Defined in the test programs whose tests need a display (support/PrivateDisplay.cpp): they
// get one of their own.
[[gnu::weak]] void providePrivateDisplay(int argc, char** argv);

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
    // Sign-ins go to the file in the folders above: the session bus the tests were started on
    // may be a desktop's, whose keyring is the user's. A test of the keyring chooses it itself,
    // on a bus of its own.
    setTokenStoreChoice(TokenStoreChoice::FileOnly);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
