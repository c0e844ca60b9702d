// The Dropbox tab of the side bar as its user drives it, against the cloud service's stand-in on
// loopback: the program starts signed in (the sign-in kept in the file store of its private home),
// and every step is checked both on the window and on what the stand-in holds or was asked.

#include "CloudPaneSession.h"
#include "support/FakeDropboxServer.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string_view>

namespace {

class DropboxPaneSessionTest : public CloudPaneSessionTest {
protected:
    void SetUp() override
    {
        CloudPaneSessionTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        server.issueTokens("access-0", "refresh-0");
        // The sign-in as the program keeps it after signing in through the stand-in, where the
        // program looks for it: the keyring when one answers, else its file.
        const nlohmann::json tokens = {{"access_token", "access-0"},
                                       {"refresh_token", "refresh-0"},
                                       {"expires_at", 0},
                                       {"account_id", "dbid:e2e"}};
        ASSERT_TRUE(keepSignIn(home, *keyring, "dropbox", tokens.dump()));
    }

    std::unique_ptr<RunningApplication> start()
    {
        return std::make_unique<RunningApplication>(
            home, *bus,
            std::vector<std::string>{std::string("TARNWICK_DROPBOX_APP_KEY=") + FakeDropboxServer::AppKey,
                                     "TARNWICK_DROPBOX_SERVER=" + server.baseUrl(),
                                     // A test machine's network monitor may know no route; the plain
                                     // one counts the network as there, so that only the user's
                                     // switch takes the program offline.
                                     "GIO_USE_NETWORK_MONITOR=base"});
    }

    FakeDropboxServer server;
};

bool requested(const FakeDropboxServer& server, const std::string& route, const std::string& fragment)
{
    for (const FakeDropboxServer::LoggedRequest& request : server.requestsTo(route))
        if (request.argument.find(fragment) != std::string::npos) return true;
    return false;
}

// The image of the dragged rows that follows the pointer, the largest of the windows shown while
// a drag goes on; nothing before the drag started.
std::optional<Element> dragIcon(RunningApplication& application)
{
    std::optional<Element> largest;
    for (const Element& window : application.findAll(ATSPI_ROLE_WINDOW))
        if (!largest || window.width * window.height > largest->width * largest->height) largest = window;
    return largest;
}

TEST_F(DropboxPaneSessionTest, AUserWorksInTheDropboxTab)
{
    const char* source = std::getenv("TARNWICK_TEST_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "run through ctest, or set TARNWICK_TEST_SOURCE_DIR";
    server.putFile("/Plan.twkx", readTestFile(std::string(source) + "/resources/maps/style_sample.twkx"));
    server.putFile("/Projects/Budget.txt", "a\nb\n");
    server.putFile("/Notes/Old notes.txt", "old\n");
    server.putFile("/Notes/Ideas.opml",
                   "<?xml version=\"1.0\"?><opml version=\"2.0\"><head><title>Ideas</title></head><body>"
                   "<outline text=\"Ideas\"><outline text=\"Garden\"/><outline text=\"Kitchen\"/></outline>"
                   "</body></opml>");
    auto started = start();
    RunningApplication& application = *started;
    ASSERT_TRUE(application.waitForWindow("Welcome", 30s)) << application.log();
    auto context = [&] {
        std::ostringstream text;
        screenshot("dropbox-failure");
        dump(application, text);
        for (const auto& request : server.requests())
            text << request.route << " " << request.argument << " " << request.status << "\n";
        return text.str() + application.log();
    };

    // Connected at the start: the side bar offers the Dropbox tab, which lists the root, folders
    // first.
    ASSERT_TRUE(clickSegment(application, "Dropbox")) << context();
    Element folder;
    ASSERT_TRUE(waitForRow(application, "Projects", &folder)) << context();
    listColumn = {folder.x, folder.x + folder.width};
    ASSERT_TRUE(waitForRow(application, "Plan.twkx")) << context();
    EXPECT_LT(rowNamed(application, "Notes")->y, rowNamed(application, "Plan.twkx")->y);
    screenshot("dropbox-01-root");

    // A double click enters a folder; the entry leading up goes back.
    ASSERT_TRUE(clickRow(application, "Projects", 2));
    ASSERT_TRUE(waitForRow(application, "Budget.txt")) << context();
    EXPECT_TRUE(requested(server, "files/list_folder", "/projects") ||
                requested(server, "files/list_folder", "/Projects"));
    screenshot("dropbox-02-projects");
    ASSERT_TRUE(clickRow(application, "Dropbox", 2));
    ASSERT_TRUE(waitForRow(application, "Plan.twkx")) << context();
    EXPECT_FALSE(rowNamed(application, "Budget.txt"));

    // Selecting a map opens it; Return renames it in place, keeping its extension.
    Element plan;
    ASSERT_TRUE(waitForRow(application, "Plan.twkx", &plan));
    ASSERT_TRUE(clickAt(plan.centreX(), plan.centreY()));
    ASSERT_TRUE(eventually([&] { return !application.hasWindow("Welcome"); }, "the map in the window")) << context();
    // Away from the first click, so that however soon the map opened the two make no double click.
    // Return starts the editing as the list takes it, and the keys after it follow in their order.
    ASSERT_TRUE(clickAt(plan.x + plan.width / 4, plan.centreY()));
    ASSERT_TRUE(keys({"Return"}));
    ASSERT_TRUE(keys({"ctrl+a"}));
    ASSERT_TRUE(type("Roadmap"));
    screenshot("dropbox-03-renaming");
    ASSERT_TRUE(keys({"Return"}));
    ASSERT_TRUE(eventually([&] { return server.fileContents("/Roadmap.twkx").has_value(); }, "the renamed map"))
        << context();
    EXPECT_FALSE(server.fileContents("/Plan.twkx"));
    ASSERT_TRUE(waitForRow(application, "Roadmap.twkx")) << context();

    // The context menu of the list's empty space makes a folder through the name dialog.
    {
        std::optional<Element> last = rowNamed(application, "Roadmap.twkx");
        ASSERT_TRUE(last);
        ASSERT_TRUE(xdotool({"mousemove", "--sync", std::to_string(last->centreX()),
                             std::to_string(last->y + last->height * 4), "click", "3"}));
    }
    ASSERT_TRUE(application.click(ATSPI_ROLE_MENU_ITEM, "New Folder")) << context();
    ASSERT_TRUE(application.waitForWindow("New Folder")) << context();
    screenshot("dropbox-04-new-folder");
    ASSERT_TRUE(application.typeText("New Folder", "Archive"));
    ASSERT_TRUE(application.pressKeys("New Folder", {"Return"}));
    ASSERT_TRUE(eventually([&] { return server.displayPath("/archive") == "/Archive"; }, "the new folder"))
        << context();
    ASSERT_TRUE(waitForRow(application, "Archive")) << context();

    // A map dragged onto a folder moves into it.
    {
        Element from;
        Element to;
        ASSERT_TRUE(waitForRow(application, "Roadmap.twkx", &from));
        ASSERT_TRUE(waitForRow(application, "Archive", &to));
        // Each move waits until the program followed the one before: moves it has not taken in
        // before the drag grabs the pointer, or before the list answered the last position over
        // the folder, would leave the drop on the wrong row or none.
        std::optional<Element> icon;
        auto moveTo = [&](int x, int y) {
            if (!xdotool({"mousemove", "--sync", std::to_string(x), std::to_string(y)})) return false;
            const std::optional<Element> before = icon;
            return bool(eventually(
                [&] {
                    icon = dragIcon(application);
                    return icon && (!before || icon->x != before->x || icon->y != before->y);
                },
                "the dragged row to follow the pointer to " + std::to_string(x) + "," + std::to_string(y), 10s));
        };
        ASSERT_TRUE(xdotool(
            {"mousemove", "--sync", std::to_string(from.centreX()), std::to_string(from.centreY()), "mousedown", "1"}));
        for (int step = 1; step <= 10; ++step) {
            const int x = from.centreX() + (to.centreX() - from.centreX()) * step / 10;
            const int y = from.centreY() + (to.centreY() - from.centreY()) * step / 10;
            // The drag starts once the pointer passed the threshold: the first move takes none.
            if (step == 1) ASSERT_TRUE(xdotool({"mousemove", "--sync", std::to_string(x), std::to_string(y)}));
            else ASSERT_TRUE(moveTo(x, y)) << context();
        }
        // Two more moves inside the folder's row: once the program took them, its list has
        // answered the position over the folder before the release comes.
        ASSERT_TRUE(moveTo(to.centreX(), to.centreY() - 2)) << context();
        ASSERT_TRUE(moveTo(to.centreX(), to.centreY() + 2)) << context();
        ASSERT_TRUE(xdotool({"mouseup", "1"}));
    }
    ASSERT_TRUE(eventually([&] { return server.fileContents("/Archive/Roadmap.twkx").has_value(); }, "the moved map"))
        << context();
    ASSERT_TRUE(waitUntilRowGoes(application, "Roadmap.twkx")) << context();
    screenshot("dropbox-05-moved");

    // An OPML file turns into a map beside it, which opens at once.
    ASSERT_TRUE(clickRow(application, "Notes", 2));
    ASSERT_TRUE(waitForRow(application, "Old notes.txt")) << context();
    ASSERT_TRUE(clickRow(application, "Ideas.opml", 2));
    ASSERT_TRUE(eventually([&] { return server.fileContents("/Notes/Ideas.twkx").has_value(); }, "the converted map"))
        << context();
    EXPECT_TRUE(application.waitForWindow("Ideas")) << context();
    screenshot("dropbox-06-converted");

    // Deleting asks first.
    ASSERT_TRUE(clickRow(application, "Old notes.txt", 1, 3));
    ASSERT_TRUE(application.click(ATSPI_ROLE_MENU_ITEM, "Delete")) << context();
    ASSERT_TRUE(eventually([&] { return !application.findAll(ATSPI_ROLE_ALERT).empty(); }, "the question"));
    screenshot("dropbox-07-delete-question");
    EXPECT_TRUE(server.fileContents("/Notes/Old notes.txt")) << "nothing deleted before the answer";
    ASSERT_TRUE(application.click(ATSPI_ROLE_PUSH_BUTTON, "Delete"));
    ASSERT_TRUE(eventually([&] { return !server.fileContents("/Notes/Old notes.txt"); }, "the deletion")) << context();
    ASSERT_TRUE(waitUntilRowGoes(application, "Old notes.txt")) << context();

    // Offline, the folder is listed from the cache, without asking the service.
    ASSERT_TRUE(application.chooseMenuItem("Tarnwick", "Work Offline")) << context();
    ASSERT_EQ(application.menuItemEnabled("Tarnwick", "Work Online"), true) << context();
    server.clearLog();
    ASSERT_TRUE(waitForRow(application, "Ideas.twkx")) << context();
    screenshot("dropbox-08-offline");
    // Up at the top, still offline, the folders keep the spelling the user gave them.
    ASSERT_TRUE(clickRow(application, "Dropbox", 2));
    ASSERT_TRUE(waitForRow(application, "Archive")) << context();
    ASSERT_TRUE(waitForRow(application, "Notes")) << context();
    EXPECT_TRUE(server.requests().empty()) << context();

    // Back online, the search lists matching maps from the whole Dropbox.
    ASSERT_TRUE(application.chooseMenuItem("Tarnwick", "Work Online")) << context();
    ASSERT_TRUE(application.click(ATSPI_ROLE_TEXT, "Search")) << context();
    ASSERT_TRUE(type("Ideas"));
    ASSERT_TRUE(keys({"Return"}));
    ASSERT_TRUE(eventually([&] { return !server.requestsTo("files/search_v2").empty(); }, "the search")) << context();
    ASSERT_TRUE(waitForRow(application, "Ideas.twkx")) << context();
    screenshot("dropbox-09-search");

    // The clouds tab offers to disconnect the signed-in service.
    ASSERT_TRUE(clickSegment(application, "Clouds")) << context();
    ASSERT_TRUE(eventually([&] { return application.find(ATSPI_ROLE_PUSH_BUTTON, "Disconnect").has_value(); },
                           "the Disconnect button"))
        << context();
    screenshot("dropbox-10-clouds");
}

// The service first turns the listing away as too many requests.
TEST_F(DropboxPaneSessionTest, AListingThatEndsAfterTheLastInputLeavesTheStripEnabled)
{
    server.putFile("/Projects/Budget.txt", "a\nb\n");
    expectALateListingLeavesTheStripEnabled(*start(), "Dropbox", "Projects", "Budget.txt",
                                            [&] { server.failNext("files/list_folder", 429, 1, 1); });
}

} // namespace
