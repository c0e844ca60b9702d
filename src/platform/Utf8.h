#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Strict UTF-8 reading shared by every text helper: overlong forms, surrogates and values past
// U+10FFFF are not characters.
namespace Utf8 {

inline constexpr char32_t Invalid = 0xFFFFFFFF;

// Decodes the character at text[pos] and advances pos past it. A byte that does not begin a
// well-formed sequence yields Invalid and advances pos by one.
char32_t decodeNext(std::string_view text, size_t& pos);

// Appends the UTF-8 form of a character.
void append(std::string& out, char32_t c);

bool isValid(std::string_view text);

} // namespace Utf8
