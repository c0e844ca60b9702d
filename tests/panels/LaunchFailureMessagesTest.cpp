// What the window says when the desktop does not open a link or show a file: every road names what
// did not open (the file, folder or address as the user knows it) and the reason the desktop gave.

#include "Editor/MailMapAction.h"
#include "MindMaps/DiagramLink.h"
#include "Utils/RecordingFeedbackSink.h"
#include "editor-view/EditorViewTestSupport.h"
#include "panels/URLLinkPanelController.h"
#include "platform/Localizer.h"
#include "support/RecordingUriLauncher.h"
#include "support/ScriptedAlertPanel.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

class LaunchFailureMessagesTest : public editortest::EditorViewTest {
protected:
    void SetUp() override
    {
        EditorViewTest::SetUp();
        showMap();
        std::ofstream(document) << "notes";
        std::filesystem::create_directories(scratch);
        std::ofstream(attachment) << "%PDF-1.4";
        launcher.succeeds = false;
    }

    // What the window showed last: a notification's title and text, or an alert's two texts.
    std::string shown() const
    {
        std::string text;
        if (!sink.notifications.empty())
            text += sink.notifications.back().title + "\n" + sink.notifications.back().message;
        if (!alerts.requests.empty())
            text += alerts.requests.back().messageText + "\n" + alerts.requests.back().informativeText;
        return text;
    }

    TempDir dir;
    // The temporary folder may be reached through a link: the failure names the file as opened.
    const std::string folder = std::filesystem::canonical(dir.path()).string();
    const std::string document = folder + "/Notes.xyz";
    const std::string scratch = folder + "/Mail";
    const std::string attachment = scratch + "/Plan.pdf";
    RecordingUriLauncher launcher;
    RecordingFeedbackSink sink;
    ScriptedAlertPanel alerts;
};

} // namespace

TEST_F(LaunchFailureMessagesTest, EveryRoadNamesWhatDidNotOpenAndWhy)
{
    const auto clickLink = [this](const std::string& link) {
        return [this, link] {
            child->linkToURL(link);
            editor->handleLinkClick(child);
        };
    };
    const auto testLink = [](const std::string& link) {
        return [link] { URLLinkPanelController(link, false, "").testLinkClicked(); };
    };
    const auto showFiles = [this](bool late) {
        return [this, late] {
            launcher.succeeds = late;
            launcher.fileManagerFails = late;
            alerts.answers.push_back({AlertPanel::FirstButtonReturn, {}});
            MailMapAction::reportResult(MailComposer::Result::NoMailProgram, scratch, {attachment});
        };
    };
    const std::string opened = localizedFormat("launch_failed_named", {document});
    const std::string folderShown = localizedFormat("show_folder_failed_named", {scratch});
    const struct {
        const char* road;
        std::function<void()> act;
        std::string what, why;
    } roads[] = {
        {"canvas, a file no program opens", clickLink(document), opened, launcher.reason},
        {"link dialog's Test, a file no program opens", testLink(document), opened, launcher.reason},
        {"link dialog's Test, a refused address", testLink("javascript:alert(1)"),
         localizedFormat("launch_failed_named", {"javascript:alert(1)"}), localized("launch_failed_refused_link")},
        {"Show Files, no file manager to ask", showFiles(false), folderShown, launcher.reason},
        {"Show Files, the file manager fails late", showFiles(true), folderShown, launcher.reason},
    };
    for (const auto& road : roads) {
        SCOPED_TRACE(road.road);
        sink.notifications.clear();
        alerts.requests.clear();
        road.act();
        const std::string text = shown();
        EXPECT_NE(text.find(road.what), std::string::npos) << text;
        EXPECT_NE(text.find(road.why), std::string::npos) << text;
        EXPECT_EQ(text.find("Plan.pdf"), std::string::npos) << "the folder did not show, not the file: " << text;
    }
}
