#include "store/MindMapStoreItem.h"

#include "store/MindMapStore.h"
#include "store/MindMapStoreFolder.h"

#include <algorithm>
#include <vector>

MindMapStoreItem::MindMapStoreItem(std::string guid) : _guid(std::move(guid))
{
}

MindMapStoreItem::~MindMapStoreItem() = default;

void MindMapStoreItem::initWithParent(MindMapStoreFolder* parent)
{
    initialize();
    if (parent) parent->insertChild(this);
}

void MindMapStoreItem::initialize()
{
}

std::shared_ptr<const Image> MindMapStoreItem::thumbnail()
{
    return nullptr;
}

std::shared_ptr<const Image> MindMapStoreItem::defaultThumbnail()
{
    return thumbnail();
}

size_t MindMapStoreItem::childCount() const
{
    return 0;
}

MindMapStoreItem* MindMapStoreItem::childAtIndex(size_t) const
{
    return nullptr;
}

bool MindMapStoreItem::isFolder() const
{
    return false;
}

void MindMapStoreItem::setTitle(const std::string& title)
{
    if (title == _title) return;
    _title = title;
    if (MindMapStore* store = MindMapStore::existingInstance()) {
        // Folder titles are part of the folder index; map titles come back from the maps themselves.
        if (isFolder()) {
            store->folderTreeChanged();
        } else {
            store->mindMapStoreChanged();
        }
    }
}

std::string MindMapStoreItem::singleLineTitle() const
{
    std::string title = _title;
    std::replace(title.begin(), title.end(), '\n', ' ');
    return title;
}

std::string MindMapStoreItem::folderPath() const
{
    std::vector<const MindMapStoreFolder*> ancestors;
    for (const MindMapStoreFolder* folder = _parent; folder; folder = folder->parent()) {
        ancestors.push_back(folder);
    }
    // The top-most ancestor is the root, which the path leaves out.
    if (!ancestors.empty()) ancestors.pop_back();
    std::string path;
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
        path += "/";
        path += (*it)->title();
    }
    return path.empty() ? "/" : path;
}

int64_t MindMapStoreItem::folderLevel() const
{
    int64_t level = 0;
    for (const MindMapStoreFolder* folder = _parent; folder; folder = folder->parent()) {
        ++level;
    }
    return level;
}

bool MindMapStoreItem::isDescendantOf(const MindMapStoreFolder* folder) const
{
    if (!folder) return false;
    for (const MindMapStoreItem* item = this; item; item = item->parent()) {
        if (item == folder) return true;
    }
    return false;
}

void MindMapStoreItem::setParent(MindMapStoreFolder* parent)
{
    if (parent == _parent) return;
    // No cycles: the item cannot go into itself or below itself.
    if (parent && isFolder() && parent->isDescendantOf(static_cast<const MindMapStoreFolder*>(this))) return;
    std::shared_ptr<MindMapStoreItem> keepAlive = shared_from_this();
    if (_parent) _parent->removeChild(this);
    if (parent) parent->insertChild(this);
}

int64_t MindMapStoreItem::indexInParent() const
{
    return _parent ? _parent->indexOfChild(this) : -1;
}

void MindMapStoreItem::moveToParent(MindMapStoreFolder* parent, int64_t index)
{
    MindMapStore::UpdateBracket bracket(MindMapStore::existingInstance());
    std::shared_ptr<MindMapStoreItem> keepAlive = shared_from_this();
    setParent(parent);
    if (parent && _parent == parent) parent->moveChild(this, index);
}
