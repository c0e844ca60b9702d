#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Finds the encoding of text that came from outside (an imported file, a paste) and returns the
// text as UTF-8, without its byte-order mark.
//
// Recognised, in this order: a byte-order mark of UTF-8, UTF-16 little-endian or UTF-16
// big-endian (the rest must then be well-formed in that encoding); text without a mark that is
// strict UTF-8; text whose non-ASCII characters are mostly well-formed UTF-8, each stray byte
// becoming U+FFFD; and, for anything else, Windows-1252. Nothing comes back for data that is none of
// these (UTF-16 with a broken surrogate, bytes Windows-1252 leaves undefined) and for data that
// holds a NUL character: that is binary data, or UTF-16/32 without a mark, not text.
//
// Linear in the size of the data.
std::optional<std::string> decodeImportedText(const uint8_t* data, size_t size);
