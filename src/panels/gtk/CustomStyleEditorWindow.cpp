#include "panels/gtk/CustomStyleEditorWindow.h"

#include "Editor/StylingMenus.h"
#include "Editor/gtk/MainWindowActions.h"
#include "MindMaps/CustomStyleSheet.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/StyleSheet.h"
#include "platform/Localizer.h"
#include "platform/Menu.h"
#include "store/MindMapStore.h"

namespace {

std::unique_ptr<CustomStyleEditorWindow>& sharedEditor()
{
    static std::unique_ptr<CustomStyleEditorWindow> editor;
    return editor;
}

Gdk::RGBA toRgba(const Color& c)
{
    Gdk::RGBA rgba;
    rgba.set_rgba(c.red(), c.green(), c.blue(), c.alpha());
    return rgba;
}

Color toColor(const Gdk::RGBA& rgba)
{
    return Color(rgba.get_red(), rgba.get_green(), rgba.get_blue(), rgba.get_alpha());
}

void fillFromMenu(Gtk::ComboBoxText& combo, void (*define)(Menu&))
{
    Menu menu;
    define(menu);
    for (const auto& item : menu.items())
        if (!item->isSeparatorItem()) combo.append(std::to_string(item->tag()), item->title());
}

void addWell(Gtk::Grid& grid, int row, const std::string& key, Gtk::Widget& well, Gtk::Widget* extra = nullptr)
{
    auto* label = Gtk::manage(new Gtk::Label(localized(key)));
    label->set_xalign(0);
    grid.attach(*label, 0, row);
    grid.attach(well, 1, row);
    if (extra) grid.attach(*extra, 2, row);
}

} // namespace

CustomStyleEditorWindow::CustomStyleEditorWindow(const std::string& documentsDirectory)
    : _controller(*this, documentsDirectory), _preview(_controller)
{
    set_default_size(760, 520);
    _add.set_label(localized("add_palette_color"));
    _delete.set_label(localized("editor_menu_delete"));
    _up.set_label(localized("action_move_up"));
    _down.set_label(localized("action_move_down"));
    _save.set_label(localized("action_save_document"));
    _saveAs.set_label(localized("action_save_document_as"));
    // Three pairs, as the toolbar groups them: the palette, its order and saving.
    for (auto pair : {std::pair{&_add, &_delete}, std::pair{&_up, &_down}, std::pair{&_save, &_saveAs}}) {
        auto* linked = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 0));
        linked->get_style_context()->add_class("linked");
        linked->pack_start(*pair.first, Gtk::PACK_SHRINK);
        linked->pack_start(*pair.second, Gtk::PACK_SHRINK);
        _toolbar.pack_start(*linked, Gtk::PACK_SHRINK);
    }
    _add.signal_clicked().connect([this] { _controller.addEntry(); });
    _delete.signal_clicked().connect([this] { _controller.deleteEntry(); });
    _up.signal_clicked().connect([this] { _controller.moveEntryUp(); });
    _down.signal_clicked().connect([this] { _controller.moveEntryDown(); });
    _save.signal_clicked().connect([this] { _controller.saveStyle(); });
    _saveAs.signal_clicked().connect([this] { _controller.saveStyleAs(); });

    _fill.set_use_alpha(true);
    _transparent.set_label(localized("node_style_transparent"));
    _derive.set_label(localized("custom_style_editor_derive_stroke_color"));
    _enableShadow.set_label(localized("map_style_enable_shadow"));
    _wells.set_row_spacing(6);
    _wells.set_column_spacing(8);
    addWell(_wells, 0, "node_style_fill_color", _fill, &_transparent);
    addWell(_wells, 1, "node_style_stroke_color", _stroke, &_derive);
    addWell(_wells, 2, "map_style_background_color_section", _background);
    addWell(_wells, 3, "map_style_text_color", _font);
    addWell(_wells, 4, "map_style_shadow_color", _shadow, &_enableShadow);
    fillFromMenu(_borderStyle, DefineNodeBorderStyleItems);
    fillFromMenu(_lineStyle, DefineRelationLineStyleItems);
    addWell(_wells, 5, "node_style_border_style", _borderStyle);
    addWell(_wells, 6, "relation_style_line_style", _lineStyle);

    auto changed = [this](void (CustomStyleEditorController::*action)()) {
        return [this, action] {
            if (_loading) return;
            readWells();
            (_controller.*action)();
        };
    };
    _fill.signal_color_set().connect(changed(&CustomStyleEditorController::fillColorSelected));
    _stroke.signal_color_set().connect(changed(&CustomStyleEditorController::strokeColorSelected));
    _background.signal_color_set().connect(changed(&CustomStyleEditorController::backgroundColorSelected));
    _font.signal_color_set().connect(changed(&CustomStyleEditorController::fontColorSelected));
    _shadow.signal_color_set().connect(changed(&CustomStyleEditorController::shadowColorSelected));
    _enableShadow.signal_toggled().connect(changed(&CustomStyleEditorController::shadowColorSelected));
    _transparent.signal_toggled().connect(changed(&CustomStyleEditorController::transparentClicked));
    _borderStyle.signal_changed().connect(changed(&CustomStyleEditorController::borderStyleSelected));
    _lineStyle.signal_changed().connect(changed(&CustomStyleEditorController::penStyleSelected));
    _derive.signal_toggled().connect([this] {
        if (!_loading) _controller.controls().deriveStrokeColor = _derive.get_active();
    });

    _preview.set_size_request(500, 400);
    _preview.signal_size_allocate().connect([this](Gtk::Allocation& a) {
        _controller.setPreviewSize({double(a.get_width()), double(a.get_height())});
    });
    auto* body = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 12));
    body->pack_start(_preview, Gtk::PACK_EXPAND_WIDGET);
    body->pack_start(_wells, Gtk::PACK_SHRINK);
    _content.set_border_width(12);
    _content.pack_start(_toolbar, Gtk::PACK_SHRINK);
    _content.pack_start(*body, Gtk::PACK_EXPAND_WIDGET);
    add(_content);
    show_all_children();
    controlsChanged();
    set_title(_controller.title());
}

CustomStyleEditorWindow::~CustomStyleEditorWindow() = default;

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
    if (!_transparent.get_active()) c.fillWell = toColor(_fill.get_rgba());
    c.transparent = _transparent.get_active();
    c.strokeWell = toColor(_stroke.get_rgba());
    c.backgroundWell = toColor(_background.get_rgba());
    c.fontWell = toColor(_font.get_rgba());
    // The well shows the shadow opaque; the style takes it with its own alpha.
    c.shadowWell = toColor(_shadow.get_rgba()).withAlpha(1.0);
    c.enableShadow = _enableShadow.get_active();
    const std::string border = _borderStyle.get_active_id();
    c.borderStyle = border.empty() ? 0 : std::stoi(border);
    const std::string line = _lineStyle.get_active_id();
    c.parent.lineStyle = line.empty() ? 1 : std::stoi(line);
}

void CustomStyleEditorWindow::controlsChanged()
{
    const CustomStyleControls& c = _controller.controls();
    _loading = true;
    _fill.set_rgba(toRgba(c.transparent ? Color::white() : c.fillWell));
    _fill.set_sensitive(!c.transparent);
    _transparent.set_active(c.transparent);
    _stroke.set_rgba(toRgba(c.strokeWell));
    _derive.set_active(c.deriveStrokeColor);
    _background.set_rgba(toRgba(c.backgroundWell));
    _font.set_rgba(toRgba(c.fontWell));
    _shadow.set_rgba(toRgba(c.shadowWell));
    _enableShadow.set_active(c.enableShadow);
    _borderStyle.set_active_id(std::to_string(c.borderStyle));
    _lineStyle.set_active_id(std::to_string(c.parent.lineStyle));
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
