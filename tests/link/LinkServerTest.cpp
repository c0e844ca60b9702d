#include "LinkServerHarness.h"

#include "link/server/link_server_internal.h"
#include "support/TempDir.h"

namespace {

using entry = std::pair<std::string, std::string>;

std::vector<entry> txt_entries(const std::vector<uint8_t>& txt)
{
    std::vector<entry> entries;
    for (size_t at = 0; at < txt.size();) {
        const size_t length = txt[at];
        const std::string text(reinterpret_cast<const char*>(txt.data()) + at + 1, length);
        const size_t equals = text.find('=');
        entries.emplace_back(text.substr(0, equals), equals == std::string::npos ? "" : text.substr(equals + 1));
        at += 1 + length;
    }
    return entries;
}

TEST(LinkServer, AdvertisesTheServiceWithItsTxtRecordInOrder)
{
    TempDir folder;
    running_link_server server(folder.path());
    EXPECT_EQ(link_data_server_status(*server.context), 3) << "a pass is running while the server waits";
    EXPECT_EQ(server.seen->service_type, "_tarnwick._tcp");
    EXPECT_NE(link_server_port(*server.context), 0);
    EXPECT_EQ(server.seen->port, link_server_port(*server.context));
    const auto entries = txt_entries(server.seen->txt);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0], (entry{"txtvers", "1"}));
    EXPECT_EQ(entries[1], (entry{"path", "/mindmaps/"}));
    EXPECT_EQ(entries[2], (entry{"pair", "/pair"}));
    EXPECT_EQ(entries[3].first, "challenge");
    EXPECT_EQ(entries[3].second.size(), 43u);
    EXPECT_EQ(unb64(entries[3].second).size(), 32u);
    server.stop();
    EXPECT_TRUE(server.seen->deallocated);
    EXPECT_FALSE(link_is_functioning(*server.context));
}

TEST(LinkServer, CutsATxtValueAt255Bytes)
{
    const auto entries = txt_entries(bonjour_txt_record(std::string(300, 'c')));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[3].second, std::string(255 - 10, 'c')) << "the entry's length byte covers key, '=' and value";
    EXPECT_EQ(txt_entries(bonjour_txt_record(std::string(43, 'c')))[3].second.size(), 43u);
}

TEST(LinkServer, ReportsTheNameServerStatusThroughRegistrationAndReply)
{
    EXPECT_EQ(link_name_server_status(link_server_context(nullptr)), -65545);
    struct Case {
        int32_t register_error;
        int32_t reply_error;
        bool reference;
        int32_t after_register;
        int32_t after_reply;
        bool functioning;
    };
    for (const Case c : {Case{0, 0, true, 0, 0, true}, Case{0, -65540, true, 0, -65540, false},
                         Case{-65563, 0, true, -65563, -65563, false}, Case{0, 0, false, -65537, -65537, false}}) {
        TempDir folder;
        running_link_server server(folder.path(), c.register_error, c.reply_error, c.reference);
        EXPECT_EQ(link_name_server_status(*server.context), c.after_register) << c.register_error;
        EXPECT_FALSE(link_is_functioning(*server.context)) << "no reply has arrived yet";
        if (c.reference && c.register_error == 0) server.deliver_registration_reply();
        EXPECT_EQ(link_name_server_status(*server.context), c.after_reply) << c.reply_error;
        EXPECT_EQ(link_is_functioning(*server.context), c.functioning) << c.reply_error;
        // The data server serves whatever the name server said.
        EXPECT_EQ(http_fetch(server.url("/identify")).status, 500);
    }
}

TEST(LinkServer, RoutesByPathAloneAndCountsEveryRequest)
{
    TempDir folder;
    paired_fixture paired(folder.path());
    auto& services = paired.server.services;
    services.index = "<diagram-index/>";
    services.data["b"] = "map b";
    const int32_t before = link_request_count(*paired.server.context);
    struct Case {
        std::string path;
        std::string method;
        std::string body;
    };
    for (const Case& c : {Case{"/mindmaps/list?x=1", "GET", "<diagram-index/>\n"},
                          Case{"/mindmaps/list", "DELETE", "<diagram-index/>\n"}, Case{"/a/b", "GET", "map b"},
                          Case{"/mindmaps/b?x=y", "PUT", "map b"}, Case{"/mindmaps/list/b", "GET", "map b"},
                          Case{"/mindmaps/unknown", "GET", ""}}) {
        const http_reply_seen reply = paired.call(c.path, paired.phone.paired_call(c.method));
        EXPECT_EQ(reply.status, 200) << c.path;
        EXPECT_EQ(reply.body, c.body) << c.path;
    }
    ASSERT_FALSE(services.data_calls.empty());
    EXPECT_EQ(services.data_calls.front().first, "b");

    // Refused requests count as well.
    EXPECT_EQ(http_fetch(paired.server.url("/mindmaps/list")).status, 403);
    EXPECT_EQ(http_fetch(paired.server.url("/pair")).body, "REJECT");
    EXPECT_EQ(link_request_count(*paired.server.context), before + 8);
}

TEST(LinkServer, SendsTheErrorPageAndTheReasonByStatus)
{
    TempDir folder;
    running_link_server server(folder.path());
    for (const std::string path : {"/mindmaps/list", "/mindmaps/x", "/mindmaps/upload"}) {
        const http_reply_seen reply = http_fetch(server.url(path));
        EXPECT_EQ(reply.status, 403) << path;
        EXPECT_EQ(reply.reason, "ERROR") << path;
        EXPECT_EQ(reply.header("content-type"), "text/html") << path;
        EXPECT_EQ(reply.body, "<html><head><title>Error 403</title></head><body>Error 403</body></html>") << path;
    }
    const http_reply_seen pair = http_fetch(server.url("/pair"));
    EXPECT_EQ(pair.status, 200);
    EXPECT_EQ(pair.reason, "OK");
    EXPECT_EQ(pair.header("content-type"), "text/plain");
}

TEST(LinkServer, RefusesABodyOverItsLimitWithoutAskingTheServices)
{
    TempDir folder;
    paired_fixture paired(folder.path());
    http_call call = paired.phone.paired_call("POST");
    call.body.assign(link_max_body_size + 1, 'x');
    const http_reply_seen reply = http_fetch(paired.server.url("/mindmaps/upload"), call);
    // The server may close the connection before the client has sent everything.
    EXPECT_TRUE(reply.status >= 400 || !reply.ok) << reply.status;
    EXPECT_TRUE(paired.server.services.saves.empty());
}

TEST(LinkServer, StopsWhenAskedBeforeTheThreadHasStarted)
{
    TempDir folder;
    fake_services services;
    auto seen = std::make_shared<fake_registrar::record>();
    link_server_context context(&services, std::make_unique<fake_registrar>(seen));
    context.loopback_only = true;
    link_server_request_stop(context);
    std::thread thread([&] { link_server_run(context, folder.path().c_str()); });
    thread.join();
    EXPECT_TRUE(seen->deallocated);
    EXPECT_EQ(link_data_server_status(context), 2) << "no pass ran";
}

TEST(LinkServer, EndsTheThreadWithoutAdvertisingWhenNothingCanBeBound)
{
    TempDir folder;
    fake_services services;
    auto seen = std::make_shared<fake_registrar::record>();
    link_server_context context(&services, std::make_unique<fake_registrar>(seen));
    // An address of the documentation range: no interface of this machine has it.
    context.listen_address = "192.0.2.1";
    link_server_run(context, folder.path().c_str());
    EXPECT_LT(link_data_server_status(context), 3);
    EXPECT_EQ(link_server_port(context), 0);
    EXPECT_EQ(link_name_server_status(context), -65545);
    EXPECT_TRUE(seen->txt.empty()) << "nothing advertised";
    EXPECT_FALSE(link_is_functioning(context));
}

TEST(LinkServer, StopsWhileServingAndFreesEverything)
{
    TempDir folder;
    running_link_server server(folder.path());
    server.deliver_registration_reply();
    EXPECT_TRUE(link_is_functioning(*server.context));
    server.stop();
    EXPECT_TRUE(server.finished);
    EXPECT_EQ(link_data_server_status(*server.context), 4) << "the last pass has ended";
    EXPECT_FALSE(link_is_functioning(*server.context));
    EXPECT_FALSE(http_fetch(server.url("/identify")).ok) << "nothing listens any more";
}

} // namespace
