#include "Utils/CryptoDigest.h"
#include "Utils/HexEncoding.h"
#include "Utils/RandomData.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

TEST(CryptoDigest, KnownDigestsOfAbc)
{
    const Bytes abc = bytesOf("abc");
    EXPECT_EQ(stringByHexEncoding(MD5(abc)), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(stringByHexEncoding(SHA1(abc)), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(stringByHexEncoding(SHA256(abc)), "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
    EXPECT_EQ(stringByHexEncoding(SHA512(abc)),
              "DDAF35A193617ABACC417349AE20413112E6FA4E89A97EA20A9EEEE64B55D39A"
              "2192992A274FC1A836BA3C23A3FEEBBD454D4423643CE80E2A9AC94FA54CA49F");
    EXPECT_EQ(stringByHexEncoding(SHA1(Bytes{})), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
}

// However the bytes are cut into pieces (none, empty ones, one byte at a time, any bytes at all),
// the digest is that of all of them at once.
TEST(CryptoDigest, SHA1OfPiecesIsThatOfTheWhole)
{
    std::string binary;
    for (int i = 0; i < 70000; ++i) binary += static_cast<char>((i * 131) % 256);
    struct Case {
        std::string bytes;
        size_t pieceSize; // 0: one piece
    };
    const Case cases[] = {{"", 0}, {"abc", 0}, {"abc", 1}, {binary, 0}, {binary, 1000}, {binary, 65536}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bytes.size()) + " in pieces of " + std::to_string(c.pieceSize));
        SHA1Stream stream;
        stream.update("");
        const size_t step = c.pieceSize == 0 ? std::max<size_t>(c.bytes.size(), 1) : c.pieceSize;
        for (size_t at = 0; at < c.bytes.size(); at += step) stream.update(std::string_view(c.bytes).substr(at, step));
        EXPECT_EQ(stringByHexEncoding(stream.finish()), stringByHexEncoding(SHA1(bytesOf(c.bytes))));
    }
}

// Buffers short and long digest alike: the standard vectors of a message of two blocks and of a
// million "a", and buffers of every length about where short ones end, each against the digest
// taken in pieces (SHA-1) and from a file (MD5).
TEST(CryptoDigest, ShortAndLongBuffersHaveTheirKnownDigests)
{
    const Bytes twoBlocks = bytesOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq");
    const Bytes million(1000000, 'a');
    struct Case {
        const Bytes* bytes;
        Bytes (*digest)(const Bytes&);
        const char* expected;
    };
    const Case cases[] = {
        {&twoBlocks, MD5, "8215EF0796A20BCAAAE116D3876C664A"},
        {&twoBlocks, SHA1, "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
        {&twoBlocks, SHA256, "248D6A61D20638B8E5C026930C3E6039A33CE45964FF2167F6ECEDD419DB06C1"},
        {&million, MD5, "7707D6AE4E027C70EEA2A935C2296F21"},
        {&million, SHA1, "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
        {&million, SHA256, "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0"},
        {&million, SHA512,
         "E718483D0CE769644E2E42C7BC15B4638E1F98B13B2044285632A803AFA973EB"
         "DE0FF244877EA60A4CB0432CE577C31BEB009C5C2C49AA2E4EADB217AD8CC09B"},
    };
    for (const Case& c : cases) EXPECT_EQ(stringByHexEncoding(c.digest(*c.bytes)), c.expected) << c.expected;

    TempDir dir;
    for (size_t size = 65536 - 65; size <= 65536 + 65; size += 13) {
        SCOPED_TRACE(size);
        Bytes bytes(size);
        for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 131 % 251);
        SHA1Stream stream;
        stream.update(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        EXPECT_EQ(SHA1(bytes), stream.finish());
        writeTestFile(dir.file("bytes"), std::string(bytes.begin(), bytes.end()));
        EXPECT_EQ(stringByHexEncoding(MD5(bytes)), FileMD5HexString(dir.file("bytes")));
    }
}

TEST(CryptoDigest, TextThatIsNotUtf8HasNoDigest)
{
    EXPECT_EQ(SHA1(std::string_view("\xC3")), std::nullopt);
    EXPECT_EQ(SHA512(std::string_view("\xED\xA0\x80")), std::nullopt); // a lone surrogate
    EXPECT_EQ(SHA1(std::string_view("\xC0\xAF")), std::nullopt);       // an overlong "/"
}

TEST(FileMD5HexString, UnreadableItemsHaveNoDigest)
{
    TempDir dir;
    EXPECT_EQ(FileMD5HexString(dir.file("missing")), std::nullopt);
    EXPECT_EQ(FileMD5HexString(dir.path()), std::nullopt);

    if (geteuid() != 0) {
        writeTestFile(dir.file("locked"), "secret");
        chmod(dir.file("locked").c_str(), 0);
        EXPECT_EQ(FileMD5HexString(dir.file("locked")), std::nullopt);
    }
}

TEST(HexEncoding, TwoUpperCaseDigitsForEveryByteValue)
{
    EXPECT_EQ(stringByHexEncoding(std::string_view("\xab\xcd", 2)), "ABCD");
    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(i);
    const std::string text = stringByHexEncoding(all);
    ASSERT_EQ(text.size(), 512u);
    EXPECT_EQ(text.substr(2 * 0x7F, 6), "7F8081");
}

} // namespace
