#include "explorers/CloudExplorer.h"
#include "Editor/FeedbackCenter.h"
#include "Editor/ToolbarBackground.h"
#include "Editor/ToolbarImages.h"
#include "FileListTestSupport.h"
#include "explorers/CloudSetupViewController.h"
#include "platform/Localizer.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"
#include "support/ScriptedFileChooser.h"

#include <gtest/gtest.h>

namespace {

// A table that keeps its rows where the adapter puts them.
class FakeCloudTable : public CloudTableView {
public:
    explicit FakeCloudTable(FileListAdapter* adapter = nullptr) : adapter(adapter) {}
    std::vector<size_t> selectedRows() const override { return {}; }
    void selectRows(const std::vector<size_t>&) override {}
    void scrollRowToVisible(size_t) override {}
    void endEditing() override {}
    void setDraggedType(const std::optional<std::string>&) override {}

    FileListAdapter* adapter;
    std::string header = "none";
    int reloads = 0;
    bool reloadingSeen = false;

protected:
    void reloadRows() override
    {
        ++reloads;
        reloadingSeen = isReloadingData();
    }
    size_t numberOfRows() const override { return adapter ? adapter->numberOfRows() : 0; }
    void showEmptyText(const std::string& text) override { header = text.empty() ? "none" : text; }
};

class FakeToolbar : public CloudExplorerToolbar {
public:
    double addSegmentedControlItems(std::vector<std::shared_ptr<SegmentedControlItem>> items) override
    {
        return items.empty() ? 0.0 : 30.0;
    }
    void setHidden(bool hide) override { hidden = hide; }
    void validateSegmentedControlItems() override { ++validations; }
    std::optional<bool> hidden;
    int validations = 0;
};

// An explorer that counts what the base asks of a service's explorer.
class CountingExplorer : public CloudExplorer {
public:
    using CloudExplorer::CloudExplorer;
    void refreshListing() override
    {
        ++refreshes;
        CloudExplorer::refreshListing();
    }
    void searchFilterChanged() override { filters.push_back(searchFilter()); }
    bool canChangePathStack() const override { return canChange; }
    void tableViewEnterKeyDown(CloudTableView&) override { ++enters; }

    int refreshes = 0;
    int enters = 0;
    bool canChange = true;
    std::vector<std::string> filters;
};

struct Explorer {
    FakeCloudTable table;
    FakeToolbar toolbar;
    ToolbarBackground pathStrip{Rect(0, 0, 200, 24)};
    CountingExplorer explorer;

    explicit Explorer(int32_t mode = MainExplorerMode) : explorer(mode)
    {
        table.adapter = &explorer.adapter();
        explorer.setTableView(&table);
        explorer.setToolbar(&toolbar);
        explorer.setPathContainer(&pathStrip);
        explorer.loadView();
    }
};

class ScriptedProvider : public MindMapProvider {
public:
    ScriptedProvider(int32_t type, std::string name, bool connected)
        : MindMapProvider(type), _name(std::move(name)), _connected(connected)
    {
    }
    std::string title() const override { return _name; }
    bool enabled() const override { return _connected; }
    void connectToCloud(const std::any&) override
    {
        calls.push_back("connect");
        _connected = true;
        enabledChanged();
    }
    void disconnectFromCloud() override
    {
        calls.push_back("disconnect");
        _connected = false;
        enabledChanged();
    }
    std::vector<std::string> calls;

private:
    std::string _name;
    bool _connected;
};

} // namespace

TEST(CloudExplorerTest, LoadingListsTheSampleAndHidesAnEmptyToolbar)
{
    Explorer e;
    EXPECT_EQ(1, e.explorer.refreshes);
    EXPECT_EQ(std::optional<bool>(true), e.toolbar.hidden);
    EXPECT_TRUE(e.pathStrip.adaptForKeyWindow());
    std::vector<std::string> names;
    std::vector<int32_t> types;
    for (const auto& item : e.explorer.adapter().items()) {
        names.push_back(item->fileName());
        types.push_back(item->type());
    }
    EXPECT_EQ((std::vector<std::string>{"folder 1", "folder 2", "mind map1.twkx", "mind map2.twkx", "mind map.opml",
                                        "mind map.mm", "somefile.txt"}),
              names);
    EXPECT_EQ((std::vector<int32_t>{2, 2, 4, 4, 8, 16, 128}), types);
    EXPECT_EQ(&e.explorer, e.table.controller());
    EXPECT_FALSE(e.explorer.adapter().displayFilesGrayed());

    e.explorer.windowDidUpdate();
    EXPECT_EQ(1, e.toolbar.validations);

    FileListItem item(FileListItemType::NativeMindMap);
    e.explorer.fetchThumbnail(item);
    EXPECT_TRUE(item.thumbnailUnavailable());
    EXPECT_FALSE(e.explorer.allowInplaceEditing());
    EXPECT_FALSE(e.explorer.allowCloudImageDrag());
    EXPECT_FALSE(e.explorer.moveSourceItem(item, item));

    Explorer picking(MoveToFolderExplorerMode);
    EXPECT_TRUE(picking.explorer.adapter().displayFilesGrayed());
    EXPECT_FALSE(picking.pathStrip.adaptForKeyWindow());
}

TEST(CloudExplorerTest, ModesKeepTheirKindsOfItems)
{
    const int32_t masks[] = {254, 250, 250, 6, 254, 254};
    for (int32_t mode = 0; mode < 6; ++mode) EXPECT_EQ(masks[mode], CountingExplorer(mode).getFileListItemTypeFilter());
    EXPECT_FALSE(CountingExplorer(CopyToFolderExplorerMode - 1).adapter().displayFilesGrayed());
    EXPECT_TRUE(CountingExplorer(CopyToFolderExplorerMode).adapter().displayFilesGrayed());
}

TEST(CloudExplorerTest, ThePathStackNeverLosesItsRoot)
{
    Explorer e;
    EXPECT_EQ(std::nullopt, e.explorer.pathStackTop());
    e.explorer.pushPath("/");
    EXPECT_EQ(2, e.explorer.refreshes);
    e.explorer.popPath();
    EXPECT_EQ((std::vector<std::string>{"/"}), e.explorer.pathStack()) << "the root stays";
    EXPECT_EQ(2, e.explorer.refreshes) << "and nothing is listed again";
    e.explorer.pushPath("/Work");
    e.explorer.pushPath("/Work/2024");
    EXPECT_EQ("/Work/2024", e.explorer.pathStackTop());
    e.explorer.canChange = false;
    e.explorer.pushPath("/Other");
    e.explorer.popPath();
    EXPECT_EQ(3u, e.explorer.pathStack().size()) << "navigation refused by the service";
    EXPECT_EQ(4, e.explorer.refreshes);
    e.explorer.canChange = true;
    e.explorer.popPath();
    e.explorer.popPath();
    e.explorer.popPath();
    EXPECT_EQ((std::vector<std::string>{"/"}), e.explorer.pathStack());
    EXPECT_EQ(6, e.explorer.refreshes);
}

TEST(CloudExplorerTest, TheSearchFieldFeedsTheFilter)
{
    Explorer e;
    MindMapSearchField field;
    field.setText("left over");
    e.explorer.setSearchBar(&field);
    EXPECT_EQ("", field.text()) << "a new field starts empty";
    EXPECT_EQ(&e.explorer, field.target());
    EXPECT_EQ((std::vector<std::string>{""}), e.explorer.filters);

    field.textChangedByUser("plan");
    EXPECT_EQ("plan", e.explorer.searchFilter());
    e.explorer.setSearchBar(&field);
    EXPECT_EQ("plan", e.explorer.searchFilter()) << "the same field twice does not clear";
    EXPECT_EQ("plan", field.text());

    e.explorer.searchModeChanged(field);
    EXPECT_EQ((std::vector<std::string>{"", "plan", "plan"}), e.explorer.filters);
    e.explorer.setSearchFilter(std::nullopt);
    EXPECT_EQ("plan", e.explorer.searchFilter());

    e.explorer.setActive(true);
    EXPECT_EQ("", e.explorer.searchFilter()) << "activating cancels the search";
    EXPECT_EQ("", field.text());
    const size_t changes = e.explorer.filters.size();
    e.explorer.searchModeChanged(field);
    EXPECT_EQ(changes, e.explorer.filters.size()) << "no search to redo";

    MindMapSearchField other;
    e.explorer.setSearchBar(&other);
    EXPECT_EQ(nullptr, field.target()) << "the old field is let go";
    EXPECT_EQ(&e.explorer, other.target());
    {
        CountingExplorer gone(MainExplorerMode);
        gone.setSearchBar(&field);
    }
    EXPECT_EQ(nullptr, field.target()) << "an explorer that goes leaves no target behind";
}

TEST(CloudExplorerTest, ImportOffersOutlinesTextAndFreeMindFiles)
{
    Explorer e;
    ScriptedFileChooser chooser;
    chooser.openAnswer = {"/tmp/a.opml", "/tmp/b.mm"};
    EXPECT_EQ((std::vector<std::string>{"/tmp/a.opml", "/tmp/b.mm"}), e.explorer.getFilesToImport());
    ASSERT_EQ(1u, chooser.openRequests.size());
    EXPECT_EQ(localized("import_menu_import"), chooser.openRequests[0].title);
    EXPECT_EQ((std::vector<std::string>{"opml", "txt", "mm"}), chooser.openRequests[0].allowedTypes);
    EXPECT_TRUE(chooser.openRequests[0].allowsMultipleSelection);
    chooser.openAnswer.clear();
    EXPECT_TRUE(e.explorer.getFilesToImport().empty()) << "cancelled";
}

TEST(CloudTableViewTest, ReturnReachesTheOwnerOnlyWithoutModifiers)
{
    Explorer e;
    struct Case {
        uint32_t key;
        unsigned modifiers;
        int enters;
    } cases[] = {
        {CloudTableView::ReturnKey, 0, 1},
        {CloudTableView::KeypadEnterKey, 0, 1},
        {CloudTableView::ReturnKey, ControlModifier, 0},
        {CloudTableView::ReturnKey, ShiftModifier, 0},
        {CloudTableView::ReturnKey, AltModifier, 0},
        {CloudTableView::ReturnKey, SuperModifier, 0},
        {0x20, 0, 0},
    };
    for (const Case& c : cases) {
        e.explorer.enters = 0;
        e.table.keyDown({c.key, c.modifiers});
        EXPECT_EQ(c.enters, e.explorer.enters) << c.key << " " << c.modifiers;
    }
    EXPECT_EQ(nullptr, e.table.menuForEvent({}));
    PointerEvent right;
    right.button = SecondaryButton;
    EXPECT_FALSE(CloudTableView::textFieldAcceptsFirstResponder(right));
    right.button = PrimaryButton;
    EXPECT_TRUE(CloudTableView::textFieldAcceptsFirstResponder(right));
}

TEST(CloudTableViewTest, TheEmptyTextShowsOnlyWithoutRows)
{
    Explorer e;
    e.table.setEmptyText("Nothing here");
    EXPECT_EQ("none", e.table.header) << "rows are listed";
    e.explorer.adapter().removeAllObjects();
    EXPECT_EQ("Nothing here", e.table.header);
    EXPECT_TRUE(e.table.showsEmptyText());
    EXPECT_TRUE(e.table.reloadingSeen) << "the counter is up during the reload";
    EXPECT_FALSE(e.table.isReloadingData());
    e.explorer.insertTestItems();
    EXPECT_EQ("none", e.table.header);
    EXPECT_FALSE(e.table.showsEmptyText());
    e.explorer.adapter().removeAllObjects();
    e.table.setEmptyText("");
    EXPECT_EQ("none", e.table.header);
}

TEST(CloudSetupViewControllerTest, ListsTheCloudsWithConnectOrDisconnectButtons)
{
    auto local = std::make_shared<ScriptedProvider>(0, "Local", true);
    auto dropbox = std::make_shared<ScriptedProvider>(1, "Drop<b>box</b>", false);
    auto drive = std::make_shared<ScriptedProvider>(2, "Drive", true);
    MindMapProviders::instance().registerProvider(local);
    MindMapProviders::instance().registerProvider(dropbox);
    CloudSetupViewController setup;
    int reloads = 0;
    setup.setReloadHandler([&] { ++reloads; });
    EXPECT_EQ(localized("clouds_setup"), setup.title());
    EXPECT_EQ(1u, setup.numberOfRows()) << "the local store is no cloud";

    MindMapProviders::instance().registerProvider(drive);
    drive->enabledChanged();
    ASSERT_EQ(2u, setup.numberOfRows()) << "read again when providers change";
    EXPECT_EQ(1, reloads);
    const CloudSetupViewController::Row first = setup.rowAt(0);
    EXPECT_EQ("Drop<b>box</b>", first.title);
    EXPECT_EQ("add", first.buttonImageName);
    EXPECT_EQ(localized("db_connect_condensed"), first.buttonTitle);
    EXPECT_EQ(0, first.tag);
    const CloudSetupViewController::Row second = setup.rowAt(1);
    EXPECT_EQ("minus", second.buttonImageName);
    EXPECT_EQ(localized("db_disconnect_condensed"), second.buttonTitle);
    EXPECT_EQ(1, second.tag);

    setup.providerButtonClicked(0, {});
    setup.providerButtonClicked(1, {});
    setup.providerButtonClicked(7, {});
    EXPECT_EQ((std::vector<std::string>{"connect"}), dropbox->calls);
    EXPECT_EQ((std::vector<std::string>{"disconnect"}), drive->calls);
    EXPECT_EQ("minus", setup.rowAt(0).buttonImageName);
    EXPECT_EQ(3, reloads);
    EXPECT_FALSE(CloudSetupViewController::shouldSelectRow(0));
    EXPECT_EQ(44.0, CloudSetupViewController::RowHeight);
    EXPECT_DOUBLE_EQ(36.0 / 212.0, CloudSetupViewController::separatorLineWidth(2));

    for (auto* provider : {local.get(), dropbox.get(), drive.get()})
        MindMapProviders::instance().unregisterProvider(provider);
}

TEST(CloudSetupViewControllerTest, EveryCloudsRowHasAPictureOfTheImageTable)
{
    struct Case {
        int32_t type;
        std::string picture;
    } cases[] = {
        {MindMapProviderDropbox, FeedbackCenter::dropboxImage()},
        {MindMapProviderGoogleDrive, FeedbackCenter::gdriveImage()},
        // A cloud the table has no picture of yet still shows one.
        {MindMapProviderOneDrive, "cloud_16"},
    };
    for (const Case& c : cases) {
        auto cloud = std::make_shared<ScriptedProvider>(c.type, "Cloud", false);
        MindMapProviders::instance().registerProvider(cloud);
        CloudSetupViewController setup;
        ASSERT_EQ(1u, setup.numberOfRows());
        const std::string name = setup.rowAt(0).iconImageName;
        EXPECT_EQ(c.picture, name) << c.type;
        EXPECT_NE(nullptr, toolbarImage(name)) << "no picture for " << name;
        MindMapProviders::instance().unregisterProvider(cloud.get());
    }
}
