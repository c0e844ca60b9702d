#include "Utils/FileManagerUtils.h"

#include <glib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

namespace {

std::string homeFolder()
{
    // $HOME first, read on every call: GLib keeps the first answer of g_get_home_dir.
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    return g_get_home_dir();
}

std::string libraryFolder()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    // Relative values are invalid by the XDG rules and are ignored.
    if (data && data[0] == '/') return data;
    const std::string home = homeFolder();
    return home.empty() ? std::string() : home + "/.local/share";
}

std::string documentsFolder()
{
    const char* special = g_get_user_special_dir(G_USER_DIRECTORY_DOCUMENTS);
    if (special && *special) return special;
    const std::string home = homeFolder();
    return home.empty() ? std::string() : home + "/Documents";
}

} // namespace

std::optional<std::string> getUserDocumentsDirectory(SearchPathDirectory kind)
{
    const std::string path = kind == SearchPathDirectory::Library ? libraryFolder() : documentsFolder();
    if (path.empty()) return std::nullopt;
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (!std::filesystem::is_directory(path, ec)) return std::nullopt;
    return path;
}

std::optional<std::chrono::system_clock::time_point> getDateOfItemAtPath(const std::string& path)
{
    struct stat attributes {};
    if (stat(path.c_str(), &attributes) != 0) return std::nullopt;
    const auto sinceEpoch =
        std::chrono::seconds(attributes.st_mtim.tv_sec) + std::chrono::nanoseconds(attributes.st_mtim.tv_nsec);
    return std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(sinceEpoch));
}
