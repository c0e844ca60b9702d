#pragma once

#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStorage.h"
#include "store/MindMapStorageDelegate.h"

#include <memory>
#include <string>
#include <vector>

// Fakes for the provider and storage tests. They write what happens to them into a shared event
// log, so that tests can check the order of calls across objects.
using EventLog = std::vector<std::string>;

class RecordingProvider : public MindMapProvider {
public:
    explicit RecordingProvider(int32_t type, EventLog* log = nullptr, std::string name = {})
        : MindMapProvider(type), _log(log), _name(std::move(name))
    {
    }

    void validateOpenStorages() override
    {
        if (_log) _log->push_back("validate " + _name);
    }

private:
    EventLog* _log;
    std::string _name;
};

class RecordingStorage : public MindMapStorage {
public:
    RecordingStorage(CreationKey key, MindMapProvider* provider, std::string id, EventLog* log)
        : MindMapStorage(key, provider, std::move(id)), _log(log)
    {
    }
    ~RecordingStorage() override
    {
        if (_log) _log->push_back("destroyed " + id());
    }

    void open() override
    {
        if (_log) _log->push_back("open " + id());
        MindMapStorage::open();
    }
    void close() override
    {
        if (_log) _log->push_back("close " + id() + (inProvidersList() ? " listed" : " unlisted"));
        MindMapStorage::close();
    }

    bool inProvidersList() const
    {
        if (!provider()) return false;
        for (const auto& storage : provider()->storages()) {
            if (storage.get() == this) return true;
        }
        return false;
    }

private:
    EventLog* _log;
};

// Records every delegate call with the storage's id. Optionally holds a storage counted, as the
// editor document does, and lets go of it when told to drop it.
class RecordingDelegate : public MindMapStorageDelegate {
public:
    explicit RecordingDelegate(EventLog* log) : _log(log) {}

    void recyclerStatusChanged(MindMapStorage* storage) override { record("recycler", storage); }
    void externallyChanged(MindMapStorage* storage) override { record("external", storage); }
    void dropStorage(MindMapStorage* storage) override
    {
        record("drop", storage);
        delegateWhenDropped = storage->delegate();
        openWhenDropped = storage->isOpen();
        if (held.get() == storage) held.reset();
    }

    std::shared_ptr<MindMapStorage> held;
    MindMapStorageDelegate* delegateWhenDropped = nullptr;
    bool openWhenDropped = false;

private:
    void record(const std::string& what, MindMapStorage* storage) { _log->push_back(what + " " + storage->id()); }

    EventLog* _log;
};
