#include "Editor/FeedbackController.h"
#include "Editor/CommandRouter.h"
#include "platform/Menu.h"
#include "platform/Pasteboard.h"
#include "store/EditorInterface.h"
#include "support/ScriptedAlertPanel.h"

#include <gtest/gtest.h>

namespace {

class FakeTable : public FeedbackLogTable {
public:
    void reloadData() override { ++reloads; }
    int64_t selectedRow() const override { return selected; }
    int reloads = 0;
    int64_t selected = -1;
};

class OpeningEditor : public NullEditorInterface {
public:
    void openStorage(MindMapProvider*, const std::string& storageId, const std::any&) override
    {
        opened.push_back(storageId);
    }
    std::vector<std::string> opened;
};

class FeedbackControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CommandRouter::shared().setRunning(true);
        controller.setTable(&table);
    }
    void TearDown() override
    {
        CommandRouter::shared().setRunning(false);
        SetEditorInterfaceInstance(nullptr);
    }
    bool enabled(const std::string& action)
    {
        return controller.validateUserInterfaceItem(MenuItem("", action)).enabled;
    }

    FeedbackCenter center;
    FakeTable table;
    FeedbackController controller{center};
};

} // namespace

TEST_F(FeedbackControllerTest, RowsShowTheLogNewestFirst)
{
    center.addItemWithTitle("Upload", "line one\nline two", 0);
    center.addItemWithTitle("", "no title", 1, "dropbox_white_16");
    center.addItemWithTitle("no message", "", 2);
    center.addItemWithTitle("odd", "level", 7);
    EXPECT_EQ(5, table.reloads) << "loaded when set, reloaded on every change";
    const std::pair<const char*, const char*> rows[] = {
        {"odd level", "globe-16"},
        {"no message ", "status-unavailable"},
        {" no title", "dropbox_white_16"},
        {"Upload line one line two", "status-available"},
    };
    ASSERT_EQ(4, controller.numberOfRows());
    for (int64_t row = 0; row < 4; ++row) {
        EXPECT_EQ(rows[row].first, FeedbackController::rowText(*controller.itemAtRow(row)));
        EXPECT_EQ(rows[row].second, FeedbackController::rowImage(*controller.itemAtRow(row)));
    }
    EXPECT_EQ(nullptr, controller.itemAtRow(4));
    controller.setTable(nullptr);
    center.addItemWithTitle("later", "", 0);
    EXPECT_EQ(5, table.reloads) << "a table let go hears no more";
}

TEST_F(FeedbackControllerTest, ActionsNeedWhatTheyWorkOn)
{
    struct Case {
        int64_t selected;
        const char* guid;
        bool onSelection, navigate;
    } cases[] = {{-1, "", false, false}, {0, "", true, false}, {0, "GUID", true, true}, {5, "GUID", false, false}};
    for (const Case& c : cases) {
        center.clearFeedbackItems();
        center.addItemWithTitle("t", "m", 0, "", c.guid);
        table.selected = c.selected;
        for (const char* action : {"copy:", "showDetails:", "deleteSelected:"})
            EXPECT_EQ(c.onSelection, enabled(action)) << action << " " << c.selected;
        EXPECT_EQ(c.navigate, enabled("navigateToMindMap:"));
        EXPECT_TRUE(enabled("clear:"));
        EXPECT_FALSE(enabled("paste:"));
    }
    CommandRouter::shared().setRunning(false);
    EXPECT_FALSE(enabled("copy:")) << "nothing while the application is not running";
    CommandRouter::shared().setRunning(true);
    center.clearFeedbackItems();
    EXPECT_FALSE(enabled("clear:"));
}

TEST_F(FeedbackControllerTest, ActionsWorkOnTheSelectedItem)
{
    auto editor = std::make_shared<OpeningEditor>();
    SetEditorInterfaceInstance(editor);
    center.addItemWithTitle("Copied", "to Dropbox", 0, "", "0123456789ABCDEF01234567");
    center.addItemWithTitle("Newest", "", 0);
    controller.performAction("deleteSelected:", nullptr);
    EXPECT_EQ(2u, center.count()) << "no row selected: nothing deleted";

    table.selected = 1;
    controller.performAction("copy:", nullptr);
    EXPECT_EQ("Copied\n\nto Dropbox", Pasteboard::generalPasteboard().stringForType(Pasteboard::StringType));
    controller.performAction("navigateToMindMap:", nullptr);
    EXPECT_EQ(std::vector<std::string>{"0123456789ABCDEF01234567"}, editor->opened);

    ScriptedAlertPanel alerts;
    controller.tableDoubleClicked(1, -1);
    EXPECT_TRUE(alerts.requests.empty()) << "no column clicked";
    controller.tableDoubleClicked(1, 0);
    ASSERT_EQ(1u, alerts.requests.size());
    EXPECT_EQ("Copied", alerts.requests[0].messageText);
    EXPECT_TRUE(alerts.requests[0].informativeText.starts_with("to Dropbox\n\n"));

    controller.performAction("deleteSelected:", nullptr);
    ASSERT_EQ(1u, center.count());
    EXPECT_EQ("Newest", center.items()[0]->title());
}
