#include "preferences/MaintenanceModel.h"

#include "Utils/URLUtils.h"
#include "platform/AlertPanel.h"
#include "platform/Localizer.h"
#include "platform/UriLauncher.h"
#include "platform/UserDefaults.h"

namespace {

// The one alert of a store folder that could not be shown, with the help page offered. It may come
// after the pane is gone, when the file manager answers late: it keeps what it needs.
void reportStoreFolderFailure(const MaintenanceModel::Services& services, const std::string& directory,
                              const Error& error)
{
    AlertPanel& alerts = services.alerts ? *services.alerts : AlertPanel::shared();
    AlertPanel::Request request;
    request.messageText = localized("local_store_open_error_message");
    request.informativeText = localizedFormat("launch_failed_message", {directory, UriLauncher::failureText(error)}) +
        "\n\n" + localized("local_store_hidden_library_message");
    request.style = AlertPanel::Style::Informational;
    request.buttons = {{localized("ok_button_title"), "\r"}, {localized("help_ad_dialog_help_button"), ""}};
    // The second button stands for the help tag.
    if (alerts.runModal(request).button == AlertPanel::FirstButtonReturn + 1 && services.sendAction)
        services.sendAction(MaintenanceModel::HelpAction);
}

} // namespace

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
    const auto shown = [services = _services, directory](const Error* failure) {
        if (failure) reportStoreFolderFailure(services, directory, *failure);
    };
    if (!directory.empty() &&
        (launcher.showInFileManager(directory, &error, shown) || launcher.openURL(fileURLWithPath(directory), &error)))
        return;
    reportStoreFolderFailure(_services, directory, error);
}

void MaintenanceModel::openWebFaq()
{
    if (_services.sendAction) _services.sendAction(HelpAction);
}
