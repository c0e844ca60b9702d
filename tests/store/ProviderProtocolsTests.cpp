#include "store/ProviderProtocols.h"

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

TEST(ProviderProtocols, LinksAndProtocolsByType)
{
    const char* protocols[] = {"local", "dropbox", "googledrive", "onedrive", ""};
    for (int type = -1; type < 5; ++type) {
        const FakeProvider provider(type);
        EXPECT_EQ(providerProtocol(&provider), type < 0 ? "" : protocols[type]) << type;
    }
    EXPECT_EQ(providerProtocol(nullptr), "");
    const FakeProvider dropbox(MindMapProviderDropbox), temporary(MindMapProviderTemporary);
    EXPECT_EQ(buildProviderLink("Apps/m.twkx", &dropbox), "dropbox://Apps/m.twkx");
    EXPECT_EQ(buildProviderLink("Apps/m.twkx", &temporary), "Apps/m.twkx");
}

TEST(ProviderForProtocol, FirstRegisteredProviderOfTheProtocolIgnoringCase)
{
    RegisteredProviders registered;
    registered.add(MindMapProviderTemporary);
    FakeProvider* local = registered.add(MindMapProviderLocal);
    FakeProvider* dropbox = registered.add(MindMapProviderDropbox);
    registered.add(MindMapProviderDropbox);
    EXPECT_EQ(providerForProtocol("LOCAL"), local);
    EXPECT_EQ(providerForProtocol("Dropbox"), dropbox);
    for (const char* other : {"", "googledrive", "loca"}) EXPECT_EQ(providerForProtocol(other), nullptr) << other;
}

} // namespace
