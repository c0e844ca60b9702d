#include "panels/URLLinkPanelController.h"

#include "platform/AlertPanel.h"
#include "platform/Localizer.h"
#include "platform/UriLauncher.h"
#include "support/ScriptedAlertPanel.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(URLLinkPanelController, TheFieldDecidesOkTestAndTheUpload)
{
    TempDir temp;
    const std::string file = temp.file("notes.pdf");
    writeTestFile(file, "pdf");
    const std::string folder = temp.file("folder");
    std::filesystem::create_directory(folder);
    struct Case {
        std::string field;
        bool cloud;
        bool ok, upload;
    };
    for (const Case& c :
         {Case{"", true, false, false}, Case{"http://", true, true, false}, Case{file, false, true, false},
          Case{file, true, true, true}, Case{folder, true, true, false},
          Case{temp.file("missing.pdf"), true, true, false}, Case{"file://" + file, true, true, false}}) {
        URLLinkPanelController panel(c.field, c.cloud, "Dropbox");
        EXPECT_EQ(panel.okEnabled(), c.ok) << c.field;
        EXPECT_EQ(panel.testEnabled(), c.ok) << c.field;
        EXPECT_EQ(panel.uploadEnabled(), c.upload) << c.field;
        panel.uploadToggled(true);
        EXPECT_EQ(panel.hasUploadToCloud(), c.upload) << c.field;
    }
}

TEST(URLLinkPanelController, ALinkThatStopsNamingAFileTurnsTheUploadOff)
{
    TempDir temp;
    const std::string file = temp.file("a.txt");
    writeTestFile(file, "a");
    URLLinkPanelController panel(file, true, "Dropbox");
    panel.uploadToggled(true);
    EXPECT_TRUE(panel.hasUploadToCloud());
    panel.setField(temp.path());
    EXPECT_FALSE(panel.uploadOn());
    panel.setField(file);
    EXPECT_FALSE(panel.hasUploadToCloud());
    panel.webButtonClicked();
    EXPECT_EQ(panel.field().rfind("https://", 0), 0u);
    EXPECT_FALSE(panel.uploadEnabled());
}

TEST(URLLinkPanelController, TheUploadTitleNamesTheCloudWithoutAFormat)
{
    EXPECT_EQ(URLLinkPanelController("", true, "Drop%sbox").uploadTitle(),
              localizedFormat("action_upload_to", {"Drop%sbox"}));
    EXPECT_NE(URLLinkPanelController("", true, "Drop%sbox").uploadTitle().find("Drop%sbox"), std::string::npos);
    EXPECT_EQ(URLLinkPanelController("", false, "").uploadTitle(), localized("image_picker_upload_to_cloud"));
    EXPECT_EQ(URLLinkPanelController("", true, "").uploadTitle(), localized("image_picker_upload_to_cloud"));
}

TEST(URLLinkPanelController, AnUnopenableTestLinkIsReportedByAnAlert)
{
    ScriptedAlertPanel alerts;
    AlertPanel::setShared(&alerts);
    URLLinkPanelController panel("/no/such/Notes.txt", false, "");
    EXPECT_FALSE(panel.testLinkClicked());
    AlertPanel::setShared(nullptr);
    ASSERT_EQ(alerts.requests.size(), 1u);
    EXPECT_EQ(alerts.requests[0].messageText, localizedFormat("launch_failed_named", {"/no/such/Notes.txt"}));
    EXPECT_EQ(alerts.requests[0].informativeText,
              localizedFormat("launch_failed_reason", {localized("launch_failed_not_found")}));
}
