#include "Editor/MenuTranslator.h"

#include "platform/Localizer.h"

namespace {

struct TitleRow {
    const char* title;
    const char* key;
    // Items that open a window before acting say so with a trailing ellipsis.
    bool ellipsis;
};

const TitleRow kTitleRows[] = {
    {"About Tarnwick…", "menu_about", true},
    {"Preferences", "preferences_title", true},
    {"Check for Updates…", "check_for_updates_title", true},
    {"Work Offline", "action_work_offline", false},
    {"Hide Tarnwick", "menu_hide_tarnwick", false},
    {"Hide Others", "menu_hide_other_apps", false},
    {"Show All", "menu_show_all", false},
    {"Quit Tarnwick", "menu_quit_tarnwick", false},
    {"Mind Map", "mindmap_mindmap", false},
    {"Show Mind Maps…", "action_show_mindmap_explorer", true},
    {"New", "action_new_mindmap", false},
    {"Duplicate", "map_list_clone_map_condensed", false},
    {"New Map from selection", "editor_menu_map_from_selection", false},
    {"New Linked Map from selection", "editor_menu_linked_map_from_selection", false},
    {"Close", "close_button_title", false},
    {"Save", "action_save_document", false},
    {"Revert to Saved", "action_revert_to_saved_document", false},
    {"Mind Map Info", "editor_menu_mindmap_info", true},
    {"Back", "editor_menu_history_condensed", false},
    {"Import", "map_list_import", true},
    {"Import pdf bookmarks", "action_import_pdf_bookmarks", true},
    {"Export Mind Map", "action_export_mindmap", true},
    {"Export Mind Map to Cloud", "action_export_mindmap_to_cloud", true},
    {"Export Outline", "action_export_outline", true},
    {"Mail Mind Map", "action_mail_mind_map", true},
    {"Print Mind Map", "editor_menu_print_mindmap", true},
    {"Print Outline", "editor_menu_print_outline", true},
    {"Edit", "editor_menu_edit_group", false},
    {"Add", "editor_menu_add_group", false},
    {"Add Child Topic", "node_editor_add_child_topic", false},
    {"Add Sibling Topic", "node_editor_add_sibling_topic", false},
    {"Insert Sibling Topic", "insert_sibling_topic", false},
    {"Insert Topic", "editor_menu_insert_node", false},
    {"Add Central Theme", "editor_menu_add_theme", false},
    {"Add Label", "topic_menu_add_label", false},
    {"Add Cross Link", "topic_menu_add_cross_link", false},
    {"Make Main Central Theme", "action_set_main_central_theme", false},
    {"Undo", "editor_menu_undo", false},
    {"Redo", "editor_menu_redo", false},
    {"Cut", "topic_menu_cut", false},
    {"Copy", "topic_menu_copy", false},
    {"Copy as Image", "action_copy_as_image", false},
    {"Copy as Outline", "editor_menu_copy_outline", false},
    {"Paste", "topic_menu_paste", false},
    {"Paste as Central Theme", "topic_menu_paste_as_central_theme", false},
    {"Paste Text as List", "action_paste_text_as_list", false},
    {"Delete", "editor_menu_delete", false},
    {"Delete Single Topic", "editor_menu_delete_single_topic", false},
    {"Link Topic", "link_options_dialog_title", false},
    {"Select Icon", "topic_menu_select_icon", true},
    {"Image", "editor_menu_share_image_condensed", false},
    {"Topic Check boxes", "topic_menu_topic_checkboxes", false},
    {"Toggle Checked State", "action_toggle_checked_state", false},
    {"Set Date", "topic_menu_topic_set_date", true},
    {"Show Branch Border", "topic_menu_hull_options", false},
    {"Collapse / Expand", "collapse_menu_title", false},
    {"Collapse", "undoable_op_collapse", false},
    {"Collapse children", "collapse_children", false},
    {"Full collapse", "collapse_full", false},
    {"Expand", "undoable_op_expand", false},
    {"Expand children", "expand_children", false},
    {"Full expand", "expand_full", false},
    {"Hide / Show", "hide_show_menu_title", false},
    {"Hide", "hide_selected", false},
    {"Hide children", "hide_children", false},
    {"Full hide", "hide_full", false},
    {"Show", "show_selected", false},
    {"Show children", "show_children", false},
    {"Full show", "show_full", false},
    {"Layout", "layout_style_dialog_title", false},
    {"Reorder", "undoable_op_reorder_element", false},
    {"Order Backward", "topic_menu_order_image_backward", false},
    {"Order Forward", "topic_menu_order_image_forward", false},
    {"Order Up in Hierarchy", "action_order_up_in_hierarchy", false},
    {"Rotate / Flip", "rotate_flip_title", false},
    {"Rotate 90 Right", "rotate_90_right", false},
    {"Rotate 90 Left", "rotate_90_left", false},
    {"Rotate 180", "rotate_180", false},
    {"Flip Horizontal", "flip_horizontal", false},
    {"Flip Vertical", "flip_vertical", false},
    {"Properties", "action_properties", false},
    {"Edit Text", "undoable_op_edit_text", false},
    {"Default Word Wrap", "action_default_word_wrap", false},
    {"Search Mind Map", "action_search_mind_map", true},
    {"Spelling", "spelling_menu_title", false},
    {"Check Mind Map Now", "action_spell_check_document_now", false},
    {"Check Spelling While Typing", "option_live_spell_check", false},
    {"Correct Spelling Automatically", "options_auto_correction", false},
    {"Style", "editor_menu_style_condensed", false},
    {"Custom Color", "relation_style_custom_color", true},
    {"Clear Customization", "undoable_op_clear_customization", false},
    {"Clear manually adjusted path", "undoable_op_clear_path_customization", false},
    {"Font", "text_style_font", false},
    {"Change Fonts", "action_change_fonts", true},
    {"Bold", "node_style_dialog_bold", false},
    {"Italic", "node_style_dialog_italic", false},
    {"Strike Through", "node_style_dialog_strike_through", false},
    {"Underline", "node_style_dialog_underline", false},
    {"Superscript", "node_style_dialog_superscript", false},
    {"Subscript", "node_style_dialog_subscript", false},
    {"Remove Markdown", "typography_remove_markdown", false},
    {"Copy Style", "editor_menu_copy_style", false},
    {"Paste Style", "editor_menu_paste_style", false},
    {"Mind Map Style", "map_style_dialog_title", true},
    {"Edit Selected Style Sheet…", "action_edit_style_sheet", true},
    {"Delete Custom Style Sheet", "action_delete_style_sheet", false},
    {"Select", "menu_title_select", false},
    {"Select all Topics", "action_select_all_topics", false},
    {"Select all Relations", "action_select_all_relations", false},
    {"Select all Cross Links", "action_select_all_cross_links", false},
    {"Select all Images", "action_select_all_images", false},
    {"Select all Labels", "action_select_all_labels", false},
    {"Select Search Matches", "action_select_search_matches", false},
    {"View", "menu_title_view", false},
    {"Full Screen Editing", "editor_menu_full_screen_edit_mode", false},
    {"Presentation Mode", "editor_menu_presentation_mode", false},
    {"Toggle Toolbar", "action_toggle_toolbar", false},
    {"Toggle Style Toolbar", "action_toggle_style_toolbar", false},
    {"Toggle Inspector", "action_toggle_inspector", false},
    {"Show Outline", "action_show_outline", false},
    {"Show Note", "action_show_note", false},
    {"Show Icons", "action_show_icon_picker", false},
    {"Zoom", "editor_menu_zoom", false},
    {"Zoom In", "editor_menu_zoom_in", false},
    {"Zoom Out", "editor_menu_zoom_out", false},
    {"Zoom 100%", "editor_menu_zoom_actual", false},
    {"Zoom Contents", "editor_menu_zoom_contents", false},
    {"Center Map", "action_center_mind_map", false},
    {"Center Selected Element", "action_center_selected_element", false},
    {"Auto Focus Disabled", "auto_focus_disabled", false},
    {"Auto Focus Selection", "auto_focus_selection", false},
    {"Auto Focus Selection and Children", "auto_focus_selection_plus_children", false},
    {"Auto Focus Selected Branch", "auto_focus_selected_branch", false},
    {"Window", "menu_title_window", false},
    {"Zoom Window", "action_zoom_window", false},
    {"Minimize Window", "action_minimize_window", false},
    {"Close Window", "action_close_window", false},
    {"Arrange in Front", "action_arrange_window_front", false},
    {"Help", "editor_menu_help", false},
    {"Home page", "menu_home_page", false},
    {"Frequently Asked Questions", "editor_menu_help_faq", false},
    {"Mind Map Editor Help", "menu_mind_map_editor_help", false},
    {"YouTube Channel", "help_button_youtube_channel", false},
    {"Send Feedback", "editor_menu_feedback", false},
};

const std::string kEllipsis = "…";

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

MenuTranslator::MenuTranslator()
{
    initMenuTitles();
}

void MenuTranslator::initMenuTitles()
{
    for (const TitleRow& row : kTitleRows) {
        std::string translated = localized(row.key);
        if (row.ellipsis && !endsWith(translated, kEllipsis)) translated += kEllipsis;
        _menuTitles[row.title] = translated;
    }
}

void MenuTranslator::translateMainMenu(Menu& menu)
{
    MenuTranslator().doTranslateMenu(menu);
}

void MenuTranslator::doTranslateMenu(Menu& menu) const
{
    for (const std::shared_ptr<MenuItem>& item : menu.items()) {
        auto it = _menuTitles.find(item->title());
        if (it != _menuTitles.end()) item->setTitle(it->second);
        if (Menu* submenu = item->submenu()) doTranslateMenu(*submenu);
    }
}
