#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// HTTP requests of the cloud services, run by libcurl on the GLib main loop (the default main
// context): no call blocks and no thread is started, so the window keeps drawing while transfers
// wait on the network. Main thread only.

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct HttpResponse;

struct HttpRequest {
    std::string method = "GET";
    std::string url;
    // A header with an empty value is left out, also one the transport would add by itself.
    HttpHeaders headers;
    std::string body;
    // When set, a successful (2xx) answer's body goes into this file, which is replaced whole only
    // once the body has arrived completely; any other answer's body stays in the response.
    std::string downloadPath;
    // The name the user knows the download by, said when it cannot be written: the download path
    // is often a hidden temporary file. The path's last part when empty.
    std::string downloadName;
    // The most of the answer's body taken: in memory (maxBodyBytes), and into the file of a
    // successful download (maxDownloadBytes). Counted as the body arrives, whatever length the
    // server announced or none: a longer body stops the transfer there, and the request ends as
    // HttpTransportError::TooLarge with a download's file as it was, so that no server fills the
    // memory or the disk. An answer nobody sized is taken as a small one.
    static constexpr uint64_t DefaultMaxBodyBytes = uint64_t(1) << 20;
    uint64_t maxBodyBytes = DefaultMaxBodyBytes;
    uint64_t maxDownloadBytes = DefaultMaxBodyBytes;
    // The length a successful download's answer says its body has, in a header line of the
    // service's own, read once the header has arrived: a longer body is given up the same way.
    std::function<std::optional<uint64_t>(const HttpResponse&)> announcedDownloadBytes;
    double connectTimeoutSeconds = 30;
    // A transfer slower than lowSpeedBytes per second for lowSpeedSeconds is given up as timed out,
    // so that a stalled connection never hangs unseen.
    long lowSpeedBytes = 1;
    long lowSpeedSeconds = 60;
    // Total time allowed, 0 for no limit.
    double timeoutSeconds = 0;

    // Retries. 429 and 503 mean the server did not process the request: it is always sent again.
    // 500, 502 and 504 may come after the server did the work, so they are retried only for a
    // request that does no harm when it arrives twice (retryServerErrors). A retry waits for the
    // server's "Retry-After", else for a back-off that doubles from firstRetryDelaySeconds, half
    // of it random so that many clients spread apart; no wait is longer than
    // maxRetryDelaySeconds. The request is given up, and its last answer delivered with the
    // retries counted, after maxRetries retries or once the waits would pass maxRetryWaitSeconds.
    int maxRetries = 3;
    double maxRetryDelaySeconds = 60;
    double firstRetryDelaySeconds = 1;
    double maxRetryWaitSeconds = 120;
    bool retryServerErrors = false;
    // Answers of a service's own that mean "try again later" (a rate limit worded as 403, say);
    // called on the main thread before the answer is delivered.
    std::function<bool(const HttpResponse&)> retryWhen;
};

enum class HttpTransportError {
    None,
    // No connection could be made: no network, unknown host, nobody listening.
    Offline,
    TimedOut,
    // The answer was longer than the request takes (HttpRequest::maxBodyBytes and
    // maxDownloadBytes), or its header than any answer's.
    TooLarge,
    // Anything else the transport reports, including a refused address or certificate.
    Other,
};

struct HttpResponse {
    long status = 0;
    HttpHeaders headers;
    std::string body;
    // The file the body went to (HttpRequest::downloadPath) when the answer was a success.
    std::string downloadedPath;
    HttpTransportError error = HttpTransportError::None;
    std::string errorText;
    // How often the request was sent again before this answer, and the seconds waited for that.
    int retries = 0;
    double retryWaitSeconds = 0;

    bool isTransportError() const { return error != HttpTransportError::None; }
    // The first header of that name, compared ignoring case; empty when missing.
    std::string header(const std::string& name) const;
};

using HttpCompletion = std::function<void(HttpResponse)>;

struct HttpTransfer;

// Answers a started request. Destroying or cancelling it stops the transfer: its completion is
// never called afterwards. Keep it as a member of the object the completion concerns.
class HttpRequestHandle {
public:
    HttpRequestHandle() = default;
    explicit HttpRequestHandle(std::shared_ptr<HttpTransfer> transfer) : _transfer(std::move(transfer)) {}
    HttpRequestHandle(HttpRequestHandle&& other) noexcept = default;
    HttpRequestHandle& operator=(HttpRequestHandle&& other) noexcept;
    HttpRequestHandle(const HttpRequestHandle&) = delete;
    HttpRequestHandle& operator=(const HttpRequestHandle&) = delete;
    ~HttpRequestHandle() { cancel(); }

    void cancel();
    // True until the completion has been called or the request was cancelled.
    bool isPending() const;

private:
    std::shared_ptr<HttpTransfer> _transfer;
};

class Scheduler;

// What the waits between retries run on; tests drive both.
struct HttpEngineTiming {
    // The main loop's timers when none.
    Scheduler* scheduler = nullptr;
    // A uniform number in [0, 1); the system's randomness when empty.
    std::function<double()> random;
};

class HttpEngine {
public:
    explicit HttpEngine(HttpEngineTiming timing = {});
    ~HttpEngine();
    HttpEngine(const HttpEngine&) = delete;
    HttpEngine& operator=(const HttpEngine&) = delete;

    // The application's engine, made on first use.
    static HttpEngine& shared();

    // Starts a request; the completion runs once, from the main loop, never inside this call.
    // Only "https" addresses are accepted, and "http" ones for this machine's loopback addresses.
    [[nodiscard]] HttpRequestHandle start(HttpRequest request, HttpCompletion completion);

    // Transfers started and not yet completed or cancelled.
    size_t activeCount() const;
    // Those of them waiting to be sent again.
    size_t retryingCount() const;

    // Whether the address may be requested: https anywhere, http only to 127.0.0.1, ::1 or localhost.
    static bool isAllowedUrl(const std::string& url);
    // The seconds a "Retry-After" value asks to wait: delta seconds or an HTTP date (against now,
    // seconds since 1970); nullopt when it is neither.
    static std::optional<double> retryAfterSeconds(const std::string& value, double now);
    // The wait before retry number attempt (0 for the first) of the request after this answer;
    // random is in [0, 1).
    static double retryDelay(const HttpRequest& request, const HttpResponse& answer, int attempt, double random,
                             double now);
    // Whether the answer asks for the request to be sent again (the count and time left aside).
    static bool isRetryable(const HttpRequest& request, const HttpResponse& answer);
    // What the user reads of a file, named as they know it, that could not be written for the
    // system's error code: the cause in words, a full disk said as one.
    static std::string fileWriteFailureText(const std::string& name, int code);
    // The most of an answer's header lines taken, whatever the request: services send a few
    // kilobytes.
    static constexpr uint64_t MaxHeaderBytes = 256 * 1024;

    struct Impl;

private:
    std::unique_ptr<Impl> _impl;
};
