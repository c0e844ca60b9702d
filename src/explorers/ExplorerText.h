#pragma once

#include <string>
#include <vector>

struct Error;

// The localised format of the key, its "%s" placeholders (plain or numbered) read as "%@", filled
// with the arguments as plain text.
std::string formatLocalizedText(const std::string& key, const std::vector<std::string>& arguments);

// "%s" → "%@" and "%1$s" → "%1$@"; every other part of the format unchanged.
std::string objectPlaceholders(const std::string& format);

// Shows an error of an explorer command as an alert.
void presentExplorerError(const Error& error);
// Shows an alert saying what could not be done and why, a failure of the file system in the
// system's words: the files the store keeps are named by ids the user never sees.
void presentExplorerFailure(const std::string& what, const Error& cause);
