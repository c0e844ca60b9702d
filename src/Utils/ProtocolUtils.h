#pragma once

#include <string>

class MindMapProvider;

// Links name where a map lives: a protocol, "://", then the path within that place.
class ProtocolUtils {
public:
    // protocol + ":/" + the path with a "/" put before it when it has none, so that "maps/x" and
    // "/maps/x" both give "local://maps/x"; the path unchanged when either is empty.
    static std::string buildProtocolLink(const std::string& path, const std::string& protocol);
    // A link with the provider-neutral protocol "cloud".
    static std::string buildCloudLink(const std::string& path);
    static std::string buildProviderLink(const std::string& path, const MindMapProvider* provider);

    // "local", "dropbox", "googledrive" or "onedrive" by the provider's type; empty for other
    // types and for no provider.
    static std::string providerProtocol(const MindMapProvider* provider);

    static bool containsProtocol(const std::string& link);

    // Splits the link at its first "://"; false when it has none. Either out-argument may be null.
    static bool convertLink(const std::string& link, std::string* toProtocol, std::string* andDocument);

    // The first registered provider whose protocol equals the given one, ignoring case; null for an
    // empty protocol or when none matches.
    static MindMapProvider* providerForProtocol(const std::string& protocol);

    static constexpr const char* CloudProtocol = "cloud";
};
