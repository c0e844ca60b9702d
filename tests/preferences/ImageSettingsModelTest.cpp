#include "preferences/ImageSettingsModel.h"

#include "preferences/PreferencesTestSupport.h"
#include "store/CustomImageSettings.h"

namespace {

using ImageSettingsModelTest = PreferencesTest;

TEST_F(ImageSettingsModelTest, AStoredSizeShowsAsTheNextLargerItem)
{
    struct Case {
        int64_t limit;
        size_t limitItem;
        int64_t thumbnail;
        size_t thumbnailItem;
    };
    // 500 shows the 640 item, above 800 the unrestricted one; below the first step the first.
    for (const Case& c : {Case{500, 3, 100, 0}, Case{320, 1, 160, 1}, Case{801, 5, 161, 2}, Case{16777215, 5, 320, 3},
                          Case{160, 0, 24, 0}, Case{2000, 5, 239, 2}}) {
        defaults().setInteger("Images.ImageSizeLimit", c.limit);
        defaults().setInteger("Images.ThumbnailSize", c.thumbnail);
        CustomImageSettings settings;
        settings.loadSettings();
        ImageSettingsModel model(settings);
        EXPECT_EQ(model.imageSizeIndex(), c.limitItem) << c.limit;
        EXPECT_EQ(model.thumbnailSizeIndex(), c.thumbnailItem) << c.thumbnail;
    }
}

TEST_F(ImageSettingsModelTest, AChangeSavesAllThreeSettingsAtOnce)
{
    defaults().setInteger("Images.ImageSizeLimit", 480);
    CustomImageSettings settings;
    settings.loadSettings();
    ImageSettingsModel model(settings);
    int writes = 0;
    ObservationToken token = defaults().observe("Images.ThumbnailSize", [&](const std::string&) { ++writes; });
    // Thumbnail "small" (100) in native density, the limit left as it is.
    model.imageOptionsChanged(static_cast<long>(model.imageSizeIndex()), true, 0);
    EXPECT_EQ(defaults().integerForKey("Images.ThumbnailSize"), 100);
    EXPECT_TRUE(defaults().boolForKey("Images.AddInNativeDensity"));
    EXPECT_EQ(defaults().integerForKey("Images.ImageSizeLimit"), 480);
    EXPECT_EQ(writes, 1);
    model.imageOptionsChanged(5, false, -1);
    EXPECT_EQ(defaults().integerForKey("Images.ImageSizeLimit"), 16777215);
    EXPECT_EQ(defaults().integerForKey("Images.ThumbnailSize"), 100);
    EXPECT_FALSE(defaults().boolForKey("Images.AddInNativeDensity"));
}

} // namespace
