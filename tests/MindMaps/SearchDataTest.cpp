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
    EXPECT_EQ(data.icon(), "");
    EXPECT_EQ(data.checkedState(), 0);
    EXPECT_FALSE(data.earlierDate());
    EXPECT_EQ(data.scope(), 0u);
    EXPECT_GE(data.date(), before);
    EXPECT_LE(data.date(), after);
}

TEST(SearchDataTest, AnyScopeIsNotEmpty)
{
    MindMapSearchData data;
    data.setScope(SearchScopeDate);
    EXPECT_FALSE(data.isEmpty());
}

TEST(SearchDataTest, TextIsStoredInLowerCase)
{
    MindMapSearchData data;
    EXPECT_EQ(data.searchText(), "");
    data.setSearchText("Hello WORLD");
    EXPECT_EQ(data.searchText(), "hello world");
    data.setSearchText("\xC3\x84RGER \xC3\x9C" "ber \xD0\x9C\xD0\x98\xD0\xA0"); // ÄRGER Über МИР
    EXPECT_EQ(data.searchText(), "\xC3\xA4rger \xC3\xBC" "ber \xD0\xBC\xD0\xB8\xD1\x80");
    data.setSearchText("");
    EXPECT_EQ(data.searchText(), "");
}

TEST(SearchDataTest, TextOutsideTheBasicPlaneLowerCases)
{
    MindMapSearchData data("\xF0\x90\x90\x80"); // DESERET CAPITAL LETTER LONG I
    EXPECT_EQ(data.searchText(), "\xF0\x90\x90\xA8");
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

TEST(SearchDataTest, IconIsKeptAsGiven)
{
    MindMapSearchData data;
    data.setIcon("Flag-Red");
    EXPECT_EQ(data.icon(), "Flag-Red");
    data.setIcon("");
    EXPECT_EQ(data.icon(), "");
}

TEST(SearchDataTest, NoDateMeansNow)
{
    MindMapSearchData data;
    Clock::time_point past = Clock::now() - 48h;
    data.setDate(past);
    EXPECT_EQ(data.date(), past);
    Clock::time_point before = Clock::now();
    data.setDate(std::nullopt);
    EXPECT_GE(data.date(), before);
    EXPECT_LE(data.date(), Clock::now());
}

TEST(SearchDataTest, RecordsWithoutScopeAreAlwaysEqual)
{
    MindMapSearchData a("one"), b("two");
    a.setIcon("x");
    b.setCheckedState(2);
    b.setDate(Clock::now() - 1000h);
    b.setEarlierDate(true);
    EXPECT_TRUE(a.isEqual(b));
    EXPECT_TRUE(a == b);
}

TEST(SearchDataTest, DifferentScopesAreNotEqual)
{
    MindMapSearchData a("same"), b("same");
    a.setScope(SearchScopeText);
    b.setScope(SearchScopeText | SearchScopeIcon);
    EXPECT_FALSE(a.isEqual(b));
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

TEST(SearchDataTest, TextsCompareAfterLowerCasing)
{
    MindMapSearchData a("Apple"), b("aPPLE"), c("pear");
    for (MindMapSearchData* d : {&a, &b, &c}) d->setScope(SearchScopeText);
    EXPECT_TRUE(a.isEqual(b));
    EXPECT_FALSE(a.isEqual(c));
}

TEST(SearchDataTest, CheckedStatesInScope)
{
    MindMapSearchData a, b;
    a.setScope(SearchScopeCheckedState);
    b.setScope(SearchScopeCheckedState);
    a.setCheckedState(1);
    b.setCheckedState(2);
    EXPECT_FALSE(a.isEqual(b));
    b.setCheckedState(1);
    EXPECT_TRUE(a.isEqual(b));
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

TEST(SearchDataTest, AssignCopiesEveryCriterion)
{
    MindMapSearchData source("Find Me");
    Clock::time_point day = Clock::now() - 72h;
    source.setIcon("star");
    source.setCheckedState(2);
    source.setDate(day);
    source.setEarlierDate(true);
    source.setScope(15);

    MindMapSearchData target("other");
    target.assign(source);
    EXPECT_EQ(target.searchText(), "find me");
    EXPECT_EQ(target.icon(), "star");
    EXPECT_EQ(target.checkedState(), 2);
    EXPECT_EQ(target.date(), day);
    EXPECT_TRUE(target.earlierDate());
    EXPECT_EQ(target.scope(), 15u);
    EXPECT_TRUE(target.isEqual(source));
}

TEST(SearchDataTest, ClearKeepsNothing)
{
    MindMapSearchData data("Find");
    data.setIcon("star");
    data.setCheckedState(1);
    data.setDate(Clock::now() - 1000h);
    data.setEarlierDate(true);
    data.setScope(15);

    Clock::time_point before = Clock::now();
    data.clear();
    EXPECT_EQ(data.searchText(), "");
    EXPECT_EQ(data.icon(), "");
    EXPECT_EQ(data.checkedState(), 0);
    EXPECT_FALSE(data.earlierDate());
    EXPECT_EQ(data.scope(), 0u);
    EXPECT_TRUE(data.isEmpty());
    EXPECT_GE(data.date(), before);
    EXPECT_LE(data.date(), Clock::now());
}

} // namespace
