#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

// The files waiting for a service's synchroniser, taken one at a time. A file asked for again while
// it waits keeps its place, and when asked for another kind of run it gets the kind that does
// everything; a file that runs already in a kind that covers the request is not queued again. The
// services differ in how they compare file ids and in what starting a file means. Main thread only.
class CloudFileQueue {
public:
    struct Item {
        std::string id;
        int mode = 0;
    };
    using SameId = bool (*)(const std::string& a, const std::string& b);

    // fullMode: the kind of run that covers every other.
    CloudFileQueue(int fullMode, SameId sameId) : _fullMode(fullMode), _sameId(sameId) {}
    virtual ~CloudFileQueue() = default;

    const std::deque<Item>& queue() const { return _queue; }
    const std::optional<Item>& current() const { return _current; }
    // The file goes to the front of the queue.
    void scheduleFirst(const std::string& id, int mode);
    // Starts what can start now. A start that ends at once calls back into here; the next file is
    // then taken in turn instead of recursing once per file.
    void processQueue();

protected:
    void enqueue(const std::vector<std::string>& ids, int mode);
    // Starts the first waiting file unless one runs.
    virtual void startNext() = 0;

    std::deque<Item> _queue;
    std::optional<Item> _current;

private:
    bool isCurrent(const std::string& id, int mode) const;

    int _fullMode;
    SameId _sameId;
    bool _processing = false;
    bool _processAgain = false;
};
