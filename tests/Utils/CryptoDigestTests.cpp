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
