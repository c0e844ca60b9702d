#pragma once

#include <vector>

class MindMapProvider;

// The process-wide registry of providers, in registration order. It does not own them: a provider
// unregisters itself before it goes away.
class MindMapProviders {
public:
    static MindMapProviders& instance();

    // A provider already registered (or none) is not added again.
    void registerProvider(MindMapProvider* provider);
    void unregisterProvider(MindMapProvider* provider);

    const std::vector<MindMapProvider*>& providers() const { return _providers; }

private:
    MindMapProviders() = default;
    MindMapProviders(const MindMapProviders&) = delete;
    MindMapProviders& operator=(const MindMapProviders&) = delete;

    std::vector<MindMapProvider*> _providers;
};
