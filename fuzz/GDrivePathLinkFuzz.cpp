#include "FuzzHome.h"

#include "GoogleDrive/GDriveFileInfoCache.h"
#include "GoogleDrive/GDriveFolderCache.h"
#include "GoogleDrive/GDriveFolderLister.h"

#include <any>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Drive as the caches know it, without a client: a path a document carries is walked only through
// cached names; where Drive would have to be asked, resolving ends without an id.
struct CachedDrive : GDriveTaskService {
    GDriveFileInfoCache records{"/nonexistent/tarnwick-fuzz/files.xml"};
    GDriveFolderCache folders{"/nonexistent/tarnwick-fuzz/folders.xml"};

    CachedDrive()
    {
        folders.beginUpdate();
        records.beginUpdate();
        folders.setRealGDriveRootFolderId("RootId");
        GDriveMetadata a = GDriveMetadata::folder("AId");
        a.name = "A";
        GDriveMetadata b = GDriveMetadata::folder("BId");
        b.name = "B b";
        folders.updateFolder(folders.rootFolder(), {a}, false);
        folders.updateFolder(folders.get("AId"), {b}, false);
        GDriveMetadata map("MapId", std::string("twkx"));
        map.name = "map.twkx";
        map.parentIdentifier = "BId";
        map.md5Checksum = "0123456789abcdef0123456789abcdef";
        records.update(map);
    }

    bool isLinked() const override { return true; }
    bool isAuthorized() const override { return true; }
    GDriveClient* driveClient() override { return nullptr; }
    GDriveProvider* provider() override { return nullptr; }
    GDriveFileInfoCache& fileInfo() override { return records; }
    GDriveFolderCache& folderCache() override { return folders; }
    void reauthorize() override {}
    void deleteLocalFile(const std::string&, const std::string&) override {}
    void highPrioritySynchronizeFile(const std::string&) override {}
    void dispatchFolderChanged(const std::string&) override {}
    std::string uniqueFolderName(const std::string& name, const std::string&) override { return name; }
};

struct Result : GDrivePathResolverDelegate {
    int calls = 0;
    std::string id;
    void pathResolved(GDrivePathResolverTask&, const std::string&, const std::string& gdriveId, int,
                      const std::any&) override
    {
        ++calls;
        id = gdriveId;
    }
};

} // namespace

// Whatever a link's path holds, resolving answers exactly once and only with a cached id.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CachedDrive drive;
    const std::string path(reinterpret_cast<const char*>(data), size);
    Result result;
    GDrivePathResolverTask task(drive, &result, path, 0, {});
    task.execute();
    if (result.calls != 1) std::abort();
    if (!result.id.empty() && result.id != "MapId") std::abort();
    return 0;
}
