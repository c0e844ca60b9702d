#include "store/ProviderProtocols.h"

#include "Utils/ProtocolUtils.h"
#include "Utils/StringUtils.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"

std::string providerProtocol(const MindMapProvider* provider)
{
    if (!provider) return {};
    switch (provider->type()) {
    case MindMapProviderLocal:
        return "local";
    case MindMapProviderDropbox:
        return "dropbox";
    case MindMapProviderGoogleDrive:
        return "googledrive";
    case MindMapProviderOneDrive:
        return "onedrive";
    default:
        return {};
    }
}

std::string buildProviderLink(const std::string& path, const MindMapProvider* provider)
{
    return ProtocolUtils::buildProtocolLink(path, providerProtocol(provider));
}

MindMapProvider* providerForProtocol(const std::string& protocol)
{
    if (protocol.empty()) return nullptr;
    for (const auto& provider : MindMapProviders::instance().providers()) {
        const std::string own = providerProtocol(provider.get());
        if (!own.empty() && caseInsensitiveEqual(own, protocol)) return provider.get();
    }
    return nullptr;
}
