#include "Utils/HexEncoding.h"

#include <gtest/gtest.h>

namespace {

TEST(HexEncoding, TwoUpperCaseDigitsForEveryByteValue)
{
    EXPECT_EQ(stringByHexEncoding(std::vector<uint8_t>{}), "");
    EXPECT_EQ(stringByHexEncoding(std::string_view("\xab\xcd", 2)), "ABCD");
    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(i);
    const std::string text = stringByHexEncoding(all);
    ASSERT_EQ(text.size(), 512u);
    EXPECT_EQ(text.substr(0, 8), "00010203");
    EXPECT_EQ(text.substr(2 * 0x7F, 6), "7F8081");
    EXPECT_EQ(text.substr(508), "FEFF");
}

} // namespace
