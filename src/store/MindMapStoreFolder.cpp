#include "store/MindMapStoreFolder.h"

#include "Utils/StringUtils.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapStore.h"

#include <algorithm>

namespace {

void signalTreeChange()
{
    if (MindMapStore* store = MindMapStore::existingInstance()) store->folderTreeChanged();
}

} // namespace

MindMapStoreFolder::MindMapStoreFolder(const std::string& title, const std::string& guid) : MindMapStoreItem(guid)
{
    initTitle(title);
}

std::shared_ptr<MindMapStoreFolder> MindMapStoreFolder::create(MindMapStoreFolder* parent, const std::string& title,
                                                               const std::string& guid)
{
    std::shared_ptr<MindMapStoreFolder> folder(new MindMapStoreFolder(title, guid));
    folder->initWithParent(parent);
    return folder;
}

MindMapStoreFolder::~MindMapStoreFolder()
{
    // Children that another folder took over (or that a reference folder only points at) keep
    // their parent.
    for (auto it = _children.rbegin(); it != _children.rend(); ++it) {
        if ((*it)->_parent == this) (*it)->_parent = nullptr;
    }
    _children.clear();
}

void MindMapStoreFolder::initialize()
{
    _children.clear();
}

void MindMapStoreFolder::forceGuid(const std::string& guid)
{
    if (guid.empty() || guid == this->guid()) return;
    replaceGuid(guid);
}

std::shared_ptr<const Image> MindMapStoreFolder::thumbnail()
{
    static const std::shared_ptr<const Image> recycleBin =
        std::make_shared<const Image>(Image::fromResource("recycle_bin_full_16"));
    static const std::shared_ptr<const Image> folder =
        std::make_shared<const Image>(Image::fromResource("folder-icon"));
    return _folderKind == RecycleBinFolder ? recycleBin : folder;
}

size_t MindMapStoreFolder::childCount() const
{
    return _children.size();
}

MindMapStoreItem* MindMapStoreFolder::childAtIndex(size_t index) const
{
    return index < _children.size() ? _children[index].get() : nullptr;
}

bool MindMapStoreFolder::isFolder() const
{
    return true;
}

int64_t MindMapStoreFolder::indexOfChild(const MindMapStoreItem* child) const
{
    for (size_t i = 0; i < _children.size(); ++i) {
        if (_children[i].get() == child) return int64_t(i);
    }
    return -1;
}

int64_t MindMapStoreFolder::indexOfLastFolder() const
{
    for (size_t i = _children.size(); i > 0; --i) {
        if (_children[i - 1]->isFolder()) return int64_t(i - 1);
    }
    return -1;
}

void MindMapStoreFolder::insertChild(MindMapStoreItem* child)
{
    if (!child || child->_parent == this) return;
    std::shared_ptr<MindMapStoreItem> item = child->shared_from_this();
    if (child->_parent) child->_parent->removeChild(child);
    _children.push_back(item);
    child->_parent = this;
    signalTreeChange();
}

void MindMapStoreFolder::removeChild(MindMapStoreItem* child)
{
    int64_t index = indexOfChild(child);
    if (index < 0) return;
    // The caller may hold the item only through this list.
    std::shared_ptr<MindMapStoreItem> item = _children[size_t(index)];
    _children.erase(_children.begin() + index);
    if (item->_parent == this) item->_parent = nullptr;
    signalTreeChange();
}

void MindMapStoreFolder::moveChild(MindMapStoreItem* child, int64_t index)
{
    if (_children.empty()) return;
    int64_t from = indexOfChild(child);
    if (from < 0) return;
    int64_t target = std::clamp<int64_t>(index, 0, int64_t(_children.size()));
    if (from == target) return;
    // Lands before the child that was at the target: one place less when moving down.
    int64_t to = from < target ? target - 1 : target;
    if (from < to) {
        std::rotate(_children.begin() + from, _children.begin() + from + 1, _children.begin() + to + 1);
    } else if (from > to) {
        std::rotate(_children.begin() + to, _children.begin() + from, _children.begin() + from + 1);
    }
    signalTreeChange();
}

std::vector<std::shared_ptr<MindMapStoreItem>> MindMapStoreFolder::takeChildren()
{
    std::vector<std::shared_ptr<MindMapStoreItem>> taken;
    taken.swap(_children);
    for (const auto& child : taken) {
        if (child->_parent == this) child->_parent = nullptr;
    }
    if (!taken.empty()) signalTreeChange();
    return taken;
}

void MindMapStoreFolder::getContainedMaps(std::vector<MindMapInfoItem*>& maps) const
{
    for (const auto& child : _children) {
        if (child->isFolder()) {
            static_cast<const MindMapStoreFolder*>(child.get())->getContainedMaps(maps);
        } else if (auto* map = dynamic_cast<MindMapInfoItem*>(child.get())) {
            maps.push_back(map);
        }
    }
}

void MindMapStoreFolder::getContainedFolders(std::vector<MindMapStoreFolder*>& folders) const
{
    for (const auto& child : _children) {
        if (!child->isFolder()) continue;
        auto* folder = static_cast<MindMapStoreFolder*>(child.get());
        folders.push_back(folder);
        folder->getContainedFolders(folders);
    }
}

MindMapStoreFolder* MindMapStoreFolder::folderByGuid(const std::string& guid)
{
    if (asciiCaseInsensitiveEqual(this->guid(), guid)) return this;
    for (const auto& child : _children) {
        if (!child->isFolder()) continue;
        if (MindMapStoreFolder* found = static_cast<MindMapStoreFolder*>(child.get())->folderByGuid(guid)) return found;
    }
    return nullptr;
}

MindMapStoreFolder* MindMapStoreFolder::subFolderNamed(const std::string& name) const
{
    for (const auto& child : _children) {
        if (child->isFolder() && child->title() == name) return static_cast<MindMapStoreFolder*>(child.get());
    }
    return nullptr;
}

// ---- MindMapStoreFolderLookup ----

MindMapStoreFolderLookup::MindMapStoreFolderLookup(MindMapStoreFolder* root)
{
    if (!root) return;
    std::vector<MindMapStoreFolder*> folders{root};
    root->getContainedFolders(folders);
    // Pre-order, as folderByGuid() searches: the first holder of an id keeps it.
    for (MindMapStoreFolder* folder : folders) _byGuid.emplace(asciiLowercased(folder->guid()), folder);
}

MindMapStoreFolder* MindMapStoreFolderLookup::folderByGuid(const std::string& guid) const
{
    if (guid.empty()) return nullptr;
    const auto found = _byGuid.find(asciiLowercased(guid));
    return found == _byGuid.end() ? nullptr : found->second;
}

MindMapStoreFolder* MindMapStoreFolderLookup::subFolderNamed(MindMapStoreFolder* parent, const std::string& name)
{
    if (!parent) return nullptr;
    auto [titles, made] = _byTitle.try_emplace(parent);
    if (made) {
        for (const auto& child : parent->children()) {
            if (child->isFolder())
                titles->second.emplace(child->title(), static_cast<MindMapStoreFolder*>(child.get()));
        }
    }
    const auto found = titles->second.find(name);
    return found == titles->second.end() ? nullptr : found->second;
}

void MindMapStoreFolderLookup::folderAdded(MindMapStoreFolder* folder)
{
    if (!folder) return;
    _byGuid.emplace(asciiLowercased(folder->guid()), folder);
    const auto titles = _byTitle.find(folder->parent());
    if (titles != _byTitle.end()) titles->second.emplace(folder->title(), folder);
}

// ---- MindMapStoreRefFolder ----

MindMapStoreRefFolder::MindMapStoreRefFolder(const std::string& title) : MindMapStoreFolder(title, std::string())
{
}

std::shared_ptr<MindMapStoreRefFolder> MindMapStoreRefFolder::create(const std::string& title)
{
    std::shared_ptr<MindMapStoreRefFolder> folder(new MindMapStoreRefFolder(title));
    folder->initWithParent(nullptr);
    return folder;
}

void MindMapStoreRefFolder::clear()
{
    _children.clear();
}

void MindMapStoreRefFolder::referToItem(MindMapStoreItem* item)
{
    if (item) _children.push_back(item->shared_from_this());
}

void MindMapStoreRefFolder::insertChild(MindMapStoreItem* child)
{
    referToItem(child);
}

void MindMapStoreRefFolder::removeChild(MindMapStoreItem* child)
{
    int64_t index = indexOfChild(child);
    if (index >= 0) _children.erase(_children.begin() + index);
}
