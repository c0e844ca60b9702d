// The Google Drive tab of the side bar as its user drives it, against Drive's stand-in on loopback:
// the program starts signed in (the sign-in kept where the program looks for it), and every step
// is checked both on the window and on what the stand-in holds or was asked.

#include "CloudPaneSession.h"
#include "GoogleDrive/GDriveSettings.h"
#include "support/FakeGoogleDriveServer.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <functional>
#include <sstream>

namespace {

class GDrivePaneSessionTest : public CloudPaneSessionTest {
protected:
    void SetUp() override
    {
        CloudPaneSessionTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        server.issueTokens("access-0", "refresh-0");
        // Expired: the program renews it with the refresh token first, as after a night's sleep.
        const nlohmann::json tokens = {
            {"access_token", "access-0"}, {"refresh_token", "refresh-0"}, {"expires_at", 0}, {"account_id", ""}};
        ASSERT_TRUE(keepSignIn(home, *keyring, GDriveSettings::KeychainItemName, tokens.dump()));
    }

    std::unique_ptr<RunningApplication> start()
    {
        return std::make_unique<RunningApplication>(
            home, *bus,
            std::vector<std::string>{std::string("TARNWICK_GDRIVE_CLIENT_ID=") + FakeGoogleDriveServer::ClientId,
                                     std::string("TARNWICK_GDRIVE_CLIENT_SECRET=") +
                                         FakeGoogleDriveServer::ClientSecret,
                                     "TARNWICK_GDRIVE_SERVER=" + server.baseUrl(),
                                     // Only the user's switch takes the program offline.
                                     "GIO_USE_NETWORK_MONITOR=base"});
    }

    FakeGoogleDriveServer server;
};

// A row of the pick browser's list, which stands beside the window's.
std::optional<Element> browserRow(RunningApplication& application, const std::string& name)
{
    for (const Element& cell : application.findAll(ATSPI_ROLE_TABLE_CELL)) {
        if (listColumn && cell.centreX() >= listColumn->first && cell.centreX() <= listColumn->second) continue;
        if (cell.name == name || cell.name.rfind(name + "\n", 0) == 0) return cell;
    }
    return std::nullopt;
}

::testing::AssertionResult clickBrowserRow(RunningApplication& application, const std::string& name, int count)
{
    std::optional<Element> row;
    if (auto shown = eventually(
            [&] {
                row = browserRow(application, name);
                return row.has_value();
            },
            "the browser's row '" + name + "'");
        !shown)
        return shown;
    return clickAt(row->centreX(), row->centreY(), count);
}

bool listed(const FakeGoogleDriveServer& server, const std::string& folderId)
{
    for (const auto& request : server.requestsTo("files.list")) {
        gchar* query = g_uri_unescape_string(request.query.c_str(), nullptr);
        const bool found = query && std::string(query).find("'" + folderId + "' in parents") != std::string::npos;
        g_free(query);
        if (found) return true;
    }
    return false;
}

// The path bar: the drawing area across the list's column right above its first row.
std::optional<Element> pathBar(RunningApplication& application, const Element& firstRow)
{
    std::optional<Element> bar;
    for (const Element& area : application.findAll(ATSPI_ROLE_DRAWING_AREA)) {
        const bool overList = area.x <= firstRow.x + 2 && area.x + area.width >= firstRow.x + firstRow.width - 2;
        if (!overList || area.height > 60 || area.y + area.height > firstRow.y + 2) continue;
        if (!bar || area.y > bar->y) bar = area;
    }
    return bar;
}

TEST_F(GDrivePaneSessionTest, AUserWorksInTheGoogleDriveTab)
{
    const char* source = std::getenv("TARNWICK_TEST_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "run through ctest, or set TARNWICK_TEST_SOURCE_DIR";
    const std::string map = readTestFile(std::string(source) + "/resources/maps/style_sample.twkx");
    const std::string docs = server.addFolder("Docs");
    const std::string sub = server.addFolder("Sub", docs);
    const std::string plan = server.addFile("Plan.twkx", map, docs);
    server.addFile("Inner.twkx", map, sub);
    const std::string notes = server.addFile("Old notes.txt", "old\n", docs, "", "text/plain");
    server.addFile("Overview.twkx", map);
    auto started = start();
    RunningApplication& application = *started;
    ASSERT_TRUE(application.waitForWindow("Welcome", 30s)) << application.log();
    auto context = [&] {
        std::ostringstream text;
        screenshot("gdrive-failure");
        dump(application, text);
        for (const auto& request : server.requests())
            text << request.route << " " << request.method << " " << request.path << request.query << " "
                 << request.status << "\n";
        return text.str() + application.log();
    };

    // Signed in at the start: the side bar offers the Drive tab, which lists My Drive.
    ASSERT_TRUE(clickSegment(application, "Google Drive")) << context();
    Element folder;
    ASSERT_TRUE(waitForRow(application, "Docs", &folder)) << context();
    listColumn = {folder.x, folder.x + folder.width};
    ASSERT_TRUE(waitForRow(application, "Overview.twkx")) << context();
    // The program's own folder, which it makes on signing in, comes in a later listing: a row
    // clicked before it came could show another item by the time the click arrives.
    ASSERT_TRUE(waitForRow(application, "Tarnwick")) << context();
    screenshot("gdrive-01-root");

    // A double click enters a folder, and another its sub-folder.
    ASSERT_TRUE(clickRow(application, "Docs", 2));
    ASSERT_TRUE(waitForRow(application, "Plan.twkx")) << context();
    ASSERT_TRUE(clickRow(application, "Sub", 2));
    ASSERT_TRUE(waitForRow(application, "Inner.twkx")) << context();
    EXPECT_TRUE(listed(server, sub)) << context();
    screenshot("gdrive-02-sub");

    // The path bar's first button, led by Google Drive, goes back to My Drive.
    {
        Element first;
        ASSERT_TRUE(waitForRow(application, "Inner.twkx", &first));
        const auto upRow = rowNamed(application, "Docs");
        if (upRow && upRow->y < first.y) first = *upRow;
        const std::optional<Element> bar = pathBar(application, first);
        ASSERT_TRUE(bar) << context();
        ASSERT_TRUE(clickAt(bar->x + 24, bar->centreY()));
    }
    ASSERT_TRUE(waitForRow(application, "Overview.twkx")) << context();
    EXPECT_FALSE(rowNamed(application, "Inner.twkx"));

    // Selecting a map opens it in the window.
    ASSERT_TRUE(clickRow(application, "Docs", 2));
    Element planRow;
    ASSERT_TRUE(waitForRow(application, "Plan.twkx", &planRow)) << context();
    ASSERT_TRUE(clickAt(planRow.centreX(), planRow.centreY()));
    ASSERT_TRUE(eventually(
        [&] {
            for (const auto& request : server.requestsTo("files.media"))
                if (request.path.find(plan) != std::string::npos) return true;
            return false;
        },
        "the map's download"))
        << context();
    ASSERT_TRUE(eventually([&] { return !application.hasWindow("Welcome"); }, "the map in the window")) << context();
    screenshot("gdrive-03-opened");

    // Return renames the map in place, keeping its extension. The click is away from the first,
    // so that however soon the map opened the two make no double click; Return starts the editing
    // as the list takes it, and the keys after it follow in their order.
    ASSERT_TRUE(clickAt(planRow.x + planRow.width / 4, planRow.centreY()));
    ASSERT_TRUE(keys({"Return"}));
    ASSERT_TRUE(keys({"ctrl+a"}));
    ASSERT_TRUE(xdotool({"type", "--delay", "20", "Roadmap"}));
    ASSERT_TRUE(keys({"Return"}));
    ASSERT_TRUE(eventually(
        [&] {
            const auto file = server.file(plan);
            return file && file->name == "Roadmap.twkx";
        },
        "the renamed map"))
        << context();
    ASSERT_TRUE(waitForRow(application, "Roadmap.twkx")) << context();

    // Moving picks the folder in a browser of Drive's folders, which starts in My Drive.
    ASSERT_TRUE(clickRow(application, "Roadmap.twkx", 1, 3));
    ASSERT_TRUE(application.click(ATSPI_ROLE_MENU_ITEM, "Move to Folder")) << context();
    ASSERT_TRUE(clickBrowserRow(application, "Docs", 2)) << context();
    ASSERT_TRUE(clickBrowserRow(application, "Sub", 2)) << context();
    ASSERT_TRUE(eventually([&] { return browserRow(application, "Inner.twkx").has_value(); }, "Sub in the browser"))
        << context();
    screenshot("gdrive-05-move-browser");
    ASSERT_TRUE(application.click(ATSPI_ROLE_PUSH_BUTTON, "OK")) << context();
    ASSERT_TRUE(eventually(
        [&] {
            const auto file = server.file(plan);
            return file && file->parents == std::vector<std::string>{sub};
        },
        "the moved map"))
        << context();
    ASSERT_TRUE(eventually([&] { return !rowNamed(application, "Roadmap.twkx"); }, "the moved row to go")) << context();

    // Deleting asks first.
    ASSERT_TRUE(clickRow(application, "Old notes.txt", 1, 3));
    ASSERT_TRUE(application.click(ATSPI_ROLE_MENU_ITEM, "Delete")) << context();
    ASSERT_TRUE(eventually([&] { return !application.findAll(ATSPI_ROLE_ALERT).empty(); }, "the question"));
    screenshot("gdrive-04-delete-question");
    EXPECT_TRUE(server.file(notes)) << "nothing deleted before the answer";
    ASSERT_TRUE(application.click(ATSPI_ROLE_PUSH_BUTTON, "Delete"));
    ASSERT_TRUE(eventually(
        [&] {
            const auto file = server.file(notes);
            return !file || file->trashed;
        },
        "the deletion"))
        << context();
    ASSERT_TRUE(eventually([&] { return !rowNamed(application, "Old notes.txt"); }, "the row to go")) << context();
    screenshot("gdrive-06-deleted");

    // The clouds tab offers to disconnect the signed-in service.
    ASSERT_TRUE(clickSegment(application, "Clouds")) << context();
    ASSERT_TRUE(eventually([&] { return application.find(ATSPI_ROLE_PUSH_BUTTON, "Disconnect").has_value(); },
                           "the Disconnect button"))
        << context();
    screenshot("gdrive-09-clouds");
}

// A map as another device wrote it: its central topic, selected, links to a Drive map by its path
// only, without the file id this device would have kept beside it.
std::string mapLinkingByPath(const std::string& guid, const std::string& title, const std::string& path)
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<tarnwick-mindmaps doc-version="3">
  <mindmap>
    <meta>
      <guid guid=")" +
        guid + R"(" />
      <title text=")" +
        title + R"(" customized="true" />
      <main-centraltheme id="0" />
      <selection type="node" id="0" />
    </meta>
    <topics>
      <topic id="0" parent="-1" x="0" y="0" text=")" +
        title + R"(">
        <link cloudmapref=")" +
        path + R"(" />
      </topic>
    </topics>
    <relations />
  </mindmap>
</tarnwick-mindmaps>
)";
}

// The canvas: the largest drawing area of the window.
std::optional<Element> canvasArea(RunningApplication& application)
{
    std::optional<Element> canvas;
    for (const Element& area : application.findAll(ATSPI_ROLE_DRAWING_AREA))
        if (!canvas || area.width * area.height > canvas->width * canvas->height) canvas = area;
    return canvas;
}

// Clicks the selected topic's link icon as a user finds it: the topic is centred first, then
// single clicks walk right along its middle until one is answered. The steps are further apart
// than a double click reaches, so no click opens the topic for typing.
::testing::AssertionResult clickSelectedTopicsLink(RunningApplication& application,
                                                   const std::function<bool()>& answered)
{
    if (auto opened = application.click(ATSPI_ROLE_MENU, "View"); !opened) return opened;
    if (auto opened = application.click(ATSPI_ROLE_MENU, "Zoom"); !opened) return opened;
    // The canvas scrolls as the item is activated, before it takes the clicks below: the display
    // hands it the events in their order.
    if (auto chosen = application.click(ATSPI_ROLE_MENU_ITEM, "Center Selected Element"); !chosen) return chosen;
    const std::optional<Element> canvas = canvasArea(application);
    if (!canvas) return ::testing::AssertionFailure() << "no canvas";
    for (int x = canvas->centreX(); x < canvas->centreX() + 240; x += 6) {
        if (auto clicked = clickAt(x, canvas->centreY()); !clicked) return clicked;
        // A click beside the icon shows nothing: the window in which it stays unanswered is all
        // there is to wait on. One answered late is taken by the next step's wait all the same.
        if (eventually(answered, "an answer to the click", 500ms)) return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "no click on the topic's right was answered";
}

bool labelShown(RunningApplication& application, const std::string& text)
{
    for (const Element& label : application.findAll(ATSPI_ROLE_LABEL))
        if (label.name.find(text) != std::string::npos) return true;
    return false;
}

TEST_F(GDrivePaneSessionTest, AMapLinkByPathOpensTheLinkedMap)
{
    const std::string docs = server.addFolder("Docs");
    const std::string plan =
        server.addFile("Plan.twkx", mapLinkingByPath("6D21E0C5A11A11C0FFEE0D31", "Plan", "/Docs/Gone.twkx"), docs);
    server.addFile("Overview.twkx", mapLinkingByPath("6D21E0C5A11A11C0FFEE0D30", "Overview", "/Docs/Plan.twkx"));
    auto started = start();
    RunningApplication& application = *started;
    ASSERT_TRUE(application.waitForWindow("Welcome", 30s)) << application.log();
    auto context = [&] {
        std::ostringstream text;
        screenshot("gdrive-link-failure");
        dump(application, text);
        for (const auto& request : server.requests())
            text << request.route << " " << request.method << " " << request.path << request.query << " "
                 << request.status << "\n";
        return text.str() + application.log();
    };

    ASSERT_TRUE(clickSegment(application, "Google Drive")) << context();
    Element folder;
    ASSERT_TRUE(waitForRow(application, "Docs", &folder)) << context();
    listColumn = {folder.x, folder.x + folder.width};
    // The folder the program makes on signing in comes in a later listing, above the map: a click
    // on the map's row found before it would land on the folder.
    ASSERT_TRUE(waitForRow(application, "Tarnwick")) << context();
    ASSERT_TRUE(clickRow(application, "Overview.twkx"));
    ASSERT_TRUE(application.waitForWindow("Overview", 30s)) << context();

    // The path is walked on Drive: the folder's listing, then the map's download.
    auto planFetched = [&] {
        for (const auto& request : server.requestsTo("files.media"))
            if (request.path.find(plan) != std::string::npos) return true;
        return false;
    };
    ASSERT_TRUE(clickSelectedTopicsLink(application, [&] { return listed(server, docs) || planFetched(); }))
        << context();
    ASSERT_TRUE(eventually(planFetched, "the linked map's download")) << context();
    ASSERT_TRUE(application.waitForWindow("Plan", 30s)) << context();
    screenshot("gdrive-07-linked-map");

    // A path that leads nowhere says so, naming it; the open map stays.
    ASSERT_TRUE(clickSelectedTopicsLink(application, [&] {
        return labelShown(application, "/Docs/Gone.twkx could not be found");
    })) << context();
    screenshot("gdrive-08-unresolved-link");
    EXPECT_TRUE(application.hasWindow("Plan"));
}

// Drive first answers the listing as unavailable.
TEST_F(GDrivePaneSessionTest, AListingThatEndsAfterTheLastInputLeavesTheStripEnabled)
{
    const std::string docs = server.addFolder("Docs");
    server.addFile("Old notes.txt", "old\n", docs, "", "text/plain");
    expectALateListingLeavesTheStripEnabled(*start(), "Google Drive", "Docs", "Old notes.txt",
                                            [&] { server.failNext("files.list", 503, 1, 1); });
}

} // namespace
