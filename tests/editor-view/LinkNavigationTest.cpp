#include "EditorViewTestSupport.h"

#include "MindMaps/DiagramLink.h"
#include "MindMaps/MindMapImage.h"
#include "Utils/RecordingFeedbackSink.h"
#include "Utils/StringUtils.h"
#include "Utils/URLUtils.h"
#include "editor-view/AudioManager.h"
#include "editor-view/PictureTestSupport.h"
#include "platform/Localizer.h"
#include "store/CustomImageStore.h"
#include "store/MindMapProviders.h"

#include "support/RecordingUriLauncher.h"
#include "support/ScriptedAlertPanel.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>

using namespace editortest;
using namespace picturetest;

namespace {

constexpr const char* OpenMapId = "0123456789ABCDEF01234567";
constexpr const char* OtherMapId = "FEDCBA9876543210FEDCBA98";

class LinkNavigationTest : public EditorViewTest {
protected:
    void SetUp() override
    {
        EditorViewTest::SetUp();
        DiagramLink::setLocalMapLookup([](const std::string& guid) -> std::optional<std::string> {
            if (caseInsensitiveEqual(guid, OpenMapId) || caseInsensitiveEqual(guid, OtherMapId))
                return std::string("A map");
            return std::nullopt;
        });
        map->setImageStore(store);
        showMap();
        writeTestFile(folder.file("Report.pdf"), "%PDF-1.4");
        writeTestFile(folder.file("tool"), "#!/bin/sh\n");
        ::chmod(folder.file("tool").c_str(), 0755);
    }
    void TearDown() override
    {
        DiagramLink::setLocalMapLookup(nullptr);
        EditorViewTest::TearDown();
    }

    // The notification the click left: title and message.
    std::pair<std::string, std::string> lastNotification() const
    {
        if (sink.notifications.empty()) return {};
        return {sink.notifications.back().title, sink.notifications.back().message};
    }
    std::pair<std::string, std::string> linkError(const char* key) const
    {
        return {localized("editor_link_error_dialog_title"), localized(key)};
    }
    std::pair<std::string, std::string> linkFailure(const std::string& link, const std::string& reason) const
    {
        return {localized("editor_link_error_dialog_title"),
                localizedFormat("launch_failed_line", {localizedFormat("launch_failed_named", {link}), reason})};
    }

    TempDir folder;
    std::shared_ptr<CustomImageStore> store = std::make_shared<CustomImageStore>(folder.file("images"));
    EditorInterfaceScope scope;
    RecordingUriLauncher launcher;
    RecordingFeedbackSink sink;
    RecordingPdfViewer pdfViewer;
    RecordingImagePreview preview;
};

TEST_F(LinkNavigationTest, ATopicWithoutLinkIsNoLinkClick)
{
    EXPECT_FALSE(editor->handleLinkClick(nullptr));
    EXPECT_FALSE(editor->handleLinkClick(child));
    EXPECT_TRUE(sink.notifications.empty());
}

TEST_F(LinkNavigationTest, LocalMapLinksOpenTheMapOrSayWhyNot)
{
    struct Case {
        const char* what;
        std::string mapId;
        std::string element;
        const char* error; // nullptr: the map opens
    };
    const Case cases[] = {
        {"unknown map", "AAAAAAAAAAAAAAAAAAAAAAAA", "", "editor_linked_map_not_found"},
        {"the open map", OpenMapId, "", "editor_linked_map_is_active_map"},
        {"the open map in other case", "0123456789abcdef01234567", "", "editor_linked_map_is_active_map"},
        {"an element of the open map", OpenMapId, "element-guid", nullptr},
        {"another map", OtherMapId, "", nullptr},
    };
    for (const Case& c : cases) {
        sink.notifications.clear();
        scope.editor->openings.clear();
        child->linkToLocalMap(c.mapId, c.element, false);
        map->setSelectedElement(theme);
        EXPECT_TRUE(editor->handleLinkClick(child)) << c.what;
        EXPECT_EQ(map->selectedNode(), child) << c.what;
        if (c.error) {
            EXPECT_EQ(lastNotification(), linkError(c.error)) << c.what;
            EXPECT_EQ(sink.notifications.back().state, FeedbackStateError) << c.what;
            EXPECT_TRUE(scope.editor->openings.empty()) << c.what;
        } else {
            EXPECT_TRUE(sink.notifications.empty()) << c.what;
            ASSERT_EQ(scope.editor->openings.size(), 1u) << c.what;
            EXPECT_EQ(scope.editor->openings[0].providerId, "Local");
            EXPECT_EQ(scope.editor->openings[0].mindMapId, c.mapId);
            EXPECT_EQ(scope.editor->openings[0].element, c.element);
        }
    }
}

TEST_F(LinkNavigationTest, WebAndFileLinksGoToTheDesktopUnderTheLinkRule)
{
    struct Case {
        std::string link;
        std::vector<std::string> opened;
        std::vector<std::string> shown;
        // Why it did not open; the message names the link and says so.
        const char* reason;
    };
    const std::string canonical = std::filesystem::canonical(folder.path()).string();
    const Case cases[] = {
        {"https://example.com/a b", {"https://example.com/a%20b"}, {}, nullptr},
        {"mailto:team@example.com", {"mailto:team@example.com"}, {}, nullptr},
        {"tel:+15550100", {"tel:+15550100"}, {}, nullptr},
        {folder.file("Report.pdf"), {fileURLWithPath(canonical + "/Report.pdf")}, {}, nullptr},
        {folder.file("tool"), {}, {canonical + "/tool"}, nullptr},
        {"javascript:alert(1)", {}, {}, "launch_failed_refused_link"},
        {"smb://server/share", {}, {}, "launch_failed_refused_link"},
        {folder.file("missing.pdf"), {}, {}, "launch_failed_not_found"},
    };
    for (const Case& c : cases) {
        sink.notifications.clear();
        launcher.opened.clear();
        launcher.shownInFileManager.clear();
        child->linkToURL(c.link);
        EXPECT_TRUE(editor->handleLinkClick(child)) << c.link;
        EXPECT_EQ(launcher.opened, c.opened) << c.link;
        EXPECT_EQ(launcher.shownInFileManager, c.shown) << c.link;
        if (c.reason) EXPECT_EQ(lastNotification(), linkFailure(c.link, localized(c.reason))) << c.link;
        else if (c.shown.empty()) EXPECT_TRUE(sink.notifications.empty()) << c.link;
        else EXPECT_EQ(sink.notifications.back().state, FeedbackStateInformation) << c.link;
    }
    // The desktop refusing is an error too, in the desktop's words.
    launcher.succeeds = false;
    child->linkToURL("https://example.com");
    editor->handleLinkClick(child);
    EXPECT_EQ(lastNotification(), linkFailure("https://example.com", launcher.reason));
    // A file by its path, as the user linked it.
    child->linkToURL(folder.file("Report.pdf"));
    editor->handleLinkClick(child);
    EXPECT_EQ(lastNotification(), linkFailure(canonical + "/Report.pdf", launcher.reason));
}

// A program, shown in the file manager instead of run, says one thing once the file manager has
// answered: that it is shown, or why not; never an alert besides. A voice memo that would run says
// only that it did not play.
TEST_F(LinkNavigationTest, AProgramShownInsteadOfRunSaysOneThing)
{
    ScriptedAlertPanel alerts;
    child->linkToURL(folder.file("tool"));
    for (const auto& [fails, title] :
         {std::pair{false, "editor_linked_program_shown_title"}, {true, "editor_link_error_dialog_title"}}) {
        sink.notifications.clear();
        launcher.fileManagerFails = fails;
        editor->handleLinkClick(child);
        ASSERT_EQ(sink.notifications.size(), 1u) << title;
        EXPECT_EQ(lastNotification().first, localized(title));
        EXPECT_EQ(lastNotification().second.find(launcher.reason) != std::string::npos, fails) << title;
    }
    sink.notifications.clear();
    AudioManager::instance().playback(folder.file("tool"));
    EXPECT_EQ(sink.notifications.size(), 1u);
    EXPECT_TRUE(alerts.requests.empty());
}

TEST_F(LinkNavigationTest, PdfPageLinksOpenTheFileAtThePage)
{
    struct Case {
        std::string link;
        int64_t page; // -1: no PDF page link
    };
    const std::string pdf = folder.file("Report.pdf");
    const Case cases[] = {
        {pdf + "#page=3", 3},
        {pdf + "?page=12", 12},
        {fileURLWithPath(pdf) + "#zoom=2&page=4", 4},
        {pdf + "#PAGE=x", 0},
        {pdf, -1},
        {folder.file("Missing.pdf") + "#page=2", -1},
        {"https://example.com/a.pdf#page=2", -1},
    };
    for (const Case& c : cases) {
        pdfViewer.opened.clear();
        child->linkToURL(c.link);
        editor->handleLinkClick(child);
        if (c.page < 0) {
            EXPECT_TRUE(pdfViewer.opened.empty()) << c.link;
        } else {
            ASSERT_EQ(pdfViewer.opened.size(), 1u) << c.link;
            EXPECT_EQ(pdfViewer.opened[0], std::make_pair(pdf, c.page)) << c.link;
        }
    }
}

TEST_F(LinkNavigationTest, CloudLinksOpenOnlyFromACloudMap)
{
    child->linkToCloudMap("/Maps/Other.twkx", "", "");
    editor->handleLinkClick(child);
    EXPECT_EQ(lastNotification(), linkError("editor_linked_document_in_cloud"));
    child->linkToCloudDocument("/Docs/a.pdf", "");
    editor->handleLinkClick(child);
    EXPECT_EQ(lastNotification(), linkError("editor_linked_document_in_cloud"));

    scope.useCloudMap();

    child->linkToCloudMap("/Maps/Plan.twkx", "", "");
    editor->handleLinkClick(child);
    EXPECT_EQ(lastNotification(), linkError("editor_linked_map_is_active_map"));

    sink.notifications.clear();
    child->linkToCloudMap("/Maps/Plan.twkx", "", "elem");
    editor->handleLinkClick(child);
    child->linkToCloudMap("/Maps/Other.twkx", "id:42", "");
    editor->handleLinkClick(child);
    EXPECT_TRUE(sink.notifications.empty());
    ASSERT_EQ(scope.editor->openings.size(), 2u);
    EXPECT_EQ(scope.editor->openings[0].mindMapId, "/Maps/Plan.twkx");
    EXPECT_EQ(scope.editor->openings[0].element, "elem");
    EXPECT_EQ(scope.editor->openings[1].providerId, "Dropbox");
    EXPECT_EQ(scope.editor->openings[1].mindMapId, "id:42");

    child->linkToCloudDocument("/Docs/a.pdf", "");
    editor->handleLinkClick(child);
    child->linkToCloudDocument("/Docs/b.pdf", "id:7");
    editor->handleLinkClick(child);
    EXPECT_EQ(scope.cloud->openedLinks, (std::vector<std::string>{"/Docs/a.pdf", "id:7"}));
}

TEST_F(LinkNavigationTest, ContactLinksSayThatThisSystemHasNoAddressBook)
{
    EXPECT_FALSE(BaseContactHandler::areContactsSupported());
    child->linkToPhoneContact("+1 555 0100", "");
    EXPECT_TRUE(editor->handleLinkClick(child));
    EXPECT_EQ(lastNotification().first, localized("unable_to_locate_contact"));
    EXPECT_NE(lastNotification().second.find("+1 555 0100"), std::string::npos);
    EXPECT_EQ(sink.notifications.back().state, FeedbackStateError);
    child->linkToEmailContact("ann@example.com", "");
    editor->handleLinkClick(child);
    EXPECT_NE(lastNotification().second.find("ann@example.com"), std::string::npos);
    EXPECT_TRUE(launcher.opened.empty());
}

TEST_F(LinkNavigationTest, VoiceMemosPlayThroughTheirStorage)
{
    EXPECT_FALSE(editor->handleVoiceMemoClick(child));
    const auto playbackError = [&](const std::string& message) {
        return std::make_pair(localized("audio_playback_error"), message);
    };
    auto dropbox = std::make_shared<FakeCloudProvider>();
    MindMapProviders::instance().registerProvider(dropbox);

    struct Case {
        const char* memo;
        bool cloudMap;
        bool signedIn;
        std::string error; // empty: played
        FakeCloudProvider* player;
    };
    const Case cases[] = {
        {"local-audio://rec/1.m4a", true, true, "Voice memo is not stored in cloud.", nullptr},
        {"cloud://Audio/1.m4a", false, true, localized("cannot_open_cloud_voice_memo"), nullptr},
        {"cloud://Audio/1.m4a", true, true, "", scope.cloud.get()},
        {"dropbox://Audio/2.m4a", false, true, "", dropbox.get()},
        {"dropbox://Audio/2.m4a", false, false, localizedFormat("not_connected_to_cloud", {"Cloudy"}), nullptr},
        {"ftp://Audio/3.m4a", false, true, "ftp://Audio/3.m4a", nullptr},
        {"no protocol", false, true, "no protocol", nullptr},
    };
    for (const Case& c : cases) {
        sink.notifications.clear();
        scope.cloud->openedLinks.clear();
        dropbox->openedLinks.clear();
        dropbox->signedIn = c.signedIn;
        if (c.cloudMap) scope.useCloudMap();
        else scope.useLocalMap();
        child->setVoiceMemo(c.memo);
        EXPECT_TRUE(editor->handleVoiceMemoClick(child)) << c.memo;
        if (c.error.empty()) {
            EXPECT_TRUE(sink.notifications.empty()) << c.memo;
            ASSERT_EQ(c.player->openedLinks.size(), 1u) << c.memo;
            EXPECT_EQ(c.player->openedLinks[0], std::string("/") + (std::strchr(c.memo, ':') + 3));
        } else {
            EXPECT_EQ(lastNotification(), playbackError(c.error)) << c.memo;
        }
    }
    MindMapProviders::instance().unregisterProvider(dropbox.get());

    // Playing a downloaded file opens it like a linked file, never runs it.
    writeTestFile(folder.file("memo.m4a"), "audio");
    AudioManager::instance().playback(folder.file("memo.m4a"));
    ASSERT_EQ(launcher.opened.size(), 1u);
    sink.notifications.clear();
    AudioManager::instance().playback(folder.file("tool"));
    EXPECT_EQ(launcher.opened.size(), 1u);
    EXPECT_EQ(lastNotification().first, localized("audio_playback_error"));
}

TEST_F(LinkNavigationTest, TheFullSizeImageOpensItsLinkOrItsStoredPicture)
{
    MindMapImage* image = theme->addCustomImage("0123456789abcdef0123456789abcdef01234567", "");
    map->setSelectedElement(image);
    const auto imageError = [](const std::string& message) {
        return std::make_pair(localized("cannot_open_linked_document"), message);
    };

    image->setImageLink("assets-library://asset/IMG_1.JPG");
    editor->openFullSizeImage();
    EXPECT_EQ(lastNotification(), imageError("Cannot open iOS device specific link"));

    image->setImageLink("cloud://Pics/big.png");
    editor->openFullSizeImage();
    EXPECT_EQ(lastNotification(), imageError(localized("editor_linked_document_in_cloud")));
    scope.useCloudMap();
    editor->openFullSizeImage();
    EXPECT_EQ(scope.cloud->openedLinks, std::vector<std::string>{"/Pics/big.png"});

    image->setImageLink("javascript:alert(1)");
    editor->openFullSizeImage();
    EXPECT_EQ(lastNotification(),
              imageError(localizedFormat("launch_failed_line",
                                         {localizedFormat("launch_failed_named", {"javascript:alert(1)"}),
                                          localized("launch_failed_refused_link")})));

    image->setImageLink("https://example.com/big.png");
    editor->openFullSizeImage();
    EXPECT_EQ(launcher.opened, std::vector<std::string>{"https://example.com/big.png"});

    image->setImageLink("");
    editor->openFullSizeImage();
    EXPECT_EQ(lastNotification(),
              std::make_pair(localized("file_not_found"), store->customImageFilePath(image->imageHash())));
    EXPECT_TRUE(preview.shown.empty());

    const std::string hash = store->importImage(makePicture(50, 40), 320);
    MindMapImage* stored = theme->addCustomImage(hash, "");
    map->setSelectedElement(stored);
    editor->openFullSizeImage();
    EXPECT_EQ(preview.shown, std::vector<std::string>{fileURLWithPath(store->customImageFilePath(hash))});
}

} // namespace

namespace {

TEST(PdfPageCommandLine, KnownViewersGetThePageOthersNone)
{
    using Line = std::optional<std::vector<std::string>>;
    struct Case {
        std::string program;
        std::string path;
        int64_t page;
        Line line;
    };
    const Case cases[] = {
        {"evince", "/d/a.pdf", 3, Line({"evince", "--page-index=3", "--", "/d/a.pdf"})},
        {"/usr/bin/atril", "/d/a.pdf", 12, Line({"/usr/bin/atril", "--page-index=12", "--", "/d/a.pdf"})},
        {"okular", "/d/a.pdf", 2, Line({"okular", "--page", "2", "--", "/d/a.pdf"})},
        {"zathura", "/d/-x.pdf", 5, Line({"zathura", "--page=5", "--", "/d/-x.pdf"})},
        {"mupdf", "/d/a.pdf", 4, Line({"mupdf", "/d/a.pdf", "4"})},
        {"evince", "/d/a.pdf", 0, std::nullopt},
        {"evince", "relative.pdf", 3, std::nullopt},
        {"firefox", "/d/a.pdf", 3, std::nullopt},
        {"", "/d/a.pdf", 3, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PdfPreviewManager::pageCommandLine(c.program, c.path, c.page), c.line) << c.program << c.page;
}

} // namespace
