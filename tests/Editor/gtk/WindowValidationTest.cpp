// The window's bars tell the truth as its user meets them: the real window with its toolbars, the
// document and its map, clicked and typed into through the X server (xdotool), so that every event
// takes the path a user's would. The side bar's list and the inspector's outline and note pages
// are stand-ins that take the keyboard as the real ones do.

#include "Editor/CheckboxMenuHandler.h"
#include "Editor/CommandRouter.h"
#include "Editor/DocumentTestSupport.h"
#include "Editor/MainMenu.h"
#include "Editor/TwkDocumentController.h"
#include "Editor/gtk/MainWindow.h"
#include "Editor/gtk/MainWindowToolbar.h"
#include "Editor/gtk/SegmentedControlWidget.h"
#include "Editor/gtk/StyleToolbarWidget.h"
#include "GtkTestSupport.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "editor-view/NodeCreatorTools.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "platform/Menu.h"
#include "store/MindMapProviders.h"
#include "support/ActiveWindow.h"
#include "support/DisplayRequirement.h"
#include "support/RecordingResponder.h"
#include "support/TypedText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using namespace storetest;

namespace {

const std::string Guid = "DDDDDDDDDDDDDDDDDDDDDDDD";
const std::string OtherGuid = "EEEEEEEEEEEEEEEEEEEEEEEE";
// A central topic with two branches, the first with a child of its own: its fold handle shows.
const std::string Topics = "<topic id=\"0\" parent=\"-1\" x=\"0.00\" y=\"0.00\" text=\"Root\" />"
                           "<topic id=\"1\" parent=\"0\" x=\"190.00\" y=\"-70.00\" text=\"Branch\" />"
                           "<topic id=\"2\" parent=\"1\" x=\"380.00\" y=\"-70.00\" text=\"Leaf\" />"
                           "<topic id=\"3\" parent=\"0\" x=\"190.00\" y=\"70.00\" text=\"Other\" />";

bool xdotool(const std::string& arguments)
{
    return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs the main loop until the condition holds, for at most five seconds.
bool spinUntil(const std::function<bool()>& condition)
{
    return MainLoop::runUntil(condition, 5.0);
}

// The point of the widget (in its allocation's coordinates) on the screen.
std::string onScreen(Gtk::Widget& widget, double x, double y)
{
    Gtk::Widget* top = widget.get_toplevel();
    int topX = 0, topY = 0, originX = 0, originY = 0;
    widget.translate_coordinates(*top, int(x), int(y), topX, topY);
    top->get_window()->get_origin(originX, originY);
    return std::to_string(originX + topX) + " " + std::to_string(originY + topY);
}

// A popup menu of the program on screen (the long press's), if one is shown.
Gtk::Menu* shownPopupMenu()
{
    for (Gtk::Window* window : Gtk::Window::list_toplevels())
        if (window->get_mapped())
            if (auto* menu = dynamic_cast<Gtk::Menu*>(window->get_child())) return menu;
    return nullptr;
}

// A list of one row that takes the keyboard when clicked, as the side bar's and the outline's do.
std::unique_ptr<Gtk::TreeView> oneRowList(const char* text)
{
    Gtk::TreeModelColumnRecord columns;
    Gtk::TreeModelColumn<Glib::ustring> name;
    columns.add(name);
    Glib::RefPtr<Gtk::ListStore> rows = Gtk::ListStore::create(columns);
    (*rows->append())[name] = text;
    auto list = std::make_unique<Gtk::TreeView>(rows);
    list->append_column("Name", name);
    list->set_headers_visible(false);
    list->show();
    return list;
}

// The side bar's list of maps, whose Delete sends the map to the recycle bin.
class ListPane : public MainWindowSidePane {
public:
    explicit ListPane(std::vector<std::string>& log) : _explorer("explorer", log) { _explorer.handle("delete:"); }
    Gtk::Widget& widget() override { return *_list; }
    Responder* responder() override { return &_explorer; }
    Gtk::TreeView& list() { return *_list; }

private:
    RecordingResponder _explorer;
    std::unique_ptr<Gtk::TreeView> _list = oneRowList("Alpha");
};

class WindowValidationTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
        initGtkForTests();
        ASSERT_TRUE(xdotool("version")) << "xdotool is missing (scripts/install-deps.sh)";
        // Two clicks on one topic are two single clicks, however fast the test sends them.
        doubleClickTime = Gtk::Settings::get_default()->property_gtk_double_click_time();
        Gtk::Settings::get_default()->property_gtk_double_click_time() = 1;
        placeFile(Guid + ".twkx", nativeDocument(Guid, "Alpha", Topics));
        placeFile(OtherGuid + ".twkx", nativeDocument(OtherGuid, "Beta", Topics));
        start();
        MainWindow::setSidePaneFactory([this](MainWindow&) {
            auto pane = std::make_unique<ListPane>(log);
            sidePane = pane.get();
            return pane;
        });
        CommandRouter& router = CommandRouter::shared();
        router.setRunning(true);
        menu = MainMenu::build();
        prepareMainMenu(menu, checkboxHandler, "Tarnwick");
        window = std::make_unique<MainWindow>(menu, router, false);
        controller = std::make_shared<TwkDocumentController>(scheduler, host, services);
        document = controller->makeSingletonDocument();
        document->setWindow(window.get());
        window->controller().setDocumentProvider([this] { return controller->singletonDocument(); });
        router.setResponderChain([this] {
            MainWindowResponders links = window->responders();
            links.document = controller->singletonDocument();
            links.documentController = controller.get();
            links.checkboxMenuHandler = &checkboxHandler;
            return mainWindowResponderChain(links);
        });
        toolbar = std::make_unique<MainWindowToolbar>(*window, controller, checkboxHandler);
        StyleToolbarWidget::install(*window, [this] { return document; });
        strip = findIn<StyleToolbarWidget>(*window);
        ASSERT_NE(strip, nullptr);

        // The outline: a list that takes the keyboard, as the outliner's does.
        outlineList = oneRowList("Branch");
        window->setInspectorPage(0, *outlineList);
        // The note: a text view whose commands answer first while it has the keyboard.
        note.handle("paste:");
        note.handle("copy:");
        note.answers["copy:"] = ItemValidation::enabledIf(false);
        noteText = std::make_unique<Gtk::TextView>();
        window->setInspectorPage(1, *noteText);
        window->setInspectorResponder(1, &note);

        controller->openStorage(MindMapProviders::localProvider(), Guid, {});
        map = document->mindMap();
        ASSERT_NE(map, nullptr);
        window->showMindMap(std::shared_ptr<MindMap>(map, [](MindMap*) {}));
        window->move(0, 0);
        window->present();
        ASSERT_TRUE(spinUntil([&] { return window->get_mapped() && window->canvas().get_allocated_width() > 100; }));
        ASSERT_TRUE(makeWindowActive(*window));
        window->canvas().grab_focus();
        ASSERT_TRUE(spinUntil([&] { return window->editor().isFocused(); }));
        drainGtkEvents();
    }

    void TearDown() override
    {
        if (window) {
            toolbar.reset();
            window->showMindMap(nullptr);
            window->setInspectorResponder(1, nullptr);
        }
        CommandRouter::shared().setResponderChain(nullptr);
        CommandRouter::shared().setRunning(false);
        controller.reset();
        window.reset();
        MainWindow::setSidePaneFactory(nullptr);
        if (doubleClickTime > 0) Gtk::Settings::get_default()->property_gtk_double_click_time() = doubleClickTime;
        drainGtkEvents();
        StoreTest::TearDown();
    }

    MindMapNode* topic(const std::string& text)
    {
        for (MindMapNode* node : map->nodes())
            if (node->text() == text) return node;
        ADD_FAILURE() << "no topic " << text;
        return map->nodes().front();
    }

    std::string atTopic(MindMapNode* node)
    {
        const Point view = window->editor().mapToViewSpace(node->location());
        return onScreen(window->canvas(), view.x, view.y);
    }

    ::testing::AssertionResult clickTopic(MindMapNode* node)
    {
        if (!xdotool("mousemove --sync " + atTopic(node) + " click 1"))
            return ::testing::AssertionFailure() << "xdotool failed";
        // The click has landed once the canvas has the keyboard and the topic is selected.
        if (!spinUntil([&] { return window->canvas().has_focus() && map->selectedElement() == node; }))
            return ::testing::AssertionFailure() << node->text() << " was not selected";
        return ::testing::AssertionSuccess();
    }

    ::testing::AssertionResult clickInto(Gtk::Widget& widget)
    {
        const int x = widget.get_allocated_width() / 2, y = std::min(10, widget.get_allocated_height() / 2);
        if (!xdotool("mousemove --sync " + onScreen(widget, x, y) + " click 1"))
            return ::testing::AssertionFailure() << "xdotool failed";
        if (!spinUntil([&] { return widget.has_focus(); }))
            return ::testing::AssertionFailure() << "the widget took no keyboard";
        return ::testing::AssertionSuccess();
    }

    // The button of a toolbar item's segment.
    Gtk::Button& button(const std::string& item, size_t segment)
    {
        return toolbar->widget().controlWidget(item)->button(segment);
    }

    // The tool tips of the segments of every bar whose buttons show another state than their
    // validation gives now.
    std::vector<std::string> staleSegments()
    {
        std::vector<std::string> stale;
        const auto check = [&](SegmentedControlItem& item, SegmentedControlWidget& widget) {
            SegmentedControl& control = item.segmentedControl();
            for (size_t i = 0; i < item.segments().size(); ++i) {
                const ToolbarSegment& segment = *item.segments()[i];
                Menu* menu = control.menu(i);
                const bool enabled = menu && segment.action().empty() ? CommandRouter::shared().validateMenu(*menu)
                                                                      : segment.validateSegment();
                if (widget.button(i).get_sensitive() != enabled) stale.push_back(segment.toolTip());
            }
        };
        for (const auto& item : toolbar->toolbar().items())
            if (SegmentedToolbarItem* segmented = item->segmentedItem())
                if (SegmentedControlWidget* widget = toolbar->widget().controlWidget(item->itemIdentifier()))
                    check(segmented->controlItem(), *widget);
        const auto& controls = strip->background().segmentedControlItems();
        for (size_t i = 0; i < controls.size(); ++i) check(*controls[i], strip->controlWidget(i));
        return stale;
    }

    int doubleClickTime = 0;
    FakeDocumentScheduler scheduler;
    DocumentControllerHost host;
    ApplicationTerminationServices services;
    CheckboxMenuHandler checkboxHandler{nullptr};
    MainMenu menu;
    std::vector<std::string> log;
    ListPane* sidePane = nullptr;
    std::unique_ptr<MainWindow> window;
    std::shared_ptr<TwkDocumentController> controller;
    EditorDocument* document = nullptr;
    MindMap* map = nullptr;
    std::unique_ptr<MainWindowToolbar> toolbar;
    StyleToolbarWidget* strip = nullptr;
    // Made once GTK runs.
    std::unique_ptr<Gtk::TreeView> outlineList;
    std::unique_ptr<Gtk::TextView> noteText;
    RecordingResponder note{"note", log};
    RecordingResponder outline{"outline", log};
};

} // namespace

// The roads on which the bars showed an earlier moment: each ends on the canvas, whose commands
// must then be enabled on every bar, however the bars stood before.
TEST_F(WindowValidationTest, EveryRoadBackToTheCanvasLeavesItsCommandsEnabled)
{
    const struct {
        const char* road;
        std::function<::testing::AssertionResult()> go;
    } roads[] = {
        {"a long press on a fold handle, its menu closed, a click on another topic",
         [&]() -> ::testing::AssertionResult {
             if (auto clicked = clickTopic(topic("Branch")); !clicked) return clicked;
             const Point handle =
                 window->editor().mapToViewSpace(window->editor().elementTools()->toolLocation(ElementToolCollapse));
             xdotool("mousemove --sync " + onScreen(window->canvas(), handle.x, handle.y) + " mousedown 1");
             if (!spinUntil([] { return shownPopupMenu() != nullptr; }))
                 return ::testing::AssertionFailure() << "the long press opened no menu";
             // The menu has the pointer and the keyboard: the release and Escape go to it.
             xdotool("mouseup 1");
             drainGtkEvents();
             if (shownPopupMenu()) xdotool("key Escape");
             if (!spinUntil([] { return shownPopupMenu() == nullptr; }))
                 return ::testing::AssertionFailure() << "the menu stayed";
             return clickTopic(topic("Other"));
         }},
        {"a row of the outline, then the same topic on the canvas",
         [&]() -> ::testing::AssertionResult {
             // The user looks at the bars after each step, as a key pressed on the way shows them.
             if (auto clicked = clickTopic(topic("Branch")); !clicked) return clicked;
             xdotool("key shift");
             if (!spinUntil([&] { return button("Add Commands", 0).get_sensitive(); }))
                 return ::testing::AssertionFailure() << "the bars never showed the canvas's commands";
             if (auto clicked = clickInto(*outlineList); !clicked) return clicked;
             xdotool("key shift");
             if (!spinUntil([&] { return !button("Add Commands", 0).get_sensitive(); }))
                 return ::testing::AssertionFailure() << "the bars kept the canvas's commands for the outline";
             return clickTopic(topic("Branch"));
         }},
        {"a note typed, then topics clicked",
         [&]() -> ::testing::AssertionResult {
             window->controller().inspectorSegmentsChanged(1);
             spinUntil([&] { return noteText->get_is_drawable() && noteText->get_allocated_width() > 1; });
             if (auto clicked = clickInto(*noteText); !clicked) return clicked;
             if (auto typed = typeText(
                     "A note", [&](const std::string& soFar) { return noteText->get_buffer()->get_text() == soFar; });
                 !typed)
                 return typed;
             if (!spinUntil([&] {
                     return noteText->get_buffer()->get_text() == "A note" &&
                         button("Clipboard Commands", 2).get_sensitive() && !button("Delete Node", 0).get_sensitive();
                 }))
                 return ::testing::AssertionFailure() << "the bars never showed the note's commands";
             if (auto clicked = clickTopic(topic("Other")); !clicked) return clicked;
             return clickTopic(topic("Branch"));
         }},
    };
    const std::pair<const char*, size_t> named[] = {{"Delete Node", 0},
                                                    {"Clipboard Commands", 0},
                                                    {"Clipboard Commands", 1},
                                                    {"Add Commands", 0},
                                                    {"Icon", 0},
                                                    {"Icon", 3},
                                                    {"Icon", 4},
                                                    {"Icon", 5},
                                                    {"Rearrange Subtree", 0}};
    for (const auto& road : roads) {
        // The bars show a moment without a selection, as a pass then would.
        map->setSelectedElement(nullptr);
        window->scheduleValidation();
        drainGtkEvents();
        ASSERT_FALSE(button("Delete Node", 0).get_sensitive()) << road.road;

        ASSERT_TRUE(road.go()) << road.road;
        EXPECT_TRUE(spinUntil([&] { return staleSegments().empty(); }))
            << road.road << ": " << ::testing::PrintToString(staleSegments());
        // Delete, Cut, Copy, Add Child, Add Label, check boxes, date, hull and Layout.
        for (const auto& [item, segment] : named)
            EXPECT_TRUE(button(item, segment).get_sensitive()) << road.road << ": " << item << " " << segment;
        EXPECT_TRUE(strip->controlWidget(3).button(0).get_sensitive()) << road.road << ": border style";
        EXPECT_TRUE(strip->controlWidget(3).button(3).get_sensitive()) << road.road << ": fill colour";
    }
}

// Wherever the keyboard goes, the toolbar's Delete, which goes to the document, is enabled as the
// Edit menu's Delete is.
TEST_F(WindowValidationTest, TheToolbarAnswersAsTheEditMenuWhereverTheKeyboardIs)
{
    outline.handle("delete:");
    window->setInspectorResponder(0, &outline);
    map->setSelectedElement(topic("Other"));
    const struct {
        const char* place;
        std::function<::testing::AssertionResult()> go;
    } places[] = {
        {"an outline row", [&] { return clickInto(*outlineList); }},
        {"the note",
         [&] {
             window->controller().inspectorSegmentsChanged(1);
             spinUntil([&] { return noteText->get_is_drawable() && noteText->get_allocated_width() > 1; });
             // The note's page lies where the outline's was: the pointer has to move to click.
             xdotool("mousemove 0 0");
             return clickInto(*noteText);
         }},
        {"a topic", [&] { return clickTopic(topic("Branch")); }},
    };
    for (const auto& place : places) {
        ASSERT_TRUE(place.go()) << place.place;
        ASSERT_TRUE(spinUntil([&] { return staleSegments().empty(); })) << place.place;
        CommandRouter::shared().validateMenu(*menu.editMenu);
        const auto& items = menu.editMenu->items();
        const auto entry =
            std::find_if(items.begin(), items.end(), [](auto& item) { return item->action() == "delete:"; });
        ASSERT_NE(entry, items.end());
        EXPECT_EQ(button("Delete Node", 0).get_sensitive(), (*entry)->isEnabled()) << place.place;
    }
    window->setInspectorResponder(0, nullptr);
}

// With the side bar's list holding the keyboard the toolbar's Delete and Add are off, as the canvas
// takes no command then, and a click on Delete leaves the open map where it is.
TEST_F(WindowValidationTest, TheToolbarsDeleteAndAddLeaveTheSideBarsMapsAlone)
{
    map->setSelectedElement(topic("Other"));
    ASSERT_TRUE(clickInto(sidePane->list()));
    ASSERT_TRUE(spinUntil([&] { return staleSegments().empty(); }));
    EXPECT_FALSE(button("Delete Node", 0).get_sensitive());
    EXPECT_FALSE(button("Add Commands", 0).get_sensitive());
    // Once a click after it gave the canvas the keyboard, the click on Delete has been handled.
    ASSERT_TRUE(xdotool("mousemove --sync " + onScreen(button("Delete Node", 0), 8, 8) + " click 1"));
    ASSERT_TRUE(clickInto(window->canvas()));
    EXPECT_EQ(log, std::vector<std::string>()) << "the side bar's map went to the recycle bin";
}

// Link Topic, Select Icon and Add Image are offered, on the Edit menu and the toolbar alike, only
// where they have something to act on.
TEST_F(WindowValidationTest, LinkIconAndImageAreOfferedOnlyWithSomethingToActOn)
{
    // The Edit menu's item by its title, and the button.
    const std::tuple<const char*, const char*, size_t> items[] = {{"link_options_dialog_title", "Diagram Link", 0},
                                                                  {"topic_menu_select_icon", "Icon", 1},
                                                                  {"editor_menu_share_image_condensed", "Icon", 2}};
    const struct {
        const char* moment;
        std::function<void()> make;
        std::vector<bool> offered;
    } moments[] = {
        {"a topic on the canvas", [&] { ASSERT_TRUE(clickTopic(topic("Branch"))); }, {1, 1, 1}},
        // A picture can still become a topic of its own.
        {"nothing selected", [&] { map->setSelectedElement(nullptr); }, {0, 1, 1}},
        {"no map open", [&] { controller->openStorage(nullptr, "", {}); }, {0, 0, 0}},
    };
    for (const auto& moment : moments) {
        moment.make();
        window->scheduleValidation();
        EXPECT_TRUE(spinUntil([&] { return staleSegments().empty(); })) << moment.moment;
        CommandRouter::shared().validateMenu(*menu.editMenu);
        std::vector<bool> onMenu, onBar;
        for (const auto& [title, item, segment] : items) {
            for (const auto& entry : menu.editMenu->items())
                if (entry->title().starts_with(localized(title))) onMenu.push_back(entry->isEnabled());
            onBar.push_back(button(item, segment).get_sensitive());
        }
        EXPECT_EQ(onMenu, moment.offered) << moment.moment;
        EXPECT_EQ(onBar, moment.offered) << moment.moment;
    }
}

// However many changes come in one turn of the main loop, the bars are validated once, after it
// and before the window's next frame, which thus shows the change and the bars' answer to it
// together; what a validator changes in the pass asks for no pass of its own.
TEST_F(WindowValidationTest, ChangesOfOneTurnMakeOnePass)
{
    bool askInPass = false;
    window->addValidator([&] {
        if (askInPass) window->scheduleValidation();
    });
    drainGtkEvents();
    const struct {
        const char* what;
        std::function<void()> change;
    } turns[] = {
        {"selections",
         [&] {
             for (MindMapNode* node : map->nodes()) map->setSelectedElement(node);
         }},
        {"a topic's text", [&] { topic("Leaf")->setText("Renamed leaf"); }},
        {"the keyboard going to the outline and back",
         [&] {
             outlineList->grab_focus();
             window->canvas().grab_focus();
         }},
        {"a styling step",
         [&] {
             map->setSelectedElement(topic("Other"));
             map->changeBorderStyle(2);
         }},
        {"its undoing", [&] { map->undoManager()->undo(); }},
        {"a pass asked for by a validator",
         [&] {
             askInPass = true;
             map->setSelectedElement(topic("Root"));
         }},
    };
    for (const auto& turn : turns) {
        const uint64_t before = window->validationPasses();
        // The change comes just before a frame begins, as a key's does in a window that was idle.
        std::function<void()> change = turn.change;
        GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(window->gobj()));
        ASSERT_NE(clock, nullptr);
        const gulong changing =
            g_signal_connect_swapped(clock, "flush-events", G_CALLBACK(+[](std::function<void()>* once) {
                                         if (!*once) return;
                                         std::exchange(*once, nullptr)();
                                     }),
                                     &change);
        std::optional<uint64_t> passesAtFrame;
        sigc::connection frame = window->signal_draw().connect(
            [&](const Cairo::RefPtr<Cairo::Context>&) {
                if (!change && !passesAtFrame) passesAtFrame = window->validationPasses();
                return false;
            },
            false);
        window->queue_draw();
        gdk_frame_clock_request_phase(clock, GDK_FRAME_CLOCK_PHASE_FLUSH_EVENTS);
        const bool painted = spinUntil([&] { return passesAtFrame.has_value(); });
        g_signal_handler_disconnect(clock, changing);
        frame.disconnect();
        ASSERT_TRUE(painted) << turn.what;
        drainGtkEvents();
        EXPECT_EQ(passesAtFrame, before + 1) << turn.what;
        EXPECT_EQ(window->validationPasses(), before + 1) << turn.what;
        EXPECT_EQ(staleSegments(), std::vector<std::string>()) << turn.what;
    }
}

// Select All from the keyboard while the side bar's list has it: the topics show selected on the
// canvas, which takes the keyboard, so that the Edit menu's Delete deletes them, not the map.
TEST_F(WindowValidationTest, ASelectionMadeWhileTheSideBarHasTheKeyboardTakesItToTheCanvas)
{
    ASSERT_NE(sidePane, nullptr);
    ASSERT_TRUE(clickInto(sidePane->list()));
    ASSERT_TRUE(window->sidePaneHasFocus());

    // A map opened from the list shows with the selection it comes with, in the same turn; the
    // list keeps the keyboard to browse on.
    bool opened = false;
    Glib::signal_idle().connect_once([&] {
        controller->openStorage(MindMapProviders::localProvider(), OtherGuid, {});
        map = document->mindMap();
        window->showMindMap(std::shared_ptr<MindMap>(map, [](MindMap*) {}));
        map->setSelectedElement(topic("Other"));
        opened = true;
    });
    ASSERT_TRUE(spinUntil([&] { return opened; }));
    drainGtkEvents();
    EXPECT_TRUE(window->sidePaneHasFocus()) << "opening a map took the keyboard from the side bar";
    const size_t topics = map->nodes().size();

    ASSERT_TRUE(xdotool("key ctrl+a"));
    ASSERT_TRUE(spinUntil([&] { return map->selection().size() == topics; }));
    EXPECT_TRUE(spinUntil([&] { return window->canvas().has_focus(); })) << "the keyboard stayed in the side bar";
    EXPECT_TRUE(window->editor().isFocused());
    drainGtkEvents();
    EXPECT_TRUE(button("Delete Node", 0).get_sensitive());

    // The Edit menu's Delete, as the open menu validates and sends it.
    std::shared_ptr<MenuItem> remove;
    for (const auto& item : menu.editMenu->items())
        if (item->action() == "delete:") remove = item;
    ASSERT_TRUE(remove);
    CommandRouter::shared().validateMenu(*menu.editMenu);
    EXPECT_EQ(CommandRouter::shared().targetForAction(remove->action()), &window->editor());
    if (remove->isEnabled()) CommandRouter::shared().sendAction(remove->action(), remove->target(), remove.get());
    EXPECT_EQ(log, std::vector<std::string>()) << "the side bar's map went to the recycle bin";
}

// At the window's default size, beside the side bar and the inspector, the canvas is narrower than
// the style toolbar: the controls without room give way whole to an arrow at its end, whose menu
// offers their segments enabled as the bar would show them and acts as they would; with the side
// bar closed, every control shows again and the arrow goes.
TEST_F(WindowValidationTest, TheStyleToolbarsControlsWithoutRoomAreInItsArrowsMenu)
{
    ASSERT_EQ(window->get_allocated_width(), 1200);
    const auto& items = strip->background().segmentedControlItems();
    const size_t shown = strip->shownControlCount();
    ASSERT_LT(shown, items.size()) << "the strip fits beside the side bar and the inspector";
    Gtk::ToggleButton& arrow = strip->overflowButton();
    ASSERT_TRUE(arrow.get_child_visible());
    const Gtk::Allocation area = strip->get_allocation(), arrowArea = arrow.get_allocation();
    EXPECT_LE(arrowArea.get_x() + arrowArea.get_width(), area.get_x() + area.get_width());
    for (size_t index = 0; index < items.size(); ++index) {
        const Gtk::Allocation control = strip->controlWidget(index).get_allocation();
        EXPECT_EQ(strip->controlWidget(index).get_child_visible(), index < shown) << index;
        if (index < shown) {
            EXPECT_LE(control.get_x() + control.get_width(), arrowArea.get_x()) << index;
        }
    }

    ASSERT_TRUE(clickTopic(topic("Other")));
    ASSERT_TRUE(xdotool("mousemove --sync " + onScreen(arrow, 4, 4) + " click 1"));
    ASSERT_TRUE(spinUntil([&] { return strip->overflowMenu() && strip->overflowMenu()->get_mapped(); }));
    std::vector<std::pair<std::string, bool>> offered, expected;
    Gtk::MenuItem* copyStyle = nullptr;
    for (Gtk::Widget* child : strip->overflowMenu()->get_children())
        if (auto* entry = dynamic_cast<Gtk::MenuItem*>(child); entry && !entry->get_label().empty()) {
            offered.emplace_back(entry->get_label(), entry->get_sensitive());
            if (entry->get_label() == localized("editor_menu_copy_style")) copyStyle = entry;
        }
    for (size_t index = shown; index < items.size(); ++index)
        for (size_t segment = 0; segment < items[index]->segments().size(); ++segment) {
            std::string title = items[index]->segments()[segment]->toolTip();
            expected.emplace_back(title.substr(0, title.find("  (")),
                                  strip->controlWidget(index).button(segment).get_sensitive());
        }
    EXPECT_EQ(offered, expected);
    ASSERT_NE(copyStyle, nullptr) << "the style clipboard has room";
    ASSERT_TRUE(copyStyle->get_sensitive());
    copyStyle->activate();
    strip->overflowMenu()->deactivate();
    EXPECT_TRUE(spinUntil([&] { return strip->controlWidget(5).button(2).get_sensitive(); }))
        << "Paste Style stays off: the entry copied no style";
    EXPECT_FALSE(arrow.get_active());

    window->controller().toggleMindMapExplorer();
    EXPECT_TRUE(spinUntil([&] { return strip->shownControlCount() == items.size(); }));
    EXPECT_FALSE(arrow.get_child_visible());
}
