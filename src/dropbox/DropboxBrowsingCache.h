#pragma once

#include "dropbox/DropboxAnswers.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// The last complete listing of each Dropbox folder seen in this run, so that a folder shows at once
// while it is listed afresh and free names can be picked without asking the server. Nothing of it
// reaches the disk. Main thread only.
class DropboxBrowsingCache {
public:
    // The entries exactly as the server sent them; shared, never changed once stored.
    using Listing = std::shared_ptr<const std::vector<DropboxMetadata>>;

    // The folder's Dropbox path in lower case (and canonical decomposed form, as names from the
    // file system come) without one trailing "/"; the root, "" or "/", is "/".
    static std::string normalizeKey(const std::string& folder);
    // One of the entries is called name, ignoring case.
    static bool metadataContainsFilename(const std::vector<DropboxMetadata>& entries, const std::string& name);

    // Replaces an older listing of the folder.
    void put(const std::string& folder, std::vector<DropboxMetadata> entries);
    // nullptr when the folder has no listing.
    Listing get(const std::string& folder) const;
    bool contains(const std::string& folder, const std::string& name) const;
    void remove(const std::string& folder);
    // The folder's listing and those of every folder below it; /maps-old is not below /maps.
    void directoryDeleted(const std::string& folder);
    void clear() { _folderCache.clear(); }
    size_t count() const { return _folderCache.size(); }

private:
    std::map<std::string, Listing> _folderCache;
};
