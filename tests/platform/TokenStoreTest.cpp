#include "platform/TokenStore.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>
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

TEST(TokenStoreTest, FallsBackToTheFileWhenNoSecretServiceAnswers)
{
    TempDir home;
    ScopedEnvironment bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home.file("no-bus"));
    ScopedEnvironment config("XDG_CONFIG_HOME", home.file("config"));
    auto store = makeTokenStore();
    ASSERT_EQ(store->name(), "file");
    auto* chosen = dynamic_cast<DeferredTokenStore&>(*store).chosenStore();
    ASSERT_NE(dynamic_cast<FileTokenStore*>(chosen), nullptr);
    EXPECT_EQ(static_cast<FileTokenStore&>(*chosen).path(), home.file("config") + "/tarnwick/cloud-tokens.json");
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
