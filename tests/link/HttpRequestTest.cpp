#include "link/server/http_request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> values(const http_request& request, std::string_view name)
{
    std::vector<std::string> found;
    const int32_t slot = request.params.find(name);
    if (slot < 0) return found;
    const string_vector& list = request.params.at(static_cast<uint32_t>(slot)).value;
    for (size_t index = 0; index < list.size(); ++index) found.emplace_back(list[index].view());
    return found;
}

std::string form(std::string_view delimiter, const std::vector<std::string>& parts)
{
    std::string body;
    for (const auto& part : parts) body += std::string(delimiter) + "\r\n" + part + "\r\n";
    return body + std::string(delimiter) + "--\r\n";
}

const std::string delimiter = "--------------------------tw5f1a";

TEST(HttpRequest, DecodesPathAndNameTwiceAndReadsTheQuery)
{
    struct Case {
        std::string_view uri;
        std::string_view path;
        std::string_view name;
    };
    for (const Case c : {Case{"/mindmaps/list?x=1", "/mindmaps/list", "list"}, Case{"/mindmaps/", "/mindmaps/", ""},
                         Case{"noslash", "noslash", ""}, Case{"/a/%2541", "/a/%41", "A"},
                         Case{"/a/b%2Bc", "/a/b+c", "b c"}, Case{"/a/caf%C3%A9", "/a/caf\xc3\xa9", "caf\xc3\xa9"},
                         Case{"/a/%E9t%E9", "/a/\xe9t\xe9", ""}, Case{"/a/x%00y", "/a/xy", "xy"}}) {
        http_request request;
        http_request_parse(request, c.uri, {});
        EXPECT_EQ(request.status, 200);
        EXPECT_EQ(request.path.view(), c.path) << c.uri;
        EXPECT_EQ(request.name.view(), c.name) << c.uri;
    }

    http_request request;
    http_request_parse(request, "/p?flag&a=1&=skipped&a=%32&b=x=y&&c+d=%41", {});
    EXPECT_EQ(values(request, "flag"), std::vector<std::string>{""});
    EXPECT_EQ(values(request, "a"), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(values(request, "b"), std::vector<std::string>{"x=y"});
    EXPECT_EQ(values(request, "c d"), std::vector<std::string>{"A"});
    EXPECT_EQ(request.params.size(), 4u);
    EXPECT_EQ(http_get_param(request, "a", 1).view(), "2");
    EXPECT_TRUE(http_get_param(request, "a", 2).empty()) << "an index past the values";
    EXPECT_TRUE(http_get_param(request, "none", 0).empty());
}

TEST(HttpRequest, TakesQueryValuesFirstThenFormFieldsOfAnyBody)
{
    const std::string body = form(delimiter,
                                  {"Content-Disposition: form-data; name=\"id\"\r\n\r\nfrom-body",
                                   "Content-Disposition: form-data; name=\"other\"\r\n\r\nv"});
    http_request request;
    // The method plays no part: whatever body comes is read.
    http_request_parse(request, "/mindmaps/upload?id=from-query", body);
    EXPECT_EQ(values(request, "id"), (std::vector<std::string>{"from-query", "from-body"}));
    EXPECT_EQ(http_get_param(request, "id", 0).view(), "from-query");
    EXPECT_EQ(http_get_param(request, "other", 0).view(), "v");
    http_request_free(request);
    EXPECT_EQ(request.params.size(), 0u);
    EXPECT_TRUE(request.path.empty());
}

TEST(HttpRequest, StripsTheDelimitersLineEndFromEveryPartAndKeepsBinaryContentWhole)
{
    const std::string payload("PK\x03\x04\0\r\nzip\r\n\r", 14);
    const std::string body = form(delimiter,
                                  {"Content-Disposition: form-data; name=\"file\"; filename=\"a.b.twkx\"\r\n"
                                   "Content-Type: application/octet-stream\r\n\r\n" +
                                       payload,
                                   "Content-Disposition: form-data; name=\"note\"\r\n\r\nline\r\n"});
    http_request request;
    http_request_parse(request, "/mindmaps/upload", body);
    EXPECT_EQ(values(request, "file"), std::vector<std::string>{payload});
    EXPECT_EQ(values(request, "filename"), std::vector<std::string>{"a.b.twkx"});
    EXPECT_EQ(values(request, "note"), std::vector<std::string>{"line\r\n"}) << "only the delimiter's line end goes";
}

TEST(HttpRequest, BadFormBodiesAddNothingAndReadNothingPastTheirHeader)
{
    const std::string good = "Content-Disposition: form-data; name=\"ok\"\r\n\r\nyes";
    struct Case {
        std::string name;
        std::string body;
    };
    const std::vector<Case> cases{
        {"empty", ""},
        {"no line end", delimiter + "content"},
        {"short delimiter", form("--x", {good})},
        {"no closing delimiter", delimiter + "\r\n" + good},
        {"zero byte before the line end", std::string("----\0\r\n", 7) + good + "\r\n----\r\n"},
        {"no name marker", form(delimiter, {"Content-Disposition: form-data; size=4\r\n\r\nname=\"data\""})},
        {"unclosed name", form(delimiter, {"Content-Disposition: form-data; name=\"open\r\n\r\nbody\"\"\""})},
        {"unclosed file name", form(delimiter, {"Content-Disposition: form-data; name=\"\"; filename=\"x\r\n\r\n\""})},
        {"no header end", form(delimiter, {"Content-Disposition: form-data; name=\"a\"\r\nrest"})},
        {"other disposition", form(delimiter, {"Content-Disposition: attachment; name=\"a\"\r\n\r\nv"})},
        {"prefix only", form(delimiter, {"Content-Disposition: form-data;"})},
    };
    for (const auto& c : cases) {
        http_request request;
        http_request_parse(request, "/mindmaps/upload", c.body);
        EXPECT_EQ(request.params.size(), 0u) << c.name;
    }

    // A name marker found inside the file name marker still names the field; its file name is read
    // from there on, and an empty name adds only the file name.
    http_request request;
    http_request_parse(request, "/u",
                       form(delimiter,
                            {"Content-Disposition: form-data; filename=\"f.twkx\"; name=\"n\"\r\n\r\nv",
                             "Content-Disposition: form-data; name=\"\"; filename=\"g\"\r\n\r\nw"}));
    EXPECT_EQ(values(request, "f.twkx"), std::vector<std::string>{"v"});
    EXPECT_EQ(values(request, "filename"), std::vector<std::string>{"g"});
}

TEST(HttpRequest, SplitsPartsUpToEachDelimiter)
{
    const std::string body = form("----", {"a", "", "bb"});
    std::vector<multipart_part> parts;
    split_multipart_body(body, parts);
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[0], "a\r\n");
    EXPECT_EQ(parts[1], "\r\n");
    EXPECT_EQ(parts[2], "bb\r\n");
}

} // namespace
