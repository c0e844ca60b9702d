#pragma once

#include "store/ExternalMindMapStorage.h"

#include <string>

class GDriveProvider;

// One Drive map, opened from its local copy in the provider's cache.
class GDriveStorage : public ExternalMindMapStorage {
public:
    GDriveStorage(CreationKey key, GDriveProvider* provider, const std::string& gdriveId, const std::string& fileName,
                  const std::string& cacheDirectory);

    // The Drive name without extension; the cache file is named after the id.
    std::string title() const override;

    // A conflict copy took the place of the file.
    void changeFileId(const std::string& oldId, const std::string& newId);

protected:
    // A map never uploaded goes up on its first save; every save makes the thumbnail anew.
    void mindMapCommitted() override;

private:
    GDriveProvider* driveProvider() const;
};
