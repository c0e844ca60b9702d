#include "ApplicationSession.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/VersionInfoUtils.h"
#include "formats/MindMapFormatDetector.h"
#include "formats/TwkxArchiveReader.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/PropertyList.h"
#include "platform/TokenStore.h"
#include "store/FolderIndexFormat.h"
#include "support/DisplayRequirement.h"
#include "support/MemoryImageStore.h"

#include <fcntl.h>
#include <glib.h>
#include <poll.h>
#include <poppler.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string_view>
#include <thread>

extern char** environ;

namespace {

constexpr auto PollInterval = 50ms;
// Widgets deeper than this are no controls a test looks for (and a cycle cannot hang the walk).
constexpr int MaxTreeDepth = 40;

std::string takeString(gchar* text)
{
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

std::vector<uint8_t> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The accessibility bus this process asks; set while the session bus runs.
GDBusConnection* accessibilityBus = nullptr;

constexpr const char* ProgramWindowTitle = "Tarnwick";
constexpr const char* RegistryName = "org.a11y.atspi.Registry";
constexpr const char* RootPath = "/org/a11y/atspi/accessible/root";
constexpr const char* AccessibleInterface = "org.a11y.atspi.Accessible";
// A program busy with a dialog still answers within this; one that does not is stuck.
constexpr int CallTimeoutMilliseconds = 5000;

// The answer of a method call, or nothing when the object is gone (or never answers).
GVariant* call(const std::string& bus, const std::string& path, const char* interface, const char* method,
               GVariant* parameters, const char* replyType)
{
    if (!accessibilityBus) {
        if (parameters) g_variant_unref(g_variant_ref_sink(parameters));
        return nullptr;
    }
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(accessibilityBus, bus.c_str(), path.c_str(), interface, method,
                                                  parameters, G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NONE,
                                                  CallTimeoutMilliseconds, nullptr, &error);
    if (error) g_error_free(error);
    return reply;
}

std::optional<std::string> nameOf(const std::string& bus, const std::string& path)
{
    GVariant* reply = call(bus, path, "org.freedesktop.DBus.Properties", "Get",
                           g_variant_new("(ss)", AccessibleInterface, "Name"), "(v)");
    if (!reply) return std::nullopt;
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    std::string name = g_variant_is_of_type(value, G_VARIANT_TYPE_STRING) ? g_variant_get_string(value, nullptr) : "";
    g_variant_unref(value);
    g_variant_unref(reply);
    return name;
}

std::optional<AtspiRole> roleOf(const std::string& bus, const std::string& path)
{
    GVariant* reply = call(bus, path, AccessibleInterface, "GetRole", nullptr, "(u)");
    if (!reply) return std::nullopt;
    guint32 role = 0;
    g_variant_get(reply, "(u)", &role);
    g_variant_unref(reply);
    return static_cast<AtspiRole>(role);
}

// The widget's states as bits of the state numbers; nothing when it is gone.
std::optional<std::vector<guint32>> statesOf(const std::string& bus, const std::string& path)
{
    GVariant* reply = call(bus, path, AccessibleInterface, "GetState", nullptr, "(au)");
    if (!reply) return std::nullopt;
    GVariantIter* words = nullptr;
    g_variant_get(reply, "(au)", &words);
    std::vector<guint32> states;
    guint32 word = 0;
    while (g_variant_iter_next(words, "u", &word)) states.push_back(word);
    g_variant_iter_free(words);
    g_variant_unref(reply);
    return states;
}

bool hasState(const std::vector<guint32>& states, AtspiStateType state)
{
    const size_t word = static_cast<size_t>(state) / 32;
    return word < states.size() && (states[word] >> (static_cast<unsigned>(state) % 32)) & 1u;
}

std::vector<std::pair<std::string, std::string>> childrenOf(const std::string& bus, const std::string& path)
{
    std::vector<std::pair<std::string, std::string>> children;
    GVariant* reply = call(bus, path, AccessibleInterface, "GetChildren", nullptr, "(a(so))");
    if (!reply) return children;
    GVariantIter* list = nullptr;
    g_variant_get(reply, "(a(so))", &list);
    const gchar* childBus = nullptr;
    const gchar* childPath = nullptr;
    while (g_variant_iter_next(list, "(&s&o)", &childBus, &childPath)) children.emplace_back(childBus, childPath);
    g_variant_iter_free(list);
    g_variant_unref(reply);
    return children;
}

// Fills the element's name and place from the bus; false when the widget has gone meanwhile.
bool describe(Element& element)
{
    std::optional<std::string> name = nameOf(element.bus, element.path);
    if (!name) return false;
    element.name = *name;
    GVariant* reply = call(element.bus, element.path, "org.a11y.atspi.Component", "GetExtents",
                           g_variant_new("(u)", static_cast<guint32>(ATSPI_COORD_TYPE_SCREEN)), "((iiii))");
    if (!reply) return false;
    g_variant_get(reply, "((iiii))", &element.x, &element.y, &element.width, &element.height);
    g_variant_unref(reply);
    return true;
}

// The shown widgets below the object (itself included) of the role, depth first; a widget that
// is not shown hides its whole subtree, which keeps the walk short.
void collect(const std::string& bus, const std::string& path, AtspiRole role, const std::string* name,
             std::vector<Element>& found, int depth = 0)
{
    if (depth > MaxTreeDepth) return;
    std::optional<std::vector<guint32>> states = statesOf(bus, path);
    if (!states || !hasState(*states, ATSPI_STATE_SHOWING)) return;
    std::optional<AtspiRole> own = roleOf(bus, path);
    if (!own) return;
    if (*own == role) {
        Element element;
        element.bus = bus;
        element.path = path;
        element.role = *own;
        element.sensitive = hasState(*states, ATSPI_STATE_SENSITIVE);
        element.focused = hasState(*states, ATSPI_STATE_FOCUSED);
        if (describe(element) && (!name || element.name == *name) && element.width > 0)
            found.push_back(std::move(element));
    }
    for (const auto& [childBus, childPath] : childrenOf(bus, path))
        collect(childBus, childPath, role, name, found, depth + 1);
}

std::string regexQuoted(const std::string& text)
{
    std::string quoted;
    for (char c : text) {
        if (std::strchr("\\^$.|?*+()[]{}", c)) quoted += '\\';
        quoted += c;
    }
    return quoted;
}

::testing::AssertionResult xdotool(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "xdotool");
    if (runCommand(arguments) == 0) return ::testing::AssertionSuccess();
    std::string line;
    for (const std::string& argument : arguments) line += argument + " ";
    return ::testing::AssertionFailure() << "failed: " << line;
}

::testing::AssertionResult clickAt(int x, int y)
{
    return xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "1"});
}

} // namespace

::testing::AssertionResult eventually(const std::function<bool()>& condition, const std::string& what,
                                      std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (true) {
        if (condition()) return ::testing::AssertionSuccess();
        if (std::chrono::steady_clock::now() > end)
            return ::testing::AssertionFailure() << "timed out after " << timeout.count() << " ms waiting for " << what;
        std::this_thread::sleep_for(PollInterval);
    }
}

int runCommand(const std::vector<std::string>& arguments, std::string* output)
{
    std::vector<gchar*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<gchar*>(argument.c_str()));
    argv.push_back(nullptr);
    gchar* standardOutput = nullptr;
    gint status = -1;
    GError* error = nullptr;
    const gboolean ran = g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr,
                                      &standardOutput, nullptr, &status, &error);
    if (output) *output = standardOutput ? standardOutput : "";
    g_free(standardOutput);
    if (!ran) {
        g_error_free(error);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// ---- SessionBus ----

namespace {

GDBusConnection* connectTo(const std::string& address, std::string& failure)
{
    GError* error = nullptr;
    GDBusConnection* connection =
        g_dbus_connection_new_for_address_sync(address.c_str(),
                                               GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                                    G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                                               nullptr, nullptr, &error);
    if (error) {
        failure = "cannot connect to " + address + ": " + error->message;
        g_error_free(error);
    }
    return connection;
}

} // namespace

SessionBus::SessionBus()
{
    const char* argv[] = {"dbus-daemon", "--session", "--nofork", "--print-address=1", nullptr};
    gint output = -1;
    GError* error = nullptr;
    GPid pid = 0;
    if (!g_spawn_async_with_pipes(
            nullptr, const_cast<gchar**>(argv), nullptr,
            GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDERR_TO_DEV_NULL), nullptr, nullptr,
            &pid, nullptr, &output, nullptr, &error)) {
        _failure = std::string("dbus-daemon does not start: ") + error->message;
        g_error_free(error);
        return;
    }
    _daemon = pid;
    // The daemon prints its address once it listens.
    std::string line;
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < end) {
        pollfd ready{output, POLLIN, 0};
        if (poll(&ready, 1, 100) <= 0) continue;
        char buffer[256];
        const ssize_t count = read(output, buffer, sizeof buffer);
        if (count <= 0) break;
        line.append(buffer, static_cast<size_t>(count));
    }
    close(output);
    if (line.find('\n') == std::string::npos) {
        _failure = "dbus-daemon printed no address";
        return;
    }
    _address = line.substr(0, line.find('\n'));
    _session = connectTo(_address, _failure);
    if (!_session) return;
    // The accessibility bus starts when it is first asked for.
    GVariant* reply =
        g_dbus_connection_call_sync(_session, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", nullptr,
                                    G_VARIANT_TYPE("(s)"), G_DBUS_CALL_FLAGS_NONE, 10000, nullptr, &error);
    if (!reply) {
        _failure = std::string("no accessibility bus: ") + error->message;
        g_error_free(error);
        return;
    }
    const gchar* accessibilityAddress = nullptr;
    g_variant_get(reply, "(&s)", &accessibilityAddress);
    _accessibility = connectTo(accessibilityAddress, _failure);
    g_variant_unref(reply);
    accessibilityBus = _accessibility;
}

SessionBus::~SessionBus()
{
    accessibilityBus = nullptr;
    if (_accessibility) g_object_unref(_accessibility);
    if (_session) g_object_unref(_session);
    // The accessibility bus and its registry end with the session bus.
    if (_daemon > 0) {
        kill(_daemon, SIGTERM);
        int status = 0;
        waitpid(_daemon, &status, 0);
    }
}

// ---- Element ----

std::string Element::text() const
{
    GVariant* reply = call(bus, path, "org.a11y.atspi.Text", "GetText", g_variant_new("(ii)", 0, -1), "(s)");
    if (!reply) return {};
    const gchar* text = nullptr;
    g_variant_get(reply, "(&s)", &text);
    std::string result = text ? text : "";
    g_variant_unref(reply);
    return result;
}

std::optional<double> Element::value() const
{
    GVariant* reply = call(bus, path, "org.freedesktop.DBus.Properties", "Get",
                           g_variant_new("(ss)", "org.a11y.atspi.Value", "CurrentValue"), "(v)");
    if (!reply) return std::nullopt;
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    std::optional<double> number;
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_DOUBLE)) number = g_variant_get_double(value);
    g_variant_unref(value);
    g_variant_unref(reply);
    return number;
}

std::vector<std::string> labelsIn(const Element& element)
{
    std::vector<Element> labels;
    collect(element.bus, element.path, ATSPI_ROLE_LABEL, nullptr, labels);
    std::vector<std::string> texts;
    for (const Element& label : labels) texts.push_back(label.name);
    return texts;
}

// ---- ApplicationHome ----

ApplicationHome::ApplicationHome()
{
    std::filesystem::create_directories(configHome() + "/gtk-3.0");
    // Printing goes to files only, whatever printers the machine has; nothing slides or fades.
    writeTestFile(configHome() + "/gtk-3.0/settings.ini",
                  "[Settings]\ngtk-print-backends=file\ngtk-enable-animations=false\n");
    // A second after the first map shows, the program checks its one-off messages: this build's
    // new-features note counts as seen, or its alert would stand in front of the windows the tests
    // drive, and the periodic hint is years ahead.
    std::filesystem::create_directories(configHome() + "/tarnwick");
    PropertyList::Dictionary defaults;
    defaults["new-features-v" + bundleInfoValue("CFBundleVersion")] = PropertyList(true);
    // 2060-01-01 in seconds since 2001-01-01.
    defaults["AdScheduler.ScheduledDate"] = PropertyList(PropertyList::Date{1861833600.0});
    const PropertyList::Data data = PropertyList(defaults).toData();
    writeTestFile(defaultsFile(), std::string(data.begin(), data.end()));
}

// ---- RunningApplication ----

RunningApplication::RunningApplication(const ApplicationHome& home, const SessionBus& bus,
                                       const std::vector<std::string>& settings, const std::vector<std::string>& files)
    : _logFile(home.file(s_running++ == 0 ? "program.log" : "start-" + std::to_string(s_running) + ".log"))
{
    // A loaded display has been seen to refuse a connection now and then; a program that cannot
    // open it ends at once, and the test with it. It starts once the display answers.
    std::string description;
    EXPECT_TRUE(eventually([&] { return runCommand({"xdpyinfo"}, &description) == 0; }, "the display to answer", 10s));
    std::vector<std::string> environment;
    std::vector<std::string> replaced = {
        "HOME",         "XDG_DATA_HOME",   "XDG_CONFIG_HOME",     "XDG_CACHE_HOME", "DBUS_SESSION_BUS_ADDRESS",
        "NO_AT_BRIDGE", "GDK_BACKEND",     "WAYLAND_DISPLAY",     "LANGUAGE",       "LC_ALL",
        "LANG",         "XDG_RUNTIME_DIR", "TARNWICK_DEVICE_LINK"};
    for (const std::string& setting : settings) replaced.push_back(setting.substr(0, setting.find('=')));
    for (char** variable = environ; *variable; ++variable) {
        const std::string assignment = *variable;
        const std::string name = assignment.substr(0, assignment.find('='));
        if (std::find(replaced.begin(), replaced.end(), name) == replaced.end()) environment.push_back(assignment);
    }
    environment.push_back("HOME=" + home.path());
    environment.push_back("XDG_DATA_HOME=" + home.dataHome());
    environment.push_back("XDG_CONFIG_HOME=" + home.configHome());
    environment.push_back("XDG_CACHE_HOME=" + home.file("cache"));
    environment.push_back("DBUS_SESSION_BUS_ADDRESS=" + bus.address());
    // The names the tests look for are GTK's English ones, on X where the input events go.
    environment.push_back("GDK_BACKEND=x11");
    environment.push_back("LC_ALL=C.UTF-8");
    // No run here may listen beyond the machine or announce itself on its network.
    environment.push_back("TARNWICK_DEVICE_LINK=off");
    environment.insert(environment.end(), settings.begin(), settings.end());
    std::vector<char*> envp;
    for (std::string& assignment : environment) envp.push_back(assignment.data());
    envp.push_back(nullptr);
    std::string program = TARNWICK_PROGRAM;
    std::vector<std::string> arguments = files;
    std::vector<char*> argv = {program.data()};
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    // Even a display that has just answered may refuse the program's own connection: the program
    // ends at once with GTK's complaint and is started again. One that runs on until it shows a
    // window, or ends for any other reason, is the test's to judge.
    constexpr int Attempts = 3;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, _logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        // Started from the desktop, a program runs in the user's home.
        posix_spawn_file_actions_addchdir_np(&actions, home.path().c_str());
        if (posix_spawn(&_pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) _pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        if (_pid <= 0) return;
        bool refused = false;
        static_cast<void>(eventually(
            [&] {
                int status = 0;
                if (waitpid(_pid, &status, WNOHANG) != _pid) return !toplevels().empty();
                _status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                refused = log().find("cannot open display") != std::string::npos;
                return true;
            },
            "the program on the display", 20s));
        // The last one's end stays the test's to see.
        if (!refused || attempt + 1 == Attempts) return;
        _status.reset();
    }
}

RunningApplication::~RunningApplication()
{
    --s_running;
    if (_pid <= 0 || _status) return;
    kill(_pid, SIGKILL);
    int status = 0;
    waitpid(_pid, &status, 0);
}

std::string RunningApplication::log() const
{
    return readTestFile(_logFile);
}

std::vector<Element> RunningApplication::toplevels()
{
    std::vector<Element> windows;
    if (_pid <= 0) return windows;
    if (_bus.empty()) {
        // Programs of earlier tests may still be listed while they go: the process tells.
        for (const auto& [bus, path] : childrenOf(RegistryName, RootPath)) {
            GVariant* reply = call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                   "GetConnectionUnixProcessID", g_variant_new("(s)", bus.c_str()), "(u)");
            if (!reply) continue;
            guint32 pid = 0;
            g_variant_get(reply, "(u)", &pid);
            g_variant_unref(reply);
            if (pid == static_cast<guint32>(_pid)) _bus = bus;
        }
        if (_bus.empty()) return windows;
    }
    for (const auto& [bus, path] : childrenOf(_bus, RootPath)) {
        Element window;
        window.bus = bus;
        window.path = path;
        windows.push_back(std::move(window));
    }
    return windows;
}

std::vector<Element> RunningApplication::findAll(AtspiRole role)
{
    std::vector<Element> found;
    for (const Element& window : toplevels()) collect(window.bus, window.path, role, nullptr, found);
    return found;
}

std::optional<Element> RunningApplication::find(AtspiRole role, const std::string& name)
{
    // The newest window first: a dialog's "Print" button is meant, not the toolbar's under it.
    std::vector<Element> windows = toplevels();
    std::vector<Element> found;
    for (auto window = windows.rbegin(); window != windows.rend(); ++window) {
        collect(window->bus, window->path, role, &name, found);
        if (!found.empty()) return found.front();
    }
    return std::nullopt;
}

bool RunningApplication::hasWindow(const std::string& title)
{
    for (const Element& window : toplevels()) {
        std::optional<std::vector<guint32>> states = statesOf(window.bus, window.path);
        if (!states || !hasState(*states, ATSPI_STATE_SHOWING)) continue;
        if (nameOf(window.bus, window.path) == title) return true;
        // The main window keeps the program's name; the map it shows names its canvas.
        std::vector<Element> canvases;
        collect(window.bus, window.path, ATSPI_ROLE_DRAWING_AREA, &title, canvases);
        if (!canvases.empty()) return true;
    }
    return false;
}

::testing::AssertionResult RunningApplication::waitForWindow(const std::string& title,
                                                             std::chrono::milliseconds timeout)
{
    auto shown = eventually([&] { return hasWindow(title); }, "the window '" + title + "'", timeout);
    if (!shown) shown << "\n" << log();
    return shown;
}

::testing::AssertionResult RunningApplication::waitUntilWindowGoes(const std::string& title,
                                                                   std::chrono::milliseconds timeout)
{
    return eventually([&] { return !hasWindow(title); }, "the window '" + title + "' to go", timeout);
}

::testing::AssertionResult RunningApplication::waitFor(AtspiRole role, const std::string& name, Element* found,
                                                       std::chrono::milliseconds timeout)
{
    return eventually(
        [&] {
            std::optional<Element> element = find(role, name);
            if (element && found) *found = *element;
            return element.has_value();
        },
        "'" + name + "' (role " + std::to_string(static_cast<int>(role)) + ")", timeout);
}

::testing::AssertionResult RunningApplication::click(AtspiRole role, const std::string& name)
{
    Element element;
    // Shown and enabled, and where it was a moment ago: menus are filled anew as they open.
    auto settled = eventually(
        [&] {
            std::optional<Element> first = find(role, name);
            if (!first || !first->sensitive) return false;
            std::this_thread::sleep_for(PollInterval);
            std::optional<Element> second = find(role, name);
            if (!second || second->x != first->x || second->y != first->y) return false;
            element = *second;
            return true;
        },
        "'" + name + "' to be shown and enabled", 20s);
    if (!settled) return settled;
    return clickAt(element.centreX(), element.centreY());
}

::testing::AssertionResult RunningApplication::chooseMenuItem(const std::string& menu, const std::string& item)
{
    auto opened = click(ATSPI_ROLE_MENU, menu);
    if (!opened) return opened << " (the menu)";
    Element entry;
    auto shown = waitFor(ATSPI_ROLE_MENU_ITEM, item, &entry, 10s);
    if (!shown) return shown;
    // The state an action just changed may reach the menu a moment after it opened.
    if (!eventually(
            [&] {
                std::optional<Element> again = find(ATSPI_ROLE_MENU_ITEM, item);
                return again && again->sensitive;
            },
            "'" + item + "' to be enabled", 5s)) {
        xdotool({"key", "Escape"});
        return ::testing::AssertionFailure() << "'" << item << "' is disabled";
    }
    return click(ATSPI_ROLE_MENU_ITEM, item);
}

std::optional<bool> RunningApplication::menuItemEnabled(const std::string& menu, const std::string& item)
{
    if (!click(ATSPI_ROLE_MENU, menu)) return std::nullopt;
    std::optional<bool> enabled;
    Element entry;
    if (waitFor(ATSPI_ROLE_MENU_ITEM, item, &entry, 10s)) {
        enabled = entry.sensitive;
        eventually(
            [&] {
                std::optional<Element> again = find(ATSPI_ROLE_MENU_ITEM, item);
                if (again) enabled = again->sensitive;
                return enabled == true;
            },
            "'" + item + "' to be enabled", 5s);
    }
    xdotool({"key", "Escape"});
    eventually([&] { return !find(ATSPI_ROLE_MENU_ITEM, item); }, "the menu to close", 5s);
    return enabled;
}

std::optional<std::string> visibleWindow(std::vector<std::string> criteria)
{
    // Without --all, xdotool takes a window that meets any one condition: any window of the
    // program would do, and keys meant for a dialog would go wherever that window is.
    criteria.insert(criteria.begin(), {"xdotool", "search", "--all", "--onlyvisible"});
    std::string output;
    if (runCommand(criteria, &output) != 0) return std::nullopt;
    // GDK names a popup (a tooltip, a menu) after the program too, and one shows wherever an
    // earlier test left the pointer: keys sent to it reach no window the user typed into.
    std::istringstream lines(output);
    std::string window;
    while (std::getline(lines, window)) {
        std::string description;
        if (!window.empty() && runCommand({"xwininfo", "-id", window}, &description) == 0 &&
            description.find("Override Redirect State: no") != std::string::npos)
            return window;
    }
    return std::nullopt;
}

std::optional<std::string> RunningApplication::windowId(const std::string& title)
{
    const std::string pid = std::to_string(_pid);
    if (std::optional<std::string> window = visibleWindow({"--pid", pid, "--name", "^" + regexQuoted(title) + "$"}))
        return window;
    // A map's title is its canvas's name, inside the window named after the program.
    if (!find(ATSPI_ROLE_DRAWING_AREA, title)) return std::nullopt;
    return visibleWindow({"--pid", pid, "--name", "^" + regexQuoted(ProgramWindowTitle) + "$"});
}

::testing::AssertionResult RunningApplication::pressKeys(const std::string& windowTitle,
                                                         const std::vector<std::string>& keys)
{
    std::optional<std::string> window;
    auto found = eventually([&] { return (window = windowId(windowTitle)).has_value(); },
                            "the X window '" + windowTitle + "'", 10s);
    if (!found) return found;
    if (auto focused = xdotool({"windowfocus", "--sync", *window}); !focused) return focused;
    std::vector<std::string> arguments = {"key", "--delay", "40"};
    arguments.insert(arguments.end(), keys.begin(), keys.end());
    return xdotool(arguments);
}

::testing::AssertionResult RunningApplication::typeText(const std::string& windowTitle, const std::string& text)
{
    std::optional<std::string> window;
    auto found = eventually([&] { return (window = windowId(windowTitle)).has_value(); },
                            "the X window '" + windowTitle + "'", 10s);
    if (!found) return found;
    if (auto focused = xdotool({"windowfocus", "--sync", *window}); !focused) return focused;
    return xdotool({"type", "--delay", "15", text});
}

::testing::AssertionResult RunningApplication::chooseFile(const std::string& dialogTitle, const std::string& path)
{
    if (auto shown = waitForWindow(dialogTitle); !shown) return shown;
    constexpr int Attempts = 3;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        // Ctrl+L opens the location field of an open dialog and goes to the name of a save dialog.
        if (auto keys = pressKeys(dialogTitle, {"ctrl+l", "ctrl+a"}); !keys) return keys;
        if (auto typed = typeText(dialogTitle, path); !typed) return typed;
        if (auto keys = pressKeys(dialogTitle, {"Return"}); !keys) return keys;
        if (waitUntilWindowGoes(dialogTitle, 5s)) return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "the dialog '" << dialogTitle << "' did not take " << path;
}

void RunningApplication::sendSignal(int signal)
{
    if (_pid > 0 && !_status) kill(_pid, signal);
}

std::optional<int> RunningApplication::waitForExit(std::chrono::milliseconds timeout)
{
    if (_status || _pid <= 0) return _status;
    eventually(
        [&] {
            int status = 0;
            if (waitpid(_pid, &status, WNOHANG) != _pid) return false;
            _status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return true;
        },
        "the program to end", timeout);
    return _status;
}

// ---- Reading back ----

std::optional<std::vector<StoredMap>> readStoreIndex(const ApplicationHome& home)
{
    const std::vector<uint8_t> data = fileBytes(home.storeFolder() + "/" + FolderIndexFormat::FileName);
    pugi::xml_document document;
    pugi::xml_node root = FolderIndexFormat::parseRootFolder(data, document);
    if (!root) return std::nullopt;
    std::vector<StoredMap> maps;
    std::vector<pugi::xml_node> folders = {root};
    while (!folders.empty()) {
        pugi::xml_node folder = folders.back();
        folders.pop_back();
        for (pugi::xml_node child : folder.children()) {
            if (std::strcmp(child.name(), FolderIndexFormat::DiagramElement) == 0)
                maps.push_back({child.attribute(FolderIndexFormat::IdAttribute).value(),
                                child.attribute(FolderIndexFormat::NameAttribute).value()});
            else if (std::strcmp(child.name(), FolderIndexFormat::FolderElement) == 0) folders.push_back(child);
        }
    }
    return maps;
}

std::optional<std::vector<std::string>> readMapTopics(const ApplicationHome& home, const std::string& guid)
{
    return mapTopicsOf(fileBytes(home.mapFile(guid)), guid);
}

std::set<std::string> mapTopicSetOf(const std::string& contents, const std::string& guid)
{
    std::optional<std::vector<std::string>> topics =
        mapTopicsOf(std::vector<uint8_t>(contents.begin(), contents.end()), guid);
    return topics ? std::set<std::string>(topics->begin(), topics->end()) : std::set<std::string>{};
}

std::optional<std::vector<std::string>> mapTopicsOf(const std::vector<uint8_t>& data, const std::string& guid)
{
    registerNativeFormat();
    if (data.empty()) return std::nullopt;
    MindMap map(std::make_shared<MemoryImageStore>());
    MindMapData bytes(data.begin(), data.end());
    // The store keeps its maps as plain documents; a map's file elsewhere is its zip container.
    if (MindMap::detectMindMapFormat(bytes) == DocumentFormatZipContainer) {
        std::optional<std::vector<uint8_t>> document = TwkxArchiveReader(data).extractMindMapDocument();
        if (!document) return std::nullopt;
        bytes.assign(document->begin(), document->end());
    }
    if (!map.readFromData(bytes, guid, 2)) return std::nullopt;
    std::vector<std::string> texts;
    for (MindMapNode* node : map.nodes()) texts.push_back(node->text());
    return texts;
}

std::optional<PdfContents> readPdf(const std::string& path)
{
    gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    if (!uri) return std::nullopt;
    PopplerDocument* document = poppler_document_new_from_file(uri, nullptr, nullptr);
    g_free(uri);
    if (!document) return std::nullopt;
    PdfContents contents;
    contents.pages = poppler_document_get_n_pages(document);
    if (contents.pages > 0) {
        PopplerPage* page = poppler_document_get_page(document, 0);
        contents.firstPageText = takeString(poppler_page_get_text(page));
        g_object_unref(page);
    }
    g_object_unref(document);
    return contents;
}

void WholeProgramTest::SetUp()
{
    const char* display = std::getenv("DISPLAY");
    TARNWICK_REQUIRE_DISPLAY(display && *display);
    ASSERT_EQ(bus->failure(), "");
    ASSERT_EQ(runCommand({"xdotool", "version"}), 0) << "xdotool is missing (scripts/install-deps.sh)";
}

UnlockedKeyring::UnlockedKeyring(const ApplicationHome& home, const SessionBus& bus) : _bus(bus.address())
{
    if (runCommand({"sh", "-c", "command -v gnome-keyring-daemon"}) != 0) return;
    std::filesystem::create_directories(home.file("run"));
    std::filesystem::permissions(home.file("run"), std::filesystem::perms::owner_all);
    const std::vector<std::string> environment = {"HOME=" + home.path(),
                                                  "XDG_DATA_HOME=" + home.dataHome(),
                                                  "XDG_CONFIG_HOME=" + home.configHome(),
                                                  "XDG_RUNTIME_DIR=" + home.file("run"),
                                                  "DBUS_SESSION_BUS_ADDRESS=" + _bus,
                                                  "PATH=/usr/bin:/bin"};
    std::vector<gchar*> envp;
    for (const std::string& setting : environment) envp.push_back(const_cast<gchar*>(setting.c_str()));
    envp.push_back(nullptr);
    const char* argv[] = {"gnome-keyring-daemon", "--foreground", "--unlock", "--components=secrets", nullptr};
    gint input = -1;
    GError* error = nullptr;
    if (!g_spawn_async_with_pipes(nullptr, const_cast<gchar**>(argv), envp.data(),
                                  GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
                                              G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
                                  nullptr, nullptr, &_pid, &input, nullptr, nullptr, &error)) {
        g_error_free(error);
        return;
    }
    // The login password, which makes the login keyring and unlocks it (an empty one makes none).
    constexpr std::string_view password = "tarnwick-test";
    const bool written = write(input, password.data(), password.size()) == ssize_t(password.size());
    close(input);
    if (!written) return;
    eventually([&] { return running(); }, "the keyring on the bus", std::chrono::seconds(10));
}

::testing::AssertionResult UnlockedKeyring::store(const std::string& account, const std::string& secret) const
{
    // A process of its own: libsecret in this one still holds the bus of an earlier suite.
    std::string output;
    if (runCommand({"env", "DBUS_SESSION_BUS_ADDRESS=" + _bus, TARNWICK_STORE_SECRET, account, secret}, &output) == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the keyring did not keep " << account << ": " << output;
}

::testing::AssertionResult keepSignIn(const ApplicationHome& home, const UnlockedKeyring& keyring,
                                      const std::string& account, const std::string& secret)
{
    if (keyring.running()) return keyring.store(account, secret);
    std::filesystem::create_directories(home.configHome() + "/tarnwick");
    const std::string file = home.configHome() + "/tarnwick/cloud-tokens.json";
    writeTestFile(file, FileTokenStore::serialize({{account, secret}}));
    std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    return ::testing::AssertionSuccess();
}

UnlockedKeyring::~UnlockedKeyring()
{
    if (_pid <= 0) return;
    kill(_pid, SIGTERM);
    int status = 0;
    waitpid(_pid, &status, 0);
}

bool UnlockedKeyring::running() const
{
    std::string output;
    return _pid > 0 &&
        runCommand({"dbus-send", "--bus=" + _bus, "--print-reply", "--dest=org.freedesktop.DBus",
                    "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner", "string:org.freedesktop.secrets"},
                   &output) == 0 &&
        output.find("true") != std::string::npos;
}

void CloudSessionTest::SetUp()
{
    WholeProgramTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_EQ(runCommand({"sh", "-c", "command -v curl && command -v gio"}), 0)
        << "the test's browser needs curl and gio (scripts/install-deps.sh)";
    keyring = std::make_unique<UnlockedKeyring>(home, *bus);
}

void CloudSessionTest::registerDesktop(const std::string& scheme)
{
    const std::string applications = home.dataHome() + "/applications";
    std::filesystem::create_directories(applications);
    const std::string browser = home.file("test-browser");
    writeTestFile(browser,
                  "#!/bin/sh\n"
                  "url=\"$1\"\n"
                  "while [ -n \"$url\" ]; do\n"
                  "  echo \"$url\" >>\"$HOME/browser.log\"\n"
                  "  case \"$url\" in\n"
                  "  http://127.0.0.1:*)\n"
                  "    url=$(curl -s --noproxy '*' -o /dev/null -D - \"$url\" | tr -d '\\r' |"
                  " sed -n 's/^[Ll]ocation: //p') ;;\n"
                  "  *) exec gio open \"$url\" ;;\n"
                  "  esac\n"
                  "done\n");
    chmod(browser.c_str(), 0755);
    writeTestFile(applications + "/tw-test-browser.desktop",
                  "[Desktop Entry]\nType=Application\nName=Test browser\nExec=" + browser +
                      " %u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;\n");

    std::string launcher = readTestFile(TARNWICK_LAUNCHER);
    const size_t mimeTypes = launcher.find("MimeType=");
    ASSERT_NE(mimeTypes, std::string::npos);
    if (!scheme.empty()) launcher.insert(launcher.find('\n', mimeTypes), "x-scheme-handler/" + scheme + ";");
    const size_t exec = launcher.find("Exec=tarnwick ");
    ASSERT_NE(exec, std::string::npos) << "the launcher starts the program by its name";
    launcher.replace(exec, std::strlen("Exec=tarnwick"), std::string("Exec=") + TARNWICK_PROGRAM);
    writeTestFile(applications + "/com.orrinworks.Tarnwick.desktop", launcher);

    std::string defaults = "[Default Applications]\n"
                           "x-scheme-handler/http=tw-test-browser.desktop\n"
                           "x-scheme-handler/https=tw-test-browser.desktop\n";
    if (!scheme.empty()) defaults += "x-scheme-handler/" + scheme + "=com.orrinworks.Tarnwick.desktop\n";
    writeTestFile(home.configHome() + "/mimeapps.list", defaults);
}

std::unique_ptr<RunningApplication> CloudSessionTest::start(std::vector<std::string> environment)
{
    environment.push_back("GIO_USE_NETWORK_MONITOR=base");
    auto application = std::make_unique<RunningApplication>(home, *bus, environment);
    EXPECT_GT(application->pid(), 0) << "the program did not start";
    return application;
}

void CloudSessionTest::quit(RunningApplication& application, const std::string& title)
{
    ASSERT_TRUE(application.pressKeys(title, {"ctrl+q"}));
    EXPECT_EQ(application.waitForExit(30s), 0) << application.log();
}

void CloudSessionTest::typeChildTopicAndQuit(RunningApplication& application, const std::string& title,
                                             const std::string& text, const std::string& what)
{
    ASSERT_TRUE(application.pressKeys(title, {"Tab"}));
    ASSERT_TRUE(application.typeText(title, text));
    ASSERT_TRUE(application.pressKeys(title, {"Return"}));
    const auto quitAsked = std::chrono::steady_clock::now();
    ASSERT_NO_FATAL_FAILURE(quit(application, title));
    const auto quitTime =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - quitAsked);
    std::cout << "quit with the upload of " << what << ": " << quitTime.count() << " ms\n";
    RecordProperty("quit_ms", static_cast<int>(quitTime.count()));
}

void CloudSessionTest::connect(RunningApplication& application)
{
    ASSERT_TRUE(application.click(ATSPI_ROLE_PUSH_BUTTON, CloudsTab));
    ASSERT_TRUE(application.click(ATSPI_ROLE_PUSH_BUTTON, ConnectButton));
    ASSERT_TRUE(application.waitFor(ATSPI_ROLE_PUSH_BUTTON, DisconnectButton, nullptr, 30s)) << diagnosis(application);
}

void CloudSessionTest::rememberMap(const std::string& providerId, const std::string& mapId)
{
    const std::string bytes = readTestFile(home.defaultsFile());
    std::optional<PropertyList> stored = PropertyList::fromData(PropertyList::Data(bytes.begin(), bytes.end()));
    ASSERT_TRUE(stored && stored->dictionaryValue());
    PropertyList::Dictionary defaults = *stored->dictionaryValue();
    defaults["docctrl.reopen.provider.id"] = PropertyList(providerId);
    defaults["docctrl.reopen.mindmap.id"] = PropertyList(mapId);
    const PropertyList::Data data = PropertyList(defaults).toData();
    writeTestFile(home.defaultsFile(), std::string(data.begin(), data.end()));
}

std::string CloudSessionTest::diagnosis(RunningApplication& application)
{
    const std::string browserLog = home.file("browser.log");
    return "\nbrowser: " + (std::filesystem::exists(browserLog) ? readTestFile(browserLog) : std::string()) +
        "\nprogram: " + application.log();
}

std::string nativeMapText(const std::string& guid, const std::string& title, const std::string& child)
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<tarnwick-mindmaps doc-version="3">
  <mindmap>
    <meta>
      <guid guid=")" +
        guid + R"(" />
      <title text=")" +
        title + R"(" customized="true" />
      <main-centraltheme id="0" />
      <selection type="node" id="0" />
    </meta>
    <topics>
      <topic id="0" parent="-1" x="0" y="0" text=")" +
        title + R"(" />
      <topic id="1" parent="0" x="150" y="0" text=")" +
        child + R"(" />
    </topics>
    <relations />
  </mindmap>
</tarnwick-mindmaps>
)";
}
