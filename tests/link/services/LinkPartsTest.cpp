#include "MainLoopPump.h"

#include "Editor/DeviceLinkServices.h"
#include "link/DevicePinModel.h"
#include "link/LinkStatusPane.h"
#include "link/MainThreadHop.h"
#include "link/iPhoneLink.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

namespace fs = std::filesystem;

namespace {

// A thread that hops as the link's server thread does.
template <class Result> std::future<std::optional<Result>> hopFrom(MainThreadHop& hop, std::function<Result()> work)
{
    return std::async(std::launch::async, [&hop, work = std::move(work)] {
        MainThreadHop::prepareCallingThread();
        std::optional<Result> result = hop.run<Result>(work);
        MainThreadHop::endCallingThread();
        return result;
    });
}

template <class T> bool ready(std::future<T>& future)
{
    return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

TEST(MainThreadHop, TheWorkRunsOnTheMainThreadEvenWhileTheMainLoopIsNotRunning)
{
    MainThreadHop hop;
    std::thread::id ranOn;
    std::future<std::optional<int>> result = hopFrom<int>(hop, [&] {
        ranOn = std::this_thread::get_id();
        return 7;
    });
    // Nobody iterates the main context meanwhile: a thread that could take it would run the work
    // itself, off the main thread.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(ready(result));
    ASSERT_TRUE(pumpUntil([&] { return ready(result); }, 10));
    EXPECT_EQ(result.get(), 7);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(MainThreadHop, ClosingAnswersTheWaitingCallerAtOnceAndTheWorkNeverRuns)
{
    MainThreadHop hop;
    std::atomic<bool> ran = false;
    std::future<std::optional<int>> result = hopFrom<int>(hop, [&] {
        ran = true;
        return 1;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    hop.close();
    ASSERT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(result.get(), std::nullopt);
    MainLoop::runFor(0.05);
    EXPECT_FALSE(ran);

    // Later callers are refused without waiting.
    std::future<std::optional<int>> later = hopFrom<int>(hop, [] { return 2; });
    ASSERT_EQ(later.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(later.get(), std::nullopt);
    EXPECT_TRUE(hop.isClosed());
}

TEST(MainThreadHop, ClosingWhileTheWorkRunsAnswersTheCallerAndLetsTheWorkFinish)
{
    MainThreadHop hop;
    bool finished = false;
    // As the PIN dialog's nested loop, in which the application quits.
    std::future<std::optional<int>> result = hopFrom<int>(hop, [&] {
        hop.close();
        finished = true;
        return 5;
    });
    ASSERT_TRUE(pumpUntil([&] { return ready(result); }, 10));
    EXPECT_TRUE(finished);
    EXPECT_EQ(result.get(), std::nullopt);
}

TEST(DevicePinModel, OkOnlyForExactlyFourDigits)
{
    const struct {
        const char* text;
        bool enabled;
        std::optional<int> value;
    } cases[] = {
        {"", false, std::nullopt},
        {"123", false, std::nullopt},
        {"12345", false, std::nullopt},
        {"12a4", false, std::nullopt},
        {"12 4", false, std::nullopt},
        {" 123", false, std::nullopt},
        {"\xD9\xA1\xD9\xA2\xD9\xA3\xD9\xA4", false, std::nullopt}, // Arabic-Indic digits are no PIN
        {"0000", true, 0},
        {"0042", true, 42},
        {"9999", true, 9999},
    };
    auto control = std::make_shared<AlertPanel::AccessoryControl>();
    std::vector<bool> states;
    control->setFirstButtonEnabled = [&](bool enabled) { states.push_back(enabled); };
    DevicePinModel model;
    model.setControl(control);
    ASSERT_EQ(states, std::vector<bool>{false}) << "disabled from the start";
    for (const auto& test : cases) {
        model.setText(test.text);
        EXPECT_EQ(model.okEnabled(), test.enabled) << test.text;
        EXPECT_EQ(states.back(), test.enabled) << test.text;
        EXPECT_EQ(model.pinValue(), test.value) << test.text;
    }
}

TEST(LinkStatusPane, WithoutALinkTheStatusIsTheErrorMessage)
{
    EXPECT_EQ(LinkStatusPane::statusText(nullptr), localized("iphone_link_status_error_message"));
    EXPECT_FALSE(localized("iphone_link_status_error_message").empty());
    EXPECT_EQ(LinkStatusPane::versionLine().rfind("Tarnwick version ", 0), 0u) << LinkStatusPane::versionLine();
}

TEST(LinkStatusPane, SaysInWordsWhenTheNameServerIsNotRunning)
{
    const std::string words = localized("iphone_link_name_server_not_running");
    ASSERT_NE(words, "iphone_link_name_server_not_running") << "the key is in the string table";
    const struct {
        int64_t nameServer;
        bool notRunning;
    } cases[] = {{-65537, true}, {-65563, true}, {0, false}, {-65545, false}, {-65540, false}};
    for (const auto& test : cases) {
        iPhoneLinkStatus status;
        status.requestCount = 2;
        status.nameServerStatus = test.nameServer;
        status.dataServerStatus = 3;
        const std::string figures = LinkStatusPane::versionLine() +
            "\nCommunication requests: 2\nName Server Status : " + std::to_string(test.nameServer) +
            "\nData Server Status : 3";
        EXPECT_EQ(LinkStatusPane::statusText(status), test.notRunning ? figures + "\n\n" + words : figures)
            << test.nameServer;
    }
}

TEST(LinkStatusPane, RemovingPairingFilesReportsWhatCouldNotGoAndStillRemovesTheRest)
{
    TempDir temp;
    const std::string folder = temp.file("docs");
    EXPECT_FALSE(LinkStatusPane::removePairingFiles(folder)) << "a folder that cannot be listed";
    fs::create_directories(folder);
    EXPECT_TRUE(LinkStatusPane::removePairingFiles(folder)) << "nothing to remove";

    for (const char* name : {"a.ss", "b.ss", "map.twkx", "notes.ss.txt", "ss"}) writeTestFile(folder + "/" + name, "x");
    EXPECT_TRUE(LinkStatusPane::removePairingFiles(folder));
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder)) left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"map.twkx", "notes.ss.txt", "ss"}));

    // Something of that name that cannot be removed as a file.
    fs::create_directories(folder + "/stuck.ss/inside");
    writeTestFile(folder + "/c.ss", "x");
    EXPECT_FALSE(LinkStatusPane::removePairingFiles(folder));
    EXPECT_FALSE(fs::exists(folder + "/c.ss"));
    EXPECT_TRUE(fs::exists(folder + "/stuck.ss/inside"));
}

} // namespace

namespace {

TEST(InstalledApplicationServices, TheLinkStartsOnceAndGoesAtItsRelease)
{
    int made = 0, released = 0;
    struct Link : DeviceLinkServices {
        explicit Link(int* released) : _released(released) {}
        ~Link() override { ++*_released; }
        int* _released;
    };
    setDeviceLinkServicesFactory([&]() -> std::unique_ptr<DeviceLinkServices> {
        ++made;
        return std::make_unique<Link>(&released);
    });
    {
        InstalledApplicationServices services;
        services.startDeviceLinkServices();
        services.startDeviceLinkServices();
        EXPECT_EQ(made, 1) << "the editor shows more than once; the link starts once";
        EXPECT_TRUE(services.hasDeviceLinkServices());
        services.releaseDeviceLinkServices();
        EXPECT_EQ(released, 1);
        services.startDeviceLinkServices();
        EXPECT_EQ(made, 1) << "never again after the quit released it";
    }
    {
        // A quit that never reached the release still ends the link with the application.
        InstalledApplicationServices services;
        services.startDeviceLinkServices();
    }
    EXPECT_EQ(released, 2);
    setDeviceLinkServicesFactory(nullptr);
    InstalledApplicationServices without;
    without.startDeviceLinkServices();
    EXPECT_FALSE(without.hasDeviceLinkServices());
}

} // namespace
