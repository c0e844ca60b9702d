#pragma once

#include <functional>
#include <optional>
#include <string>

class AlertPanel;
class UriLauncher;
class UserDefaults;

// The maintenance pane without its widgets: how a store import treats maps that exist already,
// the store's folder shown in the file manager, and the store archive commands.
class MaintenanceModel {
public:
    static constexpr const char* StoreImportModeKey = "storeImportMode";
    static constexpr int HelpButtonTag = 1001;
    // The help page's action, answered by the document controller.
    static constexpr const char* HelpAction = "showFAQ:";

    struct Services {
        // Sends the action along the responder chain, as a menu item without target would.
        std::function<void(const std::string& action)> sendAction;
        UriLauncher* uriLauncher = nullptr;
        AlertPanel* alerts = nullptr;
    };

    MaintenanceModel(UserDefaults& defaults, Services services);

    // The radio to turn on; none for a stored value other than 0, 1 or 2.
    std::optional<int> importMode() const;
    void importModeChange(int tag);

    void exportButtonClicked();
    void importButtonClicked();
    // The file manager shows the folder; else the folder opens in what the desktop opens folders
    // with; else an alert says so and offers the help page.
    void openStoreDirectory(const std::string& directory);
    void openWebFaq();

private:
    UserDefaults& _defaults;
    Services _services;
};
