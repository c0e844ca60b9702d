// The colour and date popovers of the main window, driven by real input: the pointer is moved and
// clicked through XTEST (xdotool), so every press takes the path a user's would.

#include "Editor/ColorPickerMatrix.h"
#include "Editor/CommandRouter.h"
#include "Editor/EditorWindowActions.h"
#include "Editor/MainMenu.h"
#include "Editor/gtk/GtkPopoverColorPicker.h"
#include "Editor/gtk/MainWindow.h"
#include "Editor/gtk/MainWindowActions.h"
#include "GtkTestSupport.h"
#include "MainWindowTestSupport.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/GregorianCalendar.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "platform/UndoManager.h"

#include "support/ActiveWindow.h"
#include "support/DisplayRequirement.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

namespace {

bool xdotool(const std::string& arguments)
{
    return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs the main loop until the condition holds or three seconds have passed.
bool spinUntil(const std::function<bool()>& condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        MainLoop::runFor(0.02);
    }
    return true;
}

// The point of the widget, in the screen's coordinates.
std::pair<int, int> onScreen(GtkWidget* widget, double x, double y)
{
    int originX = 0, originY = 0;
    gdk_window_get_origin(gtk_widget_get_window(widget), &originX, &originY);
    GtkAllocation allocation;
    gtk_widget_get_allocation(widget, &allocation);
    // Widgets without a window of their own lie in their parent's at their allocation.
    if (!gtk_widget_get_has_window(widget)) {
        originX += allocation.x;
        originY += allocation.y;
    }
    return {originX + static_cast<int>(x), originY + static_cast<int>(y)};
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

class PopoverPickingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
        initGtkForTests();
        ASSERT_TRUE(xdotool("version")) << "xdotool is missing (scripts/install-deps.sh)";
        // Undo steps are snapshots in the native format.
        registerNativeFormat();
        window = std::make_unique<MainWindow>(menu, router);
        routeThroughWindow(router, window);
        map = std::make_shared<MindMap>();
        map->newMindMap("", true, std::string("Theme"));
        map->validateElementStates();
        window->set_default_size(900, 650);
        window->move(0, 0);
        window->showMindMap(map);
        window->show();
        map->setSelectedElement(map->mainCentralTheme());
        MainLoop::runFor(0.5);
        window->canvas().grab_focus();
    }

    void TearDown() override
    {
        if (!window) return;
        window->showMindMap(nullptr);
        router.setResponderChain(nullptr);
        window.reset();
        drainGtkEvents();
    }

    CommandRouter router;
    MainMenu menu = MainMenu::build();
    std::unique_ptr<MainWindow> window;
    std::shared_ptr<MindMap> map;
};

TEST_F(PopoverPickingTest, APressOnASwatchColoursTheTopicInOneUndoStep)
{
    MindMapNode* theme = map->mainCentralTheme();
    const Color before = theme->fillColor();
    UndoManager* undo = map->undoManager();
    ASSERT_NE(undo, nullptr);
    const bool couldUndo = undo->canUndo();
    ASSERT_TRUE(router.sendAction("pickFillColor:", nullptr, nullptr));
    auto* picker = dynamic_cast<GtkPopoverColorPicker*>(window->windowActions().actions().colorPicker());
    ASSERT_NE(picker, nullptr);
    ASSERT_TRUE(spinUntil([&] { return picker->isShown() && gtk_widget_is_drawable(picker->gridWidget()); }));
    MainLoop::runFor(0.3);
    EXPECT_TRUE(gtk_widget_get_sensitive(picker->transparentButton())) << "a fill may be transparent";

    const Point cell = ColorPickerMatrix::cellFrame(1 * ColorPickerMatrix::Columns + 5).center();
    const auto [x, y] = onScreen(picker->gridWidget(), cell.x, cell.y);
    ASSERT_TRUE(xdotool("mousemove --sync " + std::to_string(x) + " " + std::to_string(y) + " click 1"));
    ASSERT_TRUE(spinUntil([&] { return !picker->isShown(); })) << "the pick closes the popover";
    MainLoop::runFor(0.2);
    EXPECT_EQ(Color(1, 0, 0), theme->fillColor());
    ASSERT_TRUE(undo->canUndo());
    undo->undo();
    // Undoing reloads the map: the topics are new ones.
    EXPECT_EQ(before, map->mainCentralTheme()->fillColor());
    EXPECT_EQ(couldUndo, undo->canUndo()) << "one undo step";
}

TEST_F(PopoverPickingTest, ADoubleClickOnADayDatesTheTopicAtTheTimeItOpenedWith)
{
    MindMapNode* theme = map->mainCentralTheme();
    ASSERT_FALSE(theme->date());
    UndoManager* undo = map->undoManager();
    const bool couldUndo = undo->canUndo();
    // What the document does for the menu's and the toolbar's "Set Date".
    map->showDatePickerPanel();
    GtkWidget* calendar = nullptr;
    ASSERT_TRUE(spinUntil([&] { return (calendar = shownCalendar(*window)) != nullptr; }));
    MainLoop::runFor(0.3);
    // The popover goes with the pick; the calendar is kept to read the day it showed.
    g_object_ref(calendar);
    const auto opened = window->editor().datePickerInitialDate();

    // Halfway across, below the middle: a day of the shown month, never one of the next.
    GtkAllocation area;
    gtk_widget_get_allocation(calendar, &area);
    const auto [x, y] = onScreen(calendar, area.width / 2.0, area.height * 0.6);
    ASSERT_TRUE(
        xdotool("mousemove --sync " + std::to_string(x) + " " + std::to_string(y) + " click --repeat 2 --delay 80 1"));
    ASSERT_TRUE(spinUntil([&] { return theme->date().has_value(); })) << "the double click picks the day";
    guint year = 0, month = 0, day = 0;
    gtk_calendar_get_date(GTK_CALENDAR(calendar), &year, &month, &day);
    g_object_unref(calendar);
    const GregorianCalendar days;
    const DateComponents expected = days.components(opened);
    const DateComponents got = days.components(*theme->date());
    EXPECT_EQ((DateComponents{int(year), int(month) + 1, int(day), expected.hour, expected.minute, expected.second}),
              got);
    EXPECT_TRUE(spinUntil([&] { return !window->editor().datePickerShown(); })) << "picking closes the popover";
    EXPECT_TRUE(window->canvas().is_focus()) << "the canvas has the keyboard again";
    ASSERT_TRUE(undo->canUndo());
    EXPECT_EQ(localized("topic_menu_topic_set_date"), undo->undoActionName());
    undo->undo();
    EXPECT_FALSE(map->mainCentralTheme()->date());
    EXPECT_EQ(couldUndo, undo->canUndo()) << "one undo step";
}

TEST_F(PopoverPickingTest, TheColourPopoverOutlivesASwitchOfApplicationAndAPressElsewhereClosesItAndActs)
{
    const uint64_t changes = map->undoManager()->changeCount();
    ASSERT_TRUE(router.sendAction("pickFillColor:", nullptr, nullptr));
    auto* picker = dynamic_cast<GtkPopoverColorPicker*>(window->windowActions().actions().colorPicker());
    ASSERT_NE(picker, nullptr);
    ASSERT_TRUE(spinUntil([&] { return picker->isShown() && gtk_widget_is_drawable(picker->gridWidget()); }));
    MainLoop::runFor(0.3);
    if (const char* shots = g_getenv("POPOVER_SHOT_DIR")) {
        [[maybe_unused]] const int shot =
            std::system(("import -window root '" + std::string(shots) + "/colour-popover.png'").c_str());
    }

    sendWindowFocusChange(*window, false);
    MainLoop::runFor(0.2);
    EXPECT_TRUE(picker->isShown()) << "switching to another application keeps it";
    sendWindowFocusChange(*window, true);
    MainLoop::runFor(0.2);

    // An empty corner of the canvas: the press closes the popover and still clears the selection
    // there, where a grab would have swallowed it.
    ASSERT_NE(map->selectedElement(), nullptr);
    const auto [x, y] = onScreen(GTK_WIDGET(window->canvas().gobj()), 12, 12);
    ASSERT_TRUE(xdotool("mousemove --sync " + std::to_string(x) + " " + std::to_string(y) + " click 1"));
    ASSERT_TRUE(spinUntil([&] { return !picker->isShown(); })) << "a press elsewhere in the window closes it";
    EXPECT_TRUE(spinUntil([&] { return map->selectedElement() == nullptr; })) << "the press reached the canvas";
    EXPECT_EQ(map->undoManager()->changeCount(), changes) << "nothing was picked";

    // Escape closes it too, while the canvas keeps the keyboard.
    map->setSelectedElement(map->mainCentralTheme());
    ASSERT_TRUE(router.sendAction("pickFillColor:", nullptr, nullptr));
    ASSERT_TRUE(spinUntil([&] { return picker->isShown(); }));
    MainLoop::runFor(0.3);
    EXPECT_TRUE(window->canvas().is_focus());
    ASSERT_TRUE(xdotool("key Escape"));
    EXPECT_TRUE(spinUntil([&] { return !picker->isShown(); })) << "Escape closes it";
    EXPECT_EQ(map->undoManager()->changeCount(), changes);
}

} // namespace
