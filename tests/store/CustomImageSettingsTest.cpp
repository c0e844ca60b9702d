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

TEST_F(CustomImageSettingsTest, ClampsThumbnailTo24To320AndTheLimitTo160ToUnrestricted)
{
    CustomImageSettings settings;
    const std::pair<int64_t, int64_t> thumbnails[] = {{10, 24}, {1000, 320}, {200, 200}};
    for (auto [set, got] : thumbnails) {
        settings.setThumbnailSize(set);
        EXPECT_EQ(settings.thumbnailSize(), got) << set;
    }
    const std::pair<int64_t, int64_t> limits[] = {{100, 160}, {INT64_MAX, 0xFFFFFF}, {1024, 1024}};
    for (auto [set, got] : limits) {
        settings.setImageSizeLimit(set);
        EXPECT_EQ(settings.imageSizeLimit(), got) << set;
    }
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

    // Other types are ignored: the defaults 320, 160 and no apply.
    defaults().setString("Images.ImageSizeLimit", "640");
    defaults().setObject("Images.ThumbnailSize", PropertyList(PropertyList::Array{PropertyList(200)}));
    defaults().setString("Images.AddInNativeDensity", "YES");
    CustomImageSettings other;
    other.loadSettings();
    EXPECT_EQ(other.imageSizeLimit(), 320);
    EXPECT_EQ(other.thumbnailSize(), 160);
    EXPECT_FALSE(other.addInNativeDensity());
}
