#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The characters of a UTF-8 text as a user sees them: extended grapheme clusters by Unicode's
// rules (ICU), so that a letter with its accents, a flag or a family emoji is one character and
// no cut separates its parts. Offsets are byte offsets; a byte that is not part of a well-formed
// sequence stands for one character of its own.
//
// With a maximum of code points, a longer cluster counts as one character for each started
// maximum, and may be cut between them: a limit counted in characters must not let a few
// characters that stack megabytes of marks on one letter pass.
//
// Thread-safe: each thread walks with a break iterator of its own.
namespace Graphemes {

inline constexpr size_t Unbounded = SIZE_MAX;
// Unicode's stream-safe text format holds no more than 30 marks to a base character; the longest
// emoji sequences have 11 code points.
inline constexpr size_t StreamSafeCodePoints = 31;

size_t count(std::string_view text, size_t maximumCodePoints = Unbounded);
// The byte offset after the first characters; the text's size when it has no more.
size_t offsetAfter(std::string_view text, size_t characters, size_t maximumCodePoints = Unbounded);
// The last character boundary at or before the byte offset (0 at the latest).
size_t boundaryAtOrBefore(std::string_view text, size_t offset, size_t maximumCodePoints = Unbounded);

} // namespace Graphemes
