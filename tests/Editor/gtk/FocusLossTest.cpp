#include "platform/gtk/FocusLoss.h"

#include "GtkTestSupport.h"
#include "support/ActiveWindow.h"

#include <gtest/gtest.h>

namespace {

TEST(FocusLossTest, SwitchingApplicationsEndsNothingButMovingFocusInsideTheWindowDoes)
{
    initGtkForTests();
    Gtk::Window window;
    Gtk::Box box;
    Gtk::Entry editor;
    Gtk::Button other("other");
    box.pack_start(editor);
    box.pack_start(other);
    window.add(box);
    window.show_all();
    drainGtkEvents();

    int focusOuts = 0, edits = 0;
    editor.signal_focus_out_event().connect([&](GdkEventFocus*) {
        ++focusOuts;
        return false;
    });
    sigc::connection connection = connectFocusLeftInsideWindow(editor, [&] { ++edits; });

    sendWindowFocusChange(window, true);
    editor.grab_focus();
    ASSERT_TRUE(editor.has_focus());

    sendWindowFocusChange(window, false);
    EXPECT_EQ(focusOuts, 1) << "GTK told the editor it lost the focus";
    EXPECT_EQ(edits, 0) << "the edit goes on while another application is in front";

    sendWindowFocusChange(window, true);
    EXPECT_EQ(edits, 0);
    other.grab_focus();
    EXPECT_EQ(focusOuts, 2);
    EXPECT_EQ(edits, 1);
    connection.disconnect();
}

} // namespace
