#include "Utils/ImageUtils.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

TEST(ImageMemoryLimit, FourBillionBytesAtFourBytesAPixel)
{
    EXPECT_EQ(ImageMemoryLimitBytes, 4'000'000'000);
    EXPECT_TRUE(ImageSizeWithinMemoryLimit(50'000, 20'000));
    EXPECT_FALSE(ImageSizeWithinMemoryLimit(50'000, 20'001));
    EXPECT_TRUE(ImageSizeWithinMemoryLimit(20'000, 50'000));
    EXPECT_FALSE(ImageSizeWithinMemoryLimit(20'001, 50'000));
    EXPECT_TRUE(ImageSizeWithinMemoryLimit(1, 1'000'000'000));
    EXPECT_FALSE(ImageSizeWithinMemoryLimit(1, 1'000'000'001));
}

// Products beyond 32 or 64 bits must not wrap round to a small number; negative sizes never fit.
TEST(ImageMemoryLimit, HugeAndNegativeSizesDoNotFit)
{
    EXPECT_FALSE(ImageSizeWithinMemoryLimit(65'536, 65'536));
    EXPECT_FALSE(ImageSizeWithinMemoryLimit(std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::max()));
    EXPECT_FALSE(ImageSizeWithinMemoryLimit(int64_t(1) << 62, 4));
    EXPECT_TRUE(ImageSizeWithinMemoryLimit(0, std::numeric_limits<int64_t>::max()));
    EXPECT_FALSE(ImageSizeWithinMemoryLimit(-1, 100));
    EXPECT_FALSE(ImageSizeWithinMemoryLimit(-50'000, -20'000));
    EXPECT_FALSE(ImageSizeWithinMemoryLimit(std::numeric_limits<int64_t>::min(), 1));
}

TEST(RepresentationSize, WidestRepresentationWithItsOwnHeight)
{
    EXPECT_EQ(getRepresentationSize({100, 50}, {}), (Size{100, 50}));
    EXPECT_EQ(getRepresentationSize({100, 50}, {{100, 80}, {50, 25}}), (Size{100, 50}));
    EXPECT_EQ(getRepresentationSize({100, 50}, {{200, 100}, {150, 75}}), (Size{200, 100}));
    EXPECT_EQ(getRepresentationSize({100, 50}, {{150, 75}, {300, 10}}), (Size{300, 10}));
    EXPECT_EQ(getRepresentationSize({0, 0}, {{16, 16}, {32, 32}, {32, 40}}), (Size{32, 32}));
}

} // namespace
