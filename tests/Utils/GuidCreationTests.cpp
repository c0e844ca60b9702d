#include "Utils/Base64Url.h"
#include "Utils/GuidCreation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <regex>
#include <set>
#include <thread>

namespace {

TEST(GuidCreation, GuidsHaveTheirFormAndDoNotRepeat)
{
    std::set<std::string> hex;
    std::set<std::string> base64;
    for (int i = 0; i < 5000; ++i) {
        const std::string guid = createGUIDString();
        ASSERT_EQ(guid.size(), 24u);
        ASSERT_EQ(guid.find_first_not_of("0123456789ABCDEF"), std::string::npos) << guid;
        const std::string base64Guid = createBase64GUIDString();
        ASSERT_EQ(base64Guid.size(), 22u);
        const auto bytes = dataByBase64UrlSafeDecoding(base64Guid);
        ASSERT_TRUE(bytes) << base64Guid;
        ASSERT_EQ(bytes->size(), 16u);
        hex.insert(guid);
        base64.insert(base64Guid);
    }
    EXPECT_EQ(hex.size(), 5000u);
    EXPECT_EQ(base64.size(), 5000u);
}

std::string todayStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y%m%d", &local);
    return text;
}

TEST(DefaultFileName, LengthZeroIsTheDateAndTimeStamp)
{
    const std::string before = todayStamp();
    const std::string name = defaultFileNameGuidLength(0);
    const std::string after = todayStamp();
    std::smatch m;
    ASSERT_TRUE(std::regex_match(name, m, std::regex("(\\d{8})_(\\d\\d)(\\d\\d)(\\d\\d)(\\d\\d)"))) << name;
    EXPECT_TRUE(m[1] == before || m[1] == after) << name;
    EXPECT_LT(std::stoi(m[2]), 24);
    EXPECT_LT(std::stoi(m[3]), 60);
    EXPECT_LE(std::stoi(m[4]), 60);
    EXPECT_LT(std::stoi(m[5]), 100);
}

} // namespace
