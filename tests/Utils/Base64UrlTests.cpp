#include "Utils/Base64Url.h"
#include "Utils/RandomData.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

TEST(Base64UrlEncoding, UrlSafeAlphabetWithoutPadding)
{
    EXPECT_EQ(stringByBase64UrlSafeEncoding(Bytes{0xFB, 0xFF}), "-_8");
    EXPECT_EQ(stringByBase64UrlSafeEncoding(std::string_view("fooba")), "Zm9vYmE");

    EXPECT_EQ(Base64UrlAlphabet, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_");
    Bytes counting; // 48 bytes whose 6-bit groups count 0..63
    for (unsigned i = 0; i < 64; i += 4) {
        counting.push_back(static_cast<uint8_t>((i << 2) | ((i + 1) >> 4)));
        counting.push_back(static_cast<uint8_t>(((i + 1) << 4) | ((i + 2) >> 2)));
        counting.push_back(static_cast<uint8_t>(((i + 2) << 6) | (i + 3)));
    }
    EXPECT_EQ(stringByBase64UrlSafeEncoding(counting), std::string(Base64UrlAlphabet));
}

TEST(Base64UrlDecoding, MalformedTextFails)
{
    const std::string bad[] = {
        "",         "_w=", // one padding character
        "Zm9vY",           // length leaves remainder 1
        "+w==",            // the standard alphabet's characters
        "Zg==Zg==",        // padding anywhere but the end
        "Zm9vYg=",         // padding that does not end a whole group
    };
    for (const std::string& text : bad) EXPECT_EQ(dataByBase64UrlSafeDecoding(text), std::nullopt) << text;
}

// A character outside the alphabet used to be skipped, shifting every later byte while the
// decoding still reported success.
TEST(Base64UrlDecoding, StrayCharacterFailsInsteadOfCorruptingLaterBytes)
{
    for (const std::string& text :
         {std::string("Zm9v YmFy"), std::string("Zm9v\0mFy", 8), std::string("Zm9v\xC3\xA9mF")})
        EXPECT_EQ(dataByBase64UrlSafeDecoding(text), std::nullopt) << text;
}

TEST(Base64UrlRoundTrip, EveryLengthUpTo300AndSeveralMegabytes)
{
    for (size_t length = 1; length <= 300; ++length) {
        const Bytes data = randomDataWithLength(length);
        const std::string text = stringByBase64UrlSafeEncoding(data);
        ASSERT_EQ(text.size(), (length * 4 + 2) / 3) << length;
        ASSERT_EQ(dataByBase64UrlSafeDecoding(text), data) << length;
    }
    const Bytes data = randomDataWithLength(3 * 1024 * 1024 + 1);
    const auto decoded = dataByBase64UrlSafeDecoding(stringByBase64UrlSafeEncoding(data));
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(*decoded == data);
}

} // namespace
