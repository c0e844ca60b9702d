#include "MindMaps/TopicDepthLimit.h"

#include "platform/Localizer.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <unordered_map>

namespace {

constexpr size_t None = static_cast<size_t>(-1);

bool refused(Error* error, const std::string& reasonKey, size_t levels)
{
    return setError(error,
                    MakeAppError(TopicDepthLimit::RefusedErrorCode, localized("map_too_deep_error"),
                                 localizedFormat(reasonKey,
                                                 {formatInteger(static_cast<int64_t>(levels)),
                                                  formatInteger(TopicDepthLimit::MaximumLevels)})));
}

} // namespace

bool TopicDepthLimit::acceptsLevels(size_t levels, Error* error)
{
    return levels <= MaximumLevels || refused(error, "map_too_deep_reason", levels);
}

bool TopicDepthLimit::acceptsLevelsBelow(int64_t parentLevel, size_t levels, Error* error)
{
    if (parentLevel < 0) return acceptsLevels(levels, error);
    const size_t total = levels + static_cast<size_t>(parentLevel + 1);
    return total <= MaximumLevels || refused(error, "map_paste_too_deep_reason", total);
}

size_t TopicDepthLimit::linkedLevels(const std::vector<int64_t>& ids, const std::vector<int64_t>& parentIds)
{
    const size_t count = std::min(ids.size(), parentIds.size());
    // Documents number their topics 0, 1, 2, ...: those ids index a table, any others a map.
    std::vector<size_t> byDenseId(count, None);
    std::unordered_map<int64_t, size_t> bySparseId;
    for (size_t i = 0; i < count; ++i) {
        if (ids[i] < 0) continue;
        if (static_cast<uint64_t>(ids[i]) < count) {
            if (byDenseId[static_cast<size_t>(ids[i])] == None) byDenseId[static_cast<size_t>(ids[i])] = i;
        } else {
            bySparseId.emplace(ids[i], i);
        }
    }
    std::vector<size_t> parent(count, None);
    for (size_t i = 0; i < count; ++i) {
        const int64_t id = parentIds[i];
        if (id < 0) continue;
        if (static_cast<uint64_t>(id) < count) {
            parent[i] = byDenseId[static_cast<size_t>(id)];
        } else if (auto found = bySparseId.find(id); found != bySparseId.end()) {
            parent[i] = found->second;
        }
    }

    // Each topic names one parent, so the links make trees whose roots are either topics without
    // a parent or circles. Of a circle's links, every one but the last made joins two trees; the
    // last would close the circle and is refused, leaving its topic a root.
    enum : uint8_t { Unseen, OnPath, Done };
    std::vector<uint8_t> state(count, Unseen);
    std::vector<size_t> path;
    for (size_t start = 0; start < count; ++start) {
        path.clear();
        size_t node = start;
        while (node != None && state[node] == Unseen) {
            state[node] = OnPath;
            path.push_back(node);
            node = parent[node];
        }
        if (node != None && state[node] == OnPath) {
            const auto circle = std::find(path.begin(), path.end(), node);
            parent[*std::max_element(circle, path.end())] = None;
        }
        for (size_t visited : path) state[visited] = Done;
    }

    // Levels from the roots down, each topic's found from its nearest ancestor already known.
    std::vector<size_t> levels(count, 0);
    size_t deepest = 0;
    for (size_t start = 0; start < count; ++start) {
        path.clear();
        size_t node = start;
        while (node != None && levels[node] == 0) {
            path.push_back(node);
            node = parent[node];
        }
        size_t level = node == None ? 0 : levels[node];
        for (auto it = path.rbegin(); it != path.rend(); ++it) levels[*it] = ++level;
        deepest = std::max(deepest, level);
    }
    return deepest;
}
