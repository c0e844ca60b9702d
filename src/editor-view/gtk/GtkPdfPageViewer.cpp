#include "editor-view/gtk/GtkPdfPageViewer.h"

#include "Utils/LinkLaunchPolicy.h"
#include "Utils/URLUtils.h"
#include "platform/UriLauncher.h"

#include <giomm.h>
#include <glibmm.h>

#include <cstdio>

bool GtkPdfPageViewer::openPdfFile(const std::string& path, int64_t pageNumber)
{
    // The file is judged as any linked file is: one that would run is left to the caller.
    const LinkLaunchDecision decision = decideLinkLaunch(fileURLWithPath(path));
    if (decision.action != LinkLaunchAction::Open) return false;
    const std::string file = pathWithFileURL(decision.target);
    if (Glib::RefPtr<Gio::AppInfo> viewer = Gio::AppInfo::get_default_for_type("application/pdf")) {
        if (const auto command = PdfPreviewManager::pageCommandLine(viewer->get_executable(), file, pageNumber)) {
            try {
                Glib::spawn_async("", *command, Glib::SPAWN_SEARCH_PATH);
                return true;
            } catch (const Glib::Error& error) {
                std::fprintf(stderr, "Tarnwick: the PDF viewer did not start: %s\n", error.what().c_str());
            }
        }
    }
    return UriLauncher::shared().openURL(decision.target);
}
