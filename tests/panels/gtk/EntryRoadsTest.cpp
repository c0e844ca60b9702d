// Text another program offers late, brought into the program's one-line fields by every road GTK
// has: Ctrl+V, a middle click and a drop.

#include "Editor/ColorPanel.h"
#include "Editor/gtk/ColorPanelWindow.h"
#include "Editor/gtk/MapSearchBar.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/TopicTextLimit.h"
#include "editor-view/MindMapEditor.h"
#include "formats/TwkxMindMapReader.h"
#include "panels/gtk/OutlinerView.h"
#include "panels/gtk/URLLinkDialog.h"
#include "platform/MainLoop.h"
#include "platform/TextMeasurer.h"
#include "platform/gtk/BoundedEntry.h"
#include "support/FakeTextMeasurer.h"
#include "support/ForeignText.h"
#include "support/ManualScheduler.h"
#include "support/RecordedCriticals.h"
#include "support/SyntheticKey.h"

#include "RealInput.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <functional>
#include <memory>
#include <string>

// (Declared here: GDK's X11 header brings Xlib's names, which clash with the program's own.)
extern "C" unsigned long gdk_x11_window_get_xid(GdkWindow* window);

namespace {

// An indented outline as another program copies it, 47,740 bytes: line n is n tabs and "Topic n".
std::string indentedOutline()
{
    std::string outline;
    for (int line = 0; line < 300; ++line) outline += std::string(line, '\t') + "Topic " + std::to_string(line) + "\n";
    return outline;
}

Gtk::Entry* shownEntryIn(GtkWidget* widget)
{
    if (GTK_IS_ENTRY(widget) && !GTK_IS_SPIN_BUTTON(widget) && gtk_widget_get_mapped(widget))
        return Glib::wrap(GTK_ENTRY(widget));
    Gtk::Entry* found = nullptr;
    if (GTK_IS_CONTAINER(widget))
        gtk_container_forall(
            GTK_CONTAINER(widget),
            [](GtkWidget* child, gpointer found) {
                auto& entry = *static_cast<Gtk::Entry**>(found);
                if (!entry) entry = shownEntryIn(child);
            },
            &found);
    return found;
}

// The program's fields, each in a window of its own: the find bar over a canvas, the custom
// colour's window, the link dialog, the outline renaming a topic, and an entry of GTK's own (as in
// its choosers and a list's search).
class EntryRoadsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TARNWICK_REQUIRE_DISPLAY(RealInput::startGtk());
        registerNativeFormat();
        boundEveryEntry();
        TextMeasurer::setShared(&measurer);
        editor = std::make_unique<MindMapEditor>(&scheduler);
        editor->setFrameSize({800, 600});
        map = std::make_shared<MindMap>();
        map->newMindMap("", true, std::string("Theme"));
        map->setEnabled(true);
        editor->setMindMap(map);
    }

    void TearDown() override
    {
        windows.clear();
        owned.clear();
        if (editor) editor->setMindMap(nullptr);
        editor.reset();
        TextMeasurer::setShared(nullptr);
        RealInput::pump(20);
    }

    // Shows the widget in a window of its own.
    Gtk::Window& showInWindow(Gtk::Widget& widget)
    {
        auto window = std::make_unique<Gtk::Window>();
        window->set_default_size(500, 300);
        window->add(widget);
        window->show_all();
        windows.push_back(std::move(window));
        return *windows.back();
    }

    Gtk::Entry* findField()
    {
        auto bar = std::make_shared<MapSearchBar>(*editor);
        owned.push_back(bar);
        showInWindow(bar->widget());
        bar->showMapSearchbar();
        // Once it has slid in: before, the field lies above the window.
        auto* revealer = dynamic_cast<Gtk::Revealer*>(&bar->widget());
        EXPECT_TRUE(RealInput::pumpUntil([revealer] { return revealer->get_child_revealed(); }));
        return &bar->searchField();
    }

    Gtk::Entry* colourField()
    {
        auto panel = std::make_shared<ColorPanel>(
            [this](ColorPanel& owner) {
                auto window = std::make_unique<ColorPanelWindow>(owner);
                colourWindow = window.get();
                return window;
            },
            [](const std::string&, const ActionSender&) {});
        owned.push_back(panel);
        panel->orderFront();
        g_object_set(colourWindow->chooser(), "show-editor", TRUE, nullptr);
        return shownEntryIn(GTK_WIDGET(colourWindow->gobj()));
    }

    Gtk::Entry* linkField()
    {
        auto controller = std::make_shared<URLLinkPanelController>("", false, "");
        auto dialog = std::make_shared<URLLinkDialog>(*controller);
        owned.push_back(controller);
        owned.push_back(dialog);
        dialog->show();
        return &dialog->field();
    }

    Gtk::Entry* outlineTitle()
    {
        auto outliner = std::make_shared<OutlinerView>(*editor);
        owned.push_back(outliner);
        showInWindow(*outliner);
        RealInput::pump(100);
        OutlineTreeView& outline = outliner->outline();
        outline.row_activated(outline.pathOfItem(map->mainCentralTheme()), *outline.get_column(0));
        return shownEntryIn(GTK_WIDGET(outline.gobj()));
    }

    Gtk::Entry* entryOfGtksOwn()
    {
        auto entry = std::make_shared<Gtk::Entry>();
        owned.push_back(entry);
        showInWindow(*entry);
        return entry.get();
    }

    FakeTextMeasurer measurer;
    ManualScheduler scheduler;
    std::unique_ptr<MindMapEditor> editor;
    std::shared_ptr<MindMap> map;
    ColorPanelWindow* colourWindow = nullptr;
    std::vector<std::shared_ptr<void>> owned;
    std::vector<std::unique_ptr<Gtk::Window>> windows;
};

// Each field holds one line within its bound afterwards; the outline's title joins the lines and
// holds a topic's limit. The main loop goes on while the other program has not answered.
TEST_F(EntryRoadsTest, ALateIndentedOutlineGivesEachFieldOneBoundedLine)
{
    const std::string outline = indentedOutline();
    ASSERT_EQ(outline.size(), 47740u);
    const auto firstLine = [](const std::string& held) { EXPECT_EQ(held, "Topic 0"); };
    struct Field {
        const char* name;
        std::function<Gtk::Entry*()> show;
        std::function<void(const std::string& held)> check;
    };
    const Field fields[] = {
        {"the find field", [this] { return findField(); }, firstLine},
        {"the custom colour's field", [this] { return colourField(); }, firstLine},
        {"the link dialog's field", [this] { return linkField(); }, firstLine},
        {"an entry of GTK's own", [this] { return entryOfGtksOwn(); }, firstLine},
        {"the outline's title", [this] { return outlineTitle(); },
         [](const std::string& held) {
             EXPECT_EQ(held.find('\n'), std::string::npos);
             EXPECT_EQ(held.rfind("Topic 0 \tTopic 1 \t\tTopic 2 ", 0), 0u);
             EXPECT_LE(TopicTextLimit::characterCount(held), TopicTextLimit::MaximumCharacters);
         }},
    };
    enum class Road { Paste, MiddleClick, Drop };
    for (const Field& field : fields) {
        for (Road road : {Road::Paste, Road::MiddleClick, Road::Drop}) {
            SCOPED_TRACE(std::string(field.name) +
                         (road == Road::Paste             ? ", Ctrl+V"
                              : road == Road::MiddleClick ? ", a middle click"
                                                          : ", a drop"));
            // A field of its own, alone on the screen and laid out where it shows.
            windows.clear();
            owned.clear();
            Gtk::Entry* entry = field.show();
            ASSERT_NE(entry, nullptr);
            entry->set_text("");
            entry->grab_focus();
            ASSERT_TRUE(RealInput::pumpUntil(
                [entry] { return entry->get_mapped() && entry->get_allocated_width() > 1; }, 30000));
            RecordedCriticals criticals;
            const int x = entry->get_allocated_width() / 2;
            const int y = entry->get_allocated_height() / 2;
            std::unique_ptr<ForeignText> source;
            if (road == Road::Drop) {
                int screenX = 0, screenY = 0;
                RealInput::screenPoint(*entry, x, y, screenX, screenY);
                source =
                    std::make_unique<ForeignText>(gdk_x11_window_get_xid(entry->get_toplevel()->get_window()->gobj()),
                                                  screenX, screenY, outline, ForeignText::Holds::Text);
            } else {
                source = std::make_unique<ForeignText>(road == Road::Paste ? "CLIPBOARD" : "PRIMARY", outline,
                                                       ForeignText::Holds::Text);
                ASSERT_TRUE(source->offered());
                if (road == Road::Paste)
                    pressKey(GTK_WIDGET(entry->get_toplevel()->gobj()), GDK_KEY_v, GDK_CONTROL_MASK);
                else RealInput::click(*entry, x, y, 2);
            }
            ASSERT_TRUE(MainLoop::runUntil([&] { return source->waiting() > 0; }, 30)) << "the field never asked";
            bool turned = false;
            Glib::signal_idle().connect_once([&] { turned = true; });
            ASSERT_TRUE(MainLoop::runUntil([&] { return turned; }, 30));
            EXPECT_EQ(entry->get_text(), "") << "taken before the other program answered";
            source->release();
            ASSERT_TRUE(MainLoop::runUntil([&] { return !entry->get_text().empty(); }, 30)) << "nothing came";
            field.check(entry->get_text());
            EXPECT_EQ(criticals.messages(), std::vector<std::string>());
        }
    }
}

} // namespace
