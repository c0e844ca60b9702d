// Every field of the dialogs is named for a screen reader by the label that says what it takes:
// the link dialog's address field had no name at all, its label beside it tied to nothing.

#include "Editor/gtk/GtkTestSupport.h"
#include "Editor/gtk/TopicLinkDialogs.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "formats/TwkxMindMapReader.h"
#include "panels/MapStyleController.h"
#include "panels/NodePropertiesPanelController.h"
#include "panels/gtk/MapStyleDialog.h"
#include "panels/gtk/PropertyDialogs.h"
#include "panels/gtk/URLLinkDialog.h"
#include "platform/TextMeasurer.h"
#include "platform/gtk/GtkAlertPanel.h"
#include "support/FakeTextMeasurer.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// The fields under the widget, wherever a tab or a row shows them, that carry no name of their
// own. A list to choose from answers with its choice when it has none, which names nothing.
void collectUnnamed(Gtk::Widget& widget, std::vector<std::string>& unnamed)
{
    GtkWidget* raw = widget.gobj();
    const bool field = GTK_IS_ENTRY(raw) || GTK_IS_TEXT_VIEW(raw) || GTK_IS_COMBO_BOX(raw) || GTK_IS_RANGE(raw) ||
        GTK_IS_COLOR_BUTTON(raw);
    if (field && widget.is_visible()) {
        const Glib::RefPtr<Atk::Object> accessible = widget.get_accessible();
        if (!accessible || !accessible->gobj()->name || !*accessible->gobj()->name)
            unnamed.push_back(G_OBJECT_TYPE_NAME(raw) + std::string(" ") + widget.get_name());
        if (GTK_IS_COMBO_BOX(raw)) return;
    }
    if (auto* container = dynamic_cast<Gtk::Container*>(&widget))
        for (Gtk::Widget* child : container->get_children()) collectUnnamed(*child, unnamed);
}

} // namespace

TEST(FieldNamesTest, EveryFieldOfTheDialogsIsNamedByItsLabel)
{
    initGtkForTests();
    registerNativeFormat();
    FakeTextMeasurer measurer;
    TextMeasurer::setShared(&measurer);
    installPropertyDialogs();
    auto map = std::make_shared<MindMap>();
    map->newMindMap("", true, std::string("Theme"));
    map->validateElementStates();
    const struct {
        const char* dialog;
        std::function<void()> run;
    } dialogs[] = {
        {"the link dialog", [] { URLLinkDialog::run("https://example.org", false, std::string(), true); }},
        {"the link question", [] { GtkURLLinkPrompt().selectURLLink("http://", false); }},
        {"an alert asking for a name",
         [] {
             AlertPanel::Request request;
             request.messageText = "Name the style";
             request.informativeText = "The name it is listed by.";
             request.textField = AlertPanel::TextField{"Mine", ""};
             GtkAlertPanel().runModal(request);
         }},
        {"the topic dialog", [&map] { NodePropertiesPanelController::editNodeProperties(map->mainCentralTheme()); }},
        {"the map style dialog", [&map] { MapStyleController::editMindMapStyle(map.get()); }},
    };
    for (const auto& dialog : dialogs) {
        SCOPED_TRACE(dialog.dialog);
        std::vector<std::string> unnamed;
        EXPECT_TRUE(lookAtDialogOf(dialog.run, [&](GtkWidget* shown) { collectUnnamed(*Glib::wrap(shown), unnamed); }));
        EXPECT_EQ(unnamed, std::vector<std::string>());
    }
    NodePropertiesPanelController::setWindow(nullptr);
    MapStyleController::setWindow(nullptr);
    TextMeasurer::setShared(nullptr);
}
