#include "Utils/ProtocolUtils.h"

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
