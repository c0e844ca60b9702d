#pragma once

#include <string>

// Links name where a map lives: a protocol, "://", then the path within that place. The links of
// a map provider are made in store/ProviderProtocols.h.
class ProtocolUtils {
public:
    // protocol + ":/" + the path with a "/" put before it when it has none, so that "maps/x" and
    // "/maps/x" both give "local://maps/x"; the path unchanged when either is empty.
    static std::string buildProtocolLink(const std::string& path, const std::string& protocol);
    // A link with the provider-neutral protocol "cloud".
    static std::string buildCloudLink(const std::string& path);

    // Waits for its caller in the editor.
    static bool containsProtocol(const std::string& link);

    // Splits the link at its first "://"; false when it has none. Either out-argument may be null.
    static bool convertLink(const std::string& link, std::string* toProtocol, std::string* andDocument);

    static constexpr const char* CloudProtocol = "cloud";
};
