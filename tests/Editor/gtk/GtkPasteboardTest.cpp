#include "platform/gtk/GtkPasteboard.h"
#include "GtkTestSupport.h"

#include <gtest/gtest.h>

TEST(GtkPasteboardTest, WhatOneSideCopiesTheOtherPastesThroughTheDesktop)
{
    initGtkForTests();
    GtkPasteboard copier;
    GtkPasteboard paster; // reads through the display, as another program would
    const std::string map = "com.orrinworks.tarnwick.map";
    copier.declareTypes({Pasteboard::StringType, map});
    ASSERT_TRUE(copier.setString("Ideas \xE2\x86\x92 plans", Pasteboard::StringType));
    ASSERT_TRUE(copier.setData({1, 0, 2}, map));
    EXPECT_FALSE(copier.setData({9}, "image/png")) << "not declared";

    EXPECT_EQ("Ideas \xE2\x86\x92 plans", paster.stringForType(Pasteboard::StringType));
    EXPECT_EQ((std::vector<uint8_t>{1, 0, 2}), paster.dataForType(map));
    const std::vector<std::string> types = paster.types();
    EXPECT_NE(types.end(), std::find(types.begin(), types.end(), std::string(Pasteboard::StringType)));
    EXPECT_NE(types.end(), std::find(types.begin(), types.end(), map));
    EXPECT_EQ(std::nullopt, paster.dataForType("image/png"));
}
