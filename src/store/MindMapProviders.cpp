#include "store/MindMapProviders.h"

#include "store/MindMapProvider.h"

#include <algorithm>

MindMapProviders& MindMapProviders::instance()
{
    // Never destroyed: providers outlive everything that may still reach them at exit.
    static MindMapProviders* providers = new MindMapProviders();
    return *providers;
}

MindMapProvider* MindMapProviders::localProvider()
{
    return instance().getLocalProvider();
}

void MindMapProviders::registerProvider(std::shared_ptr<MindMapProvider> provider)
{
    if (!provider || std::find(_providers.begin(), _providers.end(), provider) != _providers.end()) return;
    _providers.push_back(std::move(provider));
}

void MindMapProviders::unregisterProvider(MindMapProvider* provider)
{
    auto it = std::find_if(_providers.begin(), _providers.end(),
                           [provider](const std::shared_ptr<MindMapProvider>& p) { return p.get() == provider; });
    if (it == _providers.end()) return;
    // The registry may hold the last reference; the provider's tear-down runs once it is out of the
    // list, so that nothing it triggers finds it registered.
    std::shared_ptr<MindMapProvider> leaving = std::move(*it);
    _providers.erase(it);
}

MindMapProvider* MindMapProviders::getLocalProvider() const
{
    return getProviderByType(MindMapProviderLocal);
}

MindMapProvider* MindMapProviders::getProviderById(const std::string& providerId) const
{
    if (providerId.empty()) return nullptr;
    for (const auto& provider : _providers) {
        if (provider->id() == providerId) return provider.get();
    }
    return nullptr;
}

MindMapProvider* MindMapProviders::getProviderByType(int32_t type) const
{
    for (const auto& provider : _providers) {
        if (provider->type() == type) return provider.get();
    }
    return nullptr;
}

void MindMapProviders::validateOpenStorages()
{
    // A provider may (un)register providers while it checks; walk a counted copy.
    const std::vector<std::shared_ptr<MindMapProvider>> providers = _providers;
    for (const auto& provider : providers) provider->validateOpenStorages();
}
