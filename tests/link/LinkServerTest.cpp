#include "LinkServerHarness.h"

#include "support/TempDir.h"

#include <dns_sd.h>

namespace {

std::vector<std::pair<std::string, std::string>> txt_entries(const std::vector<uint8_t>& txt)
{
    std::vector<std::pair<std::string, std::string>> entries;
    for (size_t at = 0; at < txt.size();) {
        const size_t length = txt[at];
        const std::string entry(reinterpret_cast<const char*>(txt.data()) + at + 1, length);
        const size_t equals = entry.find('=');
        entries.emplace_back(entry.substr(0, equals), equals == std::string::npos ? "" : entry.substr(equals + 1));
        at += 1 + length;
    }
    return entries;
}

TEST(LinkServer, AdvertisesTheServiceWithItsTxtRecordInOrder)
{
    TempDir folder;
    running_link_server server(folder.path());
    ASSERT_EQ(link_data_server_status(*server.context), 3);
    EXPECT_EQ(server.seen->service_type, "_tarnwick._tcp");
    EXPECT_EQ(server.seen->port, link_server_port(*server.context));
    const auto entries = txt_entries(server.seen->txt);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0], (std::pair<std::string, std::string>{"txtvers", "1"}));
    EXPECT_EQ(entries[1], (std::pair<std::string, std::string>{"path", "/mindmaps/"}));
    EXPECT_EQ(entries[2], (std::pair<std::string, std::string>{"pair", "/pair"}));
    EXPECT_EQ(entries[3].first, "challenge");
    EXPECT_EQ(entries[3].second.size(), 43u);
    server.stop();
    EXPECT_TRUE(server.seen->deallocated);
}

TEST(LinkServer, StopsWhenAskedBeforeAnyRequest)
{
    TempDir folder;
    running_link_server server(folder.path());
    server.stop();
    EXPECT_TRUE(server.finished);
}

} // namespace
