#include "Editor/StylingMenus.h"
#include "Editor/CommandRouter.h"
#include "Editor/MainMenu.h"
#include "Editor/StyleToolsBuilder.h"
#include "MindMaps/CustomStyleSheet.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/StyleSheet.h"
#include "platform/Image.h"
#include "platform/Localizer.h"
#include "support/PixelProbe.h"
#include "support/RecordingMenuPresenter.h"
#include "support/RecordingResponder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>

namespace {

std::vector<int64_t> tagsOf(const Menu& menu)
{
    std::vector<int64_t> tags;
    for (const auto& item : menu.items())
        if (!item->isSeparatorItem()) tags.push_back(item->tag());
    return tags;
}

std::vector<std::string> imagesOf(const Menu& menu)
{
    std::vector<std::string> images;
    for (const auto& item : menu.items())
        if (!item->isSeparatorItem()) images.push_back(item->imageName());
    return images;
}

std::vector<std::string> titlesOf(const Menu& menu)
{
    std::vector<std::string> titles;
    for (const auto& item : menu.items()) titles.push_back(item->isSeparatorItem() ? "-" : item->title());
    return titles;
}

int alphaAt(const Image& image, int x, int y)
{
    cairo_surface_flush(image.surface());
    const unsigned char* row =
        cairo_image_surface_get_data(image.surface()) + y * cairo_image_surface_get_stride(image.surface());
    uint32_t pixel;
    std::memcpy(&pixel, row + 4 * x, 4);
    return int(pixel >> 24);
}

Rgb rgbOf(const Color& color)
{
    return {int(std::lround(color.red() * 255)), int(std::lround(color.green() * 255)),
            int(std::lround(color.blue() * 255))};
}

bool near(const Rgb& a, const Rgb& b)
{
    return std::abs(a.r - b.r) <= 2 && std::abs(a.g - b.g) <= 2 && std::abs(a.b - b.b) <= 2;
}

// Two registered schemes whose first palette entries differ, for telling rebuilt swatches apart.
std::pair<std::string, std::string> twoDistinctSchemes()
{
    const auto& schemes = StyleManager::styleManager().colorSchemes();
    for (const auto& a : schemes)
        for (const auto& b : schemes)
            if (a->paletteCount() > 0 && b->paletteCount() > 0 && a->paletteCount() != b->paletteCount())
                return {a->colorSchemeKeyName(), b->colorSchemeKeyName()};
    return {};
}

} // namespace

TEST(StylingMenusTest, EachMenuSendsItsOneActionWithTheItemsValue)
{
    struct Case {
        std::shared_ptr<Menu> menu;
        const char* action;
        std::vector<int64_t> tags;
        std::vector<std::string> images;
    };
    const Case cases[] = {
        {std::make_shared<NodeBorderStyleMenu>(),
         "changeBorderStyle:",
         {0, 1, 2, 3, 4, 5, 6, 7},
         {"border_round_rect_16", "border_half_round_16", "border_drop_rect_16", "border_ellipse_16",
          "border_rectangle_16", "border_diamond_16", "border_cloud_16", "border_none_16"}},
        {std::make_shared<TextAlignmentMenu>(),
         "changeTextAlignment:",
         {1, 0, 2},
         {"align_left_16", "align_center_16", "align_right_16"}},
        {std::make_shared<RelationLineStyleMenu>(),
         "changeLineStyle:",
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9},
         {"line_1_16", "line_2_16", "line_3_16", "line_4_16", "line_5_16", "line_6_16", "line_7_16", "line_tapered_16",
          "line_tapered_reverse_16", "line_tapered_auto_16"}},
        {std::make_shared<RelationPathStyleMenu>(),
         "changePathStyle:",
         {0, 1, 2, 2},
         {"path_bezier16", "path_ortho16", "path_straight16", "clear_custom_path"}},
        {std::make_shared<SourceArrowStyleMenu>(),
         "changeSourceArrowStyle:",
         {0, 1, 2, 3, 4, 5, 6, 7, 8},
         {"arrow_none16", "arrow_single_rev16", "arrow_filled_rev16", "arrow_open_rev16", "arrow_inhibit_16",
          "circle_open_16", "circle_filled_16", "diamond_open_16", "diamond_filled_16"}},
        {std::make_shared<TargetArrowStyleMenu>(),
         "changeTargetArrowStyle:",
         {0, 1, 2, 3, 4, 5, 6, 7, 8},
         {"arrow_none16", "arrow_single16", "arrow_filled16", "arrow_open16", "arrow_inhibit_rev_16", "circle_open_16",
          "circle_filled_16", "diamond_open_16", "diamond_filled_16"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tagsOf(*c.menu), c.tags) << c.action;
        EXPECT_EQ(imagesOf(*c.menu), c.images) << c.action;
        for (const auto& item : c.menu->items()) {
            if (item->isSeparatorItem() || item->imageName() == "clear_custom_path") continue;
            EXPECT_EQ(item->action(), c.action);
            ASSERT_EQ(item->representedValue().type(), typeid(int64_t)) << c.action;
            EXPECT_EQ(std::any_cast<int64_t>(item->representedValue()), item->tag()) << c.action;
            EXPECT_FALSE(item->title().empty()) << c.action << " " << item->tag();
        }
    }
}

TEST(StylingMenusTest, ThePathMenusClearItemClearsTheCustomisationInsteadOfSettingAStyle)
{
    RelationPathStyleMenu menu;
    ASSERT_EQ(menu.items().size(), 5u);
    EXPECT_TRUE(menu.items()[3]->isSeparatorItem());
    const MenuItem& clear = *menu.items()[4];
    EXPECT_EQ(clear.action(), "clearPathCustomization:");
    EXPECT_EQ(clear.title(), localized("undoable_op_clear_path_customization"));
    EXPECT_EQ(clear.tag(), 2);
}

TEST(StylingMenusTest, WidthAndSizeMenusListTheirValuesInOrder)
{
    NodeBorderWidthMenu borders;
    EXPECT_EQ(titlesOf(borders),
              (std::vector<std::string>{localized("border_width_no_border"), "0.25", "0.50", "1.00", "1.50", "2.00",
                                        "2.50", "3.00", "4.00", "5.00", "6.00", "7.00"}));
    RelationLineWidthMenu lines;
    EXPECT_EQ(titlesOf(lines),
              (std::vector<std::string>{"1.00", "1.50", "2.00", "2.50", "3.00", "4.00", "5.00", "6.00", "7.00", "8.00",
                                        "9.00", "10.00", "11.00", "12.00"}));
    for (const Menu* menu : {static_cast<Menu*>(&borders), static_cast<Menu*>(&lines)}) {
        const auto& widths = menu == &borders ? NodeBorderWidthMenu::widths() : RelationLineWidthMenu::widths();
        ASSERT_EQ(menu->items().size(), widths.size());
        for (size_t i = 0; i < widths.size(); ++i) {
            const std::any value = menu->items()[i]->representedValue();
            ASSERT_EQ(value.type(), typeid(double));
            EXPECT_EQ(std::any_cast<double>(value), widths[i]);
        }
    }
    EXPECT_EQ(borders.items()[0]->action(), "changeBorderWidth:");
    EXPECT_EQ(lines.items()[0]->action(), "changeLineWidth:");

    FontSizeMenu sizes;
    EXPECT_EQ(tagsOf(sizes), (std::vector<int64_t>{8, 9, 10, 11, 12, 13, 14, 15, 16, 18, 20, 22, 24, 26, 28, 30}));
    EXPECT_EQ(sizes.items().front()->title(), "8");
    EXPECT_EQ(sizes.items().back()->title(), "30");
    EXPECT_EQ(sizes.items().back()->action(), "fontSizeSelected:");
}

TEST(StylingMenusTest, ChoosingNoBorderSendsTheNumberZero)
{
    std::vector<std::string> log;
    RecordingResponder editor("editor", log);
    editor.handle("changeBorderWidth:");
    editor.handle("clearPathCustomization:");
    editor.handle("changePathStyle:");
    CommandRouter::shared().setResponderChain([&] { return std::vector<Responder*>{&editor}; });

    const auto tools = StyleToolsBuilder::buildStyleTools({});
    RecordingMenuPresenter presenter;
    SegmentedControl& shape = tools.at(3)->segmentedControl();
    shape.setMenuPresenter(&presenter);
    shape.performClick(1);
    ASSERT_EQ(presenter.popups.size(), 1u);
    presenter.choose(0);
    ASSERT_EQ(log, std::vector<std::string>{"editor changeBorderWidth:"});
    ASSERT_NE(editor.lastSender, nullptr);
    EXPECT_EQ(std::any_cast<double>(editor.lastSender->representedValue()), 0.0);

    SegmentedControl& relations = tools.at(4)->segmentedControl();
    relations.setMenuPresenter(&presenter);
    relations.performClick(4);
    presenter.choose(4);
    EXPECT_EQ(log.back(), "editor clearPathCustomization:");
    CommandRouter::shared().setResponderChain(nullptr);
}

TEST(StylingMenusTest, TheStyleToolbarHasSixControlsInOrder)
{
    std::vector<std::string> log;
    RecordingResponder controller("controller", log), document("document", log);
    const auto tools = StyleToolsBuilder::buildStyleTools({&controller, &document, [] { return nullptr; }});
    ASSERT_EQ(tools.size(), 6u);

    struct Row {
        size_t control, segment;
        const char* image;
        Responder* target;
        const char* action;
        const char* toolTipKey;
    };
    const Row rows[] = {
        {0, 0, "palette", &controller, "changeStyleSheet:", "style_selector_dialog_title"},
        {1, 0, "star", &controller, "applyPreset:", "action_apply_style_preset"},
        {1, 1, "star_add", &controller, "addPresetFromSelection:", "style_preset_add_as_preset"},
        {2, 0, "align_center_16", nullptr, "changeTextAlignment:", "node_style_text_alignment"},
        {2, 1, "text_bold", nullptr, "toggleBoldFontStyle:", "node_style_dialog_bold"},
        {2, 2, "text_italic", nullptr, "toggleItalicFontStyle:", "node_style_dialog_italic"},
        {2, 3, "text_strikethrough", nullptr, "toggleStrikeThroughFontStyle:", "node_style_dialog_strike_through"},
        {2, 4, "text_underline", nullptr, "toggleUnderlineFontStyle:", "node_style_dialog_underline"},
        {2, 5, "text_size", nullptr, "fontSizeSelected:", "node_style_dialog_text_size"},
        {3, 0, "border_round_rect_16", nullptr, "changeBorderStyle:", "node_style_border_style"},
        {3, 1, "border_weight", nullptr, "changeBorderWidth:", "node_style_border_width"},
        {3, 2, "palette-color", &document, "applyPaletteIndex:", "undoable_op_apply_palette_color"},
        {3, 3, "fill_color", &controller, "pickFillColor:", "node_style_fill_color"},
        {3, 4, "border_color", &controller, "pickStrokeColor:", "node_style_stroke_color"},
        {3, 5, "font_color", &controller, "pickTextColor:", "node_style_text_color"},
        {4, 0, "arrow_single_rev16", nullptr, "changeSourceArrowStyle:", "relation_style_source_arrow"},
        {4, 1, "arrow_single16", nullptr, "changeTargetArrowStyle:", "relation_style_target_arrow"},
        {4, 2, "line_1_16", nullptr, "changeLineStyle:", "relation_style_line_style"},
        {4, 3, "border_weight", nullptr, "changeLineWidth:", "relation_style_line_width"},
        {4, 4, "path_bezier16", nullptr, "changePathStyle:", "relation_style_path_style"},
        {5, 0, "color_wheel", nullptr, "orderFrontColorPanel:", "relation_style_custom_color"},
        {5, 1, "copy_style", nullptr, "copyStyle:", "editor_menu_copy_style"},
        {5, 2, "paste_style", nullptr, "pasteStyle:", "editor_menu_paste_style"},
        {5, 3, "draw_eraser", &document, "clearStyleCustomization:", "undoable_op_clear_customization"},
    };
    const size_t counts[] = {1, 2, 6, 6, 5, 4};
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(tools[i]->segments().size(), counts[i]) << i;
    for (const Row& row : rows) {
        const ToolbarSegment& segment = *tools[row.control]->segments().at(row.segment);
        EXPECT_EQ(segment.image(), row.image);
        EXPECT_EQ(segment.target(), row.target) << row.image;
        EXPECT_EQ(segment.action(), row.action) << row.image;
        if (segment.toolTip().find("  (") == std::string::npos)
            EXPECT_EQ(segment.toolTip(), localized(row.toolTipKey)) << row.image;
        else EXPECT_EQ(segment.toolTip().rfind(localized(row.toolTipKey) + "  (Ctrl+", 0), 0u) << row.image;
        EXPECT_FALSE(localized(row.toolTipKey).empty()) << row.image;
    }

    // Which segments open which menu.
    auto menuAt = [&](size_t control, size_t segment) { return tools[control]->segmentedControl().menu(segment); };
    EXPECT_NE(dynamic_cast<StyleSelectorMenu*>(menuAt(0, 0)), nullptr);
    EXPECT_EQ(menuAt(1, 0), nullptr);
    EXPECT_NE(dynamic_cast<TextAlignmentMenu*>(menuAt(2, 0)), nullptr);
    ASSERT_NE(dynamic_cast<FontSizeMenu*>(menuAt(2, 5)), nullptr);
    EXPECT_EQ(menuAt(2, 5)->items().front()->target(), &controller) << "font sizes go to the window";
    EXPECT_EQ(menuAt(2, 1), nullptr);
    EXPECT_NE(dynamic_cast<NodeBorderStyleMenu*>(menuAt(3, 0)), nullptr);
    EXPECT_NE(dynamic_cast<NodeBorderWidthMenu*>(menuAt(3, 1)), nullptr);
    auto* palette = dynamic_cast<ApplyPaletteIndexMenu*>(menuAt(3, 2));
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette->title(), localized("undoable_op_apply_palette_color"));
    EXPECT_EQ(menuAt(3, 3), nullptr);
    EXPECT_NE(dynamic_cast<SourceArrowStyleMenu*>(menuAt(4, 0)), nullptr);
    EXPECT_NE(dynamic_cast<TargetArrowStyleMenu*>(menuAt(4, 1)), nullptr);
    EXPECT_NE(dynamic_cast<RelationLineStyleMenu*>(menuAt(4, 2)), nullptr);
    EXPECT_NE(dynamic_cast<RelationLineWidthMenu*>(menuAt(4, 3)), nullptr);
    EXPECT_NE(dynamic_cast<RelationPathStyleMenu*>(menuAt(4, 4)), nullptr);
    for (size_t s = 0; s < 4; ++s) EXPECT_EQ(menuAt(5, s), nullptr);
}

TEST(StylingMenusTest, PaletteMenuFollowsTheMapsStyleSheet)
{
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    MindMap* shown = nullptr;
    std::vector<std::string> log;
    RecordingResponder document("document", log);
    ApplyPaletteIndexMenu menu([&] { return shown; }, "Palette", &document);

    menu.updateMenuBeforeDropDown(); // no map: no palette
    EXPECT_TRUE(menu.items().empty());
    map.assignStyleSheet(std::make_shared<StyleSheet>()); // a sheet without colour scheme
    shown = &map;
    menu.updateMenuBeforeDropDown();
    EXPECT_TRUE(menu.items().empty());

    const auto sheet = StyleManager::styleManager().getStyleOnKey("system.bright-palette", false);
    ASSERT_TRUE(sheet);
    const size_t count = sheet->colorScheme()->paletteCount();
    ASSERT_GT(count, 1u);
    map.assignStyleSheet(sheet);
    menu.updateMenuBeforeDropDown();
    ASSERT_EQ(menu.items().size(), count);
    const MenuItem& second = *menu.items()[1];
    EXPECT_EQ(second.tag(), 1);
    EXPECT_EQ(second.action(), "applyPaletteIndex:");
    EXPECT_EQ(second.target(), &document);
    EXPECT_EQ(std::any_cast<int64_t>(second.representedValue()), 1);
    EXPECT_EQ(second.title(), localizedFormat("palette_color_number_fmt", {"1"}));
    ASSERT_TRUE(second.image());

    // The same sheet again keeps the items, even after its colours changed.
    const auto before = menu.items();
    const auto scheme = sheet->colorScheme();
    sheet->setColorScheme(std::make_shared<MMColorScheme>("plain", "plain"));
    menu.updateMenuBeforeDropDown();
    EXPECT_EQ(menu.items(), before);
    sheet->setColorScheme(scheme);
}

TEST(StylingMenusTest, PaletteMenuRebuildsForANewSheetAtAReusedAddress)
{
    const auto [firstScheme, secondScheme] = twoDistinctSchemes();
    ASSERT_FALSE(firstScheme.empty());
    alignas(StyleSheet) unsigned char storage[sizeof(StyleSheet)];
    const auto inPlace = [&](const std::string& key, const std::string& scheme) {
        return std::shared_ptr<StyleSheet>(new (storage) StyleSheet(key, scheme),
                                           [](StyleSheet* s) { s->~StyleSheet(); });
    };
    AddBranchWithPaletteIndexMenu menu([] { return nullptr; }, "Branch");

    auto sheet = inPlace("first", firstScheme);
    const StyleSheet* address = sheet.get();
    const size_t firstCount = sheet->colorScheme()->paletteCount();
    menu.validateColorPalette(sheet);
    ASSERT_EQ(menu.items().size(), firstCount);
    EXPECT_EQ(menu.items()[0]->action(), "addBranchWithPaletteIndex:");
    sheet.reset();

    sheet = inPlace("second", secondScheme);
    ASSERT_EQ(sheet.get(), address);
    menu.validateColorPalette(sheet);
    EXPECT_EQ(menu.items().size(), sheet->colorScheme()->paletteCount());
    EXPECT_NE(menu.items().size(), firstCount);
    sheet.reset();
}

TEST(StylingMenusTest, PaletteSwatchIsAnInsetRoundedSquareInTheEntrysColours)
{
    const auto sheet = StyleManager::styleManager().getStyleOnKey("system.bright-palette", false);
    ASSERT_TRUE(sheet);
    const MMColorScheme& scheme = *sheet->colorScheme();
    for (int scale : {1, 2}) {
        const auto image = PaletteMenu::createPalettePreviewImage(scheme, 2, scale);
        ASSERT_TRUE(image && !image->isNull());
        EXPECT_EQ(image->pixelWidth(), 16 * scale);
        EXPECT_EQ(image->size(), (Size{16, 16}));
        // The line, centred on the square inset by 1, reaches the picture's edge; the rounded
        // corners leave the very corner nearly empty; the centre is the fill.
        EXPECT_LT(alphaAt(*image, 0, 0), 32) << scale;
        EXPECT_EQ(alphaAt(*image, 0, 8 * scale), 255) << scale;
        EXPECT_TRUE(near(pixelAt(image->surface(), 0, 8 * scale), rgbOf(scheme.strokeColorAtIndex(2)))) << scale;
        EXPECT_TRUE(near(pixelAt(image->surface(), 8 * scale, 8 * scale), rgbOf(scheme.fillColorAtIndex(2))))
            << pixelAt(image->surface(), 8 * scale, 8 * scale);
        EXPECT_TRUE(near(pixelAt(image->surface(), 8 * scale, 1 * scale), rgbOf(scheme.strokeColorAtIndex(2))))
            << pixelAt(image->surface(), 8 * scale, 1 * scale);
        EXPECT_EQ(alphaAt(*image, 8 * scale, 1 * scale), 255);
    }
}

TEST(StylingMenusTest, StyleSheetMenuListsTheSheetsAndChecksTheMapsOne)
{
    StyleManager& manager = StyleManager::styleManager();
    MindMap map;
    map.newMindMap("", false, std::nullopt);
    StyleSelectorMenu menu([&] { return &map; }, "");
    menu.setPreviewProvider(nullptr);
    EXPECT_TRUE(menu.isMenuDirty());

    const auto gold = manager.getStyleOnKey("system.gold-palette", false);
    map.assignStyleSheet(gold);
    menu.updateMenuBeforeDropDown();
    EXPECT_FALSE(menu.isMenuDirty());
    const size_t sheets = manager.getCount();
    ASSERT_EQ(menu.items().size(), sheets + 3);
    // Built-in sheets only: the one separator is the one before the two edit items.
    size_t separators = 0;
    for (const auto& item : menu.items()) separators += item->isSeparatorItem();
    EXPECT_EQ(separators, 1u);
    EXPECT_TRUE(menu.items()[sheets]->isSeparatorItem());
    EXPECT_EQ(menu.items()[sheets + 1]->action(), "showCustomStyleEditor:");
    EXPECT_EQ(menu.items()[sheets + 1]->title(), localized("action_edit_style_sheet"));
    EXPECT_EQ(menu.items()[sheets + 2]->action(), "deleteSelectedCustomStyle:");
    for (size_t i = 0; i < sheets; ++i) {
        const MenuItem& item = *menu.items()[i];
        EXPECT_EQ(item.action(), "changeStyleSheet:");
        EXPECT_EQ(StyleSelectorMenu::styleSheetOfItem(item), manager.getStyleAtIndex(i));
        EXPECT_EQ(item.isChecked(), manager.getStyleAtIndex(i) == gold) << i;
    }

    // A custom sheet goes after one separator; its name is shown as given.
    auto custom = std::make_shared<CustomStyleSheet>();
    custom->setStyleKeyName("My_sheet <b>bold</b>");
    manager.registerStyle(custom);
    EXPECT_TRUE(menu.isMenuDirty());
    map.assignStyleSheet(custom);
    menu.updateMenuBeforeDropDown();
    ASSERT_EQ(menu.items().size(), sheets + 5);
    EXPECT_TRUE(menu.items()[sheets]->isSeparatorItem());
    const MenuItem& mine = *menu.items()[sheets + 1];
    EXPECT_EQ(mine.title(), "My_sheet <b>bold</b>");
    EXPECT_TRUE(mine.isChecked());
    EXPECT_FALSE(menu.items()[0]->isChecked());

    // Checks follow the map without a rebuild.
    const auto before = menu.items();
    map.assignStyleSheet(gold);
    menu.updateMenuBeforeDropDown();
    EXPECT_EQ(menu.items(), before);
    EXPECT_FALSE(mine.isChecked());

    manager.unregisterStyle(custom.get());
    EXPECT_TRUE(menu.isMenuDirty());
    menu.updateMenuBeforeDropDown();
    EXPECT_EQ(menu.items().size(), sheets + 3);
}

TEST(StylingMenusTest, FontStyleToolTipsNameTheMainMenusKeys)
{
    const MainMenu menu = MainMenu::build();
    // The key the main menu binds to the action, as the tool tip names it.
    std::function<std::string(const Menu&, const std::string&)> keyOf = [&](const Menu& shown,
                                                                            const std::string& action) {
        for (const auto& item : shown.items()) {
            if (item->action() == action && !item->keyEquivalent().empty()) {
                std::string key = item->keyEquivalentModifiers() & ControlKeyModifier ? "Ctrl+" : "";
                std::string letter = item->keyEquivalent();
                for (char& c : letter) c = char(std::toupper(static_cast<unsigned char>(c)));
                return key + letter;
            }
            if (item->submenu())
                if (std::string key = keyOf(*item->submenu(), action); !key.empty()) return key;
        }
        return std::string();
    };
    const auto tools = StyleToolsBuilder::buildStyleTools({});
    size_t named = 0;
    for (const auto& segment : tools.at(2)->segments()) {
        const std::string key = keyOf(*menu.bar, segment->action());
        if (key.empty()) {
            EXPECT_EQ(segment->toolTip().find("  ("), std::string::npos) << segment->action();
            continue;
        }
        ++named;
        const std::string suffix = "  (" + key + ")";
        ASSERT_GT(segment->toolTip().size(), suffix.size()) << segment->action();
        EXPECT_EQ(segment->toolTip().substr(segment->toolTip().size() - suffix.size()), suffix) << segment->action();
    }
    EXPECT_EQ(named, 3u) << "bold, italic and underline";
}
