#pragma once

#include <string>
#include <vector>

// The English string table, "resources/strings/en.strings": one "key=value" a line, "#" comments,
// "\n" in a value for a newline. A missing key gives the empty text.
std::string localized(const std::string& key);

// Fills the placeholders "%@", "%s", "%ld" and "%d" of a format in order with the arguments,
// as plain text: no argument is ever read as a format. "%%" gives "%". Missing arguments give
// the empty text.
std::string formatText(const std::string& format, const std::vector<std::string>& arguments);

// localized(key) with its placeholders filled.
std::string localizedFormat(const std::string& key, const std::vector<std::string>& arguments);

// Drops the loaded table so that the next look-up reads it again (tests).
void reloadStringTable();
