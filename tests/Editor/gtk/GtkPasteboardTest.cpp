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

    // The offered types arrive with the main loop, never by waiting inside a validation.
    const auto offers = [&paster](const std::string& type) {
        const std::vector<std::string> types = paster.types();
        return std::find(types.begin(), types.end(), type) != types.end();
    };
    const gint64 giveUp = g_get_monotonic_time() + 5 * G_USEC_PER_SEC;
    while (!(offers(map) && paster.typesKnown()) && g_get_monotonic_time() < giveUp) Gtk::Main::iteration(false);
    ASSERT_TRUE(offers(map));
    // The data comes through a read: the first wanted type that has some, alone.
    const auto read = [&paster](const std::vector<std::string>& wanted) {
        PasteboardRequester requester;
        std::optional<std::string> answer;
        paster.read(wanted, requester, [&](const Pasteboard& contents) {
            answer.emplace();
            for (const std::string& type : contents.types()) *answer += type + "=" + *contents.stringForType(type);
        });
        EXPECT_TRUE(runMainLoopUntil([&] { return answer.has_value(); }, std::chrono::seconds(5)));
        return answer.value_or("no answer");
    };
    EXPECT_EQ(read({Pasteboard::StringType}), std::string(Pasteboard::StringType) + "=Ideas \xE2\x86\x92 plans");
    EXPECT_EQ(read({"image/png", map}), map + "=" + std::string("\1\0\2", 3));
    EXPECT_EQ(read({"image/png"}), "");
    const std::vector<std::string> types = paster.types();
    EXPECT_NE(types.end(), std::find(types.begin(), types.end(), std::string(Pasteboard::StringType)));
    EXPECT_NE(types.end(), std::find(types.begin(), types.end(), map));
    EXPECT_EQ(std::nullopt, paster.dataForType(map)) << "another program's data is never waited for";
}

TEST(GtkPasteboardTest, AskingForTheTypesAnotherProgramOffersNeverRunsTheMainLoop)
{
    // Validation asks on every pass; a main loop run there could free the map being validated.
    initGtkForTests();
    GtkPasteboard copier;
    GtkPasteboard paster;
    copier.declareTypes({Pasteboard::StringType});
    ASSERT_TRUE(copier.setString("x", Pasteboard::StringType));
    bool ran = false;
    const guint source = g_idle_add(
        [](gpointer flag) {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        },
        &ran);
    for (int ask = 0; ask < 3; ++ask) (void)paster.types();
    EXPECT_FALSE(ran);
    if (!ran) g_source_remove(source);
}
