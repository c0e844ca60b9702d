// Every reader of a file from outside the program holds it to the most its kind can hold: a file
// larger is refused by its size, unread and with nothing set aside for it, as a damaged file is,
// and stays on disk. A file at the limit is still read.

#include "MindMapStoreTestSupport.h"

#include "MindMaps/CustomStyleSheet.h"
#include "formats/DocumentDamage.h"
#include "formats/MindMapFile.h"
#include "formats/PlainTextImporter.h"
#include "platform/FileUtils.h"
#include "platform/Folders.h"
#include "platform/Image.h"
#include "platform/Localizer.h"
#include "platform/TokenStore.h"
#include "store/FolderIndexFormat.h"
#include "store/HistoryList.h"
#include "store/MindMapImporter.h"
#include "support/AddressSpaceLimit.h"
#include "support/Sanitized.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace storetest;
namespace fs = std::filesystem;

namespace {

// Far past every limit, and past what the address space of the readers' test process allows.
constexpr uint64_t Huge = uint64_t(6) << 30;
constexpr uint64_t AddressSpaceHeadroom = uint64_t(1) << 30;

enum class Outcome { Read, Refused, Other };

// A map's file refused for its size says so, where it said the file held no map at all, and its
// reason names the limit.
bool mapRefusedForItsSize(const Error& error)
{
    return error.domain == DocumentDamage::ErrorDomain && error.code == DocumentDamage::TooLarge &&
        error.localizedDescription != localized("document_damage_not_a_document") &&
        error.localizedDescription.find("larger") != std::string::npos &&
        error.failureReason.find(std::to_string(MaximumMindMapFileSize)) != std::string::npos;
}

struct Reader {
    const char* what;
    // 0 for a reader whose answer does not tell a file read from one refused: only the huge file
    // is tried, for the memory it must not take.
    uint64_t limit;
    std::function<std::string()> path;
    std::function<Outcome()> read;
    // A cache is written anew from what it stands for.
    bool keepsFile = true;
};

class ReadLimits : public StoreTest {
protected:
    std::vector<Reader> readers()
    {
        return {
            {"a map's file", MaximumMindMapFileSize, [this] { return mapPath(GuidA); },
             [this] {
                 Error error;
                 if (readMindMapFile(mapPath(GuidA), &error)) return Outcome::Read;
                 return mapRefusedForItsSize(error) ? Outcome::Refused : Outcome::Other;
             }},
            {"the folder index", FolderIndexFormat::MaxFileSize, [this] { return folderIndexPath(); },
             [this] {
                 const auto told = restart()->takeUnreadableFolderIndex();
                 MindMapStore::releaseMindMapStoreInstance();
                 if (!told || told->movedTo.empty()) return Outcome::Other;
                 // Put aside whole, as any damaged index.
                 fs::rename(told->movedTo, folderIndexPath());
                 return told->detail == FolderIndexFormat::tooLargeDamage() ? Outcome::Refused : Outcome::Read;
             }},
            {"a text to import", PlainTextImporter::MaximumTextSize, [this] { return outside.file("notes.txt"); },
             [this] {
                 Error error;
                 if (MindMapImporter::readImportedFile(outside.file("notes.txt"), true, &error)) return Outcome::Read;
                 return error.code == PlainTextImporter::RefusedErrorCode ? Outcome::Refused : Outcome::Other;
             }},
            {"the settings", UserDefaults::MaximumFileSize, [] { return Folders::configFolder() + "/defaults.plist"; },
             [] {
                 UserDefaults::standard().resetForTesting();
                 UserDefaults::standard().objectForKey("any");
                 const auto told = UserDefaults::standard().takeUnreadableFile();
                 if (!told || told->movedTo.empty()) return Outcome::Other;
                 fs::rename(told->movedTo, told->path);
                 return told->reason.find("larger than") != std::string::npos ? Outcome::Refused : Outcome::Read;
             }},
            {"the recent maps", RecentHistoryList::MaximumFileSize, [] { return RecentHistoryList::historyFileName(); },
             [] {
                 RecentHistoryList history;
                 Error error;
                 if (history.loadNavigationHistory(&error)) return Outcome::Other;
                 return isTooLargeToRead(error) ? Outcome::Refused : Outcome::Read;
             }},
            {"the index cache", 0,
             [this] {
                 // A store that quits writes its cache.
                 MindMapStore::releaseMindMapStoreInstance();
                 return documents() + "/mind_map_index_v3.plist";
             },
             [this] {
                 const size_t maps = start()->count();
                 MindMapStore::releaseMindMapStoreInstance();
                 return maps == 0 ? Outcome::Refused : Outcome::Other;
             },
             false},
            {"a picture", 0, [this] { return outside.file("picture.png"); },
             [this] {
                 return Image::fromFile(outside.file("picture.png")).isNull() ? Outcome::Refused : Outcome::Other;
             }},
            {"a style", 0, [this] { return documents() + "/huge.twkstyle"; },
             [this] {
                 const auto sheet = std::make_shared<CustomStyleSheet>(documents() + "/huge.twkstyle");
                 return sheet->hasFileName() ? Outcome::Other : Outcome::Refused;
             }},
            {"a map to import", 0, [this] { return outside.file("map.twkx"); },
             [this] {
                 Error error;
                 if (MindMapImporter::readImportedFile(outside.file("map.twkx"), false, &error)) return Outcome::Read;
                 return mapRefusedForItsSize(error) ? Outcome::Refused : Outcome::Other;
             }},
            {"the sign-in file", 0, [this] { return outside.file("tokens"); },
             [this] {
                 FileTokenStore tokens(outside.file("tokens"));
                 Error error;
                 // Set aside as a damaged one: no secret, and no error.
                 const bool refused = !tokens.read("account", &error) && error.isEmpty();
                 std::error_code ec;
                 fs::rename(outside.file("tokens.corrupt"), outside.file("tokens"), ec);
                 return refused && !ec ? Outcome::Refused : Outcome::Other;
             }},
        };
    }

    std::string folderIndexPath() const { return documents() + "/" + FolderIndexFormat::FileName; }

    TempDir outside;
};

TEST_F(ReadLimits, EveryReaderReadsAFileAtItsLimitAndRefusesOneLargerUnread)
{
    fs::create_directories(documents());
    for (const Reader& reader : readers()) {
        if (reader.limit == 0) continue;
        SCOPED_TRACE(reader.what);
        const std::string path = reader.path();
        fs::create_directories(fs::path(path).parent_path());
        for (const auto& [size, expected] :
             {std::pair{reader.limit, Outcome::Read}, {reader.limit + 1, Outcome::Refused}}) {
            ASSERT_TRUE(makeSparseFile(path, size));
            EXPECT_EQ(reader.read(), expected) << size << " bytes";
            EXPECT_EQ(fs::file_size(path), size) << "the file stays as it was";
        }
        fs::remove(path);
    }
}

TEST_F(ReadLimits, AHugeFileTakesNoReaderTheMemoryItWouldNeed)
{
#ifdef TARNWICK_SANITIZED
    GTEST_SKIP() << "the sanitizers reserve address space of their own";
#endif
    fs::create_directories(documents());
    for (const Reader& reader : readers()) {
        SCOPED_TRACE(reader.what);
        const std::string path = reader.path();
        fs::create_directories(fs::path(path).parent_path());
        if (!makeSparseFile(path, Huge)) GTEST_SKIP() << "no sparse file of " << Huge << " bytes here";
        EXPECT_EQ(runWithAddressSpaceLimit(AddressSpaceHeadroom, [&] { return int(reader.read()); }),
                  int(Outcome::Refused));
        if (reader.keepsFile) {
            EXPECT_EQ(fs::file_size(path), Huge);
        }
        fs::remove(path);
    }
}

// The whole start over a store whose files are each far larger than any store's: the index is
// told as damaged and put aside, the map is listed as damaged, and nothing is lost or rewritten.
TEST_F(ReadLimits, AStoreOfHugeFilesStartsAndTellsThemAsDamaged)
{
#ifdef TARNWICK_SANITIZED
    GTEST_SKIP() << "the sanitizers reserve address space of their own";
#endif
    fs::create_directories(documents());
    for (const std::string& name :
         {std::string(FolderIndexFormat::FileName), GuidA + ".twkx", std::string("mind_map_index_v3.plist")}) {
        if (!makeSparseFile(documents() + "/" + name, Huge)) GTEST_SKIP() << "no sparse file here";
    }
    placeFile(GuidB + ".twkx", nativeDocument(GuidB, "Readable"));
    enum Failure { Started = 0, NotTold = 1, NotAside = 2, NotDamaged = 4, Lost = 8 };
    const int failures = runWithAddressSpaceLimit(AddressSpaceHeadroom, [&] {
        MindMapStore* store = start();
        int found = Started;
        const auto told = store->takeUnreadableFolderIndex();
        if (!told || told->detail != FolderIndexFormat::tooLargeDamage()) found |= NotTold;
        if (!told || told->movedTo.empty() || fs::file_size(told->movedTo) != Huge) found |= NotAside;
        MindMapInfoItem* huge = store->mindMapByGuid(GuidA);
        if (!huge || !huge->isDamaged()) found |= NotDamaged;
        MindMapInfoItem* readable = store->mindMapByGuid(GuidB);
        if (!readable || readable->title() != "Readable" || fs::file_size(mapPath(GuidA)) != Huge) found |= Lost;
        MindMapStore::releaseMindMapStoreInstance();
        return found;
    });
    EXPECT_EQ(failures, Started) << "1: the index not told, 2: not put aside, 4: the map not damaged, 8: lost";
}

} // namespace
