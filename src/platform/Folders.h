#pragma once

#include <string>

// Where the application keeps its files. Environment variables point tests elsewhere:
// XDG_DATA_HOME and XDG_CONFIG_HOME as usual, TARNWICK_RESOURCES for the resources folder.
namespace Folders {

// $XDG_DATA_HOME/Tarnwick, default ~/.local/share/Tarnwick. Not created here.
std::string userDataFolder();

// $XDG_CONFIG_HOME/tarnwick, default ~/.config/tarnwick. Not created here.
std::string configFolder();

// The application's resources: $TARNWICK_RESOURCES, else <executable folder>/../resources,
// else <executable folder>/../share/tarnwick.
std::string resourcesFolder();

// The folder of the running executable (from /proc/self/exe); empty when it cannot be found.
std::string executableFolder();

// The path of a resource file under the resources folder.
std::string resourcePath(const std::string& relativePath);

// Creates a folder and its parents; true when it exists afterwards.
bool createFolder(const std::string& path);

} // namespace Folders
