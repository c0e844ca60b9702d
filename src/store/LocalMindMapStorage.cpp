#include "store/LocalMindMapStorage.h"

#include "store/CustomImageStore.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapStore.h"
#include "store/MindMapStoreFolder.h"

LocalMindMapStorage::LocalMindMapStorage(CreationKey key, MindMapProvider* provider, std::string guid)
    : MindMapStorage(key, provider, std::move(guid))
{
}

MindMapInfoItem* LocalMindMapStorage::mindMapItem() const
{
    return MindMapStore::safeGetMindMapByGuid(id());
}

std::shared_ptr<CustomImageStore> LocalMindMapStorage::imageStore() const
{
    return CustomImageStore::localImageStore();
}

std::string LocalMindMapStorage::guid() const
{
    return id();
}

std::string LocalMindMapStorage::title() const
{
    MindMapInfoItem* item = mindMapItem();
    return item ? item->singleLineTitle() : std::string();
}

void LocalMindMapStorage::centralThemeChanged(const std::string& themeText)
{
    if (MindMapInfoItem* item = mindMapItem()) item->setTitle(themeText);
}

bool LocalMindMapStorage::commitMindMap(MindMap* mindMap, Error* error)
{
    MindMapInfoItem* item = mindMapItem();
    return item ? item->commitMindMap(mindMap, error) : false;
}

std::string LocalMindMapStorage::mindMapFileUrl() const
{
    MindMapInfoItem* item = mindMapItem();
    return item ? item->mindMapFileUrl() : std::string();
}

std::optional<std::vector<uint8_t>> LocalMindMapStorage::getMindMapExportData()
{
    MindMapInfoItem* item = mindMapItem();
    return item ? item->getMindMapExportData() : std::nullopt;
}

void LocalMindMapStorage::updateRecyclerStatus()
{
    MindMapInfoItem* item = mindMapItem();
    MindMapStore* store = MindMapStore::existingInstance();
    setInRecycler(item && store && item->parent() && store->isRecyclerFolder(item->parent()));
}
