#include "Editor/DocumentTestSupport.h"
#include "LinkClient.h"
#include "MainLoopPump.h"
#include "formats/ArchiveTestSupport.h"
#include "store/ImageTestSupport.h"
#include "store/StoreImportTestSupport.h"

#include "Editor/TwkDocumentController.h"
#include "MindMaps/CustomStyleSheet.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/TopicDepthLimit.h"
#include "formats/ZipDetection.h"
#include "link/DevicePinModel.h"
#include "link/LinkStatusPane.h"
#include "link/iPhoneLinkServices.h"
#include "platform/AlertPanel.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "store/CustomImageStore.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapStorage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>

using namespace storetest;
using namespace linktest;
namespace fs = std::filesystem;

namespace {

constexpr int Pin = 42;

// The user at the PIN dialog: types the next scripted text and presses the scripted button. Every
// other alert is dismissed and kept.
class PinTypist : public AlertPanel {
public:
    struct Typing {
        std::string text;
        int button = FirstButtonReturn;
    };

    PinTypist() { AlertPanel::setShared(this); }
    ~PinTypist() override { AlertPanel::setShared(nullptr); }

    Answer runModal(const Request& request) override
    {
        requests.push_back(request);
        if (!request.accessory) return {Dismissed, {}};
        auto* const* pin = std::any_cast<DevicePinModel*>(&request.accessory->model);
        if (!pin || typings.empty()) return {Dismissed, {}};
        Typing typing = typings.front();
        typings.pop_front();
        (*pin)->setText(typing.text);
        return {typing.button, {}};
    }

    std::deque<Typing> typings;
    std::vector<Request> requests;
};

std::string image(const std::string& hash)
{
    return "<image name=\"" + hash + "\" x=\"0\" y=\"0\"/>";
}

class LinkServicesTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        placeFile(GuidA + ".twkx", nativeDocument(GuidA, "Alpha", "<topic id=\"0\" parent=\"-1\" text=\"A\"/>"));
        placeFile(GuidB + ".twkx", nativeDocument(GuidB, "Beta", "<topic id=\"0\" parent=\"-1\" text=\"B\"/>"));
        store = start();
        controller = std::make_shared<TwkDocumentController>(scheduler, host, services);
        controller->makeSingletonDocument()->setWindow(&window);
        SetEditorInterfaceInstance(controller);
        ASSERT_TRUE(controller->openLocalMindMapOnGuid(GuidA));
    }
    void TearDown() override
    {
        link.reset();
        SetEditorInterfaceInstance(nullptr);
        controller.reset();
        StoreTest::TearDown();
    }

    void startLink()
    {
        record = std::make_shared<FakeRegistrar::Record>();
        link = std::make_unique<iPhoneLinkServices>(std::make_unique<FakeRegistrar>(record), true);
        ASSERT_NE(link->link(), nullptr);
        ASSERT_TRUE(pumpUntil([&] { return link->link()->isFunctioningNormally(); }, 10));
        port = link->link()->port();
        std::lock_guard lock(record->mutex);
        challenge = txtEntries(record->txt)["challenge"];
    }

    // The app's request runs on a thread of its own while the main loop answers the link.
    Reply serve(const std::function<Reply()>& client)
    {
        std::future<Reply> reply = std::async(std::launch::async, client);
        EXPECT_TRUE(
            pumpUntil([&] { return reply.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 30));
        return reply.get();
    }

    Reply pair(App& app, int pin = Pin, const std::string& device = "Anna's phone")
    {
        return serve([&] { return app.pair(port, pin, challenge, device); });
    }

    // The export of a map with a picture: a container.
    std::optional<MindMapData> picturesContainer()
    {
        MindMapInfoItem* pictures = importPictures("CCCCCCCCCCCCCCCCCCCCCCCC");
        EXPECT_TRUE(pictures);
        std::optional<MindMapData> container = pictures ? pictures->getMindMapExportData() : std::nullopt;
        EXPECT_TRUE(container && hasPKZIPSignature(*container));
        return container;
    }

    // The link started, and the app paired by the PIN the user types.
    void startPaired(App& app)
    {
        ASSERT_NO_FATAL_FAILURE(startLink());
        typist.typings.push_back({"0042"});
        ASSERT_EQ(pair(app).body, "OK");
    }

    // A map with a picture in the store, which makes its export a container.
    MindMapInfoItem* importPictures(const std::string& guid)
    {
        const std::string hash = CustomImageStore::localImageStore()->storeImagePngData(pngBytes(20, 20));
        EXPECT_FALSE(hash.empty());
        return store->importMindMap(
            bytesOf(nativeDocument(
                guid, "Pictures",
                "<topic id=\"0\" parent=\"-1\" text=\"P\"><children>" + image(hash) + "</children></topic>", 3, true)),
            guid);
    }

    std::string editorTitle() { return controller->singletonDocument()->mindMap()->title(); }
    std::string openId()
    {
        MindMapStorage* storage = controller->currentStorage();
        return storage ? storage->id() : std::string();
    }
    std::vector<std::string> pairingFiles() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(documents()))
            if (entry.path().extension() == ".ss") names.push_back(entry.path().filename().string());
        return names;
    }

    FakeDocumentScheduler scheduler;
    FakeDocumentWindow window;
    DocumentControllerHost host;
    ApplicationTerminationServices services;
    PinTypist typist;
    MindMapStore* store = nullptr;
    std::shared_ptr<TwkDocumentController> controller;
    std::shared_ptr<FakeRegistrar::Record> record;
    std::unique_ptr<iPhoneLinkServices> link;
    uint16_t port = 0;
    std::string challenge;
};

TEST_F(LinkServicesTest, ThePinTypedInTheDialogPairsTheAppWhichThenListsTheStore)
{
    startLink();
    EXPECT_EQ(iPhoneLinkInstance(), link->link());
    EXPECT_EQ(record->serviceType, "_tarnwick._tcp");
    typist.typings.push_back({"0042"});
    App app("com.example.app");
    const std::string device = "Anna's <b>phone</b>";
    EXPECT_EQ(pair(app, Pin, device).body, "OK");

    ASSERT_EQ(typist.requests.size(), 1u);
    // The name reaches the dialog as typed: it is text, never markup.
    EXPECT_EQ(typist.requests[0].messageText, localizedFormat(iPhoneLinkServices::PairCodeTitleKey, {device}));
    EXPECT_NE(typist.requests[0].messageText.find(device), std::string::npos);
    EXPECT_EQ(typist.requests[0].accessory->content, "TwkDevicePinView");
    EXPECT_EQ(pairingFiles(), std::vector<std::string>{"com.example.app.ss"});

    const Reply list = serve([&] { return app.get(port, "/mindmaps/list"); });
    EXPECT_EQ(list.status, 200);
    const std::optional<std::vector<uint8_t>> index = store->getFolderIndexData(true);
    ASSERT_TRUE(index);
    // The store's index ends with its line feed, which is the one the app reads after it.
    ASSERT_TRUE(textOf(*index).ends_with("\n"));
    EXPECT_EQ(list.body, textOf(*index));
    EXPECT_NE(list.body.find(GuidB), std::string::npos);
}

TEST_F(LinkServicesTest, OnlyAConfirmedFourDigitPinPairs)
{
    startLink();
    const struct {
        PinTypist::Typing typing;
        const char* outcome;
    } cases[] = {
        {{"0042", AlertPanel::FirstButtonReturn + 1}, "REJECT"}, // Cancel
        {{"0042", AlertPanel::Dismissed}, "REJECT"},             // the dialog closed
        {{"42"}, "REJECT"},                                      // OK without a PIN never pairs
        {{"1234"}, "FAIL"},                                      // the app shows another PIN
    };
    int address = 1;
    for (const auto& test : cases) {
        typist.typings.push_back(test.typing);
        // An address asks only a few questions in a row.
        App app("app-" + test.typing.text, "127.0.0." + std::to_string(++address));
        const Reply reply = pair(app);
        EXPECT_EQ(reply.body, test.outcome) << test.typing.text << " " << test.typing.button;
        EXPECT_EQ(reply.status, 200);
    }
    EXPECT_TRUE(pairingFiles().empty());
}

TEST_F(LinkServicesTest, AFetchOfTheOpenMapCarriesTheEditorsUnsavedChanges)
{
    App app("app");
    ASSERT_NO_FATAL_FAILURE(startPaired(app));
    controller->singletonDocument()->mindMap()->setCustomTitle("Edited in the editor");
    controller->singletonDocument()->updateChangeCount(MindMapDocumentOwner::ChangeKind::Done);

    window.cellEditCommits = 0;
    const Reply fetch = serve([&] { return app.get(port, "/mindmaps/" + GuidA, {"fernquill-version: 3"}); });
    EXPECT_EQ(fetch.status, 200);
    EXPECT_NE(fetch.body.find("Edited in the editor"), std::string::npos);
    EXPECT_NE(fileText(mapPath(GuidA)).find("Edited in the editor"), std::string::npos);
    EXPECT_EQ(window.cellEditCommits, 0) << "a rename being typed in the window is no answer to the phone";
}

TEST_F(LinkServicesTest, WhatAFetchAnswersDependsOnKeyAndStreamVersion)
{
    const std::string withImages = "CCCCCCCCCCCCCCCCCCCCCCCC";
    ASSERT_TRUE(importPictures(withImages));
    fs::create_directories(CustomStyleSheet::customStylesDirectory());
    const std::string stylePath = CustomStyleSheet::customStylesDirectory() + "/Phone.twkstyle";
    const std::string styleText = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<mindmap-colorscheme><general/><palette>"
                                  "<item><fill-color r=\"255\" g=\"0\" b=\"0\"/><stroke-color r=\"0\" g=\"0\" b=\"0\"/>"
                                  "</item><item><fill-color r=\"0\" g=\"0\" b=\"255\"/><stroke-color r=\"0\" g=\"0\" "
                                  "b=\"0\"/></item></palette></mindmap-colorscheme>";
    writeTestFile(stylePath, styleText);
    std::shared_ptr<StyleSheet> custom = CustomStyleSheet::customStyleImported(stylePath);
    ASSERT_TRUE(custom);

    App app("app");
    ASSERT_NO_FATAL_FAILURE(startPaired(app));

    enum class Expect { Empty, Missing, Archive, Document, Style };
    const struct {
        std::string key;
        const char* version;
        Expect expect;
    } cases[] = {
        {withImages, "3", Expect::Archive},
        {withImages, "4", Expect::Archive},
        {withImages, "2", Expect::Empty},
        {withImages, nullptr, Expect::Empty},
        {GuidB, "3", Expect::Document},
        {GuidB.substr(0, 10), "3", Expect::Missing},
        {GuidB.substr(0, 10), nullptr, Expect::Missing},
        {".twkstyle." + custom->styleKeyName(), nullptr, Expect::Style},
        {".twkstyle.system.bright-palette", "3", Expect::Empty},
        {".twkstyle.", "3", Expect::Missing},
        {".twkstyle.no-such-style", "3", Expect::Missing},
    };
    for (const auto& test : cases) {
        std::vector<std::string> headers;
        if (test.version) headers.push_back(std::string("fernquill-version: ") + test.version);
        const Reply reply = serve([&] { return app.get(port, "/mindmaps/" + test.key, headers); });
        const std::string what = test.key + " " + (test.version ? test.version : "none");
        EXPECT_EQ(reply.status, 200) << what;
        switch (test.expect) {
        case Expect::Empty:
            EXPECT_EQ(reply.body, "") << what;
            break;
        case Expect::Missing:
            EXPECT_EQ(reply.body, "<error>Stream Error: unable to read the file or file does no exist.</error>")
                << what;
            break;
        case Expect::Archive: {
            ASSERT_TRUE(isEncodedArchive(bytesOf(reply.body))) << what;
            std::optional<std::vector<uint8_t>> zip = decodeEncodedArchive(bytesOf(reply.body));
            ASSERT_TRUE(zip) << what;
            EXPECT_TRUE(hasPKZIPSignature(*zip)) << what;
            break;
        }
        case Expect::Document:
            EXPECT_EQ(reply.body, fileText(mapPath(GuidB))) << what;
            break;
        case Expect::Style:
            EXPECT_EQ(reply.body, fileText(stylePath)) << what;
            break;
        }
    }
}

TEST_F(LinkServicesTest, AnUploadOfTheOpenMapReplacesItInTheEditorAndStaysAfterTheNextCommit)
{
    App app("app");
    ASSERT_NO_FATAL_FAILURE(startPaired(app));
    controller->singletonDocument()->mindMap()->setCustomTitle("Edited in the editor");
    controller->singletonDocument()->updateChangeCount(MindMapDocumentOwner::ChangeKind::Done);

    const std::string uploaded = nativeDocument(GuidA, "Uploaded from the phone", "<topic id=\"0\" parent=\"-1\"/>");
    window.cellEditCommits = 0;
    const Reply reply = serve([&] {
        return app.get(port, "/mindmaps/upload", {},
                       {{"filename", GuidA + ".twkx"}, {"userid", "someone"}, {"twk", uploaded}});
    });
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, "<upload>\n<twk></twk>\n</upload>");
    EXPECT_EQ(openId(), GuidA);
    EXPECT_EQ(editorTitle(), "Uploaded from the phone");
    EXPECT_EQ(window.cellEditCommits, 0) << "a rename being typed in the window is no answer to the phone";
    EXPECT_TRUE(controller->commitEditor());
    EXPECT_EQ(window.cellEditCommits, 1) << "where a save the user asks for takes it";
    EXPECT_NE(fileText(mapPath(GuidA)).find("Uploaded from the phone"), std::string::npos);
    EXPECT_EQ(fileText(mapPath(GuidA)).find("Edited in the editor"), std::string::npos);
}

TEST_F(LinkServicesTest, AnUploadedMapIsImportedAndOpenedAndGarbageIsRefused)
{
    const std::optional<MindMapData> container = picturesContainer();
    ASSERT_TRUE(container);
    App app("app");
    ASSERT_NO_FATAL_FAILURE(startPaired(app));

    // The zip container travels as text, and lands under the name the app gave.
    const std::string guid = "DDDDDDDDDDDDDDDDDDDDDDDD";
    const Reply zipped = serve([&] {
        return app.get(port, "/mindmaps/upload", {},
                       {{"filename", guid + ".twkx"}, {"twk", textOf(encodeAsArchive(*container))}});
    });
    EXPECT_EQ(zipped.status, 200);
    EXPECT_EQ(zipped.body, "<upload>\n<twk></twk>\n</upload>");
    ASSERT_NE(store->mindMapByGuid(guid), nullptr);
    EXPECT_TRUE(store->mindMapByGuid(guid)->containsImages());
    EXPECT_EQ(openId(), guid);
    EXPECT_EQ(editorTitle(), "Pictures");

    for (const std::string& garbage : {std::string("not a map"), std::string("PK--"), std::string("PK--!!!!")}) {
        const Reply reply = serve([&] {
            return app.get(port, "/mindmaps/upload", {}, {{"filename", "x.twkx"}, {"twk", garbage}});
        });
        EXPECT_EQ(reply.status, 500) << garbage;
        EXPECT_EQ(reply.body, "<upload>\n<twk></twk>\n</upload>") << garbage;
        EXPECT_EQ(openId(), guid) << garbage;
    }
    EXPECT_EQ(store->mindMapByGuid("x"), nullptr);
}

// Topics one level past the depth limit: each the only child of the one before.
std::string nestedOutline(size_t levels)
{
    std::string text = "<?xml version=\"1.0\"?><opml version=\"2.0\"><body>";
    for (size_t i = 0; i < levels; ++i) text += "<outline text=\"t\">";
    for (size_t i = 0; i < levels; ++i) text += "</outline>";
    return text + "</body></opml>";
}

TEST_F(LinkServicesTest, AnUploadThatDoesNotReadIsRefusedWithoutTheMainThread)
{
    const std::optional<MindMapData> container = picturesContainer();
    ASSERT_TRUE(container);
    App app("app");
    ASSERT_NO_FATAL_FAILURE(startPaired(app));
    // Its entries declared larger than any may unpack to.
    Bytes huge = *container;
    ArchiveTest::setDirectorySizes(huge, 600u << 20);

    const struct {
        const char* what;
        std::string map;
    } cases[] = {
        {"no map at all", "not a map"},
        {"a container that does not decode", "PK--!!!!"},
        {"a document of another kind", "<?xml version=\"1.0\"?><html><body/></html>"},
        {"a container past the limits of every import", textOf(encodeAsArchive(huge))},
        {"an outline nested past the depth limit", nestedOutline(TopicDepthLimit::MaximumLevels + 1)},
        {"a container of a map nested past the depth limit",
         textOf(encodeAsArchive(
             containerOf(bytesOf(nativeDocument(GuidB, "Deep", topicChain(TopicDepthLimit::MaximumLevels + 1))))))},
    };
    for (const auto& test : cases) {
        // The main loop does not run meanwhile: only an answer found off the main thread comes.
        std::future<Reply> reply = std::async(std::launch::async, [&] {
            return app.get(port, "/mindmaps/upload", {}, {{"filename", "x.twkx"}, {"twk", test.map}});
        });
        const bool answered = reply.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
        EXPECT_TRUE(answered) << test.what << ": the upload waited for the main thread";
        if (!answered)
            pumpUntil([&] { return reply.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 90);
        const Reply refused = reply.get();
        EXPECT_EQ(refused.status, 500) << test.what;
        EXPECT_EQ(refused.body, "<upload>\n<twk></twk>\n</upload>") << test.what;
    }
    EXPECT_EQ(store->mindMapByGuid("x"), nullptr);
    EXPECT_EQ(openId(), GuidA) << "the editor keeps its map";
}

TEST_F(LinkServicesTest, ClearingThePairingsForbidsThePairedAppUntilItPairsAgain)
{
    App app("app");
    ASSERT_NO_FATAL_FAILURE(startPaired(app));
    writeTestFile(documents() + "/other.ss", "x");

    EXPECT_TRUE(LinkStatusPane::clearDeviceParingInformation());
    ASSERT_EQ(typist.requests.size(), 2u);
    EXPECT_EQ(typist.requests[1].messageText, localized("iphone_link_clear_success_title"));
    EXPECT_EQ(typist.requests[1].informativeText, localized("iphone_link_clear_success_message"));
    EXPECT_TRUE(pairingFiles().empty());
    EXPECT_TRUE(fs::exists(mapPath(GuidA))) << "only pairing files go";

    const Reply list = serve([&] { return app.get(port, "/mindmaps/list"); });
    EXPECT_EQ(list.status, 403);
}

TEST_F(LinkServicesTest, AfterARestartThePairingHoldsAndEachChallengeServesOneRequest)
{
    App app("app");
    ASSERT_NO_FATAL_FAILURE(startPaired(app));
    link.reset();
    EXPECT_EQ(iPhoneLinkInstance(), nullptr);

    startLink();
    app.forgetChallenge();
    EXPECT_EQ(serve([&] { return app.get(port, "/mindmaps/list"); }).status, 200);
    EXPECT_EQ(serve([&] { return app.get(port, "/mindmaps/list"); }).status, 200);
    // A request signed with a challenge already used is a replay.
    app.forgetChallenge();
    EXPECT_EQ(serve([&] { return app.get(port, "/mindmaps/list"); }).status, 403);
    EXPECT_EQ(typist.requests.size(), 1u) << "no second dialog";
}

TEST_F(LinkServicesTest, StoppingAnswersARequestThatWaitsForTheMainThread)
{
    startLink();
    typist.typings.push_back({"0042"});
    App app("app");
    // The main thread does not run its loop: the pairing waits there until the link stops.
    std::future<Reply> waiting = std::async(std::launch::async, [&] { return app.pair(port, Pin, challenge, "x"); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    const auto requests = [&] {
        iPhoneLinkStatus status;
        link->link()->getIPhoneLinkStatusDetails(&status);
        return status.requestCount;
    };
    while (requests() < 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    link.reset();
    EXPECT_EQ(waiting.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    MainLoop::runFor(0.05);
    EXPECT_TRUE(typist.requests.empty()) << "no dialog after the link went";
    EXPECT_TRUE(pairingFiles().empty());
}

} // namespace

namespace {

TEST_F(LinkServicesTest, TheStatusTextCountsRequestsAndShowsBothServers)
{
    App app("app");
    ASSERT_NO_FATAL_FAILURE(startPaired(app));
    serve([&] { return app.get(port, "/mindmaps/list"); });
    serve([&] { return App("stranger").get(port, "/mindmaps/list"); });
    // The data server waits for the next request inside a pass of its loop (3) or is between two
    // passes (4); the name server answered 0.
    const std::string text = LinkStatusPane::statusText(link->link());
    const std::string head = LinkStatusPane::versionLine() + "\nCommunication requests: 3\nName Server Status : 0\n";
    EXPECT_TRUE(text == head + "Data Server Status : 3" || text == head + "Data Server Status : 4") << text;
}

} // namespace

namespace {

TEST_F(LinkServicesTest, AClearThatCannotRemoveEveryFileSaysSoAndStillForgetsThePairings)
{
    App app("app");
    ASSERT_NO_FATAL_FAILURE(startPaired(app));
    fs::create_directories(documents() + "/stuck.ss/inside");

    EXPECT_FALSE(LinkStatusPane::clearDeviceParingInformation());
    ASSERT_EQ(typist.requests.size(), 2u);
    EXPECT_EQ(typist.requests[1].messageText, localized("error_caption"));
    EXPECT_EQ(typist.requests[1].informativeText, localized("iphone_link_clear_error_message"));
    EXPECT_FALSE(fs::exists(documents() + "/app.ss")) << "the other files still go";
    EXPECT_EQ(serve([&] { return app.get(port, "/mindmaps/list"); }).status, 403) << "the pairings in memory are gone";
}

} // namespace
