// The places that GTK fills with a user's text straight from the toolkit's side: each shows the
// start of a long text, not the whole of it, which GTK would lay out in one go.

#include "Editor/gtk/MapSearchBar.h"
#include "Editor/gtk/StartupWaitWindow.h"
#include "GtkTestSupport.h"
#include "editor-view/MindMapEditor.h"
#include "platform/Menu.h"
#include "platform/gtk/GtkAlertPanel.h"
#include "platform/gtk/GtkMenuBuilder.h"
#include "support/LongUserTexts.h"

namespace {

// The texts of every label under the widget, in order.
void collectLabels(Gtk::Widget& widget, std::vector<std::string>& texts)
{
    if (auto* label = dynamic_cast<Gtk::Label*>(&widget)) texts.push_back(label->get_text());
    if (auto* container = dynamic_cast<Gtk::Container*>(&widget))
        for (Gtk::Widget* child : container->get_children()) collectLabels(*child, texts);
}

// What the alert showing the request shows as the property.
std::string shownInAlert(const AlertPanel::Request& request, const char* property)
{
    std::string shown;
    EXPECT_TRUE(lookAtDialogOf([&] { GtkAlertPanel().runModal(request); },
                               [&](GtkWidget* alert) {
                                   gchar* text = nullptr;
                                   g_object_get(alert, property, &text, nullptr);
                                   shown = text ? text : "";
                                   g_free(text);
                               }));
    return shown;
}

// How wide the alert showing the request is.
int alertWidth(const AlertPanel::Request& request)
{
    int width = 0;
    EXPECT_TRUE(lookAtDialogOf([&] { GtkAlertPanel().runModal(request); },
                               [&](GtkWidget* alert) { width = gtk_widget_get_allocated_width(alert); }));
    return width;
}

} // namespace

// An excerpt of a text without spaces (a path, a link, a long name) is one word: the alert wraps
// it inside, and its buttons stay on the screen.
TEST(LongUserTextsGtk, AnAlertOfALongTextStaysNarrow)
{
    initGtkForTests();
    for (const longtexts::LongText& sample : longtexts::samples()) {
        SCOPED_TRACE(sample.what);
        AlertPanel::Request message;
        message.messageText = sample.text;
        EXPECT_LE(alertWidth(message), 800);
        AlertPanel::Request explanation;
        explanation.messageText = "Title";
        explanation.informativeText = sample.text;
        EXPECT_LE(alertWidth(explanation), 800);
    }
}

TEST(LongUserTextsGtk, EveryPlaceShowsTheStartOfALongText)
{
    initGtkForTests();
    MindMapEditor editor;
    MapSearchBar searchBar(editor);
    longtexts::expectExcerpts({
        {"an alert's message",
         [](const std::string& text) {
             AlertPanel::Request request;
             request.messageText = text;
             return shownInAlert(request, "text");
         }},
        {"an alert's explanation",
         [](const std::string& text) {
             AlertPanel::Request request;
             request.messageText = "Title";
             request.informativeText = text;
             return shownInAlert(request, "secondary-text");
         }},
        {"a menu's item, as a map's in the history",
         [](const std::string& text) {
             Menu model("History");
             model.addItem(text, "openHistoryPoint:");
             Gtk::Menu menu;
             fillGtkMenu(menu, model, nullptr);
             return menu.get_children().empty()
                 ? std::string()
                 : std::string(static_cast<Gtk::MenuItem*>(menu.get_children()[0])->get_label());
         }},
        {"a recent search in the find bar's menu",
         [&searchBar](const std::string& text) {
             searchBar.controller().addRecentSearch(text);
             std::vector<std::string> labels;
             collectLabels(searchBar.fieldMenu(), labels);
             return labels.size() > 1 ? labels[1] : std::string();
         }},
        {"the files a start waits to hand over",
         [](const std::string& text) {
             StartupWaitWindow window({"Waiting", text, "Stop Waiting", text}, nullptr);
             std::vector<std::string> labels;
             collectLabels(window, labels);
             window.hide();
             return labels.size() > 1 ? labels[1] : std::string();
         }},
    });
}
