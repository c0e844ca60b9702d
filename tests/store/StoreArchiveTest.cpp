#include "ImageTestSupport.h"
#include "MindMapStoreTestSupport.h"

#include "formats/UnzipArchive.h"
#include "formats/ZipArchive.h"
#include "platform/FileUtils.h"
#include "store/CustomImageStore.h"
#include "store/StoreArchiveImporter.h"
#include "support/ZipDamage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

using namespace storetest;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::string GuidX = "0000000000000000000000XX";

using Clock = std::chrono::system_clock;

struct Entry {
    std::string name, data;
    std::optional<Clock::time_point> date = Clock::now();
};

std::vector<std::string> entryNames(const std::string& archivePath)
{
    UnzipArchive archive;
    std::vector<std::string> names;
    if (archive.UnzipOpenFile(archivePath)) archive.readContainedFiles(names);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> folderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

class StoreArchiveTest : public StoreTest {
protected:
    TempDir outside;

    std::string archivePath(const std::string& name = "store.twkstore") const { return outside.file(name); }

    void writeArchive(const std::string& path, const std::vector<Entry>& entries)
    {
        ZipArchive zip;
        ASSERT_TRUE(zip.CreateZipFile2(path));
        for (const Entry& entry : entries) {
            ASSERT_TRUE(zip.addDataToZip(bytesOf(entry.data), entry.date, entry.name)) << entry.name;
        }
        ASSERT_TRUE(zip.CloseZipFile2());
    }

    std::unique_ptr<MindMapStoreImportResult> import(const std::vector<Entry>& entries, Error* error = nullptr)
    {
        writeArchive(archivePath("in.twkstore"), entries);
        return start()->importFromArchive(archivePath("in.twkstore"), error);
    }

    static std::string mapEntry(const std::string& guid) { return guid + ".twkx"; }
};

// ---- export ----

TEST_F(StoreArchiveTest, ExportCarriesMapsStylesImagesAndTheFolderIndex)
{
    placeFile(mapEntry(GuidA), nativeDocument(GuidA, "Alpha"));
    placeFile(mapEntry(GuidB), nativeDocument(GuidB, "Beta"));
    placeFile("My Style.twkstyle", "<mindmap-colorscheme/>");
    placeFile("notes.txt", "not exported");
    MindMapStore* store = start();
    const std::string hash = CustomImageStore::localImageStore()->storeImagePngData(pngBytes(30, 30));
    ASSERT_FALSE(hash.empty());
    store->mindMapByGuid(GuidB)->setParent(store->addFolder(nullptr, "Work", "/W", true));

    Error error;
    ASSERT_TRUE(store->exportToArchive(archivePath(), &error)) << error.failureReason;
    EXPECT_EQ(entryNames(archivePath()),
              (std::vector<std::string>{mapEntry(GuidA), mapEntry(GuidB), "My Style.twkstyle", "folder-index.xml",
                                        "images/" + hash + ".png"}));
    EXPECT_EQ(folderEntries(outside.path()), (std::vector<std::string>{"store.twkstore"})) << "no temporary file";
}

TEST_F(StoreArchiveTest, AFailedExportLeavesNothingBehindAndAnswersNo)
{
    placeFile(mapEntry(GuidA), nativeDocument(GuidA, "Alpha"));
    MindMapStore* store = start();

    // Something that cannot be replaced stands at the path: it stays as it was.
    fs::create_directories(archivePath() + "/keep");
    EXPECT_FALSE(store->exportToArchive(archivePath()));
    EXPECT_TRUE(fs::is_directory(archivePath() + "/keep"));
    EXPECT_EQ(folderEntries(outside.path()), (std::vector<std::string>{"store.twkstore"}));
}

// ---- import modes ----

TEST_F(StoreArchiveTest, OverwriteModesDecideOverExistingMaps)
{
    const auto entryDate = Clock::now() - 240h;
    const struct {
        int64_t mode;
        bool existingIsNewer, replaced;
    } cases[] = {
        {0, false, false}, {1, false, true},  {1, true, false},
        {2, true, true},   {5, false, false}, // outside the three modes: existing files stay
    };
    for (const auto& c : cases) {
        const std::string label = "mode " + std::to_string(c.mode) + (c.existingIsNewer ? " newer" : " older");
        MindMapStore::releaseMindMapStoreInstance();
        fs::remove_all(root());
        placeFile(mapEntry(GuidA), nativeDocument(GuidA, "Existing"));
        fs::last_write_time(mapPath(GuidA), fs::file_time_type::clock::now() - (c.existingIsNewer ? 0h : 480h));
        UserDefaults::standard().setInteger("storeImportMode", c.mode);

        const auto result = import({{mapEntry(GuidA), nativeDocument(GuidA, "Archived"), entryDate}});
        ASSERT_TRUE(result) << label;
        EXPECT_EQ(result->mindMapsImported(), c.replaced ? 1u : 0u) << label;
        EXPECT_EQ(result->skippedFiles(), c.replaced ? 0u : 1u) << label;
        EXPECT_EQ(MindMapStore::existingInstance()->mindMapByGuid(GuidA)->title(), c.replaced ? "Archived" : "Existing")
            << label;
    }
}

// ---- placing imported maps ----

TEST_F(StoreArchiveTest, ImportedMapsFollowTheArchivedIndexIntoExistingFolders)
{
    placeFile(mapEntry(GuidA), nativeDocument(GuidA, "Existing"));
    MindMapStore* store = start();
    MindMapStoreFolder* projects = store->addFolder(nullptr, "Projects", "/P1", true);
    MindMapStoreFolder* archive = store->addFolder(nullptr, "Archive", "/ARCH", true);
    UserDefaults::standard().setInteger("storeImportMode", 2);
    const std::string index = "<diagram-index><folder id=\"/.root\">"
                              "<folder name=\"Projects\" id=\"/OTHER\"><diagram id=\"" +
        GuidX +
        "\"/>"
        "<diagram id=\"" +
        GuidA +
        "\"/></folder>"
        "<folder name=\"Renamed\" id=\"/arch\"><diagram id=\"" +
        GuidB +
        "\"/></folder>"
        "</folder></diagram-index>";
    const std::string GuidY = "0000000000000000000000YY";
    NotificationRecorder committed(MindMapStore::MindMapExternalCommittedNotification);

    const auto result = import({{mapEntry(GuidX), nativeDocument(GuidX, "X")},
                                {mapEntry(GuidA), nativeDocument(GuidA, "Replaced")},
                                {mapEntry(GuidB), nativeDocument(GuidB, "B")},
                                {mapEntry(GuidY), nativeDocument(GuidY, "Y")},
                                {"folder-index.xml", index}});
    ASSERT_TRUE(result);
    EXPECT_EQ(result->mindMapsImported(), 4u);
    EXPECT_EQ(store->mindMapByGuid(GuidX)->parent(), projects) << "same title, unknown id: merged";
    EXPECT_EQ(store->mindMapByGuid(GuidB)->parent(), archive) << "known id wins over the title";
    EXPECT_EQ(store->mindMapByGuid(GuidA)->parent(), store->rootFolder()) << "existing maps keep their place";
    EXPECT_EQ(store->mindMapByGuid(GuidY)->parent(), store->rootFolder()) << "unplaced maps land in the root";
    ASSERT_EQ(committed.count(), 1u);
    EXPECT_EQ(std::any_cast<std::string>(committed.received[0].userInfo.at(MindMapStore::GuidKey)), GuidA);
}

// A folder the index makes is found again by its title like one that was there; a map named
// twice stays where it was named first.
TEST_F(StoreArchiveTest, FoldersMadeByTheIndexAreMergedLikeExistingOnes)
{
    const std::string GuidY = "0000000000000000000000YY";
    const std::string index = "<diagram-index><folder id=\"/.root\"><folder name=\"New\" id=\"/N1\"><diagram id=\"" +
        GuidX + "\"/></folder><folder name=\"New\" id=\"/N2\"><diagram id=\"" + GuidY + "\"/><diagram id=\"" + GuidX +
        "\"/></folder></folder></diagram-index>";
    const auto result = import({{mapEntry(GuidX), nativeDocument(GuidX, "X")},
                                {mapEntry(GuidY), nativeDocument(GuidY, "Y")},
                                {"folder-index.xml", index}});
    ASSERT_TRUE(result);
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    ASSERT_EQ(store->rootFolder()->childCount(), 1u);
    const MindMapStoreFolder* made = store->folderByGuid("/N1");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(store->folderByGuid("/N2"), nullptr);
    ASSERT_EQ(made->childCount(), 2u);
    EXPECT_EQ(made->childAtIndex(0)->guid(), GuidX);
    EXPECT_EQ(made->childAtIndex(1)->guid(), GuidY);
}

// ---- hostile archives ----

TEST_F(StoreArchiveTest, EntryNamesNeverChooseWhereFilesGo)
{
    const std::vector<Entry> entries = {
        {"../../EVIL.twkx", nativeDocument("EVIL", "Evil")},
        {"/abs/ABSOLUTE.twkx", nativeDocument("ABSOLUTE", "Absolute")},
        {"sub\\..\\..\\BACKSLASH.twkx", nativeDocument("BACKSLASH", "Backslash")},
        {"bad guid.twkx", nativeDocument(GuidA, "Space")},
        {"images/../" + std::string(40, 'b') + ".png", "x"},
        {".hidden.twkstyle", "x"},
    };
    const auto result = import(entries);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->mindMapsImported(), 3u);
    EXPECT_EQ(result->customImagesImported(), 0u);
    EXPECT_EQ(result->customStylesImported(), 0u);
    EXPECT_EQ(folderEntries(documents()),
              (std::vector<std::string>{"ABSOLUTE.twkx", "BACKSLASH.twkx", "Clipboard", "Custom Icons", "EVIL.twkx",
                                        "Images", "folder-index.xml"}));
    EXPECT_FALSE(fs::exists(root() + "/EVIL.twkx"));
    EXPECT_TRUE(fs::is_empty(documents() + "/Images"));
}

// A damaged entry costs only itself, and the user hears of it.
TEST_F(StoreArchiveTest, DamagedEntriesAndMisnamedImagesReplaceNothingAndAreReported)
{
    placeFile(mapEntry(GuidA), nativeDocument(GuidA, "Existing"));
    const std::string before = fileText(mapPath(GuidA));
    MindMapStore* store = start();
    UserDefaults::standard().setInteger("storeImportMode", 2);

    const std::string image = "images/" + std::string(40, 'c') + ".png";
    for (const std::string& damaged : {mapEntry(GuidA), image}) {
        ZipArchive zip;
        ASSERT_TRUE(zip.CreateZipData());
        ASSERT_TRUE(zip.addDataToZip(damaged == image ? pngBytes(8, 8) : bytesOf(nativeDocument(GuidA, "Corrupt")),
                                     Clock::now(), damaged));
        ASSERT_TRUE(zip.addDataToZip(bytesOf(nativeDocument(GuidB, "Fine")), Clock::now(), mapEntry(GuidB)));
        ASSERT_TRUE(zip.CloseZipFile2());
        std::vector<uint8_t> data = zip.zipData();
        ASSERT_TRUE(breakFirstCrc(data));
        writeTestFile(archivePath(), textOf(data));

        Error error;
        const auto result = store->importFromArchive(archivePath(), &error);
        ASSERT_NE(result, nullptr) << error.failureReason;
        EXPECT_EQ(result->unreadableEntries(), std::vector<std::string>{damaged});
        EXPECT_EQ(fileText(mapPath(GuidA)), before);
        EXPECT_EQ(store->mindMapByGuid(GuidA)->title(), "Existing");
        ASSERT_NE(store->mindMapByGuid(GuidB), nullptr);
        EXPECT_TRUE(fs::is_empty(documents() + "/Images"));
        for (const std::string& name : folderEntries(documents())) EXPECT_EQ(name.find(".tw-unzip"), std::string::npos);
    }

    // Whole, but not the picture its name says: it would stand in for that picture for good.
    writeArchive(archivePath(), {{image, textOf(pngBytes(8, 8))}});
    const auto result = store->importFromArchive(archivePath());
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->unreadableEntries(), std::vector<std::string>{image});
    EXPECT_TRUE(fs::is_empty(documents() + "/Images"));
}

TEST_F(StoreArchiveTest, ATruncatedFolderIndexLeavesTheMapsInTheRootAndIsReported)
{
    const std::string index =
        "<?xml version=\"1.0\"?><diagram-index><folder id=\"/.root\"><folder name=\"A\" id=\"/F\">";
    const auto result = import({{mapEntry(GuidA), nativeDocument(GuidA, "A")}, {"folder-index.xml", index}});
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->mindMapsImported(), 1u);
    EXPECT_EQ(result->unreadableEntries(), std::vector<std::string>{"folder-index.xml"});
    EXPECT_EQ(MindMapStore::existingInstance()->mindMapByGuid(GuidA)->parent(),
              MindMapStore::existingInstance()->rootFolder());
}

TEST_F(StoreArchiveTest, AnArchiveThatWouldUnpackPastTheLimitIsRefusedBeforeAnythingIsWritten)
{
    MindMapStore* store = start();
    const std::string document = nativeDocument(GuidA, "A", "<topic text=\"" + std::string(4000, 'x') + "\"/>");
    writeArchive(archivePath(), {{mapEntry(GuidA), document}, {mapEntry(GuidB), nativeDocument(GuidB, "B")}});
    StoreArchiveImporter importer(store);
    importer.setTotalExtractionLimit(document.size() + 10);

    Error error;
    EXPECT_EQ(importer.importStore(archivePath(), &error), nullptr);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(store->count(), 0u);
    EXPECT_EQ(folderEntries(documents()), (std::vector<std::string>{"Clipboard", "Custom Icons", "Images"}));
}

TEST_F(StoreArchiveTest, ArchivesThatCannotBeOpenedAreErrors)
{
    MindMapStore* store = start();
    writeTestFile(archivePath("garbage.twkstore"), "PK\x03\x04 but nothing of a zip");
    writeArchive(archivePath("whole.twkstore"), {{mapEntry(GuidA), nativeDocument(GuidA, "A")}});
    std::string truncated = fileText(archivePath("whole.twkstore"));
    writeTestFile(archivePath("truncated.twkstore"), truncated.substr(0, truncated.size() / 2));
    for (const char* name : {"missing.twkstore", "garbage.twkstore", "truncated.twkstore"}) {
        Error error;
        EXPECT_EQ(store->importFromArchive(archivePath(name), &error), nullptr) << name;
        EXPECT_FALSE(error.isEmpty()) << name;
    }
    EXPECT_EQ(store->count(), 0u);
}

} // namespace
