#pragma once

#include <functional>
#include <string>

class DropboxFileInfoCache;

enum class DropboxMigrationOutcome {
    // There was no older cache.
    NothingToDo,
    // The older cache was taken over and removed.
    Migrated,
    // Its records could not be read, or a file could not be copied: the older cache stays where it
    // is, so that no map is lost, and the next start tries again.
    KeptOldCache,
};

// Takes over the older cache, which kept files under their service path with its case, into the
// current one, whose cache paths come from cachePathForPath (empty for a path that has none).
// Files keep their dates, so that the records still match them.
DropboxMigrationOutcome
convertCaseSensitiveCache(DropboxFileInfoCache& current, const std::string& oldFolder, const std::string& oldRecordFile,
                          const std::function<std::string(const std::string&)>& cachePathForPath);
