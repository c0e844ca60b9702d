#include "store/MindMapStorage.h"

#include "MindMaps/MindMap.h"
#include "platform/Localizer.h"
#include "store/EditorInterface.h"
#include "store/MindMapProvider.h"
#include "store/MindMapStorageDelegate.h"

namespace {

constexpr int64_t UnloadedMapCommitErrorCode = 31;

} // namespace

bool isCommittableMindMap(const MindMap* mindMap, Error* error)
{
    if (mindMap && mindMap->enabled()) return true;
    return setError(error,
                    MakeAppError(UnloadedMapCommitErrorCode, localized("map_commit_error"),
                                 localized("map_not_loaded_commit_reason")));
}

MindMapStorage::MindMapStorage(CreationKey, MindMapProvider* provider, std::string id)
    : _provider(provider), _id(std::move(id))
{
}

MindMapStorage::~MindMapStorage() = default;

void MindMapStorage::registerWithProvider(const std::shared_ptr<MindMapStorage>& storage)
{
    if (storage->_provider) storage->_provider->addStorage(storage);
}

std::string MindMapStorage::guid() const
{
    return {};
}

std::string MindMapStorage::title() const
{
    return {};
}

std::string MindMapStorage::providerId() const
{
    return _provider ? _provider->id() : std::string();
}

bool MindMapStorage::isEqual(const MindMapProvider* provider, const std::string& id) const
{
    return provider && !id.empty() && provider == _provider && id == _id;
}

std::shared_ptr<CustomImageStore> MindMapStorage::imageStore() const
{
    return nullptr;
}

void MindMapStorage::changeId(const std::string& newId)
{
    const std::string oldId = _id;
    if (oldId == newId) return;
    _id = newId;
    if (!oldId.empty() && !newId.empty()) EditorInterfaceInstance()->mindMapRenamed(_provider, oldId, newId);
}

void MindMapStorage::setInRecycler(bool inRecycler)
{
    if (inRecycler == _inRecycler) return;
    _inRecycler = inRecycler;
    if (_delegate) _delegate->recyclerStatusChanged(this);
}

void MindMapStorage::open()
{
    _isOpen = true;
}

void MindMapStorage::close()
{
    _isOpen = false;
}

void MindMapStorage::dispose()
{
    // The delegate and the provider's list may hold the last references; stay alive to the end.
    const std::shared_ptr<MindMapStorage> keepAlive = weak_from_this().lock();
    dropReferences();
    if (_isOpen) close();
    if (MindMapProvider* provider = _provider) {
        _provider = nullptr;
        provider->removeStorage(this);
    }
}

void MindMapStorage::reopen()
{
    if (!_isOpen) return;
    close();
    open();
}

void MindMapStorage::dropReferences()
{
    if (MindMapStorageDelegate* delegate = _delegate) {
        _delegate = nullptr;
        delegate->dropStorage(this);
    }
}

void MindMapStorage::externallyChanged()
{
    if (_delegate) _delegate->externallyChanged(this);
}

bool MindMapStorage::isLocalMindMap() const
{
    return _provider && _provider->isLocal();
}

void MindMapStorage::centralThemeChanged(const std::string&)
{
}

bool MindMapStorage::commitMindMap(MindMap*, Error*)
{
    return false;
}

std::string MindMapStorage::mindMapFileUrl() const
{
    return {};
}

std::optional<std::vector<uint8_t>> MindMapStorage::getMindMapExportData()
{
    return std::nullopt;
}
