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
    EXPECT_TRUE(ImageSizeWithinMemoryLimit(1, 1'000'000'000));
    EXPECT_FALSE(ImageSizeWithinMemoryLimit(1, 1'000'000'001));
}

// Products beyond 32 or 64 bits must not wrap round to a small number; negative sizes never fit.
TEST(ImageMemoryLimit, HugeAndNegativeSizesDoNotFit)
{
    EXPECT_FALSE(ImageSizeWithinMemoryLimit(65'536, 65'536));
    EXPECT_FALSE(ImageSizeWithinMemoryLimit(std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::max()));
    EXPECT_FALSE(ImageSizeWithinMemoryLimit(int64_t(1) << 62, 4));
    EXPECT_FALSE(ImageSizeWithinMemoryLimit(-50'000, -20'000));

    EXPECT_FALSE(ImageSizeWithinMemoryLimit(std::numeric_limits<int64_t>::min(), 1));
}

} // namespace
