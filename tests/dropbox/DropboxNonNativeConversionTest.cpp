#include "DropboxTaskFixture.h"

#include "dropbox/DropboxNonNativeConversionTask.h"
#include "formats/MindMapConverter.h"
#include "formats/TwkxDataExtractor.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/Localizer.h"
#include "store/ForeignMapConversion.h"

namespace fs = std::filesystem;

namespace {

const char* const Opml =
    "<opml version=\"2.0\"><body><outline text=\"Ideas\"><outline text=\"One\"/></outline></body></opml>";

struct Converted {
    std::string source;
    std::string created;
    std::string error;
};

struct DropboxNonNativeConversionTest : DropboxTaskFixture {
    std::vector<Converted> results;
    DropboxNonNativeConversionTask task{*service,
                                        [this](const std::string& source, const std::string& created,
                                               const std::string& error, DropboxNonNativeConversionTask&) {
                                            results.push_back({source, created, error});
                                        }};

    DropboxNonNativeConversionTest()
    {
        registerNativeFormat();
        registerForeignFormats();
        fake.putFile("/Notes/Ideas.opml", Opml);
        fake.putFile("/Work/Plan.mm", "<map version=\"1.0.1\"><node TEXT=\"Plan\"/></map>");
        fake.putFile("/Work/Broken.opml", "not a map at all");
        fake.putFile("/Work/Letter.doc", "doc");
        fake.clearLog();
    }

    Converted convert(const std::string& path)
    {
        results.clear();
        task.convertNonNativeMindMap(path);
        EXPECT_TRUE(waitFor([&] { return !task.busy(); }));
        EXPECT_EQ(results.size(), 1u);
        return results.empty() ? Converted{} : results.back();
    }

    // Files left in the folders temporary files go to.
    size_t temporaryFiles() const
    {
        const std::string folder = ForeignMapConversion::scratchDirectory();
        return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
    }
};

} // namespace

TEST_F(DropboxNonNativeConversionTest, MakesANativeMapBesideTheSourceAndANumberedOneTheSecondTime)
{
    const Converted first = convert("/Notes/Ideas.opml");
    EXPECT_EQ(first.error, "");
    EXPECT_EQ(first.created, "/Notes/Ideas.twkx");
    const Converted again = convert("/Notes/Ideas.opml");
    EXPECT_EQ(again.created, "/Notes/Ideas (1).twkx");
    EXPECT_EQ(fake.fileContents("/Notes/Ideas.opml"), Opml);
    EXPECT_EQ(temporaryFiles(), 0u);

    // The new map is a native archive that reads back with the source's topics.
    const std::string cached = cacheFile("/Notes/Ideas.twkx");
    ASSERT_TRUE(fs::exists(cached));
    EXPECT_TRUE(service->fileInfo().get("/Notes/Ideas.twkx")->isNew());
    std::string problem;
    std::optional<MindMapData> bytes = ForeignMapConversion::readFile(cached, problem);
    ASSERT_TRUE(bytes);
    TwkxDataExtractor extractor;
    ASSERT_TRUE(extractor.readFromData(*bytes, TwkxDataExtractor::CollectFullText));
    EXPECT_TRUE(extractor.isArchive());
    EXPECT_EQ(extractor.fullText(), (std::vector<std::string>{"Ideas", "One"}));

    EXPECT_EQ(convert("/Work/Plan.mm").created, "/Work/Plan.twkx");
}

TEST_F(DropboxNonNativeConversionTest, FailuresSayWhyAndLeaveNothingBehind)
{
    struct Case {
        const char* name;
        std::function<void(DropboxNonNativeConversionTest&)> arrange;
        std::string path;
        std::string error;
        std::vector<std::string> routes;
    };
    const std::vector<Case> cases = {
        {"not a convertible kind",
         [](DropboxNonNativeConversionTest&) {},
         "/Work/Letter.doc",
         "Unsupported mind map format",
         {}},
        {"gone from the server",
         [](DropboxNonNativeConversionTest&) {},
         "/Work/Gone.opml",
         localized("db_file_not_found"),
         {"files/download"}},
        {"not a map inside", [](DropboxNonNativeConversionTest&) {}, "/Work/Broken.opml", "", {"files/download"}},
        {"offline",
         [](DropboxNonNativeConversionTest& t) {
             t.network.set(false);
             NetworkController::networkAvailable();
         },
         "/Notes/Ideas.opml",
         localized("no_network_available"),
         {}},
        {"not linked",
         [](DropboxNonNativeConversionTest& t) { t.unlink(); },
         "/Notes/Ideas.opml",
         localized("db_disconnected_state"),
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake.clearLog();
        c.arrange(*this);
        const Converted result = convert(c.path);
        if (c.error.empty()) {
            EXPECT_EQ(result.error.rfind(localized("error_unable_to_convert_to_native_mind_map"), 0), 0u);
        } else {
            EXPECT_EQ(result.error, c.error);
        }
        EXPECT_EQ(result.created, "");
        EXPECT_EQ(routesAsked(), c.routes);
        EXPECT_EQ(temporaryFiles(), 0u);
        EXPECT_TRUE(FeedbackCenter::feedbackCenter().progressStack().empty());
    }
    EXPECT_EQ(fake.filePaths().size(), 4u);
}

TEST_F(DropboxNonNativeConversionTest, ACancelDuringTheDownloadLeavesNoFileAndNoCallback)
{
    fake.setDelay(0.3);
    task.convertNonNativeMindMap("/Notes/Ideas.opml");
    ASSERT_TRUE(task.busy());
    task.convertNonNativeMindMap("/Work/Plan.mm");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].error, "Conversion in progress");
    EXPECT_EQ(results[0].source, "/Work/Plan.mm");
    results.clear();
    task.cancel();
    MainLoop::runUntil([] { return false; }, 0.6);
    EXPECT_TRUE(results.empty());
    EXPECT_EQ(temporaryFiles(), 0u);
    EXPECT_FALSE(service->fileInfo().get("/Notes/Ideas.twkx"));
}

TEST_F(DropboxNonNativeConversionTest, TheServiceOpensTheNewMapOrTellsTheUser)
{
    service->convertNonNativeMindMap("/Notes/Ideas.opml");
    ASSERT_TRUE(waitFor([] { return !Dropbox::userTaskBusy(); }));
    EXPECT_EQ(editor->log.back(), "open /Notes/Ideas.twkx");

    told.shown.clear();
    service->convertNonNativeMindMap("/Work/Letter.doc");
    EXPECT_FALSE(Dropbox::userTaskBusy());
    EXPECT_EQ(told.shown,
              std::vector<std::string>{localized("error_unable_to_convert_to_native_mind_map") +
                                       " | Unsupported mind map format\n/Work/Letter.doc | 2"});
}

// The folder list shows the new map even when the listing was asked for before the map went up and
// answered after it: the answer no longer holds the map as new, nor the map itself.
TEST_F(DropboxNonNativeConversionTest, AConvertedMapIsListedWhenTheListingRacesItsUpload)
{
    makeActive();
    ListedRows rows;
    // The folder as it was when asked for, answered only once the conversion has gone up.
    const std::string before = fake.revision("/Notes/Ideas.opml").value();
    LoopbackReply stale = LoopbackReply::json(
        200,
        "{\"entries\":[{\".tag\":\"file\",\"name\":\"Ideas.opml\",\"path_display\":\"/Notes/Ideas.opml\","
        "\"id\":\"id:1\",\"rev\":\"" +
            before +
            "\",\"size\":9,\"server_modified\":\"2024-01-02T03:04:05Z\"}],\"cursor\":\"c\",\"has_more\":false}");
    stale.delaySeconds = 1;
    fake.answerNext("files/list_folder", stale);

    DropboxLister lister(*service, &rows);
    lister.loadContentsOfPath("/Notes", FileListItemMask::AllButNavigateUp);
    service->convertNonNativeMindMap("/Notes/Ideas.opml");
    ASSERT_TRUE(waitFor([&] { return fake.fileContents("/Notes/Ideas.twkx").has_value(); }));
    ASSERT_TRUE(waitFor([&] { return !service->fileInfo().get("/Notes/Ideas.twkx")->isNew(); }));
    ASSERT_TRUE(lister.busy()) << "the listing answers after the upload";
    // The new map is open in the editor by then.
    std::shared_ptr<MindMapStorage> open = service->provider()->createStorage("/Notes/Ideas.twkx");
    editor->storage = open.get();
    editor->provider = service->provider().get();

    ASSERT_TRUE(waitFor([&] { return !lister.busy(); }));
    EXPECT_EQ(rows.paths, (std::vector<std::string>{"/Notes/Ideas.twkx", "/Notes/Ideas.opml"}));
    EXPECT_TRUE(fs::exists(cacheFile("/Notes/Ideas.twkx"))) << "the open map was not taken for one gone";
    editor->storage = nullptr;
    editor->provider = nullptr;
}

TEST(ForeignMapConversionTest, LargeOrMissingFilesAreRefusedBeforeReading)
{
    TempDir dir;
    const std::string big = dir.file("big.opml");
    {
        std::ofstream out(big, std::ios::binary);
        out.seekp(static_cast<std::streamoff>(ForeignMapConversion::MaximumFileSize));
        out.put('x');
    }
    std::string error;
    EXPECT_FALSE(ForeignMapConversion::readFile(big, error));
    EXPECT_EQ(error, localizedFormat("conversion_file_too_large_error", {"64"}));
    EXPECT_FALSE(ForeignMapConversion::readFile(dir.file("missing.opml"), error));
    EXPECT_EQ(error, localized("filer_read_error"));

    struct Case {
        const char* name;
        int32_t format;
    };
    for (const Case& c : {Case{"a.MM", 5}, Case{"b.opml", 4}, Case{"c.txt", 6}, Case{"d.pdf", 7}, Case{"e.doc", 0},
                          Case{".opml", 0}, Case{"noextension", 0}}) {
        EXPECT_EQ(ForeignMapConversion::readFormatOfFileName(std::string("/x/") + c.name), c.format) << c.name;
    }
}
