#include "platform/gtk/GtkAlertPanel.h"
#include "GtkTestSupport.h"

#include <gtest/gtest.h>

namespace {

// Plays the user: once the dialog is up, types into its entry (if any) and answers it.
void answerOpenDialog(int response, const std::string& typed)
{
    Glib::signal_timeout().connect_once(
        [response, typed] {
            GList* windows = gtk_window_list_toplevels();
            for (GList* window = windows; window; window = window->next) {
                if (!GTK_IS_MESSAGE_DIALOG(window->data) || !gtk_widget_get_visible(GTK_WIDGET(window->data))) continue;
                auto* dialog = Glib::wrap(GTK_MESSAGE_DIALOG(window->data));
                std::vector<Gtk::Widget*> fields = dialog->get_message_area()->get_children();
                for (Gtk::Widget* field : fields)
                    if (auto* entry = dynamic_cast<Gtk::Entry*>(field)) entry->set_text(typed);
                dialog->response(response);
            }
            g_list_free(windows);
        },
        50);
}

} // namespace

TEST(GtkAlertPanelTest, ButtonsEscapeAndTheTextFieldComeBackAsAnswers)
{
    initGtkForTests();
    GtkAlertPanel panel;
    AlertPanel::Request request;
    request.messageText = "Delete <b>Plans</b>?";
    request.buttons = {{"Delete", "\r"}, {"Cancel", "\033"}};
    answerOpenDialog(AlertPanel::FirstButtonReturn, "");
    EXPECT_EQ(AlertPanel::FirstButtonReturn, panel.runModal(request).button);
    answerOpenDialog(GTK_RESPONSE_DELETE_EVENT, "");
    EXPECT_EQ(AlertPanel::FirstButtonReturn + 1, panel.runModal(request).button) << "Escape is the Cancel button";

    request.buttons = {{"OK", "\r"}};
    request.textField = AlertPanel::TextField{"old", "URL"};
    answerOpenDialog(GTK_RESPONSE_DELETE_EVENT, "typed");
    const AlertPanel::Answer answer = panel.runModal(request);
    EXPECT_EQ(AlertPanel::Dismissed, answer.button) << "no button names Escape";
    EXPECT_EQ("typed", answer.text);
}
