#include "MindMaps/MindMapSearchData.h"

#include <gtest/gtest.h>

#include <glib.h>

namespace {

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
