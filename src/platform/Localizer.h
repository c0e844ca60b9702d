#pragma once

#include <string>
#include <vector>

// The English string table, "resources/strings/en.strings": one "key=value" a line, "#" comments,
// "\n" in a value for a newline. A missing key gives the empty text.
std::string localized(const std::string& key);

// Fills the placeholders "%@", "%s", "%ld", "%lu", "%li", "%d", "%u" and "%i" of a format in order
// with the arguments, as plain text: neither the format nor an argument ever reaches printf.
// A positional form ("%2$@", "%1$s") takes the argument of that number and leaves the order of
// the others alone. "%%" gives "%". Missing arguments give the empty text.
std::string formatText(const std::string& format, const std::vector<std::string>& arguments);

// localized(key) with its placeholders filled.
std::string localizedFormat(const std::string& key, const std::vector<std::string>& arguments);

// Drops the loaded table so that the next look-up reads it again (tests).
void reloadStringTable();
