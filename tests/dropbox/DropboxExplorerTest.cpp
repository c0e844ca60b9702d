#include "DropboxTaskFixture.h"

#include "Editor/TwkDocumentController.h"
#include "cloud/AnswerBounds.h"
#include "dropbox/DropboxExplorer.h"
#include "dropbox/DropboxStorage.h"
#include "editor-view/EditorEvents.h"
#include "explorers/FileNameDialog.h"
#include "formats/MindMapConverter.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/Localizer.h"
#include "platform/Menu.h"
#include "store/MindMapProviders.h"
#include "support/CloudPaneDoubles.h"
#include "support/FakeTextMeasurer.h"
#include "support/RecordingUriLauncher.h"
#include "support/ScriptedAlertPanel.h"
#include "support/ScriptedFileChooser.h"

#include <nlohmann/json.hpp>

namespace fs = std::filesystem;

namespace {

// A lister that keeps the requests and answers only when the test does.
struct HeldLister : DropboxLister {
    std::vector<std::string>& requests;
    bool holding = false;
    HeldLister(Dropbox& service, DropboxListerDelegate* delegate, std::vector<std::string>& requests)
        : DropboxLister(service, delegate), requests(requests)
    {
    }
    void loadContentsOfPath(const std::optional<std::string>& path, int32_t filter) override
    {
        requests.push_back("list " + path.value_or("<none>") + " " + std::to_string(filter));
        holding = true;
    }
    void loadSearchResults(const std::string& text, bool) override
    {
        requests.push_back("search " + text);
        holding = true;
    }
    bool busy() const override { return holding; }
    void cancel() override
    {
        holding = false;
        DropboxLister::cancel();
    }
};

struct StandInTask : DropboxUserTask {
    void cancel() override {}
};

std::shared_ptr<FileListItem> item(int32_t type, const std::string& path, bool offline = false)
{
    auto made = std::make_shared<FileListItem>(type);
    made->setPath(path);
    made->setFileName(path == "/" ? "Dropbox" : fs::path(path).filename().string());
    made->setOfflineAvailable(offline);
    return made;
}

struct DropboxExplorerTest : DropboxTaskFixture, CloudPaneParts<DropboxExplorer> {
    std::vector<std::string> requests;
    ScriptedFileChooser chooser;

    DropboxExplorerTest()
    {
        DropboxExplorer::setListerFactory([this](Dropbox& dropbox, DropboxListerDelegate* delegate) {
            return std::make_unique<HeldLister>(dropbox, delegate, requests);
        });
    }
    ~DropboxExplorerTest() override
    {
        explorer.reset();
        DropboxExplorer::setListerFactory(nullptr);
    }

    void open(int32_t mode = MainExplorerMode) { showPane(mode); }

    HeldLister& lister() { return static_cast<HeldLister&>(*explorer->lister()); }

    // The lister answers the request it holds.
    void answer(std::optional<FileListItems> items, const std::optional<std::string>& path, int result)
    {
        lister().holding = false;
        explorer->listerCompleted(items, path, result);
    }
    void showFolder(const std::string& path, FileListItems items)
    {
        answer(std::move(items), path, DropboxLister::Listed);
    }

    std::vector<std::string> menuKeys(const Menu& menu) const
    {
        static const char* const keys[] = {"map_list_add_map",
                                           "map_list_add_folder",
                                           "explorer_convert_to_native_mind_map",
                                           "map_list_view_document",
                                           "action_import_pdf_bookmarks",
                                           "map_list_rename",
                                           "map_list_move_to_folder",
                                           "map_list_copy_to_cloud",
                                           "map_list_clone_map_condensed",
                                           "explorer_make_available_offline",
                                           "explorer_disable_available_offline",
                                           "map_list_delete",
                                           "explorer_hide_thumbnails",
                                           "explorer_show_thumbnails",
                                           "db_synchronize",
                                           "context_menu_dropbox_busy_title",
                                           "no_additional_clouds_enabled_message"};
        std::vector<std::string> shown;
        for (const auto& entry : menu.items()) {
            if (entry->isSeparatorItem()) {
                shown.push_back("-");
                continue;
            }
            std::string key = "?" + entry->title();
            for (const char* each : keys)
                if (localized(each) == entry->title()) key = each;
            shown.push_back(key);
        }
        return shown;
    }
    std::vector<std::string> contextMenu()
    {
        auto menu = explorer->menuForEvent(PointerEvent{});
        return menu ? menuKeys(*menu) : std::vector<std::string>{"<none>"};
    }
    void goOffline()
    {
        network.set(false);
        NetworkController::networkAvailable();
    }
};

std::vector<std::string> list(std::initializer_list<const char*> entries)
{
    return std::vector<std::string>(entries.begin(), entries.end());
}

} // namespace

TEST_F(DropboxExplorerTest, UnlinkedItListsNothingSaysSoAndCannotSearch)
{
    unlink();
    open();
    EXPECT_EQ(explorer->dropboxState(), DropboxExplorer::NotLinked);
    EXPECT_EQ(table->header, localized("db_disconnected_state"));
    EXPECT_FALSE(field.isEnabled());
    EXPECT_TRUE(requests.empty());
    EXPECT_TRUE(explorer->pathStack().empty());
    EXPECT_EQ(
        contextMenu(),
        list({"map_list_add_map", "map_list_add_folder", "-", "explorer_hide_thumbnails", "-", "db_synchronize"}));
}

TEST_F(DropboxExplorerTest, ActivationStartsAtTheOpenMapsFolderExceptWhenPickingAFolder)
{
    syncedFile("/A/B/m.twkx");
    auto storage = service->provider()->createStorage("/A/B/m.twkx", false);
    editor->storage = storage.get();
    editor->provider = service->provider().get();
    struct Case {
        int32_t mode;
        std::vector<std::string> stack;
        std::string request;
    };
    for (const Case& c :
         {Case{MainExplorerMode, {"/", "/A/", "/A/B/"}, "list /A/B/ 254"},
          Case{LinkMindMapExplorerMode, {"/", "/A/", "/A/B/"}, "list /A/B/ 6"},
          Case{LinkCloudDocumentExplorerMode, {"/", "/A/", "/A/B/"}, "list /A/B/ 250"},
          Case{CopyToFolderExplorerMode, {"/"}, "list / 254"}, Case{MoveToFolderExplorerMode, {"/"}, "list / 254"}}) {
        SCOPED_TRACE(c.mode);
        requests.clear();
        open(c.mode);
        EXPECT_EQ(explorer->pathStack(), c.stack);
        EXPECT_EQ(requests, std::vector<std::string>{c.request});
    }
    // The open map is selected once its folder is shown, and selecting it does not open it again.
    open();
    showFolder("/A/B/",
               {item(FileListItemType::NavigateUp, "/A"), item(FileListItemType::NativeMindMap, "/A/B/m.twkx"),
                item(FileListItemType::NativeMindMap, "/A/B/n.twkx")});
    EXPECT_EQ(table->selection, std::vector<size_t>{1});
    editor->log.clear();
    explorer->tableViewSelectionDidChange();
    EXPECT_EQ(editor->log, std::vector<std::string>{"asyncOpen /A/B/m.twkx"});
    // The user kept the open map rather than leave it for another map selected here: the open
    // map's row is selected again, and no map's row while the open map is another's.
    for (MindMapProvider* openIn : std::vector<MindMapProvider*>{service->provider().get(), nullptr}) {
        editor->provider = openIn;
        select(2);
        NotificationCenter::defaultCenter().post(TwkDocumentController::KeptOpenMapNotification, nullptr);
        EXPECT_EQ(table->selection, openIn ? std::vector<size_t>{1} : std::vector<size_t>{});
    }
    editor->storage = nullptr;
    storage->dispose();
}

TEST_F(DropboxExplorerTest, ListingResultsForTheShownFolderAndForOthers)
{
    struct Case {
        const char* name;
        std::optional<std::string> path;
        int result;
        bool withItems;
        std::vector<std::string> stackAfter;
        std::string header;
        std::vector<std::string> newRequests;
    };
    const std::vector<Case> cases = {
        {"listed", "/A/B/", DropboxLister::Listed, true, {"/", "/A/", "/A/B/"}, "map_list_empty_folder", {}},
        {"listed, other case", "/a/b", DropboxLister::Listed, true, {"/", "/A/", "/A/B/"}, "map_list_empty_folder", {}},
        {"offline with items",
         "/A/B/",
         DropboxLister::Offline,
         true,
         {"/", "/A/", "/A/B/"},
         "map_list_empty_folder",
         {}},
        {"offline, never cached",
         "/A/B/",
         DropboxLister::Offline,
         false,
         {"/", "/A/"},
         "db_directory_listing_progress",
         {"list /A/ 254"}},
        {"folder gone",
         "/A/B/",
         DropboxLister::FolderNotFound,
         false,
         {"/", "/A/"},
         "db_directory_listing_progress",
         {"list /A/ 254"}},
        {"failed",
         "/A/B/",
         DropboxLister::Failed,
         false,
         {"/", "/A/", "/A/B/"},
         "db_directory_listing_error_state_text",
         {}},
        {"a stale answer",
         "/Elsewhere",
         DropboxLister::Listed,
         true,
         {"/", "/A/", "/A/B/"},
         "db_directory_listing_progress",
         {"list /A/B/ 254"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        open();
        answer(FileListItems{}, "/", DropboxLister::Listed);
        explorer->navigateToBreadcrumbPath("/A/B/");
        requests.clear();
        std::optional<FileListItems> items;
        if (c.withItems) items = FileListItems{item(FileListItemType::NativeMindMap, "/A/B/x.twkx")};
        answer(items, c.path, c.result);
        EXPECT_EQ(explorer->pathStack(), c.stackAfter);
        EXPECT_EQ(table->emptyText(), localized(c.header.c_str()));
        EXPECT_EQ(requests, c.newRequests);
        EXPECT_EQ(explorer->adapter().numberOfRows(), c.newRequests.empty() && c.withItems ? 1u : 0u);
        lister().holding = false;
    }
}

TEST_F(DropboxExplorerTest, DoubleClickActsByTheKindOfTheRow)
{
    fake.putFile("/A/Notes.opml", "<opml version=\"2.0\"><body><outline text=\"N\"/></body></opml>");
    registerNativeFormat();
    registerForeignFormats();
    std::vector<std::string> opened;
    open();
    showFolder("/", {});
    explorer->navigateToBreadcrumbPath("/A/");
    const FileListItems rows = {item(FileListItemType::NavigateUp, "/"), item(FileListItemType::Folder, "/A/Sub"),
                                item(FileListItemType::NativeMindMap, "/A/m.twkx"),
                                item(FileListItemType::Opml, "/A/Notes.opml")};
    showFolder("/A/", rows);

    requests.clear();
    select(2);
    explorer->tableViewDoubleClicked();
    EXPECT_TRUE(requests.empty());
    select(1);
    explorer->tableViewDoubleClicked();
    EXPECT_EQ(explorer->pathStack(), list({"/", "/A/", "/A/Sub"}));
    showFolder("/A/Sub", {item(FileListItemType::NavigateUp, "/A")});
    select(0);
    explorer->tableViewDoubleClicked();
    EXPECT_EQ(explorer->pathStack(), list({"/", "/A/"}));
    showFolder("/A/", rows);
    select(3);
    explorer->tableViewDoubleClicked();
    ASSERT_TRUE(waitFor([] { return !Dropbox::userTaskBusy(); }));
    EXPECT_EQ(editor->log.back(), "open /A/Notes.twkx");
}

TEST_F(DropboxExplorerTest, TheContextMenuFollowsSelectionSearchNetworkAndRunningTasks)
{
    open();
    const FileListItems rows = {item(FileListItemType::Folder, "/F"), item(FileListItemType::NativeMindMap, "/m.twkx"),
                                item(FileListItemType::Opml, "/o.opml"), item(FileListItemType::Pdf, "/p.pdf"),
                                item(FileListItemType::Image, "/i.png", true)};
    showFolder("/", rows);
    // A change of network lists the folder again.
    const auto setOnline = [&](bool isOnline) {
        network.set(isOnline);
        NetworkController::networkAvailable();
        if (lister().holding) showFolder("/", rows);
    };
    struct Case {
        const char* name;
        std::optional<size_t> row;
        bool offline;
        std::vector<std::string> keys;
    };
    const std::vector<Case> cases = {
        {"nothing selected", std::nullopt, false,
         list({"map_list_add_map", "map_list_add_folder", "-", "explorer_hide_thumbnails", "-", "db_synchronize"})},
        {"a folder", 0, false,
         list({"map_list_add_map", "map_list_add_folder", "-", "map_list_rename", "map_list_move_to_folder",
               "map_list_delete", "-", "explorer_hide_thumbnails", "-", "db_synchronize"})},
        {"a map", 1, false,
         list({"map_list_add_map", "map_list_add_folder", "-", "map_list_rename", "map_list_move_to_folder",
               "map_list_copy_to_cloud", "map_list_clone_map_condensed", "explorer_make_available_offline",
               "map_list_delete", "-", "explorer_hide_thumbnails", "-", "db_synchronize"})},
        {"an outline", 2, false,
         list({"map_list_add_map", "map_list_add_folder", "-", "explorer_convert_to_native_mind_map", "map_list_rename",
               "map_list_move_to_folder", "explorer_make_available_offline", "map_list_delete", "-",
               "explorer_hide_thumbnails", "-", "db_synchronize"})},
        {"a pdf", 3, false,
         list({"map_list_add_map", "map_list_add_folder", "-", "action_import_pdf_bookmarks", "map_list_rename",
               "map_list_move_to_folder", "explorer_make_available_offline", "map_list_delete", "-",
               "explorer_hide_thumbnails", "-", "db_synchronize"})},
        {"a folder offline", 0, true,
         list({"map_list_add_map", "-", "-", "explorer_hide_thumbnails", "-", "db_synchronize"})},
        {"an offline image offline", 4, true,
         list({"map_list_add_map", "-", "map_list_view_document", "explorer_disable_available_offline", "-",
               "explorer_hide_thumbnails", "-", "db_synchronize"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setOnline(!c.offline);
        table->selection = c.row ? std::vector<size_t>{*c.row} : std::vector<size_t>{};
        EXPECT_EQ(contextMenu(), c.keys);
    }
    setOnline(true);
    // With no other cloud the copy menu says so.
    select(1);
    auto menu = explorer->menuForEvent(PointerEvent{});
    Menu* copyMenu = nullptr;
    for (const auto& entry : menu->items())
        if (entry->submenu()) copyMenu = entry->submenu();
    ASSERT_TRUE(copyMenu);
    EXPECT_EQ(menuKeys(*copyMenu), list({"no_additional_clouds_enabled_message"}));

    // A search leaves no new map or folder.
    field.textChangedByUser("plan");
    answer(FileListItems{item(FileListItemType::NativeMindMap, "/m.twkx")}, std::nullopt, DropboxLister::SearchResults);
    table->selection = {};
    EXPECT_EQ(contextMenu(), list({"explorer_hide_thumbnails", "-", "db_synchronize"}));
    ASSERT_EQ(bar.pathButtons().size(), 1u);
    EXPECT_EQ(bar.pathButtons()[0].caption, localized("map_list_search_results"));
    EXPECT_FALSE(bar.isEnabled());

    // A running user task refuses the menu with a short notice.
    told.shown.clear();
    service->userTaskStarted(std::make_shared<StandInTask>());
    EXPECT_EQ(contextMenu(), list({"<none>"}));
    EXPECT_EQ(told.shown,
              std::vector<std::string>{localized("cannot_display_context_menu_title") + " | " +
                                       localized("context_menu_dropbox_busy_message") + " | 1"});
    service->cancelUserTasks();
}

TEST_F(DropboxExplorerTest, DraggingOntoAFolderPicksAFreeNameWhileMovingToAFolderLeavesItToTheServer)
{
    fake.putFile("/A/a.twkx", "mine");
    fake.putFile("/B/a.twkx", "theirs");
    syncedFile("/A/a.twkx", "mine");
    service->browsingCache().put("/B", {DropboxMetadata{false, "a.twkx", "/B/a.twkx", "/b/a.twkx", "id", "r", 0, 6}});
    open();
    showFolder("/", {});
    auto source = item(FileListItemType::NativeMindMap, "/A/a.twkx");
    auto folder = item(FileListItemType::Folder, "/B");
    EXPECT_TRUE(explorer->moveSourceItem(*source, *folder));
    ASSERT_TRUE(waitFor([] { return !Dropbox::userTaskBusy(); }));
    EXPECT_EQ(fake.fileContents("/B/a (1).twkx"), "mine");
    const auto moves = fake.requestsTo("files/move_v2");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_NE(moves[0].body.find("/B/a (1).twkx"), std::string::npos);

    goOffline();
    EXPECT_FALSE(explorer->moveSourceItem(*source, *folder));
}

TEST_F(DropboxExplorerTest, TypedNamesThatWouldAddressAnotherFolderAreRefused)
{
    fake.putFile("/A/a.twkx", "x");
    open();
    showFolder("/", {});
    explorer->navigateToBreadcrumbPath("/A/");
    showFolder("/A/", {item(FileListItemType::NativeMindMap, "/A/a.twkx")});
    select(0);
    for (const char* typed : {"../b.twkx", "x\\y.twkx", "...twkx", " .twkx"}) {
        SCOPED_TRACE(typed);
        told.shown.clear();
        explorer->renameFileItem(*explorer->adapter().itemAt(0), typed);
        EXPECT_FALSE(Dropbox::userTaskBusy());
        EXPECT_EQ(told.shown.size(), 1u);
    }
    for (const char* typed : {"..", ".", "", "a/b"}) {
        SCOPED_TRACE(typed);
        told.shown.clear();
        names.answers = {std::string(typed)};
        explorer->addFolder();
        EXPECT_FALSE(Dropbox::userTaskBusy());
    }
    EXPECT_TRUE(fake.requestsTo("files/create_folder_v2").empty());
    EXPECT_TRUE(fake.requestsTo("files/move_v2").empty());

    // A proper name goes through, keeping the extension.
    names.answers = {std::string("Renamed")};
    explorer->rename();
    EXPECT_EQ(names.asked.back(), "1 a");
    ASSERT_TRUE(waitFor([] { return !Dropbox::userTaskBusy(); }));
    EXPECT_TRUE(fake.fileContents("/A/Renamed.twkx"));
}

TEST_F(DropboxExplorerTest, ImportingKeepsTheReadableFilesAndReportsTheOthers)
{
    registerNativeFormat();
    registerForeignFormats();
    const std::string good = home.file("good.opml");
    writeTestFile(good, "<opml version=\"2.0\"><body><outline text=\"Good\"/></body></opml>");
    chooser.openAnswer = {home.file("missing.opml"), good};
    open();
    showFolder("/", {});
    told.shown.clear();
    explorer->importDocument();
    EXPECT_EQ(editor->log.back(), "open /good.twkx");
    EXPECT_TRUE(fs::exists(cacheFile("/good.twkx")));
    ASSERT_EQ(told.shown.size(), 1u);
    // The message names the file and why it was left out.
    EXPECT_EQ(
        told.shown[0].rfind(localized("store_archive_import_error") + " | " + home.file("missing.opml") + ": ", 0), 0u);
}

TEST_F(DropboxExplorerTest, DeletingAsksFirstAndThumbnailsAreAskedForOnce)
{
    fake.putFile("/m.twkx", "x");
    syncedFile("/m.twkx");
    open();
    showFolder("/", {item(FileListItemType::NativeMindMap, "/m.twkx")});
    FileListItem& map = *explorer->adapter().itemAt(0);
    explorer->fetchThumbnail(map);
    EXPECT_TRUE(map.thumbnailUnavailable());
    select(0);
    explorer->deleteItem();
    ASSERT_EQ(alerts.requests.size(), 1u);
    EXPECT_EQ(alerts.requests[0].messageText, localized("explorer_delete_file_title"));
    EXPECT_NE(alerts.requests[0].informativeText.find("/m.twkx"), std::string::npos);
    EXPECT_FALSE(Dropbox::userTaskBusy());
    alerts.answers.push_back({AlertPanel::FirstButtonReturn, ""});
    explorer->deleteItem();
    ASSERT_TRUE(waitFor([] { return !Dropbox::userTaskBusy(); }));
    EXPECT_FALSE(fake.fileContents("/m.twkx"));
    explorer->setShowThumbnails(false);
    EXPECT_FALSE(UserDefaults::standard().boolForKey(DropboxExplorer::ShowThumbnailsKey));
}

TEST_F(DropboxExplorerTest, ViewingADownloadedFileNeverRunsIt)
{
    RecordingUriLauncher desktop;
    make(true);
    fake.putFile("/A/run.desktop", "[Desktop Entry]\nExec=rm -rf ~\n");
    fake.putFile("/A/notes.txt", "notes");
    open();
    showFolder("/", {});
    explorer->navigateToBreadcrumbPath("/A/");
    showFolder(
        "/A/",
        {item(FileListItemType::OtherFile, "/A/run.desktop"), item(FileListItemType::OtherFile, "/A/notes.txt")});
    select(0);
    explorer->viewDocument();
    ASSERT_TRUE(waitFor([] { return !Dropbox::userTaskBusy(); }));
    select(1);
    explorer->viewDocument();
    ASSERT_TRUE(waitFor([] { return !Dropbox::userTaskBusy(); }));
    EXPECT_EQ(desktop.shownInFileManager, std::vector<std::string>{cacheFile("/A/run.desktop")});
    ASSERT_EQ(desktop.opened.size(), 1u);
    EXPECT_EQ(desktop.opened[0].rfind("file://", 0), 0u);
    EXPECT_NE(desktop.opened[0].find("notes.txt"), std::string::npos);
}

TEST_F(DropboxExplorerTest, AFolderChangedWhileItIsListedIsListedAgainOnceAnswered)
{
    struct Case {
        const char* name;
        const char* changed;
        std::vector<int> answers;
        std::vector<std::string> newRequests;
    };
    const std::vector<Case> cases = {
        {"the shown folder", "/A/", {DropboxLister::Listed}, {"list /A/ 254"}},
        {"the shown folder, other case", "/a", {DropboxLister::Listed}, {"list /A/ 254"}},
        {"another folder", "/B/", {DropboxLister::Listed}, {}},
        // The cached answer is followed by the service's own, which may be the older one.
        {"answered from the cache first", "/A/", {DropboxLister::Cached}, {}},
        {"answered from the cache, then listed",
         "/A/",
         {DropboxLister::Cached, DropboxLister::Listed},
         {"list /A/ 254"}},
        {"failed", "/A/", {DropboxLister::Failed}, {"list /A/ 254"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        open();
        answer(FileListItems{}, "/", DropboxLister::Listed);
        explorer->navigateToBreadcrumbPath("/A/");
        requests.clear();
        service->dispatchDirectoryChanged(c.changed);
        EXPECT_TRUE(requests.empty()) << "asked again while the first listing runs";
        for (int result : c.answers) {
            if (result == DropboxLister::Cached) {
                explorer->listerCompleted(FileListItems{}, "/A/", result);
                continue;
            }
            answer(FileListItems{}, "/A/", result);
        }
        EXPECT_EQ(requests, c.newRequests);
        lister().holding = false;
        if (!c.newRequests.empty()) {
            requests.clear();
            answer(FileListItems{}, "/A/", DropboxLister::Listed);
            EXPECT_TRUE(requests.empty()) << "asked again only once";
        }
        requests.clear();
    }
}

// Leaving a folder while it is listed, or closing its pane, gives the listing up: the transfer of
// the page under way stops, no later page is asked for, and what the user turned to is listed; a
// pane that shows again lists its folder anew.
TEST_F(DropboxExplorerTest, AListingNobodyWaitsForAnyMoreStopsItsTransferAndItsPages)
{
    DropboxExplorer::setListerFactory(nullptr);
    fake.setPageSize(1);
    for (const char* name : {"a.twkx", "b.twkx", "c.twkx"}) fake.putFile(std::string("/A/") + name, "m");
    struct Case {
        const char* name;
        std::function<void(DropboxExplorerTest&)> leave;
        // What is asked of the service afterwards: a route and the folder listed.
        std::vector<std::string> askedAfter;
    };
    const std::vector<std::string> root = {"files/list_folder "};
    const std::vector<Case> cases = {
        {"the path bar's root", [](auto& t) { t.explorer->navigateToBreadcrumbPath("/"); }, root},
        {"the row going up",
         [](auto& t) {
             t.select(0);
             t.explorer->tableViewDoubleClicked();
         },
         root},
        {"a search", [](auto& t) { t.explorer->setSearchFilter("plan"); }, {"files/search_v2 "}},
        {"the pane closes, then shows again",
         [](auto& t) {
             t.explorer->viewShown(false);
             t.explorer->viewShown(true);
         },
         {"files/list_folder /A", "files/list_folder/continue ", "files/list_folder/continue "}},
    };
    auto idle = [&] { return engine.activeCount() == 0 && !explorer->lister()->busy(); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        open();
        ASSERT_TRUE(waitFor(idle));
        // Listed once whole, the folder's rows show while it is listed anew.
        explorer->navigateToBreadcrumbPath("/A/");
        ASSERT_TRUE(waitFor(idle));
        explorer->navigateToBreadcrumbPath("/");
        ASSERT_TRUE(waitFor(idle));
        fake.answerNext("files/list_folder/continue", LoopbackReply::streamed(200, "{", LoopbackReply::Endless));
        const uint64_t writtenBefore = fake.streamedBytes();
        const size_t cutBefore = fake.streamsCut();
        explorer->navigateToBreadcrumbPath("/A/");
        ASSERT_EQ(explorer->adapter().numberOfRows(), 4u) << "the rows of the earlier listing";
        ASSERT_TRUE(waitFor([&] { return fake.streamedBytes() > writtenBefore; })) << "the second page comes";
        fake.clearLog();

        c.leave(*this);
        ASSERT_TRUE(waitFor([&] { return fake.streamsCut() > cutBefore; })) << "the page's transfer goes on";
        EXPECT_LT(fake.streamedBytes() - writtenBefore, MaximumDocumentAnswerSize);
        ASSERT_TRUE(waitFor(idle));
        std::vector<std::string> asked;
        for (const auto& request : fake.requests()) {
            const auto argument = nlohmann::json::parse(request.argument, nullptr, false);
            asked.push_back(request.route + " " +
                            (request.route == "files/list_folder" ? argument.value("path", "") : ""));
        }
        EXPECT_EQ(asked, c.askedAfter);
    }
}
