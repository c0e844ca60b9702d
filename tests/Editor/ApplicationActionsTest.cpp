#include "Editor/ApplicationActions.h"
#include "Editor/DocumentTestSupport.h"
#include "MindMaps/CustomStyleSheet.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/TopicDepthLimit.h"
#include "Utils/VersionInfoUtils.h"
#include "platform/Localizer.h"
#include "platform/MailComposer.h"
#include "platform/Menu.h"
#include "platform/NetworkController.h"
#include "store/MindMapStore.h"
#include "store/StoreImportTestSupport.h"
#include "support/RecordingUriLauncher.h"
#include "support/ScriptedAlertPanel.h"
#include "support/ScriptedFileChooser.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace storetest;
namespace fs = std::filesystem;

namespace {

const std::string GuidA = "AAAAAAAAAAAAAAAAAAAAAAAA";
const std::string GuidB = "BBBBBBBBBBBBBBBBBBBBBBBB";

struct ToolbarSegmentItem : ValidatedUserInterfaceItem {
    explicit ToolbarSegmentItem(std::string action) : _action(std::move(action)) {}
    std::string action() const override { return _action; }
    std::string _action;
};

class RecordingMailComposer : public MailComposer {
public:
    void compose(const Message& message, std::function<void(Result)> done) override
    {
        messages.push_back(message);
        done(result);
    }
    Result result = Result::Composed;
    std::vector<Message> messages;
};

class RecordingPreferences : public PreferencesView {
public:
    explicit RecordingPreferences(std::vector<std::string>& log) : _log(log) {}
    void selectPane(const std::string& identifier) override { _log.push_back("select " + identifier); }
    void show() override { _log.push_back("show"); }
    void close() override { _log.push_back("close"); }

private:
    std::vector<std::string>& _log;
};

class ApplicationActionsTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        addresses = ProductAddresses::parse("faq = https://example.org/faq\n"
                                            "home-page = https://example.org/\n"
                                            "editor-help = https://example.org/help\n"
                                            "new-features = https://example.org/new\n"
                                            "video-channel = https://example.org/videos\n"
                                            "support-mail = help@example.org\n");
        ApplicationActions::Services services;
        services.acceptsCommands = [this] { return running; };
        services.commitEditor = [this] {
            ++commits;
            return true;
        };
        services.openMindMap = [this] { return &map; };
        services.store = [this] { return start(); };
        services.showPreferences = [this](const std::string& pane) { preferencePanes.push_back(pane); };
        services.addresses = [this] { return addresses; };
        services.addressesSource = "/usr/share/tarnwick/config/product-addresses.conf";
        services.alerts = &alerts;
        services.uriLauncher = &launcher;
        services.fileChooser = &chooser;
        services.mailComposer = &mail;
        services.network = &network;
        actions = std::make_unique<ApplicationActions>(std::move(services));
    }

    void TearDown() override
    {
        actions.reset();
        StoreTest::TearDown();
    }

    bool send(const std::string& action) { return actions->performAction(action, nullptr); }
    ItemValidation validate(const ValidatedUserInterfaceItem& item) { return actions->validateUserInterfaceItem(item); }
    static int button(int index) { return AlertPanel::FirstButtonReturn + index; }

    bool running = true;
    int commits = 0;
    MindMap map;
    ProductAddresses addresses;
    std::vector<std::string> preferencePanes;
    ScriptedAlertPanel alerts;
    RecordingUriLauncher launcher;
    ScriptedFileChooser chooser;
    RecordingMailComposer mail;
    NetworkController network;
    std::unique_ptr<ApplicationActions> actions;
};

TEST_F(ApplicationActionsTest, FeedbackMailEscapesItsSubjectAndLeavesNoBlank)
{
    const std::string version = VersionInfoUtils::readibleVersionBuildNumber();
    struct Case {
        std::string address;
        std::string version;
        std::string url;
    };
    const Case cases[] = {
        {"help@example.org", "1.0 build 7",
         "mailto:help@example.org?subject=Feedback:%20Tarnwick%20for%20Linux%20-%20Version%201.0%20build%207"},
        // A version text can never add a header, a second value or a fragment.
        {"help@example.org", "1&cc=x@y.org#z",
         "mailto:help@example.org?subject=Feedback:%20Tarnwick%20for%20Linux%20-%"
         "20Version%201%26cc%3Dx@y.org%23z"},
        {"help@example.org?cc=x@y.org", "1", ""},
        {"two@example.org,three@example.org", "1", ""},
        {"", "1", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ApplicationActions::feedbackUrl(c.address, c.version), c.url) << c.address;

    ASSERT_TRUE(send("sendFeedback:"));
    ASSERT_EQ(launcher.opened.size(), 1u);
    EXPECT_EQ(launcher.opened[0], ApplicationActions::feedbackUrl("help@example.org", version));
    EXPECT_EQ(launcher.opened[0].find(' '), std::string::npos);
    EXPECT_TRUE(alerts.requests.empty());
}

TEST_F(ApplicationActionsTest, AMailOrPageThatCannotOpenIsReportedAndAMissingAddressNamesItsFile)
{
    launcher.succeeds = false;
    ASSERT_TRUE(send("sendFeedback:"));
    ASSERT_EQ(alerts.requests.size(), 1u);
    EXPECT_EQ(alerts.requests[0].messageText, localized("feedback_mail_failed_title"));
    EXPECT_NE(alerts.requests[0].informativeText.find("help@example.org"), std::string::npos);

    ASSERT_TRUE(send("showFAQ:"));
    ASSERT_EQ(alerts.requests.size(), 2u);
    EXPECT_EQ(alerts.requests[1].informativeText,
              localizedFormat("launch_failed_line",
                              {localizedFormat("launch_failed_named", {"https://example.org/faq"}), launcher.reason}));

    launcher.succeeds = true;
    launcher.opened.clear();
    addresses = ProductAddresses();
    for (const char* action :
         {"showFAQ:", "showHomePage:", "showEditorQuickHelp:", "gotoYouTubeChannel:", "sendFeedback:"})
        ASSERT_TRUE(send(action)) << action;
    EXPECT_TRUE(launcher.opened.empty());
    ASSERT_EQ(alerts.requests.size(), 7u);
    EXPECT_EQ(alerts.requests[2].messageText, localized("product_address_missing_title"));
    EXPECT_EQ(alerts.requests[6].informativeText,
              localizedFormat("product_address_missing_message",
                              {"support-mail", "/usr/share/tarnwick/config/product-addresses.conf"}));
}

TEST_F(ApplicationActionsTest, EachPageActionOpensItsAddressUnchanged)
{
    for (const char* action : {"showFAQ:", "showHomePage:", "showEditorQuickHelp:", "gotoYouTubeChannel:"})
        ASSERT_TRUE(send(action));
    actions->showNewFeatures();
    EXPECT_EQ(launcher.opened,
              (std::vector<std::string>{"https://example.org/faq", "https://example.org/", "https://example.org/help",
                                        "https://example.org/videos", "https://example.org/new"}));
}

TEST_F(ApplicationActionsTest, AboutShowsNameVersionAndCopyright)
{
    ASSERT_TRUE(send("orderFrontStandardAboutPanel:"));
    ASSERT_EQ(alerts.requests.size(), 1u);
    EXPECT_EQ(alerts.requests[0].style, AlertPanel::Style::Informational);
    EXPECT_EQ(alerts.requests[0].messageText, "Tarnwick");
    EXPECT_EQ(alerts.requests[0].informativeText,
              "Version: " + VersionInfoUtils::readibleVersionBuildNumber() + "\n" +
                  bundleInfoValue("NSHumanReadableCopyright"));
    EXPECT_EQ(alerts.requests[0].buttons.size(), 1u);
}

TEST_F(ApplicationActionsTest, PreferencesWindowIsMadeOnceWithTheSixPanesInOrder)
{
    ASSERT_TRUE(send("showPreferencesPanel:"));
    ASSERT_TRUE(send("invokeImportMindMapStore:"));
    ASSERT_TRUE(send("changeGlobalFonts:"));
    EXPECT_EQ(preferencePanes, (std::vector<std::string>{"", "Maintenance", "GlobalFonts"}));

    std::vector<std::string> log;
    int made = 0;
    std::vector<std::string> panes;
    double width = 0;
    PreferencesWindowController controller([&](std::span<const PreferencePaneInfo> given, double minimumWidth) {
        ++made;
        for (const PreferencePaneInfo& pane : given) panes.push_back(pane.identifier);
        width = minimumWidth;
        return std::make_unique<RecordingPreferences>(log);
    });
    controller.showPreferencesAtIdentifier("");
    controller.showPreferencesAtIdentifier("Maintenance");
    controller.close();
    EXPECT_EQ(made, 1);
    EXPECT_EQ(width, 515.0);
    EXPECT_EQ(panes,
              (std::vector<std::string>{"GeneralOptions", "SnapOptions", "GlobalFonts", "ImageOptions", "Maintenance",
                                        "iPhoneLinkStatus"}));
    EXPECT_EQ(log, (std::vector<std::string>{"show", "select Maintenance", "show", "close"}));
}

TEST_F(ApplicationActionsTest, WorkOfflineFlipsTheSwitchAndTheMenuTitle)
{
    MenuItem item("Work Offline", "toggleUserOffline:");
    EXPECT_EQ(validate(item).title, localized("action_work_offline"));
    ASSERT_TRUE(send("toggleUserOffline:"));
    EXPECT_TRUE(network.userOffline());
    EXPECT_EQ(validate(item).title, localized("action_work_online"));
    EXPECT_EQ(localized("action_work_online"), "Work Online");
    ASSERT_TRUE(send("toggleUserOffline:"));
    EXPECT_FALSE(network.userOffline());
    EXPECT_EQ(validate(item).title, localized("action_work_offline"));
    // A toolbar segment keeps its own title.
    EXPECT_EQ(validate(ToolbarSegmentItem("toggleUserOffline:")).title, std::nullopt);
}

TEST_F(ApplicationActionsTest, EveryItemIsDisabledBeforeTheRunAndWhileQuitting)
{
    const char* const items[] = {
        "showPreferencesPanel:",         "changeGlobalFonts:",  "sendFeedback:",       "invokeImportMindMapStore:",
        "orderFrontStandardAboutPanel:", "exportMindMapStore:", "importMindMapStore:", "showFAQ:",
        "showEditorQuickHelp:",          "gotoYouTubeChannel:", "showHomePage:",       "toggleUserOffline:",
        "orderFrontColorPanel:"};
    for (const char* action : items) {
        EXPECT_TRUE(actions->respondsToAction(action)) << action;
        EXPECT_TRUE(validate(MenuItem("", action)).enabled) << action;
    }
    EXPECT_FALSE(validate(MenuItem("", "checkForUpdates:")).enabled);
    running = false;
    for (const char* action : items) EXPECT_FALSE(validate(MenuItem("", action)).enabled) << action;
}

TEST_F(ApplicationActionsTest, DeletingACustomSheetAsksThenLeavesTheMapOnTheDefault)
{
    const MenuItem item("", "deleteSelectedCustomStyle:");
    EXPECT_FALSE(validate(item).enabled) << "a built-in sheet";

    auto custom = std::make_shared<CustomStyleSheet>();
    const std::string folder = dataHome() + "/styles";
    fs::create_directories(folder);
    ASSERT_TRUE(custom->registerWithFileName(folder + "/Mine.twkstyle"));
    map.assignStyleSheet(custom);
    EXPECT_TRUE(validate(item).enabled);

    alerts.answers.push_back({button(1), {}});
    ASSERT_TRUE(send("deleteSelectedCustomStyle:"));
    EXPECT_EQ(map.styleSheet(), custom.get()) << "cancelled";
    EXPECT_TRUE(fs::exists(folder + "/Mine.twkstyle"));

    alerts.answers.push_back({button(0), {}});
    ASSERT_TRUE(send("deleteSelectedCustomStyle:"));
    ASSERT_EQ(alerts.requests.size(), 2u);
    EXPECT_EQ(alerts.requests[1].messageText, localized("action_delete_style_sheet"));
    EXPECT_EQ(alerts.requests[1].informativeText, localizedFormat("delete_stylesheet_dialog_message", {"Mine"}));
    EXPECT_EQ(alerts.requests[1].buttons[0].title, localized("editor_menu_delete"));
    EXPECT_FALSE(fs::exists(folder + "/Mine.twkstyle"));
    EXPECT_EQ(map.styleSheet(), StyleManager::styleManager().defaultStyle().get());
    EXPECT_FALSE(validate(item).enabled);
}

TEST_F(ApplicationActionsTest, StoreExportProposesTheStoreNameAndReportsAFailure)
{
    placeFile(GuidA + ".twkx", nativeDocument(GuidA, "Alpha"));
    start();
    const std::string archive = dataHome() + "/backup.twkstore";
    chooser.saveAnswer = archive;
    ASSERT_TRUE(send("exportMindMapStore:"));
    ASSERT_EQ(chooser.saveRequests.size(), 1u);
    EXPECT_EQ(chooser.saveRequests[0].nameFieldStringValue, "Tarnwick Store");
    EXPECT_EQ(chooser.saveRequests[0].allowedTypes, std::vector<std::string>{"twkstore"});
    EXPECT_EQ(chooser.saveRequests[0].title, localized("local_store_export_title"));
    EXPECT_EQ(commits, 1);
    EXPECT_TRUE(fs::is_regular_file(archive));
    EXPECT_TRUE(alerts.requests.empty());

    chooser.saveAnswer = dataHome() + "/no-such-folder/backup.twkstore";
    ASSERT_TRUE(send("exportMindMapStore:"));
    ASSERT_EQ(alerts.requests.size(), 1u);
    EXPECT_EQ(alerts.requests[0].style, AlertPanel::Style::Critical);
    EXPECT_EQ(alerts.requests[0].messageText, localized("export_error_title"));

    chooser.saveAnswer.reset();
    ASSERT_TRUE(send("exportMindMapStore:"));
    EXPECT_EQ(commits, 2) << "a cancelled panel commits nothing";
}

// A stored map nested more deeply than any import reads is left out of the store's archive, and
// the user is told which by its title; everything else goes into the archive and comes back.
TEST_F(ApplicationActionsTest, StoreExportLeavesOutAMapTooDeepToImportAndSaysWhich)
{
    const std::string GuidDeep = "DEEP00000000000000000000";
    placeFile(GuidA + ".twkx", nativeDocument(GuidA, "Alpha"));
    placeFile(GuidDeep + ".twkx", nativeDocument(GuidDeep, "Deep", topicChain(TopicDepthLimit::MaximumLevels + 1)));
    ASSERT_NE(start()->mindMapByGuid(GuidDeep), nullptr);
    const std::string archive = dataHome() + "/backup.twkstore";
    chooser.saveAnswer = archive;
    ASSERT_TRUE(send("exportMindMapStore:"));
    ASSERT_EQ(alerts.requests.size(), 1u);
    EXPECT_EQ(alerts.requests[0].style, AlertPanel::Style::Warning);
    EXPECT_EQ(alerts.requests[0].messageText, localized("store_archive_export_left_out_title"));
    EXPECT_EQ(alerts.requests[0].informativeText,
              localizedFormat("store_archive_export_left_out",
                              {std::to_string(TopicDepthLimit::MaximumLevels), "\u201CDeep\u201D"}));

    MindMapStore::releaseMindMapStoreInstance();
    fs::remove(mapPath(GuidA));
    fs::remove(mapPath(GuidDeep));
    chooser.openAnswer = {archive};
    ASSERT_TRUE(send("importMindMapStore:"));
    ASSERT_EQ(alerts.requests.size(), 2u);
    EXPECT_EQ(alerts.requests[1].informativeText, localizedFormat("store_archive_import_result", {"1", "0", "0", "0"}))
        << "nothing of the archive was refused";
    EXPECT_NE(start()->mindMapByGuid(GuidA), nullptr);
    EXPECT_EQ(start()->mindMapByGuid(GuidDeep), nullptr);
}

TEST_F(ApplicationActionsTest, StoreImportCountsMapsStylesImagesAndSkippedFiles)
{
    placeFile(GuidA + ".twkx", nativeDocument(GuidA, "Alpha"));
    placeFile(GuidB + ".twkx", nativeDocument(GuidB, "Beta"));
    const std::string archive = dataHome() + "/backup.twkstore";
    ASSERT_TRUE(start()->exportToArchive(archive));
    MindMapStore::releaseMindMapStoreInstance();
    fs::remove(mapPath(GuidB));

    chooser.openAnswer = {archive};
    ASSERT_TRUE(send("importMindMapStore:"));
    ASSERT_EQ(chooser.openRequests.size(), 1u);
    EXPECT_EQ(chooser.openRequests[0].allowedTypes, std::vector<std::string>{"twkstore"});
    EXPECT_FALSE(chooser.openRequests[0].allowsMultipleSelection);
    ASSERT_EQ(alerts.requests.size(), 1u);
    EXPECT_EQ(alerts.requests[0].messageText, localized("store_archive_import_result_title"));
    EXPECT_EQ(alerts.requests[0].informativeText, localizedFormat("store_archive_import_result", {"1", "0", "0", "1"}));
    EXPECT_NE(start()->mindMapByGuid(GuidB), nullptr);

    // Several files import nothing and show nothing; a file that is no archive is reported.
    chooser.openAnswer = {archive, archive};
    ASSERT_TRUE(send("importMindMapStore:"));
    EXPECT_EQ(alerts.requests.size(), 1u);
    writeTestFile(dataHome() + "/broken.twkstore", "not a zip");
    chooser.openAnswer = {dataHome() + "/broken.twkstore"};
    ASSERT_TRUE(send("importMindMapStore:"));
    ASSERT_EQ(alerts.requests.size(), 2u);
    EXPECT_EQ(alerts.requests[1].style, AlertPanel::Style::Critical);
    EXPECT_EQ(alerts.requests[1].messageText, localized("store_archive_import_error"));
    // Under the title that says what failed, the reason says why.
    EXPECT_EQ(alerts.requests[1].informativeText,
              localizedFormat("store_archive_open_error", {dataHome() + "/broken.twkstore"}));
}

TEST_F(ApplicationActionsTest, DropboxTimeOutReportGoesToSupportAndAMailThatCannotStartIsReported)
{
    alerts.answers.push_back({button(0), {}});
    NotificationCenter::defaultCenter().post(ApplicationActions::DropboxSyncTimeOutNotification, nullptr,
                                             {{"State", std::string("uploads: 3 pending")}});
    ASSERT_EQ(alerts.requests.size(), 1u);
    EXPECT_EQ(alerts.requests[0].informativeText,
              localized("dropbox_sync_timeout_feedback_request") + "\n\nuploads: 3 pending");
    ASSERT_EQ(mail.messages.size(), 1u);
    EXPECT_EQ(mail.messages[0].recipient, "help@example.org");
    EXPECT_EQ(mail.messages[0].subject, "Tarnwick for Linux: Dropbox sync time out");
    EXPECT_EQ(mail.messages[0].body, "uploads: 3 pending");

    for (MailComposer::Result result : {MailComposer::Result::NoMailProgram, MailComposer::Result::Failed}) {
        mail.result = result;
        alerts.answers.push_back({button(0), {}});
        actions->dropboxSyncTimeOut("report");
        EXPECT_NE(alerts.requests.back().informativeText.find("help@example.org"), std::string::npos);
    }
    EXPECT_EQ(alerts.requests.size(), 5u);
    // Cancel composes nothing.
    actions->dropboxSyncTimeOut("report");
    EXPECT_EQ(mail.messages.size(), 3u);
}

// ---- the addresses file ----

TEST(ProductAddresses, OnlyCheckedValuesAreTaken)
{
    struct Case {
        const char* text;
        std::string faq;
        std::string mail;
    };
    const Case cases[] = {
        {"faq = https://a.org/faq\nsupport-mail = s@a.org\n", "https://a.org/faq", "s@a.org"},
        {"faq=http://a.org/x?y=1#z\r\nsupport-mail=s.t+u@a-b.org\r\n", "http://a.org/x?y=1#z", "s.t+u@a-b.org"},
        {"# faq = https://a.org\n  \n", "", ""},
        {"faq = javascript:alert(1)\nsupport-mail = s@a.org?cc=t@b.org\n", "", ""},
        {"faq = https://a.org/a b\nsupport-mail = <s@a.org>\n", "", ""},
        {"faq = https:///path\nsupport-mail = s@@a.org\n", "", ""},
        {"faq = https://a.org/\"onload\nsupport-mail = s@localhost\n", "", ""},
        {"faq https://a.org\nsomething = else\n=\n", "", ""},
        {"faq = https://a.org/1\nfaq = not an address\n", "", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        const ProductAddresses addresses = ProductAddresses::parse(c.text);
        EXPECT_EQ(addresses.faq, c.faq) << c.text;
        EXPECT_EQ(addresses.supportMail, c.mail) << c.text;
    }
    const std::string longLine = "faq = https://a.org/" + std::string(ProductAddresses::MaximumLineLength, 'x');
    EXPECT_EQ(ProductAddresses::parse(longLine).faq, "");
}

TEST(ProductAddresses, TheInstalledFileNamesEveryAddress)
{
    const ProductAddresses installed = ProductAddresses::loadInstalled();
    for (const std::string* value : {&installed.faq, &installed.homePage, &installed.editorHelp, &installed.newFeatures,
                                     &installed.videoChannel, &installed.supportMail})
        EXPECT_FALSE(value->empty());
}

} // namespace
