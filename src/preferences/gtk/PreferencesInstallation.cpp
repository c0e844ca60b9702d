#include "preferences/gtk/PreferencesInstallation.h"

#include "Editor/CommandRouter.h"
#include "preferences/gtk/GeneralOptionsViewController.h"
#include "preferences/gtk/GlobalFontsViewController.h"
#include "preferences/gtk/ImageSettingsViewController.h"
#include "preferences/gtk/MaintenanceViewController.h"
#include "preferences/gtk/PreferencesWindow.h"
#include "preferences/gtk/SnapOptionsViewController.h"

#include <string>

void installPreferences()
{
    PreferencesWindow::setPaneFactory([](const PreferencePaneInfo& info) -> std::unique_ptr<PreferencePane> {
        const std::string identifier = info.identifier;
        if (identifier == "GeneralOptions") return std::make_unique<GeneralOptionsViewController>(info);
        if (identifier == "SnapOptions") return std::make_unique<SnapOptionsViewController>(info);
        if (identifier == "GlobalFonts") return std::make_unique<GlobalFontsViewController>(info);
        if (identifier == "ImageOptions") return std::make_unique<ImageSettingsViewController>(info);
        if (identifier == "Maintenance") {
            MaintenanceModel::Services services;
            // Without a target, as a menu item sends it: whichever window is key, the store
            // commands reach the application.
            services.sendAction = [](const std::string& action) {
                CommandRouter::shared().sendAction(action, nullptr, nullptr);
            };
            return std::make_unique<MaintenanceViewController>(info, std::move(services));
        }
        return nullptr;
    });
    PreferencesWindowController::setInstalledViewFactory(
        [](std::span<const PreferencePaneInfo> panes, double minimumWidth) -> std::unique_ptr<PreferencesView> {
            return std::make_unique<PreferencesWindow>(panes, minimumWidth);
        });
}
