#include "editor-view/gtk/DatePickerContent.h"

#include "Utils/GregorianCalendar.h"
#include "platform/Localizer.h"

#include "support/DisplayRequirement.h"
#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <memory>
#include <optional>
#include <vector>

namespace {

void drain()
{
    while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
}

template <typename T> T* find(Gtk::Widget& root, const std::function<bool(T&)>& wanted = nullptr)
{
    if (auto* widget = dynamic_cast<T*>(&root); widget && (!wanted || wanted(*widget))) return widget;
    if (auto* container = dynamic_cast<Gtk::Container*>(&root)) {
        for (Gtk::Widget* child : container->get_children())
            if (T* found = find<T>(*child, wanted)) return found;
    }
    return nullptr;
}

Gtk::Button* button(Gtk::Widget& root, const std::string& key)
{
    return find<Gtk::Button>(root, [&](Gtk::Button& b) { return b.get_label() == localized(key); });
}

} // namespace

TEST(DatePickerContentTest, OkAndDoubleClickPickTheShownDayAtTheInitialTimeAndClearPicksNone)
{
    TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
    Gtk::Main::init_gtkmm_internals();
    ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const GregorianCalendar calendar;
    const auto initial = *calendar.dateFromComponents({2026, 3, 10, 14, 25, 0});

    Gtk::Window window;
    Gtk::DrawingArea anchor;
    anchor.set_size_request(400, 300);
    anchor.set_can_focus(true);
    window.add(anchor);
    window.show_all();
    drain();

    enum class Action { Ok, DoubleClick, Clear };
    struct Case {
        Action action;
        int day; // shown in the calendar before the action
        std::optional<DateComponents> expected;
    };
    const Case cases[] = {
        {Action::Ok, 10, DateComponents{2026, 3, 10, 14, 25, 0}},
        {Action::Ok, 29, DateComponents{2026, 3, 29, 14, 25, 0}},
        {Action::DoubleClick, 3, DateComponents{2026, 3, 3, 14, 25, 0}},
        {Action::Clear, 12, std::nullopt},
    };
    for (const Case& c : cases) {
        std::vector<std::optional<std::chrono::system_clock::time_point>> picks;
        auto* popover = Gtk::manage(new Gtk::Popover(anchor));
        Gtk::Widget* content = newDatePickerContent(initial, [&](auto date) { picks.push_back(date); });
        popover->add(*Gtk::manage(content));
        content->show();
        anchor.grab_focus();
        popover->set_pointing_to(Gdk::Rectangle(100, 100, 20, 20));
        popover->popup();
        for (int i = 0; i < 200 && !content->get_mapped(); ++i) {
            drain();
            g_usleep(10000);
        }
        drain();
        Gtk::Calendar* days = find<Gtk::Calendar>(*content);
        Gtk::Button* ok = button(*content, "ok_button_title");
        Gtk::Button* clear = button(*content, "clear_date_caption");
        ASSERT_TRUE(days && ok && clear);
        EXPECT_TRUE(ok->is_focus()) << "OK has the focus once shown";
        guint year = 0, month = 0, day = 0;
        days->get_date(year, month, day);
        EXPECT_EQ(2026u, year);
        EXPECT_EQ(2u, month);
        EXPECT_EQ(10u, day) << "the calendar opens on the initial date";

        days->select_day(guint(c.day));
        EXPECT_TRUE(picks.empty()) << "selecting a day alone picks nothing";
        switch (c.action) {
        case Action::Ok:
            ok->clicked();
            break;
        case Action::DoubleClick:
            g_signal_emit_by_name(days->gobj(), "day-selected-double-click");
            break;
        case Action::Clear:
            clear->clicked();
            break;
        }
        ASSERT_EQ(1u, picks.size());
        if (c.expected) {
            ASSERT_TRUE(picks.front());
            EXPECT_EQ(*c.expected, calendar.components(*picks.front()));
        } else {
            EXPECT_FALSE(picks.front()) << "Clear reports no date";
        }
        popover->hide();
        drain();
        EXPECT_TRUE(anchor.is_focus()) << "the focus goes back where it was";
        delete popover;
        drain();
    }
}
