#include "LocalExplorerTestSupport.h"

#include "explorers/ExplorerBrowserController.h"
#include "explorers/ExplorerText.h"
#include "platform/Localizer.h"
#include "platform/Menu.h"
#include "platform/UserDefaults.h"
#include "store/MindMapProvider.h"

using namespace explorertest;

namespace {

// The browser window as the controller sees it; closing tells the controller, as the desktop's does.
class FakeBrowserWindow : public ExplorerBrowserWindow {
public:
    explicit FakeBrowserWindow(std::weak_ptr<ExplorerBrowserController> controller) : _controller(std::move(controller))
    {
        ++alive;
    }
    ~FakeBrowserWindow() override { --alive; }
    Rect frame() const override { return {}; }
    void setFrame(const Rect&) override {}
    void center() override {}
    void close() override
    {
        if (!shown) return;
        shown = false;
        if (auto controller = _controller.lock()) controller->windowWillClose();
    }
    void setZoomable(bool) override {}
    std::string frameAutosaveName() const override { return {}; }
    void setTitle(const std::string& text) override { title = text; }
    void setTargetLabel(const std::string& text) override { label = text; }
    void setOkEnabled(bool enabled) override { okEnabled = enabled; }
    void setButtonTitles(const std::string& ok, const std::string& cancel) override { buttons = ok + "/" + cancel; }
    MindMapSearchField* searchField() override { return field.get(); }
    void removeSearchField() override { field.reset(); }
    void embedExplorer(MindMapExplorerBase& explorer) override { embedded = &explorer; }
    void focusExplorer() override {}
    void show() override { shown = true; }

    static inline int alive = 0;
    std::unique_ptr<MindMapSearchField> field = std::make_unique<MindMapSearchField>();
    MindMapExplorerBase* embedded = nullptr;
    std::string title, label, buttons;
    bool okEnabled = false;
    bool shown = false;

private:
    std::weak_ptr<ExplorerBrowserController> _controller;
};

// An explorer of another provider, whose pick the test sets.
class PlainExplorer : public MindMapExplorerBase {
public:
    using MindMapExplorerBase::MindMapExplorerBase;
    std::optional<std::string> selectedBrowserItem() const override { return pick; }
    std::optional<std::string> pick;
};

class ExplorerBrowserTest : public LocalExplorerTest {
protected:
    void SetUp() override
    {
        LocalExplorerTest::SetUp();
        ExplorerBrowserController::setWindowFactory([this](const std::shared_ptr<ExplorerBrowserController>& c) {
            auto window = std::make_unique<FakeBrowserWindow>(c);
            last = window.get();
            return window;
        });
        ExplorerBrowserController::registerExplorerFactory(MindMapProviderLocal, [this](int32_t mode) {
            return std::make_shared<LocalMindMapExplorer>(mode, scheduler);
        });
        ExplorerBrowserController::registerExplorerFactory(MindMapProviderDropbox, [this](int32_t mode) {
            auto explorer = std::make_shared<PlainExplorer>(mode);
            plain = explorer.get();
            return explorer;
        });
    }
    void TearDown() override
    {
        ExplorerBrowserController::setWindowFactory(nullptr);
        ExplorerBrowserController::registerExplorerFactory(MindMapProviderLocal, nullptr);
        ExplorerBrowserController::registerExplorerFactory(MindMapProviderDropbox, nullptr);
        LocalExplorerTest::TearDown();
    }
    std::function<void(const std::string&)> recorder()
    {
        return [this](const std::string& pick) { picks.push_back(pick); };
    }

    FakeBrowserWindow* last = nullptr;
    PlainExplorer* plain = nullptr;
    std::vector<std::string> picks;
};

TEST_F(ExplorerBrowserTest, TitlesAndCaptionsFollowTheMode)
{
    struct Named : MindMapProvider {
        Named() : MindMapProvider(MindMapProviderDropbox) {}
        std::string title() const override { return "Dropbox"; }
    } provider;
    const struct {
        int32_t mode;
        std::string title;
        std::optional<std::string> caption;
    } cases[] = {
        {0, "", std::nullopt},
        {1, localized("hyperlink_link_doc"), localized("explorer_link_to_document_caption")},
        {2, localized("explorer_select_image_title"), localized("explorer_select_image_caption")},
        {3, localized("hyperlink_link_mindmap"), localized("explorer_link_to_document_caption")},
        {4, formatText(objectPlaceholders(localized("explorer_copy_to_cloud_caption_fmt")), {"Dropbox"}),
         localized("explorer_copy_to_cloud_caption")},
        {5, localized("map_list_move_to_folder"), localized("explorer_move_to_folder_caption")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExplorerBrowserController::windowTitleForMode(c.mode, &provider), c.title) << c.mode;
        EXPECT_EQ(ExplorerBrowserController::targetCaptionForMode(c.mode), c.caption) << c.mode;
    }
    EXPECT_EQ(ExplorerBrowserController::windowTitleForMode(4, &provider), "Copy to Dropbox");
    EXPECT_EQ(ExplorerBrowserController::targetLabelText("Move to:", std::string("Work")), "Move to: Work");
    EXPECT_EQ(ExplorerBrowserController::targetLabelText("Move to:", std::nullopt), "Move to:");
    EXPECT_EQ(ExplorerBrowserController::targetLabelText("", std::string("Work")), " Work");
}

TEST_F(ExplorerBrowserTest, OkFollowsThePickAndOnlyOkCallsTheCaller)
{
    auto browser = ExplorerBrowserController::selectMindMapHyperLink(MindMapProviderLocal, "", recorder());
    ASSERT_TRUE(browser);
    ASSERT_TRUE(last && last->shown);
    EXPECT_EQ(last->title, localized("hyperlink_link_mindmap"));
    EXPECT_EQ(last->buttons, localized("ok_button_title") + "/" + localized("cancel_button_title"));
    EXPECT_TRUE(browser->explorer()->active());
    EXPECT_FALSE(last->okEnabled);
    EXPECT_EQ(last->label, localized("explorer_link_to_document_caption"));
    auto* explorer = static_cast<LocalMindMapExplorer*>(browser->explorer());
    explorer->setInitialSelection(GuidDelta);
    browser->windowDidUpdate();
    EXPECT_TRUE(last->okEnabled);
    EXPECT_EQ(last->label, localized("explorer_link_to_document_caption") + " Delta");
    EXPECT_TRUE(picks.empty());
    std::weak_ptr<ExplorerBrowserController> weak = browser;
    browser.reset();
    weak.lock()->okButtonClicked();
    EXPECT_EQ(picks, (std::vector<std::string>{GuidDelta}));
    // Closed, the browser lets itself go with its window.
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(FakeBrowserWindow::alive, 0);
}

TEST_F(ExplorerBrowserTest, CancelTheCloseBoxAndMenusCallNothing)
{
    for (int way = 0; way < 4; ++way) {
        std::weak_ptr<ExplorerBrowserController> weak =
            ExplorerBrowserController::selectMindMapHyperLink(MindMapProviderLocal, GuidAlpha, recorder());
        ASSERT_FALSE(weak.expired());
        FakeBrowserWindow* window = last;
        EXPECT_TRUE(window->okEnabled);
        auto* explorer = weak.lock()->explorer();
        if (way == 0) weak.lock()->cancelButtonClicked();
        if (way == 1) window->close();
        if (way == 2) NotificationCenter::defaultCenter().post(MenuDidBeginTrackingNotification, this);
        if (way == 3) weak.lock()->windowDidResignKey();
        EXPECT_TRUE(weak.expired()) << way;
        (void)explorer;
    }
    EXPECT_TRUE(picks.empty());
}

TEST_F(ExplorerBrowserTest, ItsOwnSearchFieldsModeMenuLeavesTheBrowserOpen)
{
    auto browser = ExplorerBrowserController::selectMoveToCloudTarget(MindMapProviderLocal, recorder());
    ASSERT_TRUE(browser && last->field);
    MindMapSearchField& field = *last->field;
    NotificationCenter::defaultCenter().post(MenuDidBeginTrackingNotification, &field.searchMenu());
    NotificationCenter::defaultCenter().post(MenuWillSendActionNotification, &field.searchMenu());
    EXPECT_TRUE(last->shown);
    // The field filters the browser's explorer.
    field.textChangedByUser("Beta");
    auto* explorer = static_cast<LocalMindMapExplorer*>(browser->explorer());
    EXPECT_EQ(explorer->searchFilter(), "Beta");
    Menu other;
    NotificationCenter::defaultCenter().post(MenuDidBeginTrackingNotification, &other);
    EXPECT_FALSE(last->shown);
    EXPECT_FALSE(browser->explorer()->active());
    // Closing detached the field.
    EXPECT_EQ(explorer->searchBar(), nullptr);
}

TEST_F(ExplorerBrowserTest, OnlyTheLocalStoreGetsASearchFieldAndUnknownProvidersOpenNothing)
{
    auto browser = ExplorerBrowserController::selectCopyToCloudTarget(MindMapProviderDropbox, recorder());
    ASSERT_TRUE(browser);
    EXPECT_FALSE(last->field);
    EXPECT_EQ(last->embedded, plain);
    plain->pick = "/folder";
    browser->windowDidUpdate();
    EXPECT_TRUE(last->okEnabled);
    EXPECT_EQ(last->label, localized("explorer_copy_to_cloud_caption") + " /folder");
    // The explorer ends the browser with a pick of its own.
    plain->browserDelegate()->endBrowserWithSelection("/other");
    EXPECT_EQ(picks, (std::vector<std::string>{"/other"}));
    last = nullptr;
    EXPECT_FALSE(ExplorerBrowserController::selectImageInCloud(MindMapProviderOneDrive, recorder()));
    EXPECT_FALSE(ExplorerBrowserController::selectCloudDocLink(7, "", recorder()));
    EXPECT_FALSE(last);
}

TEST(SearchFieldTest, TheModeMenuSwitchesBetweenTitlesAndFullText)
{
    UserDefaults::standard().resetForTesting();
    struct Owner : MindMapSearchFieldTarget {
        void searchModeChanged(MindMapSearchField&) override { ++modeChanges; }
        void setSearchBar(MindMapSearchField*) override {}
        int modeChanges = 0;
    } owner;
    MindMapSearchField field;
    EXPECT_EQ(MindMapSearchField::scopeText(false), localized("search_scope_search_titles"));
    EXPECT_EQ(MindMapSearchField::scopeText(true), localized("search_scope_full_text_search"));
    EXPECT_EQ(field.placeholder(), localized("search_scope_search_titles"));
    ASSERT_EQ(field.searchMenu().items().size(), 2u);
    EXPECT_EQ(field.searchMenu().items()[0]->tag(), 1);
    EXPECT_EQ(field.searchMenu().items()[1]->tag(), 2);
    EXPECT_TRUE(field.searchMenu().items()[0]->isChecked());
    field.setTarget(&owner, nullptr);
    field.setSearchModeAutoSaveKey("MainTopicSearchMode");
    // Empty: the owner is not told, the mode is still saved.
    field.performAction("setSearchCategoryFrom:", field.searchMenu().items()[1].get());
    EXPECT_TRUE(field.fullTextSearch());
    EXPECT_EQ(owner.modeChanges, 0);
    EXPECT_TRUE(UserDefaults::standard().boolForKey("MainTopicSearchMode"));
    EXPECT_EQ(field.placeholder(), localized("search_scope_full_text_search"));
    EXPECT_TRUE(field.searchMenu().items()[1]->isChecked());
    field.setText("plan");
    field.setSearchCategoryFrom(7);
    EXPECT_FALSE(field.fullTextSearch());
    EXPECT_EQ(owner.modeChanges, 1);
    field.setSearchCategoryFrom(1);
    EXPECT_EQ(owner.modeChanges, 1);
    // Another field under the key starts in the saved mode.
    UserDefaults::standard().setBool("MainTopicSearchMode", true);
    MindMapSearchField second;
    second.setSearchModeAutoSaveKey("MainTopicSearchMode");
    EXPECT_TRUE(second.fullTextSearch());
    second.setSearchModeAutoSaveKey("");
    EXPECT_EQ(second.searchModeAutoSaveKey(), "");
    UserDefaults::standard().resetForTesting();
}

TEST(ExplorerTextTest, StringPlaceholdersBecomeObjectPlaceholders)
{
    const struct {
        const char* format;
        const char* expected;
    } cases[] = {
        {"Copy to %s", "Copy to %@"},
        {"%1$s holds %2$s maps", "%1$@ holds %2$@ maps"},
        {"100%% %s", "100%% %@"},
        {"%ld and %@", "%ld and %@"},
        {"%", "%"},
        {"%12", "%12"},
        {"%1$d", "%1$d"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(objectPlaceholders(c.format), c.expected) << c.format;
    EXPECT_EQ(formatText(objectPlaceholders("%1$s holds %2$s maps"), {"Work", "3"}), "Work holds 3 maps");
}

} // namespace
