#include "LinkServerHarness.h"

#include "link/server/link_handlers.h"
#include "support/TempDir.h"

namespace {

std::string error_index(const std::string& reason, int code)
{
    return "<diagram-index><folder name=\"Error\"><diagram name=\"" + reason + " (" + std::to_string(code) +
        ")\" id=\"1234\"/></folder></diagram-index>";
}

TEST(LinkHandlers, FetchesTheIndexInOneOrTwoCalls)
{
    struct Case {
        std::string index;
        std::string grown;
        int result;
        std::vector<int> calls;
        int status;
        std::string body;
    };
    const std::string exact(2048, 'i');
    const std::string over(2049, 'i');
    for (const Case& c : {
             Case{exact, "", 0, {2048}, 200, exact + "\n"},
             Case{over, "", 0, {2048, 2049}, 200, over + "\n"},
             Case{over, over + "more", 0, {2048, 2049}, 500, error_index("2nd try need more space", 2053)},
             Case{"", "", -1, {2048}, 500, error_index("1st try error", -1)},
             Case{"<i/>", "", 0, {2048}, 200, "<i/>\n"},
             Case{"<i/>\n", "", 0, {2048}, 200, "<i/>\n"},
             Case{"<i/>\n\n", "", 0, {2048}, 200, "<i/>\n\n"},
             Case{"", "", 0, {2048}, 200, "\n"},
             Case{std::string("a\0b", 3), "", 0, {2048}, 200, "a\n"},
         }) {
        fake_services services;
        services.index = c.index;
        services.index_on_second_call = c.grown;
        services.index_result = c.result;
        std::string body;
        EXPECT_EQ(link_fetch_index(&services, body), c.status) << c.index.size();
        EXPECT_EQ(services.index_calls, c.calls) << c.index.size();
        EXPECT_EQ(body, c.body) << c.index.size();
    }

    std::string body;
    EXPECT_EQ(link_fetch_index(nullptr, body), 500);
    EXPECT_EQ(body, error_index("1st try error", -1));
}

// Services that claim a size no buffer of the server may take.
struct boastful final : link_server_callbacks {
    std::vector<size_t> sizes;
    int LinkServerGetMindMapIndex(char*, size_t size) override
    {
        sizes.push_back(size);
        return static_cast<int>(link_max_body_size + 1);
    }
    int LinkServerGetMindMapData(const char*, char*, size_t size, int) override
    {
        sizes.push_back(size);
        return static_cast<int>(link_max_body_size + 1);
    }
    int LinkServerSaveMindMapData(const char*, const char*, const char*) override { return -1; }
    int LinkServerGetPinCode(const char*) override { return -1; }
};

TEST(LinkHandlers, CapsTheSecondBufferAtTheBodyLimit)
{
    boastful services;
    std::string body;
    EXPECT_EQ(link_fetch_index(&services, body), 500);
    EXPECT_EQ(body, error_index("2nd try need more space", static_cast<int>(link_max_body_size + 1)));
    link_fetch_data(&services, "k", 3, body);
    EXPECT_EQ(body, "<error>Memory Error: unable to allocate an internal response buffer of sufficient size.</error>");
    EXPECT_EQ(services.sizes, (std::vector<size_t>{2048, 8192}));
}

TEST(LinkHandlers, FetchesAMapOrItsErrorText)
{
    struct Case {
        int result;
        std::string data;
        std::vector<int> sizes;
        std::string body;
    };
    const std::string large(10000, 'm');
    for (const Case& c : {
             Case{0, "map", {8192}, "map"},
             Case{0, large, {8192, 10000}, large},
             Case{0, "", {8192}, ""},
             Case{0, std::string("pk\0zip", 6), {8192}, "pk"},
             Case{-1, "", {8192}, "<error>Stream Error: unable to read the file or file does no exist.</error>"},
             Case{-2, "", {8192}, "<error>Data Error: unable to convert the file into Tarnwick format.</error>"},
             Case{
                 -3, "", {8192}, "<error>Internal Error: request could not complete due to an internal error.</error>"},
             Case{-9, "", {8192}, "<error>Invallid Error: undeclared internal error code returned.</error>"},
         }) {
        fake_services services;
        services.data_result = c.result;
        services.data["key"] = c.data;
        std::string body;
        link_fetch_data(&services, "key", 3, body);
        EXPECT_EQ(body, c.body) << c.result << " " << c.data.size();
        EXPECT_EQ(services.data_calls.size(), c.sizes.size()) << c.result;
    }

    // Grows between the calls: asked once more, then given up.
    struct growing final : link_server_callbacks {
        int calls = 0;
        int LinkServerGetMindMapIndex(char*, size_t) override { return -1; }
        int LinkServerGetMindMapData(const char*, char*, size_t size, int) override
        {
            ++calls;
            return static_cast<int>(size) + 1;
        }
        int LinkServerSaveMindMapData(const char*, const char*, const char*) override { return -1; }
        int LinkServerGetPinCode(const char*) override { return -1; }
    } grows;
    std::string body;
    link_fetch_data(&grows, "k", 3, body);
    EXPECT_EQ(grows.calls, 2);
    EXPECT_EQ(body, "<error>Memory Error: unable to allocate an internal response buffer of sufficient size.</error>");
}

TEST(LinkHandlers, ReadsTheStreamVersionAsItsLeadingNumber)
{
    struct Case {
        std::string_view header;
        int version;
    };
    for (const Case c : {Case{"", 0}, Case{"3", 3}, Case{" 12abc", 12}, Case{"abc", 0}, Case{"-2", -2}, Case{"+4", 4},
                         Case{"99999999999999999999", 2147483647}, Case{"-99999999999999999999", -2147483647 - 1}})
        EXPECT_EQ(link_stream_version(c.header), c.version) << c.header;
}

TEST(LinkHandlers, NamesAnUploadByItsFileNameWithoutTheLastExtension)
{
    struct Case {
        std::string_view filename;
        std::string_view key;
    };
    for (const Case c :
         {Case{"a.b.twkx", "a.b"}, Case{"map.twkx", "map"}, Case{"noext", "noext"}, Case{"", ""}, Case{".twkx", ""}})
        EXPECT_EQ(link_upload_key(c.filename).view(), c.key) << c.filename;
}

std::string form(const std::vector<std::pair<std::string, std::string>>& fields)
{
    const std::string delimiter = "--------------------------twk7e2";
    std::string body;
    for (const auto& [name, value] : fields)
        body += delimiter + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
    return body + delimiter + "--\r\n";
}

TEST(LinkHandlers, UploadsTheMapPartAndEchoesThePartsReceived)
{
    TempDir folder;
    paired_fixture paired(folder.path());
    auto& services = paired.server.services;
    struct Case {
        std::vector<std::pair<std::string, std::string>> fields;
        int save_result;
        int status;
        std::string body;
        std::string saved_key;
    };
    for (const Case& c : {
             Case{{{"filename", "a.b.twkx"}, {"userid", "u1"}, {"twk", "PK--abc"}},
                  1,
                  200,
                  "<upload>\n<twk></twk>\n</upload>",
                  "a.b"},
             Case{{{"filename", "m.twkx"}, {"twk", "x"}, {"pdf", "%PDF"}, {"png", "\x89PNG"}},
                  1,
                  200,
                  "<upload>\n<twk></twk>\n<pdf></pdf>\n<png></png>\n</upload>",
                  "m"},
             Case{{{"pdf", "%PDF"}}, 1, 200, "<upload>\n<pdf></pdf>\n</upload>", ""},
             // No map part: nothing is saved and the answer lists no part.
             Case{{{"filename", "m.twkx"}, {"file", "x"}}, 1, 200, "<upload>\n</upload>", ""},
             Case{{{"filename", "bad.twkx"}, {"twk", "not a map"}}, 0, 500, "<upload>\n<twk></twk>\n</upload>", "bad"},
         }) {
        services.save_result = c.save_result;
        services.saves.clear();
        http_call call = paired.phone.paired_call("POST");
        call.body = form(c.fields);
        call.content_type = "multipart/form-data; boundary=------------------------twk7e2";
        const http_reply_seen reply = paired.call("/mindmaps/upload", call);
        EXPECT_EQ(reply.status, c.status) << c.body;
        EXPECT_EQ(reply.body, c.body);
        EXPECT_EQ(reply.header("content-type"), "text/plain");
        if (c.saved_key.empty()) {
            EXPECT_TRUE(services.saves.empty());
        } else {
            ASSERT_EQ(services.saves.size(), 1u);
            EXPECT_EQ(std::get<0>(services.saves[0]), c.saved_key);
        }
    }
    ASSERT_TRUE(paired.phone.issued.size() == 32);
    http_call call = paired.phone.paired_call("POST");
    call.body = form({{"filename", "a.b.twkx"}, {"userid", "u1"}, {"twk", "PK--abc"}});
    services.save_result = 1;
    services.saves.clear();
    paired.call("/mindmaps/upload", call);
    ASSERT_EQ(services.saves.size(), 1u);
    EXPECT_EQ(services.saves[0], std::make_tuple(std::string("a.b"), std::string("u1"), std::string("PK--abc")));
}

TEST(LinkHandlers, AsksForTheKeyAndStreamVersionTheAppSent)
{
    TempDir folder;
    paired_fixture paired(folder.path());
    auto& services = paired.server.services;
    services.data[".twkstyle.custom-1"] = "style";
    struct Case {
        std::string path;
        std::string version; // empty: no header
        std::pair<std::string, int> asked;
    };
    for (const Case& c : {Case{"/mindmaps/ABC", "", {"ABC", 0}}, Case{"/mindmaps/ABC", "3", {"ABC", 3}},
                          Case{"/mindmaps/.twkstyle.custom-1", "2", {".twkstyle.custom-1", 2}},
                          Case{"/mindmaps/caf%C3%A9", "3", {"caf\xc3\xa9", 3}}}) {
        http_call call = paired.phone.paired_call();
        if (!c.version.empty()) call.headers.emplace_back("fernquill-version", c.version);
        const http_reply_seen reply = paired.call(c.path, call);
        EXPECT_EQ(reply.status, 200) << c.path;
        ASSERT_FALSE(services.data_calls.empty());
        EXPECT_EQ(services.data_calls.back(), c.asked) << c.path;
    }
}

TEST(LinkHandlers, ListsWithTheErrorPageWhenTheChallengeCannotBeAnswered)
{
    TempDir folder;
    paired_fixture paired(folder.path());
    http_call call = paired.phone.paired_call();
    std::erase_if(call.headers, [](const auto& header) { return header.first == "fernquill-challenge"; });
    const http_reply_seen reply = http_fetch(paired.server.url("/mindmaps/list"), call);
    EXPECT_EQ(reply.status, 500);
    EXPECT_EQ(reply.header("content-type"), "text/html");
    EXPECT_EQ(reply.body, "<html><head><title>Error 500</title></head><body>Error 500</body></html>");
    EXPECT_TRUE(paired.server.services.index_calls.empty());

    paired.server.services.index_result = -1;
    const http_reply_seen failed = paired.call("/identify");
    ASSERT_EQ(failed.body, "OK");
    const http_reply_seen list = paired.call("/mindmaps/list");
    EXPECT_EQ(list.status, 500);
    EXPECT_EQ(list.header("content-type"), "text/plain");
    EXPECT_EQ(list.body, error_index("1st try error", -1));
}

} // namespace
