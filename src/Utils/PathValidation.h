#pragma once

#include <string>
#include <string_view>

// The characters never allowed in a file name: < > : " / \ | ? *
std::string_view invalidFileNameCharacters();
// The characters never allowed in a path: those of file names but the two separators.
std::string_view invalidPathCharacters();

bool containsInvalidFilenameChars(std::string_view text);

// Keeps letters, marks, numbers, symbols and punctuation of the Basic Multilingual Plane (and "/"
// in a path) that the mode allows; drops control, format and private characters and everything
// beyond the plane. Runs of white space become one space when spaces are allowed, else vanish;
// the result is trimmed. So that a name can never reach outside its folder, a file name made only
// of dots becomes empty, and a path loses its "." and ".." components (a leading "/" stays: paths
// are taken relative to a root their callers know).
std::string stringByRemovingInvalidChars(std::string_view text, bool isPath, bool allowSpaces);
std::string stringByRemovingInvalidFileNameCharsAllowSpaces(std::string_view text, bool allowSpaces);
std::string stringByRemovingInvalidPathCharsAllowSpaces(std::string_view text, bool allowSpaces);

// Backslashes become slashes, and every run of slashes one slash.
std::string stringByNormalizingPathSeparators(std::string_view text);

// At most 70 characters, never cut inside a character.
inline constexpr size_t SaneFileNameLength = 70;
std::string stringWithSaneFileNameLength(std::string_view text);

// The text with "/" appended unless it is empty or already ends with "/".
std::string includeTrailingPathSeparator(std::string_view text);
