#include "LinkServerHarness.h"

#include "link/server/pairing.h"
#include "support/TempDir.h"

#include <sys/stat.h>

#include <filesystem>
#include <future>

namespace {

const std::string device_name = "Anna\xe2\x80\x99s phone";

TEST(LinkPairing, PairsByPinAndKeepsTheSecretInAPrivateFile)
{
    TempDir folder;
    running_link_server server(folder.path());
    server.services.pin = 1234;
    test_phone phone;
    phone.secret = test_phone::secret_for(1234, phone.own_challenge);
    ASSERT_EQ(phone.secret.size(), 36u);
    EXPECT_EQ(phone.secret.substr(0, 4), std::string("\x00\x00\x04\xd2", 4));

    const http_reply_seen reply =
        http_fetch(server.url("/pair"), phone.pair_call(published_challenge(server.seen->txt), 1234, b64(device_name)));
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, "OK");
    EXPECT_EQ(reply.header("fernquill-version"), "3");
    EXPECT_EQ(reply.header("fernquill-challenge").size(), 43u);
    EXPECT_TRUE(phone.take(reply)) << "the desktop proves the secret over the app's challenge";
    EXPECT_EQ(server.services.pin_devices, std::vector<std::string>{device_name});

    const std::string file = folder.file(phone.app_id + ".ss");
    EXPECT_EQ(readTestFile(file), b64(phone.secret));
    EXPECT_EQ(readTestFile(file).size(), 48u) << "no line end";
    struct stat info {};
    ASSERT_EQ(::lstat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1) << "no temporary left";

    // Only "/pair" and "/identify" name the version.
    const http_reply_seen list = http_fetch(server.url("/mindmaps/list"), phone.paired_call());
    EXPECT_EQ(list.status, 200);
    EXPECT_EQ(list.headers.count("fernquill-version"), 0u);
    EXPECT_EQ(http_fetch(server.url("/identify"), phone.paired_call()).headers.count("fernquill-version"), 1u);
}

TEST(LinkPairing, RefusesRequestsThatCouldNeverPairWithoutAskingTheUser)
{
    TempDir folder;
    running_link_server server(folder.path());
    server.services.pin = 1234;
    const std::string bonjour = published_challenge(server.seen->txt);
    struct Case {
        const char* what;
        std::string header;
        std::string value; // empty: the header is left out
    };
    for (const Case& c :
         {Case{"no device", "fernquill-device", ""}, Case{"no app id", "fernquill-app-id", ""},
          Case{"no challenge", "fernquill-challenge", ""},
          Case{"challenge not base64url", "fernquill-challenge", "!!!!"},
          Case{"challenge of 5 characters", "fernquill-challenge", "abcde"},
          Case{"app id climbing out", "fernquill-app-id", "../escape"},
          Case{"hidden app id", "fernquill-app-id", ".hidden"}, Case{"app id with a slash", "fernquill-app-id", "a/b"},
          Case{"app id too long", "fernquill-app-id", std::string(129, 'a')}}) {
        test_phone phone;
        http_call call = phone.pair_call(bonjour, 1234, "phone");
        std::erase_if(call.headers, [&](const auto& header) { return header.first == c.header; });
        if (!c.value.empty()) call.headers.emplace_back(c.header, c.value);
        const http_reply_seen reply = http_fetch(server.url("/pair"), call);
        EXPECT_EQ(reply.status, 200) << c.what;
        EXPECT_EQ(reply.body, "REJECT") << c.what;
    }
    EXPECT_TRUE(server.services.pin_devices.empty());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 0);

    test_phone longest;
    longest.app_id = std::string(128, 'a');
    EXPECT_EQ(http_fetch(server.url("/pair"), longest.pair_call(bonjour, 1234, "x")).body, "OK");
}

TEST(LinkPairing, SavesNothingWhenTheUserCancelsOrThePinIsWrong)
{
    TempDir folder;
    // Five questions in a row from one address.
    running_link_server server(folder.path(),
                               [](link_server_context& context) { context.pairing_questions_per_address = 5; });
    const std::string bonjour = published_challenge(server.seen->txt);
    struct Case {
        int pin_answer;
        uint32_t pin_typed_on_phone;
        bool authenticator;
        const char* body;
    };
    for (const Case c : {Case{-1, 1234, true, "REJECT"}, Case{-2, 1234, true, "FAIL"}, Case{4321, 1234, true, "FAIL"},
                         Case{10000, 10000, true, "FAIL"}, Case{1234, 1234, false, "FAIL"}}) {
        server.services.pin = c.pin_answer;
        test_phone phone;
        http_call call = phone.pair_call(bonjour, c.pin_typed_on_phone, "phone");
        if (!c.authenticator) call.headers.pop_back();
        const http_reply_seen reply = http_fetch(server.url("/pair"), call);
        EXPECT_EQ(reply.status, 200) << c.pin_answer;
        EXPECT_EQ(reply.body, c.body) << c.pin_answer;
        EXPECT_EQ(reply.headers.count("fernquill-version"), 0u);
        phone.secret = test_phone::secret_for(c.pin_typed_on_phone, phone.own_challenge);
        EXPECT_EQ(http_fetch(server.url("/mindmaps/list"), phone.paired_call()).status, 403) << c.pin_answer;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 0);
}

TEST(LinkPairing, AnswersAfterAPinDialogThatTookLongerThanTheTimeOut)
{
    struct slow_user final : link_server_callbacks {
        int LinkServerGetMindMapIndex(char*, size_t) override { return -1; }
        int LinkServerGetMindMapData(const char*, char*, size_t, int) override { return -1; }
        int LinkServerSaveMindMapData(const char*, const char*, const char*) override { return -1; }
        int LinkServerGetPinCode(const char*) override
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(2100));
            return 1234;
        }
    } user;
    TempDir folder;
    running_link_server server(folder.path(), user,
                               [](link_server_context& context) { context.connection_timeout_seconds = 1; });
    ASSERT_GE(link_data_server_status(*server.context), 3);
    const http_reply_seen reply =
        http_fetch(server.url("/pair"), test_phone{}.pair_call(published_challenge(server.seen->txt), 1234, "phone"));
    server.stop();
    EXPECT_TRUE(reply.ok);
    EXPECT_EQ(reply.body, "OK");
}

TEST(LinkPairing, AuthenticatesAfterARestartWithTheSecretAloneThenWithTheIssuedChallenge)
{
    TempDir folder;
    test_phone phone;
    {
        paired_fixture paired(folder.path());
        phone = paired.phone;
    }
    running_link_server server(folder.path());
    server.services.index = "<i/>";
    phone.issued.clear();
    const http_reply_seen first = http_fetch(server.url("/mindmaps/list"), phone.paired_call());
    EXPECT_EQ(first.status, 200);
    EXPECT_EQ(first.body, "<i/>\n");
    ASSERT_TRUE(phone.take(first));
    EXPECT_EQ(http_fetch(server.url("/mindmaps/list"), phone.paired_call()).status, 200);

    // The secret alone no longer passes once a challenge was issued.
    test_phone stale = phone;
    stale.issued.clear();
    EXPECT_EQ(http_fetch(server.url("/mindmaps/list"), stale.paired_call()).status, 403);
}

TEST(LinkPairing, UsesUpAChallengeBeforeTheWorkSoARequestCannotBeReplayed)
{
    TempDir folder;
    paired_fixture paired(folder.path());
    paired.server.services.data["m"] = "map";
    const http_call once = paired.phone.paired_call();
    const http_reply_seen first = http_fetch(paired.server.url("/mindmaps/m"), once);
    EXPECT_EQ(first.body, "map");
    EXPECT_EQ(http_fetch(paired.server.url("/mindmaps/m"), once).status, 403) << "the same request again";

    // A request that asks for no next challenge still uses up its own.
    paired.phone.take(first);
    http_call without_challenge = paired.phone.paired_call();
    std::erase_if(without_challenge.headers, [](const auto& header) { return header.first == "fernquill-challenge"; });
    EXPECT_EQ(http_fetch(paired.server.url("/mindmaps/list"), without_challenge).status, 500);
    EXPECT_EQ(http_fetch(paired.server.url("/mindmaps/list"), without_challenge).status, 403);
    EXPECT_EQ(paired.server.services.data_calls.size(), 1u);

    // "/identify" gives the app a fresh challenge without a valid authenticator.
    const http_reply_seen identify = http_fetch(paired.server.url("/identify"), paired.phone.paired_call());
    EXPECT_EQ(identify.status, 200);
    EXPECT_EQ(identify.body, "OK");
    EXPECT_EQ(identify.header("fernquill-version"), "3");
    ASSERT_TRUE(paired.phone.take(identify));
    EXPECT_EQ(paired.call("/mindmaps/m").body, "map");

    // An app that never paired has no secret to be answered with.
    test_phone never_paired;
    never_paired.app_id = "never.paired";
    const http_reply_seen stranger = http_fetch(paired.server.url("/identify"), never_paired.paired_call());
    EXPECT_EQ(stranger.status, 500);
    EXPECT_EQ(stranger.body, "FAIL");
}

TEST(LinkPairing, AStrangersIdentifyLeavesThePairedPhonesSessionWorking)
{
    TempDir folder;
    paired_fixture paired(folder.path());
    paired.server.services.index = "<i/>";
    struct Case {
        std::string what;
        std::function<http_call(const test_phone&)> call;
        std::string body;
    };
    const std::vector<Case> cases = {
        {"no authenticator",
         [](const test_phone& phone) {
             http_call call;
             call.headers = {{"fernquill-app-id", phone.app_id}, {"fernquill-challenge", b64(std::string(32, 's'))}};
             return call;
         },
         "OK"},
        {"a wrong authenticator",
         [](const test_phone& phone) {
             test_phone stranger = phone;
             stranger.secret = "guessed";
             stranger.own_challenge = std::string(32, 't');
             return stranger.paired_call();
         },
         "OK"},
        // Answered, this would be the authenticator of the phone's next request.
        {"the phone's issued challenge as its own",
         [](const test_phone& phone) {
             http_call call;
             call.headers = {{"fernquill-app-id", phone.app_id}, {"fernquill-challenge", b64(phone.issued)}};
             return call;
         },
         "FAIL"},
    };
    for (const Case& c : cases) {
        const http_reply_seen stranger = http_fetch(paired.server.url("/identify"), c.call(paired.phone));
        EXPECT_EQ(stranger.body, c.body) << c.what;
        if (c.body == "FAIL") {
            EXPECT_EQ(stranger.header("fernquill-authenticate"), "") << c.what;
        }
        const http_reply_seen list = paired.call("/mindmaps/list");
        EXPECT_EQ(list.status, 200) << "after a stranger's identify with " << c.what;
        EXPECT_EQ(list.body, "<i/>\n") << c.what;
    }

    // A phone that lost its challenge still gets one from "/identify", which serves one request.
    test_phone lost = paired.phone;
    lost.issued = "forgotten";
    const http_reply_seen identify = http_fetch(paired.server.url("/identify"), lost.paired_call());
    EXPECT_EQ(identify.body, "OK");
    ASSERT_TRUE(lost.take(identify));
    const http_call once = lost.paired_call();
    EXPECT_EQ(http_fetch(paired.server.url("/mindmaps/list"), once).status, 200);
    EXPECT_EQ(http_fetch(paired.server.url("/mindmaps/list"), once).status, 403) << "used up";
    EXPECT_EQ(paired.call("/mindmaps/list").status, 403) << "the older challenge went with it";
}

TEST(LinkPairing, NeverReadsOrWritesThroughALinkAtThePairingFile)
{
    TempDir folder;
    TempDir elsewhere;
    test_phone phone;
    const std::string target = elsewhere.file("target");
    // A valid pairing file reached through a link is not a pairing.
    writeTestFile(target, b64(test_phone::secret_for(1234, phone.own_challenge)));
    std::filesystem::create_symlink(target, folder.file(phone.app_id + ".ss"));
    {
        running_link_server server(folder.path());
        phone.secret = test_phone::secret_for(1234, phone.own_challenge);
        EXPECT_EQ(http_fetch(server.url("/mindmaps/list"), phone.paired_call()).status, 403);
        server.services.pin = 1234;
        writeTestFile(target, "untouched");
        EXPECT_EQ(
            http_fetch(server.url("/pair"), phone.pair_call(published_challenge(server.seen->txt), 1234, "p")).body,
            "OK");
    }
    EXPECT_EQ(readTestFile(target), "untouched");
    EXPECT_FALSE(std::filesystem::is_symlink(folder.file(phone.app_id + ".ss")));
    EXPECT_EQ(readTestFile(folder.file(phone.app_id + ".ss")), b64(phone.secret));
}

TEST(LinkPairing, KeepsThePairingInMemoryWhenItsFileCannotBeWritten)
{
    TempDir folder;
    paired_fixture paired(folder.path() + "/missing");
    EXPECT_EQ(paired.call("/mindmaps/list").status, 200);
}

TEST(LinkPairing, ClearingTheCacheOnTheServerThreadEndsPairingsWhoseFilesAreGone)
{
    TempDir folder;
    paired_fixture paired(folder.path());
    ASSERT_EQ(paired.call("/mindmaps/list").status, 200);
    std::filesystem::remove(folder.file(paired.phone.app_id + ".ss"));
    EXPECT_EQ(paired.call("/mindmaps/list").status, 200) << "still held in memory";
    link_clear_pairing_cache(*paired.server.context);
    EXPECT_TRUE(eventually([&] { return paired.call("/mindmaps/list").status == 403; }));
}

// The user at the PIN dialog: the first questions are answered at once with 1234, a later one
// waits at the dialog until the test answers it. The list of maps is "<i/>".
struct user_at_dialog final : link_server_callbacks {
    explicit user_at_dialog(int answered_at_once) : at_once(answered_at_once) {}

    const int at_once;
    std::atomic<int> questions{0};
    std::promise<void> asked;
    std::promise<int> answer;

    int LinkServerGetMindMapIndex(char* buffer, size_t size) override
    {
        std::memcpy(buffer, "<i/>", std::min<size_t>(size, 4));
        return 0;
    }
    int LinkServerGetMindMapData(const char*, char*, size_t, int) override { return -1; }
    int LinkServerSaveMindMapData(const char*, const char*, const char*) override { return -1; }
    int LinkServerGetPinCode(const char*) override
    {
        if (++questions <= at_once) return 1234;
        asked.set_value();
        return answer.get_future().get();
    }
};

TEST(LinkPairing, ClearsThePairingsWhileTheServerWaitsForThePinWithoutWaitingForIt)
{
    // The PIN dialog runs on the main thread while the server waits; the pane's clear comes from
    // that same main thread and must return at once.
    user_at_dialog user(0);
    TempDir folder;
    running_link_server server(folder.path(), user);
    ASSERT_GE(link_data_server_status(*server.context), 3);
    auto reply = std::async(std::launch::async, [&] {
        return http_fetch(server.url("/pair"),
                          test_phone{}.pair_call(published_challenge(server.seen->txt), 1234, "phone"));
    });
    user.asked.get_future().wait();
    link_clear_pairing_cache(*server.context);
    user.answer.set_value(1234);
    EXPECT_EQ(reply.get().body, "OK");
}

// The body of a reply read off a raw client, or what came when there was no whole reply.
std::string reply_body(raw_client& client)
{
    const std::string reply = client.read_reply();
    const size_t end = reply.find("\r\n\r\n");
    return end == std::string::npos ? reply : reply.substr(end + 4);
}

std::string ask_to_pair(uint16_t port, const std::string& source, const std::string& bonjour,
                        const std::string& app_id = "com.example.stranger")
{
    test_phone stranger;
    stranger.app_id = app_id;
    raw_client client(port, source);
    client.send_all(raw_head("GET", "/pair", stranger.pair_call(bonjour, 1111, "Stranger")));
    return reply_body(client);
}

TEST(LinkPairing, APairingQuestionHoldsNeitherTheServerNorTheOtherRequests)
{
    // The first question is answered at once; the second waits until the test lets it go.
    user_at_dialog user(1);
    TempDir folder;
    running_link_server server(folder.path(), user);
    ASSERT_GE(link_data_server_status(*server.context), 3);
    const uint16_t port = link_server_port(*server.context);
    const std::string url = server.url("");
    const std::string bonjour = published_challenge(server.seen->txt);
    test_phone phone;
    phone.secret = test_phone::secret_for(1234, phone.own_challenge);
    ASSERT_TRUE(phone.take(http_fetch(url + "/pair", phone.pair_call(bonjour, 1234, "phone"))));

    auto waiting = std::async(std::launch::async, [&] { return ask_to_pair(port, "127.0.0.2", bonjour); });
    user.asked.get_future().wait();
    // While the dialog is open the phone lists, identifies, and a second question is refused
    // without a second dialog.
    auto served = std::async(std::launch::async, [&] {
        const http_reply_seen list = http_fetch(url + "/mindmaps/list", phone.paired_call());
        phone.take(list);
        const http_reply_seen identify = http_fetch(url + "/identify", phone.paired_call());
        return list.body + " " + identify.body + " " + ask_to_pair(port, "127.0.0.3", bonjour, "com.example.other");
    });
    const bool in_time = served.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    user.answer.set_value(-1);
    EXPECT_TRUE(in_time) << "the phone waited for the stranger's dialog";
    EXPECT_EQ(served.get(), "<i/>\n OK REJECT");
    EXPECT_EQ(waiting.get(), "REJECT");
    EXPECT_EQ(user.questions, 2);
}

TEST(LinkPairing, AnAddressAsksOnlyAFewPairingQuestionsInARow)
{
    TempDir folder;
    running_link_server server(folder.path());
    server.services.pin = -1;
    const uint16_t port = link_server_port(*server.context);
    const std::string bonjour = published_challenge(server.seen->txt);
    for (int request = 0; request < 5; ++request)
        EXPECT_EQ(ask_to_pair(port, "127.0.0.2", bonjour), "REJECT") << request;
    EXPECT_EQ(server.services.pin_devices.size(), 3u) << "questions after the third are not asked";
    EXPECT_EQ(ask_to_pair(port, "127.0.0.3", bonjour), "REJECT");
    EXPECT_EQ(server.services.pin_devices.size(), 4u) << "another address still asks";
}

TEST(LinkPairing, ReadsTheFirstLineOfAPairingFileCutAt127Characters)
{
    const std::string secret = test_phone::secret_for(42, std::string(32, 'q'));
    struct Case {
        std::string contents;
        bool decodes;
        std::string secret;
    };
    const std::string long_line(128, 'A');
    for (const Case& c :
         {Case{b64(secret), true, secret}, Case{b64(secret) + "\r\nnext", true, secret},
          Case{b64(secret) + std::string(1, '\0') + "x", true, secret}, Case{"", false, ""}, Case{"A", false, ""},
          Case{std::string(125, 'A'), false, ""}, Case{long_line, true, unb64(std::string(127, 'A'))},
          Case{std::string(127, 'A') + "\n", true, unb64(std::string(127, 'A'))}}) {
        std::FILE* file = ::fmemopen(const_cast<char*>(c.contents.data()), c.contents.size(), "r");
        if (c.contents.empty()) file = ::fmemopen(nullptr, 1, "r");
        ASSERT_NE(file, nullptr);
        small_string read;
        EXPECT_EQ(pairing_read_secret(file, read), c.decodes) << c.contents.size();
        if (c.decodes) {
            EXPECT_EQ(std::string(read.view()), c.secret) << c.contents.size();
        }
        std::fclose(file);
    }
}

TEST(LinkPairing, ShowsDeviceNamesAsShortPlainText)
{
    struct Case {
        std::string header;
        std::string shown;
    };
    for (const Case& c : {Case{b64(device_name), device_name}, Case{"My phone", "My phone"},
                          // decodes, but not to text: taken as received
                          Case{b64("\xff\xfe"), b64("\xff\xfe")}, Case{"abcde", "abcde"},
                          Case{b64("tab\there\x1b[31m"), "tabhere[31m"}, Case{b64("c1\xc2\x85x"), "c1x"},
                          Case{"not\xffutf8", "notutf8"}, Case{b64(std::string(70, 'n')), std::string(64, 'n')},
                          Case{b64(std::string(40, 'x') + std::string(30, '\x7f')), std::string(40, 'x')},
                          Case{b64(std::string(70 * 2, '\0').replace(0, 140, 70, 'e') + ""), std::string(64, 'e')}}) {
        EXPECT_EQ(std::string(pairing_device_name(c.header).view()), c.shown) << c.header;
    }
    std::string accents;
    for (int i = 0; i < 70; ++i) accents += "\xc3\xa9";
    std::string cut;
    for (int i = 0; i < 64; ++i) cut += "\xc3\xa9";
    EXPECT_EQ(std::string(pairing_device_name(b64(accents)).view()), cut) << "characters, not bytes";
}

} // namespace
