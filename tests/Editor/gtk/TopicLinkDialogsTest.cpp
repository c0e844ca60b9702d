#include "Editor/gtk/TopicLinkDialogs.h"
#include "Editor/ExportToCloudAction.h"
#include "Editor/gtk/ExportFormatView.h"
#include "GtkTestSupport.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/GtkAlertPanel.h"
#include "support/DisplayRequirement.h"

#include <gtest/gtest.h>

#include <cstdlib>
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

TEST(TopicLinkDialogsTest, TheExportQuestionHandsTheChosenFormatAndRangeToTheChoice)
{
    TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
    initGtkForTests();
    installTopicLinkDialogs();
    GtkAlertPanel alerts;
    AlertPanel::setShared(&alerts);
    ExportFormatViewController choice(Size{400, 300}, Size{100, 80});
    answerOpenDialog(AlertPanel::FirstButtonReturn, [](std::vector<Gtk::Widget*>& fields) {
        ExportFormatView* view = first<ExportFormatView>(fields);
        ASSERT_TRUE(view);
        view->formatRadio(1).set_active(true); // PNG
        view->selectionRadio().set_active(true);
    });
    EXPECT_TRUE(ExportToCloudPrompt::shared().runExportToCloud("Export to Cloudy", "Choose", choice));
    EXPECT_EQ(choice.selectedExtension(), "png");
    EXPECT_TRUE(choice.selectionOnly());

    answerOpenDialog(GTK_RESPONSE_CANCEL, nullptr);
    EXPECT_FALSE(ExportToCloudPrompt::shared().runExportToCloud("Export to Cloudy", "Choose", choice));
    AlertPanel::setShared(nullptr);
}

TEST(TopicLinkDialogsTest, TheExportQuestionsOkIsDisabledExactlyForATooLargeBitmap)
{
    TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
    initGtkForTests();
    installTopicLinkDialogs();
    GtkAlertPanel alerts;
    AlertPanel::setShared(&alerts);
    UserDefaults::standard().removeObject(ExportFormatViewController::FormatKey);
    // 40000 x 30000 points at the first density need 4.8e9 bytes.
    ExportFormatViewController choice(Size{40000, 30000}, Size{});
    struct Seen {
        bool okAtStart = false, okForPng = true, okForEps = false, sizeShownForEps = true, pngShownOn = false;
        std::string sizeMarkup;
    } seen;
    answerOpenDialog(GTK_RESPONSE_CANCEL, [&seen](std::vector<Gtk::Widget*>& fields) {
        ExportFormatView* view = first<ExportFormatView>(fields);
        ASSERT_TRUE(view);
        auto* dialog = dynamic_cast<Gtk::Dialog*>(view->get_toplevel());
        ASSERT_TRUE(dialog);
        Gtk::Widget* ok = dialog->get_widget_for_response(AlertPanel::FirstButtonReturn);
        ASSERT_TRUE(ok);
        seen.okAtStart = ok->is_sensitive();
        view->formatRadio(1).set_active(true); // PNG
        seen.okForPng = ok->is_sensitive();
        seen.pngShownOn = view->formatRadio(1).get_active();
        seen.sizeMarkup = view->sizeLabel().get_label();
        if (const char* folder = std::getenv("TARNWICK_SCREENSHOT_DIR")) {
            // Long enough for the frame clock to paint what changed.
            for (int tick = 0; tick < 30; ++tick) {
                while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
                g_usleep(10000);
            }
            auto shot = Gdk::Pixbuf::create(dialog->get_window(), 0, 0, dialog->get_width(), dialog->get_height());
            if (shot) shot->save(std::string(folder) + "/export-to-cloud-too-large.png", "png");
        }
        view->formatRadio(2).set_active(true); // EPS
        seen.okForEps = ok->is_sensitive();
        seen.sizeShownForEps = view->sizeLabel().get_visible();
    });
    EXPECT_FALSE(ExportToCloudPrompt::shared().runExportToCloud("Export to Cloudy", "Choose", choice));
    EXPECT_TRUE(seen.okAtStart) << "no radio stored counts as PDF, which is allowed";
    EXPECT_FALSE(seen.okForPng);
    EXPECT_TRUE(seen.pngShownOn) << "the radio clicked stays on";
    EXPECT_NE(seen.sizeMarkup.find("red"), std::string::npos) << seen.sizeMarkup;
    EXPECT_NE(seen.sizeMarkup.find("40000 x 30000"), std::string::npos) << seen.sizeMarkup;
    EXPECT_TRUE(seen.okForEps);
    EXPECT_FALSE(seen.sizeShownForEps);
    AlertPanel::setShared(nullptr);
}
