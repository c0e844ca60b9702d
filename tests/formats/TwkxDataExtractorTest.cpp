#include "ArchiveTestSupport.h"
#include "TwkxTestSupport.h"

#include "formats/TwkxDataExtractor.h"
#include "platform/Localizer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace twkxtest;

namespace {

using Bytes = std::vector<uint8_t>;
using Strings = std::vector<std::string>;
using Hashes = std::set<std::string>;

Bytes bytesOf(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

struct Scan {
    bool ok = false;
    TwkxDataExtractor extractor;
};

std::unique_ptr<Scan> scan(const Bytes& data, uint32_t options)
{
    auto result = std::make_unique<Scan>();
    result->ok = result->extractor.readFromData(data, options);
    return result;
}

std::unique_ptr<Scan> scan(const std::string& text, uint32_t options)
{
    return scan(bytesOf(text), options);
}

const std::string TitledMeta = "<guid guid=\"0123456789ABCDEF01234567\"/><title text=\"First\\Nsecond\"/>"
                               "<images containsImages=\"true\"/>";

// ---- Metadata and title ----

TEST(TwkxDataExtractor, ReadsTheDocumentsMetadataWithoutOptions)
{
    const auto result = scan(documentWith("<topic text=\"A\"/>", "", TitledMeta), 0);
    ASSERT_TRUE(result->ok);
    const TwkxDataExtractor& x = result->extractor;
    EXPECT_EQ(x.title(), "First\nsecond");
    EXPECT_EQ(x.loadedGuid(), "0123456789ABCDEF01234567");
    EXPECT_TRUE(x.containsImages());
    EXPECT_EQ(x.loadedVersion(), 3);
    EXPECT_EQ(x.generator(), 2);
    EXPECT_EQ(x.format(), 2);
    EXPECT_FALSE(x.isArchive());
    EXPECT_TRUE(x.fullText().empty());
    EXPECT_TRUE(x.images().empty());
}

TEST(TwkxDataExtractor, UntitledMapsAreNamedByWhetherTheyHoldText)
{
    ASSERT_FALSE(localized("mindmap_empty_map").empty());
    ASSERT_NE(localized("mindmap_empty_map"), localized("mindmap_unnamed_map"));
    struct Case {
        std::string topics;
        std::string relations;
        uint32_t options;
        const char* titleKey;
    };
    const Case cases[] = {
        {"<topic text=\"\"/>", "", TwkxDataExtractor::CollectFullText, "mindmap_empty_map"},
        {"<topic text=\"Idea\"/>", "", TwkxDataExtractor::CollectFullText, "mindmap_unnamed_map"},
        {"<topic text=\"Idea\"/>", "", TwkxDataExtractor::CollectImages, "mindmap_empty_map"},
        {"<topic/>", "<relation><children><text><note>Free</note></text></children></relation>",
         TwkxDataExtractor::CollectFullText, "mindmap_unnamed_map"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.topics + c.relations);
        const auto result = scan(documentWith(c.topics, c.relations, "<title text=\"\"/>"), c.options);
        ASSERT_TRUE(result->ok);
        EXPECT_EQ(result->extractor.title(), localized(c.titleKey));
    }
}

// The image clean-up deletes what no map refers to: the scan must find every picture the map
// itself counts as used, contact pictures (stored as bare hashes) and images on relations included.
TEST(TwkxDataExtractor, AgreesWithTheMapOnAWrittenDocument)
{
    MindMap map;
    buildFullMap(map);
    const std::string document = writeDocument(map);
    const auto result = scan(document, TwkxDataExtractor::CollectFullText | TwkxDataExtractor::CollectImages);
    ASSERT_TRUE(result->ok);
    std::set<std::string> referenced;
    map.collectReferencedImages(referenced);
    EXPECT_EQ(result->extractor.images(), referenced);
    EXPECT_EQ(result->extractor.title(), map.title());
    EXPECT_EQ(result->extractor.loadedGuid(), "0123456789ABCDEF01234567");
    EXPECT_EQ(result->extractor.containsImages(), map.containsImages());
    EXPECT_FALSE(result->extractor.fullText().empty());
}

// Reading no further than "meta" tells what reading the whole document does; a document whose
// "meta" cannot be cut out alone is read whole.
TEST(TwkxDataExtractor, MetadataAloneAgreesWithTheWholeDocument)
{
    MindMap map;
    buildFullMap(map);
    const std::string written = writeDocument(map);
    const std::string titled = documentWith("<topic text=\"A\"/>", "", TitledMeta);
    const std::string withoutMeta = documentWith("<topic text=\"A\"/>");
    const size_t metaStart = titled.find("<meta>");
    const size_t metaEnd = titled.find("</meta>") + 7;
    ASSERT_NE(metaStart, std::string::npos);
    std::string metaLast = titled;
    metaLast.erase(metaStart, metaEnd - metaStart);
    metaLast.insert(metaLast.find("</mindmap>"), titled.substr(metaStart, metaEnd - metaStart));
    std::string commented = titled;
    commented.insert(commented.find("<guid"), "<!-- </meta> <meta> -->");
    std::string selfClosing = titled;
    selfClosing.replace(metaStart, metaEnd - metaStart, "<meta/>");
    std::string emptyRoot = "<tarnwick-mindmaps doc-version=\"3\"><meta/></tarnwick-mindmaps>";
    std::string doctypeMeta = titled;
    doctypeMeta.insert(doctypeMeta.find("<tarnwick-mindmaps "), "<!DOCTYPE x [<!-- <meta/> -->]>");

    for (const std::string& document : {written, titled, withoutMeta, metaLast, commented, selfClosing, emptyRoot,
                                        doctypeMeta, std::string("<meta>garbage")}) {
        SCOPED_TRACE(document.substr(0, 300));
        const auto whole = scan(document, 0);
        const auto head = scan(document, TwkxDataExtractor::MetadataOnly);
        EXPECT_EQ(head->ok, whole->ok);
        EXPECT_EQ(head->extractor.title(), whole->extractor.title());
        EXPECT_EQ(head->extractor.loadedGuid(), whole->extractor.loadedGuid());
        EXPECT_EQ(head->extractor.loadedVersion(), whole->extractor.loadedVersion());
        EXPECT_EQ(head->extractor.generator(), whole->extractor.generator());
        EXPECT_EQ(head->extractor.containsImages(), whole->extractor.containsImages());
        EXPECT_EQ(head->extractor.format(), whole->extractor.format());
    }
    EXPECT_EQ(scan(written, TwkxDataExtractor::MetadataOnly)->extractor.title(), map.title());

    // What follows "meta" is not read: a document broken behind it still gives its metadata, and
    // asking for texts or images as well reads it whole.
    const std::string broken = titled.substr(0, titled.find("<topic")) + "<topic text=";
    EXPECT_FALSE(scan(broken, 0)->ok);
    const auto head = scan(broken, TwkxDataExtractor::MetadataOnly);
    ASSERT_TRUE(head->ok);
    EXPECT_EQ(head->extractor.title(), "First\nsecond");
    EXPECT_FALSE(scan(broken, TwkxDataExtractor::MetadataOnly | TwkxDataExtractor::CollectFullText)->ok);
}

// ---- Foreign formats ----

TEST(TwkxDataExtractor, ForeignRootsAreRecognisedOnlyWhenAskedAndExactly)
{
    struct Case {
        const char* document;
        bool withOption;
        bool ok;
        int32_t format;
    };
    const Case cases[] = {
        {"<opml version=\"2.0\"><body/></opml>", true, true, 4},
        {"<opml version=\"2.0\"><body/></opml>", false, false, 0},
        {"<OPML><body/></OPML>", true, false, 0},
        {"<plist version=\"1.0\"><dict/></plist>", true, true, 1},
        {"<map version=\"1.0.1\"><node TEXT=\"x\"/></map>", true, true, 5},
        {"<Tarnwick-MindMaps><mindmap/></Tarnwick-MindMaps>", true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.document);
        const auto result =
            scan(std::string(c.document), c.withOption ? uint32_t(TwkxDataExtractor::RecognizeForeignFormats) : 0u);
        EXPECT_EQ(result->ok, c.ok);
        EXPECT_EQ(result->extractor.format(), c.format);
        EXPECT_EQ(result->extractor.loadedVersion(), -1);
    }
}

// ---- The zip container ----

TEST(TwkxDataExtractor, ContainerEntriesAreFoundIgnoringCaseAndEmptyContainersFail)
{
    if (!ArchiveTest::toolAvailable(ArchiveTest::PythonTool)) GTEST_SKIP() << "python3 is not installed";
    TempDir folder;
    const std::string document = documentWith("<topic text=\"T\"/>");
    struct Case {
        std::string entry;
        bool ok;
    };
    const Case cases[] = {
        {"Document/MindMap.xml", true},
        {"document\\mindmap.xml", true},
        {"../document/mindmap.xml", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        const std::string path = folder.file("case.zip");
        ASSERT_TRUE(ArchiveTest::writePythonZip(path, {{c.entry, bytesOf(document)}}));
        const auto result = scan(ArchiveTest::readBytes(path), TwkxDataExtractor::CollectFullText);
        EXPECT_EQ(result->ok, c.ok);
        EXPECT_TRUE(result->extractor.isArchive());
        EXPECT_EQ(result->extractor.format(), c.ok ? 2 : 0);
        EXPECT_EQ(result->extractor.fullText(), c.ok ? Strings{"T"} : Strings{});
    }
}

// ---- Bad input ----

TEST(TwkxDataExtractor, BadDataGivesNoWithoutCrashing)
{
    const std::string valid = documentWith("<topic text=\"A\"/>", "", TitledMeta);
    std::string entityBomb = "<?xml version=\"1.0\"?><!DOCTYPE tarnwick-mindmaps [<!ENTITY a \"aaaaaaaaaa\">";
    for (int i = 1; i < 10; ++i) {
        entityBomb += "<!ENTITY " + std::string(1, char('a' + i)) + " \"";
        for (int j = 0; j < 10; ++j) entityBomb += "&" + std::string(1, char('a' + i - 1)) + ";";
        entityBomb += "\">";
    }
    entityBomb += "]><tarnwick-mindmaps><mindmap><topics><topic text=\"&j;\"/></topics></mindmap></tarnwick-mindmaps>";

    const std::vector<std::string> inputs = {
        "",
        "garbage that is no XML at all",
        valid.substr(0, valid.size() / 2),
        "<tarnwick-mindmaps doc-version=\"3\"><meta/></tarnwick-mindmaps>",
        std::string("PK\x03\x04", 4) + "not a zip behind its signature",
    };
    for (const std::string& input : inputs) {
        SCOPED_TRACE(input.substr(0, 40));
        const auto result = scan(input, 7);
        EXPECT_FALSE(result->ok);
        EXPECT_EQ(result->extractor.format(), 0);
    }
    // Entities are never expanded: the topic's text stays a short literal or nothing at all.
    const auto bomb = scan(entityBomb, TwkxDataExtractor::CollectFullText);
    for (const std::string& text : bomb->extractor.fullText()) EXPECT_LT(text.size(), 100u);
}

TEST(TwkxDataExtractor, GuidsThatCouldNotNameAFileAreNotPassedOn)
{
    for (const char* guid : {"../../etc/passwd", "with\\backslash", ""}) {
        SCOPED_TRACE(guid);
        const auto result = scan(documentWith("", "", std::string("<guid guid=\"") + guid + "\"/>"), 0);
        ASSERT_TRUE(result->ok);
        EXPECT_EQ(result->extractor.loadedGuid(), "");
    }
}

} // namespace
