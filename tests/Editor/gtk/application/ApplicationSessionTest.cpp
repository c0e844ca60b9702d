// The program as a new user meets it: started with an empty home, driven by clicks on its menus
// and dialogs and by its keys, and judged by what it leaves in the store's files and in the files
// it writes.

#include "ApplicationSession.h"
#include "MindMaps/TopicTextLimit.h"
#include "support/DisplayRequirement.h"
#include "support/ForeignText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <memory>
#include <set>

namespace {

constexpr const char* WelcomeTitle = "Welcome";
constexpr const char* NoMapTitle = "No mind map open. Open one from the maps, or create a new one.";
constexpr const char* EmptyMapTitle = "Empty Map";
// A map whose topics have no text yet.
constexpr const char* UnnamedTitle = "Unnamed Map";

// A FreeMind map as another program writes it.
constexpr const char* GardenFreeMind = R"(<map version="1.0.1">
<node TEXT="Garden plan">
<node TEXT="Vegetables" POSITION="right"><node TEXT="Beans"/><node TEXT="Leeks"/></node>
<node TEXT="Flowers" POSITION="left"><node TEXT="Tulips"/></node>
</node>
</map>
)";
const std::set<std::string> GardenTopics = {"Garden plan", "Vegetables", "Beans", "Leeks", "Flowers", "Tulips"};

// A native map with two central themes: only a selection of every topic holds both.
constexpr const char* TwoThemesGuid = "5E1EC7A11A11C0FFEE000001";
constexpr const char* TwoThemesDocument = R"(<?xml version="1.0" encoding="UTF-8"?>
<tarnwick-mindmaps doc-version="3">
  <mindmap>
    <meta>
      <guid guid="5E1EC7A11A11C0FFEE000001" />
      <title text="First theme" />
      <main-centraltheme id="0" />
      <selection type="node" id="0" />
    </meta>
    <topics>
      <topic id="0" parent="-1" x="0" y="0" text="First theme" />
      <topic id="1" parent="0" x="150" y="0" text="Under the first" />
      <topic id="2" parent="-1" x="0" y="300" text="Second theme" />
      <topic id="3" parent="2" x="150" y="300" text="Under the second" />
    </topics>
    <relations />
  </mindmap>
</tarnwick-mindmaps>
)";

std::set<std::string> asSet(const std::optional<std::vector<std::string>>& texts)
{
    return texts ? std::set<std::string>(texts->begin(), texts->end()) : std::set<std::string>{};
}

std::string fileText(const std::string& path)
{
    return std::filesystem::exists(path) ? readTestFile(path) : std::string();
}

class ApplicationSessionTest : public WholeProgramTest {
protected:
    std::unique_ptr<RunningApplication> start()
    {
        auto application = std::make_unique<RunningApplication>(home, *bus);
        EXPECT_GT(application->pid(), 0) << "the program did not start";
        return application;
    }

    std::vector<StoredMap> maps() { return readStoreIndex(home).value_or(std::vector<StoredMap>{}); }

    std::string idOfMapNamed(const std::string& name)
    {
        for (const StoredMap& map : maps())
            if (map.name == name) return map.id;
        return {};
    }

    // The file through the import panel; the panel closes once it took the path.
    ::testing::AssertionResult importFile(RunningApplication& application, const std::string& path)
    {
        if (auto chosen = application.chooseMenuItem("Mind Map", "Import…"); !chosen) return chosen;
        return application.chooseFile("Import", path);
    }

    // Through the save panel, in the format its type switch offers under that title.
    ::testing::AssertionResult exportAs(RunningApplication& application, const std::string& typeTitle,
                                        const std::string& path)
    {
        if (auto chosen = application.chooseMenuItem("Mind Map", "Export Mind Map…"); !chosen) return chosen;
        if (auto shown = application.waitForWindow("Export"); !shown) return shown;
        std::vector<Element> switches = application.findAll(ATSPI_ROLE_COMBO_BOX);
        if (switches.empty()) return ::testing::AssertionFailure() << "the export panel has no type switch";
        if (switches.front().name != typeTitle) {
            if (auto opened = application.click(ATSPI_ROLE_COMBO_BOX, switches.front().name); !opened) return opened;
            if (auto picked = application.click(ATSPI_ROLE_MENU_ITEM, typeTitle); !picked) return picked;
        }
        return application.chooseFile("Export", path);
    }

    // The alert that is up, with the texts it shows; nothing when none comes.
    std::optional<std::vector<std::string>> waitForAlert(RunningApplication& application)
    {
        std::vector<Element> alerts;
        if (!eventually([&] { return !(alerts = application.findAll(ATSPI_ROLE_ALERT)).empty(); }, "an alert"))
            return std::nullopt;
        return labelsIn(alerts.front());
    }

    // Deletes every topic of the open map through Select All and the Edit menu, as its user
    // confirms; the window's title then names the empty map.
    void deleteEveryTopic(RunningApplication& application, const std::string& title)
    {
        ASSERT_TRUE(application.pressKeys(title, {"ctrl+a"}));
        ASSERT_TRUE(application.chooseMenuItem("Edit", "Delete"));
        std::optional<std::vector<std::string>> question = waitForAlert(application);
        ASSERT_TRUE(question);
        EXPECT_NE(std::find(question->begin(), question->end(), "Every topic of this map will be deleted."),
                  question->end());
        ASSERT_TRUE(application.click(ATSPI_ROLE_PUSH_BUTTON, "OK"));
        ASSERT_TRUE(application.waitForWindow(EmptyMapTitle));
    }

    void quit(RunningApplication& application, const std::string& title)
    {
        ASSERT_TRUE(application.pressKeys(title, {"ctrl+q"}));
        EXPECT_EQ(application.waitForExit(), 0) << application.log();
    }

    ApplicationHome home;
};

// Every start paid for loading and relocating these libraries and the ones under them before its
// first frame, although only a cloud exchange, a sign-in, the link, an archive, a spelling check or
// the digest of a long buffer uses them.
TEST_F(ApplicationSessionTest, TheWindowComesWithoutTheLibrariesOnlySomeFeaturesNeed)
{
    auto application = start();
    ASSERT_TRUE(application->waitForWindow(WelcomeTitle));
    const std::string mapped = fileText("/proc/" + std::to_string(application->pid()) + "/maps");
    ASSERT_NE(mapped.find("libgtk-3"), std::string::npos) << "the program's mappings were not read";
    // The cloud exchanges, PDFs, TIFF export, the link and its name server, zip archives, the
    // spelling checker and OpenSSL's digests load on first use.
    for (const char* library :
         {"/libcurl.so", "/libsecret-1.so", "/libpoppler", "/libtarnwick-pdf.so", "/libtiff.so", "/libdns_sd.so",
          "/libevent", "/libminizip", "/libgspell", "/libenchant", "/libcrypto.so"})
        EXPECT_EQ(mapped.find(library), std::string::npos) << library << " is loaded";
}

TEST_F(ApplicationSessionTest, NewMakesAMapInTheStoreAndBackReturnsToTheMapBefore)
{
    auto application = start();
    ASSERT_TRUE(application->waitForWindow(WelcomeTitle));
    ASSERT_TRUE(eventually([&] { return maps().size() == 1; }, "the getting-started map in the store"));
    const std::string welcome = maps().front().id;

    ASSERT_TRUE(application->pressKeys(WelcomeTitle, {"ctrl+n"}));
    ASSERT_TRUE(eventually([&] { return maps().size() == 2; }, "the new map in the store's index"));
    std::string created;
    for (const StoredMap& map : maps())
        if (map.id != welcome) created = map.id;
    ASSERT_FALSE(created.empty());
    // The new map's theme waits for its text: what is typed names the map.
    ASSERT_TRUE(application->waitFor(ATSPI_ROLE_TEXT, "")) << "no text editing on the new theme";
    ASSERT_TRUE(application->typeText(UnnamedTitle, "Holiday plans"));
    ASSERT_TRUE(application->pressKeys(UnnamedTitle, {"Return"}));
    ASSERT_TRUE(application->waitForWindow("Holiday plans"));
    EXPECT_EQ(application->menuItemEnabled("Mind Map", "Back"), true);

    ASSERT_TRUE(application->pressKeys("Holiday plans", {"alt+Left"}));
    ASSERT_TRUE(application->waitForWindow(WelcomeTitle));
    // Leaving the new map wrote it.
    EXPECT_TRUE(
        eventually([&] { return asSet(readMapTopics(home, created)) == std::set<std::string>{"Holiday plans"}; },
                   "the new map's theme in its file"));
    ASSERT_NO_FATAL_FAILURE(quit(*application, WelcomeTitle));
    EXPECT_EQ(maps().size(), 2u);
}

TEST_F(ApplicationSessionTest, ExportAsPdfThroughTheSavePanelWritesThePagesOfTheMap)
{
    std::filesystem::create_directories(home.file("Exports"));
    const std::string pdf = home.file("Exports/Welcome map.pdf");
    auto application = start();
    ASSERT_TRUE(application->waitForWindow(WelcomeTitle));

    ASSERT_TRUE(application->chooseMenuItem("Mind Map", "Export Mind Map…"));
    ASSERT_TRUE(application->waitForWindow("Export"));
    // The type switch: the name the panel proposes follows the type chosen.
    auto proposes = [&](const std::string& name) {
        return eventually(
            [&] {
                for (const Element& field : application->findAll(ATSPI_ROLE_TEXT))
                    if (field.text() == name) return true;
                return false;
            },
            "the proposed name " + name, 10s);
    };
    ASSERT_TRUE(proposes("Welcome.pdf"));
    ASSERT_TRUE(application->click(ATSPI_ROLE_COMBO_BOX, "File format:"));
    ASSERT_TRUE(application->click(ATSPI_ROLE_MENU_ITEM, "PNG Picture"));
    EXPECT_TRUE(proposes("Welcome.png"));
    ASSERT_TRUE(application->click(ATSPI_ROLE_COMBO_BOX, "File format:"));
    ASSERT_TRUE(application->click(ATSPI_ROLE_MENU_ITEM, "PDF Document"));
    EXPECT_TRUE(proposes("Welcome.pdf"));
    ASSERT_TRUE(application->chooseFile("Export", pdf));

    std::optional<PdfContents> contents;
    ASSERT_TRUE(eventually([&] { return (contents = readPdf(pdf)).has_value(); }, "a PDF poppler reads"));
    EXPECT_GT(contents->pages, 0);
    EXPECT_NE(contents->firstPageText.find("Welcome"), std::string::npos) << contents->firstPageText;
    EXPECT_TRUE(application->hasWindow(WelcomeTitle));
}

TEST_F(ApplicationSessionTest, PrintToAFileThroughThePrintDialogWithTheMapsOptions)
{
    const std::string printed = home.file("printed.pdf");
    auto application = start();
    ASSERT_TRUE(application->waitForWindow(WelcomeTitle));

    ASSERT_TRUE(application->pressKeys(WelcomeTitle, {"ctrl+p"}));
    ASSERT_TRUE(application->waitForWindow("Print"));
    // The map's own options are a tab of the dialog.
    ASSERT_TRUE(application->click(ATSPI_ROLE_PAGE_TAB, "Mind Map"));
    EXPECT_TRUE(application->waitFor(ATSPI_ROLE_RADIO_BUTTON, "Fit to page"));
    ASSERT_TRUE(application->click(ATSPI_ROLE_PAGE_TAB, "General"));

    ASSERT_TRUE(application->click(ATSPI_ROLE_TABLE_CELL, "Print to File"));
    // The printer's output file: its button names the file and opens a chooser.
    std::string outputButton;
    ASSERT_TRUE(eventually(
        [&] {
            for (const Element& button : application->findAll(ATSPI_ROLE_PUSH_BUTTON))
                if (button.name.size() > 4 && button.name.compare(button.name.size() - 4, 4, ".pdf") == 0)
                    outputButton = button.name;
            return !outputButton.empty();
        },
        "the output file's button"));
    ASSERT_TRUE(application->click(ATSPI_ROLE_PUSH_BUTTON, outputButton));
    ASSERT_TRUE(application->chooseFile("Select a filename", printed));
    ASSERT_TRUE(application->click(ATSPI_ROLE_PUSH_BUTTON, "Print"));
    ASSERT_TRUE(application->waitUntilWindowGoes("Print"));

    ASSERT_TRUE(
        eventually([&] { return fileText(printed).rfind("%PDF", 0) == 0 && readPdf(printed); }, "the printed PDF"));
    std::optional<PdfContents> contents = readPdf(printed);
    EXPECT_GT(contents->pages, 0);
    EXPECT_NE(contents->firstPageText.find("Welcome"), std::string::npos) << contents->firstPageText;
}

TEST_F(ApplicationSessionTest, ImportingAMapTheStoreHoldsAsksToOverwriteOrImportAsNew)
{
    const std::string freeMind = home.file("Garden.mm");
    writeTestFile(freeMind, GardenFreeMind);
    const std::string native = home.file("Garden plan.twkx");
    auto application = start();
    ASSERT_TRUE(application->waitForWindow(WelcomeTitle));

    // A FreeMind file becomes a map of the store and opens.
    ASSERT_TRUE(importFile(*application, freeMind));
    ASSERT_TRUE(application->waitForWindow("Garden plan"));
    ASSERT_TRUE(eventually([&] { return !idOfMapNamed("Garden plan").empty(); }, "the imported map in the index"));
    const std::string garden = idOfMapNamed("Garden plan");
    EXPECT_EQ(asSet(readMapTopics(home, garden)), GardenTopics);

    // Exported in the native format, then changed by another program and imported again.
    ASSERT_TRUE(exportAs(*application, "Tarnwick Mind Map", native));
    ASSERT_TRUE(eventually([&] { return fileText(native).find("Tulips") != std::string::npos; }, "the export"));
    std::string changed = fileText(native);
    changed.replace(changed.find("Tulips"), 6, "Roses");
    writeTestFile(native, changed);
    const size_t count = maps().size();

    struct Answer {
        const char* button;
        bool overwrites;
        bool importsAsNew;
    };
    const Answer answers[] = {{"Cancel", false, false}, {"Overwrite", true, false}, {"Import as New", true, true}};
    for (const Answer& answer : answers) {
        SCOPED_TRACE(answer.button);
        ASSERT_TRUE(importFile(*application, native));
        std::optional<std::vector<std::string>> question = waitForAlert(*application);
        ASSERT_TRUE(question);
        EXPECT_NE(std::find(question->begin(), question->end(), "This map is already in the store"), question->end());
        ASSERT_TRUE(application->click(ATSPI_ROLE_PUSH_BUTTON, answer.button));
        ASSERT_TRUE(eventually([&] { return application->findAll(ATSPI_ROLE_ALERT).empty(); }, "the question to go"));

        const size_t expected = count + (answer.importsAsNew ? 1 : 0);
        ASSERT_TRUE(eventually([&] { return maps().size() == expected; }, "the index's maps"));
        if (answer.overwrites)
            EXPECT_TRUE(eventually([&] { return asSet(readMapTopics(home, garden)).count("Roses") == 1; },
                                   "the overwritten map"));
        else EXPECT_EQ(asSet(readMapTopics(home, garden)), GardenTopics);
    }
    std::string copy;
    for (const StoredMap& map : maps())
        if (map.name == "Garden plan" && map.id != garden) copy = map.id;
    ASSERT_FALSE(copy.empty()) << "the map imported as new has an id of its own";
    EXPECT_EQ(asSet(readMapTopics(home, copy)).count("Roses"), 1u);
}

TEST_F(ApplicationSessionTest, SelectAllReachesEveryThemeAndUndoBringsTheTopicsBack)
{
    const std::string file = home.file("Two themes.twkx");
    writeTestFile(file, TwoThemesDocument);
    auto application = start();
    ASSERT_TRUE(application->waitForWindow(WelcomeTitle));
    ASSERT_TRUE(importFile(*application, file));
    ASSERT_TRUE(application->waitForWindow("First theme"));
    const std::set<std::string> topics = {"First theme", "Under the first", "Second theme", "Under the second"};
    ASSERT_EQ(asSet(readMapTopics(home, TwoThemesGuid)), topics);

    // Only a selection of both themes asks before deleting every topic.
    ASSERT_NO_FATAL_FAILURE(deleteEveryTopic(*application, "First theme"));
    ASSERT_TRUE(application->pressKeys(EmptyMapTitle, {"ctrl+s"}));
    EXPECT_TRUE(eventually([&] { return readMapTopics(home, TwoThemesGuid) == std::vector<std::string>{}; },
                           "the saved map without topics"));

    ASSERT_TRUE(application->pressKeys(EmptyMapTitle, {"ctrl+z"}));
    ASSERT_TRUE(application->waitForWindow("First theme"));
    ASSERT_TRUE(application->pressKeys("First theme", {"ctrl+s"}));
    EXPECT_TRUE(eventually([&] { return asSet(readMapTopics(home, TwoThemesGuid)) == topics; },
                           "the saved map with its topics back"));

    // Reverting drops the unsaved deletion, and the map is named as saved again, in the store too.
    ASSERT_NO_FATAL_FAILURE(deleteEveryTopic(*application, "First theme"));
    ASSERT_TRUE(application->chooseMenuItem("Mind Map", "Revert to Saved"));
    ASSERT_TRUE(waitForAlert(*application));
    ASSERT_TRUE(application->click(ATSPI_ROLE_PUSH_BUTTON, "OK"));
    ASSERT_TRUE(application->waitForWindow("First theme"));
    ASSERT_NO_FATAL_FAILURE(quit(*application, "First theme"));
    EXPECT_EQ(asSet(readMapTopics(home, TwoThemesGuid)), topics);
    EXPECT_EQ(idOfMapNamed("First theme"), TwoThemesGuid);
}

TEST_F(ApplicationSessionTest, AFileThatIsNoMapGivesAnAlertAndTheStoreStaysAsItWas)
{
    const std::string noise = home.file("Noise.mm");
    std::string bytes;
    for (int i = 0; i < 2048; ++i) bytes += static_cast<char>((i * 7919 + 13) % 251);
    writeTestFile(noise, bytes);
    auto application = start();
    ASSERT_TRUE(application->waitForWindow(WelcomeTitle));
    ASSERT_TRUE(eventually([&] { return maps().size() == 1; }, "the getting-started map in the store"));

    ASSERT_TRUE(importFile(*application, noise));
    std::optional<std::vector<std::string>> alert = waitForAlert(*application);
    ASSERT_TRUE(alert);
    EXPECT_NE(std::find(alert->begin(), alert->end(), "\u201CNoise.mm\u201D could not be imported."), alert->end())
        << ::testing::PrintToString(*alert);
    ASSERT_TRUE(application->click(ATSPI_ROLE_PUSH_BUTTON, "OK"));
    ASSERT_TRUE(eventually([&] { return application->findAll(ATSPI_ROLE_ALERT).empty(); }, "the alert to go"));
    EXPECT_TRUE(application->hasWindow(WelcomeTitle));
    EXPECT_EQ(maps().size(), 1u);
}

TEST_F(ApplicationSessionTest, ARememberedMapWhoseFileIsDamagedGivesAnAlertAndItsFileIsKept)
{
    {
        auto application = start();
        ASSERT_TRUE(application->waitForWindow(WelcomeTitle));
        ASSERT_NO_FATAL_FAILURE(quit(*application, WelcomeTitle));
    }
    const std::string welcome = idOfMapNamed(WelcomeTitle);
    ASSERT_FALSE(welcome.empty());
    // Cut off in the middle, as a full disk leaves a file another program wrote.
    const std::string damaged = fileText(home.mapFile(welcome)).substr(0, 400);
    writeTestFile(home.mapFile(welcome), damaged);

    auto application = start();
    std::optional<std::vector<std::string>> alert = waitForAlert(*application);
    ASSERT_TRUE(alert) << application->log();
    EXPECT_NE(std::find(alert->begin(), alert->end(), "The map \u201CWelcome\u201D could not be opened."), alert->end())
        << ::testing::PrintToString(*alert);
    ASSERT_TRUE(application->click(ATSPI_ROLE_PUSH_BUTTON, "OK"));
    ASSERT_TRUE(application->waitForWindow(NoMapTitle));
    ASSERT_NO_FATAL_FAILURE(quit(*application, NoMapTitle));
    // Nothing was written over the damaged file, and the store still lists the map by its name.
    EXPECT_EQ(fileText(home.mapFile(welcome)), damaged);
    EXPECT_EQ(idOfMapNamed(WelcomeTitle), welcome);
}

TEST_F(ApplicationSessionTest, SigtermKeepsTheLastEditAndTheNextStartReopensTheMap)
{
    {
        auto application = start();
        ASSERT_TRUE(application->waitForWindow(WelcomeTitle));
        // The edit is not saved: the quit the signal asks for writes it.
        ASSERT_NO_FATAL_FAILURE(deleteEveryTopic(*application, WelcomeTitle));
        application->sendSignal(SIGTERM);
        ASSERT_EQ(application->waitForExit(), 0) << application->log();
    }
    ASSERT_EQ(maps().size(), 1u);
    EXPECT_EQ(readMapTopics(home, maps().front().id), std::vector<std::string>{});

    auto application = start();
    ASSERT_TRUE(application->waitForWindow(EmptyMapTitle));
    EXPECT_EQ(maps().size(), 1u) << "the next start made no map of its own";
    ASSERT_NO_FATAL_FAILURE(quit(*application, EmptyMapTitle));
}

// A paste of megabytes went whole into one topic, and measuring it held the window for minutes: a
// quit asked for by signal never came, and the title typed before the paste was lost.
TEST_F(ApplicationSessionTest, PastingMegabytesOfTextKeepsTheWindowAnsweringAndTheTitleTyped)
{
    constexpr const char* Title = "Reading list";
    std::string report;
    for (int line = 0; line < 75000; ++line)
        report += "Line " + std::to_string(line) + " of the report, long enough to fill a row of the topic.\n";
    auto application = start();
    ASSERT_TRUE(application->waitForWindow(WelcomeTitle));
    ASSERT_TRUE(application->pressKeys(WelcomeTitle, {"ctrl+n"}));
    ASSERT_TRUE(application->waitFor(ATSPI_ROLE_TEXT, "")) << "no text editing on the new theme";
    ASSERT_TRUE(application->typeText(UnnamedTitle, Title));
    ASSERT_TRUE(application->pressKeys(UnnamedTitle, {"Return"}));
    ASSERT_TRUE(application->waitForWindow(Title));

    ForeignText clipboard("CLIPBOARD", report);
    ASSERT_TRUE(clipboard.offered()) << "the display takes no request of " << report.size() << " bytes";
    ASSERT_EQ(application->menuItemEnabled("Edit", "Paste"), true) << "the program never saw the copied text";
    ASSERT_TRUE(application->pressKeys(Title, {"ctrl+v"}));
    ASSERT_TRUE(application->waitFor(ATSPI_ROLE_LABEL, "The text was shortened.", nullptr, 60s));
    // A key after the paste is handled too: the save writes the pasted topic.
    ASSERT_TRUE(application->pressKeys(Title, {"ctrl+s"}));
    // The new map holds its title and the pasted topic.
    std::set<std::string> topics;
    auto saved = [&] {
        for (const StoredMap& map : maps())
            if ((topics = asSet(readMapTopics(home, map.id))).count(Title)) return topics.size() == 2;
        return false;
    };
    ASSERT_TRUE(eventually(saved, "the saved paste"));
    application->sendSignal(SIGTERM);
    ASSERT_EQ(application->waitForExit(), 0) << application->log();
    ASSERT_TRUE(saved()) << "the title typed before the paste is lost";
    for (const std::string& text : topics) {
        EXPECT_LE(TopicTextLimit::characterCount(text), TopicTextLimit::MaximumCharacters);
        if (text != Title) {
            EXPECT_EQ(report.compare(0, text.size(), text), 0) << "not the text's start";
        }
    }
}

// The clipboard's owner answers a paste late, and the user goes on meanwhile: the program goes on
// too, and the text lands nowhere but where it was asked for. The paste used to wait in a main
// loop of its own: Return, Escape or a click there freed the topic's text editor the paste went
// on with, and a map made or opened there took the pasted topic or note.
TEST_F(ApplicationSessionTest, APasteAnsweredLateNeverReachesAnEditOrAMapThatCameAfter)
{
    constexpr const char* Late = "Pasted late";
    constexpr const char* SecondTitle = "Second map";
    enum class Into { Topic, Canvas, TextAsList, Note };
    struct Road {
        const char* name;
        Into into;
        // Keys pressed while the paste waits; none: a click on the canvas.
        std::vector<std::string> keys;
        // The window the keys lead to.
        const char* after;
        // The typed topic, when the edit keeps it.
        const char* kept = nullptr;
    };
    const Road roads[] = {
        {"Return in the topic's text", Into::Topic, {"Return"}, WelcomeTitle, "Typed first"},
        {"Escape in the topic's text", Into::Topic, {"Escape"}, WelcomeTitle},
        {"a click beside the topic's text", Into::Topic, {}, WelcomeTitle, "Typed first"},
        {"a new map after a paste on the canvas", Into::Canvas, {"ctrl+n"}, UnnamedTitle},
        {"the map before after Paste Text as List", Into::TextAsList, {"alt+Left"}, WelcomeTitle},
        {"a new map after a paste into the note", Into::Note, {"ctrl+n"}, UnnamedTitle},
    };
    // Each road in a program and a home of its own, also when one before it fails.
    const auto travel = [&](const Road& road) {
        ApplicationHome roadHome;
        RunningApplication application(roadHome, *bus);
        ASSERT_TRUE(application.waitForWindow(WelcomeTitle));
        std::string title = WelcomeTitle;
        if (road.into == Into::TextAsList) {
            ASSERT_TRUE(application.pressKeys(title, {"ctrl+n"}));
            ASSERT_TRUE(application.waitFor(ATSPI_ROLE_TEXT, "")) << "no text editing on the new theme";
            ASSERT_TRUE(application.typeText(UnnamedTitle, SecondTitle));
            ASSERT_TRUE(application.pressKeys(UnnamedTitle, {"Return"}));
            ASSERT_TRUE(application.waitForWindow(title = SecondTitle));
        }
        ForeignText clipboard("CLIPBOARD", Late, ForeignText::Holds::Text);
        ASSERT_TRUE(clipboard.offered());
        ASSERT_EQ(application.menuItemEnabled("Edit", "Paste"), true) << "the program never saw the copied text";
        if (road.into == Into::Topic) {
            ASSERT_TRUE(application.pressKeys(title, {"Tab"}));
            ASSERT_TRUE(application.waitFor(ATSPI_ROLE_TEXT, ""));
            ASSERT_TRUE(application.typeText(title, "Typed first"));
        } else if (road.into == Into::Note) {
            ASSERT_TRUE(application.pressKeys(title, {"ctrl+2"}));
            ASSERT_TRUE(application.click(ATSPI_ROLE_TEXT, "Note"));
        }
        if (road.into == Into::TextAsList) ASSERT_TRUE(application.chooseMenuItem("Edit", "Paste Text as List"));
        else ASSERT_TRUE(application.pressKeys(title, {"ctrl+v"}));
        ASSERT_TRUE(eventually([&] { return clipboard.waiting() > 0; }, "the program to ask for the text"));

        if (!road.keys.empty()) {
            ASSERT_TRUE(application.pressKeys(title, road.keys));
        } else {
            std::optional<Element> canvas = application.find(ATSPI_ROLE_DRAWING_AREA, title);
            ASSERT_TRUE(canvas);
            ASSERT_EQ(runCommand({"xdotool", "mousemove", std::to_string(canvas->x + 20),
                                  std::to_string(canvas->y + 20), "click", "1"}),
                      0);
        }
        if (road.into == Into::Topic) {
            ASSERT_TRUE(eventually([&] { return !application.find(ATSPI_ROLE_TEXT, ""); }, "the edit to end"));
        }
        ASSERT_TRUE(application.waitForWindow(road.after));
        clipboard.release();
        ASSERT_TRUE(eventually([&] { return clipboard.waiting() == 0; }, "the answer"));

        ASSERT_NO_FATAL_FAILURE(quit(application, road.after));
        EXPECT_EQ(application.log().find("CRITICAL"), std::string::npos) << application.log();
        std::string stored;
        for (const StoredMap& map : readStoreIndex(roadHome).value_or(std::vector<StoredMap>{}))
            stored += fileText(roadHome.mapFile(map.id));
        EXPECT_EQ(stored.find(Late), std::string::npos);
        if (road.kept) {
            EXPECT_NE(stored.find(road.kept), std::string::npos) << "the typed text is lost";
        }
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        travel(road);
    }
}

} // namespace
