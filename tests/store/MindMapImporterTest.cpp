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
    struct Case {
        std::string fileName;
        std::string data;
        std::string title;
    };
    const std::vector<Case> cases = {
        {"/in/Notes.TXT", "Shopping\n\tBread", "Shopping"},
        {"/in/notes.text", "Plain text", "Plain text"},
        {"/in/feeds.xml", "<opml version=\"2.0\"><body><outline text=\"From OPML\"/></body></opml>", "From OPML"},
        {"/in/tree.mm", "<map version=\"1.0.1\"><node TEXT=\"From FreeMind\"/></map>", "From FreeMind"},
        {"/in/old.plist",
         "<plist version=\"1.0\"><dict><key>nodes</key><array><dict><key>name</key><string>Older</string>"
         "<key>location</key><dict><key>X</key><real>1</real><key>Y</key><real>2</real></dict></dict></array>"
         "</dict></plist>",
         "Older"},
        {"/in/map.twkx", nativeDocument(Guid, "Native"), "Native"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileName);
        MindMapInfoItem* item = import(c.data, c.fileName);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->title(), c.title);
        EXPECT_EQ(notifications, 1u);
    }
    EXPECT_EQ(store->count(), cases.size());
    EXPECT_NE(store->mindMapByGuid(Guid), nullptr);
    EXPECT_TRUE(prompts.alerts.empty());
}

TEST_F(MindMapImport, BinaryOlderDocumentsAndPdfBookmarks)
{
    auto binary = plisttest::pythonPlist("{'nodes': [{'name': 'Binary', 'location': {'X': 1, 'Y': 2}}]}",
                                         plisttest::PlistForm::Binary);
    if (!binary) GTEST_SKIP() << "python3 could not write the property list";
    MindMapInfoItem* older = import(*binary, "/in/old");
    ASSERT_NE(older, nullptr);
    EXPECT_EQ(older->title(), "Binary");

    const pdftest::Bytes pdf = pdftest::cairoPdf(3, [](cairo_surface_t* surface) {
        cairo_pdf_surface_add_outline(surface, CAIRO_PDF_OUTLINE_ROOT, "Summary", "page=3",
                                      cairo_pdf_outline_flags_t(0));
    });
    MindMapStoreFolder* folder = store->addNewFolder(nullptr, "Papers");
    MindMapInfoItem* report = import(pdf, "/in/Report.PDF", folder);
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->title(), "Report");
    EXPECT_EQ(report->parent(), folder);
    EXPECT_NE(fileText(report->mindMapFilePath()).find("/in/Report.PDF#page=3"), std::string::npos);
    EXPECT_EQ(notifications, 1u);
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
    EXPECT_EQ(alert.informativeText(), localized("import_resolution_dialog_message"));
    ASSERT_EQ(alert.buttons().size(), 3u);
    EXPECT_EQ(alert.buttons()[0].title, localized("import_resolution_dialog_overwrite"));
    EXPECT_EQ(alert.buttons()[1].title, localized("import_resolution_dialog_importnew"));
    EXPECT_EQ(alert.buttons()[2].title, localized("cancel_button_title"));
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

TEST_F(MindMapImport, WhatCannotBeImportedLeavesTheStoreAlone)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/in/empty.twkx", ""},
        {"/in/garbage.bin", "\x01\x02 no format"},
        {"/in/broken.PDF", "%PDF-1.4 nothing else"},
        {"/in/binary.txt", std::string("\0\0\0", 3)},
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
