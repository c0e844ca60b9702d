#include "Editor/CheckboxMenuHandler.h"
#include "Editor/CommandRouter.h"
#include "Editor/DocumentTestSupport.h"
#include "Editor/EditorActionBarController.h"
#include "Editor/HistoryMenu.h"
#include "Editor/MainMenu.h"
#include "Editor/StyleToolsBuilder.h"
#include "Editor/TwToolbar.h"
#include "Editor/TwkDocumentController.h"
#include "Editor/gtk/MainWindow.h"
#include "Editor/gtk/TarnwickApplication.h"
#include "GtkTestSupport.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "store/MindMapProviders.h"

#include <gtest/gtest.h>

using namespace storetest;

namespace {

const std::string GuidA = "AAAAAAAAAAAAAAAAAAAAAAAA";
const std::string GuidB = "BBBBBBBBBBBBBBBBBBBBBBBB";

struct DocumentMap : CheckboxMenuHandlerDelegate {
    EditorDocument* document = nullptr;
    MindMap* getMindMap() override { return document ? document->mindMap() : nullptr; }
};

// The running application's chain, link for link: the window's editor and the window itself, the
// document, the document controller, the application and the check box menu's handler.
class MenuWalkTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        initGtkForTests();
        placeFile(GuidA + ".twkx", nativeDocument(GuidA, "Alpha", "<topic text=\"A\"/><topic text=\"A2\"/>"));
        placeFile(GuidB + ".twkx", nativeDocument(GuidB, "Beta", "<topic text=\"B\"/>"));
        start();
        CommandRouter::shared().setRunning(true);
        menu = MainMenu::build();
        prepareMainMenu(menu, checkboxHandler, "Tarnwick");
        window = std::make_unique<MainWindow>(menu, router);
        application = TarnwickApplication::create(false);
        controller = std::make_shared<TwkDocumentController>(scheduler, host, services);
        document = controller->makeSingletonDocument();
        documentMap.document = document;
        menu.historyMenu->setController(controller);
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

        // Beta was open before Alpha: Back and the history menu have somewhere to go.
        MindMapProvider* local = MindMapProviders::localProvider();
        controller->openStorage(local, GuidB, {});
        controller->openStorage(local, GuidA, {});
        window->editor().setMindMap(std::shared_ptr<MindMap>(document->mindMap(), [](MindMap*) {}));
        window->editor().setFocused(true);
        document->mindMap()->setSelectedElement(document->mindMap()->mainCentralTheme());
        router.validateMenu(*menu.bar);
    }

    void TearDown() override
    {
        window->editor().setMindMap(nullptr);
        router.setResponderChain(nullptr);
        controller.reset();
        application.reset();
        window.reset();
        drainGtkEvents();
        CommandRouter::shared().setRunning(false);
        StoreTest::TearDown();
    }

    // Every item that sends an action, submenus included.
    static void collect(Menu& from, std::vector<std::shared_ptr<MenuItem>>& items)
    {
        for (const std::shared_ptr<MenuItem>& item : from.items()) {
            if (item->isSeparatorItem()) continue;
            if (!item->action().empty()) items.push_back(item);
            if (Menu* submenu = item->submenu()) collect(*submenu, items);
        }
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
};

TEST_F(MenuWalkTest, EveryItemReachesAHandler)
{
    std::vector<std::shared_ptr<MenuItem>> items;
    collect(*menu.bar, items);
    for (const std::shared_ptr<MenuItem>& item : items)
        EXPECT_NE(router.targetForAction(item->action()), nullptr)
            << item->title() << " sends " << item->action() << ", which nothing answers";
}

TEST_F(MenuWalkTest, EveryToolbarSegmentReachesAHandler)
{
    // Segments look their handlers up through the shared router, as in the running window.
    CommandRouter& shared = CommandRouter::shared();
    shared.setResponderChain([this] { return router.responderChain(); });
    TwToolbar::Context context;
    context.controller = &window->controller();
    context.document = document;
    context.documentController = controller.get();
    context.history = controller;
    TwToolbar toolbar(context);
    size_t walked = 0;
    for (const std::string& identifier : TwToolbar::allowedItemIdentifiers()) {
        std::unique_ptr<TwToolbarItem> item = toolbar.makeItem(identifier, true);
        // The search item has no field without the explorers' library; it sends no action either.
        if (!item) {
            EXPECT_EQ(identifier, TwToolbar::SearchItemIdentifier);
            continue;
        }
        if (!item->segmentedItem()) continue;
        for (const std::shared_ptr<ToolbarSegment>& segment : item->segmentedItem()->controlItem().segments()) {
            // A segment without an action only opens its menu.
            if (segment->action().empty()) continue;
            ++walked;
            EXPECT_NE(segment->findActionHandler(), nullptr)
                << identifier << " sends " << segment->action() << ", which nothing answers";
        }
    }
    EXPECT_GT(walked, 10u);
    shared.setResponderChain(nullptr);
}

TEST_F(MenuWalkTest, EveryStyleToolbarSegmentReachesAHandler)
{
    CommandRouter& shared = CommandRouter::shared();
    shared.setResponderChain([this] { return router.responderChain(); });
    StyleToolsOwner owner;
    owner.windowController = &window->controller();
    owner.document = document;
    owner.currentMindMap = [this] { return document->mindMap(); };
    size_t walked = 0;
    for (const std::shared_ptr<SegmentedControlItem>& control : StyleToolsBuilder::buildStyleTools(owner))
        for (const std::shared_ptr<ToolbarSegment>& segment : control->segments()) {
            if (segment->action().empty()) continue;
            ++walked;
            EXPECT_NE(segment->findActionHandler(), nullptr) << segment->action() << ", which nothing answers";
        }
    EXPECT_EQ(walked, 24u);
    shared.setResponderChain(nullptr);
}

TEST_F(MenuWalkTest, ApplicationItemsAreAnsweredAndDisabledOutsideTheRun)
{
    for (const char* action : {"orderFrontStandardAboutPanel:", "showPreferencesPanel:", "toggleUserOffline:",
                               "showEditorQuickHelp:", "showFAQ:", "showHomePage:", "gotoYouTubeChannel:",
                               "sendFeedback:", "exportMindMapStore:", "importMindMapStore:"}) {
        EXPECT_EQ(router.targetForAction(action), application.get()) << action;
        EXPECT_TRUE(router.validateItem(MenuItem("", action)).enabled) << action;
    }
    CommandRouter::shared().setRunning(false);
    std::vector<std::shared_ptr<MenuItem>> items;
    collect(*menu.bar, items);
    for (const std::shared_ptr<MenuItem>& item : items) {
        // Quit and Close Window stay: they are how a user leaves.
        if (item->action() == "terminate:" || item->action() == "performClose:") continue;
        if (router.targetForAction(item->action()) == application.get()) {
            EXPECT_FALSE(router.validateItem(*item).enabled) << item->action();
        }
    }
}

TEST_F(MenuWalkTest, EveryBarSegmentReachesAHandler)
{
    const std::span<const ActionBarSegment> tables[] = {
        NodeActionBarController::topToolsTable(), NodeActionBarController::bottomToolsTable(),
        ImageActionBarController::toolsTable(), TextActionBarController::toolsTable(),
        RelationActionBarController::toolsTable()};
    for (std::span<const ActionBarSegment> table : tables)
        for (const ActionBarSegment& segment : table) {
            if (segment.menu != ActionBarSegment::MenuKind::None) continue;
            EXPECT_NE(router.targetForAction(segment.action), nullptr) << segment.action << ", which nothing answers";
        }
}

TEST_F(MenuWalkTest, EachLinkOfTheChainAnswersItsOwnItems)
{
    const std::pair<const char*, Responder*> owners[] = {
        {"zoomIn:", &window->editor()},
        {"autoFocusBranch:", &window->editor()},
        {"addChildNode:", &window->editor()},
        {"performMiniaturize:", &window->controller()},
        {"copy:", document},
        {"selectAllNodes:", document},
        {"undo:", document},
        {"navigateBackward:", controller.get()},
        {HistoryMenu::ItemAction, controller.get()},
        {"terminate:", application.get()},
        {CheckboxMenuHandler::ClickAction, &checkboxHandler},
    };
    for (auto [action, owner] : owners) EXPECT_EQ(router.targetForAction(action), owner) << action;

    // With the map open and its theme selected, what the walk found is also usable.
    for (const char* action : {"zoomIn:", "selectAllNodes:", "navigateBackward:", "closeDocument:", "copy:"})
        EXPECT_TRUE(router.validateItem(MenuItem("", action)).enabled) << action;
    ASSERT_EQ(menu.historyMenu->items().size(), 1u);
    EXPECT_EQ(menu.historyMenu->items()[0]->title(), "Beta");
    EXPECT_TRUE(menu.historyMenu->items()[0]->isEnabled());
    EXPECT_TRUE(router.sendAction("selectAllNodes:", nullptr, nullptr));
    EXPECT_EQ(document->mindMap()->selectionWithMask(1).size(), 2u);
}

} // namespace
