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
    for (int i = 0; i < 5000; ++i) {
        const std::string guid = createGUIDString();
        ASSERT_EQ(guid.size(), 24u);
        ASSERT_EQ(guid.find_first_not_of("0123456789ABCDEF"), std::string::npos) << guid;
        hex.insert(guid);
        const auto bytes = dataByBase64UrlSafeDecoding(createBase64GUIDString());
        ASSERT_TRUE(bytes && bytes->size() == 16u);
    }
    EXPECT_EQ(hex.size(), 5000u);
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
}

} // namespace
