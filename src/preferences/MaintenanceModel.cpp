#include "preferences/MaintenanceModel.h"

#include "Utils/URLUtils.h"
#include "platform/AlertPanel.h"
#include "platform/Localizer.h"
#include "platform/UriLauncher.h"
#include "platform/UserDefaults.h"

MaintenanceModel::MaintenanceModel(UserDefaults& defaults, Services services)
    : _defaults(defaults), _services(std::move(services))
{
}

std::optional<int> MaintenanceModel::importMode() const
{
    const int64_t mode = _defaults.integerForKey(StoreImportModeKey);
    if (mode < 0 || mode > 2) return std::nullopt;
    return static_cast<int>(mode);
}

void MaintenanceModel::importModeChange(int tag)
{
    if (tag < 0 || tag > 2) return;
    _defaults.setInteger(StoreImportModeKey, tag);
}

void MaintenanceModel::exportButtonClicked()
{
    if (_services.sendAction) _services.sendAction("exportMindMapStore:");
}

void MaintenanceModel::importButtonClicked()
{
    if (_services.sendAction) _services.sendAction("importMindMapStore:");
}

void MaintenanceModel::openStoreDirectory(const std::string& directory)
{
    UriLauncher& launcher = _services.uriLauncher ? *_services.uriLauncher : UriLauncher::shared();
    Error error = UriLauncher::launchError();
    if (!directory.empty() &&
        (launcher.showInFileManager(directory, &error) || launcher.openURL(fileURLWithPath(directory), &error)))
        return;
    const std::string reason = error.failureReason.empty() ? error.localizedDescription : error.failureReason;
    AlertPanel& alerts = _services.alerts ? *_services.alerts : AlertPanel::shared();
    AlertPanel::Request request;
    request.messageText = localized("local_store_open_error_message");
    request.informativeText = localizedFormat("launch_failed_message", {directory, reason}) + "\n\n" +
        localized("local_store_hidden_library_message");
    request.style = AlertPanel::Style::Informational;
    request.buttons = {{localized("ok_button_title"), "\r"}, {localized("help_ad_dialog_help_button"), ""}};
    // The second button stands for the help tag.
    if (alerts.runModal(request).button == AlertPanel::FirstButtonReturn + 1) openWebFaq();
}

void MaintenanceModel::openWebFaq()
{
    if (_services.sendAction) _services.sendAction("showFAQ:");
}
