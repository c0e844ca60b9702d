#include "LinkServerHarness.h"

#include "link/server/http_request.h"
#include "link/server/http_wire.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct parsed {
    bool ok = false;
    http_wire_error error = http_wire_error::none;
    http_wire_head head;
};

parsed parse(const std::string& text, http_wire_limits limits = {})
{
    parsed result;
    size_t scanned = 0;
    const size_t end = http_find_head_end(text, scanned);
    if (end == std::string::npos) return result;
    result.ok = http_parse_head(std::string_view(text).substr(0, end), limits, result.head, result.error);
    return result;
}

TEST(HttpWire, RefusesHeadsThatAreNotHttpWithTheirStatus)
{
    const struct {
        std::string head;
        int status;
    } cases[] = {
        {"GET\r\n\r\n", 400},
        {"GET / HTTP/2.0\r\n\r\n", 400},
        {"GET  / HTTP/1.1\r\n\r\n", 400},
        {"G@T / HTTP/1.1\r\n\r\n", 400},
        {"GET /a\x01 HTTP/1.1\r\n\r\n", 400},
        {"GET / HTTP/1.1 extra\r\n\r\n", 400},
        {"GET / HTTP/1.x\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nNo colon here\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nBad name: x\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\n continued: before any header\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nContent-Length: abc\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nContent-Length: 12345678901234567890\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nContent-Length: 67108865\r\n\r\n", 413},
        {"POST / HTTP/1.1\r\nTransfer-Encoding: gzip\r\n\r\n", 501},
        {"POST / HTTP/1.1\r\nTransfer-Encoding: gzip, chunked\r\n\r\n", 501},
        {"POST / HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\n", 400},
    };
    for (const auto& c : cases) {
        const parsed result = parse(c.head);
        EXPECT_FALSE(result.ok) << c.head;
        EXPECT_EQ(http_wire_status(result.error), c.status) << c.head;
    }

    std::string many = "GET / HTTP/1.1\r\n";
    for (int index = 0; index < 101; ++index) many += "X-" + std::to_string(index) + ": y\r\n";
    EXPECT_EQ(http_wire_status(parse(many + "\r\n").error), 431);
    const std::string large = "GET / HTTP/1.1\r\nX: " + std::string(70 * 1024, 'x') + "\r\n\r\n";
    EXPECT_EQ(http_wire_status(parse(large).error), 431);
}

TEST(HttpWire, ReadsHeadsAsClientsSendThem)
{
    const struct {
        std::string head;
        std::string target;
        uint64_t length;
        bool chunked;
        bool keep_alive;
        bool expects_continue;
    } cases[] = {
        {"GET /mindmaps/list HTTP/1.1\r\nHost: x\r\n\r\n", "/mindmaps/list", 0, false, true, false},
        {"GET /a?b=c HTTP/1.1\nHost: x\n\n", "/a?b=c", 0, false, true, false},
        {"\r\nGET / HTTP/1.1\r\n\r\n", "/", 0, false, true, false},
        {"POST /u HTTP/1.1\r\ncontent-length: 12\r\nContent-Length: 12\r\n\r\n", "/u", 12, false, true, false},
        {"POST /u HTTP/1.1\r\nTransfer-Encoding: chunked\r\nContent-Length: 3\r\n\r\n", "/u", 0, true, true, false},
        {"POST /u HTTP/1.1\r\nConnection: Keep-Alive, close\r\nExpect: 100-continue\r\n\r\n", "/u", 0, false, false,
         true},
        {"GET / HTTP/1.0\r\n\r\n", "/", 0, false, false, false},
        {"GET / HTTP/1.0\r\nConnection: keep-alive\r\nExpect: 100-continue\r\n\r\n", "/", 0, false, true, false},
    };
    for (const auto& c : cases) {
        const parsed result = parse(c.head);
        ASSERT_TRUE(result.ok) << c.head;
        EXPECT_EQ(result.head.target, c.target) << c.head;
        EXPECT_EQ(result.head.content_length, c.length) << c.head;
        EXPECT_EQ(result.head.chunked, c.chunked) << c.head;
        EXPECT_EQ(result.head.keep_alive, c.keep_alive) << c.head;
        EXPECT_EQ(result.head.expects_continue, c.expects_continue) << c.head;
    }

    const parsed folded = parse("GET / HTTP/1.1\r\nFernquill-App-Id: a\r\n\t b \r\nX: 1\r\nx: 2\r\n\r\n");
    ASSERT_TRUE(folded.ok);
    ASSERT_NE(folded.head.find("fernquill-app-id"), nullptr);
    EXPECT_EQ(*folded.head.find("fernquill-app-id"), "a b");
    EXPECT_EQ(*folded.head.find("X"), "1") << "the first of a name";
    EXPECT_EQ(folded.head.find("missing"), nullptr);
}

TEST(HttpWire, FindsTheEndOfAHeadHoweverItArrives)
{
    const std::string text = "GET / HTTP/1.1\r\nA: b\r\n\r\nnext";
    for (size_t piece = 1; piece <= text.size(); ++piece) {
        size_t scanned = 0;
        size_t end = std::string::npos;
        for (size_t received = piece; end == std::string::npos && received <= text.size() + piece; received += piece)
            end = http_find_head_end(std::string_view(text).substr(0, std::min(received, text.size())), scanned);
        EXPECT_EQ(end, text.size() - 4) << piece;
    }
    size_t scanned = 0;
    EXPECT_EQ(http_find_head_end("GET / HTTP/1.1\r\nA: b\r\n", scanned), std::string::npos);
    EXPECT_EQ(http_find_head_end("GET / HTTP/1.1\nA: b\n\nrest", scanned = 0), 21u);
}

struct body_result {
    bool done = false;
    bool failed = false;
    int status = 0;
    std::string content;
    size_t used = 0;
};

// Feeds the bytes in pieces of the given size.
body_result read_body(const http_wire_head& head, const std::string& bytes, size_t piece, uint64_t limit = 1 << 20)
{
    body_result result;
    http_body_reader reader;
    reader.start(head, limit);
    const auto take = [&result](std::string_view content) {
        result.content.append(content);
        return true;
    };
    for (size_t at = 0; at < bytes.size() && !reader.done() && !reader.failed();) {
        const std::string_view available = std::string_view(bytes).substr(at, std::min(piece, bytes.size() - at));
        const size_t used = reader.consume(available, take);
        at += used;
        result.used = at;
        if (used < available.size() && !reader.done() && !reader.failed()) {
            ADD_FAILURE() << "stopped inside its input";
            break;
        }
    }
    result.done = reader.done();
    result.failed = reader.failed();
    result.status = http_wire_status(reader.error());
    return result;
}

TEST(HttpWire, ReadsBodiesByLengthAndInChunksHoweverTheyAreCut)
{
    http_wire_head by_length;
    by_length.content_length = 11;
    http_wire_head chunked;
    chunked.chunked = true;
    const struct {
        const http_wire_head* head;
        std::string bytes;
        bool done;
        int status; // of a failure
        std::string content;
        size_t used;
    } cases[] = {
        {&by_length, "hello worldGET / HTTP/1.1", true, 0, "hello world", 11},
        {&by_length, "hello", false, 0, "hello", 5},
        {&chunked, "5\r\nhello\r\n6;ext=1\r\n world\r\n0\r\n\r\nnext", true, 0, "hello world", 32},
        {&chunked, "5\nhello\n0\nTrailer: x\n\n", true, 0, "hello", 22},
        {&chunked, "A\r\n0123456789\r\n0\r\n\r\n", true, 0, "0123456789", 20},
        {&chunked, "zz\r\n", false, 400, "", 0},
        {&chunked, "5\r\nhelloXX\r\n", false, 400, "hello", 0},
        {&chunked, std::string(2000, '1') + "\r\n", false, 400, "", 0},
        {&chunked, "100001\r\n", false, 413, "", 0},
        {&chunked, "80000\r\n" + std::string(0x80000, 'a') + "\r\n80001\r\n", false, 413, std::string(0x80000, 'a'), 0},
        {&chunked, "0\r\n" + std::string(70, 'T') + std::string(1000, '\n'), true, 0, "", 75},
    };
    for (const auto& c : cases) {
        for (const size_t piece : {size_t{1}, size_t{3}, size_t{7}, c.bytes.size()}) {
            const body_result result = read_body(*c.head, c.bytes, piece);
            EXPECT_EQ(result.done, c.done) << c.bytes.substr(0, 40) << " piece " << piece;
            EXPECT_EQ(result.content, c.content) << c.bytes.substr(0, 40) << " piece " << piece;
            if (c.done) {
                EXPECT_EQ(result.used, c.used) << c.bytes.substr(0, 40) << " piece " << piece;
            }
            if (c.status) {
                EXPECT_TRUE(result.failed) << c.bytes.substr(0, 40);
                EXPECT_EQ(result.status, c.status) << c.bytes.substr(0, 40);
            }
        }
    }

    // Trailer lines go on for ever: refused once they add up.
    std::string trailers = "0\r\n";
    for (int index = 0; index < 2000; ++index) trailers += "T: " + std::string(60, 't') + "\r\n";
    const body_result endless = read_body(chunked, trailers, 4096);
    EXPECT_TRUE(endless.failed);

    // The sink refuses: the reader stops.
    http_body_reader reader;
    reader.start(by_length, 100);
    EXPECT_EQ(reader.consume("hello", [](std::string_view) { return false; }), 0u);
    EXPECT_TRUE(reader.failed());
    EXPECT_EQ(reader.error(), http_wire_error::none);
}

TEST(LinkSupport, FindsBytesAsAPlainSearchDoesForEveryNeedleShape)
{
    // Small alphabets make periodic needles and near misses, the cases a fast search gets wrong.
    std::mt19937 random(11);
    for (int round = 0; round < 200000; ++round) {
        const int letters = 1 + static_cast<int>(random() % 4);
        std::string haystack(random() % 120, 'a');
        std::string needle(random() % (1 + random() % 24), 'a');
        for (char& c : haystack) c = static_cast<char>('a' + random() % letters);
        for (char& c : needle) c = static_cast<char>('a' + random() % letters);
        const size_t from = random() % (haystack.size() + 2);
        const size_t expected = from > haystack.size() ? std::string::npos : haystack.find(needle, from);
        ASSERT_EQ(find_bytes(haystack, needle, from), expected)
            << "haystack " << haystack << " needle " << needle << " from " << from;
    }
    EXPECT_EQ(find_bytes(std::string("a\0b\0c", 5), std::string("\0c", 2)), 3u);
}

TEST(HttpRequest, SplitsHostileBodiesAsOthers)
{
    const struct {
        std::string body;
        std::vector<std::string> parts;
    } cases[] = {
        {hostile_body(30000), {}},
        {"baaa\r\n" + std::string(1000, 'a') + "baaa--\r\n" + std::string(20, 'x'), {std::string(1000, 'a')}},
        {"abab\r\naba\r\nabab--\r\n" + std::string(30, 'x'), {"aba\r\n"}},
        {"----\r\n" + std::string(100, '-') + "\r\n----\r\n", {""}},
        {std::string("----\r\nx\0y\r\n----", 15) + std::string(20, 'z'), {std::string("x\0y\r\n", 5)}},
    };
    for (const auto& c : cases) {
        std::vector<multipart_part> parts;
        split_multipart_body(c.body, parts);
        ASSERT_EQ(parts.size(), c.parts.size()) << c.body.substr(0, 40);
        for (size_t index = 0; index < parts.size(); ++index)
            EXPECT_EQ(std::string(parts[index]), c.parts[index]) << c.body.substr(0, 40);
    }
}

} // namespace
