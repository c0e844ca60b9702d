#include "store/LocalProvider.h"

#include "Utils/FeedbackSink.h"
#include "Utils/StringUtils.h"
#include "platform/Error.h"
#include "platform/Localizer.h"
#include "store/EditorInterface.h"
#include "store/LocalMindMapStorage.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapSearchCache.h"
#include "store/MindMapSearchInfo.h"
#include "store/MindMapStore.h"
#include "store/MindMapStoreFolder.h"

namespace {

MindMapInfoItem* mapByGuid(const std::string& guid)
{
    return MindMapStore::safeGetMindMapByGuid(guid);
}

} // namespace

LocalProvider::LocalProvider() : MindMapProvider(MindMapProviderLocal)
{
    const void* store = MindMapStore::existingInstance();
    NotificationCenter& center = NotificationCenter::defaultCenter();
    _observations.push_back(center.addObserver(MindMapStore::MindMapStoreChangedNotification, store,
                                               [this](const Notification&) { storeChanged(); }));
    _observations.push_back(
        center.addObserver(MindMapStore::MindMapDeletedNotification, store, [this](const Notification& n) {
            mindMapDeleted(n.value<std::string>(MindMapStore::GuidKey));
        }));
    _observations.push_back(
        center.addObserver(MindMapStore::MindMapExternalCommittedNotification, store, [this](const Notification& n) {
            mindMapExternallyCommitted(n.value<std::string>(MindMapStore::GuidKey));
        }));
}

LocalProvider::~LocalProvider()
{
    _observations.clear();
}

std::string LocalProvider::title() const
{
    return localized("provider_local_title");
}

bool LocalProvider::isAsynchrone() const
{
    return false;
}

Image LocalProvider::iconImage() const
{
    return Image::fromResource("tw-icon-16x16");
}

Image LocalProvider::largeIcon() const
{
    return Image::fromResource("icon_transparent");
}

std::optional<MindMapListInfo> LocalProvider::getMindMapListInfo(const std::string& mindMapId)
{
    MindMapInfoItem* item = mapByGuid(mindMapId);
    if (!item) return std::nullopt;
    return MindMapListInfo::infoWithTitle(item->singleLineTitle(), item->folderPath());
}

bool LocalProvider::isValidMapId(const std::string& mindMapId)
{
    return mapByGuid(mindMapId) != nullptr;
}

std::string LocalProvider::getSourceFileURL(const std::string& mindMapId)
{
    MindMapInfoItem* item = mapByGuid(mindMapId);
    return item ? item->mindMapFileUrl() : std::string();
}

std::optional<std::vector<uint8_t>> LocalProvider::getMindMapXmlScanData(const std::string& mindMapId)
{
    MindMapInfoItem* item = mapByGuid(mindMapId);
    return item ? item->getMindMapData() : std::nullopt;
}

std::shared_ptr<MindMapSearchCache> LocalProvider::buildSearchCache()
{
    if (!_searchCache) _searchCache = std::make_shared<MindMapSearchCache>(this);
    MindMapSearchCache fresh(this);
    MindMapStore* store = MindMapStore::existingInstance();
    if (store) {
        for (const std::shared_ptr<MindMapInfoItem>& map : store->mindMaps()) {
            std::optional<MindMapInfoItem::Date> modified = map->lastModified();
            std::shared_ptr<MindMapSearchInfo> entry = _searchCache->get(map->guid());
            if (entry) {
                fresh.mergeSearchInfo(entry);
                // The loaded text stays only while the file is the one it was read from.
                if (!(entry->timestamp() && modified && *entry->timestamp() == *modified)) entry->clearFullText();
            } else {
                entry = fresh.addSearchInfo(map->guid());
            }
            entry->setTimestamp(modified);
            entry->setTitle(map->singleLineTitle());
            entry->setInfo(std::weak_ptr<MindMapInfoItem>(map));
        }
    }
    _searchCache->replaceItems(&fresh);
    return _searchCache;
}

std::shared_ptr<MindMapStorage> LocalProvider::createStorage(const std::string& mindMapId)
{
    MindMapInfoItem* item = mapByGuid(mindMapId);
    MindMapStore* store = MindMapStore::existingInstance();
    if (!item || !store) return nullptr;
    auto storage = MindMapStorage::create<LocalMindMapStorage>(this, mindMapId);
    storage->setInRecycler(item->parent() && store->isRecyclerFolder(item->parent()));
    return storage;
}

MindMapInfoItem* LocalProvider::addMindMapItemFromReference(MindMapStorage* reference)
{
    MindMapStore* store = MindMapStore::existingInstance();
    if (!store) return nullptr;
    MindMapStoreFolder* folder = nullptr;
    if (auto* local = dynamic_cast<LocalMindMapStorage*>(reference)) {
        MindMapInfoItem* item = local->mindMapItem();
        if (item && item->parent() && !store->isRecyclerFolder(item->parent())) folder = item->parent();
    }
    return store->addMindMapInFolder(folder);
}

std::string LocalProvider::createNewMindMapWithReference(MindMapStorage* reference, const std::string&)
{
    MindMapInfoItem* item = addMindMapItemFromReference(reference);
    return item ? item->guid() : std::string();
}

bool LocalProvider::duplicateMindMap(MindMapStorage* storage, Error* error)
{
    auto* local = dynamic_cast<LocalMindMapStorage*>(storage);
    MindMapStore* store = MindMapStore::existingInstance();
    if (!local || !store || !local->mindMapItem()) return false;
    store->beginUpdate();
    Error failure;
    MindMapInfoItem* copy = store->duplicateMindMap(local->mindMapItem(), &failure);
    Error indexFailure;
    if (!store->endUpdate(&indexFailure) && copy) {
        store->deleteMindMap(copy);
        copy = nullptr;
        failure = indexFailure;
    }
    if (!copy) return setError(error, failure);
    EditorInterfaceInstance()->openStorage(this, copy->guid(), {});
    return true;
}

bool LocalProvider::deleteMindMap(const std::string& mindMapId)
{
    MindMapStore* store = MindMapStore::existingInstance();
    MindMapInfoItem* item = mapByGuid(mindMapId);
    if (!store || !item) return false;
    store->deleteMindMap(item);
    return true;
}

std::string LocalProvider::performCopyToCloud(const std::string& folderId, const std::string&,
                                              const std::vector<uint8_t>& data)
{
    MindMapStore* store = MindMapStore::existingInstance();
    MindMapInfoItem* item = nullptr;
    if (store && !data.empty()) {
        MindMapStoreFolder* target = store->folderByGuid(folderId);
        item = store->importMindMap(data);
        if (item) {
            std::string path;
            if (target) {
                item->setParent(target);
                if (target->parent()) path = item->folderPath();
            }
            std::string where = title();
            if (path.empty() || path.front() != '/') where += "/";
            where += path;
            feedbackSinkInstance().addItemWithTitle(localizedFormat("copy_to_cloud_feedback", {where}),
                                                    item->singleLineTitle(), FeedbackStateInformation, "tw-icon-16x16",
                                                    item->guid());
            return item->guid();
        }
    }
    feedbackSinkInstance().showEditorNotification(localizedFormat("copy_to_cloud_feedback_error", {title()}),
                                                  std::string(), FeedbackStateError);
    return {};
}

void LocalProvider::storeChanged()
{
    // A copy: a delegate may drop its storage while it hears the news.
    std::vector<std::shared_ptr<MindMapStorage>> list = storages();
    for (const auto& storage : list) {
        if (auto* local = dynamic_cast<LocalMindMapStorage*>(storage.get())) local->updateRecyclerStatus();
    }
}

void LocalProvider::mindMapDeleted(const std::string& guid)
{
    std::vector<std::shared_ptr<MindMapStorage>> list = storages();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        std::shared_ptr<MindMapStorage> storage = *it;
        if (asciiCaseInsensitiveEqual(storage->id(), guid)) storage->dispose();
    }
}

void LocalProvider::mindMapExternallyCommitted(const std::string& guid)
{
    std::vector<std::shared_ptr<MindMapStorage>> list = storages();
    for (const auto& storage : list) {
        if (asciiCaseInsensitiveEqual(storage->id(), guid)) storage->externallyChanged();
    }
}
