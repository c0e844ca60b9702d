#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// HTTP requests of the cloud services, run by libcurl on the GLib main loop (the default main
// context): no call blocks and no thread is started, so the window keeps drawing while transfers
// wait on the network. Main thread only.

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
    std::string method = "GET";
    std::string url;
    // A header with an empty value is left out, also one the transport would add by itself.
    HttpHeaders headers;
    std::string body;
    // When set, a successful (2xx) answer's body goes into this file, which is replaced whole only
    // once the body has arrived completely; any other answer's body stays in the response.
    std::string downloadPath;
    // A download whose body grows beyond this many bytes (0: no limit) is given up: a server
    // that sends more than it announced never fills the disk.
    uint64_t maxDownloadBytes = 0;
    double connectTimeoutSeconds = 30;
    // A transfer slower than lowSpeedBytes per second for lowSpeedSeconds is given up as timed out,
    // so that a stalled connection never hangs unseen.
    long lowSpeedBytes = 1;
    long lowSpeedSeconds = 60;
    // Total time allowed, 0 for no limit.
    double timeoutSeconds = 0;
    // 429 and 503 mean the server did not process the request: it is sent again after the
    // server's "Retry-After" (at most maxRetryDelaySeconds), at most maxRetries times.
    int maxRetries = 3;
    double maxRetryDelaySeconds = 60;
};

enum class HttpTransportError {
    None,
    // No connection could be made: no network, unknown host, nobody listening.
    Offline,
    TimedOut,
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

class HttpEngine {
public:
    HttpEngine();
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

    // Whether the address may be requested: https anywhere, http only to 127.0.0.1, ::1 or localhost.
    static bool isAllowedUrl(const std::string& url);

    struct Impl;

private:
    std::unique_ptr<Impl> _impl;
};
