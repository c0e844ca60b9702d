#include "LinkServerHarness.h"

#include "support/TempDir.h"

#include <future>
#include <memory>

// Hostile and heavy traffic from strangers on the local network, beside a paired phone that must
// go on being served.

namespace {

constexpr uint64_t mebibyte = 1024 * 1024;

// A body that costs a search comparing a delimiter from its end at every position the product of
// the two lengths: a delimiter line of a third of the body, then twice that of bytes that match
// all of it but its first byte.
std::string hostile_body(size_t size)
{
    const size_t delimiter = size / 3;
    return "b" + std::string(delimiter - 1, 'a') + "\r\n" + std::string(2 * delimiter, 'a');
}

TEST(LinkTraffic, AStrangersBodyIsNeverReadAndThePhoneIsServedMeanwhile)
{
    TempDir folder;
    paired_fixture paired(folder.path());
    paired.server.services.index = "<i/>";
    const uint16_t port = link_server_port(*paired.server.context);
    const struct {
        std::string path;
        std::string status_line;
        std::string body;
    } cases[] = {
        {"/mindmaps/upload", "HTTP/1.1 403 ERROR", "<body>Error 403</body>"},
        {"/mindmaps/list", "HTTP/1.1 403 ERROR", "<body>Error 403</body>"},
        {"/mindmaps/some-map", "HTTP/1.1 403 ERROR", "<body>Error 403</body>"},
        {"/pair", "HTTP/1.1 200 OK", "REJECT"},
        {"/identify", "HTTP/1.1 500 ERROR", "FAIL"},
    };
    std::vector<std::unique_ptr<raw_client>> strangers;
    for (const auto& c : cases) {
        // Two megabytes announced; none of it is sent, and none is waited for.
        auto stranger = std::make_unique<raw_client>(port, "127.0.0.2");
        http_call call;
        call.headers = {{"fernquill-app-id", paired.phone.app_id},
                        {"fernquill-authenticate", b64(std::string(32, 'x'))}};
        ASSERT_TRUE(stranger->send_all(raw_head("POST", c.path, call, {"Content-Length: 2000000"})));
        const std::string reply = stranger->read_reply();
        EXPECT_EQ(reply.substr(0, reply.find("\r\n")), c.status_line) << c.path;
        EXPECT_NE(reply.find(c.body), std::string::npos) << c.path << ": " << reply;
        strangers.push_back(std::move(stranger));
    }
    const http_reply_seen list = paired.call("/mindmaps/list");
    EXPECT_EQ(list.status, 200);
    EXPECT_EQ(list.body, "<i/>\n");
    EXPECT_TRUE(paired.server.services.saves.empty());
}

TEST(LinkTraffic, HostileFormBodiesOfGrowingSizeAreAnswered)
{
    TempDir folder;
    paired_fixture paired(folder.path());
    for (const size_t size : {mebibyte / 2, mebibyte, 2 * mebibyte}) {
        http_call call = paired.phone.paired_call("POST");
        call.body = hostile_body(size);
        const http_reply_seen reply = paired.call("/mindmaps/upload", call);
        EXPECT_TRUE(reply.ok) << size;
        EXPECT_EQ(reply.status, 200) << size;
        EXPECT_EQ(reply.body, "<upload>\n</upload>") << size;
    }
    EXPECT_TRUE(paired.server.services.saves.empty());
}

} // namespace
