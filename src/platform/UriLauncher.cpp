#include "platform/UriLauncher.h"

#include "platform/AlertPanel.h"
#include "platform/Localizer.h"

#include <glib.h>

#include <filesystem>

namespace {

constexpr int64_t LaunchFailedCode = 30;

class RefusingUriLauncher : public UriLauncher {
public:
    bool openURL(const std::string& uri, Error* error) override { return setError(error, openError(uri)); }
};

UriLauncher* gUriLauncher = nullptr;

} // namespace

bool UriLauncher::showInFileManager(const std::string& path, Error* error, Outcome /*outcome*/)
{
    return setError(error, showError(std::filesystem::path(path).parent_path().string()));
}

Error UriLauncher::launchError(const std::string& reason)
{
    return MakeAppError(LaunchFailedCode, localized("launch_failed_description"),
                        reason.empty() ? localized("launch_failed_no_program") : reason);
}

Error UriLauncher::openError(const std::string& uri, const std::string& reason)
{
    std::string name = uri;
    if (gchar* path = g_filename_from_uri(uri.c_str(), nullptr, nullptr)) {
        name = path;
        g_free(path);
    }
    Error error = launchError(reason);
    error.localizedDescription = localizedFormat("launch_failed_named", {name});
    return error;
}

Error UriLauncher::showError(const std::string& folder, const std::string& reason)
{
    Error error = launchError(reason);
    error.localizedDescription = localizedFormat("show_folder_failed_named", {folder});
    return error;
}

std::string UriLauncher::failureText(const Error& error)
{
    if (!error.failureReason.empty()) return error.failureReason;
    return error.localizedDescription.empty() ? localized("launch_failed_no_program") : error.localizedDescription;
}

std::string UriLauncher::failureMessage(const Error& error)
{
    const std::string what =
        error.localizedDescription.empty() ? localized("launch_failed_description") : error.localizedDescription;
    return localizedFormat("launch_failed_line", {what, failureText(error)});
}

void UriLauncher::reportFailure(const Error& error)
{
    AlertPanel::Request request;
    request.style = AlertPanel::Style::Warning;
    request.messageText =
        error.localizedDescription.empty() ? localized("launch_failed_title") : error.localizedDescription;
    request.informativeText = localizedFormat("launch_failed_reason", {failureText(error)});
    request.buttons = {{localized("ok_button_title"), "\r"}};
    AlertPanel::shared().runModal(request);
}

void UriLauncher::setShared(UriLauncher* launcher)
{
    gUriLauncher = launcher;
}

UriLauncher& UriLauncher::shared()
{
    static RefusingUriLauncher refusing;
    return gUriLauncher ? *gUriLauncher : refusing;
}
