// Numbers in the form documents write them ("%.2f") are read by a shorter way than the general
// conversion: it must give exactly the same doubles, and leave every other form to the general way.

#include "platform/NumberText.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

namespace {

// The general conversion of the same text, as the reader did it before.
double generalConversion(std::string_view text)
{
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) text.remove_prefix(1);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    return negative ? -value : value;
}

void expectSameBits(const std::string& text)
{
    EXPECT_EQ(std::bit_cast<uint64_t>(parseDouble(text, 99)), std::bit_cast<uint64_t>(generalConversion(text))) << text;
}

TEST(NumberTextDocumentDecimals, GiveTheSameDoublesAsTheGeneralConversion)
{
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> small(-2000, 2000);
    std::uniform_real_distribution<double> large(-1e13, 1e13);
    for (int i = 0; i < 20000; ++i) {
        expectSameBits(formatFixed(small(random)));
        expectSameBits(formatFixed(large(random)));
        expectSameBits(formatFixed(small(random), 1));
        expectSameBits(formatFixed(large(random), 0));
    }
    for (const char* text : {"0.00", "-0.00", "0.1", "0.29", "0.33", "-0.01", "999999999999.99", "9999999999999.9",
                             "999999999999999", "5.", "-5."})
        expectSameBits(text);
}

TEST(NumberTextDocumentDecimals, OtherFormsKeepTheirMeaning)
{
    const std::pair<const char*, double> cases[] = {
        {"1.234", 1.234},       {"1.5e2", 150},          {"1.5E2", 150},       {"2.5.7", 2.5},
        {"12.5px", 12.5},       {"  7.25", 7.25},        {"+7.25", 7.25},      {"1234567890123456", 1234567890123456.0},
        {"99999999999999.99", 99999999999999.99},        {"-0.125", -0.125},   {"3.14159", 3.14159},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(parseDouble(text, 99), value) << text;
    EXPECT_TRUE(std::signbit(parseDouble("-0.00", 99)));
}

} // namespace
