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
    defaults().setObject("data", PropertyList(PropertyList::Data{1, 2, 3}));
    EXPECT_EQ(fontForKey(defaults(), "noSuchFont"), std::nullopt);
    EXPECT_EQ(fontForKey(defaults(), "number"), std::nullopt);
    EXPECT_EQ(fontForKey(defaults(), "empty"), std::nullopt);
    EXPECT_EQ(fontForKey(defaults(), "garbage"), std::nullopt);
    EXPECT_EQ(fontForKey(defaults(), "data"), std::nullopt);
}

} // namespace
