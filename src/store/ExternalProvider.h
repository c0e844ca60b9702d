#pragma once

#include "store/MindMapProvider.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class ExternalMindMapStorage;

// The base of the cloud providers. Each cloud file the provider knows is kept as a local copy
// under the provider's root folder (cacheFilePathForFileId()); an open map works on a private
// cache folder of its storage below "providers/storages" in the store, claimed with
// claimCacheDirectory() and removed again when the storage closes.
class ExternalProvider : public MindMapProvider {
public:
    // The folders below the store root that hold the storages' cache folders.
    static constexpr const char* ProvidersFolderName = "providers";
    static constexpr const char* StoragesFolderName = "storages";
    // printf format of a storage cache folder's name; n counts from 0.
    static constexpr const char* CacheFolderFormat = "twkx_%ld";

    // The first provider made in a process removes the cache folders a previous run left behind.
    ExternalProvider(int32_t type, const std::string& rootDirectory);
    ~ExternalProvider() override;

    // Ends with "/".
    const std::string& rootDirectory() const { return _rootDirectory; }

    bool enabled() const override { return _enabled; }
    // A change calls enabledChanged().
    void setEnabled(bool enabled) override;

    // "<store root>/providers/storages", created when missing; empty when it cannot be made.
    static std::string providerCacheRootDirectory();
    // Removes "providers/storages" and marks the once-per-run clean-up as done.
    static void cleanupProvidersDirectory();
    // Lets the next provider clean up again (tests).
    static void resetProvidersDirectoryCleanup();

    // The local copy of a cloud file. An empty id or "/" gives the root. Ids come from the cloud
    // service and from documents, so one that would leave the root ("." or ".." components) or
    // holds empty components is refused with the empty text; "\" is read as "/" and one leading
    // "/" is dropped.
    virtual std::string cacheFilePathForFileId(const std::string& fileId) const;
    // The first "twkx_<n>" path under "providers/storages" that does not exist yet (the folder is
    // not made); empty when there is no storages folder.
    std::string claimCacheDirectory() const;

    // Title: the id's last component without extension; folder info: the id without it.
    std::optional<MindMapListInfo> getMindMapListInfo(const std::string& mindMapId) override;
    bool isValidMapId(const std::string& mindMapId) override;
    // Disposes every storage whose local file no longer exists, the last first.
    void validateOpenStorages() override;
    // Disposes every storage, the last first.
    // Waits for its caller in the shell.
    void dropStorages();
    // Every storage whose local file is this path hears that it changed.
    void fileExternallyChanged(const std::string& path);
    std::string getSourceFileURL(const std::string& mindMapId) override;
    // The document of the id's local copy: "document/mindmap.xml" of a container, else the bytes.
    std::optional<std::vector<uint8_t>> getMindMapXmlScanData(const std::string& mindMapId) override;

private:
    // The provider's external storages, in list order.
    std::vector<std::shared_ptr<ExternalMindMapStorage>> externalStorages() const;

    std::string _rootDirectory;
    bool _enabled = false;
};
