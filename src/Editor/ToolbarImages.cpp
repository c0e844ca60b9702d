#include "Editor/ToolbarImages.h"

#include "Editor/StylePictures.h"
#include "Utils/BezierPathShapes.h"
#include "platform/GraphicsContext.h"

#include <algorithm>

namespace {

// The drawn pictures sit among symbolic themed icons: their ink, one colour at most.
const Color PaletteColor = Color::rgb255(65, 137, 255);
// A topic's body is a wash of the ink, so that it reads as filled on a light and a dark theme.
Color wash(const Color& ink)
{
    return ink.withAlpha(ink.alpha() * 0.15);
}

Point at(const Rect& box, double x, double y)
{
    return {box.minX() + x * box.width() / ToolbarPictureSize, box.minY() + y * box.height() / ToolbarPictureSize};
}

Rect part(const Rect& box, double x, double y, double width, double height)
{
    const Point origin = at(box, x, y);
    return {origin.x, origin.y, width * box.width() / ToolbarPictureSize, height * box.height() / ToolbarPictureSize};
}

// A topic as the painter outlines one: a rounded rectangle, filled, with a one-point border.
void topic(GraphicsContext& context, const Rect& rect, const Color& ink, const Color* fill = nullptr)
{
    BezierPath path;
    addRoundedRect(path, rect, 2);
    path.setLineWidth(1);
    context.fillPath(path, fill ? *fill : wash(ink), FillRule::Winding);
    context.strokePath(path, StrokeStyle::solid(ink));
}

void line(GraphicsContext& context, const Color& ink, std::initializer_list<Point> points, double width = 1)
{
    BezierPath path;
    bool first = true;
    for (Point p : points) {
        if (first) path.moveTo(p);
        else path.lineTo(p);
        first = false;
    }
    path.setLineWidth(width);
    context.strokePath(path, StrokeStyle::solid(ink));
}

void plus(GraphicsContext& context, const Color& ink, Point centre)
{
    line(context, ink, {{centre.x - 2.5, centre.y}, {centre.x + 2.5, centre.y}}, 1.5);
    line(context, ink, {{centre.x, centre.y - 2.5}, {centre.x, centre.y + 2.5}}, 1.5);
}

// A topic at the left with a new child to its right.
void drawAddChild(GraphicsContext& context, const Rect& box, const char*, const Color& ink)
{
    topic(context, part(box, 0.5, 5.5, 6, 5), ink);
    line(context, ink, {at(box, 6.5, 8), at(box, 9.5, 8)});
    plus(context, ink, at(box, 12.5, 8));
}

// A topic with a new sibling below it, both hanging from the same parent line.
void drawAddSibling(GraphicsContext& context, const Rect& box, const char*, const Color& ink)
{
    line(context, ink, {at(box, 1.5, 1), at(box, 1.5, 12.5), at(box, 4.5, 12.5)});
    line(context, ink, {at(box, 1.5, 4), at(box, 4.5, 4)});
    topic(context, part(box, 4.5, 1.5, 8, 5), ink);
    plus(context, ink, at(box, 8.5, 12.5));
}

// A new branch in a colour of the map's palette.
void drawAddPaletteColor(GraphicsContext& context, const Rect& box, const char*, const Color& ink)
{
    topic(context, part(box, 0.5, 5.5, 5, 5), ink);
    BezierPath branch;
    branch.moveTo(at(box, 5.5, 8));
    branch.curveTo(at(box, 10, 3.5), at(box, 8, 8), at(box, 8, 3.5));
    branch.setLineWidth(2);
    context.strokePath(branch, StrokeStyle::solid(PaletteColor));
    topic(context, part(box, 9.5, 9.5, 6, 5), ink, &PaletteColor);
}

// A parent with its children stacked at the right: what rearranging a subtree gives.
void drawLayout(GraphicsContext& context, const Rect& box, const char*, const Color& ink)
{
    topic(context, part(box, 0.5, 6, 5, 4), ink);
    line(context, ink, {at(box, 5.5, 8), at(box, 8, 8)});
    line(context, ink, {at(box, 8, 2.5), at(box, 8, 13.5)});
    for (double y : {0.5, 6.0, 11.5}) {
        line(context, ink, {at(box, 8, y + 2), at(box, 10, y + 2)});
        topic(context, part(box, 10, y, 5.5, 4), ink);
    }
}

// Two topics inside the soft outline of a hull.
void drawHull(GraphicsContext& context, const Rect& box, const char*, const Color& ink)
{
    BezierPath hull;
    addRoundedRect(hull, part(box, 0.5, 1.5, 15, 13), 6);
    hull.setLineWidth(1);
    context.fillPath(hull, wash(ink), FillRule::Winding);
    StrokeStyle dashed = StrokeStyle::solid(ink);
    dashed.dash = {2, 1.5};
    context.strokePath(hull, dashed);
    topic(context, part(box, 3, 4, 5, 4), ink);
    topic(context, part(box, 8, 8.5, 5, 4), ink);
}

// The style toolbar's pictures show a style as the map shows it; they are drawn where the styles
// are, in their own square.
void drawStyle(GraphicsContext& context, const Rect& box, const char* name, const Color& ink)
{
    context.save();
    context.translate(box.minX(), box.minY());
    context.scale(box.width() / StylePictures::Side, box.height() / StylePictures::Side);
    StylePictures::draw(name, context, ink);
    context.restore();
}

constexpr ToolbarImageRow Rows[] = {
    // The main toolbar.
    {"save", "document-save-symbolic", nullptr},
    {"palette", "applications-graphics-symbolic", nullptr},
    {"page_white", "document-new-symbolic", nullptr},
    {"go-left", "go-previous-symbolic", nullptr},
    {"undo", "edit-undo-symbolic", nullptr},
    {"redo", "edit-redo-symbolic", nullptr},
    {"add-child", nullptr, drawAddChild},
    {"add-sibling", nullptr, drawAddSibling},
    {"add-palette-color", nullptr, drawAddPaletteColor},
    {"delete", "edit-delete-symbolic", nullptr},
    // The custom style editor's palette order and saving.
    {"arrow_up", "go-up-symbolic", nullptr},
    {"arrow_down", "go-down-symbolic", nullptr},
    {"save_as_16", "document-save-as-symbolic", nullptr},
    {"cut", "edit-cut-symbolic", nullptr},
    {"copy", "edit-copy-symbolic", nullptr},
    {"paste", "edit-paste-symbolic", nullptr},
    {"layout", nullptr, drawLayout},
    {"zoom", "zoom-in-symbolic", nullptr},
    {"auto_focus", "find-location-symbolic", nullptr},
    {"printer", "document-print-symbolic", nullptr},
    {"document_export", "document-send-symbolic", nullptr},
    {"mail_yellow", "mail-unread-symbolic", nullptr},
    {"NSToolbarCustomizeToolbarItemImage", "emblem-system-symbolic", nullptr},
    {"page_link", "insert-link-symbolic", nullptr},
    {"add_text", "insert-text-symbolic", nullptr},
    {"stock_icon_color_16", "face-smile-symbolic", nullptr},
    {"gallery-color-16", "insert-image-symbolic", nullptr},
    {"check_boxes", "checkbox-checked-symbolic", nullptr},
    {"calendar", "x-office-calendar-symbolic", nullptr},
    // The outliner's modes.
    {"outline_tree", "format-indent-more-symbolic", nullptr},
    {"outline_check_list", "checkbox-checked-symbolic", nullptr},
    {"outline_todo_list", "checkbox-symbolic", nullptr},
    {"outline_done_list", "object-select-symbolic", nullptr},
    {"outline_date_list", "x-office-calendar-symbolic", nullptr},
    {"hull_16", nullptr, drawHull},
    {"left_sidebar", "sidebar-show-symbolic", nullptr},
    // The explorers' segments and their menus.
    {"cloud_16", "weather-overcast-symbolic", nullptr},
    {"tw-icon-16x16", "computer-symbolic", nullptr},
    {"page_white_add", "document-new-symbolic", nullptr},
    {"page_white_copy", "edit-copy-symbolic", nullptr},
    {"folder_add", "folder-new-symbolic", nullptr},
    {"cloud_setup", "emblem-system-symbolic", nullptr},
    // The side bar's tabs: the local store.
    {"local_maps", "computer-symbolic", nullptr},
    // The Dropbox pane: its tab and its own segments.
    {"dropbox_white_16", "folder-remote-symbolic", nullptr},
    {"move_to_folder", "folder-symbolic", nullptr},
    {"cloud_sync_16", "view-refresh-symbolic", nullptr},
    // The Google Drive pane's tab.
    {"gdrive_white_16", "network-server-symbolic", nullptr},
    {"computer-symbolic", "computer-symbolic", nullptr},
    // Google Drive's row in the cloud set-up, its feedback and its quit upload.
    {"google_drive", "drive-multidisk-symbolic", nullptr},
    // ---- style toolbar: begin ----
    {"star", "starred-symbolic", nullptr},
    {"star_add", "bookmark-new-symbolic", nullptr},
    {"align_left_16", "format-justify-left-symbolic", nullptr},
    {"align_center_16", "format-justify-center-symbolic", nullptr},
    {"align_right_16", "format-justify-right-symbolic", nullptr},
    {"text_bold", "format-text-bold-symbolic", nullptr},
    {"text_italic", "format-text-italic-symbolic", nullptr},
    {"text_strikethrough", "format-text-strikethrough-symbolic", nullptr},
    {"text_underline", "format-text-underline-symbolic", nullptr},
    {"text_size", "font-select-symbolic", nullptr},
    {"clear_custom_path", "edit-clear-symbolic", nullptr},
    {"color_wheel", "color-select-symbolic", nullptr},
    {"copy_style", "edit-copy-symbolic", nullptr},
    {"paste_style", "edit-paste-symbolic", nullptr},
    {"draw_eraser", "edit-clear-all-symbolic", nullptr},
    {"border_round_rect_16", nullptr, drawStyle},
    {"border_half_round_16", nullptr, drawStyle},
    {"border_drop_rect_16", nullptr, drawStyle},
    {"border_ellipse_16", nullptr, drawStyle},
    {"border_rectangle_16", nullptr, drawStyle},
    {"border_diamond_16", nullptr, drawStyle},
    {"border_cloud_16", nullptr, drawStyle},
    {"border_none_16", nullptr, drawStyle},
    {"line_1_16", nullptr, drawStyle},
    {"line_2_16", nullptr, drawStyle},
    {"line_3_16", nullptr, drawStyle},
    {"line_4_16", nullptr, drawStyle},
    {"line_5_16", nullptr, drawStyle},
    {"line_6_16", nullptr, drawStyle},
    {"line_7_16", nullptr, drawStyle},
    {"line_tapered_16", nullptr, drawStyle},
    {"line_tapered_reverse_16", nullptr, drawStyle},
    {"line_tapered_auto_16", nullptr, drawStyle},
    {"arrow_none16", nullptr, drawStyle},
    {"arrow_single16", nullptr, drawStyle},
    {"arrow_single_rev16", nullptr, drawStyle},
    {"arrow_filled16", nullptr, drawStyle},
    {"arrow_filled_rev16", nullptr, drawStyle},
    {"arrow_open16", nullptr, drawStyle},
    {"arrow_open_rev16", nullptr, drawStyle},
    {"arrow_inhibit_16", nullptr, drawStyle},
    {"arrow_inhibit_rev_16", nullptr, drawStyle},
    {"circle_open_16", nullptr, drawStyle},
    {"circle_filled_16", nullptr, drawStyle},
    {"diamond_open_16", nullptr, drawStyle},
    {"diamond_filled_16", nullptr, drawStyle},
    {"path_bezier16", nullptr, drawStyle},
    {"path_ortho16", nullptr, drawStyle},
    {"path_straight16", nullptr, drawStyle},
    {"border_weight", nullptr, drawStyle},
    {"palette-color", nullptr, drawStyle},
    {"fill_color", nullptr, drawStyle},
    {"border_color", nullptr, drawStyle},
    {"font_color", nullptr, drawStyle},
    // ---- style toolbar: end ----
    // ---- element bars: begin ----
    {"bar_properties", "document-properties-symbolic", nullptr},
    {"bar_cross_link", "object-flip-horizontal-symbolic", nullptr},
    {"bar_order_backward", "go-down-symbolic", nullptr},
    {"bar_order_forward", "go-up-symbolic", nullptr},
    {"bar_image_link", "insert-link-symbolic", nullptr},
    {"bar_edit_image", "image-x-generic-symbolic", nullptr},
    // ---- element bars: end ----
};

} // namespace

std::span<const ToolbarImageRow> toolbarImageRows()
{
    return Rows;
}

const ToolbarImageRow* toolbarImage(std::string_view name)
{
    const auto* row = std::ranges::find_if(Rows, [&](const ToolbarImageRow& r) { return name == r.name; });
    return row == std::end(Rows) ? nullptr : row;
}
