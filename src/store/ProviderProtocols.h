#pragma once

#include <string>

class MindMapProvider;

// The protocols of the map providers, with which links name a map in a provider's place
// (ProtocolUtils makes and splits the links themselves).

// "local", "dropbox", "googledrive" or "onedrive" by the provider's type; empty for other types
// and for no provider.
std::string providerProtocol(const MindMapProvider* provider);

// The path as a link with the provider's protocol; the path unchanged when it has none.
std::string buildProviderLink(const std::string& path, const MindMapProvider* provider);

// The first registered provider whose protocol equals the given one, ignoring case; null for an
// empty protocol or when none matches.
MindMapProvider* providerForProtocol(const std::string& protocol);
