#include "preferences/gtk/MaintenanceViewController.h"

#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "platform/gtk/LabelledField.h"
#include "store/MindMapStore.h"

#include <gtkmm/label.h>

namespace {

constexpr const char* kModeTitleKeys[3] = {"local_store_import_overwrite_none", "local_store_import_overwrite_newer",
                                           "local_store_import_overwrite_all"};

Gtk::Label* wrappedLabel(const std::string& text, bool dim)
{
    auto* label = Gtk::make_managed<Gtk::Label>(text);
    label->set_halign(Gtk::ALIGN_START);
    label->set_xalign(0);
    label->set_line_wrap(true);
    label->set_max_width_chars(60);
    if (dim) label->get_style_context()->add_class("dim-label");
    return label;
}

} // namespace

MaintenanceViewController::MaintenanceViewController(const PreferencePaneInfo& info,
                                                     MaintenanceModel::Services services)
    : PreferencePane(info), _model(UserDefaults::standard(), std::move(services))
{
}

Gtk::Widget& MaintenanceViewController::loadView()
{
    MindMapStore* store = MindMapStore::existingInstance();
    _path.set_text(store ? store->documentsDirectory() : std::string());
    _path.set_editable(false);
    _path.set_width_chars(48);
    _box.pack_start(_path, Gtk::PACK_SHRINK);
    auto* pathRow = Gtk::make_managed<Gtk::Box>(Gtk::ORIENTATION_HORIZONTAL, 8);
    Gtk::Label* pathCaption = wrappedLabel(localized("local_store_directory_description"), true);
    labelField(*pathCaption, _path);
    pathRow->pack_start(*pathCaption, Gtk::PACK_EXPAND_WIDGET);
    _help.set_label(localized("help_ad_dialog_help_button"));
    _reveal.set_label(localized("local_store_show_directory_in_finder_mac"));
    pathRow->pack_end(_reveal, Gtk::PACK_SHRINK);
    pathRow->pack_end(_help, Gtk::PACK_SHRINK);
    _box.pack_start(*pathRow, Gtk::PACK_SHRINK);

    _box.pack_start(*wrappedLabel(localized("local_store_export_import_message"), false), Gtk::PACK_SHRINK);
    auto* archive = Gtk::make_managed<Gtk::Box>(Gtk::ORIENTATION_HORIZONTAL, 8);
    _export.set_label(localized("local_store_export_title"));
    _import.set_label(localized("local_store_import_title"));
    archive->pack_start(_export, Gtk::PACK_SHRINK);
    archive->pack_start(_import, Gtk::PACK_SHRINK);
    _box.pack_start(*archive, Gtk::PACK_SHRINK);

    _box.pack_start(*wrappedLabel(localized("local_store_import_options_title"), false), Gtk::PACK_SHRINK);
    Gtk::RadioButton::Group group = _noMode.get_group();
    for (int tag = 0; tag < 3; ++tag) {
        Gtk::RadioButton& radio = _modes[size_t(tag)];
        radio.set_group(group);
        radio.set_label(localized(kModeTitleKeys[tag]));
        radio.set_margin_start(12);
        _box.pack_start(radio, Gtk::PACK_SHRINK);
    }
    const std::optional<int> mode = _model.importMode();
    (mode ? _modes[size_t(*mode)] : _noMode).set_active(true);
    for (int tag = 0; tag < 3; ++tag) {
        Gtk::RadioButton& radio = _modes[size_t(tag)];
        radio.signal_toggled().connect([this, &radio, tag] {
            if (radio.get_active()) _model.importModeChange(tag);
        });
    }

    _help.signal_clicked().connect([this] { _model.openWebFaq(); });
    _reveal.signal_clicked().connect([this] { _model.openStoreDirectory(_path.get_text()); });
    _export.signal_clicked().connect([this] { _model.exportButtonClicked(); });
    _import.signal_clicked().connect([this] { _model.importButtonClicked(); });
    return _box;
}
