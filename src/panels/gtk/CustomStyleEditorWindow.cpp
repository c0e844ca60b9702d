#include "panels/gtk/CustomStyleEditorWindow.h"

#include "Editor/StylingMenus.h"
#include "Editor/gtk/MainWindowActions.h"
#include "Editor/gtk/SegmentedControlWidget.h"
#include "MindMaps/CustomStyleSheet.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/StyleSheet.h"
#include "panels/gtk/WindowFrameAutosave.h"
#include "platform/Localizer.h"
#include "platform/Menu.h"
#include "platform/gtk/LabelledField.h"
#include "store/MindMapStore.h"

#include <cstdio>

namespace {

std::unique_ptr<CustomStyleEditorWindow>& sharedEditor()
{
    static std::unique_ptr<CustomStyleEditorWindow> editor;
    return editor;
}

// The shared builders' items, separators left out, as (title, tag).
std::vector<std::pair<std::string, int64_t>> menuItems(const std::function<void(Menu&)>& define, size_t limit = 100)
{
    Menu menu("");
    define(menu);
    std::vector<std::pair<std::string, int64_t>> items;
    for (const auto& item : menu.items())
        if (!item->isSeparatorItem() && items.size() < limit) items.emplace_back(item->title(), item->tag());
    return items;
}

void fillPopup(Gtk::ComboBoxText& combo, const std::function<void(Menu&)>& define)
{
    for (const auto& [title, tag] : menuItems(define)) combo.append(std::to_string(tag), title);
}

int32_t selectedTag(const Gtk::ComboBoxText& combo, int32_t none)
{
    const Glib::ustring id = combo.get_active_id();
    return id.empty() ? none : int32_t(std::stol(id.raw()));
}

Gtk::Label* label(const char* key)
{
    auto* text = Gtk::manage(new Gtk::Label(localized(key)));
    text->set_xalign(0);
    return text;
}

Gtk::Label* heading(const char* key)
{
    Gtk::Label* text = label(key);
    text->set_markup("<b>" + Glib::Markup::escape_text(localized(key)) + "</b>");
    return text;
}

void addRow(Gtk::Grid& grid, int row, const char* key, Gtk::Widget& control, Gtk::Widget* extra = nullptr)
{
    Gtk::Label* caption = label(key);
    labelField(*caption, control);
    grid.attach(*caption, 0, row);
    control.set_halign(Gtk::ALIGN_START);
    grid.attach(control, 1, row);
    if (extra) grid.attach(*extra, 2, row);
}

void spaceGrid(Gtk::Grid& grid)
{
    grid.set_row_spacing(6);
    grid.set_column_spacing(8);
}

std::string widthText(double width)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", width);
    return text;
}

} // namespace

template <typename Signal>
void CustomStyleEditorWindow::onChange(Signal signal, void (CustomStyleEditorController::*action)())
{
    signal.connect([this, action] {
        if (_loading) return;
        readWells();
        (_controller.*action)();
    });
}

CustomStyleEditorWindow::CustomStyleEditorWindow(const std::string& documentsDirectory)
    : _controller(*this, documentsDirectory), _preview(_controller)
{
    set_default_size(900, 560);
    buildToolbar();

    _fill.set_use_alpha(true);
    _transparent.set_label(localized("node_style_transparent"));
    _derive.set_label(localized("custom_style_editor_derive_stroke_color"));
    _enableShadow.set_label(localized("map_style_enable_shadow"));
    spaceGrid(_topicWells);
    addRow(_topicWells, 0, "node_style_fill_color", _fill, &_transparent);
    addRow(_topicWells, 1, "node_style_stroke_color", _stroke, &_derive);
    spaceGrid(_mapWells);
    addRow(_mapWells, 0, "map_style_background_color_section", _background);
    addRow(_mapWells, 1, "map_style_text_color", _font);
    addRow(_mapWells, 2, "map_style_shadow_color", _shadow, &_enableShadow);
    _levelBased.append("0", localized("colors_branch_based"));
    _levelBased.append("1", localized("colors_level_based"));
    _levelBased.set_active_id("0");
    addRow(_mapWells, 3, "map_style_palette_style", _levelBased);

    buildTopicsTab(_topics);
    buildRelationTab(_parent, true);
    buildRelationTab(_cross, false);
    _styleTabs.append_page(_topics, localized("map_style_topics_style"));
    _styleTabs.append_page(_parent.grid, localized("map_style_parent_relations_style"));
    _styleTabs.append_page(_cross.grid, localized("map_style_crosslinks"));

    onChange(_fill.signal_color_set(), &CustomStyleEditorController::fillColorSelected);
    onChange(_stroke.signal_color_set(), &CustomStyleEditorController::strokeColorSelected);
    onChange(_background.signal_color_set(), &CustomStyleEditorController::backgroundColorSelected);
    onChange(_font.signal_color_set(), &CustomStyleEditorController::fontColorSelected);
    onChange(_shadow.signal_color_set(), &CustomStyleEditorController::shadowColorSelected);
    onChange(_enableShadow.signal_toggled(), &CustomStyleEditorController::shadowColorSelected);
    onChange(_transparent.signal_toggled(), &CustomStyleEditorController::transparentClicked);
    onChange(_levelBased.signal_changed(), &CustomStyleEditorController::notifyStyleModified);
    _derive.signal_toggled().connect([this] {
        if (!_loading) _controller.controls().deriveStrokeColor = _derive.get_active();
    });

    _preview.set_size_request(500, 400);
    _preview.signal_size_allocate().connect([this](Gtk::Allocation& a) {
        _controller.setPreviewSize({double(a.get_width()), double(a.get_height())});
    });
    _previewBox.pack_start(*label("map_style_style_preview"), Gtk::PACK_SHRINK);
    _previewBox.pack_start(_preview, Gtk::PACK_EXPAND_WIDGET);
    _side.pack_start(*heading("custom_style_editor_selected_palette_color"), Gtk::PACK_SHRINK);
    _side.pack_start(_topicWells, Gtk::PACK_SHRINK);
    _side.pack_start(*heading("general_options_tab_title"), Gtk::PACK_SHRINK);
    _side.pack_start(_mapWells, Gtk::PACK_SHRINK);
    _side.pack_start(_styleTabs, Gtk::PACK_SHRINK);
    auto* body = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 12));
    body->pack_start(_previewBox, Gtk::PACK_EXPAND_WIDGET);
    body->pack_start(_side, Gtk::PACK_SHRINK);
    _content.set_border_width(12);
    _content.pack_start(_toolbar, Gtk::PACK_SHRINK);
    _content.pack_start(*body, Gtk::PACK_EXPAND_WIDGET);
    add(_content);
    show_all_children();
    controlsChanged();
    set_title(_controller.title());
    AutosaveWindowFrame(*this, CustomStyleEditorController::FrameKey);
    _styleTabs.set_current_page(0);
}

CustomStyleEditorWindow::~CustomStyleEditorWindow() = default;

void CustomStyleEditorWindow::buildToolbar()
{
    struct Item {
        const char* labelKey;
        const char* images[2];
        const char* actions[2];
        const char* toolTips[2];
        void (*calls[2])(CustomStyleEditorController&);
    };
    const Item items[] = {
        {"palette_color_dialog_title",
         {"add-palette-color", "delete"},
         {"addEntryAction:", "deleteEntryAction:"},
         {"add_palette_color", "editor_menu_delete"},
         {[](CustomStyleEditorController& c) { c.addEntry(); },
          [](CustomStyleEditorController& c) { c.deleteEntry(); }}},
        {"palette_color_dialog_color_order",
         {"arrow_up", "arrow_down"},
         {"moveEntryUp:", "moveEntryDown:"},
         {"action_move_up", "action_move_down"},
         {[](CustomStyleEditorController& c) { c.moveEntryUp(); },
          [](CustomStyleEditorController& c) { c.moveEntryDown(); }}},
        {"action_save_document",
         {"save", "save_as_16"},
         {"saveStyle:", "saveStyleAs:"},
         {"action_save_document", "action_save_document_as"},
         // Saving answers whether it wrote; a failure has already been told to the user.
         {[](CustomStyleEditorController& c) { c.saveStyle(); },
          [](CustomStyleEditorController& c) { c.saveStyleAs(); }}},
    };
    for (size_t index = 0; index < std::size(items); ++index) {
        const Item& item = items[index];
        std::vector<std::shared_ptr<ToolbarSegment>> segments;
        for (int segment = 0; segment < 2; ++segment) {
            // Registered before the item validates its segments, which looks for a handler.
            addAction(item.actions[segment], [this, call = item.calls[segment]](const ActionSender*) {
                readWells();
                call(_controller);
            });
            segments.push_back(ToolbarSegment::toolbarSegment(item.images[segment], this, item.actions[segment],
                                                              localized(item.toolTips[segment])));
        }
        _toolbarItems.push_back(std::make_unique<SegmentedToolbarItem>(ToolbarItems[index], std::move(segments)));
        _toolbarItems.back()->validate();
        auto widget = std::make_unique<SegmentedControlWidget>(_toolbarItems.back()->controlItem());
        for (int segment = 0; segment < 2; ++segment)
            widget->button(size_t(segment)).set_tooltip_text(localized(item.toolTips[segment]));
        auto caption = std::make_unique<Gtk::Label>(localized(item.labelKey));
        auto* column = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_VERTICAL, 2));
        widget->set_halign(Gtk::ALIGN_CENTER);
        column->pack_start(*widget, Gtk::PACK_SHRINK);
        column->pack_start(*caption, Gtk::PACK_SHRINK);
        _toolbar.pack_start(*column, Gtk::PACK_SHRINK);
        _toolbarWidgets.push_back(std::move(widget));
        _toolbarLabels.push_back(std::move(caption));
    }
}

void CustomStyleEditorWindow::buildTopicsTab(Gtk::Grid& grid)
{
    spaceGrid(grid);
    grid.set_border_width(8);
    fillPopup(_borderStyle, DefineNodeBorderStyleItems);
    addRow(grid, 0, "node_style_border_style", _borderStyle);
    _borderWidthBox.set_label(localized("node_style_custom_border_width"));
    _borderWidth.set_range(0, 10);
    _borderWidth.set_increments(0.25, 1);
    _borderWidth.set_draw_value(false);
    _borderWidth.set_size_request(140, -1);
    _borderWidthLabel.set_width_chars(5);
    _borderWidthRow.pack_start(_borderWidth, Gtk::PACK_EXPAND_WIDGET);
    _borderWidthRow.pack_start(_borderWidthLabel, Gtk::PACK_SHRINK);
    labelField(_borderWidthBox, _borderWidth);
    grid.attach(_borderWidthBox, 0, 1);
    grid.attach(_borderWidthRow, 1, 1, 2, 1);
    for (const auto& [title, tag] : menuItems(DefineTextAlignmentItems)) _alignment.addSegment(title, tag);
    addRow(grid, 2, "node_style_text_alignment", _alignment);

    onChange(_borderStyle.signal_changed(), &CustomStyleEditorController::borderStyleSelected);
    _borderWidthBox.signal_toggled().connect([this] {
        _borderWidth.set_sensitive(_borderWidthBox.get_active());
        if (_loading) return;
        readWells();
        _controller.notifyStyleModified();
    });
    _borderWidth.signal_value_changed().connect([this] {
        _borderWidthLabel.set_text(widthText(_borderWidth.get_value()));
        if (_loading) return;
        readWells();
        _controller.notifyStyleModified();
    });
    _alignment.signalSelected().connect([this](int64_t) {
        if (_loading) return;
        readWells();
        _controller.notifyStyleModified();
    });
}

void CustomStyleEditorWindow::buildRelationTab(CustomStyleRelationWidgets& widgets, bool parent)
{
    Gtk::Grid& grid = widgets.grid;
    spaceGrid(grid);
    grid.set_border_width(8);
    fillPopup(widgets.lineStyle, DefineRelationLineStyleItems);
    addRow(grid, 0, "relation_style_line_style", widgets.lineStyle);
    int64_t index = 0;
    for (const auto& item : menuItems(DefineRelationPathStyleItems, 3))
        widgets.pathStyle.addSegment(item.first, index++);
    addRow(grid, 1, "relation_style_path_style", widgets.pathStyle);
    fillPopup(widgets.sourceArrow, [](Menu& menu) { DefineArrowStyleItems(menu, false); });
    addRow(grid, 2, "relation_style_source_arrow", widgets.sourceArrow);
    fillPopup(widgets.targetArrow, [](Menu& menu) { DefineArrowStyleItems(menu, true); });
    addRow(grid, 3, "relation_style_target_arrow", widgets.targetArrow);
    widgets.colorBox.set_label(localized("relation_style_custom_color"));
    labelField(widgets.colorBox, widgets.color);
    grid.attach(widgets.colorBox, 0, 4);
    widgets.color.set_halign(Gtk::ALIGN_START);
    grid.attach(widgets.color, 1, 4);
    if (parent) {
        for (size_t item = 0; item < RelationStyleFrame::ConnectionStyleKeys.size(); ++item)
            _connectionStyle.append(std::to_string(item), localized(RelationStyleFrame::ConnectionStyleKeys[item]));
        addRow(grid, 5, "map_style_connections_condensed", _connectionStyle);
        onChange(_connectionStyle.signal_changed(), &CustomStyleEditorController::notifyStyleModified);
    }

    // Only the parent relations show in the preview.
    const auto modified = parent ? &CustomStyleEditorController::notifyPreviewModified
                                 : &CustomStyleEditorController::notifyStyleModified;
    onChange(widgets.lineStyle.signal_changed(),
             parent ? &CustomStyleEditorController::penStyleSelected
                    : &CustomStyleEditorController::notifyStyleModified);
    widgets.pathStyle.signalSelected().connect([this, modified](int64_t) {
        if (_loading) return;
        readWells();
        (_controller.*modified)();
    });
    onChange(widgets.sourceArrow.signal_changed(), &CustomStyleEditorController::notifyStyleModified);
    onChange(widgets.targetArrow.signal_changed(), &CustomStyleEditorController::notifyStyleModified);
    widgets.colorBox.signal_toggled().connect([this, &widgets, modified] {
        widgets.color.set_sensitive(widgets.colorBox.get_active());
        if (_loading) return;
        readWells();
        (_controller.*modified)();
    });
    onChange(widgets.color.signal_color_set(), modified);
}

Gtk::Button& CustomStyleEditorWindow::addButton()
{
    return _toolbarWidgets.at(0)->button(0);
}

Gtk::Button& CustomStyleEditorWindow::deleteButton()
{
    return _toolbarWidgets.at(0)->button(1);
}

Gtk::Button& CustomStyleEditorWindow::moveUpButton()
{
    return _toolbarWidgets.at(1)->button(0);
}

Gtk::Button& CustomStyleEditorWindow::moveDownButton()
{
    return _toolbarWidgets.at(1)->button(1);
}

Gtk::Button& CustomStyleEditorWindow::saveButton()
{
    return _toolbarWidgets.at(2)->button(0);
}

Gtk::Button& CustomStyleEditorWindow::saveAsButton()
{
    return _toolbarWidgets.at(2)->button(1);
}

CustomStyleEditorWindow& CustomStyleEditorWindow::shared()
{
    auto& editor = sharedEditor();
    if (!editor) {
        const MindMapStore* store = MindMapStore::mindMapStoreInstance();
        editor = std::make_unique<CustomStyleEditorWindow>(store ? store->documentsDirectory()
                                                                 : CustomStyleSheet::customStylesDirectory());
    }
    return *editor;
}

bool CustomStyleEditorWindow::exists()
{
    return sharedEditor() != nullptr;
}

void CustomStyleEditorWindow::editStyleSheet(const std::shared_ptr<StyleSheet>& style)
{
    if (!style) return;
    CustomStyleEditorWindow& editor = shared();
    editor._controller.loadStyle(style);
    editor.present();
}

void CustomStyleEditorWindow::closeShared()
{
    if (!exists()) return;
    CustomStyleEditorWindow& editor = *sharedEditor();
    editor._controller.windowShouldClose();
    editor.closeWindow();
}

void CustomStyleEditorWindow::readWells()
{
    CustomStyleControls& c = _controller.controls();
    if (!_transparent.get_active()) c.fillWell = fromRGBA(_fill.get_rgba());
    c.transparent = _transparent.get_active();
    c.strokeWell = fromRGBA(_stroke.get_rgba());
    c.backgroundWell = fromRGBA(_background.get_rgba());
    c.fontWell = fromRGBA(_font.get_rgba());
    // The well shows the shadow opaque; the style takes it with its own alpha.
    c.shadowWell = fromRGBA(_shadow.get_rgba()).withAlpha(1.0);
    c.enableShadow = _enableShadow.get_active();
    c.levelBased = selectedTag(_levelBased, 0) != 0;
    c.borderStyle = selectedTag(_borderStyle, 0);
    c.borderWidthBox = _borderWidthBox.get_active();
    c.borderWidth = _borderWidth.get_value();
    if (const auto alignment = _alignment.selected()) c.alignment = int32_t(*alignment);
    c.connectionStyle = selectedTag(_connectionStyle, 0);
    const auto readRelation = [](const CustomStyleRelationWidgets& widgets, CustomStyleRelationControls& controls) {
        controls.lineStyle = selectedTag(widgets.lineStyle, 1);
        controls.pathStyle = int32_t(widgets.pathStyle.selected().value_or(0));
        controls.sourceArrow = selectedTag(widgets.sourceArrow, 0);
        controls.targetArrow = selectedTag(widgets.targetArrow, 0);
        controls.colorBox = widgets.colorBox.get_active();
        controls.color = fromRGBA(widgets.color.get_rgba());
    };
    readRelation(_parent, c.parent);
    readRelation(_cross, c.cross);
}

void CustomStyleEditorWindow::showRelation(CustomStyleRelationWidgets& widgets, const CustomStyleRelationControls& c)
{
    widgets.lineStyle.set_active_id(std::to_string(c.lineStyle));
    widgets.pathStyle.select(c.pathStyle);
    widgets.sourceArrow.set_active_id(std::to_string(c.sourceArrow));
    widgets.targetArrow.set_active_id(std::to_string(c.targetArrow));
    widgets.colorBox.set_active(c.colorBox);
    widgets.color.set_rgba(toRGBA(c.color));
    widgets.color.set_sensitive(c.colorBox);
}

void CustomStyleEditorWindow::controlsChanged()
{
    const CustomStyleControls& c = _controller.controls();
    _loading = true;
    _fill.set_rgba(toRGBA(c.transparent ? Color::white() : c.fillWell));
    _fill.set_sensitive(!c.transparent);
    _transparent.set_active(c.transparent);
    _stroke.set_rgba(toRGBA(c.strokeWell));
    _derive.set_active(c.deriveStrokeColor);
    _background.set_rgba(toRGBA(c.backgroundWell));
    _font.set_rgba(toRGBA(c.fontWell));
    _shadow.set_rgba(toRGBA(c.shadowWell));
    _enableShadow.set_active(c.enableShadow);
    _levelBased.set_active_id(c.levelBased ? "1" : "0");
    _borderStyle.set_active_id(std::to_string(c.borderStyle));
    _borderWidthBox.set_active(c.borderWidthBox);
    _borderWidth.set_value(c.borderWidth);
    _borderWidth.set_sensitive(c.borderWidthBox);
    _borderWidthLabel.set_text(widthText(c.borderWidth));
    _alignment.select(c.alignment ? std::optional<int64_t>(*c.alignment) : std::nullopt);
    _connectionStyle.set_active_id(std::to_string(c.connectionStyle));
    showRelation(_parent, c.parent);
    showRelation(_cross, c.cross);
    _loading = false;
}

void CustomStyleEditorWindow::previewChanged()
{
    _preview.queue_draw();
}

void CustomStyleEditorWindow::modifiedChanged(bool modified)
{
    set_title((modified ? "• " : "") + _controller.title());
}

void CustomStyleEditorWindow::titleChanged(const std::string& title)
{
    set_title((_controller.isModified() ? "• " : "") + title);
}

void CustomStyleEditorWindow::closeWindow()
{
    _controller.windowWillClose();
    hide();
    // The next use starts from a fresh window; the window goes once GTK has finished with it.
    auto& editor = sharedEditor();
    if (editor.get() == this)
        Glib::signal_idle().connect_once([doomed = std::shared_ptr<CustomStyleEditorWindow>(editor.release())] {});
}

bool CustomStyleEditorWindow::on_delete_event(GdkEventAny*)
{
    _controller.windowShouldClose();
    closeWindow();
    return true;
}

void installCustomStyleEditor()
{
    MainWindowActions::setCustomStyleEditor(
        [](const std::shared_ptr<StyleSheet>& style) { CustomStyleEditorWindow::editStyleSheet(style); },
        [] { CustomStyleEditorWindow::closeShared(); });
}
