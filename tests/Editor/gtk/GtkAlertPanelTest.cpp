#include "platform/gtk/GtkAlertPanel.h"
#include "Editor/MailOptionsViewController.h"
#include "Editor/gtk/MailOptionsView.h"
#include "Editor/gtk/TopicLinkDialogs.h"
#include "GtkTestSupport.h"

#include <functional>

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

// Once a dialog shows, notes its window title and closes it.
void closeDialogWhenShown(std::string& title)
{
    Glib::signal_idle().connect([&title] {
        GList* windows = gtk_window_list_toplevels();
        bool closed = false;
        for (GList* window = windows; window && !closed; window = window->next) {
            if (!GTK_IS_DIALOG(window->data) || !gtk_widget_get_visible(GTK_WIDGET(window->data))) continue;
            const char* shown = gtk_window_get_title(GTK_WINDOW(window->data));
            title = shown ? shown : "";
            gtk_dialog_response(GTK_DIALOG(window->data), GTK_RESPONSE_DELETE_EVENT);
            closed = true;
        }
        g_list_free(windows);
        return !closed;
    });
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

// The window manager names every alert and question in its title bar, not only the ones whose
// makers thought of it.
TEST(GtkAlertPanelTest, EveryAlertAndQuestionHasAWindowTitle)
{
    initGtkForTests();
    GtkAlertPanel panel;
    GtkURLLinkPrompt linkPrompt;
    GtkMailOptionsPrompt mailPrompt;
    MailOptionsViewController mailOptions({400, 300}, {100, 100});
    const std::pair<const char*, std::function<void()>> dialogs[] = {
        {"an alert",
         [&] {
             AlertPanel::Request request;
             request.messageText = "The map could not be opened.";
             panel.runModal(request);
         }},
        {"the link question", [&] { linkPrompt.selectURLLink("http://", false); }},
        {"the mail question", [&] { mailPrompt.runMailOptions(mailOptions); }},
    };
    for (const auto& [what, run] : dialogs) {
        std::string title;
        closeDialogWhenShown(title);
        run();
        EXPECT_EQ(title, std::string(Glib::get_application_name())) << what;
        EXPECT_FALSE(title.empty()) << what;
    }
}
