#include "DropboxTaskFixture.h"

#include "dropbox/DropboxLister.h"
#include "formats/ExportFormats.h"
#include "formats/MindMapConverter.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/Localizer.h"
#include "store/CustomImageStore.h"
#include "store/ExternalProvider.h"
#include "store/ForeignMapConversion.h"

#include <nlohmann/json.hpp>

namespace fs = std::filesystem;

namespace {

struct Answer {
    std::optional<std::vector<std::string>> rows;
    std::optional<std::string> path;
    int result;
};

// Rows as "name path" with "^" for the navigate-up entry.
struct RecordingDelegate : DropboxListerDelegate {
    std::vector<Answer> answers;
    std::function<void()> onAnswer;
    void listerCompleted(const std::optional<FileListItems>& items, const std::optional<std::string>& dbPath,
                         int result) override
    {
        std::optional<std::vector<std::string>> rows;
        if (items) {
            rows.emplace();
            for (const auto& item : *items)
                rows->push_back((item->isNavigateUp() ? "^" : "") + item->fileName() + " " + item->path());
        }
        answers.push_back({rows, dbPath, result});
        if (onAnswer) onAnswer();
    }
};

struct DropboxListerTest : DropboxTaskFixture {
    RecordingDelegate delegate;
    std::unique_ptr<DropboxLister> lister = std::make_unique<DropboxLister>(*service, &delegate);

    DropboxListerTest()
    {
        fake.makeFolder("/A/Sub");
        fake.putFile("/A/Plan.twkx", "plan");
        fake.putFile("/A/Notes.opml", "<opml/>");
        fake.putFile("/A/Book.pdf", "%PDF");
        fake.putFile("/A/photo.PNG", "png");
        fake.putFile("/A/readme.txt", "text");
        fake.putFile("/Top.twkx", "top");
        fake.clearLog();
    }

    // Lists and waits for the lister to become idle.
    std::vector<Answer> list(const std::optional<std::string>& path,
                             int32_t filter = FileListItemMask::AllButNavigateUp)
    {
        delegate.answers.clear();
        lister->loadContentsOfPath(path, filter);
        EXPECT_TRUE(waitFor([&] { return !lister->busy(); }));
        return delegate.answers;
    }

    // Searches and waits for the lister to become idle.
    std::vector<Answer> search(const std::string& text)
    {
        delegate.answers.clear();
        lister->loadSearchResults(text, false);
        EXPECT_TRUE(waitFor([&] { return !lister->busy(); }));
        return delegate.answers;
    }

    std::vector<std::string> listedPaths() const
    {
        std::vector<std::string> paths;
        for (const auto& request : fake.requestsTo("files/list_folder"))
            paths.push_back(nlohmann::json::parse(request.body).value("path", "<none>"));
        return paths;
    }
};

std::vector<std::string> rows(std::initializer_list<const char*> list)
{
    return std::vector<std::string>(list.begin(), list.end());
}

} // namespace

TEST_F(DropboxListerTest, ListsFoldersFirstWithTheUpEntryNamedByTheProviderAndKeepsTheFilterKinds)
{
    struct Case {
        const char* name;
        std::string path;
        int32_t filter;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"everything", "/A", FileListItemMask::AllButNavigateUp,
         rows({"^Dropbox /", "Sub /A/Sub", "Book.pdf /A/Book.pdf", "Notes.opml /A/Notes.opml", "Plan.twkx /A/Plan.twkx",
               "photo.PNG /A/photo.PNG", "readme.txt /A/readme.txt"})},
        {"documents to link", "/A", FileListItemMask::LinkableDocuments,
         rows({"^Dropbox /", "Sub /A/Sub", "Book.pdf /A/Book.pdf", "Notes.opml /A/Notes.opml", "photo.PNG /A/photo.PNG",
               "readme.txt /A/readme.txt"})},
        {"maps to link", "/A", FileListItemMask::FoldersAndMaps,
         rows({"^Dropbox /", "Sub /A/Sub", "Plan.twkx /A/Plan.twkx"})},
        {"the root has no up entry", "/", FileListItemMask::FoldersAndMaps, rows({"A /A", "Top.twkx /Top.twkx"})},
        {"a sub-folder names its parent", "/A/Sub", FileListItemMask::AllButNavigateUp, rows({"^A /A"})},
        // The server refuses a path ending in "/"; the listing must not.
        {"a trailing slash", "/A/Sub/", FileListItemMask::AllButNavigateUp, rows({"^A /A"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        service->browsingCache().clear();
        const std::vector<Answer> answers = list(c.path, c.filter);
        ASSERT_EQ(answers.size(), 1u);
        EXPECT_EQ(answers[0].result, DropboxLister::Listed);
        EXPECT_EQ(answers[0].path, c.path);
        EXPECT_EQ(answers[0].rows, c.expected);
    }
    // The root is asked for as the service names it.
    const std::vector<std::string> asked = listedPaths();
    EXPECT_NE(std::find(asked.begin(), asked.end(), ""), asked.end());
    EXPECT_EQ(std::find(asked.begin(), asked.end(), "/"), asked.end());
}

TEST_F(DropboxListerTest, ACachedFolderAnswersCachedFirstThenListedAndAPagedFolderComesWhole)
{
    for (int i = 0; i < 7; ++i) fake.putFile("/Many/m" + std::to_string(i) + ".twkx", "x");
    fake.setPageSize(3);
    std::vector<Answer> first = list("/Many");
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].rows->size(), 8u);
    EXPECT_EQ(fake.requestsTo("files/list_folder/continue").size(), 2u);

    fake.putFile("/Many/late.twkx", "x");
    std::vector<Answer> again = list("/many");
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[0].result, DropboxLister::Cached);
    EXPECT_EQ(again[0].rows->size(), 8u);
    EXPECT_EQ(again[1].result, DropboxLister::Listed);
    EXPECT_EQ(again[1].rows->size(), 9u);
}

TEST_F(DropboxListerTest, ASecondRequestWhileOneRunsIsBusyAtOnceAndTheFirstGoesOn)
{
    delegate.answers.clear();
    lister->loadContentsOfPath("/A", FileListItemMask::AllButNavigateUp);
    lister->loadContentsOfPath("/A/Sub", FileListItemMask::AllButNavigateUp);
    lister->loadSearchResults("Plan", false);
    ASSERT_EQ(delegate.answers.size(), 2u);
    EXPECT_EQ(delegate.answers[0].result, DropboxLister::Busy);
    EXPECT_EQ(delegate.answers[0].path, "/A/Sub");
    EXPECT_EQ(delegate.answers[1].result, DropboxLister::Busy);
    EXPECT_EQ(delegate.answers[1].path, std::nullopt);
    ASSERT_TRUE(waitFor([&] { return !lister->busy(); }));
    ASSERT_EQ(delegate.answers.size(), 3u);
    EXPECT_EQ(delegate.answers[2].result, DropboxLister::Listed);
    EXPECT_EQ(delegate.answers[2].path, "/A");
}

TEST_F(DropboxListerTest, FailuresAnswerOneCodeEachWithTheirMessage)
{
    struct Case {
        const char* name;
        std::function<void(DropboxListerTest&)> arrange;
        std::optional<std::string> path;
        int result;
        std::string message;
        size_t requests;
    };
    const std::vector<Case> cases = {
        {"a folder gone from the server", [](DropboxListerTest&) {}, "/Gone", DropboxLister::FolderNotFound,
         localized("db_directory_not_found"), 1},
        {"a file, not a folder", [](DropboxListerTest&) {}, "/Top.twkx", DropboxLister::FolderNotFound,
         localized("db_directory_not_found"), 1},
        {"no folder", [](DropboxListerTest&) {}, std::nullopt, DropboxLister::Failed, "", 0},
        {"a refused request", [](DropboxListerTest& t) { t.fake.failNext("files/list_folder", 400); }, "/A",
         DropboxLister::Failed, "", 1},
        {"an answer without end",
         [](DropboxListerTest& t) {
             t.fake.answerNext("files/list_folder", LoopbackReply::streamed(200, "{", LoopbackReply::Endless));
         },
         "/A", DropboxLister::Failed, localizedFormat("http_answer_too_large", {"64.0\u00a0MiB"}), 1},
        {"not linked", [](DropboxListerTest& t) { t.unlink(); }, "/A", DropboxLister::Failed,
         localized("db_disconnected_state"), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        told.shown.clear();
        fake.clearLog();
        c.arrange(*this);
        const std::vector<Answer> answers = list(c.path);
        ASSERT_EQ(answers.size(), 1u);
        EXPECT_EQ(answers[0].result, c.result);
        EXPECT_EQ(answers[0].path, c.path);
        EXPECT_FALSE(answers[0].rows);
        EXPECT_EQ(fake.requestsTo("files/list_folder").size(), c.requests);
        if (!c.message.empty()) {
            ASSERT_EQ(told.shown.size(), 1u);
            EXPECT_EQ(told.shown[0], localized("db_directory_listing_error_state_text") + " | " + c.message + " | 2");
        }
        EXPECT_TRUE(FeedbackCenter::feedbackCenter().progressStack().empty());
    }
}

TEST_F(DropboxListerTest, AFolderGoneFromTheServerTakesItsCachedDataWithIt)
{
    fake.makeFolder("/Old");
    syncedFile("/Old/kept.twkx");
    service->browsingCache().put("/Old", {});
    fake.removeItem("/Old");
    const std::vector<Answer> answers = list("/Old");
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[1].result, DropboxLister::FolderNotFound);
    EXPECT_FALSE(service->browsingCache().get("/Old"));
    EXPECT_FALSE(fs::exists(cacheFile("/Old/kept.twkx")));
    EXPECT_FALSE(service->fileInfo().get("/Old/kept.twkx"));
}

TEST_F(DropboxListerTest, MapsMadeHereAreListedBeforeTheServerKnowsThemAndOnlyOnceAfterwards)
{
    syncedFile("/A/new.twkx", "fresh", true);
    syncedFile("/A/Plan.twkx", "plan", true);
    const std::vector<Answer> answers = list("/A", FileListItemMask::FoldersAndMaps);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].rows, rows({"^Dropbox /", "Sub /A/Sub", "Plan.twkx /A/Plan.twkx", "new.twkx /A/new.twkx"}));

    fake.putFile("/A/NEW.twkx", "fresh");
    service->browsingCache().clear();
    const std::vector<Answer> later = list("/A", FileListItemMask::FoldersAndMaps);
    EXPECT_EQ(later[0].rows, rows({"^Dropbox /", "Sub /A/Sub", "NEW.twkx /A/NEW.twkx", "Plan.twkx /A/Plan.twkx"}));
}

TEST_F(DropboxListerTest, OfflineListsTheCacheWithRecordsOnlyInTheirDisplayCase)
{
    // Folders are spelled as this run's listing, or a file recorded below them, spells them; a
    // folder known from neither keeps the cache's lower case.
    ASSERT_EQ(list("/A").back().result, DropboxLister::Listed);
    fs::create_directories(cacheFile("/A/Sub"));
    fs::create_directories(cacheFile("/A/Unknown"));
    syncedFile("/A/Plan.twkx");
    syncedFile("/A/Deep/Inner.twkx");
    // A leftover without a record, and a hidden file.
    writeTestFile(cacheFile("/A") + "/stray.twkx", "x");
    writeTestFile(cacheFile("/A") + "/.hidden.twkx", "x");
    fake.clearLog();
    network.set(false);
    NetworkController::networkAvailable();

    const std::vector<Answer> answers = list("/A");
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].result, DropboxLister::Offline);
    EXPECT_EQ(answers[0].rows,
              rows({"^Dropbox /", "Deep /A/Deep", "Sub /A/Sub", "unknown /A/unknown", "Plan.twkx /A/Plan.twkx"}));
    EXPECT_EQ(list("/")[0].rows, rows({"A /A"}));
    EXPECT_EQ(list("/Never")[0].rows, std::nullopt);
    // A path that would leave the cache is no folder of it.
    EXPECT_EQ(list("/A/../../..")[0].rows, std::nullopt);
    EXPECT_TRUE(fake.requests().empty());
}

TEST_F(DropboxListerTest, SearchesFindNativeMapsOnlineAndTheKnownMapsOffline)
{
    fake.putFile("/B/Plan B.twkx", "x");
    fake.putFile("/B/Plan.opml", "x");
    syncedFile("/A/Plan.twkx");
    syncedFile("/A/Other.twkx");

    network.set(false);
    NetworkController::networkAvailable();
    delegate.answers.clear();
    lister->loadSearchResults("other", false);
    ASSERT_EQ(delegate.answers.size(), 1u);
    EXPECT_EQ(delegate.answers[0].result, DropboxLister::SearchResults);
    EXPECT_EQ(delegate.answers[0].rows, rows({"Other.twkx /A/Other.twkx"}));

    network.set(true);
    NetworkController::networkAvailable();
    fake.clearLog();
    delegate.answers.clear();
    lister->loadSearchResults("Plan", false);
    EXPECT_EQ(lister->state(), DropboxLister::Searching);
    ASSERT_TRUE(waitFor([&] { return !lister->busy(); }));
    ASSERT_EQ(delegate.answers.size(), 1u);
    EXPECT_EQ(delegate.answers[0].result, DropboxLister::SearchResults);
    EXPECT_EQ(delegate.answers[0].path, std::nullopt);
    EXPECT_EQ(delegate.answers[0].rows, rows({"Plan.twkx /A/Plan.twkx", "Plan B.twkx /B/Plan B.twkx"}));
    const auto searches = fake.requestsTo("files/search_v2");
    ASSERT_EQ(searches.size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(searches[0].body).value("query", ""), ".twkx Plan");

    unlink();
    told.shown.clear();
    delegate.answers.clear();
    lister->loadSearchResults("other", false);
    ASSERT_EQ(delegate.answers.size(), 1u);
    EXPECT_EQ(delegate.answers[0].result, DropboxLister::SearchError);
    EXPECT_EQ(told.shown,
              std::vector<std::string>{localized("explorer_search_error") + " | " + localized("db_disconnected_state") +
                                       " | 2"});
}

TEST_F(DropboxListerTest, ASearchFollowsTheServicesPagesToTheEndOrToItsBound)
{
    // Three matches a page: eight maps come in three pages.
    std::vector<std::string> expected;
    for (int i = 0; i < 8; ++i) {
        const std::string name = "Idea " + std::to_string(i) + ".twkx";
        fake.putFile("/Ideas/" + name, "x");
        expected.push_back(name + " /Ideas/" + name);
    }
    fake.clearLog();
    const std::vector<Answer> pages = search("Idea");
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].result, DropboxLister::SearchResults);
    EXPECT_EQ(pages[0].rows, expected);
    EXPECT_EQ(fake.requestsTo("files/search/continue_v2").size(), 2u);

    // A service that never stops saying "more" is asked a bounded number of times.
    nlohmann::json match = {{"match_type", {{".tag", "filename"}}},
                            {"metadata",
                             {{".tag", "metadata"},
                              {"metadata",
                               {{".tag", "file"},
                                {"name", "Endless.twkx"},
                                {"path_display", "/Endless.twkx"},
                                {"id", "id:endless"},
                                {"rev", "0123456789a"},
                                {"size", 1},
                                {"server_modified", "2024-01-02T03:04:05Z"}}}}}};
    fake.answerNext(
        "files/search/continue_v2",
        LoopbackReply::json(
            200,
            nlohmann::json{{"matches", nlohmann::json::array({match})}, {"has_more", true}, {"cursor", "again"}}
                .dump()),
        1000);
    fake.clearLog();
    const std::vector<Answer> bounded = search("Idea");
    ASSERT_EQ(bounded.size(), 1u);
    EXPECT_EQ(bounded[0].result, DropboxLister::SearchResults);
    EXPECT_EQ(fake.requestsTo("files/search/continue_v2").size(), size_t(DropboxLister::MaximumSearchPages - 1));
    ASSERT_TRUE(bounded[0].rows);
    EXPECT_EQ(bounded[0].rows->size(), 4u) << "the first page and the endless map";
}

TEST_F(DropboxListerTest, AfterCancelNoLateAnswerArrivesAndDestroyingInsideTheCallbackIsSafe)
{
    fake.setDelay(0.2);
    lister->loadContentsOfPath("/A", FileListItemMask::AllButNavigateUp);
    lister->cancel();
    EXPECT_FALSE(lister->busy());
    EXPECT_TRUE(FeedbackCenter::feedbackCenter().progressStack().empty());
    MainLoop::runUntil([] { return false; }, 0.5);
    EXPECT_TRUE(delegate.answers.empty());

    // The explorer replaces its lister when the cached answer tells it to.
    fake.setDelay(0);
    service->browsingCache().put("/A", {});
    delegate.onAnswer = [this] { lister.reset(); };
    lister = std::make_unique<DropboxLister>(*service, &delegate);
    lister->loadContentsOfPath("/A", FileListItemMask::AllButNavigateUp);
    EXPECT_FALSE(lister);
    MainLoop::runUntil([] { return false; }, 0.3);
    EXPECT_EQ(delegate.answers.size(), 1u);
}

TEST_F(DropboxListerTest, AMapsThumbnailIsPaintedFromItsCachedCopyOnceAndKept)
{
    registerNativeFormat();
    const std::string created = service->provider()->createNewMindMapInDbDirectory("/A", "Plan");
    ASSERT_FALSE(created.empty());
    const std::string hash = DropboxFileInfoItem::thumbnailHashForPath(created);
    const std::string stored = service->thumbnailImages()->customImageFilePath(hash);
    EXPECT_FALSE(fs::exists(stored));

    std::shared_ptr<const Image> painted = service->getThumbnailForPath(created);
    ASSERT_TRUE(painted && !painted->isNull());
    EXPECT_TRUE(fs::exists(stored)) << "kept under the record's hash";
    EXPECT_TRUE(service->getThumbnailForPath(created));

    // A copy as the server keeps a map is an archive; painting it leaves no folder behind.
    registerForeignFormats();
    const std::string opml = "<opml version=\"2.0\"><body><outline text=\"Zipped\"/></body></opml>";
    std::string readerError;
    const std::optional<MindMapData> archive =
        ForeignMapConversion::nativeArchive(ForeignMapConversion::nativeDocumentData(
            MindMapData(opml.begin(), opml.end()), ImportFormatOpml, "/A/Zipped.opml", true, readerError));
    ASSERT_TRUE(archive);
    syncedFile("/A/Zipped.twkx", std::string(archive->begin(), archive->end()));
    auto storageFolders = [] {
        std::error_code error;
        const std::string root = ExternalProvider::providerCacheRootDirectory();
        if (!fs::is_directory(root, error)) return size_t(0);
        return static_cast<size_t>(std::distance(fs::directory_iterator(root), fs::directory_iterator()));
    };
    const size_t folders = storageFolders();
    EXPECT_TRUE(service->getThumbnailForPath("/A/Zipped.twkx"));
    EXPECT_EQ(storageFolders(), folders);

    // A copy that does not read as a map, and a file without a record, have none.
    syncedFile("/A/Broken.twkx", "not a map");
    EXPECT_FALSE(service->getThumbnailForPath("/A/Broken.twkx"));
    EXPECT_FALSE(service->getThumbnailForPath("/A/Unknown.twkx"));
    EXPECT_TRUE(fake.requests().empty());
}
