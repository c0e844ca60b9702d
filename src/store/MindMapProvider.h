#pragma once

#include "platform/Image.h"
#include "store/MindMapListInfo.h"

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct Error;
class MindMapSearchCache;
class MindMapStorage;

// Provider types; the number is what links, history and reopen settings keep.
enum MindMapProviderType : int32_t {
    MindMapProviderLocal = 0,
    MindMapProviderDropbox = 1,
    MindMapProviderGoogleDrive = 2,
    MindMapProviderOneDrive = 3,
    MindMapProviderTemporary = 4,
};

// Where the maps the editor opens come from: the local store or a cloud service. A provider lists,
// creates, duplicates and opens maps; every map it has open is one of its storages.
//
// The virtual operations are hooks: what this class does is what a provider that has no such
// service answers (nothing, false, empty). Absent texts and ids are empty strings.
//
// Ownership: the provider holds its storages counted (a storage joins the list when it is made and
// leaves it only through MindMapStorage::dispose()); a storage points back at its provider without
// owning it. A provider that goes away disposes the storages it still has first, so no storage is
// ever left pointing at a provider that is gone.
class MindMapProvider {
public:
    // Posted with the provider as object when a provider was enabled or disabled.
    static constexpr const char* ProvidersChangedNotification = "com.orrinworks.tarnwick.ProvidersChangedNotification";

    // What to upload (uploadMedia()); any other value means an exported document.
    enum MediaKind : uint32_t {
        MediaImage = 0,
        MediaMovie = 1,
        MediaAudioRecording = 2,
        MediaLinkedDocument = 3,
        MediaExportedDocument = 4,
    };

    using ImageAvailableCallback = std::function<void(const std::string& imageFilePath, const std::string& cloudLink)>;

    explicit MindMapProvider(int32_t type);
    virtual ~MindMapProvider();
    MindMapProvider(const MindMapProvider&) = delete;
    MindMapProvider& operator=(const MindMapProvider&) = delete;

    // "Local", "Dropbox", "GoogleDrive", "OneDrive", "Temporary" by type; "Local" for any other type.
    std::string id() const;
    virtual std::string title() const;
    virtual Image iconImage() const;
    virtual Image largeIcon() const;
    virtual bool enabled() const;
    virtual void setEnabled(bool enabled);
    // Posts ProvidersChangedNotification. Providers that override it call it last.
    virtual void enabledChanged();
    bool isLocal() const;
    // True when storages are opened through asyncOpenStorage().
    virtual bool isAsynchrone() const;
    // info: nothing, or the selection to restore once the map is open.
    virtual void asyncOpenStorage(const std::string& mindMapId, const std::any& info);
    // Runs then once the provider knows whether its account is signed in, which decides whether
    // its maps open; at once for a provider without accounts or one that knows already. A cloud
    // provider may learn it only when the keyring answers, which may first ask for a password.
    virtual void whenSignInKnown(std::function<void()> then);
    // Waits for its caller in the shell.
    virtual void openCloudLink(const std::string& link);
    // The id of the new cloud file; empty when none was made. reference is the storage of the open
    // map, or nullptr.
    virtual std::string uploadMedia(uint32_t mediaKind, const std::string& fromPath, const std::string& targetName,
                                    MindMapStorage* reference);
    // Copies a map's document data into the folder of that id; the new map's id, or empty.
    virtual std::string performCopyToCloud(const std::string& folderId, const std::string& title,
                                           const std::vector<uint8_t>& data);
    // Calls onAvailable once the picture behind the link is at hand; here at once with nothing.
    // Waits for its caller in the shell.
    virtual void getImageFromLink(const std::string& link, const ImageAvailableCallback& onAvailable);
    virtual void validateOpenStorages();
    // A new storage (not yet open) for the map, or nullptr. Made with MindMapStorage::create().
    virtual std::shared_ptr<MindMapStorage> createStorage(const std::string& mindMapId);
    // The id of a new map placed beside the reference's map where the provider can; empty when none.
    virtual std::string createNewMindMapWithReference(MindMapStorage* reference, const std::string& title);
    // Copies the storage's map and opens the copy; false, with why, when no copy was made. A
    // provider that copies in the background answers true once it started and reports its own
    // failures.
    virtual bool duplicateMindMap(MindMapStorage* storage, Error* error = nullptr);
    // Deletes the map for good (not into a recycle bin); false when the provider cannot or has no
    // such map.
    virtual bool deleteMindMap(const std::string& mindMapId);
    virtual std::optional<MindMapListInfo> getMindMapListInfo(const std::string& mindMapId);
    // Waits for its caller in the shell.
    virtual std::string buildPathBasedLink(const std::string& path);
    virtual bool hasCaseSensitiveIds() const;
    // Waits for its caller in the shell.
    virtual bool prefersNativeLinks() const;
    // The file URL of the map's source file; empty when there is none.
    virtual std::string getSourceFileURL(const std::string& mindMapId);
    virtual bool isValidMapId(const std::string& mindMapId);

    // Appends the storage unless it is already in the list (or null).
    void addStorage(std::shared_ptr<MindMapStorage> storage);
    void removeStorage(MindMapStorage* storage);

    // requester is handed on to the service's authorisation (the window asking, for instance).
    // Waits for its caller in the shell.
    virtual void connectToCloud(const std::any& requester);
    virtual void disconnectFromCloud();
    // The map's native XML, for scanning; nothing when it cannot be had.
    virtual std::optional<std::vector<uint8_t>> getMindMapXmlScanData(const std::string& mindMapId);
    // The provider's search cache, brought up to date; nullptr for a provider that cannot search.
    virtual std::shared_ptr<MindMapSearchCache> buildSearchCache();
    // Waits for its caller in the shell.
    virtual void dropSearchCache();

    int32_t type() const { return _type; }
    const std::vector<std::shared_ptr<MindMapStorage>>& storages() const { return _storages; }

private:
    int32_t _type;
    std::vector<std::shared_ptr<MindMapStorage>> _storages;
};
