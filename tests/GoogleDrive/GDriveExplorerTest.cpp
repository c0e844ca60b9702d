#include "GoogleDrive/GDriveExplorer.h"
#include "GDriveTaskDouble.h"
#include "GoogleDrive/GDriveService.h"
#include "explorers/FileNameDialog.h"
#include "platform/Localizer.h"
#include "platform/Menu.h"
#include "platform/UserDefaults.h"
#include "store/EditorInterface.h"
#include "store/MindMapStorage.h"
#include "support/CloudPaneDoubles.h"
#include "support/FakeTextMeasurer.h"
#include "support/ScriptedAlertPanel.h"

#include <gtest/gtest.h>

namespace {

// The service as the pane reaches it: the task double's caches and provider, and a log of the
// operations the pane starts.
struct PaneService : GDriveExplorerService {
    explicit PaneService(GDriveTaskDouble& drive) : drive(drive) {}
    GDriveTaskDouble& drive;
    std::vector<std::string> log;
    bool busy = false;

    GDriveTaskService& taskService() override { return drive; }
    bool isLinked() const override { return drive.linked; }
    bool isAuthorized() const override { return drive.authorized; }
    bool userTaskBusy() const override { return busy; }
    GDriveProvider* provider() override { return drive.driveProvider.get(); }
    GDriveFolderCache& folderCache() override { return drive.folders; }
    GDriveFileInfoCache& fileInfo() override { return drive.records; }
    void openMindMap(const std::string& id, const std::any&) override { log.push_back("open " + id); }
    void openCloudLink(const std::string& id) override { log.push_back("view " + id); }
    void convertNonNativeMindMap(const std::string& id) override { log.push_back("convert " + id); }
    void duplicateFile(const std::string& id) override { log.push_back("duplicate " + id); }
    void copyToCloud(const std::string& id, MindMapProvider*, const std::string& folder) override
    {
        log.push_back("copy " + id + " to " + folder);
    }
    void setOffLineAvailable(const std::string& id, bool value) override
    {
        log.push_back("offline " + id + (value ? " yes" : " no"));
    }
    void manualSynchronize() override { log.push_back("synchronize"); }
    void addFolder(const std::string& name, const std::string& parent) override
    {
        log.push_back("addFolder " + name + " in " + parent);
    }
    void renameFile(const std::string& id, bool, const std::string& newName, const std::string& parent) override
    {
        log.push_back("rename " + id + " to " + newName + " in " + parent);
    }
    void deleteFromGDrive(const std::string& id, bool, const std::string& parent) override
    {
        log.push_back("delete " + id + " in " + parent);
    }
    void moveFile(const std::string& id, bool, const std::string& from, const std::string& to) override
    {
        log.push_back("move " + id + " from " + from + " to " + to);
    }
    std::string uniqueFileName(const std::string& name, const std::string& parent) override
    {
        return drive.uniqueFileName(name, parent);
    }
    std::string uniqueFolderName(const std::string& name, const std::string& parent) override
    {
        return drive.uniqueFolderName(name, parent);
    }
    std::shared_ptr<const Image> getThumbnailForFileId(const std::string& id) override
    {
        log.push_back("thumbnail " + id);
        return nullptr;
    }
};

// A lister that keeps the requests and answers only when the test does.
struct HeldLister : GDriveFolderLister {
    std::vector<std::string>& requests;
    bool holding = false;
    HeldLister(GDriveTaskService& service, GDriveFolderListerDelegate* delegate, std::vector<std::string>& requests)
        : GDriveFolderLister(service, delegate), requests(requests)
    {
    }
    void loadContentsOfFolderId(const std::string& folderId, int32_t filter) override
    {
        requests.push_back("list " + folderId + " " + std::to_string(filter));
        holding = true;
    }
    void loadSearchResults(const std::string& text, bool fullText) override
    {
        requests.push_back(std::string(fullText ? "fulltext " : "search ") + text);
        holding = true;
    }
    bool busy() const override { return holding; }
    void cancel() override
    {
        holding = false;
        GDriveFolderLister::cancel();
    }
};

class OpenStorage : public MindMapStorage {
public:
    OpenStorage(CreationKey key, MindMapProvider* provider, std::string id) : MindMapStorage(key, provider, id) {}
    std::string guid() const override { return id(); }
    std::string title() const override { return id(); }
    bool commitMindMap(MindMap*, Error*) override { return true; }
    std::optional<std::vector<uint8_t>> getMindMapExportData() override { return std::nullopt; }
};

struct PaneEditor : EditorInterface {
    std::vector<std::string> log;
    MindMapStorage* storage = nullptr;
    MindMapProvider* provider = nullptr;
    MindMapStorage* currentStorage() override { return storage; }
    MindMapProvider* currentProvider() override { return provider; }
    void openStorage(MindMapProvider*, const std::string& id, const std::any&) override { log.push_back("open " + id); }
    void asyncOpenMindMap(const std::string&, const std::string& id, const std::any&) override
    {
        log.push_back("asyncOpen " + id);
    }
    bool isEditorModified() override { return false; }
    void commitModelessEditors() override {}
    bool commitEditor() override { return true; }
    void setCustomMindMapTitle(const std::string&) override {}
    void mindMapDeleted(MindMapProvider*, const std::string&) override {}
    void mindMapRenamed(MindMapProvider*, const std::string&, const std::string&) override {}
    void removeProviderEntries(MindMapProvider*) override {}
};

struct PickRecorder : MindMapBrowserDelegate {
    std::vector<std::string> ended;
    void endBrowserWithSelection(const std::string& selection) override { ended.push_back(selection); }
};

std::shared_ptr<FileListItem> row(int32_t type, const std::string& id, const std::string& name, bool offline = false)
{
    auto made = std::make_shared<FileListItem>(type);
    made->setPath(id);
    made->setFileName(name);
    made->setOfflineAvailable(offline);
    return made;
}

std::vector<std::string> list(std::initializer_list<const char*> entries)
{
    return std::vector<std::string>(entries.begin(), entries.end());
}

// My Drive holds Docs, which holds Sub; the open map lives in Sub.
struct GDriveExplorerTest : GDriveTaskFixture, CloudPaneParts<GDriveExplorer> {
    PaneService pane{service};
    std::vector<std::string> requests;
    std::shared_ptr<PaneEditor> editor = std::make_shared<PaneEditor>();

    GDriveExplorerTest()
    {
        GDriveExplorer::setServiceSource([this] { return &pane; });
        GDriveExplorer::setListerFactory([this](GDriveTaskService& drive, GDriveFolderListerDelegate* delegate) {
            return std::make_unique<HeldLister>(drive, delegate, requests);
        });
        SetEditorInterfaceInstance(editor);
        service.folders.updateFolder(service.folders.rootFolder(), {folderEntry("DocsId", "Docs")}, false);
        service.folders.updateFolder(service.folders.get("DocsId"), {folderEntry("SubId", "Sub")}, false);
        record("PlanId", "Plan.twkx", "SubId", false);
        record("OtherId", "Other.twkx", "SubId", false);
    }
    ~GDriveExplorerTest() override
    {
        explorer.reset();
        SetEditorInterfaceInstance(nullptr);
        GDriveExplorer::setListerFactory(nullptr);
        GDriveExplorer::setServiceSource(nullptr);
    }

    void open(int32_t mode = MainExplorerMode)
    {
        explorer.reset();
        requests.clear();
        showPane(mode);
    }

    HeldLister& lister() { return static_cast<HeldLister&>(*explorer->lister()); }
    void answer(std::optional<FileListItems> items, const std::optional<std::string>& folderId, int result)
    {
        lister().holding = false;
        explorer->listerCompleted(items, folderId, result);
    }
    // Sub's rows: up, a folder, the two maps, an outline, a picture.
    FileListItems subRows() const
    {
        return {row(FileListItemType::NavigateUp, "DocsId", "Docs"),
                row(FileListItemType::Folder, "InnerId", "Inner"),
                row(FileListItemType::NativeMindMap, "OtherId", "Other.twkx"),
                row(FileListItemType::NativeMindMap, "PlanId", "Plan.twkx"),
                row(FileListItemType::Opml, "OutlineId", "Outline.opml"),
                row(FileListItemType::Image, "PictureId", "Picture.png", true)};
    }
    // Sub is asked for and its listing not yet answered.
    void listingSub()
    {
        open();
        explorer->navigateToBreadcrumbPath(GDriveExplorer::RootPath);
        answer(FileListItems{}, root, GDriveFolderLister::Listed);
        explorer->navigateToBreadcrumbPath("SubId");
        requests.clear();
    }
    void openInSub()
    {
        listingSub();
        answer(subRows(), "SubId", GDriveFolderLister::Listed);
        requests.clear();
    }
    std::vector<std::string> captions() const
    {
        std::vector<std::string> shown;
        for (const auto& button : bar.pathButtons()) shown.push_back(button.caption);
        return shown;
    }
    void setOnline(bool online)
    {
        network.set(online);
        NetworkController::networkAvailable();
    }

    std::vector<std::string> menuKeys(const Menu& menu) const
    {
        static const char* const keys[] = {"map_list_add_map",
                                           "map_list_add_folder",
                                           "explorer_convert_to_native_mind_map",
                                           "map_list_view_document",
                                           "map_list_rename",
                                           "map_list_move_to_folder",
                                           "map_list_copy_to_cloud",
                                           "map_list_clone_map_condensed",
                                           "explorer_make_available_offline",
                                           "explorer_disable_available_offline",
                                           "map_list_delete",
                                           "explorer_hide_thumbnails",
                                           "gdrive_synchronize",
                                           "no_additional_clouds_enabled_message"};
        std::vector<std::string> shown;
        for (const auto& entry : menu.items()) {
            std::string key = entry->isSeparatorItem() ? "-" : "?" + entry->title();
            for (const char* each : keys)
                if (!entry->isSeparatorItem() && localized(each) == entry->title()) key = each;
            shown.push_back(key);
        }
        return shown;
    }
};

} // namespace

TEST_F(GDriveExplorerTest, OpensOnTheOpenMapsFolderThroughItsCachedParentsExceptWhenPickingAFolder)
{
    auto storage = MindMapStorage::create<OpenStorage>(service.driveProvider.get(), std::string("PlanId"));
    editor->storage = storage.get();
    editor->provider = service.driveProvider.get();
    const std::string inSub = "list SubId ";
    struct Case {
        int32_t mode;
        std::vector<std::string> stack;
        std::vector<std::string> captions;
    };
    for (const Case& c : {Case{MainExplorerMode, {root, "DocsId", "SubId"}, {"Docs", "Sub"}},
                          Case{LinkMindMapExplorerMode, {root, "DocsId", "SubId"}, {"Docs", "Sub"}},
                          Case{CopyToFolderExplorerMode, {root}, {}}, Case{MoveToFolderExplorerMode, {root}, {}}}) {
        SCOPED_TRACE(c.mode);
        open(c.mode);
        EXPECT_EQ(explorer->gdriveState(), GDriveExplorer::Linked);
        EXPECT_EQ(explorer->pathStack(), c.stack);
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].rfind("list " + c.stack.back() + " ", 0), 0u);
        EXPECT_EQ(captions(), c.captions);
        EXPECT_EQ(bar.rootButton().caption, "Google Drive");
        EXPECT_EQ(bar.rootButton().path, "root");
    }
    // Once Sub is shown the open map is selected; selecting it again does not reopen it.
    open();
    answer(subRows(), "SubId", GDriveFolderLister::Listed);
    EXPECT_EQ(table->selection, std::vector<size_t>{3});
    EXPECT_TRUE(editor->log.empty());
    editor->storage = nullptr;
    storage->dispose();
}

TEST_F(GDriveExplorerTest, TheDriveStateDecidesWhatThePaneShows)
{
    struct Case {
        bool authorized;
        bool linked;
        uint64_t state;
        bool searchEnabled;
        size_t requestCount;
    };
    for (const Case& c : {Case{false, false, GDriveExplorer::Disconnected, false, 0},
                          Case{true, false, GDriveExplorer::Initializing, false, 0},
                          Case{true, true, GDriveExplorer::Linked, true, 1}}) {
        SCOPED_TRACE(c.state);
        service.authorized = c.authorized;
        service.linked = c.linked;
        open();
        EXPECT_EQ(explorer->gdriveState(), c.state);
        EXPECT_EQ(field.isEnabled(), c.searchEnabled);
        EXPECT_EQ(requests.size(), c.requestCount);
    }
    EXPECT_EQ(table->emptyText(), localized("db_directory_listing_progress"));
    service.linked = false;
    NotificationCenter::defaultCenter().post(GDrive::LinkedChangeNotification);
    EXPECT_EQ(explorer->gdriveState(), GDriveExplorer::Initializing);
    EXPECT_EQ(table->emptyText(), localized("cloud_initializing_progress"));
    EXPECT_TRUE(explorer->pathStack().empty());
}

TEST_F(GDriveExplorerTest, ListerAnswersForTheShownFolderAndForOthers)
{
    struct Case {
        const char* name;
        std::optional<std::string> folder;
        int result;
        bool withItems;
        std::vector<std::string> stackAfter;
        const char* emptyText;
        std::vector<std::string> newRequests;
        size_t rows;
    };
    const std::string filter = std::to_string(FileListItemMask::AllButNavigateUp);
    const std::vector<Case> cases = {
        {"listed",
         "SubId",
         GDriveFolderLister::Listed,
         true,
         {root, "DocsId", "SubId"},
         "map_list_empty_folder",
         {},
         1},
        {"offline, cached",
         "SubId",
         GDriveFolderLister::Offline,
         true,
         {root, "DocsId", "SubId"},
         "map_list_empty_folder",
         {},
         1},
        {"offline, never cached",
         "SubId",
         GDriveFolderLister::Offline,
         false,
         {root, "DocsId"},
         "db_directory_listing_progress",
         {"list DocsId "},
         0},
        {"failed",
         "SubId",
         GDriveFolderLister::Failed,
         false,
         {root, "DocsId", "SubId"},
         "db_directory_listing_error_state_text",
         {},
         0},
        {"failed carries no folder",
         std::nullopt,
         GDriveFolderLister::Failed,
         false,
         {root, "DocsId", "SubId"},
         "db_directory_listing_error_state_text",
         {},
         0},
        {"a stale answer",
         "DocsId",
         GDriveFolderLister::Listed,
         true,
         {root, "DocsId", "SubId"},
         "db_directory_listing_progress",
         {"list SubId "},
         0},
        {"a stale busy answer",
         "DocsId",
         GDriveFolderLister::Busy,
         false,
         {root, "DocsId", "SubId"},
         "db_directory_listing_progress",
         {"list SubId "},
         0},
        {"search results",
         std::nullopt,
         GDriveFolderLister::SearchResults,
         true,
         {root, "DocsId", "SubId"},
         "map_list_no_search_matches",
         {},
         1},
        {"search error",
         std::nullopt,
         GDriveFolderLister::SearchError,
         true,
         {root, "DocsId", "SubId"},
         "explorer_search_error",
         {},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        listingSub();
        std::optional<FileListItems> items;
        if (c.withItems) items = FileListItems{row(FileListItemType::NativeMindMap, "XId", "x.twkx")};
        answer(items, c.folder, c.result);
        EXPECT_EQ(explorer->pathStack(), c.stackAfter);
        EXPECT_EQ(table->emptyText(), localized(c.emptyText));
        std::vector<std::string> expected;
        for (const std::string& each : c.newRequests) expected.push_back(each + filter);
        EXPECT_EQ(requests, expected);
        EXPECT_EQ(explorer->adapter().numberOfRows(), c.rows);
    }
}

TEST_F(GDriveExplorerTest, SearchingListsMatchesUnderADisabledCrumbAndTheFlagChangesOnlyTheMatching)
{
    openInSub();
    field.textChangedByUser("don't");
    // A new text replaces the running search.
    field.setFullTextSearch(true);
    field.textChangedByUser("plan");
    answer(FileListItems{row(FileListItemType::NativeMindMap, "PlanId", "Plan.twkx")}, std::nullopt,
           GDriveFolderLister::SearchResults);
    EXPECT_EQ(requests, list({"search don't", "fulltext don't", "fulltext plan"}));
    EXPECT_EQ(captions(), std::vector<std::string>{localized("map_list_search_results")});
    EXPECT_FALSE(bar.isEnabled());
    // Leaving a folder is refused while searching.
    EXPECT_FALSE(explorer->canChangePathStack());
}

TEST_F(GDriveExplorerTest, SelectionDoubleClickAndTheBreadcrumbNavigate)
{
    openInSub();
    EXPECT_EQ(captions(), list({"Docs", "Sub"}));
    // Selecting a map opens it; a folder or a picture does not.
    for (size_t at : {1u, 5u, 3u}) {
        table->selection = {at};
        explorer->tableViewSelectionDidChange();
    }
    EXPECT_EQ(editor->log, list({"asyncOpen PlanId"}));

    struct Case {
        const char* name;
        size_t row;
        std::vector<std::string> stack;
        std::vector<std::string> log;
    };
    const std::vector<Case> cases = {
        {"a folder enters it", 1, {root, "DocsId", "SubId", "InnerId"}, {}},
        {"the up row leaves", 0, {root, "DocsId"}, {}},
        {"an outline converts", 4, {root, "DocsId", "SubId"}, {"convert OutlineId"}},
        {"a picture opens outside", 5, {root, "DocsId", "SubId"}, {"view PictureId"}},
        {"a map does nothing more", 3, {root, "DocsId", "SubId"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        openInSub();
        pane.log.clear();
        table->selection = {c.row};
        explorer->tableViewDoubleClicked();
        EXPECT_EQ(explorer->pathStack(), c.stack);
        EXPECT_EQ(pane.log, c.log);
    }
    // The root's crumb leads back; an id the cache does not know goes nowhere.
    openInSub();
    explorer->navigateToBreadcrumbPath("NoSuchId");
    EXPECT_TRUE(requests.empty());
    explorer->navigateToBreadcrumbPath(GDriveExplorer::RootPath);
    EXPECT_EQ(explorer->pathStack(), std::vector<std::string>{root});
    EXPECT_EQ(requests.size(), 1u);
    EXPECT_TRUE(captions().empty());
}

TEST_F(GDriveExplorerTest, RenamingKeepsACaseChangeAndMakesAClashUnique)
{
    service.folders.updateFolder(service.folders.get("SubId"),
                                 {folderEntry("InnerId", "Inner"), folderEntry("OuterId", "Outer")}, false);
    struct Case {
        size_t row;
        std::string typed;
        std::vector<std::string> log;
    };
    const std::vector<Case> cases = {
        {3, "plan.twkx", {"rename PlanId to plan.twkx in SubId"}},
        {3, "Other.twkx", {"rename PlanId to Other (1).twkx in SubId"}},
        {3, "Fresh.twkx", {"rename PlanId to Fresh.twkx in SubId"}},
        {3, "Plan.twkx", {}},
        {3, "", {}},
        {3, "../x.twkx", {}},
        {1, "Outer", {"rename InnerId to Outer (1) in SubId"}},
        {1, "INNER", {"rename InnerId to INNER in SubId"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        openInSub();
        pane.log.clear();
        explorer->renameFileItem(*explorer->adapter().itemAt(c.row), c.typed);
        EXPECT_EQ(pane.log, c.log);
    }
    // The dialog asks without the extension and gives it back.
    openInSub();
    pane.log.clear();
    table->selection = {3};
    names.answers = {std::string("Renamed")};
    explorer->rename();
    EXPECT_EQ(names.asked.back(), std::to_string(FileNameDialog::RenameFile) + " Plan");
    EXPECT_EQ(pane.log, list({"rename PlanId to Renamed.twkx in SubId"}));
}

TEST_F(GDriveExplorerTest, TheContextMenuIsRefusedWhileATaskRunsAndOffersNoCloudWhenNoneOtherIsOn)
{
    openInSub();
    table->selection = {3};
    auto menu = explorer->menuForEvent(PointerEvent{});
    ASSERT_TRUE(menu);
    EXPECT_EQ(menuKeys(*menu),
              list({"map_list_add_map", "map_list_add_folder", "-", "map_list_rename", "map_list_move_to_folder",
                    "map_list_copy_to_cloud", "map_list_clone_map_condensed", "explorer_make_available_offline",
                    "map_list_delete", "-", "explorer_hide_thumbnails", "-", "gdrive_synchronize"}));
    Menu* copyMenu = nullptr;
    for (const auto& entry : menu->items())
        if (entry->submenu()) copyMenu = entry->submenu();
    ASSERT_TRUE(copyMenu);
    EXPECT_EQ(menuKeys(*copyMenu), list({"no_additional_clouds_enabled_message"}));

    told.shown.clear();
    pane.busy = true;
    EXPECT_FALSE(explorer->menuForEvent(PointerEvent{}));
    EXPECT_EQ(told.shown,
              std::vector<std::string>{localized("cannot_display_context_menu_title") + " | " +
                                       localized("context_menu_gdrive_busy_message") + " | 1"});
    // Nor does any command start meanwhile.
    using Command = void (GDriveExplorer::*)();
    for (Command command :
         {Command(&GDriveExplorer::deleteItem), Command(&GDriveExplorer::duplicate), Command(&GDriveExplorer::convert),
          Command(&GDriveExplorer::makeOfflineAvailable), Command(&GDriveExplorer::addFolder)})
        (explorer.get()->*command)();
    auto target = row(FileListItemType::Folder, "InnerId", "Inner");
    EXPECT_FALSE(explorer->moveSourceItem(*explorer->adapter().itemAt(3), *target));
    EXPECT_FALSE(explorer->allowInplaceEditing());
    EXPECT_TRUE(pane.log.empty());
    EXPECT_TRUE(alerts.requests.empty());
}

TEST_F(GDriveExplorerTest, CommandsAreEnabledByTheStateOfThePane)
{
    openInSub();
    Menu items;
    const auto enabled = [&](const char* action) {
        return explorer->validateUserInterfaceItem(items.addItem("x", action)).enabled;
    };
    struct Case {
        const char* name;
        std::optional<size_t> row;
        bool online;
        bool busy;
        std::vector<std::string> on;
    };
    const std::vector<Case> cases = {
        {"nothing selected", std::nullopt, true, false,
         list({"goBack:", "newDocument:", "importDocument:", "synchronize:", "addFolder:", "toggleShowThumbnails:"})},
        {"a map", 3, true, false,
         list({"goBack:", "newDocument:", "importDocument:", "canCopyToCloud:", "duplicate:", "synchronize:",
               "addFolder:", "delete:", "moveToFolder:", "toggleShowThumbnails:"})},
        {"a map offline", 3, false, false,
         list(
             {"goBack:", "newDocument:", "importDocument:", "canCopyToCloud:", "duplicate:", "toggleShowThumbnails:"})},
        {"a folder while a task runs", 1, true, true, list({"goBack:", "toggleShowThumbnails:"})},
    };
    const char* actions[] = {
        "goBack:",    "newDocument:", "importDocument:", "canCopyToCloud:",       "duplicate:", "synchronize:",
        "addFolder:", "delete:",      "moveToFolder:",   "toggleShowThumbnails:", "rename:"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        openInSub();
        setOnline(c.online);
        // The pane lists its folder again when the network changes.
        if (lister().holding) answer(subRows(), "SubId", GDriveFolderLister::Listed);
        pane.busy = c.busy;
        table->selection = c.row ? std::vector<size_t>{*c.row} : std::vector<size_t>{};
        std::vector<std::string> on;
        for (const char* action : actions)
            if (enabled(action)) on.push_back(action);
        EXPECT_EQ(on, c.on);
    }
}

TEST_F(GDriveExplorerTest, BrowserPicksByModeAndNamesFoldersFromTheRoot)
{
    struct Case {
        int32_t mode;
        size_t row;
        std::optional<std::string> item;
        std::optional<std::string> title;
    };
    const std::vector<Case> cases = {
        {LinkCloudDocumentExplorerMode, 4, "OutlineId", "Outline.opml"},
        {LinkCloudDocumentExplorerMode, 1, std::nullopt, std::nullopt},
        {SelectCloudImageExplorerMode, 5, "PictureId", "Picture.png"},
        {SelectCloudImageExplorerMode, 3, std::nullopt, std::nullopt},
        {LinkMindMapExplorerMode, 3, "PlanId", "Plan.twkx"},
        {LinkMindMapExplorerMode, 4, std::nullopt, std::nullopt},
        {CopyToFolderExplorerMode, 3, "SubId", "«Google Drive»/Docs/Sub"},
        {MoveToFolderExplorerMode, 1, "SubId", "«Google Drive»/Docs/Sub"},
        {MainExplorerMode, 3, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + " row " + std::to_string(c.row));
        open(c.mode);
        explorer->navigateToBreadcrumbPath(GDriveExplorer::RootPath);
        answer(FileListItems{}, root, GDriveFolderLister::Listed);
        explorer->navigateToBreadcrumbPath("SubId");
        answer(subRows(), "SubId", GDriveFolderLister::Listed);
        table->selection = {c.row};
        EXPECT_EQ(explorer->selectedBrowserItem(), c.item);
        EXPECT_EQ(explorer->selectedBrowserItemTitle(), c.title);
    }
    // A picked file gets a record for the links made to it.
    open(LinkCloudDocumentExplorerMode);
    answer(FileListItems{}, root, GDriveFolderLister::Listed);
    explorer->navigateToBreadcrumbPath("SubId");
    answer(subRows(), "SubId", GDriveFolderLister::Listed);
    table->selection = {4};
    explorer->willReturnSelectedItem("OutlineId");
    GDriveFileInfoItem* navigation = service.records.getNavigationInfo("OutlineId");
    ASSERT_TRUE(navigation);
    EXPECT_EQ(navigation->extension(), "opml");
    EXPECT_EQ(navigation->parentId(), "SubId");

    setOnline(false);
    EXPECT_EQ(explorer->normalizedPathName("SubId"), "«Google Drive (offline)»/Docs/Sub");
    EXPECT_EQ(explorer->normalizedPathName("UnknownId"), "«Google Drive (offline)»/UnknownId");
}

TEST_F(GDriveExplorerTest, LosingTheNetworkEndsAMoveBrowserWithoutAChoice)
{
    for (int32_t mode : {CopyToFolderExplorerMode, MoveToFolderExplorerMode}) {
        SCOPED_TRACE(mode);
        setOnline(true);
        PickRecorder picks;
        open(mode);
        explorer->setBrowserDelegate(&picks);
        setOnline(false);
        EXPECT_EQ(picks.ended, mode == MoveToFolderExplorerMode ? list({""}) : std::vector<std::string>{});
        explorer->setBrowserDelegate(nullptr);
    }
}

TEST_F(GDriveExplorerTest, DeletingAsksFirstAndNamesTheFile)
{
    openInSub();
    table->selection = {3};
    explorer->deleteItem();
    ASSERT_EQ(alerts.requests.size(), 1u);
    EXPECT_EQ(alerts.requests[0].messageText, localized("explorer_delete_file_title"));
    EXPECT_NE(alerts.requests[0].informativeText.find("Plan.twkx"), std::string::npos);
    EXPECT_TRUE(pane.log.empty());
    alerts.answers.push_back({AlertPanel::FirstButtonReturn, ""});
    table->selection = {1};
    explorer->deleteItem();
    EXPECT_EQ(alerts.requests.back().messageText, localized("explorer_delete_folder_title"));
    EXPECT_EQ(pane.log, list({"delete InnerId in SubId"}));
}

TEST_F(GDriveExplorerTest, ThumbnailsAreShownUnlessTurnedOffAndAskedForOncePerMap)
{
    UserDefaults::standard().removeObject(GDriveExplorer::ShowThumbnailsKey);
    openInSub();
    EXPECT_TRUE(explorer->showThumbnails());
    FileListItem& map = *explorer->adapter().itemAt(3);
    explorer->fetchThumbnail(map);
    explorer->fetchThumbnail(map);
    explorer->fetchThumbnail(*explorer->adapter().itemAt(1));
    EXPECT_EQ(pane.log, list({"thumbnail PlanId"}));
    explorer->toggleShowThumbnails();
    EXPECT_FALSE(UserDefaults::standard().boolForKey(GDriveExplorer::ShowThumbnailsKey));
    open(CopyToFolderExplorerMode);
    EXPECT_FALSE(explorer->canShowThumbnails());
    UserDefaults::standard().removeObject(GDriveExplorer::ShowThumbnailsKey);
}

TEST_F(GDriveExplorerTest, RowsAreDraggedWithTheirOwnTypeOnlyInTheMainPane)
{
    open();
    EXPECT_EQ(explorer->adapter().dragDataFormat(),
              std::optional<std::string>("com.orrinworks.tarnWick.GDriveExplorerDataType"));
    open(LinkMindMapExplorerMode);
    EXPECT_TRUE(explorer->adapter().readOnly());
}

TEST_F(GDriveExplorerTest, APathStackIsRebuiltThroughCachedParentsEvenWhenTheyLoop)
{
    open();
    EXPECT_EQ(explorer->pathStackForFolder("SubId"), list({root.c_str(), "DocsId", "SubId"}));
    EXPECT_EQ(explorer->pathStackForFolder("UnknownId"), list({root.c_str(), "UnknownId"}));
    EXPECT_EQ(explorer->pathStackForFolder(root), list({root.c_str()}));
    // A record file can hold a loop; the walk ends all the same.
    service.folders.get("DocsId")->setParentId(std::string("SubId"));
    const std::vector<std::string> looping = explorer->pathStackForFolder("SubId");
    EXPECT_EQ(looping.front(), root);
    EXPECT_EQ(looping.back(), "SubId");
    const auto crumbs = explorer->breadcrumbPathItems("SubId");
    ASSERT_EQ(crumbs.size(), 1u);
    EXPECT_EQ(crumbs[0].path, "SubId");
}

TEST_F(GDriveExplorerTest, AFolderChangedWhileItIsListedIsListedAgainOnceAnswered)
{
    struct Case {
        const char* name;
        const char* changed;
        // Whether the lister goes on to ask the service after each answer (a cached one).
        std::vector<bool> stillListing;
        std::vector<std::string> newRequests;
    };
    const std::string filter = std::to_string(FileListItemMask::AllButNavigateUp);
    const std::vector<Case> cases = {
        {"the shown folder", "SubId", {false}, {"list SubId "}},
        {"another folder", "DocsId", {false}, {}},
        {"answered from the cache first", "SubId", {true}, {}},
        {"answered from the cache, then listed", "SubId", {true, false}, {"list SubId "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        listingSub();
        NotificationCenter::defaultCenter().post(GDrive::FolderChangedNotification, nullptr,
                                                 {{GDrive::FolderIdKey, std::string(c.changed)}});
        EXPECT_TRUE(requests.empty()) << "asked again while the first listing runs";
        for (bool listing : c.stillListing) {
            lister().holding = listing;
            explorer->listerCompleted(FileListItems{}, std::string("SubId"), GDriveFolderLister::Listed);
        }
        std::vector<std::string> expected;
        for (const std::string& each : c.newRequests) expected.push_back(each + filter);
        EXPECT_EQ(requests, expected);
        if (!expected.empty()) {
            requests.clear();
            answer(FileListItems{}, std::string("SubId"), GDriveFolderLister::Listed);
            EXPECT_TRUE(requests.empty()) << "asked again only once";
        }
    }
}

// Leaving a folder while it is listed, or closing the pane, gives its listing up for what the user
// turned to; a pane that shows again lists its folder anew.
TEST_F(GDriveExplorerTest, LeavingAFolderWhileItIsListedGivesItsListingUp)
{
    const std::string filter = std::to_string(FileListItemMask::AllButNavigateUp);
    struct Case {
        const char* name;
        std::function<void(GDriveExplorerTest&)> leave;
        std::vector<std::string> stackAfter;
        std::vector<std::string> asked;
    };
    const std::vector<Case> cases = {
        {"the path bar's root",
         [](auto& t) { t.explorer->navigateToBreadcrumbPath(GDriveExplorer::RootPath); },
         {root},
         {"list " + root + " " + filter}},
        {"the pane closes and shows again",
         [](auto& t) {
             t.explorer->viewShown(false);
             t.explorer->viewShown(true);
         },
         {root, "DocsId", "SubId"},
         {"list SubId " + filter}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        listingSub();
        c.leave(*this);
        EXPECT_EQ(lister().busy(), !c.asked.empty()) << "only what the user turned to is listed";
        EXPECT_EQ(explorer->pathStack(), c.stackAfter);
        EXPECT_EQ(requests, c.asked);
    }
}
