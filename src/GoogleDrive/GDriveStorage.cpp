#include "GoogleDrive/GDriveStorage.h"

#include "GoogleDrive/GDriveFileInfoCache.h"
#include "GoogleDrive/GDriveProvider.h"

GDriveStorage::GDriveStorage(CreationKey key, GDriveProvider* provider, const std::string& gdriveId,
                             const std::string& fileName, const std::string& cacheDirectory)
    : ExternalMindMapStorage(key, provider, gdriveId, fileName, cacheDirectory)
{
}

GDriveProvider* GDriveStorage::driveProvider() const
{
    return dynamic_cast<GDriveProvider*>(provider());
}

std::string GDriveStorage::title() const
{
    GDriveProvider* owner = driveProvider();
    const GDriveFileInfoItem* item = owner ? owner->service().fileInfo().get(id()) : nullptr;
    const std::string name = item ? item->name() : std::string();
    if (name.empty()) return id();
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

void GDriveStorage::mindMapCommitted()
{
    GDriveProvider* owner = driveProvider();
    if (!owner) return;
    GDriveProviderService& service = owner->service();
    if (service.isActive()) {
        const GDriveFileInfoItem* item = service.fileInfo().get(id());
        if (item && item->isNew()) service.highPrioritySynchronizeFile(id());
    }
    service.removeThumbnail(GDriveFileInfoCache::thumbnailHashForGDriveId(id()));
}

void GDriveStorage::changeFileId(const std::string& oldId, const std::string& newId)
{
    GDriveProvider* owner = driveProvider();
    if (!owner || id() != oldId) return;
    setSourceFile(owner->cacheFilePathForFileId(newId));
    changeId(newId);
}
