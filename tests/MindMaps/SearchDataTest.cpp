#include "MindMaps/MindMapSearchData.h"

#include <gtest/gtest.h>

#include <glib.h>

#include <chrono>

namespace {

using Clock = std::chrono::system_clock;
using namespace std::chrono_literals;

TEST(SearchDataTest, ScopeBits)
{
    EXPECT_EQ(SearchScopeText, 1u);
    EXPECT_EQ(SearchScopeIcon, 2u);
    EXPECT_EQ(SearchScopeCheckedState, 4u);
    EXPECT_EQ(SearchScopeDate, 8u);
}

TEST(SearchDataTest, NewRecordWithTextButNoScopeIsEmpty)
{
    Clock::time_point before = Clock::now();
    MindMapSearchData data("Needle");
    Clock::time_point after = Clock::now();
    EXPECT_TRUE(data.isEmpty());
    EXPECT_EQ(data.searchText(), "needle");
    EXPECT_EQ(data.scope(), 0u);
    EXPECT_GE(data.date(), before);
    EXPECT_LE(data.date(), after);
}

TEST(SearchDataTest, TextIsStoredInLowerCase)
{
    MindMapSearchData data;
    data.setSearchText("\xC3\x84RGER \xC3\x9C" "ber \xD0\x9C\xD0\x98\xD0\xA0"); // ÄRGER Über МИР
    EXPECT_EQ(data.searchText(), "\xC3\xA4rger \xC3\xBC" "ber \xD0\xBC\xD0\xB8\xD1\x80");
    data.setSearchText("");
    EXPECT_EQ(data.searchText(), "");
}

TEST(SearchDataTest, InvalidUtf8TextBecomesValidText)
{
    MindMapSearchData data;
    data.setSearchText("AB\xFF\xC3");
    EXPECT_TRUE(g_utf8_validate(data.searchText().data(), static_cast<gssize>(data.searchText().size()), nullptr));
    EXPECT_EQ(data.searchText().substr(0, 2), "ab");
    data.setSearchText(std::string("A\0B", 3));
    EXPECT_TRUE(g_utf8_validate(data.searchText().data(), static_cast<gssize>(data.searchText().size()), nullptr));
}

TEST(SearchDataTest, IconsOnlyCountInsideTheScope)
{
    MindMapSearchData a("text"), b("text");
    a.setIcon("flag");
    b.setIcon("star");
    a.setScope(1);
    b.setScope(1);
    EXPECT_TRUE(a.isEqual(b));
    a.setScope(3);
    b.setScope(3);
    EXPECT_FALSE(a.isEqual(b));
    b.setIcon("flag");
    EXPECT_TRUE(a.isEqual(b));
    b.setIcon("Flag"); // icon names compare exactly
    EXPECT_FALSE(a.isEqual(b));
}

TEST(SearchDataTest, DatesAndDirectionInScope)
{
    Clock::time_point day = Clock::now() - 24h;
    MindMapSearchData a, b;
    a.setScope(SearchScopeDate);
    b.setScope(SearchScopeDate);
    a.setDate(day);
    b.setDate(day);
    EXPECT_TRUE(a.isEqual(b));
    b.setEarlierDate(true);
    EXPECT_FALSE(a.isEqual(b));
    a.setEarlierDate(true);
    EXPECT_TRUE(a.isEqual(b));
    b.setDate(day + 1s);
    EXPECT_FALSE(a.isEqual(b));
    // Outside the scope the date does not count.
    a.setScope(SearchScopeText);
    b.setScope(SearchScopeText);
    EXPECT_TRUE(a.isEqual(b));
}

} // namespace
