#include "platform/gtk/GtkUriLauncher.h"

#include <giomm.h>

#include <cstdio>
#include <vector>

namespace {

constexpr int FileManagerTimeoutMilliseconds = 5000;

void openFolderOf(const std::string& path)
{
    try {
        const std::string folder = Glib::path_get_dirname(path);
        Gio::AppInfo::launch_default_for_uri(Glib::filename_to_uri(folder));
    } catch (const Glib::Error& error) {
        std::fprintf(stderr, "Tarnwick: the folder of a linked file could not be opened: %s\n", error.what().c_str());
    }
}

} // namespace

bool GtkUriLauncher::openURL(const std::string& uri)
{
    // A URI comes from a map the user may have been sent: only one with a scheme goes to the
    // desktop, never a bare text that a handler might take for a command line or a local path.
    if (Glib::uri_parse_scheme(uri).empty()) return false;
    try {
        return Gio::AppInfo::launch_default_for_uri(uri);
    } catch (const Glib::Error& error) {
        std::fprintf(stderr, "Tarnwick: a link could not be opened: %s\n", error.what().c_str());
        return false;
    }
}

bool GtkUriLauncher::showInFileManager(const std::string& path)
{
    std::string uri;
    Glib::RefPtr<Gio::DBus::Connection> bus;
    try {
        uri = Glib::filename_to_uri(path);
        bus = Gio::DBus::Connection::get_sync(Gio::DBus::BUS_TYPE_SESSION);
    } catch (const Glib::Error&) {
    }
    if (uri.empty()) return false;
    if (!bus) {
        openFolderOf(path);
        return true;
    }
    const std::vector<Glib::ustring> items{uri};
    const Glib::VariantContainerBase parameters = Glib::VariantContainerBase::create_tuple(
        {Glib::Variant<std::vector<Glib::ustring>>::create(items), Glib::Variant<Glib::ustring>::create("")});
    // Asked without waiting: a file manager that is slow to start must not hold up the editor.
    bus->call(
        "/org/freedesktop/FileManager1", "org.freedesktop.FileManager1", "ShowItems", parameters,
        [bus, path](Glib::RefPtr<Gio::AsyncResult>& result) {
            try {
                bus->call_finish(result);
            } catch (const Glib::Error&) {
                openFolderOf(path);
            }
        },
        "org.freedesktop.FileManager1", FileManagerTimeoutMilliseconds);
    return true;
}
