#include "platform/gtk/GtkUriLauncher.h"

#include <giomm.h>

#include <cstdio>

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
