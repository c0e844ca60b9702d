#include "link/server/link_support.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <new>
#include <string>

namespace {

TEST(SmallString, KeepsShortTextsInlineAndSizesHeapBuffersInSixteens)
{
    struct Case {
        size_t length;
        bool inline_form;
        uint32_t capacity;
    };
    for (const Case c : {Case{0, true, 0}, Case{23, true, 0}, Case{24, false, 32}, Case{31, false, 32},
                         Case{32, false, 48}, Case{100, false, 112}}) {
        const std::string text(c.length, 'k');
        const small_string string(text.data(), text.size());
        EXPECT_EQ(string.is_inline(), c.inline_form) << c.length;
        EXPECT_EQ(string.capacity(), c.capacity) << c.length;
        EXPECT_EQ(string.view(), text);
        EXPECT_EQ(string.data()[c.length], '\0') << "a zero byte follows the text";
    }
}

TEST(SmallString, ResizesAcrossTheInlineLimitBothWaysWithoutLosingText)
{
    small_string string("abcdefghijklmnopqrstuvw"); // 23
    string.append('x');
    EXPECT_FALSE(string.is_inline());
    EXPECT_EQ(string.view(), "abcdefghijklmnopqrstuvwx");
    string.append(string.view()); // a piece of itself
    EXPECT_EQ(string.size(), 48u);
    EXPECT_EQ(string.capacity(), 64u);
    string.resize(30);
    EXPECT_EQ(string.capacity(), 32u) << "shrinking reallocates too";
    string.erase(3, 20);
    EXPECT_TRUE(string.is_inline());
    EXPECT_EQ(string.view(), "abcxabcdef");
    string.erase(8, 100);
    EXPECT_EQ(string.view(), "abcxabcd");

    const small_string with_zero("a\0b", 3);
    EXPECT_EQ(with_zero.size(), 3u);
    EXPECT_FALSE(with_zero == small_string("a"));
    EXPECT_EQ(small_string_format("%s-%d", "id", 7).view(), "id-7");
    EXPECT_EQ(small_string_from_int(-42).view(), "-42");
    EXPECT_EQ(small_string_format("%600d", 1).size(), 499u);
}

TEST(SmallString, ConstructsOverStorageThatLooksLikeAHeapString)
{
    // Storage whose last byte marks a heap string, as reused memory may: making a string there
    // must not take the old bytes for a buffer to free.
    const std::string long_text(40, 'x');
    for (const std::string& text : {std::string("short"), long_text}) {
        alignas(small_string) unsigned char storage[sizeof(small_string)];
        std::memset(storage, 0xFF, sizeof storage);
        auto* made = new (storage) small_string(std::string_view(text));
        EXPECT_EQ(made->view(), text);
        made->~small_string();
        std::memset(storage, 0xFF, sizeof storage);
        made = new (storage) small_string(text.c_str());
        EXPECT_EQ(made->view(), text);
        made->~small_string();
    }
}

TEST(StringVector, KeepsItsAllocationUntilLessThanHalfIsUsed)
{
    string_vector vector;
    vector.resize(10);
    EXPECT_EQ(vector.capacity(), 15u);
    vector[6] = "kept";
    struct Step {
        size_t count;
        size_t capacity;
    };
    for (const Step step : {Step{8, 15}, Step{15, 15}, Step{7, 10}, Step{16, 24}, Step{0, 0}}) {
        vector.resize(step.count);
        EXPECT_EQ(vector.size(), step.count);
        EXPECT_EQ(vector.capacity(), step.capacity) << step.count;
        if (step.count > 6) {
            EXPECT_EQ(vector[6].view(), "kept") << step.count;
        }
        if (step.count > 7) {
            EXPECT_TRUE(vector[7].empty()) << "new elements are empty";
        }
    }
}

// Keys whose hashes all share the home slot of a 16-slot table, in a fixed order.
std::vector<std::string> keys_with_home(uint32_t home, size_t count)
{
    std::vector<std::string> keys;
    for (int index = 0; keys.size() < count; ++index) {
        const std::string key = "k" + std::to_string(index);
        if ((string_map_hash(key) & 15) == home) keys.push_back(key);
    }
    return keys;
}

TEST(StringMap, HashesFromTheLastByteAndDoublesOnTheTwelfthInsertion)
{
    EXPECT_EQ(string_map_hash(""), 5381u);
    EXPECT_EQ(string_map_hash("ab"), ((5381u * 33) ^ 'b') * 33 ^ 'a');

    string_map<small_string> map;
    EXPECT_EQ(map.capacity(), 0u) << "no table before the first insertion";
    for (int index = 0; index < 11; ++index) map.insert("key" + std::to_string(index));
    EXPECT_EQ(map.capacity(), 16u);
    map.insert("key11");
    EXPECT_EQ(map.capacity(), 32u);
    for (int index = 0; index < 12; ++index) EXPECT_GE(map.find("key" + std::to_string(index)), 0) << index;
    EXPECT_EQ(map.find("key12"), -1);
}

TEST(StringMap, KeepsEveryEntryWhenChainsCollideAndDisplaceEachOther)
{
    string_map<small_string> map;
    const auto home3 = keys_with_home(3, 3);
    const auto home4 = keys_with_home(4, 2);
    // home3[1] lands in slot 4 (another chain's home); home4[0] then displaces it.
    map.lookup_or_insert(home3[0]) = "a";
    map.lookup_or_insert(home3[1]) = "b";
    map.lookup_or_insert(home4[0]) = "c";
    map.lookup_or_insert(home3[2]) = "d";
    map.lookup_or_insert(home4[1]) = "e";
    const std::array<std::pair<std::string, std::string_view>, 5> expected{
        {{home3[0], "a"}, {home3[1], "b"}, {home4[0], "c"}, {home3[2], "d"}, {home4[1], "e"}}};
    for (const auto& [key, value] : expected) {
        const int32_t slot = map.find(key);
        ASSERT_GE(slot, 0) << key;
        EXPECT_EQ(map.at(static_cast<uint32_t>(slot)).value.view(), value) << key;
    }
    EXPECT_EQ(map.find(home4[1]), 4) << "the newest entry heads its chain at its home slot";
    EXPECT_EQ(map.find(home3[2]), 3);
    EXPECT_EQ(map.size(), 5u);
    map.destroy();
    EXPECT_EQ(map.find(home3[0]), -1);
}

TEST(Base64Url, EncodesWithoutPaddingAndDecodesWithOrWithout)
{
    std::string bytes;
    for (int index = 0; index < 32; ++index) bytes.push_back(static_cast<char>(index * 7 + 200));
    small_string text;
    EXPECT_EQ(base64url_encode(bytes, text), 43u);
    EXPECT_EQ(text.view().find_first_not_of(base64url_alphabet), std::string_view::npos);
    small_string back;
    EXPECT_EQ(base64url_decode(text.view(), back), 32u);
    EXPECT_EQ(back.view(), bytes);

    struct Case {
        std::string_view text;
        std::string_view bytes; // empty: the decoding fails
    };
    for (const Case c : {Case{"", ""}, Case{"QUJDR", ""}, Case{"Q", ""}, Case{"QQ", "A"}, Case{"QUI", "AB"},
                         Case{"QQ==", "A"}, Case{"QUI=", "AB"}, Case{"-_-_", "\xfb\xff\xbf"}}) {
        small_string out("stale");
        EXPECT_EQ(base64url_decode(c.text, out), c.bytes.size()) << c.text;
        EXPECT_EQ(out.view(), c.bytes) << c.text;
    }
    small_string out;
    EXPECT_FALSE(base64url_encode_string(small_string(), out));
    EXPECT_TRUE(base64url_encode_string(small_string("ab"), out));
    EXPECT_EQ(out.view(), "YWI");
}

TEST(UrlDecode, DecodesEscapesAndKeepsWhatIsNoEscape)
{
    struct Case {
        std::string_view in;
        std::string_view out;
    };
    for (const Case c : {Case{"%41", "A"}, Case{"%G1", "%G1"}, Case{"a+b", "a b"}, Case{"%4", "%4"}, Case{"%", "%"},
                         Case{"100%", "100%"}, Case{"%e9t%C3%A9", "\xe9t\xc3\xa9"}, Case{"a%00b", "ab"},
                         Case{"%%41", "%A"}, Case{"%2541", "%41"}}) {
        small_string string(c.in);
        url_decode(string);
        EXPECT_EQ(string.view(), c.out) << c.in;
    }
}

TEST(Utf8, AcceptsTextAndRefusesBrokenSequences)
{
    for (const std::string_view text : {"", "plain", "caf\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80"})
        EXPECT_TRUE(utf8_valid(text)) << text;
    for (const std::string_view text : {"\xe9", "\xc3", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xe2\x82"})
        EXPECT_FALSE(utf8_valid(text)) << text;
}

TEST(Sha256, DigestsTheTextOfAString)
{
    const small_string digest = sha256_string(small_string("abc"));
    small_string text;
    base64url_encode(digest.view(), text);
    EXPECT_EQ(digest.size(), 32u);
    EXPECT_EQ(text.view(), "ungWv48Bz-pBQUDeXa4iI7ADYaOWF3qctBD_YfIAFa0");
}

TEST(FileStream, ReadsLinesCutToTheBufferAndWritesText)
{
    TempDir dir;
    const std::string path = dir.file("lines");
    file_stream stream;
    ASSERT_TRUE(file_stream_open(stream, path.c_str(), "w"));
    EXPECT_TRUE(file_stream_write_text(stream, std::string(200, 'x') + "\nshort\r\nlast"));
    EXPECT_EQ(file_stream_close(stream), 0);

    ASSERT_TRUE(file_stream_open(stream, path.c_str(), "r"));
    std::array<char, 128> buffer{};
    EXPECT_EQ(file_stream_read_line(stream, buffer), 128u);
    EXPECT_EQ(std::string(buffer.data()), std::string(127, 'x'));
    file_stream_read_line(stream, buffer); // the rest of the long line
    EXPECT_EQ(file_stream_read_line(stream, buffer), 6u);
    EXPECT_STREQ(buffer.data(), "short");
    EXPECT_EQ(file_stream_read_line(stream, buffer), 5u);
    EXPECT_STREQ(buffer.data(), "last");
    EXPECT_EQ(file_stream_read_line(stream, buffer), 1u);
    file_stream_close(stream);

    EXPECT_FALSE(file_stream_open(stream, dir.file("missing/x").c_str(), "r"));
    EXPECT_TRUE(stream.failed);
}

std::string printed;

TEST(LinkError, GoesOnlyThroughAnInstalledHook)
{
    link_context context;
    link_error_print(context, "lost %d", 1);
    context.error_hook = [](int level, const char* text) { printed = std::to_string(level) + text; };
    link_error_print(context, "port %d", 8080);
    EXPECT_EQ(printed, "2port 8080");
    link_error_hook_install(context);
    EXPECT_EQ(context.error_hook, &link_error_default_hook);
}

} // namespace
