#include "Utils/ProtocolUtils.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class FakeProvider : public MindMapProvider {
public:
    explicit FakeProvider(int type) : MindMapProvider(type) {}
};

class RegisteredProviders {
public:
    FakeProvider* add(int type)
    {
        _providers.push_back(std::make_shared<FakeProvider>(type));
        MindMapProviders::instance().registerProvider(_providers.back());
        return _providers.back().get();
    }
    ~RegisteredProviders()
    {
        for (auto& p : _providers) MindMapProviders::instance().unregisterProvider(p.get());
    }

private:
    std::vector<std::shared_ptr<FakeProvider>> _providers;
};

TEST(ProtocolLinks, BuildLinks)
{
    EXPECT_EQ(ProtocolUtils::buildProtocolLink("/maps/x", "local"), "local://maps/x");
    EXPECT_EQ(ProtocolUtils::buildProtocolLink("", "local"), "");
    EXPECT_EQ(ProtocolUtils::buildCloudLink("/a/b.twkx"), "cloud://a/b.twkx");
    const FakeProvider dropbox(MindMapProviderDropbox), temporary(MindMapProviderTemporary);
    EXPECT_EQ(ProtocolUtils::buildProviderLink("Apps/m.twkx", &dropbox), "dropbox://Apps/m.twkx");
    EXPECT_EQ(ProtocolUtils::buildProviderLink("Apps/m.twkx", &temporary), "Apps/m.twkx");
}

TEST(ProtocolLinks, ProviderProtocolsByType)
{
    const char* protocols[] = {"local", "dropbox", "googledrive", "onedrive", ""};
    for (int type = -1; type < 5; ++type) {
        const FakeProvider provider(type);
        EXPECT_EQ(ProtocolUtils::providerProtocol(&provider), type < 0 ? "" : protocols[type]) << type;
    }
    EXPECT_EQ(ProtocolUtils::providerProtocol(nullptr), "");
}

TEST(ProtocolLinks, ConvertLinkSplitsAtTheFirstSeparator)
{
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"cloud://a://b", "cloud", "a://b"}, {"://", "", ""},
    };
    for (const auto& [link, expectedProtocol, expectedDocument] : cases) {
        std::string protocol, document;
        EXPECT_TRUE(ProtocolUtils::convertLink(link, &protocol, &document));
        EXPECT_EQ(protocol + "|" + document, std::string(expectedProtocol) + "|" + expectedDocument);
    }

    std::string protocol = "unchanged";
    EXPECT_FALSE(ProtocolUtils::convertLink("maps/x", &protocol, nullptr));
    EXPECT_EQ(protocol, "unchanged");
}

TEST(ProviderForProtocol, FirstRegisteredProviderOfTheProtocolIgnoringCase)
{
    RegisteredProviders registered;
    registered.add(MindMapProviderTemporary);
    FakeProvider* local = registered.add(MindMapProviderLocal);
    FakeProvider* dropbox = registered.add(MindMapProviderDropbox);
    registered.add(MindMapProviderDropbox);
    EXPECT_EQ(ProtocolUtils::providerForProtocol("LOCAL"), local);
    EXPECT_EQ(ProtocolUtils::providerForProtocol("Dropbox"), dropbox);
    for (const char* other : {"", "googledrive", "loca"}) EXPECT_EQ(ProtocolUtils::providerForProtocol(other), nullptr) << other;
}

} // namespace
