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

} // namespace
