#include "platform/ShadowSprites.h"

#include <utility>

ShadowSprites& ShadowSprites::forThisThread()
{
    thread_local ShadowSprites sprites;
    return sprites;
}

ShadowSprites& ShadowSprites::linesForThisThread()
{
    thread_local ShadowSprites sprites;
    return sprites;
}

const ShadowSprites::Sprite* ShadowSprites::find(const std::string& key)
{
    const auto found = _sprites.find(key);
    if (found == _sprites.end()) return nullptr;
    _order.splice(_order.begin(), _order, found->second.use);
    ++_hits;
    return &found->second.sprite;
}

const ShadowSprites::Sprite& ShadowSprites::keep(const std::string& key, Sprite sprite)
{
    if (const auto found = _sprites.find(key); found != _sprites.end()) {
        _bytes -= found->second.sprite.bytes;
        _order.erase(found->second.use);
        _sprites.erase(found);
    }
    // The newest sprite stays even when it alone is over the budget: it is about to be painted.
    while (!_order.empty() && _bytes + sprite.bytes > _budget) {
        const auto oldest = _sprites.find(_order.back());
        _bytes -= oldest->second.sprite.bytes;
        _sprites.erase(oldest);
        _order.pop_back();
    }
    _order.push_front(key);
    _bytes += sprite.bytes;
    ++_kept;
    Entry& entry = _sprites[key];
    entry.sprite = std::move(sprite);
    entry.use = _order.begin();
    return entry.sprite;
}

void ShadowSprites::clear()
{
    _sprites.clear();
    _order.clear();
    _bytes = 0;
}
