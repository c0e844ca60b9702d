#include "platform/Folders.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string homeFolder()
{
    const char* home = std::getenv("HOME");
    // A relative home ("HOME=." in a script) is taken from the working folder: every path and
    // file URL made from it must name the same file wherever it is used.
    if (home && *home) {
        std::error_code ec;
        const fs::path absolute = fs::absolute(home, ec).lexically_normal();
        std::string folder = ec ? std::string(home) : absolute.string();
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        return folder;
    }
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}

// The XDG base-directory rule: a relative or empty value is ignored.
std::string xdgFolder(const char* variable, const char* fallbackUnderHome)
{
    const char* value = std::getenv(variable);
    if (value && value[0] == '/') return value;
    return homeFolder() + "/" + fallbackUnderHome;
}

bool isFolder(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

} // namespace

namespace Folders {

std::string userDataFolder()
{
    return xdgFolder("XDG_DATA_HOME", ".local/share") + "/Tarnwick";
}

std::string configFolder()
{
    return xdgFolder("XDG_CONFIG_HOME", ".config") + "/tarnwick";
}

std::string executableFolder()
{
    // The running program does not move: asked once. Resources are looked up for every link and
    // icon of a map, and a system call each time made loading a map of many links slow.
    static const std::string folder = [] {
        std::error_code ec;
        fs::path exe = fs::read_symlink("/proc/self/exe", ec);
        return ec ? std::string() : exe.parent_path().string();
    }();
    return folder;
}

std::string resourcesFolder()
{
    if (const char* value = std::getenv("TARNWICK_RESOURCES"); value && *value) return value;
    static const std::string installed = [] {
        const std::string exeFolder = executableFolder();
        if (exeFolder.empty()) return std::string();
        const std::string besideBuild = exeFolder + "/../resources";
        if (isFolder(besideBuild)) return fs::path(besideBuild).lexically_normal().string();
        return fs::path(exeFolder + "/../share/tarnwick").lexically_normal().string();
    }();
    return installed;
}

std::string resourcePath(const std::string& relativePath)
{
    return resourcesFolder() + "/" + relativePath;
}

bool createFolder(const std::string& path)
{
    if (path.empty()) return false;
    std::error_code ec;
    fs::create_directories(path, ec);
    return isFolder(path);
}

} // namespace Folders
