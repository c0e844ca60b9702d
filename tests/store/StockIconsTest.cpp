#include "store/StockIcons.h"
#include "store/FlatStockIcons.h"
#include "store/NamedDiagramIcons.h"

#include "ImageTestSupport.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace {

// Both sets are made before any test looks at the registry, as the store does at start.
class StockIconsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        NamedDiagramIcons::namedDiagramIcons();
        FlatStockIcons::flatStockIcons();
    }
    static StockIcons& icons() { return StockIcons::instance(); }
};

} // namespace

TEST_F(StockIconsTest, TheNamedSetHas110IconsEndingWithTheTenNumbers)
{
    const auto names = NamedDiagramIcons::namedDiagramIcons().iconNames();
    ASSERT_EQ(names.size(), 110u);
    EXPECT_EQ(names.front(), "ok");
    EXPECT_EQ(names[99], "cloud");
    for (int digit = 0; digit <= 9; ++digit) EXPECT_EQ(names[100 + digit], "white." + std::to_string(digit));
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 110u);
    for (const std::string& name : names) {
        const auto picture = icons().iconNamed(name);
        ASSERT_NE(picture, nullptr) << name;
        EXPECT_EQ(picture->pixelSize(), (Size{32, 32})) << name;
    }
}

TEST_F(StockIconsTest, TheFlatSetHas183FortyEightPixelIconsInBothSizes)
{
    const auto names = FlatStockIcons::flatStockIcons().iconNames();
    ASSERT_EQ(names.size(), 183u);
    EXPECT_EQ(names.front(), "ic8_48_ok");
    EXPECT_EQ(names.back(), "ic8_48_construction");
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 183u);
    for (const std::string& name : names) {
        EXPECT_EQ(name.rfind("ic8_48_", 0), 0u) << name;
        const auto small = icons().iconNamed(name);
        const auto large = icons().iconNamed(FlatStockIcons::iconNameForBaseName(name, 1));
        ASSERT_NE(small, nullptr) << name;
        ASSERT_NE(large, nullptr) << name;
        EXPECT_EQ(small->pixelSize(), (Size{48, 48})) << name;
        EXPECT_EQ(large->pixelSize(), (Size{96, 96})) << name;
    }
}

TEST_F(StockIconsTest, AMissingResourceYieldsNothingAndIsNotRemembered)
{
    TempDir resources;
    ScopedEnvironment environment("TARNWICK_RESOURCES", resources.path());
    icons().defineIcon("test-late", "test_late_resource");
    EXPECT_EQ(icons().iconNamed("test-late"), nullptr);

    std::filesystem::create_directories(resources.file("images"));
    ASSERT_TRUE(solidImage(16, 16).writePng(resources.file("images/test_late_resource.png")));
    const auto picture = icons().iconNamed("test-late");
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->pixelSize(), (Size{16, 16}));
}

TEST_F(StockIconsTest, APictureDrawnOnDemandIsDrawnOnceAndTheLastDefinitionWins)
{
    int drawn = 0;
    const auto draw = [&drawn] {
        ++drawn;
        return Image(8, 8);
    };
    icons().defineRuntimeIcon("stock-icons-test-lazy", std::function<Image()>(draw));
    EXPECT_EQ(drawn, 0) << "defining draws nothing";
    const auto first = icons().iconNamed("stock-icons-test-lazy");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->pixelSize(), (Size{8, 8}));
    EXPECT_EQ(icons().iconNamed("stock-icons-test-lazy"), first);
    EXPECT_EQ(drawn, 1);

    // A ready picture replaces a drawing not yet made, and a drawing replaces a ready picture.
    icons().defineRuntimeIcon("stock-icons-test-swap", std::function<Image()>(draw));
    icons().defineRuntimeIcon("stock-icons-test-swap", std::make_shared<const Image>(4, 4));
    EXPECT_EQ(icons().iconNamed("stock-icons-test-swap")->pixelSize(), (Size{4, 4}));
    icons().defineRuntimeIcon("stock-icons-test-swap", std::function<Image()>(draw));
    EXPECT_EQ(icons().iconNamed("stock-icons-test-swap")->pixelSize(), (Size{8, 8}));
    EXPECT_EQ(drawn, 2);
}
