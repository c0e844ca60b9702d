#include "dropbox/gtk/DropboxExplorerWidgets.h"

#include "Editor/EditorWindowController.h"
#include "dropbox/DropboxExplorer.h"
#include "dropbox/DropboxService.h"
#include "dropbox/DropboxSettings.h"
#include "explorers/ExplorerBrowserController.h"
#include "explorers/ExplorerToolbarSearchField.h"
#include "explorers/gtk/CloudExplorerView.h"
#include "explorers/gtk/ExplorerWidgets.h"
#include "explorers/gtk/GtkFileNameDialog.h"
#include "platform/NotificationCenter.h"
#include "store/MindMapProvider.h"

namespace {

// The side bar's Dropbox tab: the explorer in the main window's mode, offered while Dropbox is
// connected.
class DropboxSidePaneTab : public SidePaneTab {
public:
    explicit DropboxSidePaneTab(EditorWindowController& window)
        : _window(window), _explorer(MainExplorerMode), _view(_explorer)
    {
        _view.show_all();
        _stateChanged = NotificationCenter::defaultCenter().addObserver(Dropbox::StateChangeNotification, nullptr,
                                                                        [this](const Notification&) {
                                                                            const bool enabled = this->enabled();
                                                                            if (enabled == _wasEnabled) return;
                                                                            _wasEnabled = enabled;
                                                                            _window.syncExplorerSegments();
                                                                        });
    }

    Gtk::Widget& widget() override { return _view; }
    Responder* responder() override { return &_explorer; }

    std::string iconName() const override { return "dropbox_white_16"; }
    std::string title() const override { return _explorer.title(); }
    bool enabled() const override
    {
        Dropbox* dropbox = Dropbox::instance();
        return dropbox && dropbox->isAuthorized();
    }
    void setActive(bool active) override { _explorer.setActive(active); }
    std::string providerId() const override { return DropboxProvider::ProviderId; }
    bool takesSearchField() const override { return true; }
    void setSearchField(EditorSearchField* field) override
    {
        _explorer.setSearchBar(ExplorerToolbarSearchField::searchField(field));
    }
    void windowDidUpdate() override { _explorer.windowDidUpdate(); }

private:
    EditorWindowController& _window;
    DropboxExplorer _explorer;
    CloudExplorerView _view;
    bool _wasEnabled = false;
    ObservationToken _stateChanged;
};

} // namespace

void installDropboxExplorer()
{
    // Without an app key there is no Dropbox to show.
    if (DropboxSettings::appKey().empty()) return;
    static GtkFileNamePrompt prompt;
    if (!FileNamePrompt::shared()) FileNamePrompt::setShared(&prompt);
    registerExplorerWidgetFactory([](MindMapExplorerBase& explorer) -> std::unique_ptr<Gtk::Widget> {
        auto* dropbox = dynamic_cast<DropboxExplorer*>(&explorer);
        if (!dropbox) return nullptr;
        return std::make_unique<CloudExplorerView>(*dropbox);
    });
    ExplorerBrowserController::registerExplorerFactory(
        MindMapProviderDropbox, [](int32_t mode) { return std::make_shared<DropboxExplorer>(mode); });
    registerSidePaneTabFactory(
        [](EditorWindowController& window) { return std::make_unique<DropboxSidePaneTab>(window); });
}
