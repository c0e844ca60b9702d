#include "platform/UserDefaults.h"

#include "platform/Folders.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

class UserDefaultsTest : public ::testing::Test {
protected:
    void SetUp() override { defaults().resetForTesting(); }
    void TearDown() override { defaults().resetForTesting(); }

    static UserDefaults& defaults() { return UserDefaults::standard(); }
    std::string settingsFile() const { return _home.path() + "/tarnwick/defaults.plist"; }

    TempDir _home;
    ScopedEnvironment _config{"XDG_CONFIG_HOME", _home.path()};
};

PropertyList readSettingsFile(const std::string& path)
{
    const std::string text = readTestFile(path);
    auto list = PropertyList::fromData(PropertyList::Data(text.begin(), text.end()));
    return list ? *list : PropertyList();
}

} // namespace

TEST_F(UserDefaultsTest, UserValuesLieAboveRegisteredDefaults)
{
    defaults().registerDefaults({{"autoSaveMindMaps", true}, {"editorChildMoveDelay", 0.8}});
    EXPECT_TRUE(defaults().boolForKey("autoSaveMindMaps"));
    EXPECT_EQ(defaults().doubleForKey("editorChildMoveDelay"), 0.8);
    EXPECT_FALSE(defaults().hasUserValue("autoSaveMindMaps"));

    defaults().setBool("autoSaveMindMaps", false);
    EXPECT_FALSE(defaults().boolForKey("autoSaveMindMaps"));
    defaults().removeObject("autoSaveMindMaps");
    EXPECT_TRUE(defaults().boolForKey("autoSaveMindMaps"));
    EXPECT_FALSE(defaults().hasUserValue("autoSaveMindMaps"));
}

TEST_F(UserDefaultsTest, ValuesPersistInTheConfigFolderAsAnXmlPropertyList)
{
    ASSERT_FALSE(std::filesystem::exists(settingsFile()));
    defaults().setString("docctrl.reopen.mindmap.id", "0123456789ABCDEF01234567");
    defaults().setInteger("storeImportMode", 2);
    EXPECT_EQ(Folders::configFolder() + "/defaults.plist", settingsFile());

    const std::string text = readTestFile(settingsFile());
    EXPECT_EQ(text.rfind("<?xml", 0), 0u) << text;
    const PropertyList stored = readSettingsFile(settingsFile());
    EXPECT_EQ(stored["docctrl.reopen.mindmap.id"].stringValue(), "0123456789ABCDEF01234567");
    EXPECT_EQ(stored["storeImportMode"].integerValue(), 2);
}

TEST_F(UserDefaultsTest, ObserversHearOfChangesOfTheEffectiveValueAfterTheChange)
{
    defaults().registerDefaults({{"autoCheckUpdates", false}});
    std::vector<std::string> keys;
    std::vector<bool> valuesSeen;
    auto token = defaults().observe("autoCheckUpdates", [&](const std::string& key) {
        keys.push_back(key);
        valuesSeen.push_back(defaults().boolForKey(key));
    });
    auto other = defaults().observe("suppressShadows", [&](const std::string& key) { keys.push_back(key); });

    defaults().setBool("autoCheckUpdates", false); // a user value equal to the default
    EXPECT_TRUE(keys.empty());
    defaults().setBool("autoCheckUpdates", true);
    defaults().setBool("autoCheckUpdates", true); // unchanged
    defaults().removeObject("autoCheckUpdates");
    EXPECT_EQ(keys, (std::vector<std::string>{"autoCheckUpdates", "autoCheckUpdates"}));
    EXPECT_EQ(valuesSeen, (std::vector<bool>{true, false}));

    defaults().registerDefaults({{"autoCheckUpdates", true}});
    EXPECT_EQ(keys.size(), 3u);
}

TEST_F(UserDefaultsTest, ACorruptFileIsKeptAsideAndTheSettingsStartEmpty)
{
    std::filesystem::create_directories(_home.path() + "/tarnwick");
    const std::string garbage = "<?xml version=\"1.0\"?><plist><dict><key>autoSave";
    writeTestFile(settingsFile(), garbage);

    EXPECT_TRUE(defaults().objectForKey("autoSaveMindMaps").isNone());
    EXPECT_EQ(readTestFile(settingsFile() + ".corrupt"), garbage);
    EXPECT_FALSE(std::filesystem::exists(settingsFile()));
    defaults().setBool("autoSaveMindMaps", false);

    // A root that is no dictionary is just as unusable; the file kept aside before stays.
    const auto data = PropertyList(PropertyList::Array{1, 2}).toData();
    writeTestFile(settingsFile(), std::string(data.begin(), data.end()));
    defaults().resetForTesting();
    EXPECT_FALSE(defaults().hasUserValue("autoSaveMindMaps"));
    EXPECT_EQ(readTestFile(settingsFile() + ".corrupt-2"), std::string(data.begin(), data.end()));
    EXPECT_EQ(readTestFile(settingsFile() + ".corrupt"), garbage);
}

TEST_F(UserDefaultsTest, LoadingRemovesOnlyTheAbandonedTemporaryFilesOfItsOwnWrites)
{
    const std::string folder = _home.path() + "/tarnwick";
    std::filesystem::create_directories(folder);
    defaults().setInteger("storeImportMode", 2);
    defaults().resetForTesting();

    struct Case {
        const char* name;
        bool old;
        bool removed;
    };
    const Case cases[] = {
        {".defaults.plist.a1B2c3", true, true},
        {".defaults.plist.a1B2c3x", true, false}, // not the six characters of a write
        {".defaults.plist.a1B-c3", true, false},
        {"defaults.plist.corrupt", true, false},
        {".other.plist.a1B2c3", true, false},
        {".defaults.plist.Z9y8X7", false, false}, // another process's write may be under way
    };
    for (const Case& c : cases) {
        writeTestFile(folder + "/" + c.name, "<?xml");
        if (!c.old) continue;
        const timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 3600, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, (folder + "/" + c.name).c_str(), times, 0), 0);
    }

    EXPECT_EQ(defaults().integerForKey("storeImportMode"), 2);
    for (const Case& c : cases) EXPECT_EQ(std::filesystem::exists(folder + "/" + c.name), !c.removed) << c.name;
}

TEST_F(UserDefaultsTest, AnUnwritableConfigFolderIsReportedAndValuesStayInMemory)
{
    writeTestFile(_home.path() + "/blocked", "a file where the config folder would go");
    ScopedEnvironment config("XDG_CONFIG_HOME", _home.path() + "/blocked");
    defaults().resetForTesting();
    defaults().setInteger("storeImportMode", 1);
    EXPECT_EQ(defaults().integerForKey("storeImportMode"), 1);
    Error error;
    EXPECT_FALSE(defaults().synchronize(&error));
    EXPECT_NE(error.failureReason.find("blocked"), std::string::npos) << error.failureReason;
}

TEST_F(UserDefaultsTest, DeferredWritesGatherARunOfChangesIntoOneWrite)
{
    std::vector<std::function<void()>> scheduled;
    defaults().setWriteScheduler([&](std::function<void()> write) { scheduled.push_back(std::move(write)); });

    defaults().registerDefaults({{"autoSaveMindMaps", true}});
    defaults().setInteger("NSInitialToolTipDelay", 1000);
    defaults().setBool("ApplePersistenceIgnoreState", true);
    defaults().setString("docctrl.reopen.mindmap.id", "0123456789ABCDEF01234567");
    defaults().removeObject("docctrl.reopen.mindmap.id");
    defaults().setString("docctrl.reopen.provider.id", "local");
    // Read back at once, written later, and asked for only once.
    EXPECT_EQ(defaults().integerForKey("NSInitialToolTipDelay"), 1000);
    EXPECT_FALSE(std::filesystem::exists(settingsFile()));
    ASSERT_EQ(scheduled.size(), 1u);

    scheduled[0]();
    PropertyList stored = readSettingsFile(settingsFile());
    EXPECT_EQ(stored["NSInitialToolTipDelay"].integerValue(), 1000);
    EXPECT_TRUE(stored["ApplePersistenceIgnoreState"].boolValue());
    EXPECT_EQ(stored["docctrl.reopen.provider.id"].stringValue(), "local");
    EXPECT_TRUE(stored["docctrl.reopen.mindmap.id"].isNone());
    EXPECT_TRUE(stored["autoSaveMindMaps"].isNone()); // registered defaults are never written

    // The next change asks again; a synchronize in between writes it, and the write that comes
    // later finds nothing left (the file is not written again).
    defaults().setInteger("storeImportMode", 2);
    ASSERT_EQ(scheduled.size(), 2u);
    EXPECT_TRUE(defaults().synchronize());
    EXPECT_EQ(readSettingsFile(settingsFile())["storeImportMode"].integerValue(), 2);
    std::filesystem::remove(settingsFile());
    scheduled[1]();
    EXPECT_FALSE(std::filesystem::exists(settingsFile()));
    // Setting a value equal to the current one changes nothing and asks for no write.
    defaults().setInteger("storeImportMode", 2);
    EXPECT_EQ(scheduled.size(), 2u);
}

TEST_F(UserDefaultsTest, ChangesNotYetWrittenAreWrittenWhenTheDeferringEnds)
{
    // The application's quit: whatever the main loop did not get to write is written at its end,
    // and the changes after it are written at once.
    std::vector<std::function<void()>> scheduled;
    defaults().setWriteScheduler([&](std::function<void()> write) { scheduled.push_back(std::move(write)); });
    defaults().setString("docctrl.reopen.mindmap.id", "0123456789ABCDEF01234567");
    EXPECT_TRUE(defaults().writePendingChanges());
    EXPECT_EQ(readSettingsFile(settingsFile())["docctrl.reopen.mindmap.id"].stringValue(), "0123456789ABCDEF01234567");

    defaults().setInteger("storeImportMode", 1);
    defaults().setWriteScheduler(nullptr);
    EXPECT_EQ(readSettingsFile(settingsFile())["storeImportMode"].integerValue(), 1);
    defaults().setInteger("storeImportMode", 3);
    EXPECT_EQ(readSettingsFile(settingsFile())["storeImportMode"].integerValue(), 3);
    // The write the old scheduler still holds does nothing once it runs.
    std::filesystem::remove(settingsFile());
    for (auto& write : scheduled) write();
    EXPECT_FALSE(std::filesystem::exists(settingsFile()));
}

TEST_F(UserDefaultsTest, AFailedDeferredWriteIsTriedAgainAtTheNextWrite)
{
    writeTestFile(_home.path() + "/blocked", "a file where the config folder would go");
    ScopedEnvironment config("XDG_CONFIG_HOME", _home.path() + "/blocked");
    defaults().resetForTesting();
    std::vector<std::function<void()>> scheduled;
    defaults().setWriteScheduler([&](std::function<void()> write) { scheduled.push_back(std::move(write)); });
    defaults().setInteger("storeImportMode", 1);
    ASSERT_EQ(scheduled.size(), 1u);
    scheduled[0]();
    EXPECT_FALSE(defaults().writePendingChanges());

    // Once the folder can be made, the value written then is the one kept all along.
    std::filesystem::remove(_home.path() + "/blocked");
    EXPECT_TRUE(defaults().writePendingChanges());
    EXPECT_EQ(readSettingsFile(_home.path() + "/blocked/tarnwick/defaults.plist")["storeImportMode"].integerValue(), 1);
}
