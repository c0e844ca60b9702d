#include "MindMaps/MindMapSearchData.h"

#include <gtest/gtest.h>

#include <glib.h>

namespace {

TEST(SearchDataTest, ScopeBits)
{
    EXPECT_EQ(SearchScopeText, 1u);
    EXPECT_EQ(SearchScopeIcon, 2u);
    EXPECT_EQ(SearchScopeCheckedState, 4u);
    EXPECT_EQ(SearchScopeDate, 8u);
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

} // namespace
