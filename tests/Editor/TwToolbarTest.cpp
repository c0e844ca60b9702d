#include "Editor/TwToolbar.h"
#include "Editor/CommandRouter.h"
#include "Editor/HistoryMenu.h"
#include "Editor/ToolbarImages.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "support/RecordingMenuPresenter.h"
#include "support/RecordingResponder.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct TestSearchField : EditorSearchField {
    void clearText() override {}
    void setEnabled(bool) override {}
};

class TwToolbarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UserDefaults::standard().resetForTesting();
        TwToolbar::setSearchFieldFactory([] { return std::make_unique<TestSearchField>(); });
        CommandRouter::shared().setResponderChain([this] { return std::vector<Responder*>{&editor}; });
    }
    void TearDown() override
    {
        TwToolbar::setSearchFieldFactory(nullptr);
        CommandRouter::shared().setResponderChain(nullptr);
        UserDefaults::standard().resetForTesting();
    }

    TwToolbar::Context context()
    {
        TwToolbar::Context c;
        c.controller = &controller;
        c.document = &document;
        c.documentController = &documentController;
        c.setSearchBar = [this](EditorSearchField* field) { searchBars.push_back(field); };
        c.zoomFactorChanged = [this] { ++zoomRefreshes; };
        return c;
    }

    std::vector<std::string> log;
    RecordingResponder editor{"editor", log}, controller{"controller", log}, document{"document", log},
        documentController{"documentController", log};
    std::vector<EditorSearchField*> searchBars;
    int zoomRefreshes = 0;
};

} // namespace

TEST_F(TwToolbarTest, DefaultAndAllowedItemsComeInTheirOrder)
{
    EXPECT_EQ((std::vector<std::string>{"MindMaps", "Search MindMaps", "Add MindMap", "Save MindMap",
                                        "Navigate MindMap", "Undo commands", "Add Commands", "Delete Node",
                                        "Clipboard Commands", "Rearrange Subtree", "Diagram Link", "Icon", "Zoom",
                                        "AutoFocus", "Export Commands", "Customize toolbar"}),
              TwToolbar::defaultItemIdentifiers());
    EXPECT_EQ((std::vector<std::string>{"MindMaps",
                                        "Add MindMap",
                                        "Save MindMap",
                                        "Navigate MindMap",
                                        "Undo commands",
                                        "Add Commands",
                                        "Delete Node",
                                        "Clipboard Commands",
                                        "Style sheet",
                                        "Rearrange Subtree",
                                        "Search MindMaps",
                                        "Diagram Link",
                                        "Icon",
                                        "AutoFocus",
                                        "Zoom",
                                        "Export Commands",
                                        "Customize toolbar",
                                        "FlexibleSpace",
                                        "Space",
                                        "Separator"}),
              TwToolbar::allowedItemIdentifiers());
    EXPECT_STREQ("com.Orrinworks.TwkWindowController.Toolbar3", TwToolbar::Identifier);
}

TEST_F(TwToolbarTest, EveryItemIsMadeFromTheTable)
{
    TwToolbar toolbar(context());
    Responder* const chain = nullptr;
    Responder* const self = &toolbar;
    struct Segment {
        const char* image;
        Responder* target;
        const char* action;
        std::string toolTip;
    };
    struct Case {
        const char* identifier;
        std::vector<Segment> segments;
        std::string label, paletteLabel;
    } cases[] = {
        {"Save MindMap",
         {{"save", chain, "saveDocument:", localized("action_save_document")}},
         localized("action_save_document"),
         localized("action_save_document")},
        {"Style sheet",
         {{"palette", &controller, "changeStyleSheet:", localized("style_selector_dialog_title")}},
         localized("editor_menu_style_condensed"),
         localized("style_selector_dialog_title")},
        {"Add MindMap",
         {{"page_white", &documentController, "newDocument:", localized("map_dialog_add_map_title")}},
         localized("editor_menu_add_group"),
         localized("map_dialog_add_map_title")},
        {"Navigate MindMap",
         {{"go-left", &documentController, "navigateBackward:", localized("editor_menu_history")}},
         localized("editor_menu_history_condensed"),
         localized("editor_menu_history")},
        {"Undo commands",
         {{"undo", chain, "undo:", localized("editor_menu_undo")},
          {"redo", chain, "redo:", localized("editor_menu_redo")}},
         localized("editor_menu_undo"),
         localized("editor_menu_undo")},
        {"Add Commands",
         {{"add-child", &document, "addChildNode:", localized("node_editor_add_child_topic")},
          {"add-sibling", &document, "addSiblingNode:", localized("node_editor_add_sibling_topic")},
          {"add-palette-color", &document,
           "addBranchWithPaletteIndex:", localized("editor_add_topic_with_palette_color")}},
         localized("editor_menu_add_child"),
         localized("editor_menu_add_child")},
        {"Delete Node",
         {{"delete", &document, "delete:", localized("editor_menu_delete")}},
         localized("editor_menu_delete"),
         localized("editor_menu_delete")},
        {"Clipboard Commands",
         {{"cut", chain, "cut:", localized("topic_menu_cut")},
          {"copy", chain, "copy:", localized("topic_menu_copy")},
          {"paste", chain, "paste:", localized("topic_menu_paste")}},
         localized("actions_category_clipboard"),
         localized("actions_category_clipboard")},
        {"Rearrange Subtree",
         {{"layout", chain, "changeLayoutMode:", localized("layout_style_dialog_title")}},
         localized("layout_style_dialog_title"),
         localized("layout_style_dialog_title")},
        {"Zoom",
         {{"zoom", &controller, "zoomFactorSelected:", localized("editor_menu_zoom")}},
         localized("editor_menu_zoom"),
         localized("editor_menu_zoom")},
        {"AutoFocus",
         {{"auto_focus", &controller, "", localized("editor_menu_auto_focus")}},
         localized("editor_menu_auto_focus_condensed"),
         localized("editor_menu_auto_focus")},
        {"Export Commands",
         {{"printer", chain, "printDocument:", localized("editor_menu_print")},
          {"document_export", chain, "exportDocument:", localized("map_list_export_store_condensed")},
          {"mail_yellow", chain, "sendEmailMessage:", localized("action_mail_mind_map")}},
         localized("editor_menu_share_condensed"),
         localized("editor_menu_share_condensed")},
        {"Customize toolbar",
         {{"NSToolbarCustomizeToolbarItemImage", self, "runCustomizationPalette:", localized("action_customize")}},
         localized("action_customize"),
         localized("action_customize")},
        {"Diagram Link",
         {{"page_link", chain, "", localized("link_options_dialog_title")}},
         localized("doc_link_dialog_link_button"),
         localized("doc_link_dialog_link_button")},
        {"Icon",
         {{"add_text", chain, "addText:", localized("topic_menu_add_label")},
          {"stock_icon_color_16", chain, "showIconPickerPanel:", localized("topic_menu_select_icon")},
          {"gallery-color-16", chain, "", "Add Image"},
          {"check_boxes", chain, "setupCheckboxes:", localized("topic_menu_topic_checkboxes")},
          {"calendar", chain, "showDatePickerPanel:", localized("topic_menu_topic_set_date")},
          {"hull_16", chain, "toggleShowHull:", localized("topic_menu_hull_options")}},
         localized("editor_menu_add_group"),
         localized("editor_menu_add_group")},
        {"MindMaps",
         {{"left_sidebar", chain, "toggleMindMapExplorer:", localized("action_show_mindmap_explorer")}},
         localized("mindmaps_button_title"),
         localized("mindmaps_button_title")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.identifier);
        std::unique_ptr<TwToolbarItem> item = toolbar.makeItem(c.identifier, true);
        ASSERT_TRUE(item);
        EXPECT_FALSE(item->label().empty()) << "every key is in the string table";
        EXPECT_EQ(c.label, item->label());
        EXPECT_EQ(c.paletteLabel, item->paletteLabel());
        ASSERT_TRUE(item->segmentedItem());
        const auto& segments = item->segmentedItem()->controlItem().segments();
        ASSERT_EQ(c.segments.size(), segments.size());
        for (size_t i = 0; i < segments.size(); ++i) {
            EXPECT_EQ(c.segments[i].image, segments[i]->image()) << i;
            EXPECT_EQ(c.segments[i].target, segments[i]->target()) << i;
            EXPECT_EQ(c.segments[i].action, segments[i]->action()) << i;
            EXPECT_EQ(c.segments[i].toolTip, segments[i]->toolTip()) << i;
            EXPECT_NE(nullptr, toolbarImage(segments[i]->image())) << "no picture for " << segments[i]->image();
        }
    }
}

TEST_F(TwToolbarTest, UnknownIdentifiersMakeNoItemAndTheSearchFieldNeedsItsFactory)
{
    TwToolbar toolbar(context());
    for (const char* identifier : {"", "zoom", "Search", "NSToolbarSpaceItem", "Zoom "})
        EXPECT_FALSE(toolbar.makeItem(identifier, true)) << identifier;
    EXPECT_FALSE(toolbar.insertItem("Undo", 0));
    EXPECT_TRUE(toolbar.items().empty());

    std::unique_ptr<TwToolbarItem> search = toolbar.makeItem("Search MindMaps", true);
    ASSERT_TRUE(search);
    EXPECT_EQ(TwToolbarItem::Kind::Search, search->kind());
    EXPECT_EQ(localized("map_list_search"), search->label());
    EXPECT_EQ(localized("map_list_search"), search->toolTip());
    EXPECT_EQ(40.0, search->minimumWidth());
    EXPECT_EQ(120.0, search->maximumWidth());
    EXPECT_FALSE(toolbar.makeItem("Search MindMaps", false)->searchField()) << "the palette's has no field";
    TwToolbar::setSearchFieldFactory(nullptr);
    EXPECT_FALSE(toolbar.makeItem("Search MindMaps", true));
}

TEST_F(TwToolbarTest, ItemMenusAndWhereTheirItemsGo)
{
    TwToolbar::Context c = context();
    int checkboxMenus = 0;
    std::vector<std::string> styleMenus;
    c.checkboxSetupMenu = [&](const std::string&) {
        ++checkboxMenus;
        return std::make_shared<Menu>("checkboxes");
    };
    c.styleSelectorMenu = [&](const std::string& title) {
        styleMenus.push_back("style:" + title);
        return std::make_shared<Menu>("styles");
    };
    c.addBranchWithPaletteIndexMenu = [&](const std::string& title) {
        styleMenus.push_back("palette:" + title);
        return std::make_shared<Menu>("palette");
    };
    TwToolbar toolbar(std::move(c));
    const auto menuOf = [](const TwToolbarItem& item, size_t segment) {
        return item.segmentedItem()->segmentedControl().menu(segment);
    };

    // The palette shows the style sheet item without its menu.
    EXPECT_FALSE(menuOf(*toolbar.makeItem("Style sheet", false), 0));
    EXPECT_FALSE(menuOf(*toolbar.makeItem("Add Commands", false), 2));
    EXPECT_TRUE(styleMenus.empty());
    EXPECT_TRUE(menuOf(*toolbar.makeItem("Style sheet", true), 0));
    EXPECT_TRUE(menuOf(*toolbar.makeItem("Add Commands", true), 2));
    EXPECT_EQ((std::vector<std::string>{"style:", "palette:" + localized("editor_add_topic_with_palette_color")}),
              styleMenus);

    auto add = toolbar.makeItem("Add MindMap", true);
    Menu* addMenu = menuOf(*add, 0);
    ASSERT_TRUE(addMenu);
    struct Entry {
        std::string title;
        const char* action;
        Responder* target;
        int64_t tag;
    };
    const auto expectEntries = [](const Menu& menu, const std::vector<Entry>& entries) {
        ASSERT_EQ(entries.size(), menu.items().size());
        for (size_t i = 0; i < entries.size(); ++i) {
            const MenuItem& item = *menu.items()[i];
            EXPECT_EQ(entries[i].title, item.title()) << i;
            EXPECT_EQ(entries[i].action, item.action()) << i;
            EXPECT_EQ(entries[i].target, item.target()) << i;
            EXPECT_EQ(entries[i].tag, item.tag()) << i;
            EXPECT_TRUE(item.keyEquivalent().empty()) << i;
        }
    };
    expectEntries(*addMenu,
                  {{localized("map_dialog_add_map_title"), "newDocument:", &documentController, 0},
                   {localized("map_list_clone_map_condensed"), "duplicateDocument:", &documentController, 0},
                   {localized("editor_menu_map_from_selection"), "mindMapFromSelection:", nullptr, 0},
                   {localized("editor_menu_linked_map_from_selection"), "linkedMindMapFromSelection:", nullptr, 0}});
    expectEntries(*menuOf(*toolbar.makeItem("AutoFocus", true), 0),
                  {{localized("auto_focus_disabled"), "autoFocusDisabled:", nullptr, 0},
                   {localized("auto_focus_selection"), "autoFocusSelected:", nullptr, 1},
                   {localized("auto_focus_selection_plus_children"), "autoFocusChildren:", nullptr, 2},
                   {localized("auto_focus_selected_branch"), "autoFocusBranch:", nullptr, 3}});
    auto exportItem = toolbar.makeItem("Export Commands", true);
    expectEntries(*menuOf(*exportItem, 0),
                  {{localized("editor_menu_print_mindmap"), "printDocument:", nullptr, 0},
                   {localized("editor_menu_print_outline"), "printOutline:", nullptr, 0}});
    expectEntries(*menuOf(*exportItem, 1),
                  {{localized("action_export_mindmap"), "exportDocument:", nullptr, 0},
                   {localized("action_export_outline"), "exportOutline:", nullptr, 0}});
    EXPECT_FALSE(menuOf(*exportItem, 2));

    auto icon = toolbar.makeItem("Icon", true);
    EXPECT_FALSE(menuOf(*icon, 0));
    ASSERT_TRUE(menuOf(*icon, 2));
    EXPECT_FALSE(menuOf(*icon, 2)->items().empty()) << "the image menu";
    EXPECT_EQ("checkboxes", menuOf(*icon, 3)->title());
    EXPECT_EQ(1, checkboxMenus);
    ASSERT_TRUE(menuOf(*toolbar.makeItem("Diagram Link", true), 0));
    EXPECT_FALSE(menuOf(*toolbar.makeItem("Diagram Link", true), 0)->items().empty()) << "the link menu";

    // A chosen item goes to its own target, not up the chain.
    documentController.handle("newDocument:");
    editor.handle("newDocument:");
    SegmentedControl& control = add->segmentedItem()->segmentedControl();
    RecordingMenuPresenter presenter;
    control.setMenuPresenter(&presenter);
    control.performClick(0);
    ASSERT_EQ(1u, presenter.popups.size()) << "a click opens the menu";
    presenter.choose(0);
    EXPECT_EQ(std::vector<std::string>{"documentController newDocument:"}, log);
}

TEST_F(TwToolbarTest, HistoryGoesBackOnAClickAndKeepsItsMenuForTheHold)
{
    TwToolbar toolbar(context());
    documentController.handle("navigateBackward:");
    auto item = toolbar.makeItem("Navigate MindMap", true);
    SegmentedControl& control = item->segmentedItem()->segmentedControl();
    EXPECT_TRUE(dynamic_cast<HistoryMenu*>(control.menu(0)));
    EXPECT_FALSE(item->segmentedItem()->controlItem().segments()[0]->handleMenu());
    RecordingMenuPresenter presenter;
    control.setMenuPresenter(&presenter);
    control.performClick(0);
    EXPECT_TRUE(presenter.popups.empty());
    EXPECT_EQ(std::vector<std::string>{"documentController navigateBackward:"}, log);
}

TEST_F(TwToolbarTest, TheZoomItemShowsTheZoomAndOffersItsFactors)
{
    TwToolbar toolbar(context());
    controller.handle("zoomFactorSelected:");
    toolbar.setZoomFactorText("150%");
    EXPECT_EQ(0, zoomRefreshes);

    ASSERT_TRUE(toolbar.insertItem("Zoom", 0));
    EXPECT_EQ(1, zoomRefreshes) << "a new zoom item asks for the zoom at once";
    TwToolbarItem* zoom = toolbar.zoomItem();
    ASSERT_TRUE(zoom);
    SegmentedControl& control = zoom->segmentedItem()->segmentedControl();
    EXPECT_EQ("100%", control.segment(0).label.value_or(""));
    EXPECT_EQ("888%", zoom->segmentedItem()->controlItem().segments()[0]->label().value_or(""))
        << "the control is sized for the widest text";
    toolbar.setZoomFactorText("150%");
    EXPECT_EQ("150%", control.segment(0).label.value_or(""));

    Menu* menu = control.menu(0);
    ASSERT_TRUE(menu);
    const std::vector<int> factors = {20, 30, 40, 50, 60, 70, 80, 100, 120, 150, 200};
    ASSERT_EQ(factors.size() + 2, menu->items().size());
    for (size_t i = 0; i < factors.size(); ++i) {
        const MenuItem& item = *menu->items()[i];
        EXPECT_EQ(std::to_string(factors[i]) + "%", item.title());
        EXPECT_EQ(factors[i], item.tag());
        EXPECT_EQ("zoomFactorSelected:", item.action());
        EXPECT_EQ(&controller, item.target());
    }
    EXPECT_TRUE(menu->items()[factors.size()]->isSeparatorItem());
    EXPECT_EQ(localized("editor_menu_zoom_contents"), menu->items().back()->title());
    EXPECT_EQ("zoomContents:", menu->items().back()->action());
    EXPECT_EQ(nullptr, menu->items().back()->target());

    RecordingMenuPresenter presenter;
    control.setMenuPresenter(&presenter);
    control.performClick(0);
    ASSERT_EQ(1u, presenter.popups.size()) << "the click opens the menu";
    presenter.choose(9);
    EXPECT_EQ(std::vector<std::string>{"controller zoomFactorSelected:"}, log);
    EXPECT_EQ(150, controller.lastSender->tag());

    toolbar.removeItem(0);
    EXPECT_FALSE(toolbar.zoomItem());
    toolbar.setZoomFactorText("80%");
    ASSERT_TRUE(toolbar.insertItem("Zoom", 0));
    EXPECT_EQ(3, zoomRefreshes) << "removed, then shown again";
}

TEST(TwToolbarZoomTextTest, FactorsReadAsWholePercents)
{
    struct Case {
        double factor;
        const char* text;
    } cases[] = {{1.0, "100%"}, {1.254, "125%"}, {1.255, "125%"}, {0.29, "29%"},    {0.2, "20%"},
                 {2.0, "200%"}, {0.004, "0%"},   {NAN, "0%"},     {INFINITY, "0%"}, {1e300, "0%"}};
    for (const Case& c : cases) EXPECT_EQ(c.text, TwToolbar::zoomFactorText(c.factor)) << c.factor;
}

TEST_F(TwToolbarTest, TheExplorersFollowTheSearchItem)
{
    TwToolbar toolbar(context());
    ASSERT_TRUE(toolbar.insertItem("Search MindMaps", 0));
    ASSERT_EQ(1u, searchBars.size());
    EXPECT_NE(nullptr, searchBars[0]);
    EXPECT_EQ(searchBars[0], toolbar.searchBar());
    EXPECT_FALSE(toolbar.insertItem("Search MindMaps", 1)) << "one field only";

    ASSERT_TRUE(toolbar.insertItem("Zoom", 0));
    toolbar.moveItem(1, 0);
    EXPECT_EQ(1u, searchBars.size()) << "moving keeps the field";
    toolbar.removeItem(0);
    ASSERT_EQ(2u, searchBars.size());
    EXPECT_EQ(nullptr, searchBars[1]) << "the explorers are left without a field";
    EXPECT_FALSE(toolbar.searchItem());
}

TEST_F(TwToolbarTest, SpacesRepeatButOtherItemsShowOnce)
{
    TwToolbar toolbar(context());
    int changes = 0;
    toolbar.setChangeHandler([&] { ++changes; });
    toolbar.setItemIdentifiers({"Zoom", "Space", "Space", "Separator", "FlexibleSpace", "FlexibleSpace", "Zoom"});
    EXPECT_EQ(1, changes) << "one rebuild for the whole list";
    EXPECT_EQ((std::vector<std::string>{"Zoom", "Space", "Space", "Separator", "FlexibleSpace", "FlexibleSpace"}),
              toolbar.itemIdentifiers());
    EXPECT_EQ(TwToolbarItem::Kind::FlexibleSpace, toolbar.items()[4]->kind());
    toolbar.moveItem(0, 5);
    toolbar.moveItem(0, 9);
    toolbar.removeItem(17);
    EXPECT_EQ("Zoom", toolbar.itemIdentifiers().back());
}

TEST_F(TwToolbarTest, StoredListsAreMendedBeforeTheyAreShown)
{
    using PL = PropertyList;
    const std::vector<std::string> defaults = TwToolbar::defaultItemIdentifiers();
    struct Case {
        const char* what;
        PropertyList stored;
        std::vector<std::string> shown;
    } cases[] = {
        {"nothing stored", PL(), defaults},
        {"a string", PL("Zoom"), defaults},
        {"a number", PL(int64_t(3)), defaults},
        {"a dictionary", PL(PL::Dictionary{{"Zoom", PL(true)}}), defaults},
        {"an empty list", PL(PL::Array{}), {}},
        {"wrong types",
         PL(PL::Array{PL(int64_t(1)), PL("Zoom"), PL(true), PL(PL::Array{PL("Icon")}), PL(2.5)}),
         {"Zoom"}},
        {"unknown ids", PL(PL::Array{PL("Zoom"), PL("Teleport"), PL(""), PL("zoom"), PL("Icon")}), {"Zoom", "Icon"}},
        {"duplicates",
         PL(PL::Array{PL("Zoom"), PL("Icon"), PL("Zoom"), PL("Search MindMaps"), PL("Search MindMaps")}),
         {"Zoom", "Icon", "Search MindMaps"}},
        {"spaces repeat",
         PL(PL::Array{PL("Space"), PL("Space"), PL("Separator"), PL("Separator"), PL("FlexibleSpace"),
                      PL("FlexibleSpace")}),
         {"Space", "Space", "Separator", "Separator", "FlexibleSpace", "FlexibleSpace"}},
        {"a palette-only item is allowed", PL(PL::Array{PL("Style sheet")}), {"Style sheet"}},
        {"data", PL(PL::Data{'Z', 'o', 'o', 'm'}), defaults},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.shown, TwToolbar::sanitizedIdentifiers(c.stored)) << c.what;
        UserDefaults::standard().setObject(TwToolbar::Identifier, c.stored);
        TwToolbar toolbar(context());
        toolbar.loadConfiguration();
        EXPECT_EQ(c.shown, toolbar.itemIdentifiers()) << c.what;
    }
}

TEST_F(TwToolbarTest, TheArrangementIsStoredAndReadBack)
{
    {
        TwToolbar toolbar(context());
        toolbar.loadConfiguration();
        EXPECT_EQ(TwToolbar::defaultItemIdentifiers(), toolbar.itemIdentifiers());
        toolbar.removeItem(0);
        toolbar.insertItem("Space", 2);
        toolbar.insertItem("Style sheet", 0);
        toolbar.storeConfiguration();
    }
    const PropertyList stored = UserDefaults::standard().objectForKey(TwToolbar::Identifier);
    ASSERT_TRUE(stored.arrayValue());
    EXPECT_EQ("Style sheet", (*stored.arrayValue())[0].stringValue());
    TwToolbar again(context());
    again.loadConfiguration();
    std::vector<std::string> expected = TwToolbar::defaultItemIdentifiers();
    expected.erase(expected.begin());
    expected.insert(expected.begin() + 2, "Space");
    expected.insert(expected.begin(), "Style sheet");
    EXPECT_EQ(expected, again.itemIdentifiers());
}

TEST_F(TwToolbarTest, TheCustomizeItemRunsTheWindowsDialogAndSegmentsValidate)
{
    TwToolbar toolbar(context());
    int runs = 0;
    toolbar.setCustomizationHandler([&] { ++runs; });
    toolbar.setItemIdentifiers({"Customize toolbar", "Undo commands"});
    toolbar.items()[0]->segmentedItem()->segmentedControl().performClick(0);
    EXPECT_EQ(1, runs);

    editor.handle("undo:");
    editor.handle("redo:");
    editor.answers["redo:"] = ItemValidation::enabledIf(false);
    toolbar.validate();
    SegmentedControl& undo = toolbar.items()[1]->segmentedItem()->segmentedControl();
    EXPECT_TRUE(undo.isEnabled(0));
    EXPECT_FALSE(undo.isEnabled(1));
    EXPECT_TRUE(toolbar.items()[0]->segmentedItem()->segmentedControl().isEnabled(0));
}
