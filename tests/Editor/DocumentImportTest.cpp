#include "DocumentTestSupport.h"

#include "Editor/ShellCommandPrompts.h"
#include "Editor/TwkDocumentController.h"
#include "MindMaps/MindMap.h"
#include "formats/MindMapConverter.h"
#include "formats/PdfTestSupport.h"
#include "platform/Localizer.h"
#include "platform/PropertyList.h"
#include "store/MindMapImporter.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapStorage.h"
#include "support/ScriptedAlertPanel.h"
#include "support/ScriptedFileChooser.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace storetest;
namespace fs = std::filesystem;

namespace {

const std::string GuidA = "AAAAAAAAAAAAAAAAAAAAAAAA";

class Item : public ValidatedUserInterfaceItem {
public:
    explicit Item(std::string action) : _action(std::move(action)) {}
    std::string action() const override { return _action; }

private:
    std::string _action;
};

// The import road as the running application takes it: the controller's panels and the store's
// question, asked through the shell's prompts of the alert panel.
class DocumentImportTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        registerForeignFormats();
        placeFile(GuidA + ".twkx", nativeDocument(GuidA, "Alpha", "<topic text=\"A\"/>"));
        store = start();
        controller = std::make_unique<TwkDocumentController>(scheduler, host, services);
        controller->makeSingletonDocument()->setWindow(&window);
        // The store's providers open the maps they make through the editor interface.
        SetEditorInterfaceInstance(std::shared_ptr<EditorInterface>(controller.get(), [](EditorInterface*) {}));
        setCommandPrompts(&prompts);
        outside = dataHome() + "/outside";
        fs::create_directories(outside);
    }
    void TearDown() override
    {
        setCommandPrompts(nullptr);
        controller.reset();
        MindMapFormats::registerReader(MindMapReadFormat::PropertyList, {});
        StoreTest::TearDown();
    }

    std::string openTitle() const
    {
        MindMapStorage* storage = controller->currentStorage();
        return storage ? storage->title() : std::string();
    }
    std::string openId() const
    {
        MindMapStorage* storage = controller->currentStorage();
        return storage ? storage->id() : std::string();
    }
    std::string outsideFile(const std::string& name, const std::string& contents)
    {
        writeTestFile(outside + "/" + name, contents);
        return outside + "/" + name;
    }

    class Host : public DocumentControllerHost {
    public:
        void presentError(const Error& error) override { errors.push_back(error); }
        std::vector<Error> errors;
    };

    FakeDocumentScheduler scheduler;
    FakeDocumentWindow window;
    Host host;
    ApplicationTerminationServices services;
    ShellCommandPrompts prompts;
    ScriptedAlertPanel alerts;
    ScriptedFileChooser chooser;
    MindMapStore* store = nullptr;
    std::unique_ptr<TwkDocumentController> controller;
    std::string outside;
};

TEST_F(DocumentImportTest, FilesHandedOverGoThroughTheImporterWhateverTheyHold)
{
    const pdftest::Bytes pdf = pdftest::cairoPdf(2, [](cairo_surface_t* surface) {
        cairo_pdf_surface_add_outline(surface, CAIRO_PDF_OUTLINE_ROOT, "Chapter", "page=2",
                                      cairo_pdf_outline_flags_t(0));
    });
    const PropertyList older(PropertyList::Dictionary{
        {"nodes",
         PropertyList::Array{PropertyList::Dictionary{{"name", "Older"},
                                                      {"location", PropertyList::Dictionary{{"X", 1}, {"Y", 2}}}}}}});
    const PropertyList::Data binary = older.toData(PropertyList::Format::Binary);
    const std::pair<std::string, std::string> files[] = {
        {"Bookmarks.pdf", std::string(pdf.begin(), pdf.end())},
        {"old-map", std::string(binary.begin(), binary.end())},
        {"tree.mm", "<map version=\"1.0.1\"><node TEXT=\"From FreeMind\"/></map>"},
        {"feeds.xml", "<opml version=\"2.0\"><body><outline text=\"From OPML\"/></body></opml>"},
    };
    const char* titles[] = {"Bookmarks", "Older", "From FreeMind", "From OPML"};
    size_t maps = store->count();
    for (size_t i = 0; i < std::size(files); ++i) {
        SCOPED_TRACE(files[i].first);
        Error error;
        ASSERT_TRUE(controller->openDocumentWithContentsOfFile(outsideFile(files[i].first, files[i].second), &error))
            << error.failureReason;
        EXPECT_EQ(store->count(), ++maps);
        EXPECT_EQ(openTitle(), titles[i]);
    }
    EXPECT_TRUE(alerts.requests.empty());

    // What is no map is refused with a reason the user can read, and the store stays as it was.
    Error error;
    EXPECT_FALSE(controller->openDocumentWithContentsOfFile(outsideFile("noise.bin", "\x01\x02 no map"), &error));
    EXPECT_FALSE(error.failureReason.empty());
    EXPECT_EQ(store->count(), maps);
}

TEST_F(DocumentImportTest, TheSameMapAgainAsksAndEachAnswerChangesTheStoreOnce)
{
    const std::string again = outsideFile("again.twkx", nativeDocument(GuidA, "Second", "<topic text=\"S\"/>"));
    const std::string stored = fileText(mapPath(GuidA));
    struct Case {
        int answer;
        bool imported;
        size_t maps;
        size_t notifications;
        bool sameGuid;
    } cases[] = {
        // Cancel, and a closed alert, change nothing: no map, no notification, no error.
        {AlertPanel::Dismissed, false, 1, 0, false},
        {AlertPanel::FirstButtonReturn + 2, false, 1, 0, false},
        // Import as new: a second map under a GUID of its own.
        {MindMapImporter::ImportAsNewAnswer, true, 2, 1, false},
        // Overwrite: the map of that GUID takes the file's content.
        {MindMapImporter::OverwriteAnswer, true, 2, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        controller->closeDocument();
        alerts.requests.clear();
        alerts.answers = {{c.answer, {}}};
        NotificationRecorder changes(MindMapStore::MindMapStoreChangedNotification);
        Error error;
        EXPECT_EQ(controller->openDocumentWithContentsOfFile(again, &error), c.imported);
        EXPECT_TRUE(error.isEmpty());
        EXPECT_EQ(store->count(), c.maps);
        EXPECT_EQ(changes.count(), c.notifications);
        ASSERT_EQ(alerts.requests.size(), 1u);
        EXPECT_EQ(alerts.requests[0].messageText, localized("import_resolution_dialog_title"));
        EXPECT_EQ(alerts.requests[0].informativeText, localized("import_resolution_dialog_message"));
        ASSERT_EQ(alerts.requests[0].buttons.size(), 3u);
        EXPECT_EQ(alerts.requests[0].buttons[0].title, localized("import_resolution_dialog_overwrite"));
        EXPECT_EQ(alerts.requests[0].buttons[1].title, localized("import_resolution_dialog_importnew"));
        EXPECT_EQ(alerts.requests[0].buttons[2].title, localized("cancel_button_title"));
        if (!c.imported) {
            EXPECT_EQ(openId(), "");
            EXPECT_EQ(fileText(mapPath(GuidA)), stored);
            continue;
        }
        EXPECT_EQ(openTitle(), "Second");
        EXPECT_EQ(openId() == GuidA, c.sameGuid);
    }
    EXPECT_EQ(store->mindMapByGuid(GuidA)->title(), "Second");
}

TEST_F(DocumentImportTest, TheImportPanelOffersWhatCanBeReadOutsideTheStoreAndRemembersTheFolder)
{
    chooser.openAnswer = {outsideFile("a.mm", "<map><node TEXT=\"One\"/></map>"),
                          outsideFile("b.opml", "<opml version=\"2.0\"><body><outline text=\"Two\"/></body></opml>")};
    const size_t maps = store->count();
    controller->importDocument();
    ASSERT_EQ(chooser.openRequests.size(), 1u);
    const FileChooser::OpenOptions& panel = chooser.openRequests[0];
    EXPECT_EQ(panel.title, localized("import_menu_import"));
    EXPECT_TRUE(panel.allowsMultipleSelection);
    for (const char* type : {"twkx", "pdf", "mm", "opml", "txt"})
        EXPECT_NE(std::find(panel.allowedTypes.begin(), panel.allowedTypes.end(), type), panel.allowedTypes.end())
            << type;
    EXPECT_EQ(std::find(panel.allowedTypes.begin(), panel.allowedTypes.end(), "html"), panel.allowedTypes.end());
    ASSERT_TRUE(panel.shouldEnable);
    EXPECT_FALSE(panel.shouldEnable(mapPath(GuidA)));
    EXPECT_TRUE(panel.shouldEnable(outside + "/a.mm"));
    // Every file chosen is imported; the last one stays open.
    EXPECT_EQ(store->count(), maps + 2);
    EXPECT_EQ(openTitle(), "Two");

    chooser.openAnswer = {outsideFile("broken.mm", "<not a map")};
    controller->importDocument();
    EXPECT_EQ(chooser.openRequests.back().directory, outside);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0].localizedDescription, localized("map_import_error"));
    EXPECT_EQ(store->count(), maps + 2);
}

TEST_F(DocumentImportTest, PdfBookmarksNewAndDuplicateEachOpenTheMapTheyMake)
{
    const pdftest::Bytes pdf = pdftest::cairoPdf(1, nullptr);
    const std::string report = outside + "/Report.pdf";
    writeTestFile(report, std::string(pdf.begin(), pdf.end()));
    const size_t maps = store->count();

    // Exactly one PDF: two files chosen import nothing.
    chooser.openAnswer = {report, report};
    controller->importPdf();
    EXPECT_EQ(store->count(), maps);
    chooser.openAnswer = {report};
    controller->importPdf();
    ASSERT_EQ(chooser.openRequests.size(), 2u);
    EXPECT_EQ(chooser.openRequests[1].title, localized("action_import_pdf_bookmarks"));
    EXPECT_EQ(chooser.openRequests[1].allowedTypes, std::vector<std::string>{"pdf"});
    EXPECT_EQ(store->count(), maps + 1);
    EXPECT_EQ(openTitle(), "Report");

    ASSERT_TRUE(controller->respondsToAction("newDocument:"));
    controller->performAction("newDocument:", nullptr);
    EXPECT_EQ(store->count(), maps + 2);
    const std::string made = openId();
    EXPECT_NE(made, "");
    controller->performAction("duplicateDocument:", nullptr);
    EXPECT_EQ(store->count(), maps + 3);
    EXPECT_NE(openId(), made);
}

TEST_F(DocumentImportTest, StoreActionsAreDisabledOnceQuittingBegan)
{
    const char* actions[] = {"newDocument:", "importDocument:", "importPdf:"};
    for (const char* action : actions) EXPECT_TRUE(controller->validateUserInterfaceItem(Item(action)).enabled);
    // Duplicating needs a map to copy.
    EXPECT_FALSE(controller->validateUserInterfaceItem(Item("duplicateDocument:")).enabled);
    ASSERT_TRUE(controller->openLocalMindMapOnGuid(GuidA));
    EXPECT_TRUE(controller->validateUserInterfaceItem(Item("duplicateDocument:")).enabled);
    controller->terminateSingletonDocument();
    for (const char* action : {"newDocument:", "importDocument:", "importPdf:", "duplicateDocument:"})
        EXPECT_FALSE(controller->validateUserInterfaceItem(Item(action)).enabled) << action;
}

} // namespace
