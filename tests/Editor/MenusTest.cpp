#include "Editor/CheckboxMenuHandler.h"
#include "Editor/CommandRouter.h"
#include "Editor/HistoryMenu.h"
#include "Editor/MainMenu.h"
#include "Editor/MenuTranslator.h"
#include "Editor/StandardMenuBuilder.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapFormats.h"
#include "MindMaps/MindMapNode.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/Localizer.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

namespace {

std::vector<std::string> titles(const Menu& menu)
{
    std::vector<std::string> result;
    for (const auto& item : menu.items()) result.push_back(item->isSeparatorItem() ? "-" : item->title());
    return result;
}

std::vector<std::string> actions(const Menu& menu)
{
    std::vector<std::string> result;
    for (const auto& item : menu.items()) result.push_back(item->isSeparatorItem() ? "-" : item->action());
    return result;
}

MenuItem* itemWithAction(Menu& menu, const std::string& action)
{
    for (const auto& item : menu.items())
        if (item->action() == action) return item.get();
    return nullptr;
}

class MenuTranslationTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(_resources.path() + "/strings");
        writeTestFile(_resources.path() + "/strings/en.strings",
                      "menu_about=Über Tarnwick\n"
                      "preferences_title=Einstellungen…\n"
                      "menu_quit_tarnwick=Tarnwick beenden\n"
                      "editor_menu_edit_group=Bearbeiten\n"
                      "editor_menu_undo=Widerrufen\n");
        reloadStringTable();
    }
    void TearDown() override { reloadStringTable(); }

    TempDir _resources;
    ScopedEnvironment _environment{"TARNWICK_RESOURCES", _resources.path()};
};

TEST_F(MenuTranslationTest, TitleTableHasEveryRowAndTheEllipsisRule)
{
    MenuTranslator translator;
    const auto& table = translator.menuTitles();
    EXPECT_EQ(table.size(), 144u);
    EXPECT_EQ(table.at("About Tarnwick…"), "Über Tarnwick…");
    EXPECT_EQ(table.at("Preferences"), "Einstellungen…") << "no second ellipsis";
    EXPECT_EQ(table.at("Quit Tarnwick"), "Tarnwick beenden") << "not an ellipsis row";
    EXPECT_EQ(table.at("Print Outline"), "…") << "a missing key is the empty text, still with its ellipsis";
    EXPECT_EQ(table.at("Send Feedback"), "");
}

TEST_F(MenuTranslationTest, UnknownTitlesKeepTheirTextAndTheirSubmenusAreTranslated)
{
    Menu bar;
    for (const char* title : {"Not In The Table", "Edit"}) {
        auto submenu = std::make_shared<Menu>(title);
        submenu->addItem("Undo", "undo:");
        bar.addItem(title, "").setSubmenu(submenu);
    }
    MenuTranslator::translateMainMenu(bar);
    EXPECT_EQ(titles(bar), (std::vector<std::string>{"Not In The Table", "Bearbeiten"}));
    EXPECT_EQ(titles(*bar.items()[0]->submenu()), std::vector<std::string>{"Widerrufen"});
    EXPECT_EQ(titles(*bar.items()[1]->submenu()), std::vector<std::string>{"Widerrufen"});
}

TEST_F(MenuTranslationTest, StartUpNamesTheApplicationAndDropsTheUpdateItem)
{
    MainMenu menu = MainMenu::build();
    CheckboxMenuHandler handler(nullptr);
    prepareMainMenu(menu, handler, "Tarnwick Nightly");
    EXPECT_EQ(menu.tarnWickMenu->items().front()->title(), "Über Tarnwick Nightly…");
    EXPECT_EQ(itemWithAction(*menu.tarnWickMenu, "terminate:")->title(), "Tarnwick Nightly beenden");
    EXPECT_EQ(itemWithAction(*menu.tarnWickMenu, "checkForUpdates:"), nullptr);
    MenuItem* setup = itemWithAction(*menu.editMenu, "setupCheckboxes:");
    ASSERT_TRUE(setup && setup->submenu());
    EXPECT_EQ(setup->submenu()->items().size(), 18u);
    EXPECT_EQ(menu.imageMenu->items().size(), 7u);
    EXPECT_EQ(menu.linkMenu->items().size(), 8u);
}

// Every item of the bar, submenus included, depth first.
void collectItems(Menu& menu, std::vector<MenuItem*>& items)
{
    for (const auto& item : menu.items()) {
        if (item->isSeparatorItem()) continue;
        items.push_back(item.get());
        if (Menu* submenu = item->submenu()) collectItems(*submenu, items);
    }
}

TEST(MainMenuTest, TitlesAreTheTranslatorsAndEveryActionAndKeyIsUsedOnce)
{
    MainMenu menu = MainMenu::build();
    std::vector<MenuItem*> items;
    collectItems(*menu.bar, items);
    MenuTranslator translator;
    std::set<std::string> actionsSeen;
    for (MenuItem* item : items) {
        // The application menu is titled with the application's name; the history submenu takes its
        // title from the string table itself.
        if (item->submenu() == menu.tarnWickMenu || item->submenu() == menu.historyMenu) continue;
        EXPECT_TRUE(translator.menuTitles().contains(item->title())) << item->title();
        // Edit's "Select Icon" and View's "Show Icons" open the same pane.
        if (!item->action().empty() && item->action() != "showIconPickerPanel:") {
            EXPECT_TRUE(actionsSeen.insert(item->action()).second) << item->action();
        }
    }
    ASSERT_NE(menu.historyMenu, nullptr);

    CheckboxMenuHandler handler(nullptr);
    prepareMainMenu(menu, handler, "Tarnwick");
    items.clear();
    collectItems(*menu.bar, items);
    std::map<std::pair<std::string, unsigned>, std::string> keys;
    for (MenuItem* item : items) {
        if (item->keyEquivalent().empty()) continue;
        const auto [it, added] =
            keys.emplace(std::pair{item->keyEquivalent(), item->keyEquivalentModifiers()}, item->action());
        EXPECT_TRUE(added) << item->action() << " takes the key of " << it->second;
    }
    auto actionOn = [&](const std::string& key, unsigned modifiers) {
        auto it = keys.find({key, modifiers});
        return it == keys.end() ? std::string() : it->second;
    };
    // The desktop's habits: Back on Alt+Left, nothing on Ctrl+M (no Minimize key).
    EXPECT_EQ(actionOn("Left", AlternateKeyModifier), "navigateBackward:");
    EXPECT_EQ(actionOn("m", ControlKeyModifier), "");
    const std::pair<const char*, const char*> expected[] = {
        {"zoomIn:", "plus"}, {"zoomOut:", "minus"},   {"zoomActualSize:", "0"}, {"selectAllNodes:", "a"},
        {"undo:", "z"},      {"closeDocument:", "w"}, {"terminate:", "q"}};
    for (auto [action, key] : expected) EXPECT_EQ(actionOn(key, ControlKeyModifier), action);

    // The View menu's keys, none of them one the desktop takes (Ctrl+Alt+T opens a terminal).
    const std::tuple<const char*, const char*, unsigned> viewKeys[] = {
        {"toggleFullScreenMode:", "F11", 0},
        {"togglePresentationMode:", "F5", 0},
        {"toggleToolbarShown:", "b", ControlKeyModifier | ShiftKeyModifier},
        {"toggleStyleToolbar:", "t", ControlKeyModifier | ShiftKeyModifier},
        {"toggleInspectorPanel:", "i", ControlKeyModifier | ShiftKeyModifier},
        {"showOutlinerPanel:", "1", ControlKeyModifier},
        {"showNotePanel:", "2", ControlKeyModifier},
        {"showIconPickerPanel:", "3", ControlKeyModifier},
        {"showMapSearchbar:", "f", ControlKeyModifier},
    };
    for (auto [action, key, modifiers] : viewKeys) EXPECT_EQ(actionOn(key, modifiers), action) << key;
    EXPECT_EQ(actionOn("t", ControlKeyModifier | AlternateKeyModifier), "");

    // The auto-focus items carry the mode they choose, by which they are checked.
    const std::pair<const char*, int64_t> autoFocus[] = {
        {"autoFocusDisabled:", 0}, {"autoFocusSelected:", 1}, {"autoFocusChildren:", 2}, {"autoFocusBranch:", 3}};
    for (const auto& entry : autoFocus) {
        const std::string action = entry.first;
        const int64_t tag = entry.second;
        auto it = std::find_if(items.begin(), items.end(), [&](MenuItem* item) { return item->action() == action; });
        ASSERT_NE(it, items.end()) << action;
        EXPECT_EQ((*it)->tag(), tag) << action;
        EXPECT_EQ((*it)->keyEquivalent(), "") << action;
    }
}

// The text editor's markup and the fonts pane have their items; the markup ones are the only way
// to superscript, subscript or strip markdown from the menus.
TEST(MainMenuTest, TheFontMenuOffersTheFontsPaneAndEveryMarkupOfTheTextEditor)
{
    MainMenu menu = MainMenu::build();
    CheckboxMenuHandler handler(nullptr);
    prepareMainMenu(menu, handler, "Tarnwick");
    ASSERT_NE(menu.styleMenu, nullptr);
    Menu* font = nullptr;
    for (const auto& item : menu.styleMenu->items())
        if (item->title() == localized("text_style_font")) font = item->submenu();
    ASSERT_NE(font, nullptr);
    const std::pair<const char*, const char*> expected[] = {
        {"action_change_fonts", "changeGlobalFonts:"},
        {"-", "-"},
        {"node_style_dialog_bold", "toggleBoldFontStyle:"},
        {"node_style_dialog_italic", "toggleItalicFontStyle:"},
        {"node_style_dialog_underline", "toggleUnderlineFontStyle:"},
        {"node_style_dialog_strike_through", "toggleStrikeThroughFontStyle:"},
        {"node_style_dialog_superscript", "toggleSuperscriptFontStyle:"},
        {"node_style_dialog_subscript", "toggleSubscriptFontStyle:"},
        {"-", "-"},
        {"typography_remove_markdown", "removeMarkdown:"},
    };
    std::vector<std::string> expectedTitles;
    std::vector<std::string> expectedActions;
    for (auto [key, action] : expected) {
        expectedTitles.push_back(std::string(key) == "-" ? "-" : localized(key));
        expectedActions.push_back(action);
    }
    // It opens a window: its title promises one.
    expectedTitles.front() += "\u2026";
    EXPECT_EQ(titles(*font), expectedTitles);
    EXPECT_EQ(actions(*font), expectedActions);
}

TEST(StandardMenuBuilderTest, ImageAndLinkMenusInOrder)
{
    Menu image;
    StandardMenuBuilder::buildImageMenu(image);
    EXPECT_EQ(actions(image),
              (std::vector<std::string>{"addCustomImage:", "addImageFromCloud:", "-",
                                        "invokeEmbeddedImagePicker:", "clearEmbeddedImage:", "-", "addImageAsTopic:"}));
    Menu link;
    StandardMenuBuilder::buildLinkMenu(link, false);
    EXPECT_EQ(actions(link),
              (std::vector<std::string>{"addDiagramLink:", "addCloudDocumentLink:", "addURLLink:", "-",
                                        "copyLink:", "pasteLink:", "-", "clearHyperlink:"}));
    Menu withContacts;
    StandardMenuBuilder::buildLinkMenu(withContacts, true);
    EXPECT_EQ(withContacts.items()[3]->action(), "addContactLink:");
}

struct MapDelegate : CheckboxMenuHandlerDelegate {
    MindMap* map = nullptr;
    MindMap* getMindMap() override { return map; }
};

class CheckboxMenuTest : public testing::Test {
protected:
    void SetUp() override
    {
        registerNativeFormat();
        const std::string document =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tarnwick-mindmaps doc-version=\"3\"><mindmap><meta/><topics>"
            "<topic id=\"0\" parent=\"-1\" text=\"Root\"/><topic id=\"1\" parent=\"0\" text=\"A\"/>"
            "<topic id=\"2\" parent=\"0\" text=\"B\"/></topics><relations/></mindmap></tarnwick-mindmaps>";
        ASSERT_TRUE(map.readFromData(MindMapData(document.begin(), document.end()), "", 2));
        ASSERT_EQ(map.nodes().size(), 3u);
        delegate.map = &map;
        menu = handler.makeCheckboxSetupMenu("Check boxes");
    }

    std::vector<int64_t> tags() const
    {
        std::vector<int64_t> result;
        for (const auto& item : menu->items()) result.push_back(item->tag());
        return result;
    }
    // As the menu shows when it opens: updated, then validated through the router.
    std::vector<int64_t> ticked()
    {
        CommandRouter router;
        router.setResponderChain([this] { return std::vector<Responder*>{&handler}; });
        router.validateMenu(*menu);
        std::vector<int64_t> result;
        for (const auto& item : menu->items()) {
            if (item->isSeparatorItem()) continue;
            EXPECT_TRUE(item->isEnabled());
            if (item->isChecked()) result.push_back(item->tag());
        }
        return result;
    }
    MenuItem* itemTagged(int64_t tag)
    {
        for (const auto& item : menu->items())
            if (!item->isSeparatorItem() && item->tag() == tag) return item.get();
        return nullptr;
    }
    MindMapNode* child(size_t index, int32_t mode, int64_t progress)
    {
        MindMapNode* node = map.nodes()[1 + index];
        node->setCheckboxMode(mode);
        node->setProgress(progress);
        return node;
    }

    MindMap map;
    MapDelegate delegate;
    CheckboxMenuHandler handler{&delegate};
    std::shared_ptr<Menu> menu;
};

TEST_F(CheckboxMenuTest, ItemsCarryTheTagTable)
{
    EXPECT_EQ(tags(),
              (std::vector<int64_t>{-1, -100, -2, -3, -100, 0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, -100, -4}));
    for (const auto& item : menu->items())
        if (!item->isSeparatorItem()) {
            EXPECT_EQ(item->action(), "handleCheckboxSetupMenuClick:");
        }
}

TEST_F(CheckboxMenuTest, CommonTagOfTheSelection)
{
    struct Case {
        std::vector<std::pair<int32_t, int64_t>> topics;
        std::vector<int64_t> ticked;
    };
    const Case cases[] = {
        {{{2, 30}, {2, 30}}, {30}}, {{{2, 30}, {2, 40}}, {}}, {{{2, 35}}, {}},  {{{0, 0}}, {-1}},
        {{{1, 100}}, {-3}},         {{{1, 0}, {1, 0}}, {-2}}, {{{3, 0}}, {-4}}, {{}, {}},
    };
    for (const Case& c : cases) {
        map.setSelectedElement(nullptr);
        for (size_t i = 0; i < c.topics.size(); ++i) {
            MindMapNode* node = child(i, c.topics[i].first, c.topics[i].second);
            if (i == 0) {
                map.setSelectedElement(node);
            } else {
                map.toggleSelection(node, false);
            }
        }
        EXPECT_EQ(ticked(), c.ticked) << c.topics.size() << " topics";
    }
}

TEST_F(CheckboxMenuTest, ChoosingAnItemAppliesItsState)
{
    MindMapNode* node = child(0, 0, 0);
    map.setSelectedNode(node);
    EXPECT_TRUE(handler.performAction("handleCheckboxSetupMenuClick:", itemTagged(-3)));
    EXPECT_EQ(node->checkboxMode(), 1);
    EXPECT_EQ(node->progress(), 100);
    handler.handleCheckboxSetupMenuClick(itemTagged(70));
    EXPECT_EQ(node->checkboxMode(), 2);
    EXPECT_EQ(node->progress(), 70);
    delegate.map = nullptr;
    handler.handleCheckboxSetupMenuClick(itemTagged(-1));
    EXPECT_EQ(node->checkboxMode(), 2) << "without a map nothing changes";
}

} // namespace
