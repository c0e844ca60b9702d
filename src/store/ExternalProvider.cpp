#include "store/ExternalProvider.h"

#include "Utils/PathValidation.h"
#include "Utils/StringUtils.h"
#include "Utils/URLUtils.h"
#include "formats/MindMapFile.h"
#include "formats/TwkxArchiveReader.h"
#include "formats/ZipDetection.h"
#include "platform/FileUtils.h"
#include "store/ExternalMindMapStorage.h"
#include "store/MindMapStore.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

bool s_providersDirectoryCleaned = false;

bool itemExists(const std::string& path)
{
    std::error_code error;
    // A dangling symbolic link counts: its name is taken.
    return std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found && !error;
}

// "providers/storages" below the store root, without creating anything.
std::string storagesPath()
{
    const std::string root = MindMapStore::tarnWickStoreRootPath();
    if (root.empty()) return {};
    return (std::filesystem::path(root) / ExternalProvider::ProvidersFolderName / ExternalProvider::StoragesFolderName)
        .string();
}

// Ids from the service and from documents become paths below the root: none may climb out of it.
bool hasOnlyPlainComponents(const std::string& path)
{
    if (path.find('\0') != std::string::npos) return false;
    size_t start = 0;
    for (;;) {
        const size_t end = path.find('/', start);
        const std::string_view component(path.data() + start, (end == std::string::npos ? path.size() : end) - start);
        if (component.empty() || component == "." || component == "..") return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

} // namespace

ExternalProvider::ExternalProvider(int32_t type, const std::string& rootDirectory)
    : MindMapProvider(type), _rootDirectory(includeTrailingPathSeparator(rootDirectory))
{
    // Only the process that owns the store may clear the cache folders: another instance would
    // pull them from under the storages of the first.
    if (!s_providersDirectoryCleaned && MindMapStore::ownsStoreLock()) cleanupProvidersDirectory();
}

ExternalProvider::~ExternalProvider() = default;

void ExternalProvider::setEnabled(bool enabled)
{
    if (enabled == _enabled) return;
    _enabled = enabled;
    enabledChanged();
}

std::string ExternalProvider::providerCacheRootDirectory()
{
    const std::string providers = MindMapStore::tarnWickStoreSubDirPath(ProvidersFolderName);
    if (providers.empty()) return {};
    const std::string storages = (std::filesystem::path(providers) / StoragesFolderName).string();
    std::error_code error;
    std::filesystem::create_directories(storages, error);
    if (error || !std::filesystem::is_directory(storages, error)) return {};
    return storages;
}

void ExternalProvider::cleanupProvidersDirectory()
{
    s_providersDirectoryCleaned = true;
    const std::string storages = storagesPath();
    if (storages.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(storages, ignored);
}

void ExternalProvider::resetProvidersDirectoryCleanup()
{
    s_providersDirectoryCleaned = false;
}

std::string ExternalProvider::cacheFilePathForFileId(const std::string& fileId) const
{
    std::string path = fileId;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (!path.empty() && path.front() == '/') path.erase(0, 1);
    if (path.empty()) return _rootDirectory;
    if (!hasOnlyPlainComponents(path)) return {};
    return _rootDirectory + canonicalForFileSystem(path);
}

std::string ExternalProvider::claimCacheDirectory() const
{
    const std::string storages = providerCacheRootDirectory();
    if (storages.empty()) return {};
    for (long n = 0;; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, CacheFolderFormat, n);
        const std::string path = storages + "/" + name;
        if (!itemExists(path)) return path;
    }
}

std::optional<MindMapListInfo> ExternalProvider::getMindMapListInfo(const std::string& mindMapId)
{
    const std::filesystem::path path(mindMapId);
    return MindMapListInfo::infoWithTitle(path.filename().stem().string(), path.parent_path().string());
}

bool ExternalProvider::isValidMapId(const std::string& mindMapId)
{
    return !mindMapId.empty();
}

std::vector<std::shared_ptr<ExternalMindMapStorage>> ExternalProvider::externalStorages() const
{
    std::vector<std::shared_ptr<ExternalMindMapStorage>> result;
    for (const auto& storage : storages()) {
        if (auto external = std::dynamic_pointer_cast<ExternalMindMapStorage>(storage)) result.push_back(external);
    }
    return result;
}

void ExternalProvider::validateOpenStorages()
{
    // A snapshot, since each dispose() takes its storage out of the list.
    const auto snapshot = externalStorages();
    for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
        if (!itemExists((*it)->fileName())) (*it)->dispose();
    }
}

void ExternalProvider::dropStorages()
{
    const auto snapshot = storages();
    for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) (*it)->dispose();
}

void ExternalProvider::fileExternallyChanged(const std::string& path)
{
    for (const auto& storage : externalStorages()) storage->fileExternallyChanged(path);
}

std::string ExternalProvider::getSourceFileURL(const std::string& mindMapId)
{
    const std::string path = cacheFilePathForFileId(mindMapId);
    return path.empty() ? std::string() : fileURLWithPath(path);
}

std::optional<std::vector<uint8_t>> ExternalProvider::getMindMapXmlScanData(const std::string& mindMapId)
{
    const std::string path = cacheFilePathForFileId(mindMapId);
    if (path.empty()) return std::nullopt;
    if (isZipFile(path)) return TwkxArchiveReader(path).extractMindMapDocument();
    return readMindMapFile(path);
}
