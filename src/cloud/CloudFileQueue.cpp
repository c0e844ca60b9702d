#include "cloud/CloudFileQueue.h"

bool CloudFileQueue::isCurrent(const std::string& id, int mode) const
{
    return _current && _sameId(_current->id, id) && (_current->mode == mode || _current->mode == _fullMode);
}

void CloudFileQueue::enqueue(const std::vector<std::string>& ids, int mode)
{
    for (const std::string& id : ids) {
        if (isCurrent(id, mode)) continue;
        bool queued = false;
        for (Item& item : _queue) {
            if (!_sameId(item.id, id)) continue;
            if (item.mode != mode) item.mode = _fullMode;
            queued = true;
            break;
        }
        if (!queued) _queue.push_back({id, mode});
    }
    processQueue();
}

void CloudFileQueue::scheduleFirst(const std::string& id, int mode)
{
    if (id.empty() || isCurrent(id, mode)) return;
    Item item{id, mode};
    for (auto it = _queue.begin(); it != _queue.end(); ++it) {
        if (!_sameId(it->id, id)) continue;
        item = *it;
        if (item.mode != mode) item.mode = _fullMode;
        _queue.erase(it);
        break;
    }
    _queue.push_front(item);
    processQueue();
}

void CloudFileQueue::processQueue()
{
    if (_processing) {
        _processAgain = true;
        return;
    }
    _processing = true;
    do {
        _processAgain = false;
        startNext();
    } while (_processAgain);
    _processing = false;
}
