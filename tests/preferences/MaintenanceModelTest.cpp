#include "preferences/MaintenanceModel.h"

#include "platform/Localizer.h"

#include "preferences/PreferencesTestSupport.h"
#include "support/RecordingUriLauncher.h"
#include "support/ScriptedAlertPanel.h"

#include <optional>
#include <vector>

namespace {

class MaintenanceModelTest : public PreferencesTest {
protected:
    MaintenanceModel make()
    {
        MaintenanceModel::Services services;
        services.sendAction = [this](const std::string& action) { sent.push_back(action); };
        services.uriLauncher = &launcher;
        services.alerts = &alerts;
        return MaintenanceModel(defaults(), services);
    }

    std::vector<std::string> sent;
    RecordingUriLauncher launcher;
    ScriptedAlertPanel alerts;
};

TEST_F(MaintenanceModelTest, OnlyAStoredModeOfZeroToTwoTurnsOnARadio)
{
    struct Case {
        std::optional<int64_t> stored;
        std::optional<int> shown;
    };
    for (const Case& c : {Case{std::nullopt, 0}, Case{0, 0}, Case{1, 1}, Case{2, 2}, Case{3, std::nullopt},
                          Case{-1, std::nullopt}, Case{1LL << 40, std::nullopt}}) {
        if (c.stored) defaults().setInteger("storeImportMode", *c.stored);
        else defaults().removeObject("storeImportMode");
        EXPECT_EQ(make().importMode(), c.shown) << (c.stored ? *c.stored : -99);
    }
    MaintenanceModel model = make();
    model.importModeChange(2);
    EXPECT_EQ(defaults().integerForKey("storeImportMode"), 2);
    model.importModeChange(5);
    EXPECT_EQ(defaults().integerForKey("storeImportMode"), 2);
}

TEST_F(MaintenanceModelTest, TheArchiveButtonsAndHelpSendTheApplicationsActions)
{
    MaintenanceModel model = make();
    model.exportButtonClicked();
    model.importButtonClicked();
    model.openWebFaq();
    EXPECT_EQ(sent, (std::vector<std::string>{"exportMindMapStore:", "importMindMapStore:", "showFAQ:"}));
}

TEST_F(MaintenanceModelTest, TheStoreFolderIsShownElseOpenedElseTheAlertOffersHelp)
{
    MaintenanceModel model = make();
    model.openStoreDirectory("/data/Tarnwick/Mind Maps");
    EXPECT_EQ(launcher.shownInFileManager, std::vector<std::string>{"/data/Tarnwick/Mind Maps"});
    EXPECT_TRUE(launcher.opened.empty());
    EXPECT_TRUE(alerts.requests.empty());

    launcher.succeeds = false;
    alerts.answers.push_back({AlertPanel::FirstButtonReturn + 1, ""});
    model.openStoreDirectory("/data/Tarnwick/Mind Maps");
    EXPECT_EQ(launcher.opened, std::vector<std::string>{"file:///data/Tarnwick/Mind%20Maps"});
    ASSERT_EQ(alerts.requests.size(), 1u);
    const AlertPanel::Request& request = alerts.requests.front();
    EXPECT_EQ(request.messageText, localized("local_store_open_error_message"));
    EXPECT_NE(request.informativeText.find(localized("local_store_hidden_library_message")), std::string::npos);
    ASSERT_EQ(request.buttons.size(), 2u);
    EXPECT_EQ(request.buttons[0].title, localized("ok_button_title"));
    EXPECT_EQ(request.buttons[1].title, localized("help_ad_dialog_help_button"));
    EXPECT_EQ(sent, std::vector<std::string>{"showFAQ:"});

    // OK only closes the alert.
    model.openStoreDirectory("/data/Tarnwick/Mind Maps");
    EXPECT_EQ(alerts.requests.size(), 2u);
    EXPECT_EQ(sent.size(), 1u);
}

} // namespace
