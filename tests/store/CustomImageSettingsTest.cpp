#include "store/CustomImageSettings.h"

#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

namespace {

class CustomImageSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { defaults().resetForTesting(); }
    void TearDown() override { defaults().resetForTesting(); }
    static UserDefaults& defaults() { return UserDefaults::standard(); }
};

} // namespace

TEST_F(CustomImageSettingsTest, KeysAreTheAgreedOnes)
{
    EXPECT_STREQ(CustomImageSettings::ImageSizeLimitKey, "Images.ImageSizeLimit");
    EXPECT_STREQ(CustomImageSettings::ThumbnailSizeKey, "Images.ThumbnailSize");
    EXPECT_STREQ(CustomImageSettings::AddInNativeDensityKey, "Images.AddInNativeDensity");
}

TEST_F(CustomImageSettingsTest, DefaultsAre320NoAnd160)
{
    CustomImageSettings settings;
    settings.loadSettings();
    EXPECT_EQ(settings.imageSizeLimit(), 320);
    EXPECT_FALSE(settings.addInNativeDensity());
    EXPECT_EQ(settings.thumbnailSize(), 160);
}

TEST_F(CustomImageSettingsTest, TheThumbnailSizeStaysBetween24And320)
{
    CustomImageSettings settings;
    settings.setThumbnailSize(10);
    EXPECT_EQ(settings.thumbnailSize(), 24);
    settings.setThumbnailSize(1000);
    EXPECT_EQ(settings.thumbnailSize(), 320);
    settings.setThumbnailSize(-5);
    EXPECT_EQ(settings.thumbnailSize(), 24);
    settings.setThumbnailSize(200);
    EXPECT_EQ(settings.thumbnailSize(), 200);
}

TEST_F(CustomImageSettingsTest, TheSizeLimitStaysBetween160AndUnrestricted)
{
    CustomImageSettings settings;
    settings.setImageSizeLimit(100);
    EXPECT_EQ(settings.imageSizeLimit(), 160);
    settings.setImageSizeLimit(INT64_MAX);
    EXPECT_EQ(settings.imageSizeLimit(), 0xFFFFFF);
    settings.setImageSizeLimit(INT64_MIN);
    EXPECT_EQ(settings.imageSizeLimit(), 160);
    settings.setImageSizeLimit(1024);
    EXPECT_EQ(settings.imageSizeLimit(), 1024);
}

TEST_F(CustomImageSettingsTest, StoredNumbersAreAppliedThroughTheClamps)
{
    defaults().setInteger("Images.ImageSizeLimit", 50);
    defaults().setDouble("Images.ThumbnailSize", 99.7);
    defaults().setBool("Images.AddInNativeDensity", true);
    CustomImageSettings settings;
    settings.loadSettings();
    EXPECT_EQ(settings.imageSizeLimit(), 160);
    EXPECT_EQ(settings.thumbnailSize(), 99);
    EXPECT_TRUE(settings.addInNativeDensity());
}

TEST_F(CustomImageSettingsTest, StoredValuesOfOtherTypesAreIgnored)
{
    defaults().setString("Images.ImageSizeLimit", "640");
    defaults().setObject("Images.ThumbnailSize", PropertyList(PropertyList::Array{PropertyList(200)}));
    defaults().setString("Images.AddInNativeDensity", "YES");
    CustomImageSettings settings;
    settings.loadSettings();
    EXPECT_EQ(settings.imageSizeLimit(), 320);
    EXPECT_EQ(settings.thumbnailSize(), 160);
    EXPECT_FALSE(settings.addInNativeDensity());
}

TEST_F(CustomImageSettingsTest, SettingAllThreeSavesThem)
{
    CustomImageSettings settings;
    settings.setImageSizeLimit(2000, true, 5);
    EXPECT_EQ(settings.imageSizeLimit(), 2000);
    EXPECT_TRUE(settings.addInNativeDensity());
    EXPECT_EQ(settings.thumbnailSize(), 24);
    EXPECT_EQ(defaults().integerForKey("Images.ImageSizeLimit"), 2000);
    EXPECT_TRUE(defaults().boolForKey("Images.AddInNativeDensity"));
    EXPECT_EQ(defaults().integerForKey("Images.ThumbnailSize"), 24);

    CustomImageSettings reread;
    reread.loadSettings();
    EXPECT_EQ(reread.imageSizeLimit(), 2000);
    EXPECT_TRUE(reread.addInNativeDensity());
    EXPECT_EQ(reread.thumbnailSize(), 24);
}

TEST_F(CustomImageSettingsTest, TheSharedSettingsAreOneObject)
{
    EXPECT_EQ(&CustomImageSettings::customImageSettings(), &CustomImageSettings::customImageSettings());
}
