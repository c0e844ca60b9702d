#include "dropbox/DropboxCacheMigration.h"

#include "dropbox/DropboxFileInfoCache.h"

#include <glib.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <filesystem>
#include <system_error>

namespace {

// The path with its names in decomposed form, as the older cache stored them; empty when a name
// would step out of the folder.
std::string oldRelativePath(const std::string& path)
{
    gchar* decomposed = g_utf8_normalize(path.c_str(), gssize(path.size()), G_NORMALIZE_NFD);
    if (!decomposed) return {};
    std::string result = decomposed;
    g_free(decomposed);
    for (const auto& part : std::filesystem::path(result)) {
        if (part == "." || part == "..") return {};
    }
    return result;
}

bool copyKeepingDate(const std::string& source, const std::string& target)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(target).parent_path(), error);
    if (error) return false;
    if (!std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing, error)) {
        return false;
    }
    struct stat st {};
    if (::stat(source.c_str(), &st) != 0) return false;
    timespec times[2] = {st.st_atim, st.st_mtim};
    return ::utimensat(AT_FDCWD, target.c_str(), times, 0) == 0;
}

} // namespace

DropboxMigrationOutcome
convertCaseSensitiveCache(DropboxFileInfoCache& current, const std::string& oldFolder, const std::string& oldRecordFile,
                          const std::function<std::string(const std::string&)>& cachePathForPath)
{
    std::error_code error;
    if (!std::filesystem::is_directory(oldFolder, error)) return DropboxMigrationOutcome::NothingToDo;
    if (!std::filesystem::exists(oldRecordFile, error)) {
        std::filesystem::remove_all(oldFolder, error);
        return DropboxMigrationOutcome::Migrated;
    }
    DropboxFileInfoCache old(oldRecordFile, false);
    if (old.recordsWereUnreadable()) return DropboxMigrationOutcome::KeptOldCache;

    bool whole = true;
    current.beginUpdate();
    for (DropboxFileInfoItem* record : old.itemsList()) {
        if (current.get(record->path())) continue;
        const std::string relative = oldRelativePath(record->path());
        const std::string target = cachePathForPath(record->path());
        if (relative.empty() || target.empty()) continue;
        const std::string source = oldFolder + (relative[0] == '/' ? "" : "/") + relative;
        if (!std::filesystem::exists(source, error)) continue;
        if (!copyKeepingDate(source, target)) {
            whole = false;
            continue;
        }
        current.update(record->path(), record->localModified(), record->lastAccessed(), record->rev());
    }
    current.endUpdate();
    // The old records are the only ones of a map never uploaded until the new ones are on disk.
    if (!current.flush()) whole = false;
    if (!whole) return DropboxMigrationOutcome::KeptOldCache;
    std::filesystem::remove_all(oldFolder, error);
    std::filesystem::remove(oldRecordFile, error);
    return DropboxMigrationOutcome::Migrated;
}
