// Large and hostile files on the roads into the store (a file opened from the command line or the
// desktop, the import panel, the store's own import): a text beyond the text import's limits is
// refused by its size before it is read, every refusal reaches the caller with the reader's
// reason, and running out of memory refuses the import instead of ending the program. The
// store's files stay as they were each time.

#include "StoreImportTestSupport.h"

#include "formats/PlainTextImporter.h"
#include "platform/Localizer.h"
#include "store/MindMapImporter.h"
#include "support/AddressSpaceLimit.h"
#include "support/Sanitized.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>

using namespace storetest;

namespace {

// The roads that take a file by its path.
struct FileRoad {
    const char* name;
    std::function<MindMapInfoItem*(const std::string& path, Error* error)> import;
};

class ImportLimits : public ImportingStoreTest {
protected:
    std::vector<FileRoad> fileRoads()
    {
        return {
            {"store", [this](const std::string& path, Error* error) { return store->importMindMapFile(path, error); }},
            {"import panel",
             [](const std::string& path, Error* error) {
                 return MindMapImporter::importMindMapFromFile(path, nullptr, error);
             }},
        };
    }
};

TEST_F(ImportLimits, TextBeyondTheSizeLimitIsRefusedByItsSizeOnEveryRoad)
{
    // A terabyte could not even be held to be looked at: only its size can refuse it.
    const std::vector<std::pair<uint64_t, std::string>> sizes = {
        {PlainTextImporter::MaximumTextSize + 1, "20.1 MB"},
        {uint64_t{1} << 40, "1048576.0 MB"},
    };
    for (const auto& [size, shown] : sizes) {
        const std::string path = inbox.file("Outline.txt");
        if (!makeSparseFile(path, size)) GTEST_SKIP() << "no sparse file of " << size << " bytes here";
        for (const FileRoad& road : fileRoads()) {
            SCOPED_TRACE(std::string(road.name) + " " + shown);
            const auto before = filesBelow(root());
            Error error;
            EXPECT_EQ(road.import(path, &error), nullptr);
            EXPECT_EQ(error.localizedDescription, localized("map_import_error"));
            EXPECT_EQ(error.failureReason, localizedFormat("map_import_text_too_large_reason", {shown, "20.0 MB"}));
            EXPECT_EQ(filesBelow(root()), before);
        }
        // Bytes already read are held to the same limit.
        Error error;
        const Bytes read(PlainTextImporter::MaximumTextSize + 1, 'a');
        EXPECT_EQ(MindMapImporter::importMindMapFromData(read, "/in/read.TEXT", nullptr, &error), nullptr);
        EXPECT_EQ(error.failureReason, localizedFormat("map_import_text_too_large_reason", {"20.1 MB", "20.0 MB"}));
    }
    EXPECT_EQ(store->count(), 0u);
}

TEST_F(ImportLimits, TextOfTooManyLinesIsRefusedBeforeATopicIsMade)
{
    std::string text;
    for (size_t i = 0; i <= PlainTextImporter::MaximumLineCount; ++i) text += "a\n";
    const std::string path = inbox.file("Lines.txt");
    writeTestFile(path, text);
    for (const FileRoad& road : fileRoads()) {
        SCOPED_TRACE(road.name);
        Error error;
        EXPECT_EQ(road.import(path, &error), nullptr);
        EXPECT_EQ(error.failureReason, localizedFormat("map_import_text_too_many_lines_reason", {"800001", "800000"}));
    }
    EXPECT_EQ(store->count(), 0u);
}

// A binary property list of one data object that declares 2 GB of bytes.
Bytes binaryListDeclaringTwoGigabytes()
{
    Bytes list = {'b', 'p', 'l', 'i', 's', 't', '0', '0'};
    // Data with its length in the following 8-byte integer: 0x80000000.
    for (uint8_t byte : {0x4F, 0x13, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00}) list.push_back(byte);
    const uint8_t table = static_cast<uint8_t>(list.size());
    list.push_back(8); // the offset table: object 0 at byte 8
    // Trailer: offsets and references of one byte, one object, the top object 0, the table.
    for (uint8_t byte : {0, 0, 0, 0, 0, 0, 1, 1}) list.push_back(byte);
    for (uint64_t value : {uint64_t{1}, uint64_t{0}, uint64_t{table}}) {
        for (int shift = 56; shift >= 0; shift -= 8) list.push_back(static_cast<uint8_t>(value >> shift));
    }
    return list;
}

TEST_F(ImportLimits, EveryRefusalCarriesTheReadersReason)
{
    std::string deep = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";
    for (int i = 0; i < 100000; ++i) deep += "<array>";
    for (int i = 0; i < 100000; ++i) deep += "</array>";
    deep += "</plist>\n";
    struct Case {
        const char* fileName;
        Bytes data;
        std::string reason; // a regular expression
    };
    const std::vector<Case> cases = {
        {"/in/deep.plist", bytesOf(deep), ".*nested more than 512 levels deep.*"},
        {"/in/huge", binaryListDeclaringTwoGigabytes(), ".*object 0 at byte 8 declares 2147483648 bytes.*"},
        {"/in/old.plist", bytesOf("bplist00 truncated"), "The binary property list is truncated\\."},
        {"/in/binary.txt", bytesOf(std::string("A\0B", 3)), localized("map_import_text_encoding_reason")},
        {"/in/broken.PDF", bytesOf("%PDF-1.4 nothing else"), localized("map_import_unreadable_pdf_reason")},
        {"/in/garbage.bin", bytesOf("\x01\x02 no format"), localized("map_import_unknown_format_reason")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileName);
        const auto before = filesBelow(root());
        Error error;
        EXPECT_EQ(MindMapImporter::importMindMapFromData(c.data, c.fileName, nullptr, &error), nullptr);
        EXPECT_THAT(error.failureReason, ::testing::MatchesRegex(c.reason));
        EXPECT_EQ(filesBelow(root()), before);
    }
    // The store's own import of the document nested too deeply.
    Error error;
    EXPECT_EQ(store->importMindMap(bytesOf(deep), &error), nullptr);
    EXPECT_THAT(error.failureReason, ::testing::HasSubstr("nested more than 512 levels deep"));
    EXPECT_EQ(store->count(), 0u);
}

// An outline within the limits imports in a process allowed far less memory than it needs: the
// import is refused with that reason, the store is as it was, and the program goes on.
TEST_F(ImportLimits, RunningOutOfMemoryRefusesTheImport)
{
#ifdef TARNWICK_SANITIZED
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit would leave";
#else
    std::string outline = "Root\n";
    // Large enough that the map needs far more than the room given, beyond whatever the allocator
    // kept mapped from earlier tests for reuse.
    while (outline.size() < 8 * 1024 * 1024) outline += "\tbranch of the outline\n\t\tleaf of the branch\n";
    const std::string path = inbox.file("Large.txt");
    writeTestFile(path, outline);
    for (const FileRoad& road : fileRoads()) {
        SCOPED_TRACE(road.name);
        const auto before = filesBelow(root());
        // Room for reading the file, not for the map it would become.
        const int answer = runWithAddressSpaceLimit(96 * 1024 * 1024, [&] {
            Error error;
            MindMapInfoItem* item = road.import(path, &error);
            const bool refused = !item && error.failureReason == localized("map_import_out_of_memory_reason");
            const bool unchanged = filesBelow(root()) == before;
            if (!refused) std::fprintf(stderr, "refused with: %s\n", error.failureReason.c_str());
            return refused && unchanged ? 0 : item ? 2 : 3;
        });
        EXPECT_EQ(answer, 0) << "2: imported after all, 3: refused for another reason or changed, -1: ended otherwise";
        EXPECT_EQ(filesBelow(root()), before);
    }
#endif
}

} // namespace
