#pragma once

#include "platform/Error.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class CustomImageStore;
class MindMap;
class MindMapProvider;
class MindMapStorageDelegate;

// True for a map that may be written over its file; false, with the reason, for nullptr and for a
// map whose reading failed (it is empty, and writing it would replace the user's map with
// nothing).
bool isCommittableMindMap(const MindMap* mindMap, Error* error);

// One map of a provider, as the editor has it open: it knows its provider and its id there, loads
// and commits the map, and tells its owner (the delegate) when the map moved into or out of the
// recycle bin, changed on disk, or must be let go.
//
// Lifetime: storages are made with create(), which puts them into their provider's list; the
// provider holds them counted until dispose(), the only way out of that list. Whoever else keeps
// one (the editor document) holds it counted as well. The provider and the delegate are not owned:
// dispose() forgets both, and a provider that goes away disposes its storages first.
//
// The virtual operations are hooks; what this class does is what a storage answers that cannot do
// more. Absent texts are empty strings.
class MindMapStorage : public std::enable_shared_from_this<MindMapStorage> {
protected:
    // Only create() makes storages, so that none exists outside its provider's list.
    struct CreationKey {
        explicit CreationKey() = default;
    };

public:
    // Makes a storage of type T (constructed with a CreationKey, then the arguments given here,
    // starting with provider and id) and registers it with its provider.
    template <class T, class... Args> static std::shared_ptr<T> create(Args&&... args)
    {
        std::shared_ptr<T> storage = std::make_shared<T>(CreationKey{}, std::forward<Args>(args)...);
        registerWithProvider(storage);
        return storage;
    }

    MindMapStorage(CreationKey, MindMapProvider* provider, std::string id);
    virtual ~MindMapStorage();
    MindMapStorage(const MindMapStorage&) = delete;
    MindMapStorage& operator=(const MindMapStorage&) = delete;

    virtual std::string guid() const;
    virtual std::string title() const;
    // The provider's id; empty without a provider.
    std::string providerId() const;
    // True for this very provider and exactly this id (case matters); false when either is missing.
    bool isEqual(const MindMapProvider* provider, const std::string& id) const;
    virtual std::shared_ptr<CustomImageStore> imageStore() const;
    // A cloud file got a new id (after a move, say): the editor and its history follow.
    // Waits for its caller in the shell.
    void changeId(const std::string& newId);
    void setInRecycler(bool inRecycler);
    virtual void open();
    // Why the last open() left no document to load (a local copy past the archive limits, say);
    // empty when it did, or when the storage cannot tell.
    virtual Error openError() const { return {}; }
    virtual void close();
    // Lets go of the delegate (which hears dropStorage()), closes, and leaves the provider's list.
    void dispose();
    // Closes and opens again; nothing when closed.
    virtual void reopen();
    void dropReferences();
    void externallyChanged();
    bool isLocalMindMap() const;
    virtual void centralThemeChanged(const std::string& themeText);
    // Writes the map to where the storage keeps it; true on success.
    virtual bool commitMindMap(MindMap* mindMap, Error* error = nullptr);
    // The file URL of the open map's document; empty when there is none.
    virtual std::string mindMapFileUrl() const;
    // The map's document as it would be exported; nothing when there is none.
    virtual std::optional<std::vector<uint8_t>> getMindMapExportData();

    MindMapProvider* provider() const { return _provider; }
    const std::string& id() const { return _id; }
    bool inRecycler() const { return _inRecycler; }
    bool isOpen() const { return _isOpen; }
    MindMapStorageDelegate* delegate() const { return _delegate; }
    void setDelegate(MindMapStorageDelegate* delegate) { _delegate = delegate; }

private:
    static void registerWithProvider(const std::shared_ptr<MindMapStorage>& storage);

    MindMapProvider* _provider = nullptr;
    std::string _id;
    bool _isOpen = false;
    bool _inRecycler = false;
    MindMapStorageDelegate* _delegate = nullptr;
};
