#include "DocumentTestSupport.h"

#include "Editor/ShellCommandPrompts.h"
#include "Editor/TwkDocumentController.h"
#include "MindMaps/MapLayouter.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "formats/MindMapConverter.h"
#include "formats/PdfTestSupport.h"
#include "layout/LayoutInstallation.h"
#include "platform/Localizer.h"
#include "platform/PropertyList.h"
#include "render/BitmapRowWriters.h"
#include "render/MindMapRenderingView.h"
#include "store/MindMapImporter.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapStorage.h"
#include "support/ScriptedAlertPanel.h"
#include "support/ScriptedFileChooser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <new>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

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
        // Asked about one after another, files are told apart by their names and folders.
        EXPECT_EQ(alerts.requests[0].informativeText,
                  localizedFormat("import_resolution_dialog_message_in_folder",
                                  {"again.twkx", fs::path(again).parent_path().string()}));
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
    EXPECT_EQ(host.errors[0].localizedDescription, "\u201Cbroken.mm\u201D could not be imported.");
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

// The map as the user sees it: its native text under any GUID, and its picture.
std::pair<std::string, std::vector<uint8_t>> shownMap(MindMap& map)
{
    const MindMapData data = map.dataOfType(int32_t(MindMapReadFormat::Native));
    std::string text(data.begin(), data.end());
    const std::string guid = map.documentInformation().guid();
    for (size_t at; !guid.empty() && (at = text.find(guid)) != std::string::npos;) text.replace(at, guid.size(), "G");
    return {text, MindMapRenderingView::bitmapDataWithMindMap(map, BitmapFileTypePNG, 1, false)};
}

// With no map open, the import builds its map in the document's own instead of reading back the
// file it wrote: laid out and wrapped, the map is the one a second import reads back from its
// file while a map is open, to the pixel.
TEST_F(DocumentImportTest, AMapImportedWithNoMapOpenIsTheMapItsFileReadsAs)
{
    // Laid out and wrapped as the running program does.
    struct LaidOut {
        LaidOut() { installLayout(); }
        ~LaidOut() { MapLayouter::install(nullptr); }
    } laidOut;
    // Four levels of four topics under the root, of texts long and short.
    std::string deep = "<map version=\"1.0.1\"><node TEXT=\"Many\">";
    int made = 0;
    const std::function<void(int)> branch = [&](int level) {
        for (int i = 0; i < 4 && level < 4; ++i, ++made) {
            deep += "<node TEXT=\"topic " + std::to_string(made) + std::string(size_t(made % 9), 'w') +
                " with words to wrap " + std::to_string(made * made) + "\">";
            branch(level + 1);
            deep += "</node>";
        }
    };
    branch(0);
    deep += "</node></map>";
    const std::pair<const char*, std::string> files[] = {
        {"deep.mm", deep},
        {"scripts.mm",
         "<map><node TEXT=\"Scripts\"><node TEXT=\"\xE4\xB8\xAD\xE6\x96\x87 \xE6\xA0\x87\xE9\xA2\x98\"/>"
         "<node TEXT=\"\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD7\xA2\xD7\x95\xD7\x9C\xD7\x9D\"/><node TEXT=\"\"/>"
         "<node><richcontent TYPE=\"NODE\"><html><body><p>Rich <b>bold</b></p><p>a second paragraph "
         "long enough to wrap</p></body></html></richcontent><richcontent TYPE=\"NOTE\"><html><body>"
         "<p>note</p></body></html></richcontent></node><node TEXT=\"*bold* and _italic_\"/></node></map>"},
        {"feeds.opml",
         "<opml version=\"2.0\"><body><outline text=\"From OPML with a title that wraps somewhere\">"
         "<outline text=\"a\" _note=\"n\"/><outline text=\"b c d e f g h i j k l m n o p q\"/></outline>"
         "<outline text=\"Second theme\"/></body></opml>"},
    };
    for (const auto& [name, contents] : files) {
        SCOPED_TRACE(name);
        const std::string path = outsideFile(name, contents);
        controller->closeDocument();
        ASSERT_TRUE(controller->openDocumentWithContentsOfFile(path));
        const auto built = shownMap(*controller->singletonDocument()->mindMap());
        EXPECT_FALSE(controller->isEditorModified());
        ASSERT_TRUE(controller->openDocumentWithContentsOfFile(path));
        const auto readBack = shownMap(*controller->singletonDocument()->mindMap());
        EXPECT_EQ(built.first, readBack.first);
        EXPECT_TRUE(built.second == readBack.second);
    }
}

// An import into the document's map that fails, by the document or by running out of memory
// halfway, leaves no map open and the store as it was; the next import opens as ever.
TEST_F(DocumentImportTest, AnImportThatFailsWithNoMapOpenLeavesNoneAndTheNextOneOpens)
{
    const size_t maps = store->count();
    struct Case {
        const char* name;
        std::string contents;
        MindMapReader reader;
        std::string reason;
    };
    const MindMapReader runsOutOfMemory = [](MindMap& map, const MindMapData&, Error*) -> bool {
        map.addNodeLoadingAtLocation({0, 0})->setText("made before memory ran out");
        throw std::bad_alloc();
    };
    const Case cases[] = {
        {"cut.mm", "<map><node TEXT=\"cut", nullptr, ""},
        {"large.mm", "<map><node TEXT=\"large\"/></map>", runsOutOfMemory,
         localized("map_import_out_of_memory_reason")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        controller->closeDocument();
        if (c.reader) MindMapFormats::registerReader(MindMapReadFormat::FreeMind, c.reader);
        Error error;
        EXPECT_FALSE(controller->openDocumentWithContentsOfFile(outsideFile(c.name, c.contents), &error));
        registerForeignFormats();
        EXPECT_FALSE(error.isEmpty());
        if (!c.reason.empty()) {
            EXPECT_EQ(error.failureReason, c.reason);
        }
        EXPECT_EQ(store->count(), maps);
        EXPECT_EQ(openId(), "");
        MindMap* map = controller->singletonDocument()->mindMap();
        EXPECT_TRUE(map->isEmpty());
        EXPECT_FALSE(map->enabled());
        EXPECT_FALSE(map->isLoading());

        ASSERT_TRUE(
            controller->openDocumentWithContentsOfFile(outsideFile("next.mm", "<map><node TEXT=\"Next\"/></map>")));
        EXPECT_EQ(openTitle(), "Next");
        EXPECT_EQ(map->nodes().size(), 1u);
        EXPECT_TRUE(map->enabled());
        EXPECT_FALSE(map->isLoading());
        store->deleteMindMap(store->mindMapByGuid(openId()));
    }
}

// Each failed import names the file the user handed over and says why in plain words, never by
// the file the store was writing; a full disk says that it is full.
TEST_F(DocumentImportTest, EveryImportThatFailsNamesItsOwnFile)
{
    const std::string refused = localized("map_import_unknown_format_reason");
    const std::pair<std::string, std::string> files[] = {{"first.mm", "\x9f\x9f not a map"},
                                                         {"second.opml", "neither is this"}};
    for (const auto& [name, contents] : files) {
        Error error;
        EXPECT_FALSE(controller->openDocumentWithContentsOfFile(outsideFile(name, contents), &error));
        EXPECT_EQ(error.localizedDescription, "\u201C" + name + "\u201D could not be imported.");
        EXPECT_EQ(error.failureReason, refused) << name;
    }

    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system takes the administrator";
    // The store's folder on a small file system, filled to the last byte.
    const std::string full = documents();
    if (::mount("tmpfs", full.c_str(), "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "no file system to mount";
    {
        const int fd = ::open((full + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        const std::string block(4096, 'x');
        while (fd >= 0 && ::write(fd, block.data(), block.size()) > 0) {}
        if (fd >= 0) ::close(fd);
    }
    Error error;
    const bool imported = controller->openDocumentWithContentsOfFile(
        outsideFile("big10k.mm", "<map><node TEXT=\"" + std::string(20000, 'b') + "\"/></map>"), &error);
    ::umount2(full.c_str(), MNT_DETACH);
    EXPECT_FALSE(imported);
    EXPECT_EQ(error.localizedDescription, "\u201Cbig10k.mm\u201D could not be imported.");
    EXPECT_EQ(error.failureReason, "No space left on device.");
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
