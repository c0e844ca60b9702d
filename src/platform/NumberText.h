#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Numbers as text in files: written and read the same way whatever the process locale is.

// "-12", "0", "9223372036854775807".
std::string formatInteger(int64_t value);

// Like "%.*f" in the C locale ("0.33", "-0.00" for -0.001). A value that is not finite is
// written as 0, because no reader accepts "nan" or "inf" back. decimals is kept within 0..30.
std::string formatFixed(double value, int decimals = 2);

// Lenient readers: leading white space, an optional sign, then the longest number prefix
// ("12abc" is 12, " -3.5e2x" is -350). Text without a number at its start answers the fallback.
// Integers beyond the 64-bit range saturate; reals beyond the double range answer the largest
// finite value of that sign and reals too small become 0. "inf", "nan" and hexadecimal are no
// numbers here.
int64_t parseInteger(std::string_view text, int64_t fallback = 0);
double parseDouble(std::string_view text, double fallback = 0);

// The whole text must be an integer: an optional sign and decimal digits, nothing else, within
// the 64-bit range. On failure value is left unchanged.
bool parseIntegerStrict(std::string_view text, int64_t& value);
