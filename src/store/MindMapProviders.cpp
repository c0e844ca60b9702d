#include "store/MindMapProviders.h"

#include <algorithm>

MindMapProviders& MindMapProviders::instance()
{
    static MindMapProviders providers;
    return providers;
}

void MindMapProviders::registerProvider(MindMapProvider* provider)
{
    if (!provider || std::find(_providers.begin(), _providers.end(), provider) != _providers.end()) return;
    _providers.push_back(provider);
}

void MindMapProviders::unregisterProvider(MindMapProvider* provider)
{
    _providers.erase(std::remove(_providers.begin(), _providers.end(), provider), _providers.end());
}
