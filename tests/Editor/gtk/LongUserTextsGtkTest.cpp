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

#include <functional>

namespace {

// The texts of every label under the widget, in order.
void collectLabels(Gtk::Widget& widget, std::vector<std::string>& texts)
{
    if (auto* label = dynamic_cast<Gtk::Label*>(&widget)) texts.push_back(label->get_text());
    if (auto* container = dynamic_cast<Gtk::Container*>(&widget))
        for (Gtk::Widget* child : container->get_children()) collectLabels(*child, texts);
}

// What the alert showing the request shows as the property, read once it is up; it is closed then.
std::string shownInAlert(const AlertPanel::Request& request, const char* property)
{
    std::string shown;
    const sigc::connection reader = Glib::signal_idle().connect([&shown, property] {
        GList* windows = gtk_window_list_toplevels();
        bool read = false;
        for (GList* window = windows; window && !read; window = window->next) {
            if (!GTK_IS_MESSAGE_DIALOG(window->data) || !gtk_widget_get_visible(GTK_WIDGET(window->data))) continue;
            gchar* text = nullptr;
            g_object_get(window->data, property, &text, nullptr);
            shown = text ? text : "";
            g_free(text);
            gtk_dialog_response(GTK_DIALOG(window->data), GTK_RESPONSE_DELETE_EVENT);
            read = true;
        }
        g_list_free(windows);
        return !read;
    });
    GtkAlertPanel().runModal(request);
    return shown;
}

} // namespace

TEST(LongUserTextsGtk, EveryPlaceShowsTheStartOfALongText)
{
    initGtkForTests();
    MindMapEditor editor;
    MapSearchBar searchBar(editor);
    const struct {
        const char* place;
        std::function<std::string(const std::string&)> shown;
    } places[] = {
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
    };
    for (const auto& place : places) {
        for (const longtexts::LongText& sample : longtexts::samples()) {
            SCOPED_TRACE(std::string(place.place) + ", " + sample.what);
            longtexts::expectExcerpt(place.shown(sample.text), sample.text);
        }
    }
}
