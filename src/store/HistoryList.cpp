#include "store/HistoryList.h"

#include "platform/FileUtils.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStore.h"

#include <algorithm>

namespace {

constexpr const char* ArchiveVersionKey = "$version";
constexpr const char* ArchiveTopKey = "$top";
constexpr const char* ArchiveRootKey = "root";
constexpr int64_t ArchiveVersion = 1;

bool isValidPoint(const HistoryPoint& point)
{
    MindMapProvider* provider = MindMapProviders::instance().getProviderById(point.provider());
    return provider && provider->enabled() && provider->isValidMapId(point.mindMap());
}

Error historyReadError(const std::string& reason)
{
    return Error{PlatformErrorDomain, 1, "The navigation history cannot be read.", reason};
}

} // namespace

const std::vector<HistoryPoint>& HistoryList::validate(bool checkAll)
{
    for (size_t index = _items.size(); index-- > 0;) {
        if (isValidPoint(_items[index])) {
            if (!checkAll) break;
            continue;
        }
        _items.erase(_items.begin() + static_cast<std::ptrdiff_t>(index));
    }
    return _items;
}

void HistoryList::mindMapIdChanged(const std::string& providerId, const std::string& oldId, const std::string& newId)
{
    for (HistoryPoint& point : _items)
        if (point.isEqualTo(providerId, oldId)) point.setMindMap(newId);
}

bool HistoryList::removeFromHistory(const HistoryPoint& point)
{
    // A copy, since the point given may be one of the items.
    const HistoryPoint removed = point;
    const size_t before = _items.size();
    std::erase_if(_items, [&](const HistoryPoint& item) { return item.isEqualToPoint(removed); });
    return _items.size() != before;
}

void HistoryList::removeProvider(const std::string& providerId)
{
    if (providerId.empty()) return;
    std::erase_if(_items, [&](const HistoryPoint& item) { return item.provider() == providerId; });
}

void HistoryStack::push(HistoryPoint point)
{
    _items.push_back(std::move(point));
    if (_items.size() > MaximumPoints) _items.erase(_items.begin(), _items.end() - MaximumPoints);
}

std::optional<HistoryPoint> HistoryStack::pop()
{
    if (_items.empty()) return std::nullopt;
    HistoryPoint point = std::move(_items.back());
    _items.pop_back();
    return point;
}

void RecentHistoryList::addPoint(HistoryPoint point)
{
    removeFromHistory(point);
    _items.insert(_items.begin(), std::move(point));
    if (_items.size() > MaximumPoints) _items.erase(_items.begin() + MaximumPoints, _items.end());
}

std::string RecentHistoryList::historyFileName()
{
    // The history lives in the store's folders, which the store makes and owns.
    MindMapStore::mindMapStoreInstance();
    std::string folder = MindMapStore::appSupportDirectory();
    if (folder.empty()) return {};
    return folder + "/" + HistoryFileName;
}

bool RecentHistoryList::saveNavigationHistory(Error* error) const
{
    std::string path = historyFileName();
    if (path.empty()) {
        return setError(
            error,
            Error{PlatformErrorDomain, 1, "The navigation history cannot be saved.", "There is no store folder."});
    }
    return writeFileAtomically(path, archivePoints(_items), error);
}

bool RecentHistoryList::loadNavigationHistory(Error* error)
{
    std::string path = historyFileName();
    if (path.empty()) return false;
    std::optional<std::vector<uint8_t>> data = readFileData(path, MaximumFileSize, error);
    if (!data) return false;
    std::optional<std::vector<HistoryPoint>> points = unarchivePoints(*data, error);
    if (!points) return false;
    _items = std::move(*points);
    return true;
}

PropertyList::Data RecentHistoryList::archivePoints(const std::vector<HistoryPoint>& points)
{
    PropertyList::Array root;
    root.reserve(points.size());
    for (const HistoryPoint& point : points)
        root.emplace_back(PropertyList::Dictionary{{ProviderKey, point.provider()}, {MindMapKey, point.mindMap()}});
    PropertyList archive(PropertyList::Dictionary{
        {ArchiveVersionKey, ArchiveVersion},
        {ArchiveTopKey, PropertyList::Dictionary{{ArchiveRootKey, std::move(root)}}},
    });
    return archive.toData(PropertyList::Format::Binary);
}

std::optional<std::vector<HistoryPoint>> RecentHistoryList::unarchivePoints(const PropertyList::Data& data,
                                                                            Error* error)
{
    std::optional<PropertyList> archive = PropertyList::fromData(data, error);
    if (!archive) return std::nullopt;
    if ((*archive)[ArchiveVersionKey].integerValue(-1) != ArchiveVersion) {
        if (error) *error = historyReadError("The file is not a navigation history of a known version.");
        return std::nullopt;
    }
    const PropertyList::Array* root = (*archive)[ArchiveTopKey][ArchiveRootKey].arrayValue();
    if (!root) {
        if (error) *error = historyReadError("The file holds no list of maps.");
        return std::nullopt;
    }
    std::vector<HistoryPoint> points;
    for (const PropertyList& item : *root) {
        if (points.size() == MaximumPoints) break;
        const PropertyList& provider = item[ProviderKey];
        const PropertyList& mindMap = item[MindMapKey];
        if (provider.type() != PropertyList::Type::String || mindMap.type() != PropertyList::Type::String) continue;
        HistoryPoint point(provider.stringValue(), mindMap.stringValue());
        if (point.provider().empty() || point.mindMap().empty()) continue;
        // A file written by hand may list a map twice; the list never does.
        if (std::any_of(points.begin(), points.end(), [&](const HistoryPoint& p) { return p.isEqualToPoint(point); }))
            continue;
        points.push_back(std::move(point));
    }
    return points;
}
