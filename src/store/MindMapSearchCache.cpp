#include "store/MindMapSearchCache.h"

#include "platform/Utf8.h"
#include "store/MindMapProvider.h"
#include "store/MindMapSearchInfo.h"

#include <glib.h>

namespace {

struct GFreeDeleter {
    void operator()(gchar* p) const { g_free(p); }
};
using GText = std::unique_ptr<gchar, GFreeDeleter>;

std::string asciiLowercase(std::string text)
{
    for (char& c : text) c = g_ascii_tolower(c);
    return text;
}

} // namespace

MindMapSearchCache::MindMapSearchCache(MindMapProvider* provider)
    : _provider(provider), _caseSensitiveIds(provider && provider->hasCaseSensitiveIds())
{
}

void MindMapSearchCache::replaceItems(const MindMapSearchCache* other)
{
    if (!other || other == this || other->_provider != _provider) return;
    _items = other->_items;
}

void MindMapSearchCache::mergeSearchInfo(std::shared_ptr<MindMapSearchInfo> info)
{
    if (!info) return;
    std::string key = normalizeKey(info->mindMapId());
    _items[std::move(key)] = std::move(info);
}

std::string MindMapSearchCache::normalizeKey(const std::string& mindMapId) const
{
    if (_caseSensitiveIds || mindMapId.empty()) return mindMapId;
    // Ids come from file systems and cloud services. GLib would stop at a NUL or mangle invalid
    // sequences, making different ids collide, so such ids are only lowered byte by byte.
    if (mindMapId.find('\0') != std::string::npos || !Utf8::isValid(mindMapId)) return asciiLowercase(mindMapId);
    GText lower(g_utf8_strdown(mindMapId.data(), static_cast<gssize>(mindMapId.size())));
    GText decomposed(g_utf8_normalize(lower.get(), -1, G_NORMALIZE_NFD));
    return decomposed ? std::string(decomposed.get()) : std::string(lower.get());
}

std::shared_ptr<MindMapSearchInfo> MindMapSearchCache::get(const std::string& mindMapId) const
{
    auto it = _items.find(normalizeKey(mindMapId));
    return it == _items.end() ? nullptr : it->second;
}

std::shared_ptr<MindMapSearchInfo> MindMapSearchCache::addSearchInfo(const std::string& mindMapId)
{
    auto info = std::make_shared<MindMapSearchInfo>(mindMapId, _provider);
    _items[normalizeKey(mindMapId)] = info;
    return info;
}

std::vector<std::shared_ptr<MindMapSearchInfo>> MindMapSearchCache::getSearchMatches(const std::string& searchText,
                                                                                     bool fullTextSearch)
{
    std::vector<std::shared_ptr<MindMapSearchInfo>> matches;
    if (searchText.empty()) return matches;
    const std::string folded = MindMapSearchInfo::foldForSearch(searchText);
    // Entries may load their full text here, asking their provider; walk counted copies so that
    // nothing that triggers can pull an entry away mid-walk.
    std::vector<std::shared_ptr<MindMapSearchInfo>> entries;
    entries.reserve(_items.size());
    for (const auto& item : _items) entries.push_back(item.second);
    for (const auto& info : entries) {
        if (info->matchesFolded(folded, fullTextSearch)) matches.push_back(info);
    }
    return matches;
}

void MindMapSearchCache::resetNativeMatches()
{
    for (auto& [key, info] : _items) info->setNativeMatch(false);
}
