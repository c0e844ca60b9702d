#include "DocumentTestSupport.h"

#include "Editor/DocumentPanels.h"
#include "Editor/ExportFormatChoice.h"
#include "Editor/OutlineOptionsChoice.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/ScriptedCommandPrompts.h"
#include "Utils/RecordingFeedbackSink.h"
#include "Utils/StringUtils.h"
#include "formats/MindMapConverter.h"
#include "formats/TwkxDataExtractor.h"
#include "platform/Localizer.h"
#include "render/ExportReadBack.h"
#include "render/RenderInstallation.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStorage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

using namespace storetest;
namespace fs = std::filesystem;

namespace {

const std::string Guid = "AAAAAAAAAAAAAAAAAAAAAAAA";
// Two central themes far apart, so that one selected theme is much smaller than the map.
const std::string Topics = "<topic id=\"0\" parent=\"-1\" x=\"0\" y=\"0\" text=\"Left\"/>"
                           "<topic id=\"1\" parent=\"-1\" x=\"1500\" y=\"600\" text=\"Right\"/>";

// Answers the panels from what the test sets and keeps what each was asked with.
class RecordingDocumentPanels : public DocumentPanels {
public:
    RecordingDocumentPanels() { DocumentPanels::setShared(this); }
    ~RecordingDocumentPanels() override { DocumentPanels::setShared(nullptr); }

    std::optional<std::string> runExportPanel(const SavePanel& panel, ExportFormatChoice& choice) override
    {
        panels.push_back(panel);
        exportImageSize = choice.imageSize();
        exportSelectionSize = choice.selectionSize();
        if (chooseType) choice.setSelectedIndex(*chooseType);
        if (chooseDensity) choice.selectDensityIndex(*chooseDensity);
        choice.setSelectionRangeChosen(chooseSelection);
        return path;
    }
    std::optional<std::string> runOutlineExportPanel(const SavePanel& panel, OutlineOptionsChoice& choice) override
    {
        panels.push_back(panel);
        outlineSelectionAllowed = choice.allowSelectionRange();
        choice.setPageFormat(outlinePageFormat);
        return path;
    }
    bool runPrintPanel(MindMap&, Size mapSize, Size selectionSize, Error* error) override
    {
        printSizes.emplace_back(mapSize, selectionSize);
        if (printFailure) setError(error, *printFailure);
        return printed;
    }
    bool runOutlinePrintPanel(MindMap&, OutlineOptionsChoice& choice, Error*) override
    {
        outlineSelectionAllowed = choice.allowSelectionRange();
        choice.setPageFormat(outlinePageFormat);
        return printed;
    }

    std::optional<std::string> path;
    std::optional<size_t> chooseType;
    std::optional<size_t> chooseDensity;
    bool chooseSelection = false;
    int64_t outlinePageFormat = 3;
    bool printed = false;
    std::optional<Error> printFailure;

    std::vector<SavePanel> panels;
    Size exportImageSize, exportSelectionSize;
    std::vector<std::pair<Size, Size>> printSizes;
    bool outlineSelectionAllowed = false;
};

class DocumentPanelsTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        registerForeignFormats();
        installRendering();
        placeFile(Guid + ".twkx", nativeDocument(Guid, "Alpha", Topics));
        store = start();
        document = std::make_unique<EditorDocument>(scheduler);
        document->setWindow(&window);
        ASSERT_TRUE(document->attachToStorage(MindMapProviders::localProvider()->createStorage(Guid)));
        mindMap = document->mindMap();
        // A loaded map selects its main theme; these tests start from nothing selected.
        mindMap->setSelectedElement(nullptr);
        out = dataHome() + "/out";
        fs::create_directories(out);
    }
    void TearDown() override
    {
        document.reset();
        StoreTest::TearDown();
    }

    MindMapNode* topic(const std::string& text) const
    {
        for (MindMapNode* node : mindMap->nodes())
            if (node->text() == text) return node;
        return nullptr;
    }
    static std::vector<uint8_t> bytesOfFile(const std::string& path)
    {
        const std::string text = fileText(path);
        return {text.begin(), text.end()};
    }

    FakeDocumentScheduler scheduler;
    FakeDocumentWindow window;
    RecordingDocumentPanels panels;
    RecordingFeedbackSink feedback;
    maptest::ScriptedCommandPrompts prompts;
    maptest::ScopedCommandPrompts installedPrompts{prompts};
    MindMapStore* store = nullptr;
    std::unique_ptr<EditorDocument> document;
    MindMap* mindMap = nullptr;
    std::string out;
};

// Each extension of the export table writes its own format, read back by a reader that knows it.
TEST_F(DocumentPanelsTest, EachExportExtensionWritesAFileItsReaderAccepts)
{
    const auto mapWithTopic = [](const std::vector<uint8_t>& data, int32_t format) {
        MindMap read;
        if (!read.readFromData(data, "", format)) return false;
        for (MindMapNode* node : read.nodes())
            if (node->text() == "Right") return true;
        return false;
    };
    const auto contains = [](const std::vector<uint8_t>& data, const std::string& text) {
        return std::string(data.begin(), data.end()).find(text) != std::string::npos;
    };
    const std::pair<const char*, std::function<bool(const std::vector<uint8_t>&)>> table[] = {
        {"twkx",
         [](const std::vector<uint8_t>& data) {
             TwkxDataExtractor extractor;
             return extractor.readFromData(data, 0) && extractor.format() == 2 && extractor.loadedGuid() == Guid;
         }},
        {"PDF",
         [](const std::vector<uint8_t>& data) {
             return readPdf(data).value_or(std::vector<ReadBackPdfPage>{}).size() == 1;
         }},
        {"png", [](const std::vector<uint8_t>& data) { return readPng(data).has_value(); }},
        {"tiff", [](const std::vector<uint8_t>& data) { return readTiff(data).has_value(); }},
        {"eps", [&](const std::vector<uint8_t>& data) { return contains(data, "%!PS-Adobe-3.0 EPSF-3.0"); }},
        {"html", [&](const std::vector<uint8_t>& data) { return contains(data, "Right"); }},
        {"txt", [&](const std::vector<uint8_t>& data) { return contains(data, "Right"); }},
        {"opml", [&](const std::vector<uint8_t>& data) { return mapWithTopic(data, 4); }},
        {"Mm", [&](const std::vector<uint8_t>& data) { return mapWithTopic(data, 5); }},
    };
    for (const auto& [extension, accepts] : table) {
        SCOPED_TRACE(extension);
        const std::string path = out + "/map." + extension;
        panels.path = path;
        document->exportDocument();
        EXPECT_TRUE(feedback.notifications.empty());
        ASSERT_TRUE(fs::exists(path));
        EXPECT_TRUE(accepts(bytesOfFile(path)));
        // The type written is the one the next panel starts with, as the list spells it.
        const std::string lower = lowercased(extension);
        EXPECT_EQ(UserDefaults::standard().stringForKey(ExportFormatChoice::ExtensionKey), lower);
        EXPECT_EQ(ExportFormatChoice(Size{}, Size{}).selectedExtension(), lower);
    }
    ASSERT_FALSE(panels.panels.empty());
    EXPECT_EQ(panels.panels[0].title, localized("map_list_export_store_condensed"));
    EXPECT_EQ(panels.panels[0].proposedName, "Alpha");
    // The next panel starts where the last export went.
    EXPECT_EQ(panels.panels.back().directory, out);
}

TEST_F(DocumentPanelsTest, AnExportThatCannotBeWrittenTellsTheUserWhy)
{
    struct Case {
        std::string path;
        bool selectionOnly;
        int64_t code;
        std::string reason;
    } cases[] = {
        {"/map.xyz", false, 3, localized("share_handler_unsupported_format_error")},
        {"/map", false, 3, localized("share_handler_unsupported_format_error")},
        // A selection-only picture of nothing selected.
        {"/part.png", true, 2, localized("export_nothing_selected_error")},
        {"/missing/folder/map.pdf", false, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        feedback.notifications.clear();
        Error error;
        EXPECT_FALSE(document->exportToFile(out + c.path, 1, c.selectionOnly, &error));
        EXPECT_FALSE(error.isEmpty());
        if (c.code) {
            EXPECT_EQ(error.code, c.code);
            EXPECT_EQ(error.localizedDescription, localized("export_failed_error"));
            EXPECT_EQ(error.failureReason, c.reason);
        }
        EXPECT_FALSE(fs::exists(out + c.path));
        // The panel never offers the range without a selection.
        if (c.selectionOnly) continue;

        // Through the panel, the same error reaches the user as an editor notification.
        panels.path = out + c.path;
        document->exportDocument();
        ASSERT_EQ(feedback.notifications.size(), 1u);
        EXPECT_EQ(feedback.notifications[0].title, error.localizedDescription);
        EXPECT_EQ(feedback.notifications[0].message, error.failureReason);
        EXPECT_EQ(feedback.notifications[0].state, 2u);
    }
}

TEST_F(DocumentPanelsTest, ThePictureOfTheSelectionIsTheSelectedThemeWithItsMargin)
{
    const Size whole = mindMap->imageExportSize();
    document->exportDocument();
    EXPECT_EQ(panels.exportImageSize, whole);
    EXPECT_EQ(panels.exportSelectionSize, Size{});
    // Nothing selected: the range is not offered, whatever the radio says.
    ExportFormatChoice nothing(whole, Size{});
    nothing.setSelectionRangeChosen(true);
    EXPECT_FALSE(nothing.selectionOnly());

    mindMap->setSelectedNode(topic("Right"));
    panels.path = out + "/right.png";
    panels.chooseType = 2;
    panels.chooseSelection = true;
    document->exportDocument();
    const Size selection = panels.exportSelectionSize;
    EXPECT_GT(selection.width, 60);
    EXPECT_LT(selection.width, whole.width / 2);
    std::optional<ReadBackPicture> picture = readPng(bytesOfFile(out + "/right.png"));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, std::lround(selection.width));
    EXPECT_EQ(picture->height, std::lround(selection.height));

    // OPML always holds the whole map: the range is not offered for it.
    ExportFormatChoice opml(whole, selection);
    opml.setSelectedIndex(ExportFormatChoice::indexOfExtension("opml"));
    opml.setSelectionRangeChosen(true);
    EXPECT_FALSE(opml.selectionRangeOffered());
    EXPECT_FALSE(opml.selectionOnly());
}

TEST_F(DocumentPanelsTest, TheStoredTypeIsSelectedAndAnUnknownOneFallsBackToPdf)
{
    const std::pair<const char*, std::string> cases[] = {{"tiff", "tiff"}, {"EPS", "eps"}, {"doc", "pdf"}, {"", "pdf"}};
    for (const auto& [stored, selected] : cases) {
        UserDefaults::standard().setString(ExportFormatChoice::ExtensionKey, stored);
        EXPECT_EQ(ExportFormatChoice(Size{}, Size{}).selectedExtension(), selected) << stored;
    }
    // The list's order is the panel's: EPS before TIFF, so an index is not a format code.
    EXPECT_EQ(ExportFormatChoice::FileTypes[3].format, 4);
    EXPECT_EQ(ExportFormatChoice::FileTypes[4].format, 3);
}

TEST_F(DocumentPanelsTest, TheDensityChosenSizesTheBitmapAndIsStoredForTheNextPanel)
{
    const struct {
        size_t index;
        int tag;
        double factor;
    } densities[] = {{0, 2, 1.0}, {1, 3, 1.5}, {2, 4, 2.0}, {3, 6, 3.0}};
    std::optional<std::pair<long, long>> normal;
    for (const auto& density : densities) {
        SCOPED_TRACE(density.tag);
        EXPECT_EQ(std::string(ImageDensityChoice::Densities[density.index].titleKey).rfind("share_dialog_png_", 0), 0u);
        const std::string path = out + "/density" + std::to_string(density.tag) + ".png";
        panels.path = path;
        panels.chooseDensity = density.index;
        document->exportDocument();
        EXPECT_TRUE(feedback.notifications.empty());
        const auto png = readPng(bytesOfFile(path));
        ASSERT_TRUE(png);
        if (!normal) normal = std::pair(png->width, png->height);
        EXPECT_NEAR(png->width, normal->first * density.factor, 2);
        EXPECT_NEAR(png->height, normal->second * density.factor, 2);
        EXPECT_EQ(UserDefaults::standard().integerForKey(ExportFormatChoice::ImageQualityKey), density.tag);
        const ExportFormatChoice next(Size{}, Size{});
        EXPECT_EQ(next.selectedImageQuality(), density.tag);
        EXPECT_DOUBLE_EQ(next.imageScaleFactor(), density.factor);
    }
}

TEST_F(DocumentPanelsTest, StoredExportChoicesOfAnotherTypeReadAsUnset)
{
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setInteger(ExportFormatChoice::ExtensionKey, 2);
    defaults.setString(ExportFormatChoice::ImageQualityKey, "4");
    ExportFormatChoice wrongTypes(Size{}, Size{});
    EXPECT_EQ(wrongTypes.selectedExtension(), "pdf");
    EXPECT_EQ(wrongTypes.selectedImageQuality(), 2);
    const int64_t unknownTags[] = {0, -4, 5, 7};
    for (int64_t tag : unknownTags) {
        defaults.setInteger(ExportFormatChoice::ImageQualityKey, tag);
        EXPECT_EQ(ExportFormatChoice(Size{}, Size{}).selectedImageQuality(), 2) << tag;
    }
}

TEST_F(DocumentPanelsTest, TheSizeLineWarnsOfABitmapTooLargeForMemory)
{
    const struct {
        const char* extension;
        size_t density;
        bool selection;
        bool controls;
        bool fits;
    } cases[] = {
        // 40000 x 30000 x 4 bytes is 4.8e9, over the 4e9 limit.
        {"png", 0, false, true, false},
        {"tiff", 0, false, true, false},
        {"pdf", 0, false, false, false},
        // The selection is small enough even at the highest density.
        {"png", 3, true, true, true},
        // OPML exports only the whole map, so the selection chosen does not count.
        {"opml", 3, true, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.extension) + " " + std::to_string(c.density));
        ExportFormatChoice choice(Size{40000, 30000}, Size{100, 50});
        choice.setSelectedIndex(ExportFormatChoice::indexOfExtension(c.extension));
        choice.selectDensityIndex(c.density);
        choice.setSelectionRangeChosen(c.selection);
        EXPECT_EQ(choice.densityControlsVisible(), c.controls);
        EXPECT_EQ(choice.sizeAcceptable(), c.fits);
        const std::string text = choice.sizeText();
        EXPECT_EQ(text.find('\n') != std::string::npos, !c.fits) << text;
        if (!c.fits) {
            EXPECT_NE(text.find(localized("share_dialog_image_too_large")), std::string::npos);
        }
    }
    ImageDensityChoice density;
    density.update(Size{40000, 30000});
    EXPECT_EQ(density.pixelSize().width, 40000);
    EXPECT_FALSE(density.sizeAcceptable());
    density.update(Size{std::nan(""), 10});
    EXPECT_FALSE(density.sizeAcceptable());
}

TEST_F(DocumentPanelsTest, OutlinePresetsSetTheirSwitchesAndKeepTheOthers)
{
    const struct {
        uint64_t before;
        size_t preset;
        uint64_t after;
    } cases[] = {
        {255, 2, 58},                // notes report: numbering, notes, hidden left out, only topics with a note
        {27, 3, 86},                 // check list: numbering, checkboxes, hidden left out, only topics with a checkbox
        {255, 1, 31},                // hierarchy outline keeps numbering, checkboxes and notes
        {0, 1, 17},   {255, 3, 214}, // "filter unchecked" stays, as "filter checkboxes" comes with it
        {27, 0, 27},                 // the placeholder
        {27, 4, 27},
    };
    for (const auto& c : cases) {
        OutlineOptionsChoice choice(false);
        choice.setOutlineOptions(c.before);
        choice.applyPreset(c.preset);
        EXPECT_EQ(choice.outlineOptions(), c.after) << c.before << " preset " << c.preset;
    }
    ASSERT_EQ(OutlineOptionsChoice::PresetTitleKeys.size(), 4u);
    EXPECT_STREQ(OutlineOptionsChoice::PresetTitleKeys[0], "outline_options_select_preset");
}

TEST_F(DocumentPanelsTest, FilterUncheckedGoesOnlyWithFilterCheckboxes)
{
    OutlineOptionsChoice choice(false);
    EXPECT_EQ(choice.outlineOptions(), 27u);
    EXPECT_EQ(choice.pageFormat(), 3);
    EXPECT_FALSE(choice.filterUncheckedEnabled());
    choice.setOptionOn(OutlineOptionsChoice::FilterUnchecked, true);
    EXPECT_FALSE(choice.isOptionOn(OutlineOptionsChoice::FilterUnchecked));
    choice.setOptionOn(OutlineOptionsChoice::FilterCheckboxes, true);
    choice.setOptionOn(OutlineOptionsChoice::FilterUnchecked, true);
    EXPECT_EQ(choice.outlineOptions(), 27u | 64 | 128);
    choice.setOptionOn(OutlineOptionsChoice::FilterCheckboxes, false);
    EXPECT_EQ(choice.outlineOptions(), 27u);

    // Stored settings follow the same rule; values of another type read as never stored.
    UserDefaults& defaults = UserDefaults::standard();
    const struct {
        PropertyList options;
        PropertyList pageFormat;
        uint64_t mask;
        int64_t format;
    } stored[] = {
        {PropertyList(int64_t(128 | 8)), PropertyList(int64_t(7)), 8, 7},
        {PropertyList(int64_t(0x1FF)), PropertyList(int64_t(99)), 255, 0},
        {PropertyList(std::string("255")), PropertyList(std::string("7")), 27, 3},
        {PropertyList(true), PropertyList(2.5), 27, 3},
    };
    for (const auto& s : stored) {
        defaults.setObject(OutlineOptionsChoice::OptionsKey, s.options);
        defaults.setObject(OutlineOptionsChoice::PageFormatKey, s.pageFormat);
        const OutlineOptionsChoice loaded(true);
        EXPECT_EQ(loaded.outlineOptions(), s.mask);
        EXPECT_EQ(loaded.pageFormat(), s.format);
    }
}

TEST_F(DocumentPanelsTest, TheOutlineIsWrittenAsPdfOnThePaperChosenAndTheChoiceIsKept)
{
    EXPECT_EQ(OutlineOptionsChoice(false).outlineOptions(), OutlineOptionsChoice::DefaultOptions);
    EXPECT_EQ(OutlineOptionsChoice(false).pageFormat(), 3);
    panels.path = out + "/outline.pdf";
    panels.outlinePageFormat = 7; // US Letter
    document->exportOutline();
    ASSERT_EQ(panels.panels.size(), 1u);
    EXPECT_EQ(panels.panels[0].title, localized("action_export_outline"));
    EXPECT_FALSE(panels.outlineSelectionAllowed);
    std::optional<std::vector<ReadBackPdfPage>> pages = readPdf(bytesOfFile(out + "/outline.pdf"));
    ASSERT_TRUE(pages);
    ASSERT_FALSE(pages->empty());
    EXPECT_EQ(std::lround((*pages)[0].width), 612);
    EXPECT_EQ(std::lround((*pages)[0].height), 792);
    EXPECT_EQ(UserDefaults::standard().integerForKey(OutlineOptionsChoice::PageFormatKey), 7);
    EXPECT_EQ(UserDefaults::standard().integerForKey(OutlineOptionsChoice::OptionsKey), 27);

    // A stored paper the list does not have reads as the first one.
    UserDefaults::standard().setInteger(OutlineOptionsChoice::PageFormatKey, 40);
    EXPECT_EQ(OutlineOptionsChoice(true).pageFormat(), 0);

    // A file that cannot be written is reported.
    panels.path = out + "/missing/outline.pdf";
    document->exportOutline();
    ASSERT_EQ(feedback.notifications.size(), 1u);
    EXPECT_EQ(feedback.notifications[0].state, 2u);
}

TEST_F(DocumentPanelsTest, PrintingSizesTheOptionsByTheMapAndTheSelection)
{
    document->printDocument();
    ASSERT_EQ(panels.printSizes.size(), 1u);
    const Size map = panels.printSizes[0].first;
    EXPECT_GT(map.width, 1500);
    EXPECT_EQ(panels.printSizes[0].second, Size{});

    mindMap->setSelectedNode(topic("Left"));
    document->printDocument();
    const Size selection = panels.printSizes[1].second;
    EXPECT_GT(selection.width, 0);
    EXPECT_LT(selection.width, map.width / 2);
    // The export's selection size is the same area with the picture margin round it.
    EXPECT_EQ(document->exportSelectionSize(), (Size{selection.width + 60, selection.height + 60}));

    // A print that failed is shown; a cancelled one is not.
    panels.printFailure = MakeAppError(5, "The print failed.", "no printer");
    document->printDocument();
    ASSERT_EQ(window.errors.size(), 1u);
    EXPECT_EQ(window.errors[0].failureReason, "no printer");
}

TEST_F(DocumentPanelsTest, TheOutlineOptionsAreKeptOnlyWhenTheOutlineWasPrinted)
{
    panels.outlinePageFormat = 5;
    document->printOutline();
    EXPECT_FALSE(panels.outlineSelectionAllowed);
    EXPECT_FALSE(UserDefaults::standard().hasUserValue(OutlineOptionsChoice::PageFormatKey));
    mindMap->setSelectedNode(topic("Left"));
    panels.printed = true;
    document->printOutline();
    EXPECT_TRUE(panels.outlineSelectionAllowed);
    EXPECT_EQ(UserDefaults::standard().integerForKey(OutlineOptionsChoice::PageFormatKey), 5);
}

TEST_F(DocumentPanelsTest, MapInfoNamesTheFileItsFolderStorageAndDates)
{
    document->showMindMapInfo();
    ASSERT_EQ(prompts.alerts.size(), 1u);
    const ModalAlert& alert = prompts.alerts[0];
    EXPECT_EQ(alert.alertStyle(), AlertStyle::Informational);
    EXPECT_EQ(alert.messageText(), "Alpha");
    const std::string text = alert.informativeText();
    const std::string expected[] = {
        localized("mindmap_mindmap") + ": " + Guid + ".twkx",
        localized("mindmap_folder") + ": " + documents(),
        localized("mindmap_cloud_storage") + ": " + MindMapProviders::localProvider()->title(),
        localized("date_modified") + ": ",
    };
    for (const std::string& line : expected) EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    EXPECT_EQ(text.find(localized("date_created")), std::string::npos) << "the last save told as the creation";
    ASSERT_EQ(alert.buttons().size(), 1u);
    EXPECT_EQ(alert.buttons()[0].title, localized("ok_button_title"));

    document->detachFromStorage();
    document->showMindMapInfo();
    EXPECT_EQ(prompts.alerts.size(), 1u);
}

TEST_F(DocumentPanelsTest, RevertAsksFirstAndOnlyOkBringsBackWhatIsStored)
{
    // Nothing to revert without edits.
    document->revertDocumentToSaved();
    EXPECT_TRUE(prompts.alerts.empty());

    topic("Left")->setText("Edited");
    document->updateChangeCount(MindMapDocumentOwner::ChangeKind::Done);
    document->revertDocumentToSaved(); // dismissed
    ASSERT_EQ(prompts.alerts.size(), 1u);
    EXPECT_EQ(prompts.alerts[0].messageText(), localized("action_revert_to_saved_document"));
    EXPECT_EQ(prompts.alerts[0].informativeText(), localized("revert_to_saved_document_message"));
    EXPECT_EQ(prompts.alerts[0].alertStyle(), AlertStyle::Warning);
    ASSERT_EQ(prompts.alerts[0].buttons().size(), 2u);
    EXPECT_NE(topic("Edited"), nullptr);
    EXPECT_TRUE(document->isDocumentEdited());

    prompts.alertAnswers = {ModalAlert::AlertFirstButtonReturn};
    document->revertDocumentToSaved();
    EXPECT_EQ(topic("Edited"), nullptr);
    EXPECT_NE(topic("Left"), nullptr);
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_TRUE(window.errors.empty());
}

TEST_F(DocumentPanelsTest, RevertNamesTheMapInTheStoreAndOnTheWindowAsSavedAgain)
{
    const std::string saved = document->mindMap()->title();
    // The name follows the edits as they are made, before any save.
    document->mindMap()->setCustomTitle("Edited");
    document->updateChangeCount(MindMapDocumentOwner::ChangeKind::Done);
    ASSERT_EQ(store->mindMapByGuid(Guid)->title(), "Edited");

    prompts.alertAnswers = {ModalAlert::AlertFirstButtonReturn};
    document->revertDocumentToSaved();
    EXPECT_EQ(document->mindMap()->title(), saved);
    EXPECT_EQ(store->mindMapByGuid(Guid)->title(), saved);
    ASSERT_FALSE(window.titles.empty());
    EXPECT_EQ(window.titles.back(), saved);
}

TEST_F(DocumentPanelsTest, TheDocumentHandlesItsPanelActions)
{
    for (const char* action : {"printDocument:", "printOutline:", "exportDocument:", "exportOutline:",
                               "showMindMapInfo:", "revertDocumentToSaved:"})
        EXPECT_TRUE(document->respondsToAction(action)) << action;
    // Without a window there is nowhere to show a save panel.
    document->setWindow(nullptr);
    document->exportDocument();
    document->exportOutline();
    EXPECT_TRUE(panels.panels.empty());
}

} // namespace
