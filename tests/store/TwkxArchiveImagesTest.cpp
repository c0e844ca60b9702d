// The native archive writing pictures from an image store and reading them into one: what reaches
// the store's folder and what it announces.

#include "formats/ArchiveTestSupport.h"

#include "Utils/CryptoDigest.h"
#include "Utils/HexEncoding.h"
#include "formats/TwkxArchiveReader.h"
#include "formats/TwkxArchiveWriter.h"
#include "formats/ZipArchive.h"
#include "formats/ZipDetection.h"
#include "platform/Image.h"
#include "platform/NotificationCenter.h"
#include "store/CustomImageStore.h"
#include "support/TempDir.h"
#include "support/ZipDamage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

using namespace ArchiveTest;
namespace fs = std::filesystem;

namespace {

const std::string Document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><tarnwick-mindmaps doc-version=\"3\"/>";

std::string hashOf(const Bytes& data)
{
    std::string hex = stringByHexEncoding(SHA1(data));
    std::transform(hex.begin(), hex.end(), hex.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return hex;
}

// An image store over a folder of its own, recording the images it announces as added.
class StoreFixture {
public:
    StoreFixture() : folder(dir.file("images")), store((fs::create_directories(folder), folder))
    {
        token = NotificationCenter::defaultCenter().addObserver(
            CustomImageStore::CustomImagesChangedNotification, &store, [this](const Notification& n) {
                if (n.value<int>(CustomImageStore::OperationKey, -1) == CustomImageStore::ImageAdded) {
                    added.push_back(n.value<std::string>(CustomImageStore::ImageHashKey));
                }
            });
    }

    // Puts an image file straight into the folder and answers its hash.
    std::string put(const Bytes& data)
    {
        const std::string hash = hashOf(data);
        writeBytes(folder + "/" + hash + ".png", data);
        return hash;
    }

    std::vector<std::string> fileNames() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    std::string folder;
    CustomImageStore store;
    std::vector<std::string> added;
    ObservationToken token;
};

// A picture that decodes, different for each seed.
Bytes pngImage(char seed)
{
    return *Image(static_cast<unsigned char>(seed), 1).pngData();
}

std::vector<std::string> sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

// --- Writer -------------------------------------------------------------------------------------

TEST(TwkxArchiveWriter, WritesTheDocumentAndTheImagesUnderTheirNames)
{
    StoreFixture source;
    const std::string one = source.put(pngImage('1'));
    const std::string two = source.put(pngImage('2'));

    TempDir out;
    {
        TwkxArchiveWriter writer(out.file("map.twkx"));
        EXPECT_TRUE(writer.archiveOK());
        EXPECT_EQ(writer.fileName(), out.file("map.twkx"));
        writer.addMindMapDocumentData(bytesOf(Document));
        writer.addCustomImages({one, two}, source.store);
        EXPECT_TRUE(writer.archiveOK());
    }
    EXPECT_TRUE(isZipFile(out.file("map.twkx")));

    TwkxArchiveReader reader(out.file("map.twkx"));
    EXPECT_EQ(sorted(reader.files()),
              sorted({"document/mindmap.xml", "images/" + one + ".png", "images/" + two + ".png"}));
    EXPECT_EQ(reader.extractMindMapDocument(), bytesOf(Document));
    EXPECT_EQ(reader.extractFile("images/" + two + ".png"), pngImage('2'));
}

TEST(TwkxArchiveWriter, MissingImageDoesNotFailTheArchive)
{
    StoreFixture source;
    const std::string present = source.put(pngImage('p'));
    const std::string missing = hashOf(pngImage('m'));
    auto writer = TwkxArchiveWriter::initWithTempFile();
    writer->addMindMapDocumentData(bytesOf(Document));
    writer->addCustomImages({present, missing, ".icon:star", "../../etc/passwd", "NOTHEX"}, source.store);
    EXPECT_TRUE(writer->archiveOK());
    const auto data = writer->getArchiveData();
    ASSERT_TRUE(data);
    EXPECT_TRUE(hasPKZIPSignature(*data));
    TwkxArchiveReader reader(*data);
    EXPECT_EQ(sorted(reader.files()), sorted({"document/mindmap.xml", "images/" + present + ".png"}));
}

// --- Reader -------------------------------------------------------------------------------------

TEST(TwkxArchiveReader, UnreadableInputListsNothingAndYieldsNothing)
{
    StoreFixture target;
    TempDir dir;
    writeTestFile(dir.file("garbage.twkx"), "PK\x03\x04 this is not really a zip at all");
    for (const std::string& path : {dir.file("garbage.twkx"), dir.file("missing.twkx")}) {
        TwkxArchiveReader reader(path);
        EXPECT_TRUE(reader.files().empty()) << path;
        EXPECT_FALSE(reader.extractMindMapDocument()) << path;
        reader.importCustomImages(target.store);
    }
    EXPECT_TRUE(target.fileNames().empty());
    EXPECT_TRUE(target.added.empty());
}

TEST(TwkxArchiveReader, ImportKeepsExistingImagesAndAnnouncesOnlyNewOnes)
{
    StoreFixture source;
    const std::string kept = source.put(pngImage('k'));
    const std::string fresh = source.put(pngImage('f'));
    auto writer = TwkxArchiveWriter::initWithTempFile();
    writer->addMindMapDocumentData(bytesOf(Document));
    writer->addCustomImages({kept, fresh}, source.store);
    const auto data = writer->getArchiveData();
    ASSERT_TRUE(data);

    StoreFixture target;
    writeTestFile(target.folder + "/" + kept + ".png", "the store's own version");
    TwkxArchiveReader reader(*data);
    reader.importCustomImages(target.store);

    EXPECT_EQ(readTestFile(target.folder + "/" + kept + ".png"), "the store's own version");
    EXPECT_EQ(readBytes(target.folder + "/" + fresh + ".png"), pngImage('f'));
    EXPECT_EQ(target.added, std::vector<std::string>{fresh});
    EXPECT_EQ(target.fileNames(), sorted({kept + ".png", fresh + ".png"}));
}

TEST(TwkxArchiveReader, HostileImageEntriesAreSkippedAndNothingIsWrittenOutsideTheStore)
{
    const Bytes image = pngImage('h');
    const std::string hash = hashOf(image);
    const std::string good = hashOf(pngImage('g'));
    ZipArchive zip;
    ASSERT_TRUE(zip.CreateZipData());
    for (const std::string& name : {"images/../../" + hash + ".png", std::string("images/NOTHEX.png"),
                                    "images/" + hash + ".txt", "images/sub/" + hash + ".png", "other/" + hash + ".png",
                                    "/images/" + hash + ".png", "images/" + std::string(300, 'a') + ".png"}) {
        ASSERT_TRUE(zip.addDataToZip(image, std::nullopt, name)) << name;
    }
    ASSERT_TRUE(zip.addDataToZip(pngImage('g'), std::nullopt, "images\\" + good + ".png"));
    ASSERT_TRUE(zip.CloseZipFile2());

    StoreFixture target;
    TwkxArchiveReader reader(zip.zipData());
    EXPECT_EQ(reader.importCustomImages(target.store).size(), 2u) << "the two image entries not named by a hash";

    EXPECT_EQ(target.fileNames(), std::vector<std::string>{good + ".png"}) << "only the backslash entry is an image";
    EXPECT_EQ(target.added, std::vector<std::string>{good});
    std::vector<std::string> everything;
    for (const auto& entry : fs::recursive_directory_iterator(target.dir.path())) {
        everything.push_back(fs::relative(entry.path(), target.dir.path()).string());
    }
    EXPECT_EQ(sorted(everything), sorted({"images", "images/" + good + ".png"}));
}

// Images are named by their content: a picture stored under another's name would own that name
// for good.
TEST(TwkxArchiveReader, OnlyImagesWhoseBytesMatchTheirNameAndDecodeAreKeptTheRestAreReported)
{
    const std::string good = hashOf(pngImage('g'));
    const Bytes undecodable = bytesOf("\x89PNG\r\n\x1a\n not really a picture");
    struct Case {
        std::string name;
        Bytes data;
    };
    const std::vector<Case> cases = {
        {"images/" + hashOf(pngImage('c')) + ".png", pngImage('c')}, // its CRC is broken below
        {"images/" + hashOf(pngImage('x')) + ".png", pngImage('w')}, // another picture's name
        {"images/" + hashOf(undecodable) + ".png", undecodable},
        {"images/" + good + ".png", pngImage('g')},
    };
    ZipArchive zip;
    ASSERT_TRUE(zip.CreateZipData());
    for (const Case& c : cases) ASSERT_TRUE(zip.addDataToZip(c.data, std::nullopt, c.name));
    ASSERT_TRUE(zip.CloseZipFile2());
    Bytes data = zip.zipData();
    ASSERT_TRUE(breakFirstCrc(data));

    StoreFixture target;
    TwkxArchiveReader reader(data);
    EXPECT_EQ(reader.importCustomImages(target.store),
              (std::vector<std::string>{cases[0].name, cases[1].name, cases[2].name}));
    EXPECT_EQ(target.fileNames(), std::vector<std::string>{good + ".png"});
    EXPECT_EQ(target.added, std::vector<std::string>{good});
}

TEST(TwkxArchiveReader, DanglingLinkInTheStoreIsNotWrittenThrough)
{
    const Bytes image = pngImage('l');
    const std::string hash = hashOf(image);
    ZipArchive zip;
    ASSERT_TRUE(zip.CreateZipData());
    ASSERT_TRUE(zip.addDataToZip(image, std::nullopt, "images/" + hash + ".png"));
    ASSERT_TRUE(zip.CloseZipFile2());

    StoreFixture target;
    fs::create_symlink(target.dir.file("elsewhere.png"), target.folder + "/" + hash + ".png");
    TwkxArchiveReader reader(zip.zipData());
    reader.importCustomImages(target.store);
    EXPECT_FALSE(fs::exists(target.dir.file("elsewhere.png")));
    EXPECT_TRUE(target.added.empty());
}

} // namespace
