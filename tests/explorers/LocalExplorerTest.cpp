#include "FileListTestSupport.h"
#include "LocalExplorerTestSupport.h"

#include "Editor/EditorDocument.h"
#include "Editor/SegmentedControlItem.h"
#include "explorers/CloudExplorer.h"
#include "explorers/CloudPaneService.h"
#include "explorers/ExplorerBrowserController.h"
#include "formats/MindMapConverter.h"
#include "platform/Image.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "render/MindMapPainter.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapProvider.h"
#include "support/CloudPaneDoubles.h"
#include "support/LongUserTexts.h"
#include "support/PixelProbe.h"
#include "support/ScopedFileSizeLimit.h"
#include "support/ScriptedFileChooser.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

using namespace explorertest;

namespace {

class NamedItem : public ValidatedUserInterfaceItem {
public:
    explicit NamedItem(std::string action, std::any value = {}) : _action(std::move(action)), _value(std::move(value))
    {
    }
    std::string action() const override { return _action; }
    std::any representedValue() const override { return _value; }

private:
    std::string _action;
    std::any _value;
};

// A cloud pane whose service keeps its maps in the local store and opens a map it made at once.
class StoreBackedPane : public ServiceCloudExplorer, public CloudPaneService {
public:
    explicit StoreBackedPane(MindMapStore& store) : ServiceCloudExplorer(MainExplorerMode), _store(store)
    {
        _linked = true;
        setPathStack({"/"});
    }
    MindMapProvider* provider() const override { return MindMapProviders::instance().getProviderById("Local"); }
    void refreshListing() override {}
    void rename() override {}
    void deleteItem() override {}
    void moveToFolder() override {}
    void copyToProvider(MindMapProvider*) override {}
    void makeOfflineAvailable() override {}
    void undoOfflineAvailable() override {}
    void cancelListerAndRecreate(bool) override {}
    void openCloudLink(const std::string&) override {}
    void convertNonNativeMindMap(const std::string&) override
    {
        if (MindMapInfoItem* made = _store.addMindMapInFolder(nullptr)) openNewMindMap(made->guid());
    }
    void duplicateFile(const std::string& path) override
    {
        if (MindMapInfoItem* copy = _store.duplicateMindMap(_store.mindMapByGuid(path))) openNewMindMap(copy->guid());
    }
    void manualSynchronize() override {}

protected:
    CloudPaneService* paneService() const override { return const_cast<StoreBackedPane*>(this); }
    bool listerIdle() const override { return true; }
    bool userTaskRunning() const override { return false; }
    bool serviceTaskBusy() const override { return false; }
    std::shared_ptr<const Image> thumbnailFor(const std::string&) const override { return nullptr; }
    const char* showThumbnailsKey() const override { return "Test.ShowThumbnails"; }
    CloudCommands::ServiceKeys serviceKeys() const override { return {"", "", ""}; }
    void performServiceStateChanged() override {}
    std::string makeMindMap(const std::string&, const std::string&, const MindMapData* archive) override
    {
        MindMapInfoItem* made = archive ? _store.importMindMap(*archive) : _store.addMindMapInFolder(nullptr);
        return made ? made->guid() : std::string();
    }
    void openNewMindMap(const std::string& id) override
    {
        EditorInterfaceInstance()->openStorage(provider(), id, std::any());
    }

private:
    MindMapStore& _store;
};

std::shared_ptr<FileListItem> cloudRow(const std::string& path, int32_t type = FileListItemType::NativeMindMap)
{
    auto row = std::make_shared<FileListItem>(type);
    row->setPath(path);
    row->setFileName(type == FileListItemType::NativeMindMap ? path + ".twkx" : path);
    return row;
}

// A provider of another kind, for the copy-to-cloud menu.
class CloudProvider : public MindMapProvider {
public:
    explicit CloudProvider(bool enabled) : MindMapProvider(MindMapProviderDropbox), _enabled(enabled) {}
    std::string title() const override { return "Dropbox"; }
    bool enabled() const override { return _enabled; }

private:
    bool _enabled;
};

TEST_F(LocalExplorerTest, TheTreeShowsFoldersCollapsedAndExpandsToAnOpenedMap)
{
    makeExplorer();
    EXPECT_EQ(rows(), (std::vector<std::string>{"Work", "Alpha", "Delta"}));
    // A map switched to elsewhere is shown: its folders open.
    controller->openLocalMindMapOnGuid(GuidGamma);
    EXPECT_EQ(rows(), (std::vector<std::string>{"Work", "  Deep", "    Gamma", "  Beta", "Alpha", "Delta"}));
    EXPECT_EQ(selectedTitle(), "Gamma");
}

TEST_F(LocalExplorerTest, ClickingAMapOpensItAndTheOpenMapStaysSelected)
{
    makeExplorer();
    ASSERT_TRUE(click(map(GuidAlpha)));
    EXPECT_EQ(openId(), GuidAlpha);
    EXPECT_EQ(selectedTitle(), "Alpha");
    // A folder changes nothing in the editor.
    ASSERT_TRUE(click(work));
    EXPECT_EQ(openId(), GuidAlpha);
    EXPECT_EQ(selectedTitle(), "Work");
    // Another map switched to elsewhere takes the selection.
    controller->openLocalMindMapOnGuid(GuidDelta);
    EXPECT_EQ(selectedTitle(), "Delta");
    // Nothing selected while a local map is open: the editor shows no map.
    outline().userSelectRowIndexes({});
    EXPECT_EQ(openId(), "");
}

TEST_F(LocalExplorerTest, OnlyTheActiveMainExplorerOpensMaps)
{
    makeExplorer(MoveToFolderExplorerMode);
    click(map(GuidAlpha));
    EXPECT_EQ(openId(), "");
    makeExplorer();
    explorer->setActive(false);
    click(map(GuidAlpha));
    EXPECT_EQ(openId(), "");
}

TEST_F(LocalExplorerTest, AFilterShowsMatchesAndAMapSwitchElsewhereCancelsIt)
{
    makeExplorer();
    MindMapSearchField field;
    explorer->setSearchBar(&field);
    field.textChangedByUser("amm");
    EXPECT_EQ(rows(), (std::vector<std::string>{"Gamma"}));
    EXPECT_EQ(explorer->adapter().searchResults().title(), localized("map_list_search_results"));
    EXPECT_EQ(explorer->adapter().detailsForItem(map(GuidGamma)), "/Work/Deep");
    // Clicking a result opens it and keeps the results.
    click(map(GuidGamma));
    EXPECT_EQ(openId(), GuidGamma);
    EXPECT_EQ(rows(), (std::vector<std::string>{"Gamma"}));
    // Full text finds what only a topic says.
    field.textChangedByUser("banana");
    EXPECT_TRUE(rows().empty());
    field.setFullTextSearch(true);
    EXPECT_EQ(rows(), (std::vector<std::string>{"Beta"}));
    controller->openLocalMindMapOnGuid(GuidAlpha);
    EXPECT_EQ(field.text(), "");
    EXPECT_FALSE(explorer->adapter().isSearching());
    EXPECT_EQ(selectedTitle(), "Alpha");
    // Without the search the details are the date of the last change.
    EXPECT_NE(explorer->adapter().detailsForItem(map(GuidAlpha)), "/");
    EXPECT_EQ(explorer->adapter().detailsForItem(work), "");
}

TEST_F(LocalExplorerTest, RowHeightsFollowTheKindAndTheThumbnails)
{
    makeExplorer();
    LocalExplorerAdapter& adapter = explorer->adapter();
    const struct {
        bool thumbnails;
        MindMapStoreItem* item;
        double height;
        std::string cell;
    } cases[] = {
        {true, work, 18.0, "FileListAdapterFolderView"},  {true, map(GuidAlpha), 73.0, "LocalAdapterTNMapView"},
        {false, work, 18.0, "FileListAdapterFolderView"}, {false, map(GuidAlpha), 31.0, "LocalAdapterMapView"},
        {false, nullptr, 31.0, "LocalAdapterMapView"},
    };
    for (const auto& c : cases) {
        explorer->setShowThumbnails(c.thumbnails);
        EXPECT_EQ(adapter.rowHeight(c.item), c.height);
        EXPECT_EQ(adapter.cellIdentifier(c.item), c.cell);
    }
}

TEST_F(LocalExplorerTest, ThumbnailsAreOnUntilTurnedOffAndTheChoiceIsRemembered)
{
    EXPECT_TRUE(makeExplorer().showThumbnails());
    explorer->toggleShowThumbnails();
    EXPECT_FALSE(explorer->showThumbnails());
    EXPECT_TRUE(UserDefaults::standard().hasUserValue("LocalExplorer.ShowThumbnails"));
    EXPECT_FALSE(UserDefaults::standard().boolForKey("LocalExplorer.ShowThumbnails"));
    EXPECT_FALSE(makeExplorer().showThumbnails());
    // A folder pick never shows thumbnails.
    UserDefaults::standard().setBool("LocalExplorer.ShowThumbnails", true);
    EXPECT_FALSE(makeExplorer(CopyToFolderExplorerMode).showThumbnails());
}

TEST_F(LocalExplorerTest, TheContextMenuListsEveryCommandInOrder)
{
    makeExplorer();
    std::shared_ptr<Menu> menu = explorer->menuForEvent();
    ASSERT_TRUE(menu);
    std::vector<std::string> entries;
    for (const auto& item : menu->items())
        entries.push_back(item->isSeparatorItem() ? "-" : item->title() + " " + item->action());
    const auto entry = [](const char* key, const char* action) { return localized(key) + " " + action; };
    EXPECT_EQ(entries,
              (std::vector<std::string>{
                  entry("map_list_add_map", "newDocument:"),
                  entry("map_list_clone_map_condensed", "duplicate:"),
                  entry("map_list_add_folder", "addFolder:"),
                  "-",
                  entry("map_list_rename", "rename:"),
                  entry("map_list_copy_to_cloud", "canCopyToCloud:"),
                  entry("map_list_delete", "deleteItem:"),
                  "-",
                  entry("map_list_import", "importDocument:"),
                  entry("action_import_pdf_bookmarks", "importPdf:"),
                  entry("action_import_export_local_store", "invokeImportMindMapStore:"),
                  entry("action_empty_trash", "emptyRecycleBin:"),
                  "-",
                  entry("explorer_hide_thumbnails", "toggleShowThumbnails:"),
              }));
    explorer->toggleShowThumbnails();
    EXPECT_EQ(explorer->menuForEvent()->items().back()->title(), localized("explorer_show_thumbnails"));
    // With no other cloud connected the copy menu says so in one disabled item.
    Menu* clouds = menu->items()[5]->submenu();
    ASSERT_TRUE(clouds);
    ASSERT_EQ(clouds->items().size(), 1u);
    EXPECT_EQ(clouds->items()[0]->title(), localized("no_additional_clouds_enabled_message"));
    EXPECT_FALSE(clouds->items()[0]->isEnabled());
    EXPECT_FALSE(makeExplorer(LinkMindMapExplorerMode).menuForEvent());
}

TEST_F(LocalExplorerTest, TheCopyMenuOffersEveryOtherEnabledProvider)
{
    auto on = std::make_shared<CloudProvider>(true);
    auto off = std::make_shared<CloudProvider>(false);
    MindMapProviders::instance().registerProvider(on);
    MindMapProviders::instance().registerProvider(off);
    makeExplorer();
    Menu menu;
    explorer->updateCloudMenu(menu);
    MindMapProviders::instance().unregisterProvider(on.get());
    MindMapProviders::instance().unregisterProvider(off.get());
    ASSERT_EQ(menu.items().size(), 1u);
    EXPECT_EQ(menu.items()[0]->title(), "Copy to Dropbox");
    EXPECT_EQ(std::any_cast<MindMapProvider*>(menu.items()[0]->representedValue()), on.get());
}

TEST_F(LocalExplorerTest, ValidationFollowsTheSelectionAndOnlyTheMainExplorerEnables)
{
    makeExplorer();
    const auto enabled = [this](const char* action) {
        return explorer->validateUserInterfaceItem(NamedItem(action)).enabled;
    };
    const struct {
        const char* action;
        bool nothing, folder, map;
    } cases[] = {
        {"newDocument:", true, true, true},
        {"addFolder:", true, true, true},
        {"importDocument:", true, true, true},
        {"importPdf:", true, true, true},
        {"toggleShowThumbnails:", true, true, true},
        {"rename:", false, true, true},
        {"deleteItem:", false, true, true},
        {"duplicate:", false, false, true},
        {"canCopyToCloud:", false, false, true},
        {"emptyRecycleBin:", false, false, false},
        {"paste:", false, false, false},
    };
    for (const auto& c : cases) {
        outline().deselectAll();
        EXPECT_EQ(enabled(c.action), c.nothing) << c.action;
        click(work);
        EXPECT_EQ(enabled(c.action), c.folder) << c.action;
        click(map(GuidAlpha));
        EXPECT_EQ(enabled(c.action), c.map) << c.action;
    }
    map(GuidDelta)->setParent(store->assureRecycleBin());
    EXPECT_TRUE(enabled("emptyRecycleBin:"));
    makeExplorer(MoveToFolderExplorerMode);
    EXPECT_FALSE(enabled("newDocument:"));
}

TEST_F(LocalExplorerTest, TheToolbarStripHasItsThreeSegmentsOnlyInTheMainExplorer)
{
    makeExplorer();
    ASSERT_TRUE(explorer->toolbar());
    SegmentedControl& control = explorer->toolbar()->segmentedControl();
    ASSERT_EQ(control.segmentCount(), 3u);
    EXPECT_EQ(control.segment(0).image, "page_white");
    EXPECT_EQ(control.segment(1).image, "delete");
    EXPECT_EQ(control.segment(2).image, "cloud_16");
    ASSERT_TRUE(control.menu(0));
    EXPECT_EQ(control.menu(0)->items().size(), 3u);
    explorer->windowDidUpdate();
    EXPECT_TRUE(control.isEnabled(0));
    EXPECT_FALSE(control.isEnabled(1));
    click(map(GuidAlpha));
    explorer->windowDidUpdate();
    EXPECT_TRUE(control.isEnabled(1));
    EXPECT_FALSE(makeExplorer(LinkMindMapExplorerMode).toolbar());
}

TEST_F(LocalExplorerTest, NewMapsAndFoldersGoWhereTheSelectionIs)
{
    makeExplorer();
    EXPECT_EQ(explorer->getSelectedFolder(), store->rootFolder());
    click(work);
    EXPECT_EQ(explorer->getSelectedFolder(), work);
    controller->openLocalMindMapOnGuid(GuidGamma);
    EXPECT_EQ(explorer->getSelectedFolder(), deep);
    explorer->newDocument();
    MindMapStorage* storage = controller->currentStorage();
    ASSERT_TRUE(storage);
    EXPECT_EQ(map(storage->id())->parent(), deep);
    EXPECT_EQ(selectedTitle(), "New Mind Map");
    // A new folder is named in place.
    explorer->addFolder();
    MindMapStoreItem* folder = explorer->selectedItem();
    ASSERT_TRUE(folder);
    EXPECT_TRUE(folder->isFolder());
    EXPECT_EQ(folder->parent(), deep);
    EXPECT_EQ(folder->title(), localized("map_list_default_folder_name"));
    EXPECT_EQ(outline().editedRow(), outline().rowForItem(folder));
    explorer->adapter().cellEndEdit(folder, "Plans");
    EXPECT_EQ(folder->title(), "Plans");
    EXPECT_EQ(selectedTitle(), "Plans");
}

// Nothing new is made in the recycle bin, where the selection follows a binned map that is open:
// it goes to the folder the binned item came from, or to the top once that folder is binned too.
TEST_F(LocalExplorerTest, NewItemsMadeFromTheRecycleBinGoToALiveFolder)
{
    makeExplorer();
    click(map(GuidBeta));
    explorer->deleteItem();
    click(work);
    explorer->deleteItem();
    click(map(GuidAlpha));
    explorer->deleteItem();
    ASSERT_TRUE(store->isRecyclerFolder(map(GuidAlpha)->parent()));
    ASSERT_TRUE(store->isRecyclerFolder(work->parent()));
    outline().expandItem(store->recycleBin());
    outline().expandItem(work);
    const struct {
        MindMapStoreItem* selected;
        MindMapStoreFolder* home;
    } cases[] = {
        {map(GuidAlpha), store->rootFolder()}, // came from the top
        {map(GuidBeta), store->rootFolder()},  // its folder went into the bin after it
        {deep, store->rootFolder()},           // inside a binned folder
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(click(c.selected)) << c.selected->title();
        EXPECT_EQ(explorer->getSelectedFolder(), c.home) << c.selected->title();
    }
    // A binned map whose folder still lives: the new map goes there, and opens.
    MindMapStoreFolder* plans = store->addNewFolder(nullptr, "Plans");
    map(GuidDelta)->setParent(plans);
    outline().reloadData();
    click(map(GuidDelta));
    explorer->deleteItem();
    scheduler.runPending();
    ASSERT_TRUE(controller->openLocalMindMapOnGuid(GuidDelta));
    ASSERT_EQ(explorer->selectedItem(), map(GuidDelta)) << "the selection follows the open map";
    explorer->newDocument();
    ASSERT_TRUE(map(openId()));
    EXPECT_EQ(map(openId())->parent(), plans);
}

// A name of nothing but blanks names nothing: the folder or map keeps its name, in the row as in
// the store.
TEST_F(LocalExplorerTest, ANameOfBlanksKeepsTheOldName)
{
    makeExplorer();
    ASSERT_TRUE(controller->openLocalMindMapOnGuid(GuidAlpha));
    const struct {
        MindMapStoreItem* item;
        const char* typed;
    } cases[] = {{work, ""}, {work, " \t "}, {map(GuidAlpha), ""}, {map(GuidDelta), "  "}};
    for (const auto& c : cases) {
        const std::string was = c.item->title();
        explorer->adapter().cellEndEdit(c.item, c.typed);
        EXPECT_EQ(c.item->title(), was) << "renamed to '" << c.typed << "'";
    }
    controller->openStorage(nullptr, {}, {});
    EXPECT_EQ(map(GuidAlpha)->title(), "Alpha") << "the open map kept its name once written";
    EXPECT_TRUE(host.errors.empty());
}

TEST_F(LocalExplorerTest, RenamingInPlaceTakesOnlyAChangedTextAndNeverWhileCancelling)
{
    makeExplorer();
    click(map(GuidAlpha));
    explorer->rename();
    EXPECT_EQ(outline().editedRow(), outline().rowForItem(map(GuidAlpha)));
    explorer->adapter().cellEndEdit(map(GuidAlpha), "Apples");
    EXPECT_EQ(map(GuidAlpha)->title(), "Apples");
    explorer->adapter().cellEndEdit(work, "Work");
    EXPECT_EQ(work->title(), "Work");
    // Ending an edit by cancelling (a reload, a new filter) keeps the old title.
    explorer->rename();
    explorer->adapter().cancelEditing();
    EXPECT_FALSE(outline().isEditing());
    EXPECT_FALSE(explorer->adapter().isItemEditable(nullptr));
    makeExplorer(LinkMindMapExplorerMode);
    EXPECT_FALSE(explorer->adapter().isItemEditable(work));
}

TEST_F(LocalExplorerTest, DuplicatingCommitsAndOpensTheCopyBesideTheMap)
{
    makeExplorer();
    click(map(GuidBeta) ? work : nullptr);
    controller->openLocalMindMapOnGuid(GuidBeta);
    explorer->duplicate();
    MindMapStorage* storage = controller->currentStorage();
    ASSERT_TRUE(storage);
    EXPECT_NE(storage->id(), GuidBeta);
    EXPECT_EQ(map(storage->id())->parent(), work);
    EXPECT_EQ(map(storage->id())->indexInParent(), map(GuidBeta)->indexInParent() + 1);
}

// Every command of the side bar that the disk refuses to write says what failed and why, in the
// system's words and never by the store's file names, and leaves the store as the disk holds it.
TEST_F(LocalExplorerTest, EveryCommandTheDiskRefusesIsSaidAndChangesNothing)
{
    ScriptedFileChooser chooser;
    chooser.openAnswer = {placePdf()};
    makeExplorer();
    store->addNewFolder(store->assureRecycleBin(), "Old");
    const auto tree = store->getFolderIndexData(false);
    const struct {
        const char* name;
        std::function<void()> command;
        std::string said;
        // What was deleted for good stays deleted.
        bool treeKept = true;
    } cases[] = {
        {"New", [&] { explorer->newDocument(); }, "The new mind map could not be made."},
        {"New from the menu", [&] { controller->newDocument(); }, "The new mind map could not be made."},
        {"New Folder", [&] { explorer->addFolder(); }, "The new folder could not be made."},
        {"Duplicate", [&] { explorer->duplicate(); }, "\u201CAlpha\u201D could not be duplicated."},
        {"Duplicate from the menu", [&] { controller->duplicateDocument(); },
         "\u201CAlpha\u201D could not be duplicated."},
        {"PDF import", [&] { explorer->importPdf(); }, "\u201CReport.pdf\u201D could not be imported."},
        {"Rename a map", [&] { explorer->adapter().cellEndEdit(map(GuidDelta), "Dates"); },
         "\u201CDelta\u201D could not be renamed."},
        {"Rename a folder", [&] { explorer->adapter().cellEndEdit(work, "Job"); },
         "\u201CWork\u201D could not be renamed."},
        {"Drop into a folder",
         [&] {
             explorer->adapter().writeItems({map(GuidAlpha)});
             EXPECT_FALSE(explorer->adapter().acceptDrop(GuidAlpha, work, -1));
         },
         "\u201CAlpha\u201D could not be moved."},
        {"Delete", [&] { explorer->deleteMindMap(map(GuidAlpha)); }, "\u201CAlpha\u201D could not be moved."},
        {"Empty the recycle bin", [&] { explorer->emptyRecycleBin(); }, "The recycle bin could not be emptied.", false},
    };
    for (const auto& c : cases) {
        click(map(GuidAlpha));
        alerts.requests.clear();
        host.errors.clear();
        {
            // Every write fails as on a full disk.
            ScopedFileSizeLimit full(0);
            c.command();
            scheduler.runPending();
        }
        std::vector<std::string> said;
        for (const AlertPanel::Request& request : alerts.requests)
            said.push_back(request.messageText + " " + request.informativeText);
        for (const Error& error : host.errors) said.push_back(error.localizedDescription + " " + error.failureReason);
        EXPECT_EQ(said, std::vector<std::string>{c.said + " " + std::strerror(EFBIG) + "."}) << c.name;
        EXPECT_EQ(store->count(), 4u) << c.name;
        EXPECT_EQ(map(GuidDelta)->title(), "Delta") << c.name;
        EXPECT_EQ(store->getFolderIndexData(false) == tree, c.treeKept) << c.name;
        EXPECT_EQ(openId(), GuidAlpha) << c.name;
    }
}

// The side bar's roads to another map wait, as every other road, for the user's choice about an
// open map whose edit the disk refuses: cancelling keeps the map open and selected with its edit
// and makes nothing, trying again once there is room saves the edit, and discarding lets it go.
// A click is refused at once and asked about a moment later, outside the widget's selection
// check; clicks meanwhile are refused without asking again.
TEST_F(LocalExplorerTest, AMapThatCannotBeSavedStaysOpenUntilTheUserChoosesToLeaveIt)
{
    namespace fs = std::filesystem;
    ScriptedFileChooser chooser;
    chooser.openAnswer = {placePdf()};
    // A folder in the place of the open map's file refuses it; the user frees some space, which
    // puts the file back, before answering.
    struct Questions : ScriptedAlertPanel {
        std::string file;
        Answer runModal(const Request& request) override
        {
            if (fs::is_directory(file) && fs::remove(file)) fs::rename(file + ".aside", file);
            return ScriptedAlertPanel::runModal(request);
        }
    } questions;
    const std::string file = questions.file = mapPath(GuidAlpha);
    makeExplorer();
    // A cloud pane whose service keeps its maps here, showing Delta.
    ScriptedNames names;
    auto cloud = std::make_unique<StoreBackedPane>(*store);
    SelectingTable cloudTable(cloud->adapter());
    // The pane goes before its table.
    struct PaneFirst {
        std::unique_ptr<StoreBackedPane>& pane;
        ~PaneFirst() { pane.reset(); }
    } paneFirst{cloud};
    cloud->setTableView(&cloudTable);
    cloud->loadView();
    cloud->adapter().assignItems({cloudRow(GuidDelta), cloudRow("Outline.opml", FileListItemType::Opml)});
    cloudTable.selection = {0};
    registerForeignFormats();
    const std::string outline = dataHome() + "/Outline.opml";
    writeTestFile(outline, "<opml version=\"2.0\"><body><outline text=\"Two\"/></body></opml>");
    using Choice = TwkDocumentController::SwitchChoice;
    const struct {
        const char* name;
        std::function<void()> take;
        bool makesMap = true, asksAtOnce = true;
    } roads[] = {
        {"a click on another map",
         [&] {
             EXPECT_FALSE(click(map(GuidDelta)));
             EXPECT_FALSE(click(map(GuidDelta)));
         },
         false, false},
        {"New", [&] { explorer->newDocument(); }},
        {"Duplicate", [&] { explorer->duplicate(); }},
        {"PDF import", [&] { explorer->importPdf(); }},
        {"a cloud pane's New",
         [&] {
             names.answers = {std::string("Plan")};
             cloud->newDocument();
         }},
        {"a cloud pane's import",
         [&] {
             chooser.openAnswer = {outline};
             cloud->importDocument();
             chooser.openAnswer = {placePdf()};
         }},
        {"a cloud pane's Duplicate", [&] { cloud->duplicate(); }},
        {"a cloud pane's conversion",
         [&] {
             cloudTable.selection = {1};
             cloud->convert();
             cloudTable.selection = {0};
         }},
    };
    const struct {
        const char* name;
        Choice choice;
        bool leaves, saved;
    } choices[] = {
        {"cancelled", Choice::Stay, false, false},
        {"tried again with room", Choice::TryAgain, true, true},
        {"changes discarded", Choice::DiscardChanges, true, false},
    };
    for (const auto& road : roads) {
        for (const auto& choice : choices) {
            const std::string what = std::string(road.name) + ", " + choice.name;
            const std::string edit = "Typed before " + what;
            click(map(GuidAlpha));
            ASSERT_EQ(openId(), GuidAlpha) << what;
            EditorDocument& document = *controller->singletonDocument();
            document.mindMap()->setCustomTitle(edit);
            document.updateChangeCount(MindMapDocumentOwner::ChangeKind::Done);
            fs::rename(file, file + ".aside");
            fs::create_directory(file);
            const size_t maps = store->count();
            questions.requests.clear();
            questions.answers = {{int(choice.choice), ""}};

            road.take();
            EXPECT_EQ(questions.requests.size(), road.asksAtOnce ? 1u : 0u) << what;
            scheduler.runPending();
            ASSERT_EQ(questions.requests.size(), 1u) << what;
            EXPECT_EQ(readTestFile(file).find(edit) != std::string::npos, choice.saved) << what;
            EXPECT_EQ(store->count(), choice.leaves && road.makesMap ? maps + 1 : maps) << what;
            EXPECT_EQ(openId() == GuidAlpha, !choice.leaves) << what;
            EXPECT_EQ(explorer->selectedItem(), map(openId())) << what;
            if (!choice.leaves) {
                EXPECT_TRUE(document.isDocumentEdited()) << what;
            }
        }
    }
}

TEST_F(LocalExplorerTest, BrowserPicksFollowTheMode)
{
    const struct {
        int32_t mode;
        std::string selectMap;
        bool selectFolder;
        std::string pick;
    } cases[] = {
        {CopyToFolderExplorerMode, "", false, MindMapStore::RootFolderGuid},
        {MoveToFolderExplorerMode, GuidBeta, false, "work"},
        {MoveToFolderExplorerMode, "", true, "work"},
        {LinkMindMapExplorerMode, GuidBeta, false, GuidBeta},
        {LinkMindMapExplorerMode, "", true, ""},
        {LinkCloudDocumentExplorerMode, GuidBeta, false, ""},
        {MainExplorerMode, GuidBeta, false, ""},
    };
    for (const auto& c : cases) {
        makeExplorer(c.mode);
        if (!c.selectMap.empty()) explorer->setInitialSelection(c.selectMap);
        if (c.selectFolder) click(work);
        std::optional<std::string> pick = explorer->selectedBrowserItem();
        const std::string expected = c.pick == "work" ? work->guid() : c.pick;
        EXPECT_EQ(pick.value_or(""), expected) << c.mode;
        if (pick) {
            EXPECT_EQ(explorer->selectedBrowserItemTitle().value_or(""),
                      (c.pick == "work"         ? work
                           : c.pick == GuidBeta ? static_cast<MindMapStoreItem*>(map(GuidBeta))
                                                : store->rootFolder())
                          ->singleLineTitle());
        }
    }
}

TEST_F(LocalExplorerTest, ADoubleClickEndsAFolderOrMapPickAndElseOpensTheFolder)
{
    struct Delegate : MindMapBrowserDelegate {
        void endBrowserWithSelection(const std::string& selection) override { ended.push_back(selection); }
        std::vector<std::string> ended;
    } delegate;
    makeExplorer(MoveToFolderExplorerMode).setBrowserDelegate(&delegate);
    click(work);
    explorer->outlineDoubleClicked();
    makeExplorer(LinkMindMapExplorerMode).setBrowserDelegate(&delegate);
    click(work);
    explorer->outlineDoubleClicked();
    EXPECT_TRUE(outline().isItemExpanded(work));
    click(map(GuidBeta));
    explorer->outlineDoubleClicked();
    EXPECT_EQ(delegate.ended, (std::vector<std::string>{work->guid(), GuidBeta}));
}

TEST_F(LocalExplorerTest, AReloadAskedForDuringAReloadRunsAMomentLater)
{
    struct Reentering : OutlineViewListener {
        void outlineReloaded() override
        {
            ++reloads;
            if (reloads == 1) outline->reloadData();
        }
        MindMapOutlineView* outline = nullptr;
        int reloads = 0;
    } listener;
    makeExplorer();
    listener.outline = &outline();
    outline().setListener(&listener);
    outline().reloadData();
    EXPECT_EQ(listener.reloads, 1);
    scheduler.advance(0.0005);
    EXPECT_EQ(listener.reloads, 1);
    scheduler.advance(0.001);
    EXPECT_EQ(listener.reloads, 2);
    outline().setListener(nullptr);
}

} // namespace

// The open map's picture is painted from the map the editor holds while the editor has not
// changed it: reading a large map again would hold the window far longer than painting it. Any
// other map, and the open one once edited, are read from their files, and each picture is cached.
TEST_F(LocalExplorerTest, TheOpenMapsThumbnailIsPaintedFromTheOpenMap)
{
    makeExplorer();
    controller->openLocalMindMapOnGuid(GuidAlpha);
    EditorDocument& document = *controller->singletonDocument();
    // The files now show a row of topics where the open map has one topic.
    const std::string row = "<topic text=\"one\"/><topic text=\"two\" x=\"900\"/><topic text=\"three\" x=\"1800\"/>";
    placeFile(GuidAlpha + ".twkx", nativeDocument(GuidAlpha, "Alpha", row));
    placeFile(GuidDelta + ".twkx", nativeDocument(GuidDelta, "Delta", row));
    const Image ofOpenMap = Image::fromData(MindMapPainter::createThumbnailImage(*document.mindMap()));
    const auto samePicture = [&](const Image& a) {
        for (int y = 0; y < a.pixelHeight(); ++y)
            for (int x = 0; x < a.pixelWidth(); ++x)
                if (pixelAt(a.surface(), x, y) != pixelAt(ofOpenMap.surface(), x, y)) return false;
        return true;
    };
    const struct {
        std::string guid;
        bool edited, fromOpenMap;
    } cases[] = {{GuidAlpha, false, true}, {GuidDelta, false, false}, {GuidAlpha, true, false}};
    for (const auto& c : cases) {
        if (c.edited) document.updateChangeCount(MindMapDocumentOwner::ChangeKind::Done);
        std::filesystem::remove(map(c.guid)->thumbnailFilePath());
        const std::shared_ptr<const Image> picture = explorer->adapter().thumbnail(map(c.guid));
        ASSERT_TRUE(picture && !picture->isNull());
        EXPECT_EQ(c.fromOpenMap, samePicture(*picture)) << c.guid << (c.edited ? " edited" : "");
        EXPECT_TRUE(std::filesystem::exists(map(c.guid)->thumbnailFilePath()));
    }
}

// Rows and labels are laid out whole as they are drawn: each shows the start of a long title,
// folder path or name, and a rename starts with the whole title.
TEST_F(LocalExplorerTest, EveryRowAndLabelShowsTheStartOfALongText)
{
    makeExplorer();
    MindMapSearchField field;
    explorer->setSearchBar(&field);
    RecordingFileListDelegate cloud;
    FileListAdapter cloudFiles(&cloud);
    longtexts::expectExcerpts({
        {"a map's title in the side bar",
         [&](const std::string& text) {
             map(GuidAlpha)->setTitle(text);
             EXPECT_EQ(explorer->adapter().editingTitleForItem(map(GuidAlpha)), map(GuidAlpha)->singleLineTitle());
             return explorer->adapter().titleForItem(map(GuidAlpha));
         }},
        {"a found map's folder",
         [&](const std::string& text) {
             work->setTitle(text);
             field.textChangedByUser("amm");
             const std::string shown = explorer->adapter().detailsForItem(map(GuidGamma));
             field.textChangedByUser("");
             return shown;
         }},
        {"a found cloud map's folder",
         [&](const std::string& text) {
             cloudFiles.assignItems({makeItem(4, "deep.twkx", "/" + text + "/deep.twkx")}, true);
             return cloudFiles.rowAt(0).details;
         }},
        {"the folder a pick goes to",
         [](const std::string& text) { return ExplorerBrowserController::targetLabelText("Move to:", text); }},
    });
}
