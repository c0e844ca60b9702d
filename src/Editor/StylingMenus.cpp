#include "Editor/StylingMenus.h"

#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/StylePreviewCache.h"
#include "MindMaps/StyleSheet.h"
#include "Utils/BezierPathShapes.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "platform/Image.h"
#include "platform/Localizer.h"

#include <cairo.h>

#include <cmath>
#include <cstdio>

namespace {

struct StyleItem {
    int64_t tag;
    const char* titleKey;
    const char* image;
};

void addStyleItems(Menu& menu, const StyleItem* begin, const StyleItem* end)
{
    for (const StyleItem* row = begin; row != end; ++row) {
        MenuItem& item = menu.addItem(localized(row->titleKey), "");
        item.setTag(row->tag);
        item.setImageName(row->image);
    }
}

template <size_t N> void addStyleItems(Menu& menu, const StyleItem (&rows)[N])
{
    addStyleItems(menu, rows, rows + N);
}

const StyleItem kBorderStyles[] = {
    {0, "node_border_style_rounded", "border_round_rect_16"},
    {1, "node_border_style_half_round", "border_half_round_16"},
    {2, "node_border_style_drop_round_rect", "border_drop_rect_16"},
    {3, "node_border_style_ellipse", "border_ellipse_16"},
    {4, "node_border_style_rectangle", "border_rectangle_16"},
    {5, "node_border_style_diamond", "border_diamond_16"},
    {6, "node_border_style_cloud", "border_cloud_16"},
    {7, "node_border_style_none", "border_none_16"},
};

const StyleItem kLineStyles[] = {
    {0, "rel_line_style_cable", "line_1_16"},
    {1, "rel_line_style_solid", "line_2_16"},
    {2, "rel_line_style_double", "line_3_16"},
    {3, "rel_line_style_thin_solid", "line_4_16"},
    {4, "rel_line_style_wide_dash", "line_5_16"},
    {5, "rel_line_style_dashed_double", "line_6_16"},
    {6, "rel_line_style_dashed_thin", "line_7_16"},
    {7, "rel_line_style_tapered", "line_tapered_16"},
    {8, "rel_line_style_reverse_tapered", "line_tapered_reverse_16"},
    {9, "rel_line_style_auto_tapered", "line_tapered_auto_16"},
};

const StyleItem kPathStyles[] = {
    {0, "relation_path_style_bezier", "path_bezier16"},
    {1, "relation_path_style_orthogonal", "path_ortho16"},
    {2, "relation_path_style_straight", "path_straight16"},
};

const StyleItem kAlignments[] = {
    {1, "node_style_align_left", "align_left_16"},
    {0, "node_style_align_center", "align_center_16"},
    {2, "node_style_align_right", "align_right_16"},
};

struct ArrowItem {
    int64_t tag;
    const char* titleKey;
    const char* targetImage;
    const char* sourceImage;
};

const ArrowItem kArrowStyles[] = {
    {0, "rel_arrow_style_none", "arrow_none16", "arrow_none16"},
    {1, "rel_arrow_style_single", "arrow_single16", "arrow_single_rev16"},
    {2, "rel_arrow_style_filled", "arrow_filled16", "arrow_filled_rev16"},
    {3, "rel_arrow_style_open", "arrow_open16", "arrow_open_rev16"},
    {4, "rel_arrow_style_inhibit", "arrow_inhibit_rev_16", "arrow_inhibit_16"},
    {5, "rel_arrow_style_circle_open", "circle_open_16", "circle_open_16"},
    {6, "rel_arrow_style_circle_filled", "circle_filled_16", "circle_filled_16"},
    {7, "rel_arrow_style_diamond_open", "diamond_open_16", "diamond_open_16"},
    {8, "rel_arrow_style_diamond_filled", "diamond_filled_16", "diamond_filled_16"},
};

std::string twoDecimals(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// Width items carry the width itself: a menu of widths is no list of style codes.
void addWidthItems(Menu& menu, const std::string& action, const std::vector<double>& widths, const char* zeroTitleKey)
{
    menu.removeAllItems();
    for (double width : widths) {
        const std::string title = width == 0 && zeroTitleKey ? localized(zeroTitleKey) : twoDecimals(width);
        MenuItem& item = menu.addItem(title, action);
        item.setRepresentedValue(width);
    }
}

} // namespace

void DefineNodeBorderStyleItems(Menu& menu)
{
    menu.removeAllItems();
    addStyleItems(menu, kBorderStyles);
}

void DefineRelationLineStyleItems(Menu& menu)
{
    menu.removeAllItems();
    addStyleItems(menu, kLineStyles);
}

void DefineRelationPathStyleItems(Menu& menu)
{
    menu.removeAllItems();
    addStyleItems(menu, kPathStyles);
    menu.addItem(MenuItem::separatorItem());
    MenuItem& clear = menu.addItem(localized("undoable_op_clear_path_customization"), "clearPathCustomization:");
    clear.setTag(2);
    clear.setImageName("clear_custom_path");
}

void DefineTextAlignmentItems(Menu& menu)
{
    menu.removeAllItems();
    addStyleItems(menu, kAlignments);
}

void DefineArrowStyleItems(Menu& menu, bool forTarget)
{
    menu.removeAllItems();
    for (const ArrowItem& row : kArrowStyles) {
        MenuItem& item = menu.addItem(localized(row.titleKey), "");
        item.setTag(row.tag);
        item.setImageName(forTarget ? row.targetImage : row.sourceImage);
    }
}

ElementStylingMenu::ElementStylingMenu(std::string action) : Menu(""), _action(std::move(action))
{
}

void ElementStylingMenu::setupMenuItems()
{
    defineItems();
    // Items that came with an action of their own (the clear item) keep it.
    std::vector<std::shared_ptr<MenuItem>> items = this->items();
    removeAllItems();
    for (const std::shared_ptr<MenuItem>& item : items) {
        if (item->isSeparatorItem() || !item->action().empty()) {
            addItem(item);
            continue;
        }
        auto valued = std::make_shared<MenuItem>(item->title(), _action);
        valued->setTag(item->tag());
        valued->setImageName(item->imageName());
        valued->setRepresentedValue(static_cast<int64_t>(item->tag()));
        addItem(valued);
    }
}

NodeBorderStyleMenu::NodeBorderStyleMenu() : ElementStylingMenu("changeBorderStyle:")
{
    setupMenuItems();
}

TextAlignmentMenu::TextAlignmentMenu() : ElementStylingMenu("changeTextAlignment:")
{
    setupMenuItems();
}

RelationLineStyleMenu::RelationLineStyleMenu() : ElementStylingMenu("changeLineStyle:")
{
    setupMenuItems();
}

RelationPathStyleMenu::RelationPathStyleMenu() : ElementStylingMenu("changePathStyle:")
{
    setupMenuItems();
}

SourceArrowStyleMenu::SourceArrowStyleMenu() : ElementStylingMenu("changeSourceArrowStyle:")
{
    setupMenuItems();
}

TargetArrowStyleMenu::TargetArrowStyleMenu() : ElementStylingMenu("changeTargetArrowStyle:")
{
    setupMenuItems();
}

const std::vector<double>& NodeBorderWidthMenu::widths()
{
    static const std::vector<double> values{0, 0.25, 0.5, 1, 1.5, 2, 2.5, 3, 4, 5, 6, 7};
    return values;
}

NodeBorderWidthMenu::NodeBorderWidthMenu() : ElementStylingMenu("changeBorderWidth:")
{
    setupMenuItems();
}

void NodeBorderWidthMenu::setupMenuItems()
{
    addWidthItems(*this, action(), widths(), "border_width_no_border");
}

const std::vector<double>& RelationLineWidthMenu::widths()
{
    static const std::vector<double> values{1, 1.5, 2, 2.5, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    return values;
}

RelationLineWidthMenu::RelationLineWidthMenu() : ElementStylingMenu("changeLineWidth:")
{
    setupMenuItems();
}

void RelationLineWidthMenu::setupMenuItems()
{
    addWidthItems(*this, action(), widths(), nullptr);
}

const std::vector<int64_t>& FontSizeMenu::sizes()
{
    static const std::vector<int64_t> values{8, 9, 10, 11, 12, 13, 14, 15, 16, 18, 20, 22, 24, 26, 28, 30};
    return values;
}

FontSizeMenu::FontSizeMenu(Responder* target) : Menu("")
{
    for (int64_t size : sizes()) {
        MenuItem& item = addItem(formatText("%ld", {std::to_string(size)}), "fontSizeSelected:");
        item.setTarget(target);
        item.setTag(size);
        item.setRepresentedValue(size);
    }
}

bool isSameStyleSheet(const std::weak_ptr<StyleSheet>& a, const std::weak_ptr<StyleSheet>& b)
{
    return !a.owner_before(b) && !b.owner_before(a);
}

PaletteMenu::PaletteMenu(MindMapProvider currentMindMap, std::string title, std::string action, Responder* target)
    : ToolbarSegmentMenu(std::move(title)),
      _currentMindMap(std::move(currentMindMap)),
      _action(std::move(action)),
      _target(target)
{
}

void PaletteMenu::updateMenuBeforeDropDown()
{
    MindMap* mindMap = currentMindMap();
    validateColorPalette(mindMap ? mindMap->sharedStyleSheet() : nullptr);
}

void PaletteMenu::validateColorPalette(const std::shared_ptr<StyleSheet>& styleSheet)
{
    if (isSameStyleSheet(_styleSheet, styleSheet)) return;
    _styleSheet = styleSheet;
    removeAllItems();
    if (!styleSheet || !styleSheet->colorScheme()) return;
    const MMColorScheme& scheme = *styleSheet->colorScheme();
    const size_t count = scheme.paletteCount();
    for (size_t i = 0; i < count; ++i) {
        const auto index = static_cast<int64_t>(i);
        MenuItem& item = addItem(localizedFormat("palette_color_number_fmt", {std::to_string(index)}), _action);
        item.setTarget(_target);
        item.setTag(index);
        item.setRepresentedValue(index);
        item.setImage(createPalettePreviewImage(scheme, index));
    }
}

std::shared_ptr<const Image> PaletteMenu::createPalettePreviewImage(const MMColorScheme& colorScheme, int64_t index,
                                                                    double scale)
{
    if (!(scale >= 1) || !std::isfinite(scale)) scale = 1;
    const int pixels = static_cast<int>(std::lround(SwatchSide * scale));
    auto image = std::make_shared<Image>(pixels, pixels);
    if (image->isNull()) return image;
    image->setSize({SwatchSide, SwatchSide});
    {
        CairoContext cr(cairo_create(image->surface()));
        CairoGraphicsContext cairoContext(cr.get(), GraphicsSurfaceKind::Bitmap);
        GraphicsContext& context = cairoContext;
        context.scale(scale, scale);
        BezierPath swatch;
        const Rect bounds{SwatchInset, SwatchInset, SwatchSide - 2 * SwatchInset, SwatchSide - 2 * SwatchInset};
        addRoundedRect(swatch, bounds, SwatchRadius);
        swatch.setLineWidth(SwatchLineWidth);
        context.fillPath(swatch, colorScheme.fillColorAtIndex(index));
        context.strokePath(swatch, StrokeStyle::solid(colorScheme.strokeColorAtIndex(index)));
    }
    cairo_surface_flush(image->surface());
    return image;
}

ApplyPaletteIndexMenu::ApplyPaletteIndexMenu(MindMapProvider currentMindMap, std::string title, Responder* target)
    : PaletteMenu(std::move(currentMindMap), std::move(title), "applyPaletteIndex:", target)
{
}

void ApplyPaletteIndexMenu::paletteMenuItemClicked(int64_t index)
{
    if (MindMap* mindMap = currentMindMap()) mindMap->applyPaletteIndex(index);
}

AddBranchWithPaletteIndexMenu::AddBranchWithPaletteIndexMenu(MindMapProvider currentMindMap, std::string title,
                                                             Responder* target)
    : PaletteMenu(std::move(currentMindMap), std::move(title), "addBranchWithPaletteIndex:", target)
{
}

void AddBranchWithPaletteIndexMenu::paletteMenuItemClicked(int64_t index)
{
    if (MindMap* mindMap = currentMindMap()) mindMap->addBranchWithPaletteIndex(index);
}

StyleSelectorMenu::StyleSelectorMenu(MindMapProvider currentMindMap, std::string title)
    : ToolbarSegmentMenu(std::move(title)), _currentMindMap(std::move(currentMindMap))
{
    _previewProvider = [](const std::shared_ptr<StyleSheet>& sheet) -> std::shared_ptr<const Image> {
        const std::vector<uint8_t> png = StylePreviewCache::instance().stylePreviewImage(sheet);
        if (png.empty()) return nullptr;
        const Image preview = Image::fromData(png);
        if (preview.isNull()) return nullptr;
        // A third of the preview's size keeps fourteen sheets and more within a screen's height;
        // twice as many pixels keep it sharp.
        const Size shown{StylePreviewCache::PreviewSize.width / 3, StylePreviewCache::PreviewSize.height / 3};
        auto image = std::make_shared<Image>(preview.scaledTo(int(shown.width * 2), int(shown.height * 2)));
        if (image->isNull()) return nullptr;
        image->setSize(shown);
        return image;
    };
    NotificationCenter& center = NotificationCenter::defaultCenter();
    for (const char* name : {StyleManager::StyleSheetChangedNotification, StyleManager::StyleSheetRemovedNotification,
                             StyleManager::StyleSheetAddedNotification}) {
        _observations.push_back(center.addObserver(
            name, nullptr, [this](const Notification& notification) { styleManagerChangedNotify(notification); }));
    }
}

void StyleSelectorMenu::styleManagerChangedNotify(const Notification& notification)
{
    _menuDirty = true;
    StylePreviewCache::instance().styleSheetChanged(static_cast<const StyleSheet*>(notification.object));
}

std::shared_ptr<StyleSheet> StyleSelectorMenu::styleSheetOfItem(const MenuItem& item)
{
    const std::any value = item.representedValue();
    if (const auto* sheet = std::any_cast<std::shared_ptr<StyleSheet>>(&value)) return *sheet;
    return nullptr;
}

void StyleSelectorMenu::rebuild()
{
    removeAllItems();
    bool customSeparator = false;
    for (const std::shared_ptr<StyleSheet>& sheet : StyleManager::styleManager().styleSheets()) {
        if (!sheet) continue;
        if (sheet->isCustomStyle() && !customSeparator) {
            addItem(MenuItem::separatorItem());
            customSeparator = true;
        }
        MenuItem& item = addItem(sheet->description(), "changeStyleSheet:");
        item.setRepresentedValue(sheet);
        if (_previewProvider) item.setImage(_previewProvider(sheet));
    }
    addItem(MenuItem::separatorItem());
    addItem(localized("action_edit_style_sheet"), "showCustomStyleEditor:");
    addItem(localized("action_delete_style_sheet"), "deleteSelectedCustomStyle:");
}

void StyleSelectorMenu::updateMenuBeforeDropDown()
{
    if (_menuDirty) {
        _menuDirty = false;
        rebuild();
    }
    MindMap* mindMap = _currentMindMap ? _currentMindMap() : nullptr;
    const std::weak_ptr<StyleSheet> current = mindMap ? mindMap->sharedStyleSheet() : nullptr;
    for (const std::shared_ptr<MenuItem>& item : items()) {
        const std::shared_ptr<StyleSheet> sheet = styleSheetOfItem(*item);
        item->setChecked(sheet && isSameStyleSheet(sheet, current));
    }
}
