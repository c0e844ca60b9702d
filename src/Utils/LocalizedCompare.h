#pragma once

#include <string>
#include <string_view>

// The order a person expects names and titles in: the locale's collation, with numbers compared
// by value ("a9" before "a10") and letter case and accents as the locale sorts them. File lists
// and the outliner's date list both sort by it.

// A key whose byte order is that order; keep it when one text is compared many times.
std::string localizedStandardSortKey(std::string_view text);
// -1, 0 or 1.
int localizedStandardCompare(std::string_view text, std::string_view other);
