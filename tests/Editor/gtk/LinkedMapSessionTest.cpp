#include "Editor/CheckboxMenuHandler.h"
#include "Editor/CommandRouter.h"
#include "Editor/DocumentTestSupport.h"
#include "Editor/MainMenu.h"
#include "Editor/TwkDocumentController.h"
#include "Editor/gtk/MainWindow.h"
#include "Editor/gtk/TarnwickApplication.h"
#include "GtkTestSupport.h"
#include "MindMaps/DiagramLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "layout/LayoutInstallation.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "platform/Menu.h"
#include "platform/UndoManager.h"
#include "store/EditorInterface.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStorage.h"
#include "support/ActiveWindow.h"
#include "support/DisplayRequirement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <set>

using namespace storetest;

namespace {

bool xdotool(const std::string& arguments)
{
    return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

struct DocumentMap : CheckboxMenuHandlerDelegate {
    EditorDocument* document = nullptr;
    MindMap* getMindMap() override { return document ? document->mindMap() : nullptr; }
};

// The main window on a store of one map, wired as the application wires it: the document
// controller opens what links ask for, and the window shows every map the document switches to.
// The pointer is the display's own, moved and clicked by xdotool.
class LinkedMapSessionTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
        initGtkForTests();
        if (!xdotool("version")) GTEST_SKIP() << "no xdotool";
        installLayout();
        placeFile(GuidA + ".twkx",
                  nativeDocument(GuidA, "Harbour",
                                 "<topic id=\"0\" parent=\"-1\" x=\"0\" y=\"0\" text=\"Harbour\"/>"
                                 "<topic id=\"1\" parent=\"0\" x=\"160\" y=\"-60\" text=\"Moorings\"/>"
                                 "<topic id=\"2\" parent=\"1\" x=\"300\" y=\"-90\" text=\"North\"/>"
                                 "<topic id=\"3\" parent=\"1\" x=\"300\" y=\"-30\" text=\"South\"/>"
                                 "<topic id=\"4\" parent=\"0\" x=\"160\" y=\"60\" text=\"Quay\"/>"));
        start();
        CommandRouter::shared().setRunning(true);
        menu = MainMenu::build();
        prepareMainMenu(menu, checkboxHandler, "Tarnwick");
        window = std::make_unique<MainWindow>(menu, router);
        application = TarnwickApplication::create(false);
        controller = std::make_shared<TwkDocumentController>(scheduler, host, services);
        SetEditorInterfaceInstance(controller);
        document = controller->makeSingletonDocument();
        documentMap.document = document;
        window->controller().setDocumentProvider([this] { return document; });
        shown = NotificationCenter::defaultCenter().addObserver(
            AfterChangingMindMapNotification, nullptr, [this](const Notification&) {
                window->showMindMap(std::shared_ptr<MindMap>(document->mindMap(), [](MindMap*) {}));
            });
        router.setResponderChain([this] {
            MainWindowResponders links;
            links.editor = &window->editor();
            links.window = &window->controller();
            links.document = controller->singletonDocument();
            links.documentController = controller.get();
            links.application = application.get();
            links.checkboxMenuHandler = &checkboxHandler;
            return mainWindowResponderChain(links);
        });
        window->set_default_size(900, 600);
        window->show_all();
        controller->openStorage(MindMapProviders::localProvider(), GuidA, {});
        ASSERT_TRUE(makeWindowActive(*window));
        window->editor().scrollMapPointToCenter(Point{150, 0});
        MainLoop::runFor(0.3);
    }

    void TearDown() override
    {
        if (window) window->showMindMap(nullptr);
        router.setResponderChain(nullptr);
        shown = {};
        if (controller && EditorInterfaceInstance() == controller.get()) SetEditorInterfaceInstance(nullptr);
        controller.reset();
        application.reset();
        window.reset();
        drainGtkEvents();
        CommandRouter::shared().setRunning(false);
        StoreTest::TearDown();
    }

    MindMapNode* topic(const std::string& text) const
    {
        for (MindMapNode* node : document->mindMap()->nodes())
            if (node->text() == text) return node;
        return nullptr;
    }

    // A real click at the map point, through the display's pointer.
    ::testing::AssertionResult clickAt(Point mapPoint)
    {
        const Rect view = window->editor().mapRectToViewRect(Rect{mapPoint, Size{0, 0}});
        int rootX = 0, rootY = 0;
        window->canvas().get_window()->get_root_coords(int(view.origin.x), int(view.origin.y), rootX, rootY);
        const std::string at = std::to_string(rootX) + " " + std::to_string(rootY);
        if (!xdotool("mousemove --sync " + at) || !xdotool("click 1"))
            return ::testing::AssertionFailure() << "xdotool cannot click at " << at;
        MainLoop::runFor(0.3);
        return ::testing::AssertionSuccess();
    }

    // Where the topic's link icon answers a click.
    static std::optional<Point> linkIconPoint(MindMapNode& node)
    {
        const Rect bounds = node.bounds();
        for (double y = bounds.origin.y; y < bounds.origin.y + bounds.size.height; y += 1)
            for (double x = bounds.origin.x; x < bounds.origin.x + bounds.size.width; x += 1)
                if (node.getHitTestInfo(Point{x, y}) == MindMapNode::HitLinkIcon) return Point{x + 2, y + 2};
        return std::nullopt;
    }

    FakeDocumentScheduler scheduler;
    DocumentControllerHost host;
    ApplicationTerminationServices services;
    DocumentMap documentMap;
    CheckboxMenuHandler checkboxHandler{&documentMap};
    CommandRouter router;
    MainMenu menu;
    std::unique_ptr<MainWindow> window;
    Glib::RefPtr<TarnwickApplication> application;
    std::shared_ptr<TwkDocumentController> controller;
    EditorDocument* document = nullptr;
    ObservationToken shown;
};

TEST_F(LinkedMapSessionTest, ABranchBecomesALinkedMapAndTheLinkOpensIt)
{
    ASSERT_EQ(window->editor().mindMap(), document->mindMap());
    MindMapNode* moorings = topic("Moorings");
    ASSERT_NE(moorings, nullptr);
    document->mindMap()->validateElementStates();
    ASSERT_TRUE(clickAt(moorings->location()));
    ASSERT_EQ(document->mindMap()->selectedNode(), moorings) << "the click did not select the branch";

    const std::string action = "linkedMindMapFromSelection:";
    ASSERT_TRUE(router.validateItem(MenuItem("", action)).enabled);
    ASSERT_TRUE(router.sendAction(action, nullptr, nullptr));

    // The new map holds the branch; the topic stays, linked to it, without its children.
    ASSERT_NE(moorings->diagramLink(), nullptr);
    EXPECT_EQ(moorings->diagramLink()->linkType(), DiagramLink::LinkTypeLocalMap);
    const std::string newGuid = moorings->diagramLink()->linkID();
    MindMapInfoItem* item = MindMapStore::existingInstance()->mindMapByGuid(newGuid);
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(moorings->children().empty());
    EXPECT_EQ(document->storage()->id(), GuidA) << "the user stays in the map";
    EXPECT_EQ(document->undoManager()->undoActionName(), localized("editor_menu_linked_map_from_selection"));

    // A click on the link icon opens the new map in the window.
    document->mindMap()->validateElementStates();
    std::optional<Point> icon = linkIconPoint(*moorings);
    ASSERT_TRUE(icon) << "the topic shows no link icon";
    ASSERT_TRUE(clickAt(*icon));
    ASSERT_TRUE(MainLoop::runUntil([&] { return document->storage() && document->storage()->id() == newGuid; }, 5))
        << "the link did not open the new map";
    std::multiset<std::string> texts;
    for (MindMapNode* node : document->mindMap()->nodes()) texts.insert(node->text());
    EXPECT_EQ(texts, (std::multiset<std::string>{"Moorings", "North", "South"}));
    EXPECT_EQ(window->editor().mindMap(), document->mindMap());
    EXPECT_EQ(document->mindMap()->mainCentralTheme()->text(), "Moorings");
}

} // namespace
