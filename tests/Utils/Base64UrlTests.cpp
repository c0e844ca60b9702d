#include "Utils/Base64Url.h"
#include "Utils/RandomData.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

TEST(Base64UrlEncoding, SingleByteFFIsUnderscoreAndLowerCaseW)
{
    EXPECT_EQ(stringByBase64UrlSafeEncoding(Bytes{0xFF}), "_w");
}

TEST(Base64UrlEncoding, OneTwoAndThreeBytesGiveTwoThreeAndFourCharactersWithoutPadding)
{
    EXPECT_EQ(stringByBase64UrlSafeEncoding(Bytes{0xFF}).size(), 2u);
    EXPECT_EQ(stringByBase64UrlSafeEncoding(Bytes{0xFF, 0xFF}), "__8");
    EXPECT_EQ(stringByBase64UrlSafeEncoding(Bytes{0xFF, 0xFF, 0xFF}), "____");
    EXPECT_EQ(stringByBase64UrlSafeEncoding(Bytes{0xFB, 0xFF}), "-_8");
}

TEST(Base64UrlEncoding, EmptyDataGivesEmptyText)
{
    EXPECT_EQ(stringByBase64UrlSafeEncoding(Bytes{}), "");
    EXPECT_EQ(stringByBase64UrlSafeEncoding(std::string_view{}), "");
}

TEST(Base64UrlEncoding, StandardVectorsWithoutPadding)
{
    EXPECT_EQ(stringByBase64UrlSafeEncoding(std::string_view("f")), "Zg");
    EXPECT_EQ(stringByBase64UrlSafeEncoding(std::string_view("fo")), "Zm8");
    EXPECT_EQ(stringByBase64UrlSafeEncoding(std::string_view("foo")), "Zm9v");
    EXPECT_EQ(stringByBase64UrlSafeEncoding(std::string_view("foob")), "Zm9vYg");
    EXPECT_EQ(stringByBase64UrlSafeEncoding(std::string_view("fooba")), "Zm9vYmE");
    EXPECT_EQ(stringByBase64UrlSafeEncoding(bytesOf("foobar")), "Zm9vYmFy");
}

TEST(Base64UrlEncoding, UsesTheWholeUrlSafeAlphabetInOrder)
{
    EXPECT_EQ(Base64UrlAlphabet, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_");
    // 48 bytes whose 6-bit groups count 0..63.
    Bytes counting;
    for (unsigned i = 0; i < 64; i += 4) {
        counting.push_back(static_cast<uint8_t>((i << 2) | ((i + 1) >> 4)));
        counting.push_back(static_cast<uint8_t>(((i + 1) << 4) | ((i + 2) >> 2)));
        counting.push_back(static_cast<uint8_t>(((i + 2) << 6) | (i + 3)));
    }
    EXPECT_EQ(stringByBase64UrlSafeEncoding(counting), std::string(Base64UrlAlphabet));
}

TEST(Base64UrlDecoding, UnderscoreWGivesFFWithOrWithoutTwoPaddingCharacters)
{
    EXPECT_EQ(dataByBase64UrlSafeDecoding("_w"), Bytes{0xFF});
    EXPECT_EQ(dataByBase64UrlSafeDecoding("_w=="), Bytes{0xFF});
}

TEST(Base64UrlDecoding, OneOrThreePaddingCharactersAfterUnderscoreWFail)
{
    EXPECT_EQ(dataByBase64UrlSafeDecoding("_w="), std::nullopt);
    EXPECT_EQ(dataByBase64UrlSafeDecoding("_w==="), std::nullopt);
}

TEST(Base64UrlDecoding, AnyFiveCharacterTextWithoutPaddingFails)
{
    for (const char* text : {"AAAAA", "Zm9vY", "_____", "-----", "abcde", "01234"}) {
        EXPECT_EQ(dataByBase64UrlSafeDecoding(text), std::nullopt) << text;
    }
    // Every length that leaves remainder 1 is impossible.
    for (size_t length : {1u, 5u, 9u, 13u, 101u}) {
        EXPECT_EQ(dataByBase64UrlSafeDecoding(std::string(length, 'A')), std::nullopt) << length;
    }
}

TEST(Base64UrlDecoding, EmptyTextFails)
{
    EXPECT_EQ(dataByBase64UrlSafeDecoding(""), std::nullopt);
    EXPECT_EQ(dataByBase64UrlSafeDecoding(std::string_view{}), std::nullopt);
}

TEST(Base64UrlDecoding, StandardVectorsWithAndWithoutPadding)
{
    EXPECT_EQ(dataByBase64UrlSafeDecoding("Zg"), bytesOf("f"));
    EXPECT_EQ(dataByBase64UrlSafeDecoding("Zg=="), bytesOf("f"));
    EXPECT_EQ(dataByBase64UrlSafeDecoding("Zm8"), bytesOf("fo"));
    EXPECT_EQ(dataByBase64UrlSafeDecoding("Zm8="), bytesOf("fo"));
    EXPECT_EQ(dataByBase64UrlSafeDecoding("Zm9v"), bytesOf("foo"));
    EXPECT_EQ(dataByBase64UrlSafeDecoding("Zm9vYg"), bytesOf("foob"));
    EXPECT_EQ(dataByBase64UrlSafeDecoding("Zm9vYg=="), bytesOf("foob"));
    EXPECT_EQ(dataByBase64UrlSafeDecoding("Zm9vYmE"), bytesOf("fooba"));
    EXPECT_EQ(dataByBase64UrlSafeDecoding("Zm9vYmE="), bytesOf("fooba"));
    EXPECT_EQ(dataByBase64UrlSafeDecoding("Zm9vYmFy"), bytesOf("foobar"));
}

TEST(Base64UrlDecoding, PaddingOnlyFails)
{
    EXPECT_EQ(dataByBase64UrlSafeDecoding("="), std::nullopt);
    EXPECT_EQ(dataByBase64UrlSafeDecoding("=="), std::nullopt);
    EXPECT_EQ(dataByBase64UrlSafeDecoding("===="), std::nullopt);
}

TEST(Base64UrlDecoding, WhiteSpaceAroundTheTextIsIgnored)
{
    EXPECT_EQ(dataByBase64UrlSafeDecoding("  Zm9v\n"), bytesOf("foo"));
    EXPECT_EQ(dataByBase64UrlSafeDecoding("\t_w==\r\n"), Bytes{0xFF});
    EXPECT_EQ(dataByBase64UrlSafeDecoding(" \n\t "), std::nullopt);
}

// A character outside the alphabet used to be skipped, shifting every later byte while the
// decoding still reported success.
TEST(Base64UrlDecoding, StrayCharacterFailsInsteadOfCorruptingLaterBytes)
{
    EXPECT_EQ(dataByBase64UrlSafeDecoding("Zm9v!YmFy"), std::nullopt);
    EXPECT_EQ(dataByBase64UrlSafeDecoding("Zm9v YmFy"), std::nullopt);
    EXPECT_EQ(dataByBase64UrlSafeDecoding("Zm9v\nYmFy"), std::nullopt);
    EXPECT_EQ(dataByBase64UrlSafeDecoding("Zm9v.mFy"), std::nullopt);
    EXPECT_EQ(dataByBase64UrlSafeDecoding(std::string("Zm9v\0mFy", 8)), std::nullopt);
    EXPECT_EQ(dataByBase64UrlSafeDecoding("Zm9v\xC3\xA9mF"), std::nullopt);
}

TEST(Base64UrlDecoding, StandardAlphabetCharactersAreRejected)
{
    EXPECT_EQ(dataByBase64UrlSafeDecoding("+w=="), std::nullopt);
    EXPECT_EQ(dataByBase64UrlSafeDecoding("/w"), std::nullopt);
    EXPECT_EQ(dataByBase64UrlSafeDecoding("-w"), Bytes{0xFB});
}

TEST(Base64UrlDecoding, PaddingAnywhereButTheEndFails)
{
    EXPECT_EQ(dataByBase64UrlSafeDecoding("Zg==Zg=="), std::nullopt);
    EXPECT_EQ(dataByBase64UrlSafeDecoding("Z=g="), std::nullopt);
    EXPECT_EQ(dataByBase64UrlSafeDecoding("=Zm9v"), std::nullopt);
}

// Padding that does not end a whole group would leave characters unread.
TEST(Base64UrlDecoding, PaddedTextMustEndAWholeGroup)
{
    EXPECT_EQ(dataByBase64UrlSafeDecoding("Zm9vYg="), std::nullopt);
    EXPECT_EQ(dataByBase64UrlSafeDecoding("Zm9vY=="), std::nullopt);
    EXPECT_EQ(dataByBase64UrlSafeDecoding("AAAAA=="), std::nullopt);
}

TEST(Base64UrlRoundTrip, EveryLengthUpTo300)
{
    for (size_t length = 1; length <= 300; ++length) {
        const Bytes data = randomDataWithLength(length);
        const std::string text = stringByBase64UrlSafeEncoding(data);
        ASSERT_EQ(text.size(), (length * 4 + 2) / 3) << length;
        ASSERT_EQ(text.find('='), std::string::npos);
        ASSERT_EQ(dataByBase64UrlSafeDecoding(text), data) << length;
    }
}

TEST(Base64UrlRoundTrip, StringViewAndVectorEncodeAlike)
{
    const std::string bytes("\x00\x01\xFE\xFFxyz", 7);
    EXPECT_EQ(stringByBase64UrlSafeEncoding(std::string_view(bytes)), stringByBase64UrlSafeEncoding(bytesOf(bytes)));
}

TEST(Base64UrlRoundTrip, SeveralMegabytes)
{
    const Bytes data = randomDataWithLength(3 * 1024 * 1024 + 1);
    const auto decoded = dataByBase64UrlSafeDecoding(stringByBase64UrlSafeEncoding(data));
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(*decoded == data);
}

} // namespace
