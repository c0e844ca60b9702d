#include "platform/gtk/FocusLoss.h"

#include "GtkTestSupport.h"

#include <gtest/gtest.h>

namespace {

// What the window manager sends when the user switches applications or comes back.
void sendWindowFocus(Gtk::Window& window, bool in)
{
    GdkEvent* event = gdk_event_new(GDK_FOCUS_CHANGE);
    event->focus_change.window = GDK_WINDOW(g_object_ref(window.get_window()->gobj()));
    event->focus_change.send_event = TRUE;
    event->focus_change.in = in;
    gtk_widget_send_focus_change(GTK_WIDGET(window.gobj()), event);
    gdk_event_free(event);
}

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

    sendWindowFocus(window, true);
    editor.grab_focus();
    ASSERT_TRUE(editor.has_focus());

    sendWindowFocus(window, false);
    EXPECT_EQ(focusOuts, 1) << "GTK told the editor it lost the focus";
    EXPECT_EQ(edits, 0) << "the edit goes on while another application is in front";

    sendWindowFocus(window, true);
    EXPECT_EQ(edits, 0);
    other.grab_focus();
    EXPECT_EQ(focusOuts, 2);
    EXPECT_EQ(edits, 1);
    connection.disconnect();
}

} // namespace
