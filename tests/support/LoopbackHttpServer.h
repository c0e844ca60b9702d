#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// An HTTP server on 127.0.0.1 with a port of the system's choice, run by libevent on a thread of its
// own, so that clients on the test's main loop talk to it as to a real server. The handler runs on
// the server's thread.
struct LoopbackRequest {
    std::string method;
    // The path of the request, without the query, percent escapes kept.
    std::string path;
    std::string query;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // The first header of that name, compared ignoring case; empty when missing.
    std::string header(const std::string& name) const;
    bool hasHeader(const std::string& name) const;
};

struct LoopbackReply {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    // The answer goes out after this time; other requests are served meanwhile.
    double delaySeconds = 0;
    // Never answered: the connection stays open until the client gives up or the server ends.
    bool hang = false;
    // The connection is closed without an answer, as when the network drops it.
    bool drop = false;
    // A body too long to hold (plain transport only), written as the client takes it: `body`
    // first, then `fill` up to streamedBytes in all, or without end. Chunked unless the headers
    // hold a Content-Length, which goes out as given, true or false; with chunked false and none,
    // the body ends where the server closes the connection.
    static constexpr uint64_t Endless = UINT64_MAX;
    std::optional<uint64_t> streamedBytes;
    char fill = ' ';
    bool chunked = true;

    static LoopbackReply text(int status, std::string body);
    static LoopbackReply json(int status, std::string body);
    // `start`, then spaces up to `length` in all, in chunks: a JSON document when start is one.
    static LoopbackReply streamed(int status, std::string start, uint64_t length);
};

class LoopbackHttpServer {
public:
    using Handler = std::function<LoopbackReply(const LoopbackRequest&)>;
    enum class Transport { Plain, SelfSignedTls };
    // SelfSignedTls serves HTTPS with a certificate for 127.0.0.1 that no authority signed.
    explicit LoopbackHttpServer(Handler handler, Transport transport = Transport::Plain);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    // The most a connection's sockets hold on the way: written by the server, not yet taken by
    // the client.
    static constexpr uint64_t InFlightBytes = uint64_t(16) << 20;

    int port() const { return _port; }
    // "http://127.0.0.1:<port>" ("https://" with TLS)
    std::string baseUrl() const;

    // Every request received so far, oldest first.
    std::vector<LoopbackRequest> requests() const;
    size_t requestCount() const;
    // The bytes of streamed answers written so far, and how many of those answers the client hung
    // up on before their end.
    uint64_t streamedBytes() const;
    size_t streamsCut() const;

    struct State;

private:
    std::unique_ptr<State> _state;
    int _port = 0;
    bool _tls = false;
};
