#include "GoogleDrive/GDriveFolderLister.h"
#include "GDriveTaskDouble.h"
#include "platform/Localizer.h"

#include <gtest/gtest.h>

namespace {

struct Answer {
    std::optional<FileListItems> items;
    std::optional<std::string> folderId;
    int result = -1;

    // "name(type)" a row, in order.
    std::vector<std::string> rows() const
    {
        std::vector<std::string> names;
        if (items)
            for (const auto& item : *items)
                names.push_back(item->fileName() + "(" + std::to_string(item->type()) + ")");
        return names;
    }
};

struct Recorder : GDriveFolderListerDelegate {
    std::vector<Answer> answers;
    std::function<void()> onAnswer;
    void listerCompleted(const std::optional<FileListItems>& items, const std::optional<std::string>& folderId,
                         int result) override
    {
        answers.push_back({items, folderId, result});
        if (onAnswer) onAnswer();
    }
};

struct GDriveFolderListerTest : GDriveTaskFixture {
    Recorder recorder;
    std::unique_ptr<GDriveFolderLister> lister = std::make_unique<GDriveFolderLister>(service, &recorder);
    std::string docs;

    GDriveFolderListerTest()
    {
        // My Drive holds Docs with Sub, two maps, a text file and a trashed map.
        docs = fake.addFolder("Docs", "", "DocsId");
        fake.addFolder("Sub", docs, "SubId");
        fake.addFile("Plan.twkx", "zip", docs, "PlanId");
        fake.addFile("Alpha.twkx", "zip", docs, "AlphaId");
        fake.addFile("Notes.txt", "text", docs, "NotesId", "text/plain");
        fake.addFile("Gone.twkx", "zip", docs, "GoneId");
        fake.trash("GoneId");
        service.folders.updateFolder(service.folders.rootFolder(), {folderEntry("DocsId", "Docs")}, false);
    }

    Answer list(const std::string& folderId, int32_t filter = FileListItemMask::AllButNavigateUp, size_t answers = 1)
    {
        const size_t before = recorder.answers.size();
        lister->loadContentsOfFolderId(folderId, filter);
        EXPECT_TRUE(driveUntil([&] { return recorder.answers.size() >= before + answers && !lister->busy(); }));
        return recorder.answers.empty() ? Answer{} : recorder.answers.back();
    }

    Answer search(const std::string& text, bool fullText = false)
    {
        const size_t before = recorder.answers.size();
        lister->loadSearchResults(text, fullText);
        EXPECT_TRUE(driveUntil([&] { return recorder.answers.size() > before; }));
        return recorder.answers.empty() ? Answer{} : recorder.answers.back();
    }
};

TEST_F(GDriveFolderListerTest, ListsAFolderWithItsQueryOverEveryPage)
{
    fake.setPageSize(2);
    Answer answer = list(docs);
    EXPECT_EQ(answer.result, GDriveFolderLister::Listed);
    EXPECT_EQ(answer.folderId, docs);
    // The up row leads to My Drive; folders before files; the trashed map is left out.
    EXPECT_EQ(answer.rows(),
              (std::vector<std::string>{service.driveProvider->title() + "(256)", "Sub(2)", "Alpha.twkx(4)",
                                        "Notes.txt(128)", "Plan.twkx(4)"}));
    EXPECT_EQ(answer.items->at(0)->type(), FileListItemType::NavigateUp);
    EXPECT_EQ(answer.items->at(0)->path(), root);
    EXPECT_EQ(answer.items->at(4)->path(), "PlanId");

    auto pages = fake.requestsTo("files.list");
    ASSERT_EQ(pages.size(), 3u);
    auto first = parameters(pages.at(0));
    EXPECT_EQ(first["q"], "'DocsId' in parents");
    EXPECT_EQ(first["fields"], std::string("files(") + GDriveMetadata::FileFields + "),nextPageToken");
    EXPECT_EQ(first["pageSize"], "150");
    // The folder cache learnt the listing, so the path resolver and the offline pane know it.
    ASSERT_NE(service.folders.get("SubId"), nullptr);
    EXPECT_EQ(service.folders.get("SubId")->parentId(), docs);
    EXPECT_FALSE(lister->showsProgress());
}

TEST_F(GDriveFolderListerTest, TheMaskKeepsOnlyItsTypes)
{
    struct Case {
        int32_t filter;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {FileListItemType::NativeMindMap, {"Alpha.twkx(4)", "Plan.twkx(4)"}},
        {FileListItemType::Folder, {"Sub(2)"}},
        {FileListItemType::Folder | FileListItemType::OtherFile, {"Sub(2)", "Notes.txt(128)"}},
    };
    for (const Case& c : cases) {
        Answer answer = list(docs, c.filter, 1);
        std::vector<std::string> rows = answer.rows();
        ASSERT_FALSE(rows.empty());
        rows.erase(rows.begin());
        EXPECT_EQ(rows, c.files) << c.filter;
        recorder.answers.clear();
        service.folders.get(docs)->setItems(std::nullopt);
    }
}

TEST_F(GDriveFolderListerTest, AFolderListedBeforeAnswersFromTheCacheThenFromDrive)
{
    list(docs);
    fake.addFile("Late.twkx", "zip", docs, "LateId");
    recorder.answers.clear();
    list(docs, FileListItemMask::AllButNavigateUp, 2);
    ASSERT_EQ(recorder.answers.size(), 2u);
    EXPECT_EQ(recorder.answers[0].result, GDriveFolderLister::Listed);
    EXPECT_EQ(recorder.answers[1].result, GDriveFolderLister::Listed);
    EXPECT_EQ(recorder.answers[0].items->size(), 5u);
    EXPECT_EQ(recorder.answers[1].items->size(), 6u);
}

TEST_F(GDriveFolderListerTest, MapsNotUploadedYetAreListedOnceOnlineAndOffline)
{
    record("LocalId", "Local.twkx", docs, true);
    // Drive already knows one new map by its id: it must not show twice.
    record("PlanId", "Plan.twkx", docs, true);
    Answer online = list(docs, FileListItemType::NativeMindMap);
    EXPECT_EQ(online.rows(),
              (std::vector<std::string>{"Google Drive(256)", "Alpha.twkx(4)", "Local.twkx(4)", "Plan.twkx(4)"}));

    network.set(false);
    Answer offline = list(docs, FileListItemType::NativeMindMap);
    EXPECT_EQ(offline.result, GDriveFolderLister::Offline);
    // Sub-folders show offline whatever the mask.
    EXPECT_EQ(offline.rows(),
              (std::vector<std::string>{"Google Drive(256)", "Sub(2)", "Local.twkx(4)", "Plan.twkx(4)"}));
}

TEST_F(GDriveFolderListerTest, RequestsThatCannotRunAnswerWithTheirCode)
{
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::string folderId;
        int result;
        bool hasItems;
        std::string told;
    };
    const std::string disconnected =
        localized("gdrive_directory_listing_error_title") + " | " + localized("gdrive_disconnected_state") + " | 2";
    const Case cases[] = {
        {"empty id", [] {}, "", GDriveFolderLister::Failed, false, ""},
        {"not an id", [] {}, "x' or name contains 'a", GDriveFolderLister::Failed, false, ""},
        {"not authorised", [this] { service.authorized = false; }, docs, GDriveFolderLister::Failed, false,
         disconnected},
        {"not linked", [this] { service.linked = false; }, docs, GDriveFolderLister::Busy, false, ""},
        {"offline, uncached", [this] { network.set(false); }, "UnknownId", GDriveFolderLister::Offline, false, ""},
        {"offline, cached", [this] { network.set(false); }, docs, GDriveFolderLister::Offline, true, ""},
    };
    for (const Case& c : cases) {
        service.authorized = true;
        service.linked = true;
        network.set(true);
        told.shown.clear();
        recorder.answers.clear();
        c.arrange();
        Answer answer = list(c.folderId);
        EXPECT_EQ(answer.result, c.result) << c.name;
        EXPECT_EQ(answer.items.has_value(), c.hasItems) << c.name;
        EXPECT_EQ(told.shown.empty() ? "" : told.shown.back(), c.told) << c.name;
    }
    EXPECT_TRUE(fake.requestsTo("files.list").empty());
}

TEST_F(GDriveFolderListerTest, ABusyListerRefusesAndKeepsItsRequest)
{
    fake.setDelay(0.2);
    lister->loadContentsOfFolderId(docs, FileListItemMask::AllButNavigateUp);
    lister->loadContentsOfFolderId("SubId", FileListItemMask::AllButNavigateUp);
    lister->loadSearchResults("Plan", false);
    ASSERT_EQ(recorder.answers.size(), 2u);
    EXPECT_EQ(recorder.answers[0].result, GDriveFolderLister::Busy);
    EXPECT_EQ(recorder.answers[0].folderId, "SubId");
    EXPECT_EQ(recorder.answers[1].result, GDriveFolderLister::Busy);
    EXPECT_EQ(recorder.answers[1].folderId, std::nullopt);
    ASSERT_TRUE(driveUntil([&] { return recorder.answers.size() == 3; }));
    EXPECT_EQ(recorder.answers[2].folderId, docs);
    EXPECT_EQ(recorder.answers[2].result, GDriveFolderLister::Listed);
}

TEST_F(GDriveFolderListerTest, DriveErrorsFailTheListing)
{
    struct Case {
        const char* name;
        std::function<void()> arrange;
        int result;
        bool reauthorized;
    };
    const Case cases[] = {
        {"server error", [this] { fake.failNext("files.list", 404); }, GDriveFolderLister::Failed, false},
        {"sign-in refused",
         [this] {
             fake.expireAccessTokens();
             fake.revokeRefreshTokens();
         },
         GDriveFolderLister::Failed, true},
    };
    for (const Case& c : cases) {
        service.log.clear();
        told.shown.clear();
        c.arrange();
        Answer answer = list(docs);
        EXPECT_EQ(answer.result, c.result) << c.name;
        EXPECT_FALSE(answer.items) << c.name;
        ASSERT_EQ(told.shown.size(), 1u) << c.name;
        EXPECT_EQ(told.shown[0].rfind(localized("gdrive_directory_listing_error_title") + " | ", 0), 0u) << c.name;
        EXPECT_EQ(service.log == std::vector<std::string>{"reauthorize"}, c.reauthorized) << c.name;
    }
}

TEST_F(GDriveFolderListerTest, AListingOutlivesPassingTroubleOnDrivesSideAndSaysWhenItStays)
{
    fake.failNextAsDrive("files.list", 500);
    Answer answer = list(docs);
    EXPECT_EQ(answer.result, GDriveFolderLister::Listed);
    EXPECT_TRUE(told.shown.empty());

    fake.failNextAsDrive("files.list", 503, 4, 1);
    answer = list(docs);
    EXPECT_EQ(answer.result, GDriveFolderLister::Failed);
    ASSERT_EQ(told.shown.size(), 1u);
    EXPECT_EQ(told.shown[0],
              localized("gdrive_directory_listing_error_title") + " | " +
                  formatText(localized("gdrive_server_error_retried"), {"503", "4"}) + " | 2");
}

TEST_F(GDriveFolderListerTest, ALostConnectionListsFromTheCaches)
{
    GDriveClient unreachable{engine, oauth, {"http://127.0.0.1:1", "http://127.0.0.1:1"}};
    service.client = &unreachable;
    Answer answer = list(docs);
    EXPECT_EQ(answer.result, GDriveFolderLister::Offline);
}

TEST_F(GDriveFolderListerTest, NoAnswerFollowsCancelOrDestruction)
{
    fake.setDelay(0.1);
    lister->loadContentsOfFolderId(docs, FileListItemMask::AllButNavigateUp);
    lister->cancel();
    EXPECT_FALSE(lister->busy());
    EXPECT_FALSE(lister->showsProgress());
    lister->loadContentsOfFolderId(docs, FileListItemMask::AllButNavigateUp);
    lister.reset();
    MainLoop::runUntil([] { return false; }, 0.4);
    EXPECT_TRUE(recorder.answers.empty());

    // A delegate that drops the lister on the cached answer hears nothing more.
    lister = std::make_unique<GDriveFolderLister>(service, &recorder);
    lister->loadContentsOfFolderId(docs, FileListItemMask::AllButNavigateUp);
    ASSERT_TRUE(driveUntil([&] { return !lister->busy(); }));
    recorder.answers.clear();
    recorder.onAnswer = [this] { lister.reset(); };
    GDriveFolderLister* raw = lister.get();
    raw->loadContentsOfFolderId(docs, FileListItemMask::AllButNavigateUp);
    MainLoop::runUntil([] { return false; }, 0.4);
    EXPECT_EQ(recorder.answers.size(), 1u);
}

TEST_F(GDriveFolderListerTest, SearchTextIsEscapedInTheQuery)
{
    struct Case {
        std::string text;
        std::string sent;
    };
    const Case cases[] = {
        {"don't", "don\\'t"},
        {"a\\b", "a\\\\b"},
        {"Käse ' \\'", "Käse \\' \\\\\\'"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GDriveFolderLister::escapeSearchText(c.text), c.sent);
        fake.clearLog();
        search(c.text);
        auto asked = fake.requestsTo("files.list");
        ASSERT_EQ(asked.size(), 1u) << c.text;
        auto sent = parameters(asked[0]);
        EXPECT_EQ(sent["q"], "mimeType = 'application/x-zip' and name contains '" + c.sent + "'");
        EXPECT_EQ(sent["fields"], "files(id,name,fileExtension,trashed),nextPageToken");
        EXPECT_EQ(sent["pageSize"], "150");
    }
}

TEST_F(GDriveFolderListerTest, OnlyUntrashedNativeMapsAreSearchMatches)
{
    fake.addFile("Plan notes.txt", "text", docs, "PlanTextId", "application/x-zip");
    fake.addFile("Big plan.twkx", "zip", docs, "BigId");
    fake.addFile("Plan old.twkx", "zip", docs, "PlanOldId");
    fake.trash("PlanOldId");
    Answer answer = search("plan");
    EXPECT_EQ(answer.result, GDriveFolderLister::SearchResults);
    EXPECT_EQ(answer.folderId, std::nullopt);
    EXPECT_EQ(answer.rows(), (std::vector<std::string>{"Big plan.twkx(4)", "Plan.twkx(4)"}));

    // Offline the caches answer: only maps with a record are known.
    const size_t asked = fake.requestsTo("files.list").size();
    network.set(false);
    record("CachedId", "Plan B", docs, false);
    Answer offline = search("Plan B");
    EXPECT_EQ(offline.result, GDriveFolderLister::SearchResults);
    EXPECT_EQ(offline.rows(), (std::vector<std::string>{"Plan B(4)"}));
    EXPECT_EQ(fake.requestsTo("files.list").size(), asked);
}

TEST_F(GDriveFolderListerTest, AFailedSearchIsReported)
{
    fake.failNext("files.list", 400);
    Answer answer = search("Plan");
    EXPECT_EQ(answer.result, GDriveFolderLister::SearchError);
    EXPECT_FALSE(answer.items);
    ASSERT_EQ(told.shown.size(), 1u);
    EXPECT_EQ(told.shown[0].rfind(localized("gdrive_search_error") + " | ", 0), 0u);

    service.linked = false;
    told.shown.clear();
    answer = search("Plan");
    EXPECT_EQ(answer.result, GDriveFolderLister::SearchError);
    EXPECT_EQ(told.shown,
              (std::vector<std::string>{localized("gdrive_search_error") + " | " +
                                        localized("gdrive_disconnected_state") + " | 2"}));
}

} // namespace
