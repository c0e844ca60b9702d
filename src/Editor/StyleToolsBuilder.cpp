#include "Editor/StyleToolsBuilder.h"

#include "Editor/StylingMenus.h"
#include "platform/Localizer.h"

namespace {

enum class Target { Chain, Controller, Document };

struct SegmentRow {
    const char* image;
    Target target;
    const char* action;
    const char* toolTipKey;
    // The main menu's key for the same action, named in the tool tip.
    const char* shortcut = nullptr;
};

using MenuFactory = std::function<std::shared_ptr<Menu>(const StyleToolsOwner&)>;

struct MenuRow {
    size_t segment;
    MenuFactory make;
};

struct ControlRow {
    std::vector<SegmentRow> segments;
    std::vector<MenuRow> menus;
};

template <typename M> MenuFactory plain()
{
    return [](const StyleToolsOwner&) { return std::make_shared<M>(); };
}

const std::vector<ControlRow>& controlRows()
{
    static const std::vector<ControlRow> rows{
        {{{"palette", Target::Controller, "changeStyleSheet:", "style_selector_dialog_title"}},
         {{0,
           [](const StyleToolsOwner& owner) {
               return std::make_shared<StyleSelectorMenu>(owner.currentMindMap, "");
           }}}},
        {{{"star", Target::Controller, "applyPreset:", "action_apply_style_preset"},
          {"star_add", Target::Controller, "addPresetFromSelection:", "style_preset_add_as_preset"}},
         {}},
        {{{"align_center_16", Target::Chain, "changeTextAlignment:", "node_style_text_alignment"},
          {"text_bold", Target::Chain, "toggleBoldFontStyle:", "node_style_dialog_bold", "Ctrl+B"},
          {"text_italic", Target::Chain, "toggleItalicFontStyle:", "node_style_dialog_italic", "Ctrl+I"},
          {"text_strikethrough", Target::Chain, "toggleStrikeThroughFontStyle:", "node_style_dialog_strike_through"},
          {"text_underline", Target::Chain, "toggleUnderlineFontStyle:", "node_style_dialog_underline", "Ctrl+U"},
          {"text_size", Target::Chain, "fontSizeSelected:", "node_style_dialog_text_size"}},
         {{0, plain<TextAlignmentMenu>()},
          {5, [](const StyleToolsOwner& owner) { return std::make_shared<FontSizeMenu>(owner.windowController); }}}},
        {{{"border_round_rect_16", Target::Chain, "changeBorderStyle:", "node_style_border_style"},
          {"border_weight", Target::Chain, "changeBorderWidth:", "node_style_border_width"},
          {"palette-color", Target::Document, "applyPaletteIndex:", "undoable_op_apply_palette_color"},
          {"fill_color", Target::Controller, "pickFillColor:", "node_style_fill_color"},
          {"border_color", Target::Controller, "pickStrokeColor:", "node_style_stroke_color"},
          {"font_color", Target::Controller, "pickTextColor:", "node_style_text_color"}},
         {{0, plain<NodeBorderStyleMenu>()},
          {1, plain<NodeBorderWidthMenu>()},
          {2,
           [](const StyleToolsOwner& owner) {
               return std::make_shared<ApplyPaletteIndexMenu>(
                   owner.currentMindMap, localized("undoable_op_apply_palette_color"), owner.document);
           }}}},
        {{{"arrow_single_rev16", Target::Chain, "changeSourceArrowStyle:", "relation_style_source_arrow"},
          {"arrow_single16", Target::Chain, "changeTargetArrowStyle:", "relation_style_target_arrow"},
          {"line_1_16", Target::Chain, "changeLineStyle:", "relation_style_line_style"},
          {"border_weight", Target::Chain, "changeLineWidth:", "relation_style_line_width"},
          {"path_bezier16", Target::Chain, "changePathStyle:", "relation_style_path_style"}},
         {{0, plain<SourceArrowStyleMenu>()},
          {1, plain<TargetArrowStyleMenu>()},
          {2, plain<RelationLineStyleMenu>()},
          {3, plain<RelationLineWidthMenu>()},
          {4, plain<RelationPathStyleMenu>()}}},
        {{{"color_wheel", Target::Chain, "orderFrontColorPanel:", "relation_style_custom_color"},
          {"copy_style", Target::Chain, "copyStyle:", "editor_menu_copy_style"},
          {"paste_style", Target::Chain, "pasteStyle:", "editor_menu_paste_style"},
          {"draw_eraser", Target::Document, "clearStyleCustomization:", "undoable_op_clear_customization"}},
         {}},
    };
    return rows;
}

Responder* targetOf(Target target, const StyleToolsOwner& owner)
{
    switch (target) {
    case Target::Controller:
        return owner.windowController;
    case Target::Document:
        return owner.document;
    case Target::Chain:
        break;
    }
    return nullptr;
}

} // namespace

std::vector<std::shared_ptr<SegmentedControlItem>> StyleToolsBuilder::buildStyleTools(const StyleToolsOwner& owner)
{
    std::vector<std::shared_ptr<SegmentedControlItem>> controls;
    for (const ControlRow& row : controlRows()) {
        std::vector<std::shared_ptr<ToolbarSegment>> segments;
        for (const SegmentRow& segment : row.segments) {
            std::string toolTip = localized(segment.toolTipKey);
            if (segment.shortcut) toolTip = formatText("%@  (%@)", {toolTip, segment.shortcut});
            segments.push_back(ToolbarSegment::toolbarSegment(segment.image, targetOf(segment.target, owner),
                                                              segment.action, toolTip));
        }
        auto control = std::make_shared<SegmentedControlItem>(std::move(segments));
        for (const MenuRow& menu : row.menus) control->segmentedControl().setMenu(menu.make(owner), menu.segment);
        controls.push_back(std::move(control));
    }
    return controls;
}
