#include "cloud/CacheFiles.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool removeTree(const fs::path& path, const std::set<std::string>& keep)
{
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (status.type() == fs::file_type::not_found) return true;
    if (error) return false;
    if (status.type() != fs::file_type::directory) {
        if (keep.count(path.lexically_normal().string())) return false;
        fs::remove(path, error);
        return !error;
    }
    std::vector<fs::path> entries;
    fs::directory_iterator it(path, error);
    for (const fs::directory_iterator end; !error && it != end; it.increment(error)) entries.push_back(it->path());
    bool emptied = !error;
    for (const fs::path& entry : entries) emptied = removeTree(entry, keep) && emptied;
    if (!emptied) return false;
    fs::remove(path, error);
    return !error;
}

} // namespace

bool removeTreeExcept(const std::string& path, const std::set<std::string>& keep)
{
    if (path.empty()) return false;
    std::set<std::string> normal;
    for (const std::string& file : keep) normal.insert(fs::path(file).lexically_normal().string());
    return removeTree(fs::path(path), normal);
}
