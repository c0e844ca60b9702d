#include "GoogleDrive/gtk/GDriveExplorerWidgets.h"

#include "Editor/EditorWindowController.h"
#include "GoogleDrive/GDriveExplorer.h"
#include "GoogleDrive/GDriveProvider.h"
#include "GoogleDrive/GDriveSettings.h"
#include "explorers/ExplorerBrowserController.h"
#include "explorers/ExplorerToolbarSearchField.h"
#include "explorers/gtk/CloudExplorerView.h"
#include "explorers/gtk/ExplorerWidgets.h"
#include "explorers/gtk/GtkFileNameDialog.h"
#include "platform/NotificationCenter.h"
#include "store/MindMapProvider.h"

namespace {

// The side bar's Google Drive tab: the explorer in the main window's mode, offered while Drive is
// connected.
class GDriveSidePaneTab : public SidePaneTab {
public:
    explicit GDriveSidePaneTab(EditorWindowController& window)
        : _window(window), _explorer(MainExplorerMode), _view(_explorer)
    {
        _view.show_all();
        for (const char* name : GDriveExplorer::connectionChangeNotifications()) {
            _observations.push_back(
                NotificationCenter::defaultCenter().addObserver(name, nullptr, [this](const Notification&) {
                    const bool enabled = this->enabled();
                    if (enabled == _wasEnabled) return;
                    _wasEnabled = enabled;
                    _window.syncExplorerSegments();
                }));
        }
    }

    Gtk::Widget& widget() override { return _view; }
    Responder* responder() override { return &_explorer; }

    std::string iconName() const override { return "gdrive_white_16"; }
    std::string title() const override { return _explorer.title(); }
    bool enabled() const override
    {
        GDriveExplorerService* drive = GDriveExplorer::currentService();
        return drive && drive->isAuthorized();
    }
    void setActive(bool active) override { _explorer.setActive(active); }
    std::string providerId() const override { return GDriveProvider::ProviderId; }
    bool takesSearchField() const override { return true; }
    void setSearchField(EditorSearchField* field) override
    {
        _explorer.setSearchBar(ExplorerToolbarSearchField::searchField(field));
    }
    void windowDidUpdate() override { _explorer.windowDidUpdate(); }

private:
    EditorWindowController& _window;
    GDriveExplorer _explorer;
    CloudExplorerView _view;
    bool _wasEnabled = false;
    std::vector<ObservationToken> _observations;
};

} // namespace

void installGoogleDriveExplorer()
{
    // Without a client id there is no Drive to show.
    if (!GDriveSettings::isAvailable()) return;
    static GtkFileNamePrompt prompt;
    if (!FileNamePrompt::shared()) FileNamePrompt::setShared(&prompt);
    registerExplorerWidgetFactory([](MindMapExplorerBase& explorer) -> std::unique_ptr<Gtk::Widget> {
        auto* drive = dynamic_cast<GDriveExplorer*>(&explorer);
        if (!drive) return nullptr;
        return std::make_unique<CloudExplorerView>(*drive);
    });
    ExplorerBrowserController::registerExplorerFactory(
        MindMapProviderGoogleDrive, [](int32_t mode) { return std::make_shared<GDriveExplorer>(mode); });
    registerSidePaneTabFactory(
        [](EditorWindowController& window) { return std::make_unique<GDriveSidePaneTab>(window); });
}
