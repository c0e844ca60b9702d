#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class MindMapProvider;

// The process-wide registry of providers, in registration order.
//
// Ownership: the registry holds its providers counted, and so may whoever registered them (the
// local store, a cloud service). A provider therefore lives at least until it is unregistered,
// however its registrant goes away; when the last holder lets go, the provider disposes its
// storages, so nothing is left pointing at it. The registry itself is made on first use and kept
// until the process ends (it is never destroyed, so no provider is torn down during exit).
class MindMapProviders {
public:
    static MindMapProviders& instance();
    // The registered local provider, or nullptr.
    static MindMapProvider* localProvider();

    // A provider already registered (or none) is not added again.
    void registerProvider(std::shared_ptr<MindMapProvider> provider);
    void unregisterProvider(MindMapProvider* provider);

    MindMapProvider* getLocalProvider() const;
    // The first provider whose id is exactly this one (case matters); nullptr for none.
    MindMapProvider* getProviderById(const std::string& providerId) const;
    MindMapProvider* getProviderByType(int32_t type) const;
    // Lets every provider check its open storages, in registration order.
    void validateOpenStorages();

    const std::vector<std::shared_ptr<MindMapProvider>>& providers() const { return _providers; }

private:
    MindMapProviders() = default;
    MindMapProviders(const MindMapProviders&) = delete;
    MindMapProviders& operator=(const MindMapProviders&) = delete;

    std::vector<std::shared_ptr<MindMapProvider>> _providers;
};
