#pragma once

#include "explorers/MindMapExplorerBase.h"
#include "platform/NotificationCenter.h"

#include <any>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class MindMapProvider;

// The cloud set-up pane: one row per registered cloud provider, with a button that connects a
// disconnected one or disconnects a connected one.
class CloudSetupViewController : public ExplorerPane {
public:
    static constexpr double RowHeight = 44.0;

    CloudSetupViewController();
    ~CloudSetupViewController() override;

    std::string title() const override;
    std::string headerText() const;

    // Every registered provider that is not the local store, in registration order.
    void loadProviders();
    const std::vector<std::shared_ptr<MindMapProvider>>& providers() const { return _providers; }

    struct Row {
        MindMapProvider* provider = nullptr;
        std::string title; // plain text
        // The service's picture, a name of the toolbar image table.
        std::string iconImageName;
        std::string buttonImageName;
        std::string buttonTitle;
        int64_t tag = 0;
    };
    size_t numberOfRows() const { return _providers.size(); }
    // A cloud the table has no picture of shows the general cloud.
    static std::string iconImageNameOf(const MindMapProvider& provider);
    Row rowAt(size_t row) const;
    // Rows are never selected.
    static bool shouldSelectRow(size_t /*row*/) { return false; }

    // The row's button: connects a disconnected provider (requester is handed to its
    // authorisation), disconnects a connected one.
    void providerButtonClicked(int64_t tag, const std::any& requester);

    // Providers changed: the list is read again and the table reloaded.
    void updateProvidersState();
    void setReloadHandler(std::function<void()> handler) { _reload = std::move(handler); }

    // The hairline under each row, one device pixel thin at the window's scale.
    static double separatorLineWidth(double backingScaleFactor) { return 36.0 / (106.0 * backingScaleFactor); }

private:
    std::vector<std::shared_ptr<MindMapProvider>> _providers;
    std::function<void()> _reload;
    ObservationToken _providersChanged;
};
