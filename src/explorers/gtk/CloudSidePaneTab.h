#pragma once

#include "Editor/EditorWindowController.h"
#include "explorers/ExplorerBrowserController.h"
#include "explorers/ExplorerToolbarSearchField.h"
#include "explorers/gtk/CloudExplorerView.h"
#include "explorers/gtk/ExplorerWidgets.h"
#include "explorers/gtk/GtkFileNameDialog.h"
#include "platform/NotificationCenter.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// What a cloud service's side bar tab shows of the service.
struct CloudSidePaneTabTraits {
    std::string iconName;
    std::string providerId;
    // Whether the service is connected, which is when the tab is offered.
    std::function<bool()> connected;
    // The service's notifications after which `connected` may answer otherwise.
    std::vector<const char*> changeNotifications;
};

// The side bar's tab of a cloud service: the service's explorer in the main window's mode. The
// window is told when the tab comes or goes with the service's connection.
template <class Explorer> class CloudSidePaneTab : public SidePaneTab {
public:
    CloudSidePaneTab(EditorWindowController& window, CloudSidePaneTabTraits traits)
        : _window(window), _traits(std::move(traits)), _explorer(MainExplorerMode), _view(_explorer)
    {
        _view.show_all();
        _explorer.setNeedsValidationHandler([&window] { window.setNeedsValidation(); });
        for (const char* name : _traits.changeNotifications) {
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

    std::string iconName() const override { return _traits.iconName; }
    std::string title() const override { return _explorer.title(); }
    bool enabled() const override { return _traits.connected(); }
    void setActive(bool active) override { _explorer.setActive(active); }
    std::string providerId() const override { return _traits.providerId; }
    bool takesSearchField() const override { return true; }
    void setSearchField(EditorSearchField* field) override
    {
        _explorer.setSearchBar(ExplorerToolbarSearchField::searchField(field));
    }
    void windowDidUpdate() override { _explorer.windowDidUpdate(); }

private:
    EditorWindowController& _window;
    CloudSidePaneTabTraits _traits;
    Explorer _explorer;
    CloudExplorerView _view;
    bool _wasEnabled = false;
    std::vector<ObservationToken> _observations;
};

// Shows the service's explorers: in the pick browser, as its side bar tab, and with the desktop's
// name prompt unless another is in place.
template <class Explorer>
void installCloudExplorer(int32_t providerType, std::function<CloudSidePaneTabTraits()> tabTraits)
{
    static GtkFileNamePrompt prompt;
    if (!FileNamePrompt::shared()) FileNamePrompt::setShared(&prompt);
    registerExplorerWidgetFactory([](MindMapExplorerBase& explorer) -> std::unique_ptr<Gtk::Widget> {
        auto* own = dynamic_cast<Explorer*>(&explorer);
        if (!own) return nullptr;
        return std::make_unique<CloudExplorerView>(*own);
    });
    ExplorerBrowserController::registerExplorerFactory(providerType,
                                                       [](int32_t mode) { return std::make_shared<Explorer>(mode); });
    registerSidePaneTabFactory([tabTraits = std::move(tabTraits)](EditorWindowController& window) {
        return std::make_unique<CloudSidePaneTab<Explorer>>(window, tabTraits());
    });
}
