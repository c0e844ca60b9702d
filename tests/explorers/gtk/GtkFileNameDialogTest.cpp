#include "explorers/gtk/GtkFileNameDialog.h"
#include "Editor/gtk/GtkTestSupport.h"
#include "platform/Localizer.h"

#include <gtest/gtest.h>

namespace {

// A key press as the keyboard would deliver it to the focused entry.
void typeCharacter(Gtk::Entry& entry, guint keyval)
{
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(entry.get_window()->gobj()));
    event->key.keyval = keyval;
    event->key.time = GDK_CURRENT_TIME;
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()), keyval, &keys,
                                          &count) &&
        count > 0) {
        event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
        event->key.state = keys[0].level ? GDK_SHIFT_MASK : 0;
    }
    g_free(keys);
    gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
    handEvent(GTK_WIDGET(entry.gobj()), event);
    gdk_event_free(event);
}

// Plays the user once the dialog runs: types into its field, then answers.
void answerWhenShown(GtkFileNameDialog& dialog, const std::string& typed, int response)
{
    Glib::signal_timeout().connect_once(
        [&dialog, typed, response] {
            dialog.fileNameEdit().set_text(typed);
            dialog.response(response);
        },
        50);
}

} // namespace

TEST(GtkFileNameDialogTest, TheFieldRefusesInvalidCharactersAsTheyAreTypedOrPasted)
{
    initGtkForTests();
    GtkFileNameDialog dialog(FileNameDialog::NewMap, "");
    dialog.show();
    drainGtkEvents();
    Gtk::Entry& field = dialog.fileNameEdit();
    field.grab_focus();
    for (guint key : {GDK_KEY_w, GDK_KEY_h, GDK_KEY_y, GDK_KEY_question, GDK_KEY_s}) typeCharacter(field, key);
    drainGtkEvents();
    EXPECT_EQ("whys", field.get_text().raw()) << "the ? never reached the field";
    EXPECT_EQ(4, field.get_position());

    field.set_text("ab");
    int position = 1;
    field.insert_text("x/y:z", -1, position);
    EXPECT_EQ("axyzb", field.get_text().raw()) << "a paste keeps what is valid of it, where it was put";
    EXPECT_EQ(4, field.get_position());

    field.set_text(std::string(69, 'n'));
    position = 69;
    field.insert_text("*abc", -1, position);
    EXPECT_EQ(std::string(69, 'n') + "a", field.get_text().raw()) << "cut to 70 characters";
}

TEST(GtkFileNameDialogTest, ShowsTheModesTextsAndEnablesOkOnlyForANonEmptyName)
{
    initGtkForTests();
    GtkFileNameDialog dialog(FileNameDialog::RenameFolder, "Projects");
    EXPECT_EQ(localized("folder_dialog_rename_title"), dialog.get_title().raw());
    EXPECT_EQ(localized("folder_dialog_name_hint"), dialog.fileNameEdit().get_placeholder_text().raw());
    EXPECT_EQ(localized("folder_dialog_message"), dialog.messageLabel().get_text().raw());
    EXPECT_EQ(FileNameDialog::hintText(), dialog.hintLabel().get_text().raw());
    EXPECT_EQ("Projects", dialog.fileNameEdit().get_text().raw());
    EXPECT_TRUE(dialog.okButton().get_sensitive());
    dialog.fileNameEdit().set_text(" . ");
    EXPECT_FALSE(dialog.okButton().get_sensitive());
    dialog.fileNameEdit().set_text("");
    EXPECT_FALSE(dialog.okButton().get_sensitive());
    dialog.fileNameEdit().set_text("x");
    EXPECT_TRUE(dialog.okButton().get_sensitive());
    EXPECT_EQ(localized("ok_button_title"), dialog.okButton().get_label().raw());
}

TEST(GtkFileNameDialogTest, OkReturnsTheTakenNameAndCancelOrCloseReturnNothing)
{
    initGtkForTests();
    {
        GtkFileNameDialog dialog(FileNameDialog::NewMap, "");
        answerWhenShown(dialog, "  Plans. ", Gtk::RESPONSE_OK);
        EXPECT_EQ("Plans", dialog.runForName());
    }
    {
        GtkFileNameDialog dialog(FileNameDialog::NewFolder, "Old");
        answerWhenShown(dialog, "New", Gtk::RESPONSE_CANCEL);
        EXPECT_EQ(std::nullopt, dialog.runForName());
    }
    {
        GtkFileNameDialog dialog(FileNameDialog::RenameFile, "Old");
        answerWhenShown(dialog, "New", Gtk::RESPONSE_DELETE_EVENT);
        EXPECT_EQ(std::nullopt, dialog.runForName());
    }
    {
        // OK on a name that is nothing once taken keeps the dialog up; closing it then ends it.
        GtkFileNameDialog dialog(FileNameDialog::NewMap, "");
        answerWhenShown(dialog, "..", Gtk::RESPONSE_OK);
        Glib::signal_timeout().connect_once([&dialog] { dialog.response(Gtk::RESPONSE_CANCEL); }, 150);
        EXPECT_EQ(std::nullopt, dialog.runForName());
    }
}
