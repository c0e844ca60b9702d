#include "Editor/gtk/TopicLinkDialogs.h"
#include "Editor/ExportFormatChoice.h"
#include "GtkTestSupport.h"
#include "support/DisplayRequirement.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// Plays the user: once the dialog is up, does what the test asks with the widgets of its message
// area and answers it.
void answerOpenDialog(int response, std::function<void(std::vector<Gtk::Widget*>&)> act)
{
    Glib::signal_timeout().connect_once(
        [response, act] {
            GList* windows = gtk_window_list_toplevels();
            for (GList* window = windows; window; window = window->next) {
                if (!GTK_IS_MESSAGE_DIALOG(window->data) || !gtk_widget_get_visible(GTK_WIDGET(window->data))) continue;
                auto* dialog = Glib::wrap(GTK_MESSAGE_DIALOG(window->data));
                std::vector<Gtk::Widget*> fields = dialog->get_message_area()->get_children();
                if (act) act(fields);
                dialog->response(response);
            }
            g_list_free(windows);
        },
        50);
}

template <class T> T* first(std::vector<Gtk::Widget*>& widgets)
{
    for (Gtk::Widget* widget : widgets)
        if (auto* found = dynamic_cast<T*>(widget)) return found;
    return nullptr;
}

} // namespace

TEST(TopicLinkDialogsTest, TheLinkDialogStartsAtItsSeedAndOffersTheUploadOnlyForCloudMaps)
{
    TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
    initGtkForTests();
    GtkURLLinkPrompt prompt;
    bool uploadOffered = true;
    std::string seed;
    answerOpenDialog(GTK_RESPONSE_OK, [&](std::vector<Gtk::Widget*>& fields) {
        seed = first<Gtk::Entry>(fields)->get_text();
        uploadOffered = first<Gtk::CheckButton>(fields) != nullptr;
        first<Gtk::Entry>(fields)->set_text("https://example.org/harbour");
    });
    std::optional<URLLinkPrompt::Answer> answer = prompt.selectURLLink("http://", false);
    ASSERT_TRUE(answer);
    EXPECT_EQ(seed, "http://");
    EXPECT_FALSE(uploadOffered);
    EXPECT_EQ(answer->link, "https://example.org/harbour");
    EXPECT_FALSE(answer->uploadToCloud);

    answerOpenDialog(GTK_RESPONSE_OK, [](std::vector<Gtk::Widget*>& fields) {
        first<Gtk::Entry>(fields)->set_text("/tmp/notes.pdf");
        first<Gtk::CheckButton>(fields)->set_active(true);
    });
    answer = prompt.selectURLLink("http://", true);
    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->uploadToCloud);

    answerOpenDialog(GTK_RESPONSE_CANCEL, nullptr);
    EXPECT_FALSE(prompt.selectURLLink("http://", true));
}

TEST(TopicLinkDialogsTest, TheExportDialogHandsTheChosenFormatAndRangeToTheChoice)
{
    TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
    initGtkForTests();
    GtkExportToCloudPrompt prompt;
    ExportFormatChoice choice(Size{400, 300}, Size{100, 80});
    answerOpenDialog(GTK_RESPONSE_OK, [](std::vector<Gtk::Widget*>& fields) {
        first<Gtk::ComboBoxText>(fields)->set_active(static_cast<int>(ExportFormatChoice::indexOfExtension("png")));
        first<Gtk::CheckButton>(fields)->set_active(true);
    });
    EXPECT_TRUE(prompt.runExportToCloud("Export to Cloudy", "Choose", choice));
    EXPECT_EQ(choice.selectedExtension(), "png");
    EXPECT_TRUE(choice.selectionOnly());

    answerOpenDialog(GTK_RESPONSE_CANCEL, nullptr);
    EXPECT_FALSE(prompt.runExportToCloud("Export to Cloudy", "Choose", choice));
}
