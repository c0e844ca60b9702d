#include "Utils/ProtocolUtils.h"

#include "Utils/StringUtils.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"

namespace {

constexpr const char* ProtocolSeparator = "://";

} // namespace

std::string ProtocolUtils::buildProtocolLink(const std::string& path, const std::string& protocol)
{
    if (path.empty() || protocol.empty()) return path;
    std::string link = protocol + ":/";
    if (path.front() != '/') link += '/';
    return link + path;
}

std::string ProtocolUtils::buildCloudLink(const std::string& path)
{
    return buildProtocolLink(path, CloudProtocol);
}

std::string ProtocolUtils::buildProviderLink(const std::string& path, const MindMapProvider* provider)
{
    return buildProtocolLink(path, providerProtocol(provider));
}

std::string ProtocolUtils::providerProtocol(const MindMapProvider* provider)
{
    if (!provider) return {};
    switch (provider->type()) {
    case MindMapProviderLocal: return "local";
    case MindMapProviderDropbox: return "dropbox";
    case MindMapProviderGoogleDrive: return "googledrive";
    case MindMapProviderOneDrive: return "onedrive";
    default: return {};
    }
}

bool ProtocolUtils::containsProtocol(const std::string& link)
{
    return link.find(ProtocolSeparator) != std::string::npos;
}

bool ProtocolUtils::convertLink(const std::string& link, std::string* toProtocol, std::string* andDocument)
{
    const size_t separator = link.find(ProtocolSeparator);
    if (separator == std::string::npos) return false;
    if (toProtocol) *toProtocol = link.substr(0, separator);
    if (andDocument) *andDocument = link.substr(separator + 3);
    return true;
}

MindMapProvider* ProtocolUtils::providerForProtocol(const std::string& protocol)
{
    if (protocol.empty()) return nullptr;
    for (const auto& provider : MindMapProviders::instance().providers()) {
        const std::string own = providerProtocol(provider.get());
        if (!own.empty() && caseInsensitiveEqual(own, protocol)) return provider.get();
    }
    return nullptr;
}
