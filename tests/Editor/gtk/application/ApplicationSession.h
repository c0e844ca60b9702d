#pragma once

// Drives the real program as a user would: it runs with a home folder of its own on a session
// bus of its own; its windows, menus and dialogs are found through the accessibility bus (where
// they are, whether they are enabled), and clicked and typed into with real input events
// (xdotool's XTEST events), so every event takes the path a user's would.

#include "support/TempDir.h"

#include <atspi/atspi-constants.h>
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

using namespace std::chrono_literals;

// Polls until the condition holds or the time is up; the failure names what was awaited.
::testing::AssertionResult eventually(const std::function<bool()>& condition, const std::string& what,
                                      std::chrono::milliseconds timeout = 20s);

// Runs a command to its end and answers its exit status; its standard output goes to output.
int runCommand(const std::vector<std::string>& arguments, std::string* output = nullptr);

// The first window shown that xdotool's search finds by all of the criteria ("--pid", "1234",
// "--name", "^Title$"), leaving out popups; nothing when there is none.
std::optional<std::string> visibleWindow(std::vector<std::string> criteria);

// A session bus for the programs the tests start, with the accessibility bus behind it; this
// process asks the accessibility bus about their windows, with plain calls that wait for their
// answers (no main loop runs here to take in what the programs announce). Started once per
// test program.
class SessionBus {
public:
    SessionBus();
    ~SessionBus();
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    // Empty when the bus runs; else why it does not.
    const std::string& failure() const { return _failure; }
    const std::string& address() const { return _address; }

private:
    pid_t _daemon = 0;
    std::string _address;
    GDBusConnection* _session = nullptr;
    GDBusConnection* _accessibility = nullptr;
    std::string _failure;
};

// One widget as the accessibility bus shows it.
struct Element {
    // Where the widget answers on the accessibility bus.
    std::string bus;
    std::string path;
    AtspiRole role = ATSPI_ROLE_INVALID;
    std::string name;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool sensitive = false;
    // It has the keyboard.
    bool focused = false;

    int centreX() const { return x + width / 2; }
    int centreY() const { return y + height / 2; }
    // The text an entry holds; empty for widgets without text.
    std::string text() const;
    // The value of a widget that has one (a split pane's divider position); nothing otherwise.
    std::optional<double> value() const;
};

// The texts of the labels inside the widget (an alert's message and informative text).
std::vector<std::string> labelsIn(const Element& element);

// The folders a started program writes to, all inside one temporary folder.
class ApplicationHome {
public:
    ApplicationHome();

    const std::string& path() const { return _folder.path(); }
    std::string file(const std::string& name) const { return _folder.file(name); }
    std::string dataHome() const { return _folder.file("data"); }
    std::string configHome() const { return _folder.file("config"); }
    std::string storeFolder() const { return dataHome() + "/Tarnwick/Mind Maps"; }
    std::string mapFile(const std::string& guid) const { return storeFolder() + "/" + guid + ".twkx"; }
    std::string defaultsFile() const { return configHome() + "/tarnwick/defaults.plist"; }

private:
    TempDir _folder;
};

// The program, started in the home, with what its user does to it.
class RunningApplication {
public:
    // environment: further "NAME=value" settings, which win over this process's. files: given on
    // the command line, as a later start that hands them over to the running program is given
    // them. A start while another runs writes a log of its own.
    RunningApplication(const ApplicationHome& home, const SessionBus& bus,
                       const std::vector<std::string>& environment = {}, const std::vector<std::string>& files = {});
    ~RunningApplication();
    RunningApplication(const RunningApplication&) = delete;
    RunningApplication& operator=(const RunningApplication&) = delete;

    pid_t pid() const { return _pid; }
    // What the program wrote to its standard output and error so far.
    std::string log() const;

    // A shown window (the main window, a dialog, an alert) of that title.
    ::testing::AssertionResult waitForWindow(const std::string& title, std::chrono::milliseconds timeout = 20s);
    ::testing::AssertionResult waitUntilWindowGoes(const std::string& title, std::chrono::milliseconds timeout = 20s);
    bool hasWindow(const std::string& title);
    // A shown widget of that role and name in any of the program's windows.
    std::optional<Element> find(AtspiRole role, const std::string& name);
    // The shown widgets of that role, in the order of the windows and their widgets.
    std::vector<Element> findAll(AtspiRole role);
    ::testing::AssertionResult waitFor(AtspiRole role, const std::string& name, Element* found = nullptr,
                                       std::chrono::milliseconds timeout = 20s);

    // A click in the middle of the widget, once it is shown and enabled.
    ::testing::AssertionResult click(AtspiRole role, const std::string& name);
    // Opens the menu of the menu bar and clicks its item, which must be enabled.
    ::testing::AssertionResult chooseMenuItem(const std::string& menu, const std::string& item);
    // Whether the item of that menu is enabled, as the open menu shows it; the menu is closed again.
    // A shown item is given a few seconds to become enabled (an action's state may follow a moment
    // later), so a disabled answer comes only after that wait; nothing when the item is not shown.
    std::optional<bool> menuItemEnabled(const std::string& menu, const std::string& item);
    // Keys (xdotool's names, "ctrl+n") to the window of that title, which gets the focus first.
    ::testing::AssertionResult pressKeys(const std::string& windowTitle, const std::vector<std::string>& keys);
    // Types the text into the focused widget of the window of that title.
    ::testing::AssertionResult typeText(const std::string& windowTitle, const std::string& text);
    // In a file chooser of that title: the path typed into its location (or name) field, then
    // Return, until the chooser goes (a chooser still reading its folder may swallow the first).
    ::testing::AssertionResult chooseFile(const std::string& dialogTitle, const std::string& path);

    void sendSignal(int signal);
    // The exit status once the program ended within the time; nothing while it runs.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout = 20s);

private:
    // The program's windows, as the widgets they are.
    std::vector<Element> toplevels();
    std::optional<std::string> windowId(const std::string& title);

    static inline int s_running = 0;
    pid_t _pid = -1;
    // The program's name on the accessibility bus, once it showed up there.
    std::string _bus;
    std::optional<int> _status;
    std::string _logFile;
};

// The keyring of a signed-in desktop user, unlocked and empty, on the test's session bus. Without
// one the bus would start a keyring that asks for a new password in a window of its own; where
// none is installed the program keeps its sign-in in its file instead.
class UnlockedKeyring {
public:
    UnlockedKeyring(const ApplicationHome& home, const SessionBus& bus);
    ~UnlockedKeyring();
    UnlockedKeyring(const UnlockedKeyring&) = delete;
    UnlockedKeyring& operator=(const UnlockedKeyring&) = delete;

    bool running() const;
    // Keeps a sign-in as the program would have kept it.
    ::testing::AssertionResult store(const std::string& account, const std::string& secret) const;

private:
    std::string _bus;
    GPid _pid = 0;
};

// A sign-in kept where the program looks for it: in the keyring when one runs, else in its file.
::testing::AssertionResult keepSignIn(const ApplicationHome& home, const UnlockedKeyring& keyring,
                                      const std::string& account, const std::string& secret);

// What the store holds, read back from its files as the store reads them.
// The fixture of the whole-program tests: one private session bus for each suite's runs, and the
// display and xdotool, which the tests drive the program through.
class WholeProgramTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { bus = new SessionBus(); }
    static void TearDownTestSuite()
    {
        delete bus;
        bus = nullptr;
    }
    void SetUp() override;

    static inline SessionBus* bus = nullptr;
};

// The fixture of the whole-program cloud tests. The test user's desktop has an unlocked keyring and
// a browser that follows a sign-in as a signed-in user's browser does: through the redirects on
// loopback (the stand-in's consent page answers with the redirect at once), handing any address of
// another scheme to the program that claims it. The program's launcher is registered too.
class CloudSessionTest : public WholeProgramTest {
protected:
    static constexpr const char* CloudsTab = "Clouds";
    static constexpr const char* ConnectButton = "Connect";
    static constexpr const char* DisconnectButton = "Disconnect";

    void SetUp() override;
    void TearDown() override { keyring.reset(); }

    // scheme: one more "x-scheme-handler/<scheme>" the launcher claims, as a build with that
    // service's key does; none when empty.
    void registerDesktop(const std::string& scheme);
    // The program with the service's settings; a test machine's network monitor may know no route,
    // so the plain one counts the network as there.
    std::unique_ptr<RunningApplication> start(std::vector<std::string> environment);
    void quit(RunningApplication& application, const std::string& title);
    // Types a new child of the selected central topic (Tab opens it, Return ends the typing) and
    // quits; how long the quit took, the upload of the edit with it, is printed for `what` and
    // recorded as "quit_ms".
    void typeChildTopicAndQuit(RunningApplication& application, const std::string& title, const std::string& text,
                               const std::string& what);
    // Through the cloud set-up tab and the browser; the row then offers to disconnect.
    void connect(RunningApplication& application);
    // The map the next start reopens, as the user defaults keep it.
    void rememberMap(const std::string& providerId, const std::string& mapId);
    std::string diagnosis(RunningApplication& application);

    ApplicationHome home;
    std::unique_ptr<UnlockedKeyring> keyring;
};

// A native map with its central topic selected, as a phone or another computer put it on a cloud.
std::string nativeMapText(const std::string& guid, const std::string& title, const std::string& child);

struct StoredMap {
    std::string id;
    std::string name;
};
// The maps of the store's folder index, in its order; nothing when the index cannot be read.
std::optional<std::vector<StoredMap>> readStoreIndex(const ApplicationHome& home);
// The texts of the map's topics as the native reader reads its file; nothing when it cannot.
std::optional<std::vector<std::string>> readMapTopics(const ApplicationHome& home, const std::string& guid);
// The same of a map's bytes (a map on a cloud, as the stand-in of its service keeps it).
std::optional<std::vector<std::string>> mapTopicsOf(const std::vector<uint8_t>& data, const std::string& guid);
// The same of a map's text as a set; empty when it cannot be read.
std::set<std::string> mapTopicSetOf(const std::string& contents, const std::string& guid);
// The number of pages poppler reads out of the PDF file and the text of its first page.
struct PdfContents {
    int pages = 0;
    std::string firstPageText;
};
std::optional<PdfContents> readPdf(const std::string& path);
