#include "platform/UriLauncher.h"

#include "platform/AlertPanel.h"
#include "platform/Localizer.h"

namespace {

constexpr int64_t LaunchFailedCode = 30;

class RefusingUriLauncher : public UriLauncher {
public:
    bool openURL(const std::string&, Error* error) override { return setError(error, launchError()); }
};

UriLauncher* gUriLauncher = nullptr;

} // namespace

bool UriLauncher::showInFileManager(const std::string& /*path*/, Error* error, Outcome /*outcome*/)
{
    return setError(error, launchError());
}

Error UriLauncher::launchError(const std::string& reason)
{
    return MakeAppError(LaunchFailedCode, localized("launch_failed_description"),
                        reason.empty() ? localized("launch_failed_no_program") : reason);
}

std::string UriLauncher::failureText(const Error& error)
{
    if (!error.failureReason.empty()) return error.failureReason;
    return error.localizedDescription.empty() ? localized("launch_failed_no_program") : error.localizedDescription;
}

void UriLauncher::reportFailure(const std::string& target, const Error& error)
{
    AlertPanel::Request request;
    request.style = AlertPanel::Style::Warning;
    request.messageText = localized("launch_failed_title");
    request.informativeText = localizedFormat("launch_failed_message", {target, failureText(error)});
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
