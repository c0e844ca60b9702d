#include "ImageTestSupport.h"
#include "MindMapStoreTestSupport.h"

#include "MindMaps/DiagramLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/ScriptedCommandPrompts.h"
#include "Utils/CryptoDigest.h"
#include "Utils/HexEncoding.h"
#include "formats/MindMapConverter.h"
#include "formats/TwkxMindMapWriter.h"
#include "formats/ZipArchive.h"
#include "platform/Localizer.h"
#include "store/CustomImageStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>

using namespace storetest;
namespace fs = std::filesystem;

namespace {

using MindMapStoreMaps = StoreTest;

// The map files of a folder.
std::vector<std::string> filesIn(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (entry.is_regular_file() && entry.path().extension() == ".twkx")
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string imageTopic(const std::string& hash)
{
    return "<topic text=\"Picture\"><embedded-image name=\"" + hash + "\"/></topic>";
}

TEST_F(MindMapStoreMaps, ANewMapIsTitledAndCarriesTheNewMapMarker)
{
    MindMapStore* store = start();
    MindMapStoreFolder* folder = store->addNewFolder(nullptr, "A");
    MindMapInfoItem* map = store->addMindMapInFolder(folder);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->title(), "New Mind Map");
    EXPECT_EQ(map->mindMapFile(), map->guid() + ".twkx");
    const std::string text = fileText(map->mindMapFilePath());
    EXPECT_NE(text.find("new-map"), std::string::npos);
    EXPECT_NE(text.find("add-theme=\"true\""), std::string::npos);
}

TEST_F(MindMapStoreMaps, IdentifiersDoNotFollowTheCRandomGenerator)
{
    MindMapStore* store = start();
    std::srand(7);
    std::string first = store->addMindMapInFolder(nullptr)->guid();
    std::srand(7);
    std::string second = store->addMindMapInFolder(nullptr)->guid();
    EXPECT_NE(first, second);
}

TEST_F(MindMapStoreMaps, DuplicateSitsAfterTheSourceWithACopyTitle)
{
    placeFile(GuidA + ".twkx", nativeDocument(GuidA, "Plan", "<topic text=\"Root\"/>"));
    MindMapStore* store = start();
    MindMapInfoItem* source = store->mindMapByGuid(GuidA);
    MindMapInfoItem* other = store->addMindMapInFolder(nullptr);
    ASSERT_EQ(store->rootFolder()->indexOfChild(source), 1);

    MindMapInfoItem* copy = store->duplicateMindMap(source);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->title(), localizedFormat("document_name_copy_fmt", {"Plan"}));
    EXPECT_EQ(store->rootFolder()->indexOfChild(copy), 2);
    EXPECT_EQ(store->rootFolder()->indexOfChild(other), 0);
    // A source that cannot be read leaves nothing behind; one that reads but does not load tells
    // the user why, unless the caller takes the error to say it.
    maptest::ScriptedCommandPrompts prompts;
    maptest::ScopedCommandPrompts installed(prompts);
    writeTestFile(source->mindMapFilePath(), "<twkx broken");
    Error error;
    EXPECT_EQ(store->duplicateMindMap(source, &error), nullptr);
    EXPECT_TRUE(prompts.errors.empty());
    EXPECT_EQ(store->duplicateMindMap(source), nullptr);
    ASSERT_EQ(prompts.errors.size(), 1u);
    EXPECT_EQ(prompts.errors[0].localizedDescription, error.localizedDescription);
    fs::remove(source->mindMapFilePath());
    EXPECT_EQ(store->duplicateMindMap(source), nullptr);
    EXPECT_EQ(store->count(), 3u);
}

TEST_F(MindMapStoreMaps, ImportOfUnknownOrBrokenDataLeavesNoMapBehind)
{
    MindMapStore* store = start();
    const std::string full = nativeDocument(GuidA, "T", "<topic text=\"A\"/>");
    const std::vector<Bytes> inputs = {
        bytesOf("<html><body/></html>"),
        bytesOf(full.substr(0, full.size() / 2)),
        bytesOf(std::string("PK\x03\x04", 4) + std::string(200, '\xff')),
        Bytes(4 * 1024 * 1024, 0x41),
    };
    for (const Bytes& data : inputs) {
        // The user is told why.
        Error error;
        EXPECT_EQ(store->importMindMap(data, &error), nullptr);
        EXPECT_FALSE(error.isEmpty());
        error = Error();
        EXPECT_EQ(store->importMindMap(data, GuidA, &error), nullptr);
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(filesIn(documents()), std::vector<std::string>{});

    // The reader's own error says where the document breaks off.
    Error error;
    store->importMindMap(inputs[1], &error);
    EXPECT_NE(error.failureReason.find("offset"), std::string::npos) << error.failureReason;
}

TEST_F(MindMapStoreMaps, AFileNamedAsPlainTextImportsAsPlainText)
{
    registerForeignFormats();
    MindMapStore* store = start();
    writeTestFile(dataHome() + "/notes.txt", "Trip\n\tTickets\n");
    EXPECT_EQ(store->importMindMap(bytesOf("Trip\n\tTickets\n")), nullptr) << "without a name, text is no map";
    MindMapInfoItem* map = store->importMindMapFile(dataHome() + "/notes.txt");
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->title(), "Trip");
    EXPECT_NE(fileText(map->mindMapFilePath()).find("Tickets"), std::string::npos);
}

// A map read from a foreign format goes to its file as it is written: the file holds the document
// the map itself gives, byte for byte, the item its SHA-1 and title, and nothing is left beside it.
TEST_F(MindMapStoreMaps, AForeignMapIsStoredAsTheDocumentTheMapGives)
{
    registerForeignFormats();
    MindMapStore* store = start();
    std::string large;
    for (int i = 0; i < 6000; ++i) large += (i % 4 ? "\tTopic " : "Theme ") + std::to_string(i) + "\n";
    struct Case {
        std::string name; // imported as a file when given, else as bytes
        std::string input;
        MindMapReadFormat format;
        std::string title;
    };
    const Case cases[] = {
        {"notes.txt", "Trip\n\tTickets\n", MindMapReadFormat::PlainText, "Trip"},
        {"large.txt", large, MindMapReadFormat::PlainText, "Theme 0"},
        {"", "<opml version=\"2.0\"><body><outline text=\"From OPML\"/></body></opml>", MindMapReadFormat::Opml,
         "From OPML"},
        {"", "<map version=\"1.0.1\"><node TEXT=\"From FreeMind\"/></map>", MindMapReadFormat::FreeMind,
         "From FreeMind"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        MindMapInfoItem* item = nullptr;
        if (c.name.empty()) {
            item = store->importMindMap(bytesOf(c.input));
        } else {
            writeTestFile(dataHome() + "/" + c.name, c.input);
            item = store->importMindMapFile(dataHome() + "/" + c.name);
        }
        ASSERT_NE(item, nullptr);
        MindMap read(CustomImageStore::localImageStore());
        ASSERT_TRUE(read.readFromData(bytesOf(c.input), item->guid(), int32_t(c.format)));
        const Bytes stored = bytesOf(fileText(item->mindMapFilePath()));
        EXPECT_TRUE(stored == TwkxMindMapWriter::writeMindMap(read)) << "the stored document differs";
        EXPECT_EQ(item->sha1(), stringByHexEncoding(SHA1(stored)));
        EXPECT_EQ(item->title(), c.title);
    }
    for (const auto& entry : fs::directory_iterator(documents()))
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
}

// A foreign map whose document cannot be written out (here: past the process's file size limit,
// which binds the super-user too) is refused with the reason, and the store stays as it was.
TEST_F(MindMapStoreMaps, AForeignMapThatCannotBeWrittenLeavesTheStoreAsItWas)
{
    registerForeignFormats();
    MindMapStore* store = start();
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "\tTopic " + std::to_string(i) + "\n";
    writeTestFile(dataHome() + "/outline.txt", "Theme\n" + text);
    const size_t before = store->count();

    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    rlimit small = limit;
    small.rlim_cur = 16 * 1024;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    Error error;
    MindMapInfoItem* item = store->importMindMapFile(dataHome() + "/outline.txt", &error);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(item, nullptr);
    EXPECT_NE(error.localizedDescription.find("could not be saved"), std::string::npos) << error.localizedDescription;
    EXPECT_NE(error.failureReason, "") << "the system's reason";
    EXPECT_EQ(store->count(), before);
    for (const auto& entry : fs::directory_iterator(documents()))
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
}

TEST_F(MindMapStoreMaps, ContainerImagesThatAreNotWhatTheirNameSaysAreSkippedAndReported)
{
    MindMapStore* store = start();
    const Bytes picture = pngBytes(30, 30, 1, 0, 0);
    const std::string named = std::string(40, 'b');
    ZipArchive zip;
    ASSERT_TRUE(zip.CreateZipData());
    ASSERT_TRUE(zip.addDataToZip(bytesOf(nativeDocument("X", "Pictures", imageTopic(named), 3, true)), std::nullopt,
                                 "document/mindmap.xml"));
    ASSERT_TRUE(zip.addDataToZip(picture, std::nullopt, "images/" + named + ".png"));
    ASSERT_TRUE(zip.CloseZipFile2());

    std::vector<std::string> skipped;
    ASSERT_NE(store->importMindMap(zip.zipData(), nullptr, &skipped), nullptr);
    EXPECT_EQ(skipped, std::vector<std::string>{"images/" + named + ".png"});
    EXPECT_TRUE(CustomImageStore::localImageStore()->imageFiles().empty());
}

TEST_F(MindMapStoreMaps, OutsideGuidsThatCannotNameAFileAreReplaced)
{
    MindMapStore* store = start();
    const std::pair<std::string, bool> cases[] = {
        {"my-map_01", true}, {std::string(70, 'A'), true},      {std::string(71, 'A'), false}, {".hidden", false},
        {"a\\b", false},     {std::string("nul\0x", 5), false},
    };
    for (const auto& [guid, valid] : cases) EXPECT_EQ(MindMapStore::isValidMindMapGuid(guid), valid) << guid;

    const std::string outside = dataHome() + "/x.twkx";
    MindMapInfoItem* map = store->importMindMap(bytesOf(nativeDocument("X", "Hostile")), "../../x");
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->guid().size(), 24u);
    EXPECT_FALSE(fs::exists(outside));
    EXPECT_EQ(fs::path(map->mindMapFilePath()).parent_path(), fs::path(documents()));
    EXPECT_EQ(store->addMindMapWithExternalTwkxData(bytesOf(nativeDocument("X", "Hostile")), "../../x", nullptr),
              nullptr);
}

TEST_F(MindMapStoreMaps, ImportUnderAGuidReplacesThatMap)
{
    MindMapStore* store = start();
    MindMapInfoItem* map = store->importMindMap(bytesOf(nativeDocument(GuidA, "First")), GuidA);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->guid(), GuidA);
    EXPECT_EQ(store->importMindMap(bytesOf(nativeDocument(GuidA, "Second")), GuidA), map);
    EXPECT_EQ(map->title(), "Second");
    EXPECT_EQ(store->count(), 1u);

    // A map that cannot be written keeps what it had and stays in the store.
    fs::remove(map->mindMapFilePath());
    fs::create_directories(map->mindMapFilePath() + "/blocker");
    EXPECT_EQ(store->importMindMap(bytesOf(nativeDocument(GuidA, "Third")), GuidA), nullptr);
    EXPECT_EQ(store->mindMapByGuid(GuidA), map);
    EXPECT_TRUE(fs::exists(map->mindMapFilePath() + "/blocker"));
}

TEST_F(MindMapStoreMaps, DeletionIsAnnouncedBeforeTheFileGoes)
{
    MindMapStore* store = start();
    MindMapInfoItem* map = store->addMindMapInFolder(nullptr);
    const std::string guid = map->guid();
    const std::string path = map->mindMapFilePath();
    writeTestFile(map->associatedFilePath("twk-doc"), "older");
    writeTestFile(map->thumbnailFilePath(), "thumb");
    bool fileThereWhenAnnounced = false;
    NotificationRecorder deleted(MindMapStore::MindMapDeletedNotification,
                                 [&](const Notification&) { fileThereWhenAnnounced = fs::exists(path); });
    store->deleteMindMap(map);
    ASSERT_EQ(deleted.count(), 1u);
    EXPECT_EQ(deleted.received[0].value<std::string>("guid"), guid);
    EXPECT_TRUE(fileThereWhenAnnounced);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(fs::exists(documents() + "/" + guid + ".twk-doc"));
    EXPECT_FALSE(fs::exists(root() + "/Caches/" + guid + "-tn.png"));
}

TEST_F(MindMapStoreMaps, CommitWritesTheWholeFileOrNothing)
{
    MindMapStore* store = start();
    MindMapInfoItem* item = store->addMindMapInFolder(nullptr);
    MindMap map(CustomImageStore::localImageStore());
    ASSERT_TRUE(map.readFromData(bytesOf(fileText(item->mindMapFilePath())), item->guid(), 2));
    map.setCustomTitle("Committed");
    writeTestFile(item->thumbnailFilePath(), "stale");

    ASSERT_TRUE(item->commitMindMap(&map));
    EXPECT_EQ(item->title(), "Committed");
    EXPECT_FALSE(fs::exists(item->thumbnailFilePath()));
    EXPECT_EQ(filesIn(documents()), std::vector<std::string>{item->mindMapFile()}) << "no temporary file";
    const std::string sha1 = item->sha1();

    // A write that fails leaves everything as it was and says why.
    fs::remove(item->mindMapFilePath());
    fs::create_directories(item->mindMapFilePath() + "/blocker");
    map.setCustomTitle("Lost");
    Error error;
    EXPECT_FALSE(item->commitMindMap(&map, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(item->sha1(), sha1);
}

// A map whose reading failed is empty: writing it would replace the user's map with nothing.
TEST_F(MindMapStoreMaps, AMapThatDidNotLoadIsNeverCommitted)
{
    placeFile(GuidA + ".twkx", nativeDocument(GuidA, "Kept", "<topic text=\"Only copy\"/>"));
    MindMapStore* store = start();
    MindMapInfoItem* item = store->mindMapByGuid(GuidA);
    const std::string before = readTestFile(item->mindMapFilePath());
    MindMap failed(CustomImageStore::localImageStore());
    EXPECT_FALSE(failed.readFromData(bytesOf("<tarnwick-mindmaps><mindmap><topics><topic"), GuidA, 2));

    Error error;
    EXPECT_FALSE(item->commitMindMap(&failed, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readTestFile(item->mindMapFilePath()), before);
    EXPECT_EQ(item->title(), "Kept");
}

TEST_F(MindMapStoreMaps, SynchronisingUnreadableBytesKeepsTheFileAndTheItem)
{
    placeFile(GuidA + ".twkx", nativeDocument(GuidA, "Good"));
    MindMapStore* store = start();
    MindMapInfoItem* map = store->mindMapByGuid(GuidA);
    const std::string garbage = "<tarnwick-mindmaps><mindmap><topics><topic";
    writeTestFile(map->mindMapFilePath(), garbage);
    EXPECT_TRUE(map->synchronize());
    EXPECT_EQ(readTestFile(map->mindMapFilePath()), garbage);
    EXPECT_FALSE(map->synchronizeWithFileData({}));

    // An older version of this map's own document is brought up to date.
    writeTestFile(map->mindMapFilePath(), nativeDocument(GuidA, "Older", "<topic text=\"Kept\"/>", 2));
    EXPECT_TRUE(map->synchronize());
    EXPECT_NE(readTestFile(map->mindMapFilePath()).find("doc-version=\"3\""), std::string::npos);
}

TEST_F(MindMapStoreMaps, ImageCleanupSparesEverythingWhenAMapCannotBeRead)
{
    MindMapStore* store = start();
    auto images = CustomImageStore::localImageStore();
    const std::string used = images->storeImagePngData(pngBytes(30, 30, 1, 0, 0));
    images->storeImagePngData(pngBytes(30, 30, 0, 1, 0)); // used by no map
    const std::string ofBroken = images->storeImagePngData(pngBytes(30, 30, 0, 0, 1));
    const std::string onRelation = images->storeImagePngData(pngBytes(30, 30, 1, 1, 0));
    store->importMindMap(bytesOf(nativeDocument(GuidA, "A", imageTopic(used), 3, true)), GuidA);
    // Written before relation images counted: the document says it has none.
    const std::string relationTopic = "<topic text=\"R\"><parent-relation><children><image name=\"" + onRelation +
        "\"/></children></parent-relation></topic>";
    placeFile("CCCCCCCCCCCCCCCCCCCCCCCC.twkx", nativeDocument("CCCCCCCCCCCCCCCCCCCCCCCC", "C", relationTopic));
    ASSERT_TRUE(store->addMindMapItem("CCCCCCCCCCCCCCCCCCCCCCCC.twkx", nullptr, false)->synchronize());
    MindMapInfoItem* broken =
        store->importMindMap(bytesOf(nativeDocument(GuidB, "B", imageTopic(ofBroken), 3, true)), GuidB);
    ASSERT_NE(broken, nullptr);
    writeTestFile(broken->mindMapFilePath(), "<unreadable");
    EXPECT_FALSE(store->collectReferencedImages());
    EXPECT_EQ(store->cleanupUnusedLocalImages(), 0);
    EXPECT_EQ(images->imageFiles().size(), 4u);

    writeTestFile(broken->mindMapFilePath(), nativeDocument(GuidB, "B", imageTopic(ofBroken), 3, true));
    std::optional<std::set<std::string>> referenced = store->collectReferencedImages();
    ASSERT_TRUE(referenced);
    EXPECT_EQ(*referenced, (std::set<std::string>{used, ofBroken, onRelation}));
    EXPECT_EQ(store->cleanupUnusedLocalImages(), 1);
    EXPECT_TRUE(fs::exists(images->customImageFilePath(onRelation)));
}

// Links to local maps ask the running store, ignoring the GUID's letter case; a deleted map's link
// turns invalid.
TEST_F(MindMapStoreMaps, LocalMapLinksAreValidWhileTheStoreHasTheMap)
{
    MindMapStore* store = start();
    MindMapInfoItem* map = store->addMindMapInFolder(nullptr);
    ASSERT_NE(map, nullptr);
    const std::string guid = map->guid();
    std::string otherCase = guid;
    for (char& c : otherCase)
        c = static_cast<char>(std::islower(static_cast<unsigned char>(c)) ? std::toupper(c) : std::tolower(c));
    EXPECT_EQ(store->mindMapByGuid(otherCase), map);

    DiagramLink link;
    link.linkToLocalMap(otherCase, "", false);
    EXPECT_TRUE(link.isValid());

    store->deleteMindMap(map);
    EXPECT_EQ(store->mindMapByGuid(guid), nullptr);
    link.linkToLocalMap(guid, "", false);
    EXPECT_FALSE(link.isValid());
}

} // namespace
