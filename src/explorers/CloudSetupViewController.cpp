#include "explorers/CloudSetupViewController.h"

#include "Editor/FeedbackCenter.h"
#include "platform/Localizer.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"

CloudSetupViewController::CloudSetupViewController()
{
    loadProviders();
    _providersChanged =
        NotificationCenter::defaultCenter().addObserver(MindMapProvider::ProvidersChangedNotification, nullptr,
                                                        [this](const Notification&) { updateProvidersState(); });
}

CloudSetupViewController::~CloudSetupViewController() = default;

std::string CloudSetupViewController::title() const
{
    return localized("clouds_setup");
}

std::string CloudSetupViewController::headerText() const
{
    return localized("clouds_setup");
}

void CloudSetupViewController::loadProviders()
{
    _providers.clear();
    for (const auto& provider : MindMapProviders::instance().providers())
        if (provider && !provider->isLocal()) _providers.push_back(provider);
}

CloudSetupViewController::Row CloudSetupViewController::rowAt(size_t row) const
{
    Row shown;
    if (row >= _providers.size()) return shown;
    MindMapProvider& provider = *_providers[row];
    shown.provider = &provider;
    shown.title = provider.title();
    shown.iconImageName = iconImageNameOf(provider);
    shown.tag = static_cast<int64_t>(row);
    if (provider.enabled()) {
        shown.buttonImageName = "minus";
        shown.buttonTitle = localized("db_disconnect_condensed");
    } else {
        shown.buttonImageName = "add";
        shown.buttonTitle = localized("db_connect_condensed");
    }
    return shown;
}

std::string CloudSetupViewController::iconImageNameOf(const MindMapProvider& provider)
{
    // The same pictures as the services' messages in the feedback log.
    const std::string id = provider.id();
    if (id == "Dropbox") return FeedbackCenter::dropboxImage();
    if (id == "GoogleDrive") return FeedbackCenter::gdriveImage();
    return "cloud_16";
}

void CloudSetupViewController::providerButtonClicked(int64_t tag, const std::any& requester)
{
    if (tag < 0 || static_cast<size_t>(tag) >= _providers.size()) return;
    // Held while it works: connecting may post the change that reloads the list.
    std::shared_ptr<MindMapProvider> provider = _providers[static_cast<size_t>(tag)];
    if (provider->enabled()) provider->disconnectFromCloud();
    else provider->connectToCloud(requester);
}

void CloudSetupViewController::updateProvidersState()
{
    loadProviders();
    if (_reload) _reload();
}
