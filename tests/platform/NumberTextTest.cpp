#include "platform/NumberText.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

namespace {

std::string printfFixed(double value, int decimals)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

// Switches the process to a locale with a decimal comma for the life of the object.
class CommaLocale {
public:
    CommaLocale()
    {
        _previous = std::setlocale(LC_ALL, nullptr);
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "nl_NL.UTF-8"}) {
            if (std::setlocale(LC_ALL, name) && printfFixed(0.5, 1) == "0,5") {
                _active = true;
                return;
            }
        }
        std::setlocale(LC_ALL, _previous.c_str());
    }
    ~CommaLocale() { std::setlocale(LC_ALL, _previous.c_str()); }
    bool active() const { return _active; }

private:
    std::string _previous;
    bool _active = false;
};

} // namespace

TEST(NumberTextFormat, AgreesWithPrintfOnManyValues)
{
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> values(-1e6, 1e6);
    for (int i = 0; i < 20000; ++i) {
        double v = values(random);
        if (i % 3 == 0) v /= 1000;
        int decimals = i % 4;
        ASSERT_EQ(formatFixed(v, decimals), printfFixed(v, decimals)) << v;
    }
}

TEST(NumberTextFormat, ValuesThatAreNoNumbersAreWrittenAsZero)
{
    EXPECT_EQ(formatFixed(std::numeric_limits<double>::quiet_NaN()), "0.00");
    EXPECT_EQ(formatFixed(std::numeric_limits<double>::infinity()), "0.00");
    EXPECT_EQ(formatFixed(-std::numeric_limits<double>::infinity(), 1), "0.0");
}

TEST(NumberTextLocale, WritersAndReadersIgnoreADecimalCommaLocale)
{
    CommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma is installed";
    ASSERT_EQ(printfFixed(1.0 / 3, 2), "0,33"); // the locale is really in force
    EXPECT_EQ(formatFixed(1.0 / 3), "0.33");
    EXPECT_EQ(formatFixed(-1234.5, 1), "-1234.5");
    EXPECT_EQ(formatInteger(1234567), "1234567");
    EXPECT_DOUBLE_EQ(parseDouble("0.33"), 0.33);
    EXPECT_DOUBLE_EQ(parseDouble("0,33"), 0.0);
    EXPECT_DOUBLE_EQ(parseDouble("12.5e1"), 125.0);
    EXPECT_EQ(parseInteger("1.234"), 1);
}

TEST(NumberTextParse, IntegersSaturate)
{
    EXPECT_EQ(parseInteger("9223372036854775808"), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(parseInteger("-" + std::string(10000, '9')), std::numeric_limits<int64_t>::min());
}

TEST(NumberTextParse, DoublesLenientlyWithAFallback)
{
    const std::pair<const char*, double> cases[] = {
        {" -3.5e2x", -350}, {"-.5", -0.5}, {"7e+", 7.0},     {"12px", 12.0},  {"0x1A", 0.0}, {"", 3},
        {".", 3},           {"e5", 3},     {"-infinity", 3}, {"NAN(123)", 3}, // no numbers either
    };
    for (const auto& [text, value] : cases) EXPECT_DOUBLE_EQ(parseDouble(text, 3), value) << text;
    EXPECT_DOUBLE_EQ(parseDouble("abc"), 0.0);
}

TEST(NumberTextParse, DoublesOutOfRangeStayFinite)
{
    EXPECT_EQ(parseDouble("-1e999"), -DBL_MAX);
    EXPECT_EQ(parseDouble(std::string(500, '9')), DBL_MAX);
    EXPECT_EQ(parseDouble("1e-999"), 0.0);
    EXPECT_DOUBLE_EQ(parseDouble("0.001e309"), 1e306);
    EXPECT_EQ(parseDouble("1e99999999999999999999"), DBL_MAX);
}

TEST(NumberTextParse, WrittenTextReadsBack)
{
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> values(-1e5, 1e5);
    for (int i = 0; i < 2000; ++i) {
        double v = values(random);
        std::string text = formatFixed(v);
        EXPECT_EQ(formatFixed(parseDouble(text)), text);
    }
    for (int64_t v : {int64_t(0), int64_t(-1), int64_t(123456789012345), std::numeric_limits<int64_t>::min()}) {
        EXPECT_EQ(parseInteger(formatInteger(v)), v);
    }
}

TEST(NumberTextParse, StrictIntegersRejectGarbageAndLeaveTheValue)
{
    for (const char* text : {"", "-", " 1", "1 ", "12a", "0x10", "+-1", "9223372036854775808"}) {

        int64_t value = 77;
        EXPECT_FALSE(parseIntegerStrict(text, value)) << text;
        EXPECT_EQ(value, 77) << text;
    }
    int64_t value = 77;
    EXPECT_FALSE(parseIntegerStrict(std::string("1\0"
                                                "2",
                                                3),
                                    value));
    EXPECT_FALSE(parseIntegerStrict(std::string(100000, '1'), value));
    EXPECT_EQ(value, 77);
}
