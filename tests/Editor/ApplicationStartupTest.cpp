#include "Editor/ApplicationStartup.h"
#include "platform/UserDefaults.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

class ApplicationStartupTest : public testing::Test {
protected:
    void SetUp() override { defaults.resetForTesting(); }
    void TearDown() override { defaults.resetForTesting(); }

    TempDir home;
    ScopedEnvironment config{"XDG_CONFIG_HOME", home.file("config")};
    UserDefaults& defaults = UserDefaults::standard();
};

TEST_F(ApplicationStartupTest, FirstMapChoice)
{
    struct Case {
        std::string provider, map;
        size_t storeCount;
        bool importWorks;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"local", "ABC", 0, true, {"reopen local ABC"}},
        {"local", "ABC", 5, true, {"reopen local ABC"}},
        {"", "ABC", 0, true, {"open GS"}},
        {"local", "", 0, false, {"new"}},
        {"", "", 3, true, {}},
    };
    for (const Case& c : cases) {
        int imports = 0;
        std::vector<std::string> calls;
        const StartupDocumentSteps steps{
            [&] {
                if (c.provider.empty() || c.map.empty()) return false;
                calls.push_back("reopen " + c.provider + " " + c.map);
                return true;
            },
            [&](const std::string& guid) { calls.push_back("open " + guid); },
            [&] { calls.push_back("new"); },
        };
        ApplicationStartup::checkInitialState(steps, c.storeCount, [&] {
            ++imports;
            return std::string(c.importWorks ? "GS" : "");
        });
        EXPECT_EQ(calls, c.calls) << c.provider << "/" << c.map << " " << c.storeCount;
        EXPECT_EQ(imports, c.storeCount == 0 && (c.provider.empty() || c.map.empty()) ? 1 : 0);
    }
}

TEST_F(ApplicationStartupTest, RegisteredDefaultsLieBeneathTheUsersValues)
{
    defaults.setInteger("newMindMapLayoutDirection", 3);
    ApplicationStartup::registerDefaults(defaults);
    EXPECT_EQ(defaults.integerForKey("newMindMapLayoutDirection"), 3);
    EXPECT_EQ(defaults.integerForKey("newMindMapLayoutMode"), 0);
    EXPECT_FALSE(defaults.boolForKey("autoCheckUpdates"));
    EXPECT_TRUE(defaults.boolForKey("autoSaveMindMaps"));
    EXPECT_TRUE(defaults.boolForKey("cleanupLocalImages"));
    EXPECT_FLOAT_EQ(float(defaults.doubleForKey("editorChildMoveDelay")), 0.8f);
    EXPECT_EQ(defaults.doubleForKey("editorGlobalScaleFactor"), 1.0);
    EXPECT_EQ(defaults.integerForKey("NSInitialToolTipDelay"), 1000);
    EXPECT_TRUE(defaults.boolForKey("ApplePersistenceIgnoreState"));
    EXPECT_EQ(defaults.stringForKey("import.default-directory"), ApplicationStartup::documentsFolder());
    defaults.setBool("ApplePersistenceIgnoreState", false);
    ApplicationStartup::registerDefaults(defaults);
    EXPECT_FALSE(defaults.boolForKey("ApplePersistenceIgnoreState")) << "a stored value is kept";
}

} // namespace
