#include "FuzzHome.h"

#include "GoogleDrive/GDriveAnswers.h"
#include "GoogleDrive/GDriveFileInfoCache.h"
#include "GoogleDrive/GDriveFolderCache.h"
#include "GoogleDrive/GDriveIdentifierPool.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// The three record files of the Drive caches: whatever they hold, reading must not crash, every
// id kept must be one Drive could have made, and what was read must come back the same through
// writing and reading again.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    // The caches read their files at start; these never exist and are never written.
    const std::string missing = "/nonexistent/tarnwick-fuzz/";

    GDriveFileInfoCache files(missing + "files.xml");
    GDriveFileInfoCacheFiler fileFiler(files);
    if (fileFiler.loadCacheFromData(text)) {
        for (GDriveFileInfoItem* item : files.itemsList()) {
            if (!item->isValid() || !GDriveAnswers::isValidId(item->gdriveId()) ||
                item->cacheFileName().find_first_of(std::string("/\0", 2)) != std::string::npos ||
                item->cacheFileName().size() > 255)
                std::abort();
        }
        GDriveFileInfoCache again(missing + "files.xml");
        GDriveFileInfoCacheFiler reader(again);
        if (!reader.loadCacheFromData(fileFiler.buildDataFromCache()) || again.count() != files.count()) std::abort();
    }

    GDriveFolderCache folders(missing + "folders.xml");
    GDriveFolderCacheFiler folderFiler(folders);
    folders.beginUpdate();
    const bool foldersRead = folderFiler.loadCacheFromData(text);
    folders.endUpdate();
    if (foldersRead) {
        // Whatever the parents say, the sweep and the paths end.
        folders.collectDisconnectedFolders();
        for (GDriveFolderInfoItem* folder : folders.itemsList()) folders.buildFolderPath(folder->gdriveId());
        folders.resolveFolderIdForFolderPath(text.substr(0, 200), true);
    }

    GDriveIdentifierPool pool(missing + "pool.xml");
    GDriveIdentifierPoolFiler poolFiler(pool);
    if (poolFiler.loadPoolFromData(text)) {
        for (const std::string& gdriveId : pool.identifiers()) {
            if (!GDriveAnswers::isValidId(gdriveId)) std::abort();
        }
    }
    GDriveIdFromHexName(text);
    return 0;
}
