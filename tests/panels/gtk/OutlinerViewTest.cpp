#include "panels/gtk/OutlinerView.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/GregorianCalendar.h"
#include "editor-view/MindMapEditor.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/TextMeasurer.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"
#include "support/ActiveWindow.h"
#include "support/DisplayRequirement.h"
#include "support/FakeTextMeasurer.h"
#include "support/ManualScheduler.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

bool startGtk()
{
    static const bool started = [] {
        if (!gtk_init_check(nullptr, nullptr)) return false;
        Gtk::Main::init_gtkmm_internals();
        return true;
    }();
    return started;
}

// Runs the main loop for a while, so that the X server's events reach the widgets.
void pump(int milliseconds = 150)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do {
        while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < end);
}

// Real input: xdotool's XTEST events go through the X server like a user's.
bool xdotool(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "xdotool");
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    int status = 0;
    const bool ran = g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr,
                                  nullptr, &status, nullptr);
    return ran && status == 0;
}

void collect(GtkWidget* widget, std::vector<GtkWidget*>& out)
{
    out.push_back(widget);
    if (!GTK_IS_CONTAINER(widget)) return;
    // The window's popovers are among its internal children.
    gtk_container_forall(
        GTK_CONTAINER(widget),
        [](GtkWidget* child, gpointer list) { collect(child, *static_cast<std::vector<GtkWidget*>*>(list)); }, &out);
}

GtkWidget* shownCalendar(Gtk::Window& window)
{
    std::vector<GtkWidget*> widgets;
    collect(GTK_WIDGET(window.gobj()), widgets);
    for (GtkWidget* widget : widgets)
        if (GTK_IS_CALENDAR(widget) && gtk_widget_is_drawable(widget)) return widget;
    return nullptr;
}

// An outliner tab in a window of its own, over an editor showing two central themes: "Alpha"
// with A1 and A2 (a checkbox), and "Beta" with B1.
class OutlinerViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TARNWICK_REQUIRE_DISPLAY(startGtk());
        registerNativeFormat();
        UserDefaults::standard().removeObject(OutlinerViewController::OutlineModeKey);
        TextMeasurer::setShared(&measurer);
        editor = std::make_unique<MindMapEditor>(&scheduler);
        editor->setFrameSize({800, 600});
        map = std::make_shared<MindMap>();
        map->newMindMap("", true, std::string("Alpha"));
        alpha = map->mainCentralTheme();
        a1 = child(alpha, "A1");
        a2 = child(alpha, "A2");
        a2->setCheckboxMode(1);
        beta = map->internalAddCentralTheme("Beta");
        b1 = child(beta, "B1");
        // A dated row shows its date under the title; the rename must not take it in.
        b1->setDate(std::chrono::system_clock::time_point(std::chrono::hours(24 * 20000)));
        map->validateElementStates();
        map->setEnabled(true);
        editor->setMindMap(map);
        window = std::make_unique<Gtk::Window>();
        window->set_default_size(260, 360);
        outliner = std::make_unique<OutlinerView>(*editor);
        window->add(*outliner);
        window->move(0, 0);
        window->show_all();
        pump(400);
        window->present();
        sendWindowFocusChange(*window, true);
        pump();
        map->undoManager()->removeAllActions();
        baseline = map->undoManager()->changeCount();
    }

    void TearDown() override
    {
        // The pointer goes back where no test's window opens: under it, a later test's window
        // would take the keyboard focus.
        if (window) xdotool({"mousemove", "1270", "1010"});
        outliner.reset();
        window.reset();
        if (editor) editor->setMindMap(nullptr);
        editor.reset();
        map.reset();
        TextMeasurer::setShared(nullptr);
        UserDefaults::standard().removeObject(OutlinerViewController::OutlineModeKey);
        pump(50);
    }

    MindMapNode* child(MindMapNode* parent, const std::string& text)
    {
        MindMapNode* node = map->addMindMapNodeAsChild(parent, {0, 0});
        node->setText(text);
        return node;
    }

    // The middle of the area, on the screen.
    std::pair<int, int> onScreen(const Gdk::Rectangle& area)
    {
        int originX = 0, originY = 0;
        outliner->outline().get_window()->get_origin(originX, originY);
        return {originX + area.get_x() + area.get_width() / 2, originY + area.get_y() + area.get_height() / 2};
    }

    bool clickAt(std::pair<int, int> point)
    {
        const bool done =
            xdotool({"mousemove", std::to_string(point.first), std::to_string(point.second), "click", "1"});
        pump();
        return done;
    }

    // Undo steps recorded since the set-up.
    uint64_t undoChanges() const { return map->undoManager()->changeCount() - baseline; }

    FakeTextMeasurer measurer;
    ManualScheduler scheduler;
    std::unique_ptr<MindMapEditor> editor;
    std::shared_ptr<MindMap> map;
    std::unique_ptr<Gtk::Window> window;
    std::unique_ptr<OutlinerView> outliner;
    MindMapNode* alpha = nullptr;
    MindMapNode* a1 = nullptr;
    MindMapNode* a2 = nullptr;
    MindMapNode* beta = nullptr;
    MindMapNode* b1 = nullptr;
    uint64_t baseline = 0;
};

TEST_F(OutlinerViewTest, ClickRenameDragAndTickEachTakeOneUndoStep)
{
    OutlineTreeView& outline = outliner->outline();
    ASSERT_FALSE(outline.titleArea(b1).get_width() == 0) << "every row is open at first";

    // A click selects the topic on the canvas; selecting records nothing.
    ASSERT_TRUE(clickAt(onScreen(outline.titleArea(b1))));
    EXPECT_EQ(map->selectedNode(), b1);
    EXPECT_EQ(undoChanges(), 0u);

    // A second click on the selected row opens the rename; switching to another application
    // leaves it open, Return applies it.
    pump(600);
    ASSERT_TRUE(clickAt(onScreen(outline.titleArea(b1))));
    ASSERT_TRUE(outline.isEditing()) << "a click on the selected row renames it";
    ASSERT_TRUE(xdotool({"key", "ctrl+End"}));
    ASSERT_TRUE(xdotool({"type", "--delay", "20", " Renamed"}));
    pump();
    sendWindowFocusChange(*window, false);
    pump();
    EXPECT_TRUE(outline.isEditing()) << "the window's deactivation ended the rename";
    EXPECT_EQ(b1->text(), "B1");
    sendWindowFocusChange(*window, true);
    pump();
    ASSERT_TRUE(xdotool({"key", "Return"}));
    pump();
    EXPECT_EQ(b1->text(), "B1 Renamed");
    EXPECT_EQ(undoChanges(), 1u);

    // A1 dragged onto the renamed topic goes under it.
    const auto from = onScreen(outline.titleArea(a1));
    const auto to = onScreen(outline.titleArea(b1));
    ASSERT_TRUE(xdotool({"mousemove", std::to_string(from.first), std::to_string(from.second), "mousedown", "1"}));
    pump();
    for (int step = 1; step <= 10; ++step) {
        const int y = from.second + (to.second - from.second) * step / 10;
        ASSERT_TRUE(xdotool({"mousemove", std::to_string(to.first), std::to_string(y)}));
        pump(60);
    }
    pump(300);
    ASSERT_TRUE(xdotool({"mouseup", "1"}));
    pump(400);
    EXPECT_EQ(a1->parent(), b1);
    EXPECT_EQ(undoChanges(), 2u);

    // The checkbox of A2 ticks.
    const Gdk::Rectangle box = outline.progressIconArea(a2);
    ASSERT_GT(box.get_width(), 0);
    int originX = 0, originY = 0;
    outline.get_window()->get_origin(originX, originY);
    ASSERT_TRUE(clickAt({originX + box.get_x() + 8, originY + box.get_y() + box.get_height() / 2}));
    EXPECT_EQ(a2->checkedState(), 1);
    EXPECT_EQ(map->selectedNode(), a2);
    EXPECT_EQ(undoChanges(), 3u);

    // The map as the store would write it holds every change.
    auto copy = std::make_shared<MindMap>();
    ASSERT_TRUE(copy->readFromData(map->dataOfType(2), "", 2));
    std::vector<std::string> texts;
    for (MindMapNode* node : copy->nodes()) texts.push_back(node->text());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "B1 Renamed"), texts.end());
    for (MindMapNode* node : copy->nodes()) {
        if (node->text() == "A1") {
            EXPECT_EQ(node->parent() ? node->parent()->text() : "", "B1 Renamed");
        }
        if (node->text() == "A2") {
            EXPECT_EQ(node->checkedState(), 1);
        }
    }
}

TEST_F(OutlinerViewTest, ARefreshMovesNoSelectionChangesNoFlagAndRecordsNothing)
{
    OutlineTreeView& outline = outliner->outline();
    ASSERT_TRUE(clickAt(onScreen(outline.titleArea(a2))));
    ASSERT_EQ(map->selectedNode(), a2);
    OutlineViewAdapter& adapter = outliner->controller().adapter();
    adapter.itemDidCollapse(alpha);
    ASSERT_TRUE(alpha->outlineCollapsed());
    map->setSelectedNode(b1);
    const uint64_t before = undoChanges();
    for (int i = 0; i < 3; ++i) outliner->controller().hierarchyChanged();
    pump();
    EXPECT_EQ(map->selectedNode(), b1);
    EXPECT_EQ(outline.selectedItem(), b1);
    EXPECT_TRUE(alpha->outlineCollapsed());
    EXPECT_FALSE(adapter.isItemExpanded(alpha));
    EXPECT_TRUE(adapter.isItemExpanded(beta));
    for (MindMapNode* node : {a1, a2, beta, b1}) EXPECT_FALSE(node->outlineCollapsed()) << node->text();
    EXPECT_EQ(undoChanges(), before);

    // A mode switch and back keeps the closed row closed.
    outliner->controller().outlineModeSegmentsChanged(1, UserDefaults::standard());
    outliner->controller().outlineModeSegmentsChanged(0, UserDefaults::standard());
    EXPECT_FALSE(adapter.isItemExpanded(alpha));
}

// The rows' texts are shaped once and drawn again from what was shaped: a change of the font
// shapes them anew, in it, and a change back shows them as they were.
TEST_F(OutlinerViewTest, RowTextsFollowAChangeOfTheFont)
{
    OutlineTreeView& outline = outliner->outline();
    // The pixels of the row's title, as the outline draws them.
    const auto drawnTitle = [&](MindMapNode* node) {
        pump(50);
        const Gdk::Rectangle area = outline.titleArea(node);
        const auto surface = Cairo::ImageSurface::create(Cairo::FORMAT_ARGB32, outline.get_allocated_width(),
                                                         outline.get_allocated_height());
        gtk_widget_draw(GTK_WIDGET(outline.gobj()), Cairo::Context::create(surface)->cobj());
        surface->flush();
        std::vector<uint32_t> pixels;
        for (int y = std::max(0, area.get_y()); y < std::min(surface->get_height(), area.get_y() + area.get_height());
             ++y)
            for (int x = std::max(0, area.get_x()); x < std::min(surface->get_width(), area.get_x() + area.get_width());
                 ++x)
                pixels.push_back(
                    reinterpret_cast<const uint32_t*>(surface->get_data() + size_t(y) * surface->get_stride())[x]);
        return pixels;
    };
    for (MindMapNode* node : {alpha, a1, b1}) {
        const std::vector<uint32_t> before = drawnTitle(node);
        ASSERT_FALSE(before.empty()) << node->text();
        ASSERT_EQ(drawnTitle(node), before) << node->text() << " is not drawn the same twice";
        const auto larger = Gtk::CssProvider::create();
        larger->load_from_data("treeview { font-size: 17px; font-weight: bold; }");
        outline.get_style_context()->add_provider(larger, GTK_STYLE_PROVIDER_PRIORITY_USER);
        EXPECT_NE(drawnTitle(node), before) << node->text();
        outline.get_style_context()->remove_provider(larger);
        EXPECT_EQ(drawnTitle(node), before) << node->text();
    }
}

TEST_F(OutlinerViewTest, TheExpanderAndTheFoldingKeysFoldRowsAndTheStoreFollowsEveryChange)
{
    OutlineTreeView& outline = outliner->outline();
    OutlineViewAdapter& adapter = outliner->controller().adapter();
    EXPECT_EQ(outline.storedRows(), adapter.rows());

    // Closing the row over the selected topic selects the row that closed, on the canvas too.
    ASSERT_TRUE(clickAt(onScreen(outline.titleArea(a2))));
    ASSERT_EQ(map->selectedNode(), a2);
    const Gdk::Rectangle expander = outline.expanderArea(alpha);
    ASSERT_GT(expander.get_width(), 0);
    EXPECT_LT(expander.get_x(), outline.titleArea(alpha).get_x());
    ASSERT_TRUE(clickAt(onScreen(expander)));
    EXPECT_TRUE(alpha->outlineCollapsed());
    EXPECT_TRUE(outline.pathOfItem(a1).empty());
    EXPECT_EQ(map->selectedNode(), alpha);
    EXPECT_EQ(outline.storedRows(), adapter.rows());
    ASSERT_TRUE(clickAt(onScreen(outline.expanderArea(alpha))));
    EXPECT_FALSE(alpha->outlineCollapsed());
    EXPECT_EQ(outline.storedRows(), adapter.rows());

    // GTK's folding keys on the cursor's row.
    const struct {
        const char* key;
        bool collapsed;
    } keys[] = {{"minus", true}, {"plus", false}, {"shift+Left", true}, {"shift+Right", false}};
    for (const auto& k : keys) {
        ASSERT_TRUE(xdotool({"key", k.key}));
        pump();
        EXPECT_EQ(alpha->outlineCollapsed(), k.collapsed) << k.key;
        EXPECT_EQ(outline.storedRows(), adapter.rows()) << k.key;
    }

    // Changes of the map reach the store as the rows they touch, also while a screen reader may
    // read any row's text as rows go.
    ASSERT_TRUE(outline.get_accessible());
    const struct {
        const char* name;
        std::function<void()> change;
    } changes[] = {
        {"a child added",
         [&] {
             map->addMindMapNodeAsChild(a1, {0, 0});
         }},
        {"a branch deleted",
         [&] {
             map->setSelectedNode(beta);
             map->delete_();
         }},
        {"a date added", [&] { a1->setDate(std::chrono::system_clock::time_point(std::chrono::hours(24 * 20002))); }},
    };
    for (const auto& change : changes) {
        change.change();
        map->validateElementStates();
        pump();
        EXPECT_EQ(outline.storedRows(), adapter.rows()) << change.name;
    }
    EXPECT_EQ(undoChanges(), 1u) << "folding records nothing; the deletion one step";
}

TEST_F(OutlinerViewTest, ADatedRowIsTallerWithItsDateUnderTheTitleFromTheNextRefresh)
{
    OutlineTreeView& outline = outliner->outline();
    const int plainRow = outline.titleArea(a1).get_height();
    ASSERT_GT(plainRow, 0);
    // The date icon's slot spans the whole row; the title keeps a plain row's height above the
    // date line.
    EXPECT_EQ(outline.dateIconArea(b1).get_height() - plainRow, 32 - 18);
    EXPECT_EQ(outline.titleArea(b1).get_height(), plainRow);
    EXPECT_FALSE(outline.get_fixed_height_mode()) << "rows of two heights are each measured";

    // Without a dated row every row is of one height, which GTK measures once.
    b1->setDate(std::nullopt);
    outliner->controller().hierarchyChanged();
    pump();
    EXPECT_TRUE(outline.get_fixed_height_mode());
    EXPECT_EQ(outline.titleArea(b1).get_height(), plainRow);
    EXPECT_EQ(outline.dateIconArea(b1).get_height(), 0);

    // A topic that gains a date is a tall row from the next refresh on.
    a2->setDate(std::chrono::system_clock::time_point(std::chrono::hours(24 * 20001)));
    outliner->controller().hierarchyChanged();
    pump();
    EXPECT_FALSE(outline.get_fixed_height_mode());
    EXPECT_EQ(outline.dateIconArea(a2).get_height(), plainRow + 32 - 18);
    const Gdk::Rectangle title = outline.titleArea(a2), icon = outline.dateIconArea(a2);
    EXPECT_EQ(title.get_y(), icon.get_y()) << "the title on the row's first line";
    EXPECT_EQ(outline.titleArea(a1).get_height(), plainRow);

    // Rows measured for their heights still read as their titles to screen readers.
    AtkObject* accessible = gtk_widget_get_accessible(GTK_WIDGET(outline.gobj()));
    ASSERT_NE(accessible, nullptr);
    const std::pair<int, const char*> rows[] = {{0, "Alpha"}, {1, "A1"}, {3, "Beta"}};
    for (const auto& [row, title] : rows) {
        // The first child is the (hidden) column header.
        AtkObject* cell = atk_object_ref_accessible_child(accessible, row + 1);
        ASSERT_NE(cell, nullptr) << title;
        const char* name = atk_object_get_name(cell);
        EXPECT_STREQ(name ? name : "", title);
        g_object_unref(cell);
    }
}

TEST_F(OutlinerViewTest, TheDateIconOpensThePopoverOnTheRowWhichAPressElsewhereCloses)
{
    window->resize(320, 640);
    pump(300);
    OutlineTreeView& outline = outliner->outline();
    const Gdk::Rectangle icon = outline.dateIconArea(b1);
    ASSERT_GT(icon.get_width(), 0);
    const auto opened = *b1->date();
    auto openPopover = [&]() -> GtkWidget* {
        if (!clickAt(onScreen(icon))) return nullptr;
        GtkWidget* calendar = nullptr;
        for (int i = 0; i < 40 && !(calendar = shownCalendar(*window)); ++i) pump(50);
        return calendar;
    };
    GtkWidget* calendar = openPopover();
    ASSERT_NE(calendar, nullptr);
    EXPECT_EQ(map->selectedNode(), b1);
    GtkWidget* popover = gtk_widget_get_ancestor(calendar, GTK_TYPE_POPOVER);
    ASSERT_NE(popover, nullptr);
    EXPECT_EQ(gtk_popover_get_relative_to(GTK_POPOVER(popover)), GTK_WIDGET(outline.gobj()))
        << "the popover belongs to the row, not to the canvas topic";
    GdkRectangle pointing{};
    gtk_popover_get_pointing_to(GTK_POPOVER(popover), &pointing);
    EXPECT_GE(pointing.x, icon.get_x());
    EXPECT_LE(pointing.x + pointing.width, icon.get_x() + icon.get_width());
    EXPECT_GE(pointing.y, icon.get_y());
    EXPECT_LE(pointing.y + pointing.height, icon.get_y() + icon.get_height());
    if (const char* shots = g_getenv("OUTLINER_SHOT_DIR")) {
        pump(400);
        [[maybe_unused]] const int shot =
            std::system(("import -window root '" + std::string(shots) + "/outliner-date-popover.png'").c_str());
    }

    // Switching to another application leaves it open.
    pump(300);
    sendWindowFocusChange(*window, false);
    pump();
    EXPECT_TRUE(gtk_widget_get_visible(popover));
    sendWindowFocusChange(*window, true);
    pump();

    // A double click on a day picks it, at the time of day the topic had.
    g_object_ref(calendar);
    GtkAllocation area;
    gtk_widget_get_allocation(calendar, &area);
    int dayX = 0, dayY = 0;
    ASSERT_TRUE(gtk_widget_translate_coordinates(calendar, GTK_WIDGET(window->gobj()), area.width / 2,
                                                 int(area.height * 0.6), &dayX, &dayY));
    int originX = 0, originY = 0;
    window->get_window()->get_origin(originX, originY);
    ASSERT_TRUE(xdotool({"mousemove", std::to_string(originX + dayX), std::to_string(originY + dayY), "click",
                         "--repeat", "2", "--delay", "80", "1"}));
    pump(500);
    guint year = 0, month = 0, day = 0;
    gtk_calendar_get_date(GTK_CALENDAR(calendar), &year, &month, &day);
    g_object_unref(calendar);
    ASSERT_TRUE(b1->date());
    const GregorianCalendar days;
    const DateComponents before = days.components(opened);
    EXPECT_EQ((DateComponents{int(year), int(month) + 1, int(day), before.hour, before.minute, before.second}),
              days.components(*b1->date()));
    EXPECT_FALSE(outliner->controller().adapter().datePickerShown()) << "the pick closes the popover";
    EXPECT_EQ(undoChanges(), 1u);
    // The map as the store would write it holds the date.
    auto copy = std::make_shared<MindMap>();
    ASSERT_TRUE(copy->readFromData(map->dataOfType(2), "", 2));
    bool found = false;
    for (MindMapNode* node : copy->nodes())
        if (node->text() == "B1") {
            found = true;
            EXPECT_EQ(node->date(), b1->date());
        }
    EXPECT_TRUE(found);

    // Open again: a click on another row closes it, and that same click selects the row.
    calendar = openPopover();
    ASSERT_NE(calendar, nullptr);
    pump(300);
    ASSERT_TRUE(clickAt(onScreen(outline.titleArea(a1))));
    pump(200);
    EXPECT_FALSE(outliner->controller().adapter().datePickerShown());
    EXPECT_EQ(shownCalendar(*window), nullptr);
    EXPECT_EQ(map->selectedNode(), a1) << "the closing press reached the row";
    EXPECT_EQ(undoChanges(), 1u);
}

// A chain of topics as deep as a document may be, shown, folded, opened and followed by the
// outliner on a thread whose stack a walk recursing over the depth would overflow (GTK's walks
// of a tree of rows, its store's and its freeing included). Answers a process exit code.
int deepChainOnASmallStack()
{
    constexpr size_t Depth = 10000;
    registerNativeFormat();
    FakeTextMeasurer measurer;
    TextMeasurer::setShared(&measurer);
    ManualScheduler scheduler;
    MindMapEditor editor(&scheduler);
    editor.setFrameSize({800, 600});
    auto map = std::make_shared<MindMap>();
    map->newMindMap("", true, std::string("Root"));
    MindMapNode* root = map->mainCentralTheme();
    MindMapNode* deepest = root;
    {
        MindMap::UpdateGuard update(*map);
        for (size_t level = 0; level < Depth; ++level) deepest = map->addMindMapNodeAsChild(deepest, {0, 0});
    }
    map->validateElementStates();
    map->setEnabled(true);
    editor.setMindMap(map);

    struct Run {
        MindMapEditor* editor;
        std::shared_ptr<MindMap> map;
        MindMapNode* root;
        MindMapNode* deepest;
        int code = 0;
    } run{&editor, map, root, deepest};
    auto body = [](void* data) -> void* {
        Run& r = *static_cast<Run*>(data);
        if (!gtk_init_check(nullptr, nullptr)) {
            r.code = 2;
            return nullptr;
        }
        Gtk::Main::init_gtkmm_internals();
        auto settle = [](const std::function<bool()>& done) {
            for (int round = 0; round < 400 && !done(); ++round) {
                while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
                if (!done()) g_usleep(5000);
            }
            return done();
        };
        {
            Gtk::Window window;
            window.set_default_size(260, 360);
            OutlinerView outliner(*r.editor);
            window.add(outliner);
            window.show_all();
            OutlineTreeView& outline = outliner.outline();
            auto shown = [&outline](MindMapNode* node) {
                const Gtk::TreeModel::Path path = outline.pathOfItem(node);
                if (path.empty()) return false;
                Gdk::Rectangle cell;
                outline.get_cell_area(path, *outline.get_column(0), cell);
                return cell.get_height() > 0;
            };
            auto selected = [&outline](MindMapNode* node) {
                return [&outline, node] { return outline.selectedItem() == node; };
            };
            r.map->setSelectedNode(r.deepest);
            if (!settle([&] { return outline.get_realized() && shown(r.deepest); }) || !settle(selected(r.deepest)))
                r.code = 3;
            r.map->setSelectedNode(r.root);
            outliner.controller().performAction("fullCollapse:", nullptr);
            if (!r.code && (!settle(selected(r.root)) || shown(r.deepest) || !r.root->outlineCollapsed())) r.code = 4;
            outliner.controller().performAction("fullExpand:", nullptr);
            r.map->setSelectedNode(r.deepest);
            if (!r.code &&
                (!settle(selected(r.deepest)) || !shown(r.deepest) || r.deepest->parent()->outlineCollapsed()))
                r.code = 5;
            window.remove();
        }
        while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
        return nullptr;
    };
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 512 * 1024);
    pthread_t thread;
    if (pthread_create(&thread, &attributes, body, &run) != 0) return 6;
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    editor.setMindMap(nullptr);
    TextMeasurer::setShared(nullptr);
    return run.code;
}

TEST(OutlinerDeepChainTest, AChainTenThousandDeepShowsFoldsAndFollowsTheSelectionOnASmallStack)
{
    TARNWICK_REQUIRE_DISPLAY(std::getenv("DISPLAY") != nullptr);
    // A process of its own, which starts GTK on the thread of the small stack.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(deepChainOnASmallStack()), testing::ExitedWithCode(0), "");
}

} // namespace
