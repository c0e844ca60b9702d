#include "Utils/HexEncoding.h"

#include <gtest/gtest.h>

namespace {

TEST(HexEncoding, TwoUpperCaseDigitsPerByte)
{
    EXPECT_EQ(stringByHexEncoding(std::vector<uint8_t>{0x00, 0x0F, 0xA5, 0xFF, 0x10}), "000FA5FF10");
    EXPECT_EQ(stringByHexEncoding(std::string_view("\xab\xcd", 2)), "ABCD");
}

TEST(HexEncoding, EmptyDataGivesEmptyText)
{
    EXPECT_EQ(stringByHexEncoding(std::vector<uint8_t>{}), "");
}

TEST(HexEncoding, EveryByteValue)
{
    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(i);
    const std::string text = stringByHexEncoding(all);
    ASSERT_EQ(text.size(), 512u);
    EXPECT_EQ(text.substr(0, 8), "00010203");
    EXPECT_EQ(text.substr(2 * 0x7F, 6), "7F8081");
    EXPECT_EQ(text.substr(508), "FEFF");
    EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF"), std::string::npos);
}

} // namespace
