#include "platform/gtk/GtkUriLauncher.h"

#include "platform/Localizer.h"

#include <giomm.h>

#include <vector>

namespace {

constexpr int FileManagerTimeoutMilliseconds = 5000;

bool launchDefault(const std::string& uri, Error* error)
{
    try {
        if (Gio::AppInfo::launch_default_for_uri(uri)) return true;
        return setError(error, UriLauncher::openError(uri));
    } catch (const Glib::Error& failure) {
        return setError(error, UriLauncher::openError(uri, failure.what()));
    }
}

// The folder stands in for a file manager that cannot select the file in it; what did not show
// then is the folder.
bool openFolderOf(const std::string& path, Error* error)
{
    const std::string folder = Glib::path_get_dirname(path);
    Error failure;
    try {
        if (launchDefault(Glib::filename_to_uri(folder), &failure)) return true;
    } catch (const Glib::Error& invalid) {
        failure.failureReason = invalid.what();
    }
    return setError(error, UriLauncher::showError(folder, failure.failureReason));
}

} // namespace

bool GtkUriLauncher::openURL(const std::string& uri, Error* error)
{
    // A URI comes from a map the user may have been sent: only one with a scheme goes to the
    // desktop, never a bare text that a handler might take for a command line or a local path.
    if (Glib::uri_parse_scheme(uri).empty())
        return setError(error, openError(uri, localized("launch_failed_no_scheme")));
    return launchDefault(uri, error);
}

bool GtkUriLauncher::showInFileManager(const std::string& path, Error* error, Outcome outcome)
{
    std::string uri;
    Glib::RefPtr<Gio::DBus::Connection> bus;
    try {
        uri = Glib::filename_to_uri(path);
        bus = Gio::DBus::Connection::get_sync(Gio::DBus::BUS_TYPE_SESSION);
    } catch (const Glib::Error& failure) {
        if (uri.empty()) return setError(error, showError(Glib::path_get_dirname(path), failure.what()));
    }
    if (!bus) {
        if (!openFolderOf(path, error)) return false;
        if (outcome) outcome(nullptr);
        return true;
    }
    const std::vector<Glib::ustring> items{uri};
    const Glib::VariantContainerBase parameters = Glib::VariantContainerBase::create_tuple(
        {Glib::Variant<std::vector<Glib::ustring>>::create(items), Glib::Variant<Glib::ustring>::create("")});
    // Asked without waiting: a file manager that is slow to start must not hold up the editor.
    // Having answered, the launcher alone hears how it went: it tells the caller, or reports a
    // failure itself.
    bus->call(
        "/org/freedesktop/FileManager1", "org.freedesktop.FileManager1", "ShowItems", parameters,
        [bus, path, outcome](Glib::RefPtr<Gio::AsyncResult>& result) {
            Error failure;
            bool shown = true;
            try {
                bus->call_finish(result);
            } catch (const Glib::Error&) {
                shown = openFolderOf(path, &failure);
            }
            if (outcome) outcome(shown ? nullptr : &failure);
            else if (!shown) reportFailure(failure);
        },
        "org.freedesktop.FileManager1", FileManagerTimeoutMilliseconds);
    return true;
}
