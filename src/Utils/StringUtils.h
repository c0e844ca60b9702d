#pragma once

#include <string>
#include <string_view>

// Every line end becomes one LF: CR LF counts as one, and so does each single newline character
// (LF, VT, FF, CR, U+0085, U+2028, U+2029). Bytes that are not UTF-8 are copied unchanged.
std::string NormalizeNewlines(std::string_view text);

// True when the texts are equal after Unicode case folding.
bool caseInsensitiveEqual(std::string_view text, std::string_view other);

// The text in canonical decomposed form (NFD), the form names are compared in with names read
// from the file system. Text that is not UTF-8 is returned unchanged.
std::string canonicalForFileSystem(std::string_view text);

// True when the texts are equal ignoring the case of ASCII letters only (names in documents).
bool asciiCaseInsensitiveEqual(std::string_view text, std::string_view other);
// The text with its ASCII capitals made small: the key under which asciiCaseInsensitiveEqual texts
// are one.
std::string asciiLowercased(std::string text);

// Unicode lower case; bytes that are not UTF-8 are made valid first, since the case mapping
// needs whole characters.
std::string lowercased(std::string_view text);

// Unicode's white space and newlines: tab to carriage return, space, U+0085, U+00A0, U+1680,
// U+2000-U+200A, U+2028, U+2029, U+202F, U+205F, U+3000. The no-break and ideographic spaces
// separate words like any blank.
bool isWhitespaceOrNewline(char32_t c);

// White space and newlines taken off both ends. Bytes that are not UTF-8 count as text.
std::string trimWhitespaceAndNewlines(std::string_view text);
// The same part of the text, without a copy.
std::string_view trimmedWhitespaceAndNewlines(std::string_view text);
