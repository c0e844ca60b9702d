#include "platform/HttpEngine.h"
#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "support/LoopbackHttpServer.h"
#include "support/ManualScheduler.h"
#include "support/ScopedFileSizeLimit.h"
#include "support/TempDir.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <mutex>
#include <numeric>
#include <optional>

namespace {

// Runs the main loop until the request has completed; nullopt when it did not within 10 s.
std::optional<HttpResponse> fetch(HttpEngine& engine, HttpRequest request)
{
    std::optional<HttpResponse> result;
    HttpRequestHandle handle =
        engine.start(std::move(request), [&](HttpResponse response) { result = std::move(response); });
    MainLoop::runUntil([&] { return result.has_value(); }, 10);
    return result;
}

HttpRequest get(const std::string& url)
{
    HttpRequest request;
    request.url = url;
    return request;
}

// A port on which nobody listens.
int closedPort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    socklen_t length = sizeof(address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

} // namespace

TEST(HttpEngineTest, AnswersStatusHeadersAndBodyFromTheMainLoopOnly)
{
    LoopbackHttpServer server([](const LoopbackRequest& request) {
        LoopbackReply reply = LoopbackReply::json(201, "{\"echo\":\"" + request.body + "\"}");
        reply.headers.emplace_back("X-Seen-Method", request.method);
        reply.headers.emplace_back("X-Seen-Header", request.header("X-Custom"));
        return reply;
    });
    HttpEngine engine;
    HttpRequest request = get(server.baseUrl() + "/echo?x=1");
    request.method = "POST";
    request.body = "payload";
    request.headers = {{"X-Custom", "café"}};
    bool completed = false;
    HttpResponse response;
    HttpRequestHandle handle = engine.start(request, [&](HttpResponse answer) {
        completed = true;
        response = std::move(answer);
    });
    EXPECT_FALSE(completed) << "the completion must never run inside start";
    ASSERT_TRUE(MainLoop::runUntil([&] { return completed; }, 10));

    EXPECT_FALSE(handle.isPending());
    EXPECT_EQ(response.status, 201);
    EXPECT_EQ(response.body, "{\"echo\":\"payload\"}");
    EXPECT_EQ(response.header("x-seen-method"), "POST");
    EXPECT_EQ(response.header("X-SEEN-HEADER"), "café");
    EXPECT_EQ(response.header("Content-Type"), "application/json");
    ASSERT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(server.requests()[0].path, "/echo");
    EXPECT_EQ(server.requests()[0].query, "x=1");
    EXPECT_FALSE(server.requests()[0].hasHeader("Expect"));
}

TEST(HttpEngineTest, RetriesOnlyWhatTheServerDidNotProcessAtMostThreeTimes)
{
    struct Case {
        std::vector<int> statuses;
        int expectedStatus;
        size_t expectedRequests;
    };
    const std::vector<Case> cases = {
        {{429, 200}, 200, 2}, {{503, 429, 200}, 200, 3}, {{503, 503, 503, 503, 200}, 503, 4},
        {{500, 200}, 500, 1}, {{409, 200}, 409, 1},      {{401, 200}, 401, 1},
    };
    for (const Case& testCase : cases) {
        std::atomic<size_t> served{0};
        LoopbackHttpServer server([&](const LoopbackRequest&) {
            size_t index = std::min(served++, testCase.statuses.size() - 1);
            LoopbackReply reply = LoopbackReply::text(testCase.statuses[index], "answer " + std::to_string(index));
            reply.headers.emplace_back("Retry-After", "0");
            return reply;
        });
        HttpEngine engine;
        auto response = fetch(engine, get(server.baseUrl() + "/"));
        ASSERT_TRUE(response);
        EXPECT_EQ(response->status, testCase.expectedStatus) << testCase.statuses[0];
        EXPECT_EQ(server.requestCount(), testCase.expectedRequests) << testCase.statuses[0];
        EXPECT_EQ(engine.activeCount(), 0u);
    }
}

TEST(HttpEngineTest, WaitsForRetryAfterButNoLongerThanTheCap)
{
    LoopbackHttpServer server([](const LoopbackRequest&) {
        LoopbackReply reply = LoopbackReply::text(429, "slow down");
        reply.headers.emplace_back("Retry-After", "86400");
        return reply;
    });
    HttpEngine engine;
    HttpRequest request = get(server.baseUrl() + "/");
    request.maxRetries = 2;
    request.maxRetryDelaySeconds = 0.05;
    auto response = fetch(engine, request);
    ASSERT_TRUE(response) << "a day's Retry-After was not capped";
    EXPECT_EQ(response->status, 429);
    EXPECT_EQ(server.requestCount(), 3u);
}

TEST(HttpEngineTest, ACancelledOrDestroyedRequestNeverCallsBack)
{
    LoopbackHttpServer server([](const LoopbackRequest&) {
        LoopbackReply reply = LoopbackReply::text(200, "late");
        reply.delaySeconds = 0.2;
        return reply;
    });
    int calls = 0;
    {
        HttpEngine engine;
        HttpRequestHandle cancelled = engine.start(get(server.baseUrl() + "/a"), [&](HttpResponse r) {
            ++calls;
            ADD_FAILURE() << r.body << r.errorText;
        });
        std::optional<HttpRequestHandle> destroyed(engine.start(get(server.baseUrl() + "/b"), [&](HttpResponse r) {
            ++calls;
            ADD_FAILURE() << r.body << r.errorText;
        }));
        // A refusal is delivered at the next iteration; cancelled before, it is never heard of.
        HttpRequestHandle refused = engine.start(get("http://example.invalid/"), [&](HttpResponse r) {
            ++calls;
            ADD_FAILURE() << r.body << r.errorText;
        });
        refused.cancel();
        // The server's log changes on its own thread: a beat wakes the loop to look at it.
        auto beat = Timer::scheduledTimer(0.005, true, [] {});
        MainLoop::runUntil([&] { return server.requestCount() == 2; }, 5);
        cancelled.cancel();
        destroyed.reset();
        EXPECT_FALSE(cancelled.isPending());
        EXPECT_EQ(engine.activeCount(), 0u);
        MainLoop::runFor(0.3);

        // An engine that goes away with requests in flight drops them silently.
        HttpRequestHandle orphan = engine.start(get(server.baseUrl() + "/c"), [&](HttpResponse r) {
            ++calls;
            ADD_FAILURE() << r.body << r.errorText;
        });
    }
    MainLoop::runFor(0.3);
    EXPECT_EQ(calls, 0);
}

TEST(HttpEngineTest, AResponseMayCancelOrStartOtherRequests)
{
    LoopbackHttpServer server([](const LoopbackRequest& request) { return LoopbackReply::text(200, request.path); });
    HttpEngine engine;
    std::vector<std::string> bodies;
    HttpRequestHandle second;
    HttpRequestHandle third;
    HttpRequestHandle first = engine.start(get(server.baseUrl() + "/first"), [&](HttpResponse response) {
        bodies.push_back(response.body);
        second.cancel();
        third = engine.start(get(server.baseUrl() + "/third"), [&](HttpResponse next) { bodies.push_back(next.body); });
    });
    second = engine.start(get(server.baseUrl() + "/second"),
                          [&](HttpResponse response) { bodies.push_back(response.body); });
    MainLoop::runUntil([&] { return bodies.size() >= 2 || (bodies.size() == 1 && bodies[0] == "/second"); }, 10);
    MainLoop::runFor(0.1);
    ASSERT_FALSE(bodies.empty());
    if (bodies[0] == "/first") {
        EXPECT_EQ(bodies, (std::vector<std::string>{"/first", "/third"}));
    } else {
        // The second finished first; the first still runs its completion.
        MainLoop::runUntil([&] { return bodies.size() == 3; }, 10);
        EXPECT_EQ(bodies, (std::vector<std::string>{"/second", "/first", "/third"}));
    }
}

TEST(HttpEngineTest, ClassifiesTransportFailures)
{
    LoopbackHttpServer server([](const LoopbackRequest&) {
        LoopbackReply reply;
        reply.hang = true;
        return reply;
    });
    HttpEngine engine;

    auto offline = fetch(engine, get("http://127.0.0.1:" + std::to_string(closedPort()) + "/"));
    ASSERT_TRUE(offline);
    EXPECT_EQ(offline->error, HttpTransportError::Offline) << offline->errorText;
    EXPECT_EQ(offline->status, 0);
    EXPECT_FALSE(offline->errorText.empty());

    HttpRequest whole = get(server.baseUrl() + "/hang");
    whole.timeoutSeconds = 0.3;
    auto timedOut = fetch(engine, whole);
    ASSERT_TRUE(timedOut);
    EXPECT_EQ(timedOut->error, HttpTransportError::TimedOut) << timedOut->errorText;

    HttpRequest stalled = get(server.baseUrl() + "/hang");
    stalled.lowSpeedSeconds = 1;
    auto slow = fetch(engine, stalled);
    ASSERT_TRUE(slow) << "a stalled connection hung past the low-speed limit";
    EXPECT_EQ(slow->error, HttpTransportError::TimedOut) << slow->errorText;
}

TEST(HttpEngineTest, RefusesPlainHttpBeyondThisMachineAndOtherSchemes)
{
    const std::vector<std::pair<std::string, bool>> cases = {
        {"https://api.example.org/2/files/list_folder", true},
        {"http://127.0.0.1:8080/x", true},
        {"http://127.1.2.3/x", true},
        {"http://[::1]:9/x", true},
        {"http://LOCALHOST:9/x", true},
        {"http://example.org/x", false},
        {"http://localhost.example.org/x", false},
        {"http://127.0.0.1.example.org/x", false},
        {"http://10.0.0.1/x", false},
        {"ftp://127.0.0.1/x", false},
        {"file:///etc/passwd", false},
        {"not a url", false},
        {"", false},
    };
    for (const auto& [url, allowed] : cases) EXPECT_EQ(HttpEngine::isAllowedUrl(url), allowed) << url;

    HttpEngine engine;
    auto refused = fetch(engine, get("http://example.org/x"));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->error, HttpTransportError::Other);
    EXPECT_NE(refused->errorText.find("unsafe"), std::string::npos);
}

TEST(HttpEngineTest, DownloadsReplaceTheFileOnlyWithACompleteSuccessfulBody)
{
    LoopbackHttpServer server([](const LoopbackRequest& request) {
        if (request.path == "/missing") return LoopbackReply::json(409, "{\"error_summary\":\"path/not_found/\"}");
        if (request.path == "/empty") return LoopbackReply::text(200, "");
        return LoopbackReply::text(200, std::string(100000, 'x'));
    });
    TempDir folder;
    HttpEngine engine;
    const std::string target = folder.file("map.twkx");

    struct Case {
        std::string path;
        long status;
        std::string fileContents;
        bool bodyInResponse;
    };
    const std::vector<Case> cases = {
        {"/missing", 409, "old contents", true},
        {"/file", 200, std::string(100000, 'x'), false},
        {"/empty", 200, "", false},
    };
    for (const Case& testCase : cases) {
        writeTestFile(target, "old contents");
        HttpRequest request = get(server.baseUrl() + testCase.path);
        request.downloadPath = target;
        auto response = fetch(engine, request);
        ASSERT_TRUE(response);
        EXPECT_EQ(response->status, testCase.status) << testCase.path;
        EXPECT_EQ(readTestFile(target), testCase.fileContents) << testCase.path;
        EXPECT_EQ(!response->body.empty(), testCase.bodyInResponse) << testCase.path;
        EXPECT_EQ(response->downloadedPath, testCase.status == 200 ? target : "") << testCase.path;
    }
    // No partial file stays behind.
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1u);

    HttpRequest unwritable = get(server.baseUrl() + "/file");
    unwritable.downloadPath = folder.file("no/such/folder/map.twkx");
    auto failed = fetch(engine, unwritable);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->error, HttpTransportError::Other);
    EXPECT_TRUE(failed->downloadedPath.empty());
}

// The download goes into a hidden file first: the user reads of the file they know, and why.
TEST(HttpEngineTest, ADownloadThatCannotBeWrittenIsSaidByItsNameAndCause)
{
    LoopbackHttpServer server(
        [](const LoopbackRequest&) { return LoopbackReply::text(200, std::string(100000, 'x')); });
    TempDir folder;
    HttpEngine engine;
    struct Case {
        const char* name;
        std::string downloadPath;
        std::string downloadName;
        std::optional<rlim_t> sizeLimit;
        std::string said;
    };
    const std::vector<Case> cases = {
        {"the disk takes no more", folder.file(".4f2a.download"), "Plan.twkx", 64 * 1024,
         "“Plan.twkx” could not be written: " + localized("file_write_too_large") + "."},
        {"no folder to write in", folder.file("gone/map.twkx"), "", std::nullopt,
         "“map.twkx” could not be written: " + std::string(g_strerror(ENOENT)) + "."},
    };
    for (const Case& c : cases) {
        HttpRequest request = get(server.baseUrl() + "/file");
        request.downloadPath = c.downloadPath;
        request.downloadName = c.downloadName;
        std::optional<HttpResponse> response;
        {
            std::optional<ScopedFileSizeLimit> full;
            if (c.sizeLimit) full.emplace(*c.sizeLimit);
            response = fetch(engine, request);
        }
        ASSERT_TRUE(response) << c.name;
        EXPECT_EQ(response->error, HttpTransportError::Other) << c.name;
        EXPECT_EQ(response->errorText, c.said) << c.name;
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder.path())) << "no partial file stays behind";
    // A full disk or quota is said as such; this system cannot fill one for a test.
    EXPECT_EQ(HttpEngine::fileWriteFailureText("Plan.twkx", ENOSPC),
              "“Plan.twkx” could not be written: " + localized("file_write_disk_full") + ".");
    EXPECT_EQ(HttpEngine::fileWriteFailureText("Plan.twkx", EDQUOT),
              "“Plan.twkx” could not be written: " + localized("file_write_quota_used_up") + ".");
}

TEST(HttpEngineTest, RunsManyRequestsSideBySide)
{
    LoopbackHttpServer server([](const LoopbackRequest& request) {
        LoopbackReply reply = LoopbackReply::text(200, request.path);
        reply.delaySeconds = 0.2;
        return reply;
    });
    HttpEngine engine;
    std::vector<HttpRequestHandle> handles;
    std::vector<std::string> bodies;
    for (int i = 0; i < 30; ++i) {
        handles.push_back(engine.start(get(server.baseUrl() + "/" + std::to_string(i)),
                                       [&](HttpResponse response) { bodies.push_back(response.body); }));
    }
    EXPECT_EQ(engine.activeCount(), 30u);
    ASSERT_TRUE(MainLoop::runUntil([&] { return bodies.size() == 30; }, 20));
    std::sort(bodies.begin(), bodies.end());
    EXPECT_EQ(std::unique(bodies.begin(), bodies.end()), bodies.end());
    EXPECT_EQ(engine.activeCount(), 0u);
}

TEST(HttpEngineTest, RefusesAPeerWhoseCertificateCannotBeVerified)
{
    LoopbackHttpServer server([](const LoopbackRequest&) { return LoopbackReply::text(200, "secret answer"); },
                              LoopbackHttpServer::Transport::SelfSignedTls);
    ASSERT_EQ(server.baseUrl().rfind("https://", 0), 0u);
    HttpEngine engine;
    auto response = fetch(engine, get(server.baseUrl() + "/"));
    ASSERT_TRUE(response);
    EXPECT_EQ(response->error, HttpTransportError::Other) << response->errorText;
    EXPECT_TRUE(response->body.empty());
    EXPECT_EQ(server.requestCount(), 0u) << "no request may reach a peer that was not verified";
}

namespace {

// An answer of the server in a retry table: a status and its "Retry-After", if any.
struct Answer {
    int status;
    std::string retryAfter;
    std::string body = "answer";
};

// The request and its retries as the engine runs them on a scheduler the test drives: every wait
// the engine asks for is taken down, then let pass at once.
struct RetryRun {
    std::optional<HttpResponse> response;
    std::vector<double> waits;
    size_t requests = 0;
};

RetryRun runWithRetries(const std::vector<Answer>& answers, HttpRequest request)
{
    std::atomic<size_t> served{0};
    LoopbackHttpServer server([&](const LoopbackRequest&) {
        const Answer& answer = answers[std::min(served++, answers.size() - 1)];
        LoopbackReply reply = LoopbackReply::text(answer.status, answer.body);
        if (!answer.retryAfter.empty()) reply.headers.emplace_back("Retry-After", answer.retryAfter);
        return reply;
    });
    FakeClock clock;
    ManualScheduler scheduler(clock);
    HttpEngine engine({&scheduler, [] { return 0.5; }});
    request.url = server.baseUrl() + "/";
    RetryRun run;
    HttpRequestHandle handle =
        engine.start(std::move(request), [&](HttpResponse response) { run.response = std::move(response); });
    while (MainLoop::runUntil([&] { return run.response || scheduler.nextWakeTime(); }, 10) && !run.response) {
        const double wait = *scheduler.nextWakeTime() - clock.now();
        run.waits.push_back(wait);
        scheduler.advance(wait);
    }
    run.requests = server.requestCount();
    return run;
}

} // namespace

TEST(HttpEngineTest, ServerErrorsAreRetriedWithABackOffOnlyForRequestsThatMayRunTwice)
{
    struct Case {
        const char* name;
        std::vector<Answer> answers;
        bool mayRunTwice;
        long status;
        std::vector<double> waits;
        int maxRetries = 3;
        double maxRetryWait = 120;
        // The service names its own passing fault: a rate limit worded as a 403.
        bool rateLimit403 = false;
    };
    // The random half of each back-off is 0.5 here: a wait is three quarters of its step.
    const std::vector<Case> cases = {
        {"500 then success", {{500, ""}, {200, ""}}, true, 200, {0.75}},
        {"502, 504, 500 doubling", {{502, ""}, {504, ""}, {500, ""}, {200, ""}}, true, 200, {0.75, 1.5, 3}},
        {"given up after three retries", {{500, ""}}, true, 500, {0.75, 1.5, 3}},
        {"given up once the waits would pass their time", {{500, ""}}, true, 500, {0.75, 1.5}, 10, 5},
        {"500 for a request that may not run twice", {{500, ""}, {200, ""}}, false, 500, {}},
        {"503 did no work: always retried", {{503, ""}, {200, ""}}, false, 200, {0.75}},
        {"429 with Retry-After", {{429, "7"}, {200, ""}}, false, 200, {7}},
        {"Retry-After of a day, capped", {{503, "86400"}, {200, ""}}, false, 200, {60}},
        {"Retry-After that is not a number", {{503, "soon"}, {200, ""}}, false, 200, {0.75}},
        {"a date long past", {{503, "Sun, 06 Nov 1994 08:49:37 GMT"}, {200, ""}}, true, 200, {0}},
        {"401 is never retried", {{401, ""}, {200, ""}}, true, 401, {}},
        {"501 is not a passing fault", {{501, ""}, {200, ""}}, true, 501, {}},
        {"a rate limit the service names",
         {{403, "", "rateLimitExceeded"}, {200, ""}},
         false,
         200,
         {0.75},
         3,
         120,
         true},
        {"any other 403", {{403, "", "forbidden"}, {200, ""}}, false, 403, {}, 3, 120, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HttpRequest request;
        request.retryServerErrors = c.mayRunTwice;
        request.maxRetries = c.maxRetries;
        request.maxRetryWaitSeconds = c.maxRetryWait;
        if (c.rateLimit403) {
            request.retryWhen = [](const HttpResponse& answer) {
                return answer.status == 403 && answer.body.find("rateLimitExceeded") != std::string::npos;
            };
        }
        const RetryRun run = runWithRetries(c.answers, request);
        ASSERT_TRUE(run.response);
        EXPECT_EQ(run.response->status, c.status);
        EXPECT_EQ(run.waits, c.waits);
        EXPECT_EQ(run.requests, c.waits.size() + 1);
        EXPECT_EQ(run.response->retries, int(c.waits.size()));
        EXPECT_DOUBLE_EQ(run.response->retryWaitSeconds, std::accumulate(c.waits.begin(), c.waits.end(), 0.0));
    }
}

TEST(HttpEngineTest, RetryWaitsFollowRetryAfterOrADoublingBackOffWithJitter)
{
    HttpRequest request;
    request.firstRetryDelaySeconds = 2;
    request.maxRetryDelaySeconds = 20;
    HttpResponse plain;
    for (int attempt = 0; attempt < 6; ++attempt) {
        const double step = std::min(20.0, 2.0 * (1 << attempt));
        EXPECT_DOUBLE_EQ(HttpEngine::retryDelay(request, plain, attempt, 0.0, 0), step / 2) << attempt;
        EXPECT_DOUBLE_EQ(HttpEngine::retryDelay(request, plain, attempt, 0.999999, 0), step * (0.5 + 0.4999995))
            << attempt;
    }
    const double now = 784111777; // Sun, 06 Nov 1994 08:49:37 GMT
    const std::vector<std::pair<std::string, std::optional<double>>> values = {
        {"0", 0.0},
        {"120", 120.0},
        {"99999999999", 1e9},
        {"Sun, 06 Nov 1994 08:50:07 GMT", 30.0},
        {"Sun, 06 Nov 1994 08:49:00 GMT", 0.0},
        {"Sun, 06 Foo 1994 08:49:00 GMT", std::nullopt},
        {"Sun, 06 Nov 1994 08:49:00 CET", std::nullopt},
        {"Sunday, 06-Nov-94 08:49:37 GMT", std::nullopt},
        {"-5", std::nullopt},
        {"1.5", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [value, seconds] : values) EXPECT_EQ(HttpEngine::retryAfterSeconds(value, now), seconds) << value;
}

TEST(HttpEngineTest, ARequestCancelledWhileWaitingToRetryIsNeverSentAgain)
{
    std::atomic<size_t> served{0};
    LoopbackHttpServer server([&](const LoopbackRequest&) {
        ++served;
        return LoopbackReply::text(500, "down");
    });
    FakeClock clock;
    ManualScheduler scheduler(clock);
    HttpEngine engine({&scheduler, [] { return 0.5; }});
    HttpRequest request = get(server.baseUrl() + "/");
    request.retryServerErrors = true;
    bool called = false;
    HttpRequestHandle handle = engine.start(request, [&](HttpResponse) { called = true; });
    ASSERT_TRUE(MainLoop::runUntil([&] { return scheduler.nextWakeTime().has_value(); }, 10));
    EXPECT_EQ(engine.activeCount(), 1u);
    handle.cancel();
    EXPECT_EQ(engine.activeCount(), 0u);
    EXPECT_FALSE(scheduler.nextWakeTime().has_value()) << "the wait went with the request";
    scheduler.advance(100);
    EXPECT_EQ(engine.activeCount(), 0u);
    EXPECT_EQ(served, 1u);
    EXPECT_FALSE(called);
}

// However the server sends it (with a length, a false one, in chunks, until the connection ends,
// without end), an answer is taken up to its bound only: past it the transfer stops there, the
// request fails as too large, a download's file stays as it was, and the next answer is taken.
TEST(HttpEngineTest, AnAnswerPastItsBoundIsStoppedThereWhateverItAnnounced)
{
    constexpr uint64_t Bound = HttpRequest::DefaultMaxBodyBytes, FileBound = 100000, Endless = LoopbackReply::Endless;
    auto streamed = [](int status, uint64_t length, HttpHeaders headers = {}, bool chunked = true) {
        LoopbackReply reply = LoopbackReply::streamed(status, "", length);
        reply.headers.insert(reply.headers.end(), headers.begin(), headers.end());
        reply.chunked = chunked;
        return reply;
    };
    HttpHeaders padding;
    for (uint64_t bytes = 0; bytes <= HttpEngine::MaxHeaderBytes; bytes += 8192)
        padding.emplace_back("X-Padding-" + std::to_string(bytes), std::string(8192, 'h'));
    struct Case {
        const char* name;
        LoopbackReply reply;
        bool download;
        bool refused;
    };
    const std::vector<Case> cases = {
        {"without end, in chunks", streamed(200, Endless), false, true},
        {"without end, a false length", streamed(200, Endless, {{"Content-Length", "1099511627776"}}), false, true},
        {"without end, until the connection ends", streamed(200, Endless, {}, false), false, true},
        {"one byte past the bound", streamed(200, Bound + 1), false, true},
        {"up to the bound", streamed(200, Bound), false, false},
        {"header lines past their bound", streamed(200, 1, padding), false, true},
        {"a download without end", streamed(200, Endless), true, true},
        {"a download up to its bound", streamed(200, FileBound), true, false},
        {"a download past what its answer announced", streamed(200, 5001, {{"X-Length", "5000"}}), true, true},
        {"a download's refusal without end", streamed(409, Endless), true, true},
    };
    std::mutex mutex;
    const Case* current = nullptr;
    LoopbackHttpServer server([&](const LoopbackRequest& request) {
        std::lock_guard lock(mutex);
        return request.path == "/next" ? LoopbackReply::text(200, "next") : current->reply;
    });
    TempDir folder;
    HttpEngine engine;
    const std::string target = folder.file("map.twkx");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            std::lock_guard lock(mutex);
            current = &c;
        }
        writeTestFile(target, "old contents");
        const uint64_t writtenBefore = server.streamedBytes();
        const size_t cutBefore = server.streamsCut();
        HttpRequest request = get(server.baseUrl() + "/answer");
        if (c.download) {
            request.downloadPath = target;
            request.maxDownloadBytes = FileBound;
            request.announcedDownloadBytes = [](const HttpResponse& answer) -> std::optional<uint64_t> {
                if (answer.header("X-Length").empty()) return std::nullopt;
                return std::stoull(answer.header("X-Length"));
            };
        }
        const std::optional<HttpResponse> response = fetch(engine, request);
        ASSERT_TRUE(response) << "the answer was read on and on";
        EXPECT_EQ(response->error, c.refused ? HttpTransportError::TooLarge : HttpTransportError::None);
        const bool file = c.download && c.reply.status == 200;
        if (c.refused) {
            EXPECT_EQ(response->errorText.rfind(file ? "“map.twkx” was not downloaded" : "The server's answer", 0), 0u);
            EXPECT_EQ(readTestFile(target), "old contents");
        } else {
            EXPECT_EQ(file ? readTestFile(target).size() : response->body.size(), *c.reply.streamedBytes);
        }
        if (c.reply.streamedBytes == Endless) {
            EXPECT_TRUE(MainLoop::runUntil([&] { return server.streamsCut() > cutBefore; }, 10)) << "read on";
            EXPECT_LE(server.streamedBytes() - writtenBefore, Bound + LoopbackHttpServer::InFlightBytes);
        }
        EXPECT_EQ(
            std::distance(std::filesystem::directory_iterator(folder.path()), std::filesystem::directory_iterator()), 1)
            << "a part stays behind";
        const std::optional<HttpResponse> after = fetch(engine, get(server.baseUrl() + "/next"));
        EXPECT_TRUE(after && after->body == "next");
    }
}

// A download's body that ends short of the length announced for it, by the answer or by its
// service, is a file cut short: the request fails and says so, and the file stays as it was.
TEST(HttpEngineTest, ADownloadShorterThanAnnouncedLeavesTheFileAsItWas)
{
    auto streamed = [](uint64_t length, HttpHeaders headers, bool chunked = true) {
        LoopbackReply reply = LoopbackReply::streamed(200, "", length);
        reply.headers = std::move(headers);
        reply.chunked = chunked;
        return reply;
    };
    struct Case {
        const char* name;
        LoopbackReply reply;
        bool whole;
    };
    const std::vector<Case> cases = {
        {"a length, the connection ended early", streamed(3000, {{"Content-Length", "5000"}}), false},
        {"the service's length, in chunks", streamed(3000, {{"X-Length", "5000"}}), false},
        {"the service's length, until the connection ends", streamed(3000, {{"X-Length", "5000"}}, false), false},
        {"the service's length, an empty body", streamed(0, {{"X-Length", "5000"}}), false},
        {"the service's length, shorter than the answer's",
         streamed(3000, {{"X-Length", "5000"}, {"Content-Length", "3000"}}), false},
        {"the service's length, whole", streamed(5000, {{"X-Length", "5000"}}), true},
        {"a length, whole", streamed(5000, {{"Content-Length", "5000"}}), true},
        {"nothing announced, until the connection ends", streamed(3000, {}, false), true},
    };
    std::mutex mutex;
    const Case* current = nullptr;
    LoopbackHttpServer server([&](const LoopbackRequest&) {
        std::lock_guard lock(mutex);
        return current->reply;
    });
    TempDir folder;
    HttpEngine engine;
    const std::string target = folder.file("map.twkx");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            std::lock_guard lock(mutex);
            current = &c;
        }
        writeTestFile(target, "old contents");
        HttpRequest request = get(server.baseUrl() + "/answer");
        request.downloadPath = target;
        request.announcedDownloadBytes = [](const HttpResponse& answer) -> std::optional<uint64_t> {
            if (answer.header("X-Length").empty()) return std::nullopt;
            return std::stoull(answer.header("X-Length"));
        };
        const std::optional<HttpResponse> response = fetch(engine, request);
        ASSERT_TRUE(response);
        if (c.whole) {
            EXPECT_EQ(response->error, HttpTransportError::None);
            EXPECT_EQ(readTestFile(target).size(), *c.reply.streamedBytes);
        } else {
            EXPECT_EQ(response->error, HttpTransportError::Other);
            EXPECT_EQ(response->errorText.rfind("“map.twkx” was not downloaded: the server announced ", 0), 0u)
                << response->errorText;
            EXPECT_TRUE(response->downloadedPath.empty());
            EXPECT_EQ(readTestFile(target), "old contents");
        }
        EXPECT_EQ(
            std::distance(std::filesystem::directory_iterator(folder.path()), std::filesystem::directory_iterator()), 1)
            << "a part stays behind";
    }
}
