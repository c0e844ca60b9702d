#include "MindMapStoreTestSupport.h"

#include "MindMaps/ScriptedCommandPrompts.h"
#include "formats/MindMapConverter.h"
#include "formats/PdfTestSupport.h"
#include "formats/PythonPlist.h"
#include "store/MindMapImporter.h"

#include <gtest/gtest.h>

using namespace storetest;

namespace {

class MindMapImport : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        registerForeignFormats();
        store = start();
    }
    void TearDown() override
    {
        MindMapFormats::registerReader(MindMapReadFormat::PropertyList, {});
        StoreTest::TearDown();
    }

    // Imports and counts the store-changed notifications it posts.
    MindMapInfoItem* import(const std::string& data, const std::string& fileName, MindMapStoreFolder* folder = nullptr)
    {
        return import(bytesOf(data), fileName, folder);
    }
    MindMapInfoItem* import(const Bytes& data, const std::string& fileName, MindMapStoreFolder* folder = nullptr)
    {
        NotificationRecorder changes(MindMapStore::MindMapStoreChangedNotification);
        MindMapInfoItem* item = MindMapImporter::importMindMapFromData(data, fileName, folder);
        notifications = changes.count();
        return item;
    }

    MindMapStore* store = nullptr;
    size_t notifications = 0;
    maptest::ScriptedCommandPrompts prompts;
    maptest::ScopedCommandPrompts installed{prompts};
};

const std::string Guid = "0123456789ABCDEF01234567";

TEST_F(MindMapImport, EachKindOfFileBecomesOneMap)
{
    const pdftest::Bytes pdf = pdftest::cairoPdf(3, [](cairo_surface_t* surface) {
        cairo_pdf_surface_add_outline(surface, CAIRO_PDF_OUTLINE_ROOT, "Summary", "page=3",
                                      cairo_pdf_outline_flags_t(0));
    });
    auto binary = plisttest::pythonPlist("{'nodes': [{'name': 'Binary', 'location': {'X': 1, 'Y': 2}}]}",
                                         plisttest::PlistForm::Binary);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/in/Notes.TXT", "Shopping\n\tBread"},
        {"/in/feeds.xml", "<opml version=\"2.0\"><body><outline text=\"From OPML\"/></body></opml>"},
        {"/in/tree.mm", "<map version=\"1.0.1\"><node TEXT=\"From FreeMind\"/></map>"},
        {"/in/map.twkx", nativeDocument(Guid, "Native")},
        {"/in/Report.PDF", std::string(pdf.begin(), pdf.end())},
        {"/in/old", binary ? std::string(binary->begin(), binary->end()) : std::string()},
    };
    const std::vector<std::string> titles = {"Shopping", "From OPML", "From FreeMind", "Native", "Report", "Binary"};
    MindMapStoreFolder* folder = store->addNewFolder(nullptr, "Imports");
    std::string reportFile;
    for (size_t i = 0; i < cases.size(); ++i) {
        if (cases[i].second.empty()) continue; // python3 could not write the property list
        MindMapInfoItem* item = import(cases[i].second, cases[i].first, folder);
        ASSERT_NE(item, nullptr) << cases[i].first;
        EXPECT_EQ(item->title(), titles[i]);
        EXPECT_EQ(item->parent(), folder);
        EXPECT_EQ(notifications, 1u);
        if (titles[i] == "Report") reportFile = item->mindMapFilePath();
    }
    EXPECT_NE(store->mindMapByGuid(Guid), nullptr);
    EXPECT_NE(fileText(reportFile).find("/in/Report.PDF#page=3"), std::string::npos);
    EXPECT_TRUE(prompts.alerts.empty());
}

TEST_F(MindMapImport, TheSameNativeMapAgainAsksWhatToDo)
{
    ASSERT_NE(import(nativeDocument(Guid, "First"), "/in/a.twkx"), nullptr);
    const std::string again = nativeDocument(Guid, "Second");

    // Cancel (or closing the alert) changes nothing.
    EXPECT_EQ(import(again, "/in/a.twkx"), nullptr);
    ASSERT_EQ(prompts.alerts.size(), 1u);
    const ModalAlert& alert = prompts.alerts[0];
    EXPECT_EQ(alert.messageText(), localized("import_resolution_dialog_title"));
    ASSERT_EQ(alert.buttons().size(), 3u);
    EXPECT_EQ(alert.buttons()[0].title, localized("import_resolution_dialog_overwrite"));
    EXPECT_EQ(alert.buttons()[1].title, localized("import_resolution_dialog_importnew"));
    EXPECT_EQ(notifications, 0u);
    EXPECT_EQ(store->mindMapByGuid(Guid)->title(), "First");

    prompts.alertAnswers = {MindMapImporter::ImportAsNewAnswer};
    MindMapInfoItem* copy = import(again, "/in/a.twkx");
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->guid(), Guid);
    EXPECT_EQ(copy->title(), "Second");
    EXPECT_EQ(store->count(), 2u);
    EXPECT_EQ(notifications, 1u);

    prompts.alertAnswers = {MindMapImporter::OverwriteAnswer};
    MindMapInfoItem* overwritten = import(again, "/in/a.twkx", store->addNewFolder(nullptr, "Elsewhere"));
    ASSERT_EQ(overwritten, store->mindMapByGuid(Guid));
    EXPECT_EQ(overwritten->title(), "Second");
    EXPECT_EQ(overwritten->parent(), store->rootFolder());
    EXPECT_EQ(store->count(), 2u);
    EXPECT_EQ(notifications, 1u);
}

// A file handed over again, after the program that imported it went away, names the GUID its map
// got the first time: the map is found, not made twice. A native document keeps its own GUID, and
// a GUID that cannot name a file is not used.
TEST_F(MindMapImport, AnImportAskedAgainUnderItsGuidFindsTheMapItMade)
{
    const std::string given = "00112233445566778899AABB";
    const struct {
        std::string fileName, contents, wanted, made;
    } cases[] = {
        {"/in/Notes.txt", "Shopping\n\tBread", given, given},
        {"/in/feeds.xml", "<opml version=\"2.0\"><body><outline text=\"From OPML\"/></body></opml>", given, given},
        {"/in/tree.mm", "<map version=\"1.0.1\"><node TEXT=\"From FreeMind\"/></map>", given, given},
        {"/in/map.twkx", nativeDocument(Guid, "Native"), given, Guid},
        {"/in/other.xml", "<opml version=\"2.0\"><body><outline text=\"Elsewhere\"/></body></opml>", "../up", ""},
    };
    for (const auto& c : cases) {
        while (store->count() > 0) store->deleteMindMap(store->mindMaps().front().get());
        MindMapStore::ImportTarget target;
        target.guid = c.wanted;
        MindMapInfoItem* first =
            MindMapImporter::importMindMapFromData(bytesOf(c.contents), c.fileName, nullptr, nullptr, &target);
        ASSERT_NE(first, nullptr) << c.fileName;
        if (!c.made.empty()) EXPECT_EQ(first->guid(), c.made) << c.fileName;
        else EXPECT_TRUE(MindMapStore::isValidMindMapGuid(first->guid())) << first->guid();
        const std::string firstGuid = first->guid();

        MindMapStore::ImportTarget again;
        again.guid = c.wanted;
        NotificationRecorder changes(MindMapStore::MindMapStoreChangedNotification);
        MindMapInfoItem* second =
            MindMapImporter::importMindMapFromData(bytesOf(c.contents), c.fileName, nullptr, nullptr, &again);
        if (c.made == given) {
            EXPECT_EQ(second, store->mindMapByGuid(firstGuid)) << c.fileName;
            EXPECT_EQ(store->count(), 1u) << c.fileName;
            EXPECT_EQ(changes.count(), 0u) << c.fileName;
        } else {
            // As any import of the same file again: a native map asks, anything else is a new map.
            EXPECT_EQ(store->count(), c.made.empty() ? 2u : 1u) << c.fileName;
        }
    }
}

TEST_F(MindMapImport, WhatCannotBeImportedLeavesTheStoreAlone)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/in/empty.twkx", ""},
        {"/in/garbage.bin", "\x01\x02 no format"},
        {"/in/broken.PDF", "%PDF-1.4 nothing else"},
        {"/in/old.plist", "bplist00 truncated"},
        {"/in/other.xml", "<html><body/></html>"},
    };
    for (const auto& [fileName, data] : cases) {
        SCOPED_TRACE(fileName);
        EXPECT_EQ(import(data, fileName), nullptr);
        EXPECT_EQ(notifications, 0u);
    }
    EXPECT_EQ(store->count(), 0u);
    // A GUID that could not name a file is no identity: the map comes in under a fresh one.
    MindMapInfoItem* item = import(nativeDocument("../../escape", "Odd"), "/in/odd.twkx");
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(MindMapStore::isValidMindMapGuid(item->guid()));
    EXPECT_TRUE(prompts.alerts.empty());
}

} // namespace
