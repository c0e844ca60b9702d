// A name typed into any list or tree of the program is kept however the edit ends but by Escape.

#include "platform/gtk/KeptCellEdits.h"
#include "Editor/EditorDocument.h"
#include "Editor/gtk/GtkTestSupport.h"
#include "MindMaps/MindMapNode.h"
#include "editor-view/gtk/MindMapEditorCanvas.h"
#include "explorers/LocalExplorerTestSupport.h"
#include "explorers/gtk/LocalExplorerView.h"
#include "panels/gtk/OutlinerView.h"
#include "panels/gtk/RealInput.h"
#include "platform/Clock.h"
#include "platform/UndoManager.h"
#include "platform/gtk/MainLoopScheduler.h"
#include "support/ActiveWindow.h"
#include "support/SyntheticKey.h"

#include <gtest/gtest.h>

using namespace explorertest;

namespace {

enum class Cell { OutlineRow, SideBarMap, SideBarFolder };
// The roads after Return are events the user did not make: the rename stays open with its text
// through them, and Return then takes it. Deleting the item from the side bar takes it first.
enum class Road {
    CanvasClick,
    OtherPane,
    TabSwitch,
    WindowClose,
    AnotherApplication,
    Escape,
    Return,
    Autosave,
    MapComesIn,
    DeleteItem,
    MapReloaded
};
const char* const CellNames[] = {"OutlineRow", "SideBarMap", "SideBarFolder"};
const char* const RoadNames[] = {"CanvasClick",        "OtherPane",  "TabSwitch",  "WindowClose",
                                 "AnotherApplication", "Escape",     "Return",     "Autosave",
                                 "MapComesIn",         "DeleteItem", "MapReloaded"};

// The main window's parts as the keyboard focus meets them: the list on the first of two tabs,
// the canvas with the open map beside it, and a field in a pane of its own. The map is written
// with what the window's lists hold, as the main window writes it.
class Frame : public Gtk::Window, public EditorDocumentWindow {
public:
    void setWindowTitle(const std::string&) override {}
    bool canAutoSave() override { return true; }
    void presentError(const Error&) override {}
    void commitCellEdits() override { commitCellEditsInside(*this); }
};

// The canvas lets go of the open map before the closing document does.
class CanvasHost : public NullHost {
public:
    void willReleaseSingletonDocument() override { release(); }
    std::function<void()> release;
};

class KeptCellEditsTest : public LocalExplorerTest, public ::testing::WithParamInterface<std::tuple<Cell, Road>> {
protected:
    void SetUp() override
    {
        TARNWICK_REQUIRE_DISPLAY(RealInput::startGtk());
        LocalExplorerTest::SetUp();
        frame = std::make_unique<Frame>();
        canvas = std::make_unique<MindMapEditorCanvas>(&canvasScheduler, MonotonicClock::shared());
        controller = std::make_shared<TwkDocumentController>(documentScheduler, canvasHost, services);
        controller->makeSingletonDocument()->setWindow(frame.get());
        SetEditorInterfaceInstance(controller);
        ASSERT_TRUE(controller->openLocalMindMapOnGuid(GuidAlpha));
        MindMap* open = controller->singletonDocument()->mindMap();
        canvas->editorView().setMindMap(std::shared_ptr<MindMap>(open, [](MindMap*) {}));
        canvasHost.release = [this] { canvas->editorView().setMindMap(nullptr); };
        undoBase = open->undoManager()->changeCount();

        const Cell cell = std::get<0>(GetParam());
        Gtk::Widget* list = nullptr;
        if (cell == Cell::OutlineRow) {
            outliner = std::make_unique<OutlinerView>(canvas->editorView());
            list = outliner.get();
            tree = &outliner->outline();
            name = [this] { return topicText(); };
        } else {
            sideBar = std::make_unique<LocalExplorerView>(makeExplorer());
            list = sideBar.get();
            tree = &sideBar->treeView();
            MindMapStoreItem* item =
                cell == Cell::SideBarFolder ? static_cast<MindMapStoreItem*>(work) : map(GuidAlpha);
            name = [item] { return item->title(); };
        }
        parts = std::make_unique<Parts>();
        parts->tabs.append_page(*list, "list");
        parts->tabs.append_page(parts->otherTab, "other");
        parts->overlay.add(*canvas);
        parts->side.pack_start(parts->overlay, Gtk::PACK_EXPAND_WIDGET);
        parts->side.pack_start(parts->otherPane, Gtk::PACK_SHRINK);
        parts->panes.pack1(parts->tabs, true, false);
        parts->panes.pack2(parts->side, true, false);
        frame->add(parts->panes);
        frame->set_default_size(700, 400);
        frame->show_all();
        ASSERT_TRUE(makeWindowActive(*frame));

        if (cell == Cell::OutlineRow) {
            tree->row_activated(Gtk::TreePath("0"), *tree->get_column(0));
        } else {
            if (cell == Cell::SideBarFolder) tree->get_selection()->select(sideBar->pathForItem(work));
            explorer->rename();
        }
        Gtk::Entry* entry = renameField();
        ASSERT_TRUE(entry) << "the row is being renamed";
        entry->set_text("Second try");
    }

    void TearDown() override
    {
        if (canvas) canvas->editorView().setMindMap(nullptr);
        frame.reset();
        parts.reset();
        outliner.reset();
        sideBar.reset();
        canvas.reset();
        LocalExplorerTest::TearDown();
    }

    // The topic's text in the open map, or as the store holds it once the map was closed.
    std::string topicText()
    {
        if (EditorDocument* document = controller->singletonDocument())
            return document->mindMap()->mainCentralTheme()->text();
        MindMap stored;
        const std::string file = fileText(mapPath(GuidAlpha));
        EXPECT_TRUE(stored.readFromData(MindMapData(file.begin(), file.end()), GuidAlpha, 2));
        return stored.mainCentralTheme() ? stored.mainCentralTheme()->text() : std::string();
    }
    // The entry of a rename, while the list holds one.
    Gtk::Entry* renameField()
    {
        for (Gtk::Widget* child : tree->get_children())
            if (auto* field = dynamic_cast<Gtk::Entry*>(child)) return field;
        return nullptr;
    }

    CanvasHost canvasHost;
    MainLoopScheduler canvasScheduler{MonotonicClock::shared()};
    std::unique_ptr<Frame> frame;
    std::unique_ptr<MindMapEditorCanvas> canvas;
    std::unique_ptr<OutlinerView> outliner;
    std::unique_ptr<LocalExplorerView> sideBar;
    // Made once GTK has started.
    struct Parts {
        Gtk::Paned panes;
        Gtk::Notebook tabs;
        Gtk::Label otherTab{"other"};
        Gtk::Box side{Gtk::ORIENTATION_VERTICAL};
        Gtk::Overlay overlay;
        Gtk::Entry otherPane;
    };
    std::unique_ptr<Parts> parts;
    Gtk::TreeView* tree = nullptr;
    std::function<std::string()> name;
    uint64_t undoBase = 0;
};

std::string testName(const ::testing::TestParamInfo<std::tuple<Cell, Road>>& info)
{
    return std::string(CellNames[int(std::get<0>(info.param))]) + RoadNames[int(std::get<1>(info.param))];
}

TEST_P(KeptCellEditsTest, TheTypedNameIsKeptOnceUnlessEscapeDropsIt)
{
    const auto [cell, road] = GetParam();
    // The side bar paints a map's thumbnail once its row is drawn; the rename goes on.
    if (sideBar) {
        sideBar->pictureFor(map(GuidAlpha));
        while (sideBar->paintPendingThumbnails(1)) {}
    }
    ASSERT_TRUE(renameField());
    switch (road) {
    case Road::CanvasClick:
        RealInput::click(*canvas, 10, 10);
        EXPECT_TRUE(canvas->has_focus()) << "the click's widget keeps the focus";
        break;
    case Road::OtherPane:
        parts->otherPane.grab_focus();
        EXPECT_TRUE(parts->otherPane.has_focus());
        break;
    case Road::TabSwitch:
        parts->tabs.set_current_page(1);
        break;
    case Road::WindowClose:
        ASSERT_TRUE(controller->mindMapEditorWillClose());
        break;
    case Road::AnotherApplication:
        sendWindowFocusChange(*frame, false);
        drainGtkEvents();
        EXPECT_TRUE(renameField()) << "switching applications ends no edit";
        sendWindowFocusChange(*frame, true);
        pressKey(GTK_WIDGET(frame->gobj()), GDK_KEY_Return, GdkModifierType(0));
        break;
    case Road::Escape:
    case Road::Return:
        pressKey(GTK_WIDGET(frame->gobj()), road == Road::Escape ? GDK_KEY_Escape : GDK_KEY_Return, GdkModifierType(0));
        break;
    case Road::Autosave: {
        // An edit made before the rename falls due while the user types, or is away.
        EditorDocument* document = controller->singletonDocument();
        document->setAutoSaveMindMaps(true);
        document->updateChangeCount(EditorDocument::ChangeKind::Done);
        documentScheduler.advance(EditorDocument::AutoSaveDelay + 2 * EditorDocument::AutoSaveInterval);
        EXPECT_FALSE(document->isDocumentEdited()) << "the earlier edit is saved as if no rename were open";
        break;
    }
    case Road::MapComesIn: {
        // As a paired phone's upload puts a map into the store: the side bar lists the store anew.
        const std::string file = nativeDocument("E5E5E5E5E5E5E5E5E5E5E5E5", "Uploaded", "<topic text=\"egg\"/>");
        ASSERT_TRUE(store->importMindMap(MindMapData(file.begin(), file.end()), "E5E5E5E5E5E5E5E5E5E5E5E5"));
        break;
    }
    case Road::MapReloaded: {
        // As a synced copy or the phone's upload of the open map replaces it: the outline is
        // filled anew with the topics read again.
        const std::string file = nativeDocument(GuidAlpha, "Alpha", "<topic text=\"apple crumble\"/>");
        ASSERT_TRUE(store->importMindMap(MindMapData(file.begin(), file.end()), GuidAlpha));
        ASSERT_EQ(topicText(), "apple crumble") << "the open map was read again";
        undoBase = controller->singletonDocument()->mindMap()->undoManager()->changeCount();
        break;
    }
    case Road::DeleteItem:
        explorer->deleteItem();
        EXPECT_TRUE(store->isRecyclerFolder(cell == Cell::SideBarFolder ? work->parent() : map(GuidAlpha)->parent()))
            << "the item went into the recycle bin";
        break;
    }
    drainGtkEvents();
    const char* const was[] = {"apple pie", "Alpha", "Work"};
    if (road == Road::Autosave || road == Road::MapComesIn || road == Road::MapReloaded) {
        Gtk::Entry* field = renameField();
        ASSERT_TRUE(field) << "the rename stays open";
        EXPECT_EQ(field->get_text(), "Second try");
        EXPECT_EQ(name(), road == Road::MapReloaded ? "apple crumble" : was[int(cell)])
            << "nothing is taken before the user ends the rename";
        pressKey(GTK_WIDGET(frame->gobj()), GDK_KEY_Return, GdkModifierType(0));
        drainGtkEvents();
    }
    EXPECT_FALSE(renameField());
    const bool kept = road != Road::Escape;
    EXPECT_EQ(name(), kept ? "Second try" : was[int(cell)]);
    // Taken once: one undo step.
    if (cell == Cell::OutlineRow && controller->singletonDocument()) {
        EXPECT_EQ(controller->singletonDocument()->mindMap()->undoManager()->changeCount() - undoBase, kept ? 1u : 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryListAndRoad, KeptCellEditsTest,
                         ::testing::Combine(::testing::Values(Cell::OutlineRow, Cell::SideBarMap, Cell::SideBarFolder),
                                            ::testing::Values(Road::CanvasClick, Road::OtherPane, Road::TabSwitch,
                                                              Road::WindowClose, Road::AnotherApplication, Road::Escape,
                                                              Road::Return, Road::Autosave, Road::MapComesIn)),
                         testName);

INSTANTIATE_TEST_SUITE_P(OutlineReload, KeptCellEditsTest,
                         ::testing::Combine(::testing::Values(Cell::OutlineRow), ::testing::Values(Road::MapReloaded)),
                         testName);

INSTANTIATE_TEST_SUITE_P(SideBarDelete, KeptCellEditsTest,
                         ::testing::Combine(::testing::Values(Cell::SideBarMap, Cell::SideBarFolder),
                                            ::testing::Values(Road::DeleteItem)),
                         testName);

} // namespace
