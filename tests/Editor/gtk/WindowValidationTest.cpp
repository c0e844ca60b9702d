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
#include "MindMaps/ElementTools.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "editor-view/NodeCreatorTools.h"
#include "platform/MainLoop.h"
#include "platform/Menu.h"
#include "store/MindMapProviders.h"
#include "support/DisplayRequirement.h"
#include "support/RecordingResponder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace storetest;

// GDK's X11 header declares X's own names (Font, Window), which clash with the program's.
extern "C" unsigned long gdk_x11_window_get_xid(GdkWindow* window);

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

struct DocumentMap : CheckboxMenuHandlerDelegate {
    EditorDocument* document = nullptr;
    MindMap* getMindMap() override { return document ? document->mindMap() : nullptr; }
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
        documentMap.document = document;
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
        // The keyboard of the display goes to the window, as a window manager gives it, once the
        // server shows the window.
        const std::string id = std::to_string(gdk_x11_window_get_xid(window->get_window()->gobj()));
        ASSERT_TRUE(spinUntil([&] { return window->has_toplevel_focus() || xdotool("windowfocus " + id); }));
        ASSERT_TRUE(spinUntil([&] { return window->has_toplevel_focus(); }));
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
        if (!spinUntil([&] { return map->selectedElement() == node; }))
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

    // The button of a toolbar item's segment and that of the style toolbar's control.
    Gtk::Button& button(const std::string& item, size_t segment)
    {
        return toolbar->widget().controlWidget(item)->button(segment);
    }
    Gtk::Button& styleButton(size_t control, size_t segment) { return strip->controlWidget(control).button(segment); }

    // The tool tips of the segments of every bar whose buttons show another state than their
    // validation gives now.
    std::vector<std::string> staleSegments()
    {
        std::vector<std::string> stale;
        const auto check = [&](SegmentedControlItem& item, SegmentedControlWidget& widget) {
            SegmentedControl& control = item.segmentedControl();
            for (size_t i = 0; i < item.segments().size(); ++i) {
                const ToolbarSegment& segment = *item.segments()[i];
                const bool enabled = (control.menu(i) && segment.action().empty()) || segment.validateSegment();
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

    // Nothing selected, the bars shown so.
    void startWithNothingSelected()
    {
        map->setSelectedElement(nullptr);
        window->scheduleValidation();
        drainGtkEvents();
        ASSERT_FALSE(button("Delete Node", 0).get_sensitive());
    }

    int doubleClickTime = 0;
    FakeDocumentScheduler scheduler;
    DocumentControllerHost host;
    ApplicationTerminationServices services;
    DocumentMap documentMap;
    CheckboxMenuHandler checkboxHandler{&documentMap};
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
};

} // namespace

// A long press on a fold handle opens its menu; Escape closes it; the next topic clicked has its
// commands enabled on every bar.
TEST_F(WindowValidationTest, AfterTheLongPressMenuTheClickedTopicsCommandsAreEnabled)
{
    startWithNothingSelected();
    MindMapNode* branch = topic("Branch");
    ASSERT_TRUE(clickTopic(branch));
    NodeCreatorTools* tools = window->editor().elementTools();
    ASSERT_TRUE(tools->getCollapseTool().visible);
    const Point handle = window->editor().mapToViewSpace(tools->toolLocation(ElementToolCollapse));
    ASSERT_TRUE(xdotool("mousemove --sync " + onScreen(window->canvas(), handle.x, handle.y) + " mousedown 1"));
    ASSERT_TRUE(spinUntil([] { return shownPopupMenu() != nullptr; })) << "the long press opened no menu";
    const uint64_t whileOpen = window->validationPasses();
    // The menu has the pointer and the keyboard: the release and Escape go to it.
    ASSERT_TRUE(xdotool("mouseup 1"));
    drainGtkEvents();
    if (shownPopupMenu()) ASSERT_TRUE(xdotool("key Escape"));
    ASSERT_TRUE(spinUntil([] { return shownPopupMenu() == nullptr; }));
    EXPECT_TRUE(spinUntil([&] { return window->validationPasses() > whileOpen; }))
        << "the menu's closing validated nothing";

    ASSERT_TRUE(clickTopic(topic("Other")));
    EXPECT_TRUE(spinUntil([&] { return button("Delete Node", 0).get_sensitive(); }));
    EXPECT_TRUE(button("Clipboard Commands", 0).get_sensitive()) << "Cut";
    EXPECT_TRUE(button("Clipboard Commands", 1).get_sensitive()) << "Copy";
    EXPECT_TRUE(button("Icon", 0).get_sensitive()) << "Add Label";
    EXPECT_TRUE(button("Icon", 3).get_sensitive()) << "check boxes";
    EXPECT_TRUE(button("Icon", 4).get_sensitive()) << "date";
    EXPECT_TRUE(button("Icon", 5).get_sensitive()) << "hull";
    EXPECT_TRUE(styleButton(3, 0).get_sensitive()) << "border style";
    EXPECT_EQ(staleSegments(), std::vector<std::string>());
}

// A row of the outline takes the keyboard; a click on the same topic on the canvas gives it back,
// and with it the canvas's commands.
TEST_F(WindowValidationTest, BackFromTheOutlineTheSameTopicsCommandsAreEnabled)
{
    MindMapNode* branch = topic("Branch");
    ASSERT_TRUE(clickTopic(branch));
    ASSERT_TRUE(spinUntil([&] { return button("Add Commands", 0).get_sensitive(); }));
    ASSERT_TRUE(clickInto(*outlineList));
    EXPECT_TRUE(spinUntil([&] { return !button("Add Commands", 0).get_sensitive(); }))
        << "the canvas's commands stay on while the outline has the keyboard";

    ASSERT_TRUE(clickTopic(branch));
    EXPECT_TRUE(spinUntil([&] { return button("Add Commands", 0).get_sensitive(); })) << "Add Child";
    EXPECT_TRUE(styleButton(3, 3).get_sensitive()) << "Fill Color";
    EXPECT_TRUE(button("Icon", 4).get_sensitive()) << "Set Date";
    EXPECT_TRUE(button("Rearrange Subtree", 0).get_sensitive()) << "Layout";
    EXPECT_EQ(staleSegments(), std::vector<std::string>());
}

// Typing a note gives the note's commands to the bars; clicking topics gives the canvas's back.
TEST_F(WindowValidationTest, AfterTypingANoteTheClickedTopicsCommandsAreEnabled)
{
    window->controller().inspectorSegmentsChanged(1);
    ASSERT_TRUE(spinUntil([&] { return noteText->get_is_drawable() && noteText->get_allocated_width() > 1; }));
    ASSERT_TRUE(clickInto(*noteText));
    ASSERT_TRUE(xdotool("type --delay 20 'A note'"));
    ASSERT_TRUE(spinUntil([&] { return noteText->get_buffer()->get_text() == "A note"; }));
    EXPECT_TRUE(spinUntil([&] { return !button("Delete Node", 0).get_sensitive(); }));
    EXPECT_TRUE(button("Clipboard Commands", 2).get_sensitive()) << "the note pastes";

    ASSERT_TRUE(clickTopic(topic("Other")));
    ASSERT_TRUE(clickTopic(topic("Branch")));
    EXPECT_TRUE(spinUntil([&] { return button("Delete Node", 0).get_sensitive(); }));
    EXPECT_TRUE(button("Clipboard Commands", 0).get_sensitive()) << "Cut";
    EXPECT_TRUE(button("Clipboard Commands", 1).get_sensitive()) << "Copy";
    EXPECT_TRUE(button("Icon", 3).get_sensitive()) << "check boxes";
    EXPECT_TRUE(button("Icon", 4).get_sensitive()) << "date";
    EXPECT_EQ(staleSegments(), std::vector<std::string>()) << "Paste follows the map's clipboard again";
}

// However many changes come in one turn of the main loop, the bars are validated once, after it;
// what a validator changes in the pass asks for no pass of its own.
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
        bool ran = false;
        Glib::signal_idle().connect_once([&] {
            turn.change();
            ran = true;
        });
        ASSERT_TRUE(spinUntil([&] { return ran; }));
        drainGtkEvents();
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
