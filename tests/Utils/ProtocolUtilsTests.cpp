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

// Registers providers for one test and takes them out of the registry again.
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

TEST(ProtocolLinks, LocalLinkWithAndWithoutLeadingSlash)
{
    EXPECT_EQ(ProtocolUtils::buildProtocolLink("/maps/x", "local"), "local://maps/x");
    EXPECT_EQ(ProtocolUtils::buildProtocolLink("maps/x", "local"), "local://maps/x");
}

TEST(ProtocolLinks, EmptyPathOrProtocolGivesThePathUnchanged)
{
    EXPECT_EQ(ProtocolUtils::buildProtocolLink("", "local"), "");
    EXPECT_EQ(ProtocolUtils::buildProtocolLink("maps/x", ""), "maps/x");
}

TEST(ProtocolLinks, CloudLink)
{
    EXPECT_EQ(ProtocolUtils::buildCloudLink("/a/b.twkx"), "cloud://a/b.twkx");
    EXPECT_EQ(ProtocolUtils::buildCloudLink(""), "");
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

TEST(ProtocolLinks, ProviderLink)
{
    const FakeProvider dropbox(MindMapProviderDropbox), temporary(MindMapProviderTemporary);
    EXPECT_EQ(ProtocolUtils::buildProviderLink("Apps/m.twkx", &dropbox), "dropbox://Apps/m.twkx");
    EXPECT_EQ(ProtocolUtils::buildProviderLink("Apps/m.twkx", &temporary), "Apps/m.twkx");
    EXPECT_EQ(ProtocolUtils::buildProviderLink("Apps/m.twkx", nullptr), "Apps/m.twkx");
}

TEST(ProtocolLinks, ContainsProtocol)
{
    EXPECT_TRUE(ProtocolUtils::containsProtocol("local://maps/x"));
    EXPECT_TRUE(ProtocolUtils::containsProtocol("://"));
    EXPECT_FALSE(ProtocolUtils::containsProtocol("maps/x"));
    EXPECT_FALSE(ProtocolUtils::containsProtocol("local:/maps/x"));
    EXPECT_FALSE(ProtocolUtils::containsProtocol(""));
}

TEST(ProtocolLinks, ConvertLinkSplitsAtTheFirstSeparator)
{
    std::string protocol = "unchanged";
    std::string document = "unchanged";
    EXPECT_TRUE(ProtocolUtils::convertLink("local://maps/x", &protocol, &document));
    EXPECT_EQ(protocol, "local");
    EXPECT_EQ(document, "maps/x");

    EXPECT_TRUE(ProtocolUtils::convertLink("cloud://a://b", &protocol, &document));
    EXPECT_EQ(protocol, "cloud");
    EXPECT_EQ(document, "a://b");

    EXPECT_TRUE(ProtocolUtils::convertLink("://", &protocol, &document));
    EXPECT_EQ(protocol, "");
    EXPECT_EQ(document, "");
}

TEST(ProtocolLinks, ConvertLinkWithoutProtocolAnswersNoAndLeavesTheOutputs)
{
    std::string protocol = "unchanged";
    std::string document = "unchanged";
    EXPECT_FALSE(ProtocolUtils::convertLink("maps/x", &protocol, &document));
    EXPECT_EQ(protocol, "unchanged");
    EXPECT_EQ(document, "unchanged");
}

TEST(ProtocolLinks, ConvertLinkOutputsMayBeAbsent)
{
    std::string protocol;
    std::string document;
    EXPECT_TRUE(ProtocolUtils::convertLink("local://maps/x", nullptr, nullptr));
    EXPECT_TRUE(ProtocolUtils::convertLink("local://maps/x", &protocol, nullptr));
    EXPECT_EQ(protocol, "local");
    EXPECT_TRUE(ProtocolUtils::convertLink("local://maps/x", nullptr, &document));
    EXPECT_EQ(document, "maps/x");
}

TEST(ProtocolLinks, BuiltLinksConvertBack)
{
    std::string protocol;
    std::string document;
    ASSERT_TRUE(ProtocolUtils::convertLink(ProtocolUtils::buildProtocolLink("/a/b c.twkx", "googledrive"), &protocol, &document));
    EXPECT_EQ(protocol, "googledrive");
    EXPECT_EQ(document, "a/b c.twkx");
}

TEST(ProviderForProtocol, FirstRegisteredProviderOfTheProtocolIgnoringCase)
{
    RegisteredProviders registered;
    FakeProvider* temporary = registered.add(MindMapProviderTemporary);
    FakeProvider* local = registered.add(MindMapProviderLocal);
    FakeProvider* dropbox = registered.add(MindMapProviderDropbox);
    FakeProvider* secondDropbox = registered.add(MindMapProviderDropbox);
    (void)temporary;
    (void)secondDropbox;
    EXPECT_EQ(ProtocolUtils::providerForProtocol("local"), local);
    EXPECT_EQ(ProtocolUtils::providerForProtocol("LOCAL"), local);
    EXPECT_EQ(ProtocolUtils::providerForProtocol("Dropbox"), dropbox);
}

TEST(ProviderForProtocol, NothingForEmptyOrUnknownProtocols)
{
    RegisteredProviders registered;
    registered.add(MindMapProviderTemporary);
    registered.add(MindMapProviderLocal);
    EXPECT_EQ(ProtocolUtils::providerForProtocol(""), nullptr);
    EXPECT_EQ(ProtocolUtils::providerForProtocol("cloud"), nullptr);
    EXPECT_EQ(ProtocolUtils::providerForProtocol("googledrive"), nullptr);
    EXPECT_EQ(ProtocolUtils::providerForProtocol("loca"), nullptr);
}

TEST(ProviderForProtocol, UnregisteredProvidersAreNotFound)
{
    FakeProvider* local;
    {
        RegisteredProviders registered;
        local = registered.add(MindMapProviderLocal);
        EXPECT_EQ(ProtocolUtils::providerForProtocol("local"), local);
    }
    EXPECT_EQ(ProtocolUtils::providerForProtocol("local"), nullptr);
}

TEST(MindMapProvidersRegistry, KeepsRegistrationOrderOnceEach)
{
    auto a = std::make_shared<FakeProvider>(0);
    auto b = std::make_shared<FakeProvider>(1);
    auto c = std::make_shared<FakeProvider>(2);
    auto& registry = MindMapProviders::instance();
    ASSERT_TRUE(registry.providers().empty());
    registry.registerProvider(b);
    registry.registerProvider(a);
    registry.registerProvider(b);
    registry.registerProvider(nullptr);
    registry.registerProvider(c);
    EXPECT_EQ(registry.providers(), (std::vector<std::shared_ptr<MindMapProvider>>{b, a, c}));
    registry.unregisterProvider(a.get());
    EXPECT_EQ(registry.providers(), (std::vector<std::shared_ptr<MindMapProvider>>{b, c}));
    registry.unregisterProvider(a.get());
    registry.unregisterProvider(b.get());
    registry.unregisterProvider(c.get());
    EXPECT_TRUE(registry.providers().empty());
}

} // namespace
