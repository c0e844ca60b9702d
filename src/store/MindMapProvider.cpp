#include "store/MindMapProvider.h"

#include "platform/NotificationCenter.h"
#include "store/MindMapStorage.h"

#include <algorithm>

MindMapProvider::MindMapProvider(int32_t type) : _type(type)
{
}

MindMapProvider::~MindMapProvider()
{
    // Last first, as they were opened. dispose() takes a storage out of the list; the check after it
    // only guards against a storage that somehow stayed, so that this can never loop.
    while (!_storages.empty()) {
        std::shared_ptr<MindMapStorage> storage = _storages.back();
        storage->dispose();
        if (!_storages.empty() && _storages.back() == storage) _storages.pop_back();
    }
}

std::string MindMapProvider::id() const
{
    switch (_type) {
    case MindMapProviderDropbox:
        return "Dropbox";
    case MindMapProviderGoogleDrive:
        return "GoogleDrive";
    case MindMapProviderOneDrive:
        return "OneDrive";
    case MindMapProviderTemporary:
        return "Temporary";
    default:
        return "Local";
    }
}

std::string MindMapProvider::title() const
{
    return {};
}

Image MindMapProvider::iconImage() const
{
    return Image::fromResource("icon_transparent");
}

Image MindMapProvider::largeIcon() const
{
    return iconImage();
}

bool MindMapProvider::enabled() const
{
    return true;
}

void MindMapProvider::setEnabled(bool)
{
}

void MindMapProvider::enabledChanged()
{
    NotificationCenter::defaultCenter().post(ProvidersChangedNotification, this);
}

bool MindMapProvider::isLocal() const
{
    return _type == MindMapProviderLocal;
}

bool MindMapProvider::isAsynchrone() const
{
    return true;
}

void MindMapProvider::asyncOpenStorage(const std::string&, const std::any&)
{
}

void MindMapProvider::whenSignInKnown(std::function<void()> then)
{
    then();
}

void MindMapProvider::openCloudLink(const std::string&)
{
}

std::string MindMapProvider::uploadMedia(uint32_t, const std::string&, const std::string&, MindMapStorage*)
{
    return {};
}

std::string MindMapProvider::performCopyToCloud(const std::string&, const std::string&, const std::vector<uint8_t>&)
{
    return {};
}

void MindMapProvider::getImageFromLink(const std::string&, const ImageAvailableCallback& onAvailable)
{
    if (onAvailable) onAvailable(std::string(), std::string());
}

void MindMapProvider::validateOpenStorages()
{
}

std::shared_ptr<MindMapStorage> MindMapProvider::createStorage(const std::string&)
{
    return nullptr;
}

std::string MindMapProvider::createNewMindMapWithReference(MindMapStorage*, const std::string&)
{
    return {};
}

bool MindMapProvider::duplicateMindMap(MindMapStorage*, Error*)
{
    return false;
}

bool MindMapProvider::deleteMindMap(const std::string&)
{
    return false;
}

std::optional<MindMapListInfo> MindMapProvider::getMindMapListInfo(const std::string&)
{
    return std::nullopt;
}

std::string MindMapProvider::buildPathBasedLink(const std::string& path)
{
    return path;
}

bool MindMapProvider::hasCaseSensitiveIds() const
{
    return false;
}

bool MindMapProvider::prefersNativeLinks() const
{
    return false;
}

std::string MindMapProvider::getSourceFileURL(const std::string&)
{
    return {};
}

bool MindMapProvider::isValidMapId(const std::string&)
{
    return false;
}

void MindMapProvider::addStorage(std::shared_ptr<MindMapStorage> storage)
{
    if (!storage || std::find(_storages.begin(), _storages.end(), storage) != _storages.end()) return;
    _storages.push_back(std::move(storage));
}

void MindMapProvider::removeStorage(MindMapStorage* storage)
{
    auto it = std::find_if(_storages.begin(), _storages.end(),
                           [storage](const std::shared_ptr<MindMapStorage>& s) { return s.get() == storage; });
    if (it == _storages.end()) return;
    // The list may hold the last reference: let the storage go only once the list is consistent.
    std::shared_ptr<MindMapStorage> leaving = std::move(*it);
    _storages.erase(it);
}

void MindMapProvider::connectToCloud(const std::any&)
{
}

void MindMapProvider::disconnectFromCloud()
{
}

std::optional<std::vector<uint8_t>> MindMapProvider::getMindMapXmlScanData(const std::string&)
{
    return std::nullopt;
}

std::shared_ptr<MindMapSearchCache> MindMapProvider::buildSearchCache()
{
    return nullptr;
}

void MindMapProvider::dropSearchCache()
{
}
