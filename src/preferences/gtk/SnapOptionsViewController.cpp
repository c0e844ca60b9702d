#include "preferences/gtk/SnapOptionsViewController.h"

#include "layout/SnapEngine.h"
#include "platform/Localizer.h"
#include "platform/gtk/LabelledField.h"

#include <gtkmm/frame.h>
#include <gtkmm/label.h>

#include <cmath>

SnapOptionsViewController::SnapOptionsViewController(const PreferencePaneInfo& info)
    : PreferencePane(info), _model(SnapEngineOptions::instance())
{
}

Gtk::Widget& SnapOptionsViewController::loadView()
{
    _loading = true;
    _snapEnabled.set_label(localized("snap_enabled_title"));
    _box.pack_start(_snapEnabled, Gtk::PACK_SHRINK);
    auto* hint = Gtk::make_managed<Gtk::Label>(localized("snap_enabled_hint_mac"));
    hint->set_halign(Gtk::ALIGN_START);
    hint->set_margin_start(24);
    hint->get_style_context()->add_class("dim-label");
    _box.pack_start(*hint, Gtk::PACK_SHRINK);
    auto* guides = Gtk::make_managed<Gtk::Label>(localized("snap_to_guide_lines"));
    guides->set_halign(Gtk::ALIGN_START);
    _box.pack_start(*guides, Gtk::PACK_SHRINK);

    auto* boxes = Gtk::make_managed<Gtk::Box>(Gtk::ORIENTATION_HORIZONTAL, 12);
    for (int group = 0; group < 2; ++group) {
        auto* frame =
            Gtk::make_managed<Gtk::Frame>(localized(group == 0 ? "snap_horizontal_guides" : "snap_vertical_guides"));
        auto* column = Gtk::make_managed<Gtk::Box>(Gtk::ORIENTATION_VERTICAL, 4);
        column->set_border_width(8);
        for (size_t i = size_t(group) * 3; i < size_t(group) * 3 + 3; ++i) {
            _guideLines[i].set_label(localized(SnapOptionsModel::GuideLineTitleKeys[i]));
            _guideLines[i].signal_toggled().connect([this] { snapOptionsChanged(); });
            column->pack_start(_guideLines[i], Gtk::PACK_SHRINK);
        }
        frame->add(*column);
        boxes->pack_start(*frame, Gtk::PACK_EXPAND_WIDGET);
    }
    _box.pack_start(*boxes, Gtk::PACK_SHRINK);

    _snapToGrid.set_label(localized("snap_to_grid"));
    _box.pack_start(_snapToGrid, Gtk::PACK_SHRINK);
    auto* grid = Gtk::make_managed<Gtk::Box>(Gtk::ORIENTATION_HORIZONTAL, 8);
    grid->set_margin_start(24);
    auto* gridSizeLabel = Gtk::make_managed<Gtk::Label>(localized("snap_grid_size"));
    labelField(*gridSizeLabel, _gridSize);
    grid->pack_start(*gridSizeLabel, Gtk::PACK_SHRINK);
    // Wider than the options take: what is typed is clamped when stored, and stays as typed.
    _gridSize.set_range(0, 9999);
    _gridSize.set_increments(1, 10);
    _gridSize.set_digits(0);
    _gridSize.set_numeric(true);
    _gridSize.set_width_chars(5);
    _gridSize.set_update_policy(Gtk::UPDATE_IF_VALID);
    grid->pack_start(_gridSize, Gtk::PACK_SHRINK);
    _box.pack_start(*grid, Gtk::PACK_SHRINK);

    const SnapOptionsModel::Controls controls = _model.controls();
    _snapEnabled.set_active(controls.snapEnabled);
    for (size_t i = 0; i < _guideLines.size(); ++i) _guideLines[i].set_active(controls.guideLines[i]);
    _snapToGrid.set_active(controls.snapToGrid);
    _gridSize.set_value(double(controls.gridSize));
    _loading = false;

    _snapEnabled.signal_toggled().connect([this] { snapOptionsChanged(); });
    _snapToGrid.signal_toggled().connect([this] { snapGridLinesChange(); });
    _gridSize.signal_value_changed().connect([this] { snapOptionsChanged(); });
    snapGridLinesChange();
    return _box;
}

void SnapOptionsViewController::snapOptionsChanged()
{
    if (!_loading) commit();
}

void SnapOptionsViewController::snapGridLinesChange()
{
    _gridSize.set_sensitive(_snapToGrid.get_active());
    if (!_loading) commit();
}

void SnapOptionsViewController::commit()
{
    SnapOptionsModel::Controls controls;
    controls.snapEnabled = _snapEnabled.get_active();
    for (size_t i = 0; i < _guideLines.size(); ++i) controls.guideLines[i] = _guideLines[i].get_active();
    controls.snapToGrid = _snapToGrid.get_active();
    controls.gridSize = static_cast<int64_t>(std::lround(_gridSize.get_value()));
    _model.commit(controls);
}

bool SnapOptionsViewController::commitEditing()
{
    // A size typed but not yet entered counts, as it would on leaving the field.
    _gridSize.update();
    commit();
    return true;
}
