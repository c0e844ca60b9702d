#pragma once

#include "panels/gtk/FontSelectorWidget.h"
#include "preferences/GlobalFontsModel.h"
#include "preferences/gtk/PreferencePane.h"

#include <gtkmm/box.h>
#include <gtkmm/label.h>
#include <gtkmm/scale.h>

#include <memory>
#include <vector>

// The fonts pane: the five fonts of new maps and the editor's scale, which the canvas follows
// while the slider moves.
class GlobalFontsViewController : public PreferencePane {
public:
    explicit GlobalFontsViewController(const PreferencePaneInfo& info);
    ~GlobalFontsViewController() override;

    void masViewWillAppear() override;
    void masViewDidDisappear() override;
    bool masFocusesFirstControl() const override { return false; }

    GlobalFontsModel& model() { return _model; }
    Gtk::Scale& scaleSlider() { return _scaleSlider; }
    Gtk::Label& scaleLabel() { return _scaleLabel; }

protected:
    Gtk::Widget& loadView() override;

private:
    GlobalFontsModel _model;
    Gtk::Box _box{Gtk::ORIENTATION_VERTICAL, 8};
    std::vector<std::unique_ptr<FontSelectorWidget>> _wells;
    Gtk::Scale _scaleSlider{Gtk::ORIENTATION_HORIZONTAL};
    Gtk::Label _scaleLabel;
};
