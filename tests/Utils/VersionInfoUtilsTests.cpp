#include "Utils/VersionInfoUtils.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <regex>
#include <sys/utsname.h>

namespace {

TEST(VersionInfo, ExtractVersionParts)
{
    int64_t major = -1, minor = -1, release = -1;
    VersionInfoUtils::extractVersionParts("CFBundleVersion", &major, &minor, &release);
    EXPECT_EQ(std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(release),
              bundleInfoValue("CFBundleVersion"));

    VersionInfoUtils::extractVersionParts("NoSuchKey", &major, &minor, &release);
    EXPECT_EQ(major + minor + release, 0);
}

TEST(VersionInfo, VersionComponentIsTheLeadingIntegerSaturated)
{
    const std::vector<std::string> parts{
        "10", "2b", "x3", "", "-4", " 7", "+5", "99999999999999999999", "-99999999999999999999"};
    const int64_t expected[] = {10, 2, 0, 0, -4, 7, 5, INT64_MAX, INT64_MIN, 0};
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(VersionInfoUtils::getVersionComponent(parts, i), expected[i]) << i;
    }
    EXPECT_EQ(VersionInfoUtils::getVersionComponent({}, 0), 0);
}

TEST(SystemVersion, ComparesPartByPartWithTheRunningKernel)
{
    utsname info{};
    ASSERT_EQ(uname(&info), 0);
    unsigned major = 0, minor = 0, patch = 0;
    std::sscanf(info.release, "%u.%u.%u", &major, &minor, &patch);

    EXPECT_TRUE(isAtLeastSystemVersionMajor(major, minor, patch));
    EXPECT_FALSE(isAtLeastSystemVersionMajor(major, minor, patch + 1));
    EXPECT_FALSE(isAtLeastSystemVersionMajor(UINT_MAX, 0, 0));
    if (major > 0) {
        EXPECT_TRUE(isAtLeastSystemVersionMajor(major - 1, UINT_MAX, UINT_MAX));
    }
}

} // namespace
