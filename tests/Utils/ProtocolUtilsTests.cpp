#include "Utils/ProtocolUtils.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

TEST(ProtocolLinks, BuildLinks)
{
    EXPECT_EQ(ProtocolUtils::buildProtocolLink("/maps/x", "local"), "local://maps/x");
    EXPECT_EQ(ProtocolUtils::buildProtocolLink("", "local"), "");
    EXPECT_EQ(ProtocolUtils::buildCloudLink("/a/b.twkx"), "cloud://a/b.twkx");
}

TEST(ProtocolLinks, ConvertLinkSplitsAtTheFirstSeparator)
{
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"cloud://a://b", "cloud", "a://b"},
        {"://", "", ""},
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

} // namespace
