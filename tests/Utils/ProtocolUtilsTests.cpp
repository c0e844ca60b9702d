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
    EXPECT_EQ(ProtocolUtils::buildProtocolLink("maps/x", "local"), "local://maps/x");
    EXPECT_EQ(ProtocolUtils::buildProtocolLink("", "local"), "");
    EXPECT_EQ(ProtocolUtils::buildProtocolLink("maps/x", ""), "maps/x");
    EXPECT_EQ(ProtocolUtils::buildCloudLink("/a/b.twkx"), "cloud://a/b.twkx");
    EXPECT_EQ(ProtocolUtils::buildCloudLink(""), "");
    const FakeProvider dropbox(MindMapProviderDropbox), temporary(MindMapProviderTemporary);
    EXPECT_EQ(ProtocolUtils::buildProviderLink("Apps/m.twkx", &dropbox), "dropbox://Apps/m.twkx");
    EXPECT_EQ(ProtocolUtils::buildProviderLink("Apps/m.twkx", &temporary), "Apps/m.twkx");
    EXPECT_EQ(ProtocolUtils::buildProviderLink("Apps/m.twkx", nullptr), "Apps/m.twkx");
}

TEST(ProtocolLinks, ProviderProtocolsByType)
{
    const FakeProvider local(0), dropbox(1), google(2), onedrive(3), temporary(4), unknown(-1);
    EXPECT_EQ(ProtocolUtils::providerProtocol(&local), "local");
    EXPECT_EQ(ProtocolUtils::providerProtocol(&dropbox), "dropbox");
    EXPECT_EQ(ProtocolUtils::providerProtocol(&google), "googledrive");
    EXPECT_EQ(ProtocolUtils::providerProtocol(&onedrive), "onedrive");
    EXPECT_EQ(ProtocolUtils::providerProtocol(&temporary), "");
    EXPECT_EQ(ProtocolUtils::providerProtocol(&unknown), "");
    EXPECT_EQ(ProtocolUtils::providerProtocol(nullptr), "");
}

TEST(ProtocolLinks, ConvertLinkSplitsAtTheFirstSeparator)
{
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"local://maps/x", "local", "maps/x"}, {"cloud://a://b", "cloud", "a://b"}, {"://", "", ""},
        {"googledrive://a/b c.twkx", "googledrive", "a/b c.twkx"},
    };
    for (const auto& [link, expectedProtocol, expectedDocument] : cases) {
        std::string protocol = "unchanged";
        std::string document = "unchanged";
        EXPECT_TRUE(ProtocolUtils::convertLink(link, &protocol, &document));
        EXPECT_EQ(protocol, expectedProtocol);
        EXPECT_EQ(document, expectedDocument);
    }
    std::string protocol = "unchanged";
    std::string document = "unchanged";
    EXPECT_FALSE(ProtocolUtils::convertLink("maps/x", &protocol, &document));
    EXPECT_EQ(protocol, "unchanged");
    EXPECT_EQ(document, "unchanged");
    EXPECT_TRUE(ProtocolUtils::convertLink("local://maps/x", nullptr, nullptr));
}

TEST(ProviderForProtocol, FirstRegisteredProviderOfTheProtocolIgnoringCase)
{
    RegisteredProviders registered;
    registered.add(MindMapProviderTemporary);
    FakeProvider* local = registered.add(MindMapProviderLocal);
    FakeProvider* dropbox = registered.add(MindMapProviderDropbox);
    registered.add(MindMapProviderDropbox);
    EXPECT_EQ(ProtocolUtils::providerForProtocol("local"), local);
    EXPECT_EQ(ProtocolUtils::providerForProtocol("LOCAL"), local);
    EXPECT_EQ(ProtocolUtils::providerForProtocol("Dropbox"), dropbox);
    for (const char* other : {"", "cloud", "googledrive", "loca"}) {
        EXPECT_EQ(ProtocolUtils::providerForProtocol(other), nullptr) << other;
    }
}

} // namespace
