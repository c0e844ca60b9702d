#include "MindMaps/StylePreviewCache.h"
#include "MindMaps/CustomStyleSheet.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/StyleManager.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// What the stand-in painter saw of each map it drew.
struct Drawing {
    const MindMap* map = nullptr;
    std::string sheetKey;
    bool hasCentralTheme = false;
    Size size;
    bool highResolution = false;
};

class StylePreviewCacheTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerNativeFormat();
        StyleManager::releaseStyleManagerInstance();
    }
    void TearDown() override
    {
        StyleManager::releaseStyleManagerInstance();
        CustomStyleSheet::loadCustomStylesFromDirectory("");
    }

    void useStandInPainter(StylePreviewCache& cache)
    {
        cache.setThumbnailRenderer([this](MindMap& map, Size size, bool highResolution) {
            Drawing drawing{&map, map.styleSheet() ? map.styleSheet()->styleKeyName() : "",
                            !map.centralThemes().empty(), size, highResolution};
            drawings.push_back(drawing);
            return std::vector<uint8_t>{'p', 'n', 'g', static_cast<uint8_t>(drawings.size())};
        });
    }
    std::shared_ptr<StyleSheet> sheet(const char* key)
    {
        return StyleManager::styleManager().getStyleOnKey(key, false);
    }

    std::vector<Drawing> drawings;
};

TEST_F(StylePreviewCacheTest, EachKeyIsDrawnOnceAtPreviewSizeInHighResolution)
{
    StylePreviewCache cache;
    useStandInPainter(cache);
    const std::vector<uint8_t> first = cache.stylePreviewImage(sheet("system.bright-palette"));
    EXPECT_EQ(cache.stylePreviewImage(sheet("system.bright-palette")), first);
    ASSERT_EQ(drawings.size(), 1u);
    EXPECT_EQ(drawings[0].size.width, 192);
    EXPECT_EQ(drawings[0].size.height, 108);
    EXPECT_TRUE(drawings[0].highResolution);
    EXPECT_EQ(drawings[0].sheetKey, "system.bright-palette");
    EXPECT_TRUE(cache.stylePreviewImage(nullptr).empty());
}

TEST_F(StylePreviewCacheTest, WithoutAUsableSampleEverySheetIsDrawnOnThePlainOne)
{
    TempDir resources;
    std::filesystem::create_directories(resources.file("maps"));
    writeTestFile(resources.file(StylePreviewCache::SampleResource), "\x89PNG not a map");
    {
        ScopedEnvironment environment("TARNWICK_RESOURCES", resources.path());
        StylePreviewCache cache;
        useStandInPainter(cache);
        EXPECT_FALSE(cache.stylePreviewImage(sheet("system.basic-chart")).empty());
        EXPECT_FALSE(cache.stylePreviewImage(sheet("system.bright-palette")).empty());
    }
    reloadStringTable();
    ASSERT_EQ(drawings.size(), 2u);
    EXPECT_EQ(drawings[0].map, drawings[1].map);
    EXPECT_FALSE(drawings[0].hasCentralTheme);
}

} // namespace
