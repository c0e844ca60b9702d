#pragma once

#include "store/ExternalMindMapStorage.h"

#include <string>

class DropboxProvider;

// One Dropbox map, opened from its local copy in the provider's cache.
class DropboxStorage : public ExternalMindMapStorage {
public:
    DropboxStorage(CreationKey key, DropboxProvider* provider, const std::string& dbPath, const std::string& fileName,
                   const std::string& cacheDirectory);

    // The Dropbox name in its display case; the cache file's name is lower case.
    std::string title() const override;

    // Follow a move made on Dropbox.
    void fileRenamedFrom(const std::string& oldPath, const std::string& newPath);
    void directoryRenamedFrom(const std::string& oldFolder, const std::string& newFolder);

protected:
    // A map never uploaded goes up on its first save; every save makes the thumbnail anew.
    void mindMapCommitted() override;

private:
    DropboxProvider* dropboxProvider() const;
};
