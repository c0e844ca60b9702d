#pragma once

#include <gtk/gtk.h>

// A key pressed and released as the keyboard gives it to a window, which hands it to the widget
// that has its focus. Without the server's focus: a test need not make its window the active one.
inline void pressKey(GtkWidget* window, guint keyval, GdkModifierType state)
{
    GdkDisplay* display = gtk_widget_get_display(window);
    guint16 keycode = 0;
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys, &count) && count > 0)
        keycode = static_cast<guint16>(keys[0].keycode);
    g_free(keys);
    for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
        GdkEvent* event = gdk_event_new(type);
        event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
        event->key.send_event = TRUE;
        event->key.time = GDK_CURRENT_TIME;
        event->key.state = state;
        event->key.keyval = keyval;
        event->key.hardware_keycode = keycode;
        gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
        gtk_main_do_event(event);
        gdk_event_free(event);
    }
}
