#include "Utils/UserDefaultsFont.h"

#include <gtest/gtest.h>

namespace {

class UserDefaultsFontTest : public ::testing::Test {
protected:
    void SetUp() override { defaults().resetForTesting(); }
    void TearDown() override { defaults().resetForTesting(); }
    static UserDefaults& defaults() { return UserDefaults::standard(); }
};

TEST_F(UserDefaultsFontTest, FontComesBackAsStored)
{
    const Font plain("DejaVu Sans", 13);
    const Font boldItalic("DejaVu Serif", 9.5, true, true, 9);
    setFont(defaults(), plain, "plainFont");
    setFont(defaults(), boldItalic, "fancyFont");
    EXPECT_EQ(fontForKey(defaults(), "plainFont"), plain);
    EXPECT_EQ(fontForKey(defaults(), "fancyFont"), boldItalic);
    EXPECT_EQ(defaults().stringForKey("plainFont"), plain.description());
}

TEST_F(UserDefaultsFontTest, OtherValuesAreNoFont)
{
    defaults().setInteger("number", 12);
    defaults().setString("empty", "");
    defaults().setString("garbage", "not a font");
    for (const char* key : {"noSuchFont", "number", "empty", "garbage"})
        EXPECT_EQ(fontForKey(defaults(), key), std::nullopt) << key;
}

} // namespace
