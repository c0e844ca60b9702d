#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

class MindMapProvider;
class MindMapSearchInfo;

// A provider's index for searching its maps: one entry per map id. The provider rebuilds it from
// its map list (keeping the loaded full text of unchanged maps) and owns it; the cache and its
// entries point back at the provider without owning it, so that the two do not keep each other
// alive. Entries are shared: a rebuild moves the entries of unchanged maps into the fresh cache.
class MindMapSearchCache {
public:
    using Items = std::map<std::string, std::shared_ptr<MindMapSearchInfo>>;

    explicit MindMapSearchCache(MindMapProvider* provider);

    // Takes over the other cache's entries when it is another cache of the same provider.
    void replaceItems(const MindMapSearchCache* other);
    // Files an existing entry under its map id (replacing what was there).
    void mergeSearchInfo(std::shared_ptr<MindMapSearchInfo> info);
    // The id as it is filed: unchanged for providers whose ids tell case apart, otherwise in lower
    // case and canonical decomposed form.
    std::string normalizeKey(const std::string& mindMapId) const;
    std::shared_ptr<MindMapSearchInfo> get(const std::string& mindMapId) const;
    // A new entry for the id, replacing any entry filed under the same key.
    std::shared_ptr<MindMapSearchInfo> addSearchInfo(const std::string& mindMapId);
    // The entries that match, in key order; none for an empty search text.
    std::vector<std::shared_ptr<MindMapSearchInfo>> getSearchMatches(const std::string& searchText,
                                                                     bool fullTextSearch);
    // Waits for its caller in the shell.
    void resetNativeMatches();

    MindMapProvider* provider() const { return _provider; }
    // Waits for its caller in the shell.
    bool caseSensitiveIds() const { return _caseSensitiveIds; }
    const Items& items() const { return _items; }

private:
    Items _items;
    MindMapProvider* _provider = nullptr;
    bool _caseSensitiveIds = false;
};
