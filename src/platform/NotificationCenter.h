#pragma once

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using UserInfo = std::map<std::string, std::any>;

struct Notification {
    std::string name;
    const void* object = nullptr;
    UserInfo userInfo;

    // The user-info value under key as T, or fallback when it is missing or of another type.
    template <class T> T value(const std::string& key, T fallback = T()) const
    {
        auto it = userInfo.find(key);
        if (it == userInfo.end()) return fallback;
        if (const T* v = std::any_cast<T>(&it->second)) return *v;
        return fallback;
    }
};

// Ends an observation when destroyed (or reset). Movable, not copyable.
class ObservationToken {
public:
    ObservationToken() = default;
    explicit ObservationToken(std::function<void()> cancel) : _cancel(std::move(cancel)) {}
    ObservationToken(ObservationToken&& o) noexcept : _cancel(std::move(o._cancel)) { o._cancel = nullptr; }
    ObservationToken& operator=(ObservationToken&& o) noexcept;
    ObservationToken(const ObservationToken&) = delete;
    ObservationToken& operator=(const ObservationToken&) = delete;
    ~ObservationToken() { reset(); }

    void reset();
    bool isActive() const { return static_cast<bool>(_cancel); }

private:
    std::function<void()> _cancel;
};

// Synchronous notifications by name, delivered in the order the observers registered.
// An observer may end its own or any other observation while a notification is being delivered;
// an ended observation receives nothing more, not even the notification under way. An observation
// added during a delivery receives the next notifications, not the one under way. Tokens may
// outlive their centre. Handlers run on the posting thread, without any lock held.
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    NotificationCenter() = default;
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    static NotificationCenter& defaultCenter();

    // object: only notifications posted with this object reach the handler; nullptr means any.
    [[nodiscard]] ObservationToken addObserver(const std::string& name, const void* object, Handler handler);

    void post(const std::string& name, const void* object = nullptr, UserInfo userInfo = {});
    void post(const Notification& notification);

    size_t observerCount(const std::string& name) const;

private:
    struct Entry;
    void remove(const std::shared_ptr<Entry>& entry);

    mutable std::mutex _mutex;
    std::vector<std::shared_ptr<Entry>> _entries;
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
};
