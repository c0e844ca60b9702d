#include "platform/NotificationCenter.h"

#include <algorithm>
#include <atomic>

struct NotificationCenter::Entry {
    std::string name;
    const void* object = nullptr;
    Handler handler;
    std::atomic<bool> active{true};
};

ObservationToken& ObservationToken::operator=(ObservationToken&& o) noexcept
{
    if (this != &o) {
        reset();
        _cancel = std::move(o._cancel);
        o._cancel = nullptr;
    }
    return *this;
}

void ObservationToken::reset()
{
    // Taken out first: cancelling may run code that resets this token again.
    std::function<void()> cancel = std::move(_cancel);
    _cancel = nullptr;
    if (cancel) cancel();
}

NotificationCenter& NotificationCenter::defaultCenter()
{
    // Never destroyed, so that observers in other static objects may end their observations at exit.
    static NotificationCenter* center = new NotificationCenter;
    return *center;
}

NotificationCenter::~NotificationCenter()
{
    std::lock_guard lock(_mutex);
    *_alive = false;
    for (const auto& entry : _entries) entry->active = false;
}

ObservationToken NotificationCenter::addObserver(const std::string& name, const void* object, Handler handler)
{
    auto entry = std::make_shared<Entry>();
    entry->name = name;
    entry->object = object;
    entry->handler = std::move(handler);
    {
        std::lock_guard lock(_mutex);
        _entries.push_back(entry);
    }
    std::weak_ptr<bool> alive = _alive;
    std::weak_ptr<Entry> weakEntry = entry;
    return ObservationToken([this, alive, weakEntry] {
        std::shared_ptr<Entry> entry = weakEntry.lock();
        if (!entry) return;
        entry->active = false;
        if (auto centerAlive = alive.lock(); centerAlive && *centerAlive) remove(entry);
    });
}

void NotificationCenter::remove(const std::shared_ptr<Entry>& entry)
{
    std::lock_guard lock(_mutex);
    auto it = std::find(_entries.begin(), _entries.end(), entry);
    if (it != _entries.end()) _entries.erase(it);
}

void NotificationCenter::post(const std::string& name, const void* object, UserInfo userInfo)
{
    post(Notification{name, object, std::move(userInfo)});
}

void NotificationCenter::post(const Notification& notification)
{
    std::vector<std::shared_ptr<Entry>> receivers;
    {
        std::lock_guard lock(_mutex);
        for (const auto& entry : _entries) {
            if (entry->name == notification.name && (!entry->object || entry->object == notification.object)) {
                receivers.push_back(entry);
            }
        }
    }
    // The copies keep each handler alive while it runs, even when it ends its own observation.
    for (const auto& entry : receivers) {
        if (entry->active) entry->handler(notification);
    }
}

size_t NotificationCenter::observerCount(const std::string& name) const
{
    std::lock_guard lock(_mutex);
    return std::count_if(_entries.begin(), _entries.end(),
                         [&](const auto& entry) { return entry->name == name && entry->active; });
}
