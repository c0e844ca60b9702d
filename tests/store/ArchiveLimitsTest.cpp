// Containers and store archives past the archive limits, on every road that reads one into the
// store: each is refused before anything of it is unpacked, with the limit it passes in the
// reason, and the store's files stay as they were.

#include "StoreImportTestSupport.h"

#include "formats/ArchiveTestSupport.h"
#include "formats/DocumentLimits.h"
#include "formats/UnzipArchive.h"
#include "formats/ZipArchive.h"
#include "store/CustomImageStore.h"
#include "store/MindMapImporter.h"
#include "store/StoreArchiveImporter.h"

#include <gtest/gtest.h>

#include <functional>

using namespace storetest;

namespace {

// A container of a map and a picture whose directory claims more than the limits allow: 600 MB
// for each entry, from an archive of a few hundred bytes.
Bytes claimingContainer()
{
    ZipArchive zip;
    EXPECT_TRUE(zip.CreateZipData());
    EXPECT_TRUE(zip.addDataToZip(bytesOf(nativeDocument(GuidA, "A")), std::nullopt, "document/mindmap.xml"));
    EXPECT_TRUE(zip.addDataToZip(bytesOf("x"), std::nullopt, "images/0123456789abcdef0123456789abcdef01234567.png"));
    EXPECT_TRUE(zip.CloseZipFile2());
    Bytes bytes = zip.zipData();
    ArchiveTest::setDirectorySizes(bytes, 600u << 20);
    return bytes;
}

using ArchiveLimits = ImportingStoreTest;

TEST_F(ArchiveLimits, EveryRoadRefusesAContainerPastTheLimitsBeforeUnpackingIt)
{
    const Bytes container = claimingContainer();
    const std::string archivePath = inbox.file("store.twkstore");
    ArchiveTest::writeBytes(archivePath, container);
    struct Road {
        const char* name;
        std::function<bool(Error* error)> read;
    };
    const std::vector<Road> roads = {
        {"store", [&](Error* error) { return store->importMindMap(container, error) != nullptr; }},
        {"upload under its GUID",
         [&](Error* error) { return store->importMindMap(container, GuidA, error) != nullptr; }},
        {"import panel",
         [&](Error* error) {
             return MindMapImporter::importMindMapFromData(container, "/in/map.twkx", nullptr, error) != nullptr;
         }},
        {"store archive", [&](Error* error) { return store->importFromArchive(archivePath, error) != nullptr; }},
        {"upload checked off the main thread",
         [&](Error* error) { return DocumentLimits::acceptsData(container, error); }},
    };
    const std::string before = fileText(mapPath(GuidA));
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        Error error;
        EXPECT_FALSE(road.read(&error));
        EXPECT_NE(error.failureReason.find("512.0 MB"), std::string::npos) << error.failureReason;
        EXPECT_EQ(store->count(), 0u);
        EXPECT_EQ(fileText(mapPath(GuidA)), before);
        EXPECT_TRUE(CustomImageStore::localImageStore()->imageFiles().empty());
    }
}

} // namespace
