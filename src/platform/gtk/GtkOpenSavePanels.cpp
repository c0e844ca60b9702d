#include "platform/gtk/GtkOpenSavePanels.h"

#include "platform/Localizer.h"
#include "platform/gtk/GtkModalRun.h"

#include <gtkmm.h>

#include <algorithm>
#include <map>

namespace {

std::string typePattern(const std::string& type)
{
    // Extensions match whatever their case on disk.
    std::string pattern = "*.";
    for (char c : type) {
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (lower == upper)
            pattern += c == '[' || c == ']' || c == '*' || c == '?' ? std::string("[") + c + "]" : std::string(1, c);
        else pattern += std::string("[") + lower + upper + "]";
    }
    return pattern;
}

// The extension of a file name in lower case; empty without one.
std::string lowercaseExtension(const std::string& path)
{
    const std::string name = Glib::path_get_basename(path);
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) return {};
    std::string extension = name.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

// A filter that asks about every file: its type must be allowed and the caller must accept it.
// Through GTK's own call: the binding's filter info reads every field, and the ones not asked
// for are null.
void addCustomFilter(Gtk::FileChooserDialog& dialog, const std::vector<std::string>& types,
                     const std::function<bool(const std::string&)>& shouldEnable)
{
    struct Test {
        std::vector<std::string> extensions;
        std::function<bool(const std::string&)> shouldEnable;
    };
    auto* test = new Test{{}, shouldEnable};
    for (const std::string& type : types) test->extensions.push_back(lowercaseExtension("." + type));
    auto filter = Gtk::FileFilter::create();
    gtk_file_filter_add_custom(
        filter->gobj(), GTK_FILE_FILTER_FILENAME,
        [](const GtkFileFilterInfo* info, gpointer data) -> gboolean {
            const auto* test = static_cast<const Test*>(data);
            if (!info->filename) return false;
            const std::string path = info->filename;
            const std::vector<std::string>& allowed = test->extensions;
            if (!allowed.empty() &&
                std::find(allowed.begin(), allowed.end(), lowercaseExtension(path)) == allowed.end())
                return false;
            return test->shouldEnable(path);
        },
        test, [](gpointer data) { delete static_cast<Test*>(data); });
    dialog.set_filter(filter);
}

void addTypeFilter(Gtk::FileChooserDialog& dialog, const std::vector<std::string>& types)
{
    if (types.empty()) return;
    auto filter = Gtk::FileFilter::create();
    for (const std::string& type : types) filter->add_pattern(typePattern(type));
    dialog.set_filter(filter);
}

std::map<std::string, GtkOpenSavePanels::SaveAccessoryFactory>& saveAccessoryFactories()
{
    static std::map<std::string, GtkOpenSavePanels::SaveAccessoryFactory> factories;
    return factories;
}

// The index of a type among the allowed ones, whatever its case; the count when it is not there.
size_t typeIndex(const std::vector<std::string>& types, const std::string& type)
{
    const std::string wanted = lowercaseExtension("." + type);
    for (size_t i = 0; i < types.size(); ++i)
        if (lowercaseExtension("." + types[i]) == wanted) return i;
    return types.size();
}

// A save panel whose accessory chooses the type: one filter per type, so that the panel lists the
// files of the type chosen and the answer carries its extension.
std::optional<std::string> runSavePanelWithAccessory(Gtk::FileChooserDialog& dialog,
                                                     const FileChooser::SaveOptions& options)
{
    const std::vector<std::string>& types = options.allowedTypes;
    std::vector<Glib::RefPtr<Gtk::FileFilter>> filters;
    for (const std::string& type : types) {
        auto filter = Gtk::FileFilter::create();
        filter->add_pattern(typePattern(type));
        filter->set_name(type);
        dialog.add_filter(filter);
        filters.push_back(filter);
    }
    if (!filters.empty()) dialog.set_filter(filters.front());
    const std::shared_ptr<FileChooser::SavePanelControl> control = options.accessory->control;
    control->setAllowedType = [&](const std::string& type) {
        const size_t index = typeIndex(types, type);
        if (index == types.size()) return;
        dialog.set_filter(filters[index]);
        // The name typed follows the type, as the panel now lists only files of that type.
        std::string name = dialog.get_current_name();
        if (name.empty()) return;
        const size_t dot = name.find_last_of('.');
        if (dot != std::string::npos && typeIndex(types, name.substr(dot + 1)) != types.size()) name.erase(dot);
        dialog.set_current_name(name + "." + types[index]);
    };
    const auto factory = saveAccessoryFactories().find(options.accessory->content);
    if (factory != saveAccessoryFactories().end())
        if (Gtk::Widget* content = factory->second(options.accessory->model, *control))
            dialog.set_extra_widget(*content);
    const int response = GtkModalRun::run(dialog);
    control->setAllowedType = nullptr;
    if (response != Gtk::RESPONSE_ACCEPT) return std::nullopt;
    std::string path = dialog.get_filename();
    if (path.empty()) return std::nullopt;
    // A name without one of the types gets the one of the filter shown, as the panel promised.
    const auto shown = std::find(filters.begin(), filters.end(), dialog.get_filter());
    if (shown != filters.end() && typeIndex(types, lowercaseExtension(path)) == types.size())
        path += "." + types[static_cast<size_t>(shown - filters.begin())];
    return path;
}

} // namespace

void GtkOpenSavePanels::registerSaveAccessory(const std::string& name, SaveAccessoryFactory factory)
{
    saveAccessoryFactories()[name] = std::move(factory);
}

std::vector<std::string> GtkOpenSavePanels::runOpenPanel(const OpenOptions& options)
{
    Gtk::FileChooserDialog dialog(options.title,
                                  options.canChooseDirectories ? Gtk::FILE_CHOOSER_ACTION_SELECT_FOLDER
                                                               : Gtk::FILE_CHOOSER_ACTION_OPEN);
    dialog.add_button(localized("cancel_button_title"), Gtk::RESPONSE_CANCEL);
    dialog.add_button(localized("ok_button_title"), Gtk::RESPONSE_ACCEPT);
    dialog.set_default_response(Gtk::RESPONSE_ACCEPT);
    dialog.set_select_multiple(options.allowsMultipleSelection);
    if (!options.directory.empty()) dialog.set_current_folder(options.directory);
    if (!options.canChooseDirectories) {
        if (options.shouldEnable) addCustomFilter(dialog, options.allowedTypes, options.shouldEnable);
        else addTypeFilter(dialog, options.allowedTypes);
    }
    if (GtkModalRun::run(dialog) != Gtk::RESPONSE_ACCEPT) return {};
    std::vector<std::string> paths;
    // A name typed into the location field passes no filter: it is asked here too.
    for (const std::string& path : dialog.get_filenames())
        if (!options.shouldEnable || options.shouldEnable(path)) paths.push_back(path);
    return paths;
}

std::optional<std::string> GtkOpenSavePanels::runSavePanel(const SaveOptions& options)
{
    Gtk::FileChooserDialog dialog(options.title, Gtk::FILE_CHOOSER_ACTION_SAVE);
    dialog.add_button(localized("cancel_button_title"), Gtk::RESPONSE_CANCEL);
    dialog.add_button(localized("ok_button_title"), Gtk::RESPONSE_ACCEPT);
    dialog.set_default_response(Gtk::RESPONSE_ACCEPT);
    dialog.set_do_overwrite_confirmation(true);
    if (!options.directory.empty()) dialog.set_current_folder(options.directory);
    if (!options.nameFieldStringValue.empty()) dialog.set_current_name(options.nameFieldStringValue);
    if (options.accessory) return runSavePanelWithAccessory(dialog, options);
    addTypeFilter(dialog, options.allowedTypes);
    if (GtkModalRun::run(dialog) != Gtk::RESPONSE_ACCEPT) return std::nullopt;
    std::string path = dialog.get_filename();
    if (path.empty()) return std::nullopt;
    if (!options.allowedTypes.empty()) {
        const std::string name = path.substr(path.find_last_of('/') + 1);
        if (name.find('.') == std::string::npos) path += "." + options.allowedTypes.front();
    }
    return path;
}
