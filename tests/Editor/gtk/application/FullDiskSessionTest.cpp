// The program quitting on a disk that is full: its store and its settings lie on small file
// systems of their own, filled up after the start. Mounting them takes the administrator; without
// that the tests are skipped.

#include "ApplicationSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* WelcomeTitle = "Welcome";
constexpr const char* UnnamedTitle = "Unnamed Map";
constexpr const char* MapNotSaved = "The map \u201CWelcome\u201D could not be saved.";
constexpr const char* DiskFull = "No space left on device.";

// A small file system mounted over a folder, which keeps what the folder held, and filled on
// demand: each fill takes whatever room is left.
class SmallFileSystem {
public:
    SmallFileSystem(const std::string& folder, const std::string& size) : _folder(folder)
    {
        const std::string before = folder + ".before";
        std::error_code ec;
        fs::create_directories(folder, ec);
        fs::rename(folder, before, ec);
        fs::create_directories(folder, ec);
        _mounted = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
        if (_mounted) fs::copy(before, folder, fs::copy_options::recursive, ec);
        fs::remove_all(before, ec);
    }
    ~SmallFileSystem()
    {
        if (_mounted) ::umount2(_folder.c_str(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool mounted() const { return _mounted; }

    // true once a write is refused for want of room.
    bool fill()
    {
        const std::string path = _folder + "/.filler-" + std::to_string(_fillers++);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        const std::vector<char> block(4096, 'x');
        while (fd >= 0 && ::write(fd, block.data(), block.size()) > 0) {}
        const bool full = errno == ENOSPC;
        if (fd >= 0) ::close(fd);
        return full;
    }
    void freeSpace()
    {
        for (int filler = 0; filler < _fillers; ++filler)
            ::unlink((_folder + "/.filler-" + std::to_string(filler)).c_str());
    }

private:
    std::string _folder;
    bool _mounted = false;
    int _fillers = 0;
};

bool holds(const std::vector<std::string>& texts, const std::string& text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

bool holdsOneStartingWith(const std::vector<std::string>& texts, const std::string& start)
{
    return std::any_of(texts.begin(), texts.end(), [&](const std::string& text) { return text.rfind(start, 0) == 0; });
}

class FullDiskSessionTest : public WholeProgramTest {
protected:
    void SetUp() override
    {
        WholeProgramTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (::geteuid() != 0) GTEST_SKIP() << "mounting the small file systems takes the administrator";
        store = std::make_unique<SmallFileSystem>(home.dataHome(), "512k");
        settings = std::make_unique<SmallFileSystem>(home.configHome(), "256k");
        if (!store->mounted() || !settings->mounted()) GTEST_SKIP() << "no small file system could be mounted";
    }
    void TearDown() override
    {
        application.reset();
        settings.reset();
        store.reset();
    }

    // The program with the getting-started map in the store, then both disks full, then a child
    // of the selected theme typed with that text.
    void startFillAndType(const std::string& text)
    {
        ASSERT_NO_FATAL_FAILURE(start());
        ASSERT_NO_FATAL_FAILURE(fillAndType(text));
    }
    void start()
    {
        application = std::make_unique<RunningApplication>(home, *bus);
        ASSERT_TRUE(application->waitForWindow(WelcomeTitle)) << application->log();
        ASSERT_TRUE(eventually([&] { return readStoreIndex(home).value_or(std::vector<StoredMap>{}).size() == 1; },
                               "the getting-started map in the store"));
        guid = readStoreIndex(home)->front().id;
    }
    void fillAndType(const std::string& text)
    {
        ASSERT_TRUE(store->fill());
        ASSERT_TRUE(settings->fill());
        ASSERT_TRUE(application->pressKeys(WelcomeTitle, {"Tab"}));
        ASSERT_TRUE(application->typeText(WelcomeTitle, text));
        ASSERT_TRUE(application->pressKeys(WelcomeTitle, {"Return"}));
    }

    // The alert that is up, with the texts it shows.
    std::vector<std::string> alertTexts()
    {
        std::vector<Element> alerts;
        if (!eventually([&] { return !(alerts = application->findAll(ATSPI_ROLE_ALERT)).empty(); }, "an alert"))
            return {};
        return labelsIn(alerts.front());
    }

    // The alert about the map, whether the road asks or only says.
    void expectMapAlert(const std::string& road)
    {
        const std::vector<std::string> texts = alertTexts();
        EXPECT_TRUE(holds(texts, MapNotSaved)) << road << ": " << ::testing::PrintToString(texts);
        EXPECT_TRUE(holdsOneStartingWith(texts, DiskFull)) << road << ": " << ::testing::PrintToString(texts);
        for (const std::string& text : texts) EXPECT_EQ(text.find(guid), std::string::npos) << road << ": " << text;
    }

    ::testing::AssertionResult answer(const std::string& button)
    {
        if (auto clicked = application->click(ATSPI_ROLE_PUSH_BUTTON, button); !clicked) return clicked;
        return eventually([&] { return application->findAll(ATSPI_ROLE_ALERT).empty(); }, "the alert to go");
    }

    std::vector<std::string> topics() { return readMapTopics(home, guid).value_or(std::vector<std::string>{}); }

    ApplicationHome home;
    std::unique_ptr<SmallFileSystem> store;
    std::unique_ptr<SmallFileSystem> settings;
    std::unique_ptr<RunningApplication> application;
    std::string guid;
};

// Saving names the map the disk refuses by its title. The Quit item and a signal both stop at it:
// Cancel keeps the program with the edit; once there is room, Try Again writes the edit and the
// quit goes on.
TEST_F(FullDiskSessionTest, AnEditTheFullDiskRefusesStopsTheQuitUntilThereIsRoom)
{
    // Short enough to stay on one line of its topic.
    const std::string edit = "Kept edit";
    ASSERT_NO_FATAL_FAILURE(startFillAndType(edit));
    ASSERT_TRUE(application->pressKeys(WelcomeTitle, {"ctrl+s"}));
    ASSERT_NO_FATAL_FAILURE(expectMapAlert("saving"));
    ASSERT_TRUE(answer("OK"));

    ASSERT_TRUE(application->pressKeys(WelcomeTitle, {"ctrl+q"}));
    ASSERT_NO_FATAL_FAILURE(expectMapAlert("the Quit item"));
    ASSERT_TRUE(answer("Cancel"));
    // The program goes on: its menus still answer, and the store holds no edit.
    EXPECT_EQ(application->menuItemEnabled("Tarnwick", "Quit Tarnwick"), true) << application->log();
    EXPECT_FALSE(application->waitForExit(0ms).has_value());
    EXPECT_FALSE(holds(topics(), edit));

    application->sendSignal(SIGTERM);
    ASSERT_NO_FATAL_FAILURE(expectMapAlert("SIGTERM"));
    store->freeSpace();
    settings->freeSpace();
    ASSERT_TRUE(application->click(ATSPI_ROLE_PUSH_BUTTON, "Try Again"));
    ASSERT_EQ(application->waitForExit(), 0) << application->log();
    EXPECT_TRUE(holds(topics(), edit));
}

// A quit by signal may have nobody to answer an alert: what the full disks refuse is said on
// standard error, and the program ends.
TEST_F(FullDiskSessionTest, ASignalQuitsWithoutAnAlertSayingWhatCouldNotBeWritten)
{
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(store->fill());
    ASSERT_TRUE(settings->fill());
    application->sendSignal(SIGTERM);
    ASSERT_EQ(application->waitForExit(), 0) << application->log();
    for (const char* line : {"The list of recently opened maps: No space left on device.",
                             "The settings, with the map to open at the next start: No space left on device."})
        EXPECT_NE(application->log().find(line), std::string::npos) << line << "\n" << application->log();
}

// A map whose edit the full disk refuses is still asked about at a quit by signal, and a second
// signal ends the program at once, saying that the edit is lost.
TEST_F(FullDiskSessionTest, ASecondSignalEndsTheProgramAtOnce)
{
    const std::string edit = "Lost edit";
    ASSERT_NO_FATAL_FAILURE(startFillAndType(edit));
    application->sendSignal(SIGTERM);
    ASSERT_NO_FATAL_FAILURE(expectMapAlert("SIGTERM"));
    application->sendSignal(SIGTERM);
    EXPECT_EQ(application->waitForExit(), 128 + SIGTERM) << application->log();
    EXPECT_NE(application->log().find("ended Tarnwick at once, without what it could not save"), std::string::npos)
        << application->log();
    EXPECT_FALSE(holds(topics(), edit));
}

// Closing the window on a full disk asks too; quitting without saving loses the edit, said
// plainly, and the settings that could not be written are said before the program goes.
TEST_F(FullDiskSessionTest, QuittingWithoutSavingLosesTheEditAndSaysWhatElseWasNotWritten)
{
    const std::string edit = "Given up";
    ASSERT_NO_FATAL_FAILURE(startFillAndType(edit));
    const std::string settingsBefore = readTestFile(home.defaultsFile());

    ASSERT_TRUE(application->pressKeys(WelcomeTitle, {"ctrl+shift+w"}));
    ASSERT_NO_FATAL_FAILURE(expectMapAlert("closing the window"));
    // Whatever the program freed meanwhile is taken again.
    store->fill();
    settings->fill();
    ASSERT_TRUE(application->click(ATSPI_ROLE_PUSH_BUTTON, "Quit Without Saving"));

    std::vector<std::string> texts;
    EXPECT_TRUE(eventually(
        [&] {
            std::vector<Element> alerts = application->findAll(ATSPI_ROLE_ALERT);
            texts = alerts.empty() ? std::vector<std::string>{} : labelsIn(alerts.front());
            return holds(texts, "Tarnwick could not save everything before quitting.");
        },
        "the alert about the files not written"))
        << ::testing::PrintToString(texts);
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const std::string& text) {
        return text.find("The settings, with the map to open at the next start: No space left on device.") !=
            std::string::npos;
    })) << ::testing::PrintToString(texts);
    ASSERT_TRUE(application->click(ATSPI_ROLE_PUSH_BUTTON, "OK"));
    ASSERT_EQ(application->waitForExit(), 0) << application->log();
    EXPECT_FALSE(holds(topics(), edit));
    EXPECT_TRUE(holds(topics(), WelcomeTitle)) << "the map saved before stays";
    EXPECT_EQ(readTestFile(home.defaultsFile()), settingsBefore);
}

// Another map does not take the place of one whose edit the full disk refuses until the user
// chooses, as at quit, whether Back or the side bar leads there: Cancel keeps the map with its
// edit; once there is room, Try Again writes the edit and Back opens the map it goes to.
TEST_F(FullDiskSessionTest, AnEditTheFullDiskRefusesKeepsItsMapOpenUntilThereIsRoom)
{
    const std::string elsewhere = "Elsewhere";
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(application->pressKeys(WelcomeTitle, {"ctrl+n"}));
    ASSERT_TRUE(application->waitFor(ATSPI_ROLE_TEXT, "")) << "no text editing on the new theme";
    ASSERT_TRUE(application->typeText(UnnamedTitle, elsewhere));
    ASSERT_TRUE(application->pressKeys(UnnamedTitle, {"Return"}));
    ASSERT_TRUE(application->pressKeys(elsewhere, {"alt+Left"}));
    ASSERT_TRUE(application->waitForWindow(WelcomeTitle));
    const std::string edit = "Kept open";
    ASSERT_NO_FATAL_FAILURE(fillAndType(edit));

    ASSERT_TRUE(application->pressKeys(WelcomeTitle, {"alt+Left"}));
    ASSERT_NO_FATAL_FAILURE(expectMapAlert("Back"));
    ASSERT_TRUE(answer("Cancel"));
    EXPECT_TRUE(application->hasWindow(WelcomeTitle));
    EXPECT_EQ(application->menuItemEnabled("Mind Map", "Back"), true);

    // The side bar asks the same, after a click on the other map and before its own New makes
    // anything.
    ASSERT_TRUE(application->click(ATSPI_ROLE_TABLE_CELL, elsewhere));
    ASSERT_NO_FATAL_FAILURE(expectMapAlert("a click in the side bar"));
    ASSERT_TRUE(answer("Cancel"));
    ASSERT_TRUE(application->pressKeys(WelcomeTitle, {"ctrl+n"}));
    ASSERT_NO_FATAL_FAILURE(expectMapAlert("the side bar's New"));
    ASSERT_TRUE(answer("Cancel"));
    EXPECT_TRUE(application->hasWindow(WelcomeTitle));

    ASSERT_TRUE(application->pressKeys(WelcomeTitle, {"alt+Left"}));
    ASSERT_NO_FATAL_FAILURE(expectMapAlert("Back, again"));
    store->freeSpace();
    settings->freeSpace();
    ASSERT_TRUE(answer("Try Again"));
    ASSERT_TRUE(application->waitForWindow(elsewhere)) << application->log();
    EXPECT_TRUE(holds(topics(), edit));
    ASSERT_TRUE(application->pressKeys(elsewhere, {"ctrl+q"}));
    ASSERT_EQ(application->waitForExit(), 0) << application->log();
}

} // namespace
