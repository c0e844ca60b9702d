#include "platform/TokenStore.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"
#include "support/WatchedSessionBus.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <gio/gio.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include <glib.h>

namespace {

mode_t modeOf(const std::string& path)
{
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 0777;
}

// Runs the same exchanges on any store.
void exerciseStore(TokenStore& store)
{
    Error error;
    EXPECT_FALSE(store.read("dropbox", &error));
    EXPECT_TRUE(error.isEmpty()) << error.failureReason;
    ASSERT_TRUE(store.write("dropbox", "{\"refresh\":\"r-1\"}", &error)) << error.failureReason;
    ASSERT_TRUE(store.write("googledrive", "g-1", &error)) << error.failureReason;
    ASSERT_TRUE(store.write("dropbox", "{\"refresh\":\"r-2\"}", &error)) << error.failureReason;
    EXPECT_EQ(store.read("dropbox"), "{\"refresh\":\"r-2\"}");
    EXPECT_EQ(store.read("googledrive"), "g-1");
    EXPECT_TRUE(store.remove("dropbox", &error));
    EXPECT_FALSE(store.read("dropbox"));
    EXPECT_EQ(store.read("googledrive"), "g-1");
    EXPECT_TRUE(store.remove("dropbox", &error)) << "removing what is gone succeeds";
    EXPECT_TRUE(store.remove("googledrive", &error));
}

} // namespace

TEST(FileTokenStoreTest, KeepsSecretsPerAccountInAFileForItsOwnerOnly)
{
    TempDir home;
    const std::string path = home.file("config/tarnwick/cloud-tokens.json");
    mode_t old = umask(0);
    FileTokenStore store(path);
    exerciseStore(store);
    ASSERT_TRUE(store.write("dropbox", "secret-token"));
    umask(old);
    EXPECT_EQ(modeOf(path), 0600u);
    // Only the finished file is left behind.
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(home.file("config/tarnwick"))) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1u);
    EXPECT_EQ(FileTokenStore(path).read("dropbox"), "secret-token");
}

TEST(FileTokenStoreTest, ADamagedFileIsSetAsideAndNeverBreaksSigningInAgain)
{
    const std::vector<std::string> damaged = {
        "",
        "garbage",
        "[]",
        "\"text\"",
        "{\"dropbox\":1}",
        "{\"dropbox\":\"x\"",
        "{\"dropbox\":null}",
        std::string("{\"a\":\"\xff\xfe\"}"),
        std::string(1, '\0'),
        "{\"dropbox\":{\"nested\":\"x\"}}",
    };
    for (const std::string& contents : damaged) {
        TempDir home;
        const std::string path = home.file("cloud-tokens.json");
        writeTestFile(path, contents);
        FileTokenStore store(path);
        Error error;
        EXPECT_FALSE(store.read("dropbox", &error)) << contents;
        EXPECT_TRUE(store.write("dropbox", "fresh", &error)) << contents << error.failureReason;
        EXPECT_EQ(store.read("dropbox"), "fresh") << contents;
    }
}

TEST(FileTokenStoreTest, FailuresNameTheStoreButNeverTheSecret)
{
    TempDir home;
    writeTestFile(home.file("blocker"), "a file where the folder should be");
    FileTokenStore store(home.file("blocker/cloud-tokens.json"));
    Error error;
    EXPECT_FALSE(store.write("dropbox", "sl.very-secret-access-token", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(error.localizedDescription.find("very-secret"), std::string::npos);
    EXPECT_EQ(error.failureReason.find("very-secret"), std::string::npos);
}

TEST(FileTokenStoreTest, ParsesOnlyAnObjectOfStrings)
{
    EXPECT_EQ(FileTokenStore::parse("{\"a\":\"1\",\"b\":\"\\u00e9\"}"),
              (std::map<std::string, std::string>{{"a", "1"}, {"b", "é"}}));
    EXPECT_EQ(FileTokenStore::parse("{}"), (std::map<std::string, std::string>{}));
    std::map<std::string, std::string> secrets{{"dropbox", "x\"y\n"}, {"é", "z"}};
    EXPECT_EQ(FileTokenStore::parse(FileTokenStore::serialize(secrets)), secrets);
}

namespace {

// The process's choice for the length of a scope; the test programs' own is the file.
struct ScopedTokenStoreChoice {
    explicit ScopedTokenStoreChoice(TokenStoreChoice choice) { setTokenStoreChoice(choice); }
    ~ScopedTokenStoreChoice() { setTokenStoreChoice(_was); }
    ScopedTokenStoreChoice(const ScopedTokenStoreChoice&) = delete;
    ScopedTokenStoreChoice& operator=(const ScopedTokenStoreChoice&) = delete;
    TokenStoreChoice _was = tokenStoreChoice();
};

} // namespace

TEST(TokenStoreTest, FallsBackToTheFileAndAsksTheBusOnlyWhenTheKeyringMayBeChosen)
{
    EXPECT_EQ(tokenStoreChoice(), TokenStoreChoice::FileOnly) << "a test process never reaches the user's keyring";
    for (const TokenStoreChoice choice : {TokenStoreChoice::KeyringWhenAvailable, TokenStoreChoice::FileOnly}) {
        TempDir home;
        WatchedSessionBus bus;
        ASSERT_TRUE(bus.listening());
        ScopedEnvironment config("XDG_CONFIG_HOME", home.file("config"));
        auto store = [choice] {
            ScopedTokenStoreChoice chosen(choice);
            return makeTokenStore();
        }();
        ASSERT_EQ(store->name(), "file");
        auto* chosen = dynamic_cast<DeferredTokenStore&>(*store).chosenStore();
        ASSERT_NE(dynamic_cast<FileTokenStore*>(chosen), nullptr);
        EXPECT_EQ(static_cast<FileTokenStore&>(*chosen).path(), home.file("config") + "/tarnwick/cloud-tokens.json");
        if (choice == TokenStoreChoice::FileOnly) {
            EXPECT_EQ(bus.connections(), 0) << "the bus was asked for a keyring";
        }
    }
}

// A file store behind the deferred one, counting how often it is chosen.
struct DeferredFixture {
    TempDir dir;
    int choices = 0;
    std::unique_ptr<DeferredTokenStore> store = std::make_unique<DeferredTokenStore>([this] {
        ++choices;
        return std::make_unique<FileTokenStore>(dir.file("tokens.json"));
    });

    void runIdle()
    {
        while (g_main_context_iteration(nullptr, FALSE)) {}
    }
};

TEST(DeferredTokenStoreTest, AsynchronousCallsWaitForTheIdleMainLoopThenRunInOrder)
{
    DeferredFixture f;
    std::vector<std::string> answers;
    f.store->writeLater("dropbox", "d-1", [&](const Error& e) { answers.push_back("write " + e.failureReason); });
    f.store->readLater("dropbox", [&](std::optional<std::string> secret, const Error&) {
        answers.push_back("read " + secret.value_or("-"));
    });
    f.store->removeLater("dropbox", [&](const Error&) { answers.push_back("remove"); });
    f.store->readLater("dropbox", [&](std::optional<std::string> secret, const Error&) {
        answers.push_back("read " + secret.value_or("-"));
    });
    EXPECT_EQ(f.choices, 0) << "nothing is asked before the main loop is idle";
    EXPECT_TRUE(answers.empty());
    EXPECT_EQ(f.store->chosenStore(), nullptr);
    f.runIdle();
    EXPECT_EQ(f.choices, 1);
    EXPECT_EQ(answers, (std::vector<std::string>{"write ", "read d-1", "remove", "read -"}));
    // Once chosen, a file store answers before returning, as it did on its own.
    f.store->readLater("dropbox", [&](std::optional<std::string>, const Error&) { answers.push_back("again"); });
    EXPECT_EQ(answers.back(), "again");
    EXPECT_EQ(f.choices, 1);
}

TEST(DeferredTokenStoreTest, ASynchronousCallChoosesAtOnceAfterTheCallsBeforeIt)
{
    const struct {
        const char* name;
        std::function<void(TokenStore&)> call;
    } cases[] = {
        {"read", [](TokenStore& s) { EXPECT_EQ(s.read("gdrive"), "queued"); }},
        {"write", [](TokenStore& s) { EXPECT_TRUE(s.write("other", "x")); }},
        {"remove", [](TokenStore& s) { EXPECT_TRUE(s.remove("other")); }},
        {"name", [](TokenStore& s) { EXPECT_EQ(s.name(), "file"); }},
    };
    for (const auto& c : cases) {
        DeferredFixture f;
        bool written = false;
        f.store->writeLater("gdrive", "queued", [&](const Error&) { written = true; });
        c.call(*f.store);
        EXPECT_EQ(f.choices, 1) << c.name;
        EXPECT_TRUE(written) << c.name << ": the waiting write went first";
        f.runIdle();
        EXPECT_EQ(f.choices, 1) << c.name;
        EXPECT_EQ(FileTokenStore(f.dir.file("tokens.json")).read("gdrive"), "queued") << c.name;
    }
}

TEST(DeferredTokenStoreTest, AStoreGoneBeforeItChoseNeverAnswers)
{
    bool answered = false;
    int choices = 0;
    {
        DeferredTokenStore store([&] {
            ++choices;
            return std::make_unique<FileTokenStore>("/nonexistent/tokens.json");
        });
        store.readLater("dropbox", [&](std::optional<std::string>, const Error&) { answered = true; });
    }
    while (g_main_context_iteration(nullptr, FALSE)) {}
    EXPECT_FALSE(answered);
    EXPECT_EQ(choices, 0);
}

TEST(DeferredTokenStoreTest, ACallerEndingTheStoreInACompletionStopsTheRest)
{
    DeferredFixture f;
    int answers = 0;
    f.store->readLater("a", [&](std::optional<std::string>, const Error&) {
        ++answers;
        f.store.reset();
    });
    f.store->readLater("b", [&](std::optional<std::string>, const Error&) { ++answers; });
    f.runIdle();
    EXPECT_EQ(answers, 1);
}

// Runs only inside the private session bus and keyring of private-keyring.sh, never against the
// user's own keyring.
TEST(SecretServiceTokenStoreTest, KeepsSecretsInThePrivateKeyring)
{
    if (!std::getenv("TARNWICK_PRIVATE_KEYRING")) GTEST_SKIP() << "needs the private keyring of private-keyring.sh";
    ASSERT_TRUE(SecretServiceTokenStore::isAvailable());
    SecretServiceTokenStore store;
    exerciseStore(store);
    ScopedTokenStoreChoice keyring(TokenStoreChoice::KeyringWhenAvailable);
    EXPECT_EQ(makeTokenStore()->name(), "secret service");
}

namespace {

// Runs the main loop until done, or for at most the given seconds.
void runMainLoopUntil(const std::function<bool()>& done, double seconds)
{
    gint64 end = g_get_monotonic_time() + gint64(seconds * 1e6);
    while (!done() && g_get_monotonic_time() < end) g_main_context_iteration(nullptr, FALSE);
}

} // namespace

TEST(SecretServiceTokenStoreTest, AnswersOnceAndLaterOnTheMainLoop)
{
    if (!std::getenv("TARNWICK_PRIVATE_KEYRING")) GTEST_SKIP() << "needs the private keyring of private-keyring.sh";
    SecretServiceTokenStore store;
    const std::thread::id mainThread = std::this_thread::get_id();
    struct Case {
        const char* what;
        std::function<void(std::function<void(const Error&)>)> start;
    };
    const Case cases[] = {
        {"write", [&](auto done) { store.writeLater("later", "s-1", done); }},
        {"read",
         [&](auto done) {
             store.readLater("later", [done](std::optional<std::string> secret, const Error& error) {
                 EXPECT_EQ(secret, "s-1");
                 done(error);
             });
         }},
        {"remove", [&](auto done) { store.removeLater("later", done); }},
        {"read of what is gone",
         [&](auto done) {
             store.readLater("later", [done](std::optional<std::string> secret, const Error& error) {
                 EXPECT_FALSE(secret);
                 done(error);
             });
         }},
    };
    for (const Case& c : cases) {
        int calls = 0;
        c.start([&](const Error& error) {
            ++calls;
            EXPECT_TRUE(error.isEmpty()) << c.what << ": " << error.failureReason;
            EXPECT_EQ(std::this_thread::get_id(), mainThread) << c.what;
        });
        EXPECT_EQ(calls, 0) << c.what << " answered before the main loop ran";
        runMainLoopUntil([&] { return calls > 0; }, 10);
        runMainLoopUntil([] { return false; }, 0.05);
        EXPECT_EQ(calls, 1) << c.what;
    }
}

TEST(SecretServiceTokenStoreTest, AGoneStoreNeverAnswers)
{
    if (!std::getenv("TARNWICK_PRIVATE_KEYRING")) GTEST_SKIP() << "needs the private keyring of private-keyring.sh";
    int calls = 0;
    {
        SecretServiceTokenStore store;
        store.writeLater("gone", "s", [&](const Error&) { ++calls; });
        store.readLater("gone", [&](std::optional<std::string>, const Error&) { ++calls; });
        store.removeLater("gone", [&](const Error&) { ++calls; });
    }
    runMainLoopUntil([] { return false; }, 1);
    EXPECT_EQ(calls, 0);
}

TEST(SecretServiceTokenStoreTest, CallsAnswerInTheOrderAsked)
{
    if (!std::getenv("TARNWICK_PRIVATE_KEYRING")) GTEST_SKIP() << "needs the private keyring of private-keyring.sh";
    SecretServiceTokenStore store;
    std::vector<std::string> answers;
    store.writeLater("order", "first", [&](const Error&) {
        answers.push_back("write first");
        // Asked from a completion, it still comes after what was asked before.
        store.readLater("order", [&](std::optional<std::string> secret, const Error&) {
            answers.push_back("read " + secret.value_or("nothing"));
        });
    });
    store.removeLater("order", [&](const Error&) { answers.push_back("remove"); });
    store.writeLater("order", "second", [&](const Error&) { answers.push_back("write second"); });
    runMainLoopUntil([&] { return answers.size() == 4; }, 10);
    EXPECT_EQ(answers, (std::vector<std::string>{"write first", "remove", "write second", "read second"}));
    store.remove("order");
}

// ---- a keyring read locked from disk, as after a new login

namespace {

// Kept by the run of private-keyring.sh whose login keyring is unlocked, for its later runs that
// start a keyring daemon reading it locked from disk.
constexpr const char* LockedAccount = "Tarnwick-Trial: Google Drive-AppAuth";
constexpr const char* LockedSecret = "{\"refresh_token\":\"kept over the night\"}";
// Each cloud service's sign-in, read at the start by a store of its own.
constexpr std::pair<const char*, const char*> KeptSignIns[] = {
    {LockedAccount, LockedSecret},
    {"dropbox", "{\"refresh_token\":\"kept by the other service\"}"},
};
constexpr const char* KeyringPassword = "private";

// The desktop's prompter as the keyring daemon talks to it, played by gcr's stand-in on the
// session bus: it answers the password questions the test expects, in order.
class StandInPrompter {
public:
    StandInPrompter()
    {
        void* gcr = dlopen("libgcr-base-3.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!gcr) return;
        _start = reinterpret_cast<const char* (*)()>(dlsym(gcr, "gcr_mock_prompter_start"));
        _expectPassword = reinterpret_cast<void (*)(const char*, const char*, ...)>(
            dlsym(gcr, "gcr_mock_prompter_expect_password_ok"));
        _expectDismissal = reinterpret_cast<void (*)()>(dlsym(gcr, "gcr_mock_prompter_expect_password_cancel"));
        _expecting = reinterpret_cast<gboolean (*)()>(dlsym(gcr, "gcr_mock_prompter_is_expecting"));
        if (_start && _expectPassword && _expectDismissal && _expecting) _busName = _start();
    }
    bool available() const { return !_busName.empty(); }
    const std::string& busName() const { return _busName; }
    void expectPassword(const char* password) { _expectPassword(password, nullptr); }
    void expectDismissal() { _expectDismissal(); }
    bool expecting() const { return _expecting(); }

private:
    const char* (*_start)() = nullptr;
    void (*_expectPassword)(const char*, const char*, ...) = nullptr;
    void (*_expectDismissal)() = nullptr;
    gboolean (*_expecting)() = nullptr;
    std::string _busName;
};

bool secretServiceOnTheBus(GDBusConnection* bus)
{
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
        g_variant_new("(s)", "org.freedesktop.secrets"), nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    gboolean owned = FALSE;
    if (reply) {
        g_variant_get(reply, "(b)", &owned);
        g_variant_unref(reply);
    }
    return owned;
}

// A keyring daemon of the test's session that reads the login keyring locked from disk and asks
// the stand-in prompter for its password.
class LockedKeyringDaemon {
public:
    explicit LockedKeyringDaemon(const std::string& prompter)
    {
        // The home of the script's keyring, not the test's own temporary one.
        const char* home = std::getenv("TARNWICK_KEYRING_HOME");
        gchar** environment = g_environ_setenv(g_get_environ(), "GNOME_KEYRING_TEST_PROMPTER", prompter.c_str(), TRUE);
        if (home) {
            environment = g_environ_setenv(environment, "HOME", home, TRUE);
            environment = g_environ_setenv(environment, "XDG_DATA_HOME", (std::string(home) + "/data").c_str(), TRUE);
        }
        const gchar* arguments[] = {"gnome-keyring-daemon", "--foreground", "--components=secrets", nullptr};
        _started = g_spawn_async(nullptr, const_cast<gchar**>(arguments), environment,
                                 GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
                                             G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
                                 nullptr, nullptr, &_pid, nullptr);
        g_strfreev(environment);
        GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        // Until the daemon owns its name a call would have the bus start another one.
        const gint64 end = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
        while (_started && bus && !secretServiceOnTheBus(bus) && g_get_monotonic_time() < end)
            g_main_context_iteration(nullptr, FALSE);
        _running = bus && secretServiceOnTheBus(bus);
        if (bus) g_object_unref(bus);
    }
    ~LockedKeyringDaemon()
    {
        if (!_started) return;
        kill(_pid, SIGTERM);
        waitpid(_pid, nullptr, 0);
        g_spawn_close_pid(_pid);
    }
    bool running() const { return _running; }

private:
    GPid _pid = 0;
    bool _started = false;
    bool _running = false;
};

// Another program unlocking the login keyring through the service, as a keyring manager does.
void unlockElsewhere()
{
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    GDBusConnection* other =
        g_dbus_connection_new_for_address_sync(address,
                                               GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                                    G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                                               nullptr, nullptr, nullptr);
    g_free(address);
    ASSERT_TRUE(other);
    GVariant* reply = g_dbus_connection_call_sync(
        other, "org.freedesktop.secrets", "/org/freedesktop/secrets", "org.freedesktop.Secret.Service", "Unlock",
        g_variant_new_parsed("([objectpath '/org/freedesktop/secrets/collection/login'],)"), nullptr,
        G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    ASSERT_TRUE(reply);
    gchar* prompt = nullptr;
    g_variant_get(reply, "(@aoo)", nullptr, &prompt);
    g_variant_unref(reply);
    if (prompt && std::string(prompt) != "/") {
        // The keyring drops a prompt whose caller has gone: the caller waits for its end.
        bool completed = false;
        const guint subscription = g_dbus_connection_signal_subscribe(
            other, nullptr, "org.freedesktop.Secret.Prompt", "Completed", prompt, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
            [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*, gpointer done) {
                *static_cast<bool*>(done) = true;
            },
            &completed, nullptr);
        GVariant* shown = g_dbus_connection_call_sync(
            other, "org.freedesktop.secrets", prompt, "org.freedesktop.Secret.Prompt", "Prompt",
            g_variant_new("(s)", ""), nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
        if (shown) g_variant_unref(shown);
        runMainLoopUntil([&] { return completed; }, 20);
        EXPECT_TRUE(completed) << "the unlock's prompt ended";
        g_dbus_connection_signal_unsubscribe(other, subscription);
    }
    g_free(prompt);
    g_object_unref(other);
}

std::optional<std::string> readAndWait(TokenStore& store, const std::string& account, Error& error)
{
    std::optional<std::string> secret;
    bool answered = false;
    store.readLater(account, [&](std::optional<std::string> value, const Error& failure) {
        secret = std::move(value);
        error = failure;
        answered = true;
    });
    runMainLoopUntil([&] { return answered; }, 20);
    EXPECT_TRUE(answered) << account;
    return secret;
}

// The locked-keyring tests run in sessions of their own that private-keyring.sh starts.
#define NEEDS_LOCKED_KEYRING()                                                                                         \
    if (std::string(std::getenv("TARNWICK_PRIVATE_KEYRING") ? std::getenv("TARNWICK_PRIVATE_KEYRING") : "") !=         \
        "locked")                                                                                                      \
        GTEST_SKIP() << "needs a locked keyring session of private-keyring.sh";                                        \
    StandInPrompter prompter;                                                                                          \
    if (!prompter.available()) GTEST_SKIP() << "gcr's stand-in prompter is missing";                                   \
    LockedKeyringDaemon daemon(prompter.busName());                                                                    \
    ASSERT_TRUE(daemon.running())

} // namespace

TEST(SecretServiceTokenStoreTest, KeepsASignInForTheKeyringReadLockedLater)
{
    if (!std::getenv("TARNWICK_PRIVATE_KEYRING")) GTEST_SKIP() << "needs the private keyring of private-keyring.sh";
    SecretServiceTokenStore store;
    Error error;
    for (const auto& [account, secret] : KeptSignIns)
        ASSERT_TRUE(store.write(account, secret, &error)) << error.failureReason;
}

TEST(SecretServiceLockedKeyringTest, AsksForThePasswordAndReadsTheSignIn)
{
    NEEDS_LOCKED_KEYRING();
    prompter.expectPassword(KeyringPassword);
    SecretServiceTokenStore store;
    Error error;
    EXPECT_EQ(readAndWait(store, LockedAccount, error), LockedSecret);
    EXPECT_TRUE(error.isEmpty()) << error.localizedDescription;
    EXPECT_FALSE(prompter.expecting()) << "the keyring asked for its password";
    // Unlocked now: found at once, with the same attributes it was kept under.
    EXPECT_EQ(store.read(LockedAccount), LockedSecret);
    EXPECT_EQ(readAndWait(store, "nobody", error), std::nullopt);
    EXPECT_TRUE(error.isEmpty());
}

// Every service's store asks at the start and hears of the one unlock in another program.
TEST(SecretServiceLockedKeyringTest, ADismissedPasswordIsSaidAndAnUnlockElsewhereIsTold)
{
    NEEDS_LOCKED_KEYRING();
    std::vector<std::unique_ptr<SecretServiceTokenStore>> stores;
    std::vector<int> unlocks(std::size(KeptSignIns));
    Error error;
    for (size_t i = 0; i < std::size(KeptSignIns); ++i) {
        prompter.expectDismissal();
        stores.push_back(std::make_unique<SecretServiceTokenStore>());
        stores[i]->setUnlockHandler([&unlocks, i] { ++unlocks[i]; });
        EXPECT_EQ(readAndWait(*stores[i], KeptSignIns[i].first, error), std::nullopt);
        EXPECT_TRUE(TokenStore::isKeyringLocked(error)) << error.localizedDescription;
        EXPECT_FALSE(prompter.expecting());
    }

    prompter.expectPassword(KeyringPassword);
    unlockElsewhere();
    runMainLoopUntil([&] { return std::count(unlocks.begin(), unlocks.end(), 0) == 0; }, 20);
    for (size_t i = 0; i < std::size(KeptSignIns); ++i) {
        EXPECT_EQ(unlocks[i], 1) << KeptSignIns[i].first;
        EXPECT_EQ(readAndWait(*stores[i], KeptSignIns[i].first, error), KeptSignIns[i].second);
        EXPECT_TRUE(error.isEmpty());
    }
}
