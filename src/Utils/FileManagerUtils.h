#pragma once

#include <chrono>
#include <optional>
#include <string>

// The user's standard folders that the application asks for.
enum class SearchPathDirectory {
    Library,   // the XDG data folder ($XDG_DATA_HOME, default ~/.local/share); the store adds its own folder
    Documents, // the XDG documents folder, default ~/Documents
};

// The folder's path, created when missing; empty when it cannot be found or made.
std::optional<std::string> getUserDocumentsDirectory(SearchPathDirectory kind);

// The item's modification time; empty when its attributes cannot be read.
std::optional<std::chrono::system_clock::time_point> getDateOfItemAtPath(const std::string& path);
